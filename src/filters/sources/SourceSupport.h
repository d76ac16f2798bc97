#pragma once

// What the host-driven sources share: the declaration made from a template atom, the check
// of a pushed frame against it, the copy that is queued for a pushed atom, and the test for
// the realtime frame order that the endless sources need.

#include <Hyx/HyxErrorCode.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Hyx {

class Atom;
class DataTypeStreamInfo;
class Graph;
class Profile;

namespace SourceSupport {

/// What a manual source publishes.
struct Declaration {
    std::shared_ptr<Profile> profile;
    std::shared_ptr<DataTypeStreamInfo> streamInfo;
};

/// The declaration for a template atom: its profile, and a copy of its last stream
/// information with that rate and frame count. Empty, with the reason in `error`, when the
/// template is missing, has no stream information, numStreams is 0 or the rate is no number
/// (NaN, an infinity).
Declaration Declare(const std::shared_ptr<Atom>& templateAtom, unsigned numStreams, float fps, uint32_t numFrames,
                    std::string& error);

/// The rejection of a frame the source would have to number past the identity word's 22 bits.
inline constexpr const char* PAST_LAST_FRAME_NUMBER =
    "Frame rejected - frame numbers run from 0 to 4194303, and the source has numbered 4194304 frames";

/// Null when the frame fits the declaration, else the rejection text. An atom whose identity
/// word is not a frame's (a frame number past 22 bits packed into the word) is refused too.
const char* CheckFrame(const std::vector<std::shared_ptr<Atom>>& frame, const std::shared_ptr<Profile>& declared,
                       uint32_t numStreams);

/// The copy queued for a pushed atom: the atom's blocks shared, every stream-information
/// layer replaced by one new copy of the declared one, put last.
std::shared_ptr<Atom> QueuedCopy(const std::shared_ptr<Atom>& atom, const DataTypeStreamInfo& declared);

/// True when the graph's frame-order provider is automatic and in realtime mode.
bool RunsRealtime(const std::shared_ptr<Graph>& graph);

} // namespace SourceSupport
} // namespace Hyx
