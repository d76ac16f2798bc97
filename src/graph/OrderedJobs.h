#pragma once

// The engine of the multi-threaded mutates: items submitted by the updating thread are
// processed on a pool of workers and their results are taken back in submission order.
//
// Contract:
// - Submit, TakeFinished, Start and Stop run on the updating thread; Reset may run on any
//   thread (a frame-order reset); the process function runs on the workers.
// - Each item is a slot in the pending queue (not taken by a worker yet) and in the order
//   queue (not handed back yet). A job takes the oldest pending slot, so jobs and slots need
//   not match one to one: a job that finds no slot (its slot was reset away) just ends.
// - Without dropping, at most n items are submitted and unfinished: Submit waits for a
//   permit. Every job returns exactly one permit, whether it processed a slot or found none;
//   the jobs that Reset discards never run, so Reset returns their permits instead. The wait
//   therefore always ends when a running job finishes, also across resets, and ends for
//   good when the engine stops.
// - A slot reset away while a worker processes it is finished into nothing: results never
//   outlive the order queue.
// - A process function that throws yields an empty result (logged); the order goes on.
// - Lock order: pending, then order (submission only); everything else takes its lock
//   alone.

#include <Hyx/LoggerInstance.h>

#include <VornCommon/Concurrency.h>
#include <VornCommon/ThreadPool.h>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

namespace Hyx {

template <class Item, class Result>
class OrderedJobs {
public:
    /// Processes one item on a worker with that worker's resource.
    using Process = std::function<Result(void* resource, Item& item)>;

    OrderedJobs(const char* threadName, Process process) : _threadName(threadName), _process(std::move(process)) {}
    ~OrderedJobs() { Stop({}); }
    OrderedJobs(const OrderedJobs&) = delete;
    OrderedJobs& operator=(const OrderedJobs&) = delete;

    /// Starts a pool of `workers` workers (0 is taken as 1), then asks allocate(i) for the
    /// resource of each worker, ascending. Throws std::system_error when the system cannot
    /// start the workers. Without dropping, that many permits are handed out.
    void Start(unsigned workers, bool dropWhenBusy, const std::function<void*(unsigned)>& allocate)
    {
        Stop({});
        auto pool = std::make_unique<VornCommon::ThreadPool>(workers);
        const unsigned n = pool->GetThreadsCount();
        _resources.clear();
        for (unsigned i = 0; i < n; ++i)
            _resources.push_back(allocate ? allocate(i) : nullptr);
        _dropWhenBusy = dropWhenBusy;
        _permits.Reset(n);
        std::lock_guard<std::mutex> lock(_poolMutex);
        _pool = std::move(pool);
    }

    /// Joins the workers (running jobs complete), forgets every item and hands each
    /// resource to release(), ascending.
    void Stop(const std::function<void(void*)>& release)
    {
        std::unique_ptr<VornCommon::ThreadPool> pool;
        {
            std::lock_guard<std::mutex> lock(_poolMutex);
            pool = std::move(_pool);
        }
        pool.reset();
        _permits.Cancel();
        clearQueues();
        for (void* resource : std::exchange(_resources, {}))
            if (release)
                release(resource);
    }

    bool IsRunning() const
    {
        std::lock_guard<std::mutex> lock(_poolMutex);
        return _pool != nullptr;
    }

    /// Dropping is on and every worker is busy (a snapshot).
    bool ShouldDrop() const
    {
        if (!_dropWhenBusy)
            return false;
        std::lock_guard<std::mutex> lock(_poolMutex);
        return _pool && !_pool->HasUnoccupiedThreads();
    }

    /// Queues the item (waiting for a permit without dropping). False when not running.
    bool Submit(Item item)
    {
        // Only the updating thread starts and stops the pool, so it cannot vanish below.
        if (!IsRunning() || (!_dropWhenBusy && !_permits.Acquire()))
            return false;
        auto slot = std::make_shared<Slot>(std::move(item));
        {
            // Both at once: a reset in between would leave the slot in the order queue
            // only, where nothing would ever finish it.
            std::lock_guard<std::mutex> pendingLock(_pendingMutex);
            std::lock_guard<std::mutex> orderLock(_orderMutex);
            _pending.push_back(slot);
            _order.push_back(std::move(slot));
        }
        std::lock_guard<std::mutex> lock(_poolMutex);
        _pool->DoJob([this](unsigned worker) { runJob(worker); });
        return true;
    }

