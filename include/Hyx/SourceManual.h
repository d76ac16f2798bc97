#pragma once

// Sources fed by the host: it declares once what a frame looks like (a template atom, the
// number of streams and a frame rate), then pushes frames, one atom per stream.
//
// Contract:
// - ClearCacheAndReinitializeProperties only before the filter joins a graph (state 0 or
//   1). The template must carry a stream-information layer, the stream count must be at
//   least 1 and the rate one the graph's own rate calls take: NaN and the infinities are
//   refused ("Properties rejected - nan is not a number of frames a second"), and so is a
//   rate above 0 whose frame period of 1000 / rate ms does not fit in 32 bits ("Properties
//   rejected - 1e-30 gives a frame period past 4294967295 ms"); 0 and every other finite
//   rate are taken. A refused declaration keeps the old one. The declared output profile is the
//   template's generated profile; the published stream information is a copy of the
//   template's last one with the given rate and the frame count 0xFFFFFFFF (live) or the
//   number of frames collected (offline, set at initialisation).
// - PushFrame checks everything before it changes anything: the frame has the declared
//   number of atoms, and each atom's profile and the declared one describe each other.
//   Accepted atoms are queued as copies that share the host's layers, with every
//   stream-information layer replaced by one new copy of the declared one, put last.
//   An atom whose identity word is not a frame's (a frame number past 22 bits packed into a
//   word by hand spills into the type bits) is refused: "Frame rejected - an atom's identity
//   word is not a frame's: frame numbers run from 0 to 4194303 and stream ids from 0 to 63".
// - A refusal returns false and replaces the filter's error text with the message alone.
// - Frame numbers run from 0 to 4194303 (22 bits). With renumbering, a push that would need a
//   number past them is refused, and the frames taken before stay: "Frame rejected - frame
//   numbers run from 0 to 4194303, and the source has numbered 4194304 frames" (live: once its
//   counter has given 4194303; offline: once the collection holds 4194304 frames). Without
//   renumbering a frame keeps the number its atoms carry (the atom constructor has cut it to
//   22 bits).
// - Live: frames leave oldest first, one whole frame per update, whatever frame the graph
//   asks for; with renumbering they are numbered by a counter from 0. Runs only under the
//   automatic frame order in realtime mode (25 otherwise). A frame leaves only when the
//   output has room for all its atoms (21 otherwise, the frame stays queued); a push that
//   still fails part way drops the rest of that frame (logged), so later frames stay whole.
// - Offline: frame f emits the f-th frame pushed, any number of times; with renumbering its
//   atoms carry f. Once in a graph the collection is frozen: pushes, clearing and a new
//   declaration are refused from the step in which initialisation counts the frames, so a
//   push either counts or is refused; out of the graph again, it opens. A frame id outside
//   the collection fails with 4. A frame leaves only when the output has room for all its
//   atoms (21 otherwise). Every walk of the frame order plays but realtime, which counts
//   past the last frame: playing in it fails with 25 ("Manual offline source cannot run in
//   'realtime' mode: its 3 frames would run out").
// - Both: before a frame is looked at, an output queue without a single free slot fails
//   the update with 4 ("Source::Update failed."), as for every source; the graph's update
//   then fails at the source and updates no later filter in that pass. So once a filter
//   further down lets the source's queue fill (one that holds frames back, such as a block
//   mutate nobody releases), every later Update of a graph the host drives fails the same
//   way and nothing drains the queue; an AsyncGraph's worker ends its run at the first
//   such failure. The host then stops the graph and plays it again: a new run starts from
//   empty queues (the atoms in them are lost; frames still in the live source's queue, and
//   the offline collection, stay). It avoids this by letting no filter hold back more than
//   a queue's 1000 atoms.
// - Initialising in a graph without a declaration fails with 8.
// - Threads: host threads may push and clear while the graph's thread pulls; one mutex per
//   source serialises all of it.

#include <Hyx/Export.h>
#include <Hyx/Source.h>

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

namespace Hyx {

class Atom;
class DataTypeStreamInfo;
class Profile;

/// Emits the frames the host pushes while the graph plays, oldest first.
class HYX_API SourceManualLiveSource : public Source {
public:
    SourceManualLiveSource();
    ~SourceManualLiveSource() override;

    static VornCommon::Guid TheTypeGuid();
    static FilterClassInfo TheFilterClassInfo();
    VornCommon::Guid TypeGuid() const override;
    FilterClassInfo GetFilterClassInfo() const override;

