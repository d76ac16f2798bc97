#include <VornCommon/Matrix4x4f.h>

#include <VornCommon/Versorf.h>

#include "FloatText.h"
#include "RawFloat.h"

#include <stdexcept>

namespace VornCommon {

Matrix4x4f Matrix4x4f::CreateTranslation(const Vector3f& t) noexcept
{
    Matrix4x4f m;
    m.m_rows[0].w = t.x;
    m.m_rows[1].w = t.y;
    m.m_rows[2].w = t.z;
    return m;
}

Matrix4x4f Matrix4x4f::CreateRotationFromVersor(const Versorf& q) noexcept
{
    const Vector4f e = q.ToElementsVector();
    const float x = e.x, y = e.y, z = e.z, w = e.w;
    return Matrix4x4f(1 - 2 * (y * y + z * z), 2 * (x * y - z * w), 2 * (x * z + y * w), 0, 2 * (x * y + z * w),
                      1 - 2 * (x * x + z * z), 2 * (y * z - x * w), 0, 2 * (x * z - y * w), 2 * (y * z + x * w),
                      1 - 2 * (x * x + y * y), 0, 0, 0, 0, 1);
}

void Matrix4x4f::ToRawBytes(uint8_t* dest) const noexcept
{
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            Raw::PutF32(dest + 16 * r + 4 * c, m_rows[r][c]);
}

void Matrix4x4f::ToRawBytes(ByteArray& out) const
{
    Raw::AppendTo(out, *this);
}

Matrix4x4f Matrix4x4f::FromRawBytes(const uint8_t* bytes) noexcept
{
    Matrix4x4f m;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            m.m_rows[r][c] = Raw::GetF32(bytes + 16 * r + 4 * c);
    return m;
}

Matrix4x4f Matrix4x4f::FromRawBytes(ByteArray& in, bool consume)
{
    return Raw::ReadFront<Matrix4x4f>(in, consume);
}

String Matrix4x4f::ToString() const
{
    std::string text = "(";
    for (int r = 0; r < 4; ++r) {
        if (r > 0)
            text += ", ";
        const float row[] = {m_rows[r].x, m_rows[r].y, m_rows[r].z, m_rows[r].w};
        FloatText::AppendTuple(text, row, 4);
    }
    text += ')';
    return String(std::move(text));
}

Matrix4x4f Matrix4x4f::FromString(const std::string& text)
{
    const std::vector<float> numbers = FloatText::ParseNumbers(text, "matrix");
    if (numbers.size() != 16)
        throw std::invalid_argument("Matrix text needs 16 numbers, has " + std::to_string(numbers.size()) + ": '" +
                                    text.substr(0, 200) + "'");
    Matrix4x4f m;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            m.m_rows[r][c] = numbers[static_cast<std::size_t>(4 * r + c)];
    return m;
}

Matrix4x4f operator*(const Matrix4x4f& a, const Matrix4x4f& b) noexcept
{
    Matrix4x4f product;
    for (int r = 0; r < 4; ++r) {
        const Vector4f& row = a.m_rows[r];
        product.m_rows[r] = b.m_rows[0] * row.x + b.m_rows[1] * row.y + b.m_rows[2] * row.z + b.m_rows[3] * row.w;
    }
    return product;
}

Vector3f operator*(const Matrix4x4f& m, const Vector3f& v) noexcept
{
    const Vector4f* rows = m.m_rows;
    return Vector3f(rows[0].x * v.x + rows[0].y * v.y + rows[0].z * v.z + rows[0].w,
                    rows[1].x * v.x + rows[1].y * v.y + rows[1].z * v.z + rows[1].w,
                    rows[2].x * v.x + rows[2].y * v.y + rows[2].z * v.z + rows[2].w);
}

} // namespace VornCommon
