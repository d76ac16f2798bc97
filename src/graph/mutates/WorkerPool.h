#pragma once

// The workers of a multi-threaded mutate: a thread pool with one resource per worker and,
// when the mutate does not drop work while busy, one permit per worker.
//
// Contract:
// - Start, Stop, AcquirePermit and Run are called by the updating thread; DiscardWaitingJobs
//   by any thread (a frame-order reset); jobs run on the workers.
// - Without dropping, every job that Run queues must return exactly one permit: the job
//   itself when it runs (ReturnPermit), or DiscardWaitingJobs for the jobs it throws away
//   before they ran. AcquirePermit therefore always ends when a running job finishes, and
//   for good once the pool stops.
// - A permit wait stays awake a few microseconds before it sleeps; a returned permit wakes the
//   taker only when it sleeps.
// - The pool pointer is guarded, so a reset on another thread never meets a pool that is
//   being destroyed.

#include <VornCommon/ThreadPool.h>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace Hyx {

class WorkerPool {
public:
    /// A job, given the resource of the worker that runs it.
    using Job = std::function<void(void* resource)>;

    /// threadName: what every worker calls itself.
    explicit WorkerPool(const char* threadName) : _threadName(threadName) {}
    ~WorkerPool() { Stop({}); }
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    /// Starts `workers` workers (0 is taken as 1), then asks allocate(i) for the resource of
    /// each worker, ascending. Throws std::system_error (or std::bad_alloc) when the system
    /// cannot start them. Without dropping, that many permits are handed out.
    void Start(unsigned workers, bool dropWhenBusy, const std::function<void*(unsigned)>& allocate);
    /// Joins the workers (running jobs complete; waiting ones are discarded), ends every
    /// permit wait and hands each resource to release(), ascending.
    void Stop(const std::function<void(void*)>& release);

    bool IsRunning() const;
    /// Dropping is on and every worker is busy or has a job waiting (a snapshot).
    bool ShouldDrop() const;
    /// Without dropping: waits for a permit; false once the pool has stopped.
    bool AcquirePermit();
    /// Without dropping: gives a permit back (from inside a job).
    void ReturnPermit();
    /// Queues a job; false when the pool is not running.
    bool Run(Job job);
    /// Throws away the jobs no worker has started and returns their permits.
    void DiscardWaitingJobs();
    /// No job running or waiting.
    bool IsIdle() const;

private:
    /// Takes a permit when one is there.
    bool tryTakePermit();
    /// Wakes a sleeping permit taker.
    void wakePermitTaker(bool all);

    const char* const _threadName;
    std::vector<void*> _resources;
    std::atomic<bool> _dropWhenBusy{true};

    mutable std::mutex _poolMutex;
    std::unique_ptr<VornCommon::ThreadPool> _pool;

    // Permits are taken and returned without the mutex; it guards only the sleep of a taker
    // that found none for a few microseconds (counted in _permitSleepers).
    std::mutex _permitMutex;
    std::condition_variable _permitReturned;
    std::atomic<unsigned> _permits{0};
    std::atomic<unsigned> _permitSleepers{0};
    std::atomic<bool> _permitsEnded{true};
};

} // namespace Hyx
