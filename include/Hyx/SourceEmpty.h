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
//   larger id is logged once per initialisation), frame = the frame asked for, timestamp =
//   the system time in 100 ns units since 1970 (UTC). Every atom shares the one
//   stream-information layer made at initialisation.
// - Frame numbers run from 0 to 4194303 (the 22 bits of an atom's id). The realtime order
//   counts on past them; the source refuses the frame past them rather than give it the id
//   of a frame before it: that update, and each one after it, fails with code 4 and "Frame
//   <n> refused - frame numbers run from 0 to 4194303" (an asynchronous graph's run ends
//   so: Error, then Stopped). A run whose order starts again (Play(Realtime)) numbers from
//   the order's start, 0 for the order the graph makes.
// - Runs only under the automatic frame order in realtime mode (25 otherwise). It does no
//   pacing: the rate is that of whoever updates the graph.

#include <Hyx/Export.h>
#include <Hyx/Source.h>

#include <cstdint>
#include <memory>

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
    /// The stream information made at initialisation; empty outside it.
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
    std::shared_ptr<DataTypeStreamInfo> _streamInfo;
    std::shared_ptr<FilterParamFloat> _framerateParam;
};

/// A new filter, owned by the caller.
HYX_API Filter* SourceEmptySourceFilterCreator();

} // namespace Hyx
