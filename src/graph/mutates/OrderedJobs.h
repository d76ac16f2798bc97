#pragma once

// In-order results of the items a multi-threaded mutate hands to its workers.
//
// Contract:
// - Submit and TakeFinished run on the updating thread; Clear may run on any thread (a
//   frame-order reset); the process function runs on the workers.
// - Each item is a slot in the pending queue (not taken by a worker yet) and in the order
//   queue (not handed back yet). A job takes the oldest pending slot, so jobs and slots need
//   not match one to one: a job that finds no slot (it was cleared away) just ends. Every
//   job returns its worker permit, whether it processed a slot or found none.
// - A slot cleared away while a worker processes it is finished into nothing: results never
//   outlive the order queue.
// - A process function that throws yields an empty result (logged; a logger that throws
//   is ignored); the order goes on.
// - Lock order: pending, then order (submission only); everything else takes its lock
//   alone.

#include "core/LogLevelEnabled.h"
#include "graph/mutates/WorkerPool.h"
#include "graph/runtime/ScopeExit.h"

#include <VornCommon/Concurrency.h>

#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <utility>

namespace Hyx {

template <class Item, class Result>
class OrderedJobs {
public:
    /// Processes one item on a worker with that worker's resource.
    using Process = std::function<Result(void* resource, Item& item)>;

    /// name: for the log line of a failing process function.
    OrderedJobs(WorkerPool& pool, const char* name, Process process)
        : _pool(pool), _name(name), _process(std::move(process))
    {
    }
    OrderedJobs(const OrderedJobs&) = delete;
    OrderedJobs& operator=(const OrderedJobs&) = delete;

    /// Queues the item (waiting for a worker permit without dropping). False when the pool
    /// is not running.
    bool Submit(Item item)
    {
        if (!_pool.IsRunning())
            return false;
        // Made before the permit is taken: running out of memory here holds nothing.
        auto slot = std::make_shared<Slot>(std::move(item));
        if (!_pool.AcquirePermit())
            return false;
        // The permit goes back unless a job was queued to return it, however this leaves.
        bool queued = false;
        const ScopeExit returnPermit([this, &queued] {
            if (!queued)
                _pool.ReturnPermit();
        });
        {
            // Both at once: a clear in between would leave the slot in the order queue
            // only, where nothing would ever finish it.
            Lock pendingLock(_pendingMutex);
            Lock orderLock(_orderMutex);
            _pending.push_back(slot);
            _order.push_back(std::move(slot));
        }
        queued = _pool.Run([this](void* resource) { runJob(resource); });
        return queued;
    }

    /// Takes the result of the oldest item when it is finished; false otherwise.
    bool TakeFinished(Result& out)
    {
        Lock lock(_orderMutex);
        if (_order.empty() || !_order.front()->done)
            return false;
        out = std::move(_order.front()->result);
        _order.pop_front();
        return true;
    }

    /// Forgets every item not handed back yet.
    void Clear()
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
        return _pool.IsIdle();
    }

private:
    // The updating thread and the workers meet on these mutexes for moments: a contended
    // locker tries briefly before it blocks.
    struct Lock {
        explicit Lock(std::mutex& mutex) : held(mutex, std::defer_lock) { VornCommon::concurrency::LockBriefly(held); }
        std::unique_lock<std::mutex> held;
    };

    struct Slot {
        explicit Slot(Item i) : item(std::move(i)) {}
        Item item;
        Result result{};
        bool done = false; // guarded by the order mutex
    };

    void runJob(void* resource)
    {
        std::shared_ptr<Slot> slot;
        {
            Lock lock(_pendingMutex);
            if (!_pending.empty()) {
                slot = std::move(_pending.front());
                _pending.pop_front();
            }
        }
        if (slot) {
            Result result{};
            try {
                result = _process(resource, slot->item);
            } catch (const std::exception& e) {
                logFailure(e.what());
            } catch (...) {
                logFailure(nullptr);
            }
            Lock lock(_orderMutex);
            slot->result = std::move(result);
            slot->done = true;
        }
        _pool.ReturnPermit();
    }

    // The host's logger runs here too: LogLine keeps one that throws from ending the worker.
    void logFailure(const char* what) const noexcept
    {
        if (what)
            LogLine(VornCommon::LogLevel::Error, "%s: processing failed: %s", _name, what);
        else
            LogLine(VornCommon::LogLevel::Error, "%s: processing failed", _name);
    }

    WorkerPool& _pool;
    const char* const _name;
    const Process _process;

    mutable std::mutex _pendingMutex;
    std::deque<std::shared_ptr<Slot>> _pending;
    mutable std::mutex _orderMutex;
    std::deque<std::shared_ptr<Slot>> _order;
};

} // namespace Hyx
