#include <VornCommon/Concurrency.h>
#include <VornCommon/ThreadPool.h>

#include <algorithm>

namespace VornCommon {

ThreadPool::ThreadPool(unsigned threadsCount)
{
    const unsigned count = std::max(1u, threadsCount);
    _workers.reserve(count);
    try {
        for (unsigned i = 0; i < count; ++i) {
            _workers.emplace_back(&ThreadPool::workerLoop, this, i);
        }
    } catch (...) {
        // The destructor will not run: end the workers that did start before giving up.
        stopAndJoin();
        throw;
    }
}

ThreadPool::~ThreadPool()
{
    stopAndJoin();
}

void ThreadPool::stopAndJoin()
{
    std::deque<Job> discarded;
    {
        std::lock_guard<std::mutex> lock(_mutex);
        _stopping = true;
        discarded.swap(_jobs);
        _waitingJobs.store(0);
    }
    _jobQueued.notify_all();
    // Release the discarded jobs before waiting: a running job may wait for what they hold.
    discarded.clear();
    for (std::thread& worker : _workers) {
        worker.join();
    }
    _workers.clear();
}

void ThreadPool::DoJob(Job job)
{
    if (!job) {
        return;
    }
    bool wake = false;
    {
        std::unique_lock<std::mutex> lock(_mutex, std::defer_lock);
        concurrency::LockBriefly(lock);
        _jobs.push_back(std::move(job));
        _waitingJobs.store(_jobs.size());
        // A worker awake (running or about to look again) takes it without being told.
        wake = _sleeping > 0;
    }
    if (wake)
        _jobQueued.notify_one();
}

bool ThreadPool::HasUnoccupiedThreads() const
{
    return GetUnoccupiedThreadsCount() > 0;
}

unsigned ThreadPool::GetThreadsCount() const
{
    // Fixed after construction; no lock needed.
    return static_cast<unsigned>(_workers.size());
}

unsigned ThreadPool::GetUnoccupiedThreadsCount() const
{
    const std::size_t threads = _workers.size();
    std::lock_guard<std::mutex> lock(_mutex);
    const std::size_t occupied = _running + _jobs.size();
    return occupied >= threads ? 0u : static_cast<unsigned>(threads - occupied);
}

unsigned ThreadPool::ResetJobs()
{
    std::deque<Job> discarded;
    {
        std::lock_guard<std::mutex> lock(_mutex);
        discarded.swap(_jobs);
        _waitingJobs.store(0);
    }
    _jobFinished.notify_all();
    return static_cast<unsigned>(discarded.size());
}

void ThreadPool::WaitUntilIdle() const
{
    std::unique_lock<std::mutex> lock(_mutex);
    _jobFinished.wait(lock, [this] { return _jobs.empty() && _running == 0; });
}

void ThreadPool::workerLoop(unsigned index)
{
    std::unique_lock<std::mutex> lock(_mutex);
    const auto ready = [this] { return _stopping || !_jobs.empty(); };
    for (;;) {
        if (!ready()) {
            lock.unlock();
            concurrency::SpinBriefly([this] { return _waitingJobs.load(std::memory_order_acquire) > 0; });
            concurrency::LockBriefly(lock);
            if (!ready()) {
                ++_sleeping;
                _jobQueued.wait(lock, ready);
                --_sleeping;
            }
        }
        if (_stopping) {
            return;
        }
        Job job = std::move(_jobs.front());
        _jobs.pop_front();
        _waitingJobs.store(_jobs.size());
        ++_running;
        lock.unlock();
        try {
            job(index);
        } catch (...) {
            // A failing job must not take its worker down with it; the job owns its errors.
        }
        job = nullptr; // release the captures before reporting the job as finished
        concurrency::LockBriefly(lock);
        --_running;
        _jobFinished.notify_all();
    }
}

} // namespace VornCommon
