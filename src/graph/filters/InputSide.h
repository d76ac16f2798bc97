#pragma once

// What transforms, mutates and targets share about their input side: the check of the
// upstream offer when the input is connected and the per-frame gate.

#include <Hyx/Connection.h>
#include <Hyx/Filter.h>
#include <Hyx/HyxErrorCode.h>

#include <memory>
#include <string>

namespace Hyx {

class Profile;

/// Outcome of checking the upstream offer against an input profile. On failure `code` is
/// the code to report, with `info` as extra information when `hasInfo` is set.
struct InputOfferCheck {
    HyxErrorCode code = HyxErrorCode::Success;
    bool hasInfo = false;
    std::string info;
    std::shared_ptr<Filter> upstream;
    std::shared_ptr<Profile> upstreamAggregate;
};

/// In order: an input profile is set (24), the connection has an input filter (22), which
/// offers an aggregated output profile (31) that is fully specified (41) and fulfils the
/// input profile (42, with the fulfils-error text).
InputOfferCheck CheckInputOffer(const std::shared_ptr<Profile>& inputProfile,
                                const std::weak_ptr<Connection>& connection);

/// The number of atoms to handle in one update: the input's pending count when every one of
/// them fits into the output at once, else 0 (nothing is pulled). Inline: every update of a
/// filter with an output asks it.
inline int GateCount(const Connection& input, const Connection& output)
{
    const int pending = input.NumPendingData();
    if (pending <= 0) {
        return 0;
    }
    const int empty = output.NumEmptySlots();
    return empty > 0 && empty >= pending ? pending : 0;
}

/// Playing or paused. A filter stopped from inside its own update (a stop asked by its step
/// or by a listener) only drains the atoms it still pulls: they belong to the run that ended.
inline bool IsRunning(const Filter& filter)
{
    const Filter::FilterState state = filter.GetFilterState();
    return state == Filter::FilterState::Playing || state == Filter::FilterState::Paused;
}

/// True for a code that is a failure (above 1).
inline bool IsFailure(HyxErrorCode code)
{
    return static_cast<uint32_t>(code) > static_cast<uint32_t>(HyxErrorCode::NoDataAvailable);
}

} // namespace Hyx
