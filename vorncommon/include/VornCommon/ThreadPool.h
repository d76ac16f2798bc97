#pragma once

// A fixed set of worker threads fed from one first-in-first-out job queue.
//
// Worker i (0 to n-1) passes i to every job it runs, so a job can use resources kept per worker.
// An idle worker takes the oldest waiting job; with one worker jobs run strictly in submission
// order. A worker runs one job at a time. Waiting jobs count as occupying a worker, so a burst
// of submissions is seen as busy at once. ResetJobs and the destructor discard waiting jobs
// (they never run); a running job always completes. A job that throws is dropped and its worker
// lives on. The pool must not be destroyed from inside one of its own jobs.
// An idle worker stays awake a few microseconds before it sleeps, and a job is queued without a
// wake-up while no worker sleeps, so a steady stream of jobs costs no sleep and no wake-up.

#include <VornCommon/Export.h>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace VornCommon {

class VORN_API ThreadPool {
public:
    /// A job: called with the index of the worker that runs it.
    using Job = std::function<void(unsigned workerIndex)>;

    /// Starts threadsCount workers (0 is taken as 1).
    explicit ThreadPool(unsigned threadsCount);
    /// Discards the waiting jobs, lets every running job finish and joins the workers.
    ~ThreadPool();
    ThreadPool(const ThreadPool&) = delete;
    ThreadPool& operator=(const ThreadPool&) = delete;

    /// Queues a job behind every waiting one. An empty job is ignored.
    void DoJob(Job job);
    /// True when fewer jobs are running or waiting than there are workers.
    bool HasUnoccupiedThreads() const;
    /// The number of workers.
    unsigned GetThreadsCount() const;
    /// Workers minus the running and waiting jobs, at least 0.
    unsigned GetUnoccupiedThreadsCount() const;
    /// Discards the jobs no worker has started and returns how many there were; running jobs
    /// complete.
    unsigned ResetJobs();
    /// Blocks until no job is waiting or running.
    void WaitUntilIdle() const;

private:
    void workerLoop(unsigned index);
    void stopAndJoin();

    mutable std::mutex _mutex;
    std::condition_variable _jobQueued;
    mutable std::condition_variable _jobFinished;
    std::deque<Job> _jobs;
    // The number of waiting jobs, changed with _jobs under the mutex; read by idle workers.
    std::atomic<std::size_t> _waitingJobs{0};
    // Workers asleep on _jobQueued (under the mutex).
    unsigned _sleeping = 0;
    unsigned _running = 0;
    bool _stopping = false;
    std::vector<std::thread> _workers;
};

} // namespace VornCommon
