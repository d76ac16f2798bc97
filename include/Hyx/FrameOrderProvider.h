#pragma once

// Frame-order providers: which frame a graph's source emits next.
//
// Contract shared by every provider and the source that drives it:
// - the provider's current frame is the frame last handed out (FrameOrderAuto takes one that
//   Realtime counted past its range into the range when the walk leaves Realtime);
//   AdvanceFrameID moves it on;
// - after Reset or JumpToFrameID the provider stands where one AdvanceFrameID brings it onto
//   the first frame to emit, and the reset listener is told;
// - the source advances before it reads whenever playback has just started or its previous
//   frame was handed on; a frame it could not hand on is asked for again (HasCurrentFrameID);
// - every operation may be called from a host thread while the graph's thread advances: the
//   state is guarded by the provider's mutex, and the listener is told outside that mutex.

#include <Hyx/Export.h>

#include <cstdint>
#include <deque>
#include <mutex>

namespace Hyx {

/// Told whenever a frame order jumps or restarts.
class HYX_API IFrameOrderResetListener {
public:
    IFrameOrderResetListener() = default;
    virtual ~IFrameOrderResetListener();
    virtual void OnFrameOrderReset() = 0;
};

/// Walks of the automatic frame order. Values outside this list stand still on one frame.
enum class PlaybackMode : int32_t {
    ForwardOnce = 0,
    ForwardLoop = 1,
    BackwardOnce = 2,
    BackwardLoop = 3,
    Pingpong = 4,
    PingpongInverse = 5,
    Realtime = 255,
};

/// What a source's per-frame step (FrameOrderProvider::TakeFrame) found.
struct FrameTake {
    enum class Outcome : int32_t {
        /// `frame` is the frame to emit; `progress` what the source reports once it is handed on.
        Frame,
        /// An advance was due and there is no next frame.
        NoNextFrame,
        /// An advance was possible but the output is full: nothing moved.
        Blocked,
        /// After the step there is no current frame (the order was emptied meanwhile).
        NoCurrentFrame,
    };
    Outcome outcome = Outcome::NoNextFrame;
    /// The provider was advanced.
    bool advanced = false;
    uint32_t frame = 0;
    float progress = 0.0f;
};

/// Abstract provider. Holds one reset listener, not owned.
class HYX_API FrameOrderProvider {
public:
    FrameOrderProvider() = default;
    virtual ~FrameOrderProvider();
    FrameOrderProvider(const FrameOrderProvider&) = delete;
    FrameOrderProvider& operator=(const FrameOrderProvider&) = delete;

    /// Makes `frameId` the frame that the next advance moves to, and tells the listener.
    virtual void JumpToFrameID(uint32_t frameId) = 0;
    /// True while the walk goes on: a source emits nothing once it is false (see
    /// FrameOrderAuto for the one walks that end).
    virtual bool HasNextFrameID() const = 0;
    /// The current frame (see the contract above).
    virtual uint32_t GetFrameID() const = 0;
    /// Moves to the next frame.
    virtual void AdvanceFrameID() = 0;
    /// Back to the start of the walk; tells the listener.
    virtual void Reset() = 0;
    /// The negation of HasNextFrameID.
    virtual bool IsDone() const;
    /// True when GetProgress means something; false here.
    virtual bool CanReportProgress() const;
    /// Progress of the walk in 0..1; 0 here.
    virtual float GetProgress() const;
    /// True when GetFrameID names a frame that may be asked for again; true here.
    virtual bool HasCurrentFrameID() const;
    /// A source's questions for one frame as one step: an advance is due when
    /// `advancePending` is set or there is no current frame; a due advance without a next
    /// frame gives NoNextFrame; otherwise `outputFull` gives Blocked; otherwise the provider
    /// advances when due and reports the current frame, with the progress (GetProgress when
    /// CanReportProgress, else 1 when done, else 0). Composed of the queries above here; the
    /// built-in providers answer under one lock.
    virtual FrameTake TakeFrame(bool advancePending, bool outputFull);