    /// Declares the frames to come (see the contract); empties the queue and restarts the
    /// counter. False, with the reason as error text, when refused.
    bool ClearCacheAndReinitializeProperties(std::shared_ptr<Atom> templateAtom, unsigned numStreams, float fps,
                                             bool renumberFrames);
    /// True once a declaration was accepted.
    bool PropertiesAreInitialized() const;
    /// Empties the queue. With rewindFrameCounter (and renumbering) the next frame pushed
    /// takes the number of the oldest frame dropped.
    void ClearCache(bool rewindFrameCounter);
    /// Checks and queues one frame; false, with the reason as error text, when refused.
    bool PushFrame(std::vector<std::shared_ptr<Atom>> frame);

    /// A copy of the declared profile; empty before a declaration.
    std::shared_ptr<Profile> GetOutputProfile() override;
    /// Same as GetOutputProfile.
    std::shared_ptr<Profile> GetAggregatedOutputProfile() override;
    /// The declared number of streams.
    int GetOutputNumStreams() const override;
    /// The declared stream information; empty before a declaration.
    std::shared_ptr<DataTypeStreamInfo> GetStreamInfo() override;

protected:
    /// 8 without a declaration.
    HyxErrorCode onInitialize(Filter* upstream) override;
    /// 25 unless the graph's frame order is automatic and realtime.
    HyxErrorCode onPlay() override;
    /// The oldest queued frame into the output queue; 1 while none is queued.
    HyxErrorCode pushDataToOutput(unsigned frameId) override;

private:
    void clearQueue(bool rewindFrameCounter);

    std::shared_ptr<Profile> _declaredOutputProfile;
    std::shared_ptr<DataTypeStreamInfo> _declaredStreamInfo;
    uint32_t _declaredNumStreams = 0;
    bool _renumberFrames = true;
    uint32_t _frameCounter = 0;
    std::deque<std::shared_ptr<Atom>> _atomsQueue;
    mutable std::mutex _mutex;
};

/// Plays back a collection of frames the host pushed before the graph was built.
class HYX_API SourceManualOfflineSource : public Source {
public:
    SourceManualOfflineSource();
    ~SourceManualOfflineSource() override;

    static VornCommon::Guid TheTypeGuid();
    static FilterClassInfo TheFilterClassInfo();
    VornCommon::Guid TypeGuid() const override;
    FilterClassInfo GetFilterClassInfo() const override;

    /// Declares the frames to come (see the contract) and empties the collection. False,
    /// with the reason as error text, when refused.
    bool ClearCacheAndReinitializeProperties(std::shared_ptr<Atom> templateAtom, unsigned numStreams, float fps,
                                             bool renumberFrames);
    /// True once a declaration was accepted.
    bool PropertiesAreInitialized() const;
    /// Empties the collection; false (error text set) once the filter is in a graph.
    bool ClearCache();
    /// Checks and collects one frame; false, with the reason as error text, when refused.
    bool PushFrame(std::vector<std::shared_ptr<Atom>> frame);

    /// A copy of the declared profile; empty before a declaration.
    std::shared_ptr<Profile> GetOutputProfile() override;
    /// Same as GetOutputProfile.
    std::shared_ptr<Profile> GetAggregatedOutputProfile() override;
    /// The declared number of streams.
    int GetOutputNumStreams() const override;
    /// The declared stream information; empty before a declaration.
    std::shared_ptr<DataTypeStreamInfo> GetStreamInfo() override;

protected:
    /// 8 without a declaration; otherwise fixes the frame count (and the frame numbers when
    /// renumbering) of the collection and, in the same locked step, freezes it: from then on
    /// pushes, clearing and a new declaration are refused.
    HyxErrorCode onInitialize(Filter* upstream) override;
    /// Lifts the freeze; the collection opens again once the filter is back outside a graph.
    HyxErrorCode onDeInitialize() override;
    /// Refuses the realtime walk (25), whose frame numbers go past the collection.
    HyxErrorCode onPlay() override;
    /// The atoms of frame frameId into the output queue; 1 while the collection is empty,
    /// 4 for a frame id outside it.
    HyxErrorCode pushDataToOutput(unsigned frameId) override;

private:
    /// True while pushes, clearing and a new declaration are accepted; caller holds the mutex.
    bool collectionOpen() const;

    std::shared_ptr<Profile> _declaredOutputProfile;
    std::shared_ptr<DataTypeStreamInfo> _declaredStreamInfo;
    uint32_t _declaredNumStreams = 0;
    bool _renumberFrames = true;
    std::vector<std::shared_ptr<Atom>> _atoms;
    // Set when initialisation fixed the frame count, cleared by de-initialisation.
    bool _frozen = false;
    mutable std::mutex _mutex;
};

/// New filters, owned by the caller.
HYX_API Filter* SourceManualLiveSourceFilterCreator();
HYX_API Filter* SourceManualOfflineSourceFilterCreator();

} // namespace Hyx
