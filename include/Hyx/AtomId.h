#pragma once

// The 32-bit identity word of an atom: stream id in bits 0-5, frame number in bits 6-27,
// atom type in bits 28-31. Every field is masked to its width, so an out-of-range value
// never spills into a neighbouring field; in-range values are unchanged.

#include <cstdint>

namespace Hyx {

/// What an atom holds: a frame of a stream, or a container's lookup table.
enum class AtomType : uint32_t {
    Frame = 0,
    LookupTable = 1,
};

/// Static helpers over the identity word.
class AtomId {
public:
    AtomId() = delete;

    static constexpr uint32_t STREAM_ID_MASK = 0x3Fu; ///< 6 bits
    static constexpr uint32_t FRAME_NR_MASK = 0x3FFFFFu; ///< 22 bits
    static constexpr uint32_t ATOM_TYPE_MASK = 0xFu; ///< 4 bits
    static constexpr uint32_t FRAME_NR_SHIFT = 6;
    static constexpr uint32_t ATOM_TYPE_SHIFT = 28;

    /// The word of (type, stream, frame), each field cut to its width.
    static constexpr uint32_t Create(uint32_t atomType, uint32_t streamId, uint32_t frameNr)
    {
        return ((atomType & ATOM_TYPE_MASK) << ATOM_TYPE_SHIFT) | ((frameNr & FRAME_NR_MASK) << FRAME_NR_SHIFT) |
               (streamId & STREAM_ID_MASK);
    }

    /// Bits 28-31.
    static constexpr uint32_t GetAtomType(uint32_t id) { return id >> ATOM_TYPE_SHIFT; }
    /// Bits 6-27.
    static constexpr uint32_t GetFrameNr(uint32_t id) { return (id >> FRAME_NR_SHIFT) & FRAME_NR_MASK; }
    /// Bits 0-5.
    static constexpr uint32_t GetStreamId(uint32_t id) { return id & STREAM_ID_MASK; }

    /// Replaces bits 28-31.
    static constexpr uint32_t SetAtomType(uint32_t id, uint32_t atomType)
    {
        return (id & ~(ATOM_TYPE_MASK << ATOM_TYPE_SHIFT)) | ((atomType & ATOM_TYPE_MASK) << ATOM_TYPE_SHIFT);
    }
    /// Replaces bits 6-27.
    static constexpr uint32_t SetFrame(uint32_t id, uint32_t frameNr)
    {
        return (id & ~(FRAME_NR_MASK << FRAME_NR_SHIFT)) | ((frameNr & FRAME_NR_MASK) << FRAME_NR_SHIFT);
    }
    /// Replaces bits 0-5.
    static constexpr uint32_t SetStreamId(uint32_t id, uint32_t streamId)
    {
        return (id & ~STREAM_ID_MASK) | (streamId & STREAM_ID_MASK);
    }
};

} // namespace Hyx
