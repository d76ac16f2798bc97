#include "graph/mutates/WorkerPool.h"

#include <VornCommon/Concurrency.h>

#include <utility>

namespace Hyx {

void WorkerPool::Start(unsigned workers, bool dropWhenBusy, const std::function<void*(unsigned)>& allocate)
{
    Stop({});
    auto pool = std::make_unique<VornCommon::ThreadPool>(workers);
    const unsigned count = pool->GetThreadsCount();
    _resources.clear();
    for (unsigned i = 0; i < count; ++i)
        _resources.push_back(allocate ? allocate(i) : nullptr);
    _dropWhenBusy = dropWhenBusy;
    _permits = count;
    _permitsEnded = false;
    std::lock_guard<std::mutex> lock(_poolMutex);
    _pool = std::move(pool);
}

void WorkerPool::Stop(const std::function<void(void*)>& release)
{
    std::unique_ptr<VornCommon::ThreadPool> pool;
    {
        std::lock_guard<std::mutex> lock(_poolMutex);
        pool = std::move(_pool);
    }
    pool.reset(); // joins
    _permitsEnded = true;
    wakePermitTaker(true);
    for (void* resource : std::exchange(_resources, {}))
        if (release)
            release(resource);
}

bool WorkerPool::IsRunning() const
{
    std::lock_guard<std::mutex> lock(_poolMutex);
    return _pool != nullptr;
}

bool WorkerPool::ShouldDrop() const
{
    if (!_dropWhenBusy)
        return false;
    std::lock_guard<std::mutex> lock(_poolMutex);
    return _pool && !_pool->HasUnoccupiedThreads();
}

bool WorkerPool::tryTakePermit()
{
    unsigned permits = _permits.load();
    while (permits > 0)
        if (_permits.compare_exchange_weak(permits, permits - 1))
            return true;
    return false;
}

void WorkerPool::wakePermitTaker(bool all)
{
    // Sequentially consistent with the taker's count and test: either the taker sees the
    // permit, or this sees the taker and wakes it under the mutex it sleeps with.
    if (_permitSleepers.load() == 0)
        return;
    {
        std::lock_guard<std::mutex> lock(_permitMutex);
    }
    if (all)
        _permitReturned.notify_all();
    else
        _permitReturned.notify_one();
}

bool WorkerPool::AcquirePermit()
{
    if (_dropWhenBusy)
        return true;
    for (;;) {
        if (_permitsEnded)
            return false;
        if (tryTakePermit())
            return true;
        // The running job returns its permit within microseconds when it is short.
        if (VornCommon::concurrency::SpinBriefly([this] { return _permitsEnded || _permits.load() > 0; }))
            continue;
        std::unique_lock<std::mutex> lock(_permitMutex);
        ++_permitSleepers;
        _permitReturned.wait(lock, [this] { return _permitsEnded || _permits.load() > 0; });
        --_permitSleepers;
    }
}

void WorkerPool::ReturnPermit()
{
    if (_dropWhenBusy)
        return;
    ++_permits;
    wakePermitTaker(false);
}

bool WorkerPool::Run(Job job)
{
    std::lock_guard<std::mutex> lock(_poolMutex);
    if (!_pool)
        return false;
    // The resources are fixed before the first job and until the pool is joined.
    _pool->DoJob([this, job = std::move(job)](unsigned worker) {
        thread_local bool named = false;
        if (!named) {
            VornCommon::concurrency::Thread::setCurrentThreadName(_threadName);
            named = true;
        }
        job(worker < _resources.size() ? _resources[worker] : nullptr);
    });
    return true;
}

void WorkerPool::DiscardWaitingJobs()
{
    unsigned discarded = 0;
    {
        std::lock_guard<std::mutex> lock(_poolMutex);
        if (_pool)
            discarded = _pool->ResetJobs();
    }
    if (_dropWhenBusy || discarded == 0)
        return;
    _permits += discarded;
    wakePermitTaker(true);
}

bool WorkerPool::IsIdle() const
{
    std::lock_guard<std::mutex> lock(_poolMutex);
    return !_pool || _pool->GetUnoccupiedThreadsCount() == _pool->GetThreadsCount();
}

} // namespace Hyx
