#pragma once

// Versorf: a rotation as a unit quaternion (x, y, z, w); the default is the identity
// (0, 0, 0, 1).
// Raw form: x, y, z, w as f32 little-endian, 16 bytes, read and written bit-exact (no
// validation, no normalisation). Text form: "(x, y, z, w)" in default stream float format.

#include <VornCommon/ByteArray.h>
#include <VornCommon/Export.h>
#include <VornCommon/String.h>
#include <VornCommon/Vector.h>

#include <cstdint>

namespace VornCommon {

class VORN_API Versorf {
public:
    static constexpr uint32_t RAW_BYTES_SIZE = 16;

    constexpr Versorf() noexcept = default;

    /// The elements x, y, z, w.
    constexpr Vector4f ToElementsVector() const noexcept { return m_elements; }
    /// A versor from elements x, y, z, w. Throws std::invalid_argument when an element is not
    /// finite or all are zero. Elements whose squared norm lies within 1e-5 of 1 are kept
    /// unchanged (so stored values stay bit-identical); others are scaled to unit length.
    static Versorf FromElementsVector(const Vector4f& elements);

    /// Writes the 16-byte raw form to `dest`.
    void ToRawBytes(uint8_t* dest) const noexcept;
    /// Appends the 16-byte raw form.
    void ToRawBytes(ByteArray& out) const;
    /// Reads the 16-byte raw form from `bytes`.
    static Versorf FromRawBytes(const uint8_t* bytes) noexcept;
    /// Reads the raw form from the front of `in`; missing bytes read as zero. With `consume`
    /// the bytes read are removed.
    static Versorf FromRawBytes(ByteArray& in, bool consume);

    String ToString() const;

    friend constexpr bool operator==(const Versorf&, const Versorf&) noexcept = default;

private:
    Vector4f m_elements{0.0f, 0.0f, 0.0f, 1.0f};
};

} // namespace VornCommon
