#pragma once

// A source of frames that hold nothing but the stream information, so a graph runs its
// transforms and targets at a set rate without captured data.
//
// Contract:
// - "Framerate" (default 1.0, range 0.01 .. 10000) gives the published rate, clamped into
//   that range as the filter is initialised: above 10000 (also "inf") publishes 10000,
//   below 0.01 (also a negative rate, "-inf" or "nan") publishes 0.01. The parameter itself
//   is not clamped and reads back as set ("1e+09", "inf"). The published frame count is
//   0xFFFFFFFF (endless). The host name is the default name of
//   the host id (DataTypeStreamInfo's defaults).
// - Each update emits one atom: stream id = the host id of HostSettings cut to 6 bits (a
//   larger id is logged once per initialisation), frame = the frame asked for cut to 22
//   bits, timestamp = the system time in 100 ns units since 1970 (UTC). Every atom shares
//   the one stream-information layer made at initialisation.
// - The stream is endless, but an atom's id holds frame numbers 0 to 4194303: the realtime
//   order counts on past them, and the frame after 4194303 is numbered 0 again (4194304
//   gives 0, 4194305 gives 1, and so on; about 38.8 hours at 30 frames a second). A run
//   longer than that repeats ids: a host that keeps or writes frames by id (a take's writer
//   refuses a frame its stream already holds) ends the run first, or numbers them itself.
// - Runs only under the automatic frame order in realtime mode (25 otherwise). It does no
//   pacing: the rate is that of whoever updates the graph.

#include <Hyx/Export.h>
#include <Hyx/Source.h>

#include <cstdint>
#include <memory>
#include <mutex>

namespace Hyx {

class DataTypeStreamInfo;
class FilterParamFloat;
class Profile;

class HYX_API SourceEmptySource : public Source {
public:
    static constexpr const char* FRAMERATE_PARAMNAME = "Framerate";

    SourceEmptySource();
    ~SourceEmptySource() override;

    static VornCommon::Guid TheTypeGuid();
    static FilterClassInfo TheFilterClassInfo();
    VornCommon::Guid TypeGuid() const override;
    FilterClassInfo GetFilterClassInfo() const override;

    /// One data profile: (TALO, stream information).
    std::shared_ptr<Profile> GetOutputProfile() override;
    /// Same as GetOutputProfile.
    std::shared_ptr<Profile> GetAggregatedOutputProfile() override;
    /// The stream information made at initialisation; empty outside it. Safe from any thread,
    /// also while the source is initialised or reset.
    std::shared_ptr<DataTypeStreamInfo> GetStreamInfo() override;

protected:
    /// Creates "Framerate" once and lists it.
    HyxErrorCode onInitializeParams(Filter* upstream) override;
    /// Makes the stream information from "Framerate" and the host id.
    HyxErrorCode onInitialize(Filter* upstream) override;
    /// Drops the stream information.
    HyxErrorCode onDeInitialize() override;
    /// 25 unless the graph's frame order is automatic and realtime.
    HyxErrorCode onPlay() override;
    /// One atom for the frame into the output queue.
    HyxErrorCode pushDataToOutput(unsigned frameId) override;

private:
    const std::shared_ptr<Profile> _outputProfile;
    mutable std::mutex _infoMutex; // the stream information's pointer, for readers beside a reset
    std::shared_ptr<DataTypeStreamInfo> _streamInfo;
    std::shared_ptr<FilterParamFloat> _framerateParam;
};

/// A new filter, owned by the caller.
HYX_API Filter* SourceEmptySourceFilterCreator();

} // namespace Hyx
