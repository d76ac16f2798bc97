#pragma once

// Block mutates: they decouple the rate at which frames leave a filter from the rate at
// which they arrive. Incoming atoms are grouped into frames (the next GetInputNumStreams
// atoms in arrival order, shallow copies), kept in a bounded buffer of "Buffer size" frames
// (at least 1), and released one frame at a time when the subclass says so; each update
// then pushes at most one released frame downstream.
//
// Contract:
// - MutateBlockManual releases a frame per PullNextProcessedFrame (or per setting of "Pull
//   next processed frame"), from any thread. MutateBlockFPS releases from a worker thread of
//   its own, paced to "Framerate" (the frame-rate codes below).
// - MutateBlockFPS takes every rate above 0 whose period of 1000 / rate ms, truncated, fits
//   in 32 bits, 0 and every negative code. It refuses NaN and the infinities ("Framerate nan
//   is not a number of frames a second", "inf" or "-inf" for an infinity) and a rate whose
//   period does not fit ("Framerate 1e-30 gives a release period past 4294967295 ms"): its
//   play fails with 4 and that text, so the graph's Play fails and nothing starts. A change
//   to such a value while it plays keeps the release period as it was and logs it at level 2
//   ("Filter '#BlockFPS': Framerate nan is not a number of frames a second; the release
//   period stays 40 ms"); the value reads back as set. A code paces nothing while the source
//   announces no rate above 0, or one whose period (for the code's half or double) does not
//   fit.
// - A full buffer with "Drop frames when occupied" drops the new frame, counts it in
//   "Dropped frames count" and logs it at level 4. Without dropping the updating thread
//   waits for a release; the wait also ends on a frame-order reset and when an asynchronous
//   graph is asked to stop or pause (the frame is then kept and buffered first when play
//   goes on), so a graph can always be stopped.
// - A released frame stays until the output queue has room for all of its atoms.
// - A frame-order reset (any thread) empties the buffer, leaving one empty frame whose
//   release emits nothing, and forgets the frame being built and the released atoms.
// - Starting from Connected builds the buffer and resets the count; resuming from Paused
//   keeps frames and count. Stop ends the release, empties everything, count 0.
// - Locks: the released-atoms mutex is taken before the buffer's own.

#include <Hyx/Export.h>
#include <Hyx/FrameOrderProvider.h>
#include <Hyx/Mutate.h>

#include <VornCommon/BlockingBoundedQueue.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace Hyx {

class Atom;
class FilterParamBool;
class FilterParamCallback;
class FilterParamFloat;
class FilterParamInt64;
class FilterParamUInt32;

class HYX_API MutateBlock : public Mutate, public IFrameOrderResetListener {
public:
    /// The atoms of one frame.
    using Frame = std::vector<std::shared_ptr<Atom>>;

    static constexpr const char* BUFFER_SIZE_PARAMNAME = "Buffer size";
    static constexpr const char* DROP_FRAMES_WHEN_FULL_PARAMNAME = "Drop frames when occupied";
    static constexpr const char* DROPPED_FRAMES_COUNT_PARAMNAME = "Dropped frames count";
    static constexpr const char* RESET_DROPPED_FRAMES_COUNTER_PARAMNAME = "Reset dropped frames counter";

    /// Resets the dropped count on "Reset dropped frames counter"; then passes the change on.
    void cbiParameterValueChanged(std::shared_ptr<FilterParam> param, const char* value) override;
    /// Input empty, no frame buffered, waiting or released.
    bool IsDone() const override;
    /// Empties the buffer (leaving one empty frame), the frame being built and the released
    /// atoms.
    void OnFrameOrderReset() override;

protected:
    /// Without the "Input Profile" parameter.
    MutateBlock();
    ~MutateBlock() override;

    /// Transform's parameters, then the four of this class (created once).
    HyxErrorCode onInitializeParams(Filter* upstream) override;
    HyxErrorCode onPlay() override;
    HyxErrorCode onPause() override;
    HyxErrorCode onStop() override;
    /// Buffers frames kept back by a stop request first.
    HyxErrorCode onUpdate() override;
    /// Pushes one released frame downstream.
    HyxErrorCode onPostUpdate() override;
    /// The upstream filter's aggregated output profile.
    std::shared_ptr<Profile> onGenerateOutputProfile(Filter* upstream, std::shared_ptr<Profile> inputProfile) override;
    /// Collects the atom; always 1, never sets the output.
    HyxErrorCode onCreateFrame(std::shared_ptr<Atom> input, std::shared_ptr<Atom>& output) override;

    /// At every play start and resume.
    virtual void onStartRelease() = 0;
    /// At pause.
    virtual void onPauseRelease() = 0;
    /// First thing at stop.
    virtual void onStopRelease() = 0;

    /// Moves the oldest buffered frame to the released atoms (any thread). True when it held
    /// atoms; false when the buffer was empty, the frame was empty or the filter is stopped.
    bool releaseNextFrame();
    /// Waits until a frame is buffered, `stop` is set or the timeout passes; true when a
    /// frame is buffered. Wakes at once when a frame arrives or notifyWaiters is called.
    bool waitForFrame(const std::atomic<bool>& stop, std::chrono::milliseconds timeout);
    /// Wakes every wait of this filter so that it looks at its conditions again.
    void notifyWaiters();

