#pragma once

// One stream of captured frames with its own play state; delivers the atom of a frame.
//
// Contract:
// - Play state: NeverPlayed -> Playing <-> Paused, Playing/Paused -> Stopped -> Playing.
//     Play:   from NeverPlayed/Stopped runs onPlay(true), from Paused onPlay(false); a
//             failing (or throwing) onPlay keeps the previous state. From Playing: 43, no hook.
//     Pause:  from Playing runs onPause and ends Paused when it answers 0; a failing (or
//             throwing) onPause leaves it Playing. From Paused 0; from NeverPlayed/Stopped 45
//             (the stream is then marked paused all the same).
//     Stop:   from Playing/Paused runs onStop and ends Stopped when it answers 0; a failing (or
//             throwing) onStop leaves the state as it was, so the next Stop runs it again.
//             Otherwise 0.
//     Update: only while Playing (else 44) runs onUpdate.
// - onUpdate fills the atom of the frame, or leaves it empty when the frame is not there yet.
// - A stream must be stopped (or never played) before it is destroyed; otherwise the
//   destructor logs "Stream '<id>' not stopped!" (it never throws).
// - Driven by the thread that updates the graph; the play state may be read from others.

#include <Hyx/Export.h>
#include <Hyx/HyxErrorCode.h>

#include <atomic>
#include <cstdint>
#include <memory>

namespace Hyx {

class Atom;
class DataTypeStreamInfo;
class Profile;

class HYX_API Stream : public std::enable_shared_from_this<Stream> {
public:
    enum class PlayState : int32_t {
        NeverPlayed = 0,
        Playing = 1,
        Paused = 2,
        Stopped = 3
    };

    virtual ~Stream();
    Stream(const Stream&) = delete;
    Stream& operator=(const Stream&) = delete;

    /// The stream's frame rate, frame count and capture host.
    virtual std::shared_ptr<DataTypeStreamInfo> GetStreamInfo() = 0;
    /// The layers of the stream's atoms.
    virtual std::shared_ptr<Profile> GetOutputProfile() = 0;

    HyxErrorCode Play();
    HyxErrorCode Pause();
    HyxErrorCode Stop();
    /// The atom of a frame (empty when it is not available yet); 44 unless playing.
    HyxErrorCode Update(unsigned frameId, std::shared_ptr<Atom>& atom);

    PlayState GetPlayState() const { return _playState.load(); }
    bool IsPlaying() const { return GetPlayState() == PlayState::Playing; }
    unsigned short GetStreamId() const { return _streamId; }
    void SetStreamId(unsigned short streamId) { _streamId = streamId; }
    uint64_t GetTimeStamp() const { return _timeStamp; }

    /// frame * 1e9 / fps in double precision, truncated; 0 for an fps that is not positive.
    static uint64_t GetTimeInNanoSecondsForFrame(float fps, unsigned frame);

protected:
    explicit Stream(unsigned short streamId);

    /// Starts the stream; firstStart is false when it resumes from Paused. 0 by default.
    virtual HyxErrorCode onPlay(bool firstStart);
    virtual HyxErrorCode onPause();
    virtual HyxErrorCode onStop();
    /// Fills atom with the frame's atom, or leaves it empty.
    virtual HyxErrorCode onUpdate(unsigned frameId, std::shared_ptr<Atom>& atom) = 0;

    /// Written by the subclass.
    uint64_t _timeStamp = 0;

private:
    unsigned short _streamId;
    std::atomic<PlayState> _playState{PlayState::NeverPlayed};
};

} // namespace Hyx
