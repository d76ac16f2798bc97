#pragma once

// Helpers for the tests of the asynchronous graph and the threaded, buffering and block
// mutates: a listener that records graph states with the thread that reported them, bounded
// waits for what another thread makes true, and a target that can refuse to take atoms.

#include "GraphFixtures.h"

#include <Hyx/AsyncGraph.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace ThreadedFixtures {

using State = Hyx::Graph::GraphState;

/// Long enough for a sanitizer build on a busy machine; a correct run never gets near it.
inline constexpr std::chrono::seconds kPatience{60};

/// Polls `condition` until it holds or kPatience passes.
inline bool Eventually(const std::function<bool()>& condition)
{
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

/// A door that worker hooks wait at until the test opens it.
class Gate {
public:
    void open()
    {
        std::lock_guard<std::mutex> lock(_mutex);
        _open = true;
        _opened.notify_all();
    }
    /// False when the door stayed shut for kPatience.
    bool pass()
    {
        std::unique_lock<std::mutex> lock(_mutex);
        return _opened.wait_for(lock, kPatience, [this] { return _open; });
    }

private:
    std::mutex _mutex;
    std::condition_variable _opened;
    bool _open = false;
};

/// Updates a host-driven graph until it is done (or kPatience passes); false on a failed
/// pass or when it never got done.
inline bool UpdateUntilDone(Hyx::Graph& graph)
{
    return Eventually([&] {
               if (graph.Update() != Hyx::ActionResult::Success) {
                   ADD_FAILURE() << graph.GetLastError(false).CStr();
                   return true;
               }
               return graph.IsDone();
           }) &&
           graph.IsDone();
}

/// Records every state change with the reporting thread; can run a hook on each.
class StateLog : public Hyx::Graph::Events {
public:
    void onGraphStateChanged(State state) override
    {
        std::function<void(State)> hook;
        {
            std::lock_guard<std::mutex> lock(_mutex);
            _states.push_back(state);
            _threads.push_back(std::this_thread::get_id());
            hook = onState;
        }
        if (hook)
            hook(state);
        // Under the lock: a waiter that wakes may destroy the log as soon as it can lock.
        std::lock_guard<std::mutex> lock(_mutex);
        ++_notified;
        _changed.notify_all();
    }

    std::vector<State> states() const
    {
        std::lock_guard<std::mutex> lock(_mutex);
        return _states;
    }
    std::vector<std::thread::id> threads() const
    {
        std::lock_guard<std::mutex> lock(_mutex);
        return _threads;
    }
    /// Waits until `state` was reported `times` times in all.
    bool waitFor(State state, size_t times = 1)
    {
        std::unique_lock<std::mutex> lock(_mutex);
        return _changed.wait_for(lock, kPatience, [&] {
            size_t n = 0;
            for (size_t i = 0; i < _notified; ++i)
                n += _states[i] == state;
            return n >= times;
        });
    }
    /// Runs on the reporting thread after recording; set before the graph plays.
    std::function<void(State)> onState;

private:
    mutable std::mutex _mutex;
    std::condition_variable _changed;
    std::vector<State> _states;
    std::vector<std::thread::id> _threads;
    size_t _notified = 0; // states whose hook has run
};

/// A target that takes nothing while stalled, so its input queue fills up.
struct StallingTarget : GraphFixtures::TestTarget {
    std::atomic<bool> stalled{false};
    Hyx::HyxErrorCode Update() override
    {
        return stalled ? Hyx::HyxErrorCode::NoDataAvailable : GraphFixtures::TestTarget::Update();
    }
};

/// Parameter values as (name, text) pairs.
using Settings = std::vector<std::pair<std::string, std::string>>;

/// Source -> the filter under test -> stalling target, on a host-driven graph (TestGraph) or
/// an asynchronous one (AsyncTestGraph); the settings go to the filter under test.
template <class Middle, class Base>
struct FilterChain : Base {
    explicit FilterChain(std::shared_ptr<Hyx::Filter> source, const Settings& settings = {})
    {
        this->add(std::move(source));
        middle = this->template make<Middle>();
        target = this->template make<StallingTarget>();
        for (const auto& [name, value] : settings)
            EXPECT_TRUE(middle->setParameterValue(name.c_str(), value.c_str())) << name;
    }
    std::shared_ptr<Middle> middle;
    std::shared_ptr<StallingTarget> target;
};

/// A graph test chain on an asynchronous graph.
struct AsyncTestGraph : GraphFixtures::TestGraph {
    AsyncTestGraph()
    {
        async = std::make_shared<Hyx::AsyncGraph>();
        graph = async;
        async->_graphEvents.Add(&log);
    }
    ~AsyncTestGraph()
    {
        if (!async)
            return;
        async->Stop();
        async->_graphEvents.Remove(&log);
    }
    std::shared_ptr<Hyx::AsyncGraph> async;
    StateLog log;
};

template <class Middle>
using HostChain = FilterChain<Middle, GraphFixtures::TestGraph>;
template <class Middle>
using AsyncChain = FilterChain<Middle, AsyncTestGraph>;

} // namespace ThreadedFixtures
