#pragma once

// Mutate bases that run a filter's per-item work on a pool of worker threads while the
// graph's updating thread keeps pulling input. MutateAtomMultiThread processes single atoms;
// MutateFrameMultiThread first groups the next GetInputNumStreams atoms, in arrival order
// (stream ids are not looked at), into a frame and processes the frame as a whole.
//
// Contract:
// - A plug-in derives from one of the two and implements the work hook (onProcessAtom /
//   onProcessFrameAtoms); it runs on worker i with the resource that
//   AllocateThreadResource(i) returned.
// - Starting from Connected builds a pool of max(1, "Threads count") workers, the resources
//   (ascending index) and resets "Dropped ... count"; resuming from Paused keeps them.
//   Stopping joins the pool, forgets every item and releases the resources (ascending).
// - Results leave in submission order, whatever order the workers finish in: one with each
//   incoming atom and, after every update, all further finished ones the output has room
//   for, so every result is out before the filter reports itself done.
// - "Drop ... when occupied" (read at start): with every worker busy a new item is dropped,
//   counted in "Dropped ... count" and logged at level 4; it leaves no gap in the order.
//   Without dropping the updating thread waits while n items are in work.
// - A frame-order reset (any thread) forgets the items not handed out yet; a wait for a free
//   worker still ends, and results of items in work at that moment are discarded.
// - "Reset dropped ... counter", set to any text, sets the count to 0.
// - Stop the filter (the graph does) before destroying it: the workers call the hook.

#include <Hyx/Export.h>
#include <Hyx/FrameOrderProvider.h>
#include <Hyx/Mutate.h>

#include <deque>
#include <memory>
#include <mutex>
#include <vector>

namespace Hyx {

class Atom;
class FilterParamBool;
class FilterParamCallback;
class FilterParamInt64;
class FilterParamUInt32;
class WorkerPool;

template <class Item, class Result>
class OrderedJobs;

/// What the two multi-threaded mutates share: parameters, pool, resources, drop counting.
class HYX_API MutateMultiThreadBase : public Mutate, public IFrameOrderResetListener {
public:
    ~MutateMultiThreadBase() override;

    /// Resets the dropped count on the reset parameter; then passes the change on.
    void cbiParameterValueChanged(std::shared_ptr<FilterParam> param, const char* value) override;
    /// Forgets every item not handed out yet.
    void OnFrameOrderReset() override;

protected:
    /// The names of the four parameters, in list order.
    struct ParamNames {
        const char* threadsCount;
        const char* dropWhenOccupied;
        const char* droppedCount;
        const char* resetDroppedCounter;
    };

    /// offerInputProfiles goes to Transform; threadName is what the workers call themselves.
    MutateMultiThreadBase(bool offerInputProfiles, const ParamNames& names, const char* threadName);

    /// Transform's parameters, then the four of this class (created once).
    HyxErrorCode onInitializeParams(Filter* upstream) override;
    HyxErrorCode onPlay() override;
    HyxErrorCode onStop() override;
    /// The upstream filter's aggregated output profile.
    std::shared_ptr<Profile> onGenerateOutputProfile(Filter* upstream, std::shared_ptr<Profile> inputProfile) override;

    /// A resource for worker workerIndex; null by default.
    virtual void* AllocateThreadResource(unsigned workerIndex);
    /// Releases what AllocateThreadResource returned; nothing by default.
    virtual void ReleaseThreadResource(void* threadResource);

    /// Adds one to the dropped count.
    void countDrop();
    WorkerPool& workers() { return *_workers; }
    const WorkerPool& workers() const { return *_workers; }

    std::shared_ptr<FilterParamUInt32> _threadsCountParam;
    std::shared_ptr<FilterParamBool> _dropParam;
    std::shared_ptr<FilterParamInt64> _droppedCountParam;
    std::shared_ptr<FilterParamCallback> _resetDroppedParam;

private:
    /// Forgets every item not handed out yet (reset and stop).
    virtual void forgetItems() = 0;