    /// Takes the result of the oldest item when it is finished; false otherwise.
    bool TakeFinished(Result& out)
    {
        std::lock_guard<std::mutex> lock(_orderMutex);
        if (_order.empty() || !_order.front()->done)
            return false;
        out = std::move(_order.front()->result);
        _order.pop_front();
        return true;
    }

    /// Forgets every item not handed back yet; jobs not started are discarded.
    void Reset()
    {
        {
            std::lock_guard<std::mutex> lock(_poolMutex);
            if (_pool) {
                const unsigned discarded = _pool->ResetJobs();
                if (!_dropWhenBusy)
                    _permits.Release(discarded);
            }
        }
        clearQueues();
    }

    /// Nothing pending, nothing unhanded, no worker busy.
    bool IsIdle() const
    {
        {
            std::lock_guard<std::mutex> lock(_pendingMutex);
            if (!_pending.empty())
                return false;
        }
        {
            std::lock_guard<std::mutex> lock(_orderMutex);
            if (!_order.empty())
                return false;
        }
        std::lock_guard<std::mutex> lock(_poolMutex);
        return !_pool || _pool->GetUnoccupiedThreadsCount() == _pool->GetThreadsCount();
    }

private:
    struct Slot {
        explicit Slot(Item i) : item(std::move(i)) {}
        Item item;
        Result result{};
        bool done = false; // guarded by the order mutex
    };

    /// Permits of the submissions in flight; Cancel ends every wait for good.
    class Permits {
    public:
        void Reset(unsigned count)
        {
            std::lock_guard<std::mutex> lock(_mutex);
            _count = count;
            _cancelled = false;
        }
        bool Acquire()
        {
            std::unique_lock<std::mutex> lock(_mutex);
            _available.wait(lock, [this] { return _cancelled || _count > 0; });
            if (_cancelled)
                return false;
            --_count;
            return true;
        }
        void Release(unsigned n)
        {
            if (n == 0)
                return;
            {
                std::lock_guard<std::mutex> lock(_mutex);
                _count += n;
            }
            _available.notify_all();
        }
        void Cancel()
        {
            {
                std::lock_guard<std::mutex> lock(_mutex);
                _cancelled = true;
            }
            _available.notify_all();
        }

    private:
        std::mutex _mutex;
        std::condition_variable _available;
        unsigned _count = 0;
        bool _cancelled = true;
    };

    void runJob(unsigned worker)
    {
        thread_local bool named = false;
        if (!named) {
            VornCommon::concurrency::Thread::setCurrentThreadName(_threadName);
            named = true;
        }
        std::shared_ptr<Slot> slot;
        {
            std::lock_guard<std::mutex> lock(_pendingMutex);
            if (!_pending.empty()) {
                slot = std::move(_pending.front());
                _pending.pop_front();
            }
        }
        if (slot) {
            Result result{};
            try {
                result = _process(worker < _resources.size() ? _resources[worker] : nullptr, slot->item);
            } catch (const std::exception& e) {
                LogMessage(VornCommon::LogLevel::Error, "%s: processing failed: %s", _threadName, e.what());
            } catch (...) {
                LogMessage(VornCommon::LogLevel::Error, "%s: processing failed", _threadName);
            }
            std::lock_guard<std::mutex> lock(_orderMutex);
            slot->result = std::move(result);
            slot->done = true;
        }
        if (!_dropWhenBusy)
            _permits.Release(1);
    }

    void clearQueues()
    {
        std::deque<std::shared_ptr<Slot>> pending;
        std::deque<std::shared_ptr<Slot>> order;
        {
            std::lock_guard<std::mutex> lock(_pendingMutex);
            pending.swap(_pending);
        }
        {
            std::lock_guard<std::mutex> lock(_orderMutex);
            order.swap(_order);
        }
        // The items are released here, outside the locks.
    }

    const char* const _threadName;
    const Process _process;
    std::vector<void*> _resources;
    std::atomic<bool> _dropWhenBusy{true};
    Permits _permits;

    mutable std::mutex _pendingMutex;
    std::deque<std::shared_ptr<Slot>> _pending;
    mutable std::mutex _orderMutex;
    std::deque<std::shared_ptr<Slot>> _order;

    mutable std::mutex _poolMutex;
    std::unique_ptr<VornCommon::ThreadPool> _pool;
};

} // namespace Hyx