    std::shared_ptr<FilterParamUInt32> _bufferSizeParam;
    std::shared_ptr<FilterParamBool> _dropParam;
    std::shared_ptr<FilterParamInt64> _droppedCountParam;
    std::shared_ptr<FilterParamCallback> _resetDroppedParam;

private:
    enum class BufferChange {
        Create,
        Flush,
        Destroy
    };

    /// Empties the frame being built, the kept frames and the released atoms, and makes a
    /// new buffer of that capacity, flushes the buffer (one empty frame stays) or closes and
    /// destroys it.
    void forgetFrames(BufferChange change, uint32_t capacity = 0);
    /// Buffers the frame or drops it; false when a stop request ended the wait (kept).
    bool submitFrame(Frame frame);
    /// Buffers the kept frames, oldest first; false when they are still kept.
    bool submitKeptFrames();
    enum class Wait {
        Buffered,
        Forgotten,
        GaveUp
    };
    /// Waits for a free slot and buffers the frame. Forgotten: a reset or stop came first;
    /// GaveUp: a stop request ended the wait (the frame is left to the caller).
    Wait pushWaiting(std::unique_lock<std::mutex>& lock, Frame& frame);

    Frame _currentFrame;
    std::unique_ptr<VornCommon::BlockingBoundedQueue<Frame>> _buffer;
    std::deque<std::shared_ptr<Atom>> _releasedAtoms;
    std::deque<Frame> _keptFrames;
    uint64_t _forgets = 0; // resets and stops so far
    // Guards the buffer pointer, the released atoms, the frame being built and the kept
    // frames; every push, pull and flush of the buffer happens under it.
    mutable std::mutex _releasedMutex;
    std::condition_variable _bufferChanged;
};

/// Releases a frame each time the host asks.
class HYX_API MutateBlockManual : public MutateBlock {
public:
    static constexpr const char* MUTATE_BLOCK_MANUAL_PULL_NEXT_PROCESSED_FRAME_PARAMNAME = "Pull next processed frame";

    MutateBlockManual();
    ~MutateBlockManual() override;

    static VornCommon::Guid TheTypeGuid();
    static FilterClassInfo TheFilterClassInfo();
    VornCommon::Guid TypeGuid() const override;
    FilterClassInfo GetFilterClassInfo() const override;

    /// Releases the next buffered frame, if any (any thread).
    void PullNextProcessedFrame();
    /// "Pull next processed frame" set to any text pulls; then the base handles the change.
    void cbiParameterValueChanged(std::shared_ptr<FilterParam> param, const char* value) override;

protected:
    HyxErrorCode onInitializeParams(Filter* upstream) override;
    void onStartRelease() override;
    void onPauseRelease() override;
    void onStopRelease() override;

    std::shared_ptr<FilterParamCallback> _pullParam;
};

/// Releases frames from a worker thread of its own at "Framerate".
class HYX_API MutateBlockFPS : public MutateBlock {
public:
    static constexpr const char* FRAMERATE_PARAMNAME = "Framerate";
    /// No pacing: frames leave as fast as they arrive.
    static constexpr float FPS_MAX = 0.0f;
    /// The source stream's frame rate.
    static constexpr float FPS_FROM_SOURCE = -1.0f;
    /// Half the source stream's frame rate.
    static constexpr float FPS_HALF_FROM_SOURCE = -2.0f;
    /// Twice the source stream's frame rate.
    static constexpr float FPS_DOUBLE_FROM_SOURCE = -3.0f;

    MutateBlockFPS();
    /// Stops and joins a worker that still runs.
    ~MutateBlockFPS() override;

    static VornCommon::Guid TheTypeGuid();
    static FilterClassInfo TheFilterClassInfo();
    VornCommon::Guid TypeGuid() const override;
    FilterClassInfo GetFilterClassInfo() const override;

    /// A new "Framerate" applies from the worker's next release.
    void cbiParameterValueChanged(std::shared_ptr<FilterParam> param, const char* value) override;
    /// The release period in milliseconds (0: none).
    uint32_t GetReleasePeriodMs() const { return _periodMs.load(); }

protected:
    HyxErrorCode onInitializeParams(Filter* upstream) override;
    /// Refuses a "Framerate" that gives no period (see the contract) with 4, before the base
    /// starts anything; otherwise the base's play.
    HyxErrorCode onPlay() override;
    /// Works out the period and starts the worker.
    void onStartRelease() override;
    /// Stops and joins the worker.
    void onPauseRelease() override;
    /// Stops and joins the worker.
    void onStopRelease() override;

    std::shared_ptr<FilterParamFloat> _framerateParam;

private:
    void recomputePeriod();
    void stopWorker();
    void workerLoop();

    std::thread _worker;
    std::atomic<bool> _stop{false};
    std::atomic<uint32_t> _periodMs{0};
    std::mutex _sleepMutex;
    std::condition_variable _sleepWake;
};

/// New filters, owned by the caller.
HYX_API Filter* MutateBlockManualFilterCreator();
HYX_API Filter* MutateBlockFPSFilterCreator();

} // namespace Hyx
