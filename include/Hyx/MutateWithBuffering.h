#pragma once

// Mutate base for filters that need a whole stretch of the stream before they can produce
// anything: it collects the atoms whose running number lies in "Start Frame" .. "End Frame",
// lets the subclass process the buffer once, then releases the buffered atoms downstream,
// one per update. After one cycle it ignores further input and reports itself done.
//
// Contract:
// - Atoms are counted from the start of play (atoms, not frames: with 2 streams "Start
//   Frame" 10 skips the first 10 atoms). The buffer is complete when the count reaches the
//   expected number of atoms (input streams x frames of the first stream-information layer
//   seen, or x setFrameCount), when it reaches "End Frame", or when the input has ended
//   (input queue empty and every upstream filter done) before either.
// - onCollectFrame sees every atom in range first: 1 skips it, a failure code ends the
//   update with it. onProcessBuffer then works on the buffer in place; its result is held
//   until the last atom has left and then returned from that update (also when the buffer
//   is empty).
// - An atom the output queue cannot take stays and is released in a later update.
// - Pause and resume keep the collection and the release; a new start from Connected (and
//   Stop) begins afresh.
// - Runs on the graph's updating thread only; no locks.

#include <Hyx/Export.h>
#include <Hyx/Mutate.h>

#include <cstdint>
#include <memory>
#include <vector>

namespace Hyx {

class Atom;
class FilterParamInt32;

class HYX_API MutateWithBuffering : public Mutate {
public:
    /// offerInputProfiles goes to Transform ("Input Profile" offered).
    explicit MutateWithBuffering(bool offerInputProfiles);
    ~MutateWithBuffering() override;

    /// False while collecting or releasing.
    bool IsDone() const override;

protected:
    /// Transform's parameters (forgetting setFrameCount), then "Start Frame" and "End Frame".
    HyxErrorCode onInitializeParams(Filter* upstream) override;
    /// From Connected: a new, empty collection.
    HyxErrorCode onPlay() override;
    HyxErrorCode onStop() override;
    /// Releases the next buffered atom; the processing result with the last one.
    HyxErrorCode onPostUpdate() override;
    /// Counts and collects the atom; always 1 unless onCollectFrame fails.
    HyxErrorCode onCreateFrame(std::shared_ptr<Atom> input, std::shared_ptr<Atom>& output) override;

    /// Looks at (and may refuse, with 1) an atom before it is buffered; 0 by default.
    virtual HyxErrorCode onCollectFrame(std::shared_ptr<Atom> atom);
    /// Processes the complete buffer in place (getBuffer).
    virtual HyxErrorCode onProcessBuffer() = 0;

    /// The number of frames the buffer waits for, in place of the stream information's;
    /// call it after the base's onInitializeParams.
    void setFrameCount(int frameCount);
    /// The collected atoms, in arrival order; the subclass may change them in onProcessBuffer.
    std::vector<std::shared_ptr<Atom>>& getBuffer() { return _buffer; }

    std::shared_ptr<FilterParamInt32> _startFrameParam;
    std::shared_ptr<FilterParamInt32> _endFrameParam;

private:
    enum class Phase {
        Collecting,
        Releasing,
        Done
    };

    void completeBuffer();
    bool inputHasEnded() const;

    std::vector<std::shared_ptr<Atom>> _buffer;
    HyxErrorCode _processResult = HyxErrorCode::NoDataAvailable;
    Phase _phase = Phase::Done;
    int64_t _expectedAtoms = -1;
    int64_t _atomCounter = 0;
    size_t _releaseIndex = 0;
    bool _frameCountSet = false;
    int _frameCount = 0;
};

} // namespace Hyx
