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
    {
        std::lock_guard<std::mutex> lock(_mutex);
        _jobs.push_back(std::move(job));
    }
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
    for (;;) {
        _jobQueued.wait(lock, [this] { return _stopping || !_jobs.empty(); });
        if (_stopping) {
            return;
        }
        Job job = std::move(_jobs.front());
        _jobs.pop_front();
        ++_running;
        lock.unlock();
        try {
            job(index);
        } catch (...) {
            // A failing job must not take its worker down with it; the job owns its errors.
        }
        job = nullptr; // release the captures before reporting the job as finished
        lock.lock();
        --_running;
        _jobFinished.notify_all();
    }
}

} // namespace VornCommon
