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
    {
        std::lock_guard<std::mutex> lock(_permitMutex);
        _permits = count;
        _permitsEnded = false;
    }
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
    {
        std::lock_guard<std::mutex> lock(_permitMutex);
        _permitsEnded = true;
    }
    _permitReturned.notify_all();
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

bool WorkerPool::AcquirePermit()
{
    if (_dropWhenBusy)
        return true;
    std::unique_lock<std::mutex> lock(_permitMutex);
    _permitReturned.wait(lock, [this] { return _permitsEnded || _permits > 0; });
    if (_permitsEnded)
        return false;
    --_permits;
    return true;
}

void WorkerPool::ReturnPermit()
{
    if (_dropWhenBusy)
        return;
    {
        std::lock_guard<std::mutex> lock(_permitMutex);
        ++_permits;
    }
    _permitReturned.notify_one();
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
    {
        std::lock_guard<std::mutex> lock(_permitMutex);
        _permits += discarded;
    }
    _permitReturned.notify_all();
}

bool WorkerPool::IsIdle() const
{
    std::lock_guard<std::mutex> lock(_poolMutex);
    return !_pool || _pool->GetUnoccupiedThreadsCount() == _pool->GetThreadsCount();
}

} // namespace Hyx
