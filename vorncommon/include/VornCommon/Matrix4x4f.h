#pragma once

// Matrix4x4f: a 4x4 float matrix acting on column vectors (translation in column 3); the
// default is the identity. operator[](r) is row r.
// Raw form: 16 f32 little-endian, row by row (M[0][0], M[0][1], ..., M[3][3]), 64 bytes,
// bit-exact. Text form: "((a, b, c, d), (e, f, g, h), (i, j, k, l), (m, n, o, p))" on one line.

#include <VornCommon/ByteArray.h>
#include <VornCommon/Export.h>
#include <VornCommon/String.h>
#include <VornCommon/Vector.h>

#include <cstdint>
#include <stdexcept>
#include <string>

namespace VornCommon {

class Versorf;

class VORN_API Matrix4x4f {
public:
    static constexpr uint32_t RAW_BYTES_SIZE = 64;

    /// The identity.
    constexpr Matrix4x4f() noexcept = default;
    /// The 16 elements row by row.
    constexpr Matrix4x4f(float m00, float m01, float m02, float m03, float m10, float m11, float m12, float m13,
                         float m20, float m21, float m22, float m23, float m30, float m31, float m32,
                         float m33) noexcept
        : m_rows{{m00, m01, m02, m03}, {m10, m11, m12, m13}, {m20, m21, m22, m23}, {m30, m31, m32, m33}}
    {
    }

    /// Row r (0..3); throws std::out_of_range otherwise.
    Vector4f& operator[](int r)
    {
        if (r < 0 || r > 3) [[unlikely]]
            throw std::out_of_range("Matrix4x4f row index");
        return m_rows[r];
    }
    const Vector4f& operator[](int r) const
    {
        if (r < 0 || r > 3) [[unlikely]]
            throw std::out_of_range("Matrix4x4f row index");
        return m_rows[r];
    }

    /// Identity with column 3 = t.
    static Matrix4x4f CreateTranslation(const Vector3f& t) noexcept;
    /// The rotation matrix of a unit versor; the identity versor gives the identity.
    static Matrix4x4f CreateRotationFromVersor(const Versorf& q) noexcept;

    /// Writes the 64-byte raw form to `dest`.
    void ToRawBytes(uint8_t* dest) const noexcept;
    /// Appends the 64-byte raw form.
    void ToRawBytes(ByteArray& out) const;
    /// Reads the 64-byte raw form from `bytes`.
    static Matrix4x4f FromRawBytes(const uint8_t* bytes) noexcept;
    /// Reads the raw form from the front of `in`; missing bytes read as zero. With `consume`
    /// the bytes read are removed.
    static Matrix4x4f FromRawBytes(ByteArray& in, bool consume);

    String ToString() const;
    /// Reads the 16 numbers of a text (separated by blanks, tabs, line breaks, ",", "/", ";",
    /// "(" or ")"), row by row. Throws std::invalid_argument unless there are exactly 16.
    static Matrix4x4f FromString(const std::string& text);

    friend VORN_API Matrix4x4f operator*(const Matrix4x4f& a, const Matrix4x4f& b) noexcept;
    /// `v` as a point (w = 1): the full affine product, no perspective divide.
    friend VORN_API Vector3f operator*(const Matrix4x4f& m, const Vector3f& v) noexcept;
    friend constexpr bool operator==(const Matrix4x4f&, const Matrix4x4f&) noexcept = default;

private:
    Vector4f m_rows[4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
};

} // namespace VornCommon
