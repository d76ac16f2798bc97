#pragma once

// Helpers for the tests of the asynchronous graph and the threaded, buffering and block
// mutates: bounded waits for what another thread makes true, and a target that can refuse
// to take atoms.

#include "GraphFixtures.h"

#include <Hyx/AsyncGraph.h>
#include <Hyx/MutateBlock.h>
#include <Hyx/MutateMultiThread.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <type_traits>
#include <utility>
#include <vector>

namespace ThreadedFixtures {

using namespace GraphFixtures;

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
    /// Sets the order and rate, then plays; false when either fails.
    bool play(Hyx::PlaybackMode mode, float fps = 0.0f)
    {
        return async->SetPlaybackMode(mode, fps) == Hyx::ActionResult::Success &&
               async->Play() == Hyx::ActionResult::Success;
    }
    std::shared_ptr<Hyx::AsyncGraph> async;
    StateLog log;
};

/// "Buffer size" and "Drop frames when full" of the block mutates.
inline Settings Block(const char* bufferSize, bool drop)
{
    return {{Hyx::MutateBlock::BUFFER_SIZE_PARAMNAME, bufferSize},
            {Hyx::MutateBlock::DROP_FRAMES_WHEN_FULL_PARAMNAME, drop ? "True" : "False"}};
}

inline void* ResourceOf(unsigned worker)
{
    return reinterpret_cast<void*>(static_cast<uintptr_t>(0x1000 + worker));
}

/// Per-worker resources of the threaded mutates: what the life cycle and the workers do with the per-worker resources.
struct ResourceBook {
    std::vector<unsigned> allocated; // life-cycle thread only
    std::vector<void*> released; // life-cycle thread only

    void seen(void* resource)
    {
        std::lock_guard<std::mutex> lock(mutex);
        byThread[std::this_thread::get_id()].insert(resource);
    }
    /// Every worker thread always got one and the same resource of the allocated ones.
    bool consistent()
    {
        std::lock_guard<std::mutex> lock(mutex);
        for (const auto& [thread, resources] : byThread) {
            if (resources.size() != 1)
                return false;
            const auto index = reinterpret_cast<uintptr_t>(*resources.begin()) - 0x1000;
            if (index >= allocated.size())
                return false;
        }
        return true;
    }

    std::mutex mutex;
    std::map<std::thread::id, std::set<void*>> byThread;
};

/// A threaded mutate of the test, recording what happens to the per-worker resources.
template <class Leaf>
class Recording : public Leaf {
public:
    Guid TypeGuid() const override { return kMutateGuid; }
    Hyx::FilterClassInfo GetFilterClassInfo() const override
    {
        return Hyx::FilterClassInfo("MutateWork", Hyx::FilterCategory::Transform);
    }
    ResourceBook book;

protected:
    void* AllocateThreadResource(unsigned worker) override
    {
        book.allocated.push_back(worker);
        return ResourceOf(worker);
    }
    void ReleaseThreadResource(void* resource) override { book.released.push_back(resource); }
};

class AtomWork : public Recording<Hyx::MutateAtomMultiThread> {
public:
    /// The work; passes the atom on when not set. Set before play.
    std::function<std::shared_ptr<Hyx::Atom>(std::shared_ptr<Hyx::Atom>)> work;
    std::atomic<int> inWork{0};

protected:
    std::shared_ptr<Hyx::Atom> onProcessAtom(void* resource, std::shared_ptr<Hyx::Atom> atom) override
    {
        book.seen(resource);
        ++inWork;
        std::shared_ptr<Hyx::Atom> result = work ? work(atom) : atom;
        --inWork;
        return result;
    }
};

class FrameWork : public Recording<Hyx::MutateFrameMultiThread> {
public:
    std::function<Frame(Frame&)> work;
    std::mutex sizesMutex;
    std::vector<size_t> frameSizes;

protected:
    Frame onProcessFrameAtoms(void* resource, Frame& frame) override
    {
        book.seen(resource);
        {
            std::lock_guard<std::mutex> lock(sizesMutex);
            frameSizes.push_back(frame.size());
        }
        return work ? work(frame) : frame;
    }
};

/// "Threads count" and the drop parameter of the variant.
template <class Work>
inline Settings Threads(const char* count, bool drop)
{
    const char* dropName = std::is_base_of_v<Hyx::MutateAtomMultiThread, Work>
                               ? Hyx::MutateAtomMultiThread::DROP_ATOMS_WHEN_OCCUPIED_PARAMNAME
                               : Hyx::MutateFrameMultiThread::DROP_FRAMES_WHEN_OCCUPIED_PARAMNAME;
    return {{"Threads count", count}, {dropName, drop ? "True" : "False"}};
}

template <class Middle>
using HostChain = FilterChain<Middle, GraphFixtures::TestGraph>;
template <class Middle>
using AsyncChain = FilterChain<Middle, AsyncTestGraph>;

} // namespace ThreadedFixtures