    /// Replaces the reset listener (null for none).
    void SetFrameOrderResetListener(IFrameOrderResetListener* listener);

protected:
    /// Tells the listener, if any. Call without holding the provider's own state lock.
    void notifyReset() const;

private:
    mutable std::mutex _listenerMutex;
    IFrameOrderResetListener* _listener = nullptr;
};

/// Walks the contiguous range first .. first + rangeSize - 1 in a playback mode; a range of
/// 0 frames has no frame at all.
///
/// Only the two "once" modes end, and their end is read from the current frame alone:
/// HasNextFrameID is false exactly while the current frame is the walk's last (the range's
/// last forward, its first backward; in a one-frame range, from the advance that handed its
/// frame out until Reset or SetPlaybackMode with reset). After the end a JumpToFrameID moves
/// the next frame and tells the listener (a one-frame range ignores it) but leaves the
/// current frame, so a source, which advances only while HasNextFrameID is true, plays
/// nothing more: a seek after the end is lost to a graph. A direct AdvanceFrameID still moves
/// onto the jumped frame, and the walk goes on from it to its end (ForwardOnce over 10..14:
/// jump to 12, advance, then 13, 14). A host seeking there calls Reset, then JumpToFrameID,
/// before its next Update. (An AsyncGraph stops at the end of such a walk;
/// its Play resets the walk to the start, so a jump made before it is lost as well, and one
/// made after it lands at the next advance, after whatever frames the worker emitted
/// meanwhile.) The range must not cross 0xFFFFFFFF (first + rangeSize - 1
/// at most 0xFFFFFFFF): frames are compared as plain unsigned values, so a range that
/// crosses it gives no frame in the two "once" modes, goes back and forth between
/// 0xFFFFFFFF and 0 in the two pingpong modes, and a jump to any of its frames lands on its
/// first or its last frame.
class HYX_API FrameOrderAuto : public FrameOrderProvider {
public:
    explicit FrameOrderAuto(uint32_t first = 0, uint32_t rangeSize = 4294967295u);

    /// Stores the mode; with `reset`, moves to the mode's start position. Always tells the
    /// listener. Without `reset` the walk goes on from where it stands; where Realtime has
    /// counted past the range, a loop mode goes on as if the count had looped and any other
    /// mode as if the walk stood on the range's last frame (ForwardOnce is then done).
    void SetPlaybackMode(PlaybackMode mode, bool reset);
    PlaybackMode GetPlaybackMode() const;
    uint32_t GetFirstFrameID() const;
    uint32_t GetRangeSize() const;

    /// Sets the next frame to `frameId` clamped into the range and tells the listener; a
    /// range of one frame (or none) ignores it and tells nobody. The current frame stays, so
    /// HasNextFrameID does not change (see above for a "once" walk that has ended).
    void JumpToFrameID(uint32_t frameId) override;
    /// ForwardOnce: the current frame is before the range's last (one frame: not yet handed
    /// out); BackwardOnce: after the range's first; other modes: always (a range of 0
    /// frames: never). A pending jump is not looked at.
    bool HasNextFrameID() const override;
    uint32_t GetFrameID() const override;
    void AdvanceFrameID() override;
    void Reset() override;
    bool CanReportProgress() const override;
    float GetProgress() const override;
    bool HasCurrentFrameID() const override;
    FrameTake TakeFrame(bool advancePending, bool outputFull) override;

private:
    friend class Graph; // gives a walk leaving Realtime the source's frames

    uint32_t last() const { return _first + _rangeSize - 1; }
    void moveToStart();
    // Outside Realtime, a current frame past the range is taken into it (see SetPlaybackMode).
    void bringIntoRange();
    // A new range, the position taken into it as above.
    void rangeOver(uint32_t first, uint32_t rangeSize);
    // The queries above, with the lock held.
    bool hasNextLocked() const;
    void advanceLocked();
    float progressLocked() const;

    mutable std::mutex _mutex;
    int32_t _mode = 0;
    uint32_t _first;
    uint32_t _rangeSize;
    uint32_t _current;
    uint32_t _next;
    bool _done = false;
};

/// Hands out the frame numbers the host queues, first in, first out; each exactly once.
class HYX_API FrameOrderManual : public FrameOrderProvider {
public:
    FrameOrderManual() = default;

    /// Queues a frame number behind the others.
    void PushBackNextFrameID(uint32_t frameId);

    /// Empties the queue (telling the listener), then queues `frameId`.
    void JumpToFrameID(uint32_t frameId) override;
    /// True while the queue holds a frame number.
    bool HasNextFrameID() const override;
    /// The frame last handed out, 0 when there is none.
    uint32_t GetFrameID() const override;
    /// Takes the front of the queue as the current frame; nothing happens on an empty queue.
    void AdvanceFrameID() override;
    /// Empties the queue and forgets the current frame; tells the listener.
    void Reset() override;
    /// True once a frame was taken from the queue and no reset came since.
    bool HasCurrentFrameID() const override;
    FrameTake TakeFrame(bool advancePending, bool outputFull) override;

private:
    mutable std::mutex _mutex;
    std::deque<uint32_t> _queue;
    uint32_t _current = 0;
    bool _hasCurrent = false;
};

} // namespace Hyx