    const ParamNames _names;
    std::unique_ptr<WorkerPool> _workers;
};

class HYX_API MutateAtomMultiThread : public MutateMultiThreadBase {
public:
    static constexpr const char* THREADS_COUNT_PARAMNAME = "Threads count";
    static constexpr const char* DROP_ATOMS_WHEN_OCCUPIED_PARAMNAME = "Drop atoms when occupied";
    static constexpr const char* DROPPED_ATOMS_COUNT_PARAMNAME = "Dropped atoms count";
    static constexpr const char* RESET_DROPPED_ATOMS_COUNTER_PARAMNAME = "Reset dropped atoms counter";

    /// offerInputProfiles goes to Transform ("Input Profile" offered).
    explicit MutateAtomMultiThread(bool offerInputProfiles = true);
    ~MutateAtomMultiThread() override;

    /// Input empty, nothing submitted, in work or waiting to be handed out.
    bool IsDone() const override;

protected:
    /// Hands out the finished results the output has room for.
    HyxErrorCode onPostUpdate() override;
    /// Hands out the oldest finished result (0) or nothing (1), then submits a shallow copy
    /// of the input atom.
    HyxErrorCode onCreateFrame(std::shared_ptr<Atom> input, std::shared_ptr<Atom>& output) override;

    /// The work, on a pool worker; an empty result emits nothing for that atom.
    virtual std::shared_ptr<Atom> onProcessAtom(void* threadResource, std::shared_ptr<Atom> atom) = 0;

private:
    void forgetItems() override;

    std::unique_ptr<OrderedJobs<std::shared_ptr<Atom>, std::shared_ptr<Atom>>> _jobs;
};

class HYX_API MutateFrameMultiThread : public MutateMultiThreadBase {
public:
    /// The atoms of one frame, in arrival order.
    using Frame = std::vector<std::shared_ptr<Atom>>;

    static constexpr const char* THREADS_COUNT_PARAMNAME = "Threads count";
    static constexpr const char* DROP_FRAMES_WHEN_OCCUPIED_PARAMNAME = "Drop frames when occupied";
    static constexpr const char* DROPPED_FRAMES_COUNT_PARAMNAME = "Dropped frames count";
    static constexpr const char* RESET_DROPPED_FRAMES_COUNTER_PARAMNAME = "Reset dropped frames counter";

    /// offerInputProfiles goes to Transform ("Input Profile" offered).
    explicit MutateFrameMultiThread(bool offerInputProfiles = true);
    ~MutateFrameMultiThread() override;

    /// Input empty, no partial frame, nothing submitted, in work or waiting to be emitted.
    bool IsDone() const override;

protected:
    /// Emits the finished atoms the output has room for.
    HyxErrorCode onPostUpdate() override;
    /// Emits one finished atom (0) or nothing (1), then adds the input atom to the frame
    /// being built and submits the frame once it is complete.
    HyxErrorCode onCreateFrame(std::shared_ptr<Atom> input, std::shared_ptr<Atom>& output) override;

    /// The work, on a pool worker: any number of atoms for the frame (empty ones are not
    /// emitted).
    virtual std::vector<std::shared_ptr<Atom>> onProcessFrameAtoms(void* threadResource, Frame& frame) = 0;

private:
    void forgetItems() override;
    /// Moves the atoms of every finished frame, in order, to the output atom queue.
    void drainFinished();

    std::unique_ptr<OrderedJobs<std::shared_ptr<Frame>, Frame>> _jobs;
    // The frame being built and the atoms waiting to be emitted: the updating thread and a
    // frame-order reset on another thread both touch them.
    mutable std::mutex _frameMutex;
    std::shared_ptr<Frame> _currentFrame;
    std::deque<std::shared_ptr<Atom>> _outputAtoms;
};

} // namespace Hyx
