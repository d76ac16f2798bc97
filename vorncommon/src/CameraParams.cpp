#include <VornCommon/CameraParams.h>

#include "FloatText.h"
#include "RawFloat.h"

#include <array>
#include <type_traits>

namespace VornCommon {

CameraParams::CameraParams(uint32_t width_, uint32_t height_, Vector2f focal) noexcept
    : width(width_), height(height_), F(focal)
{
}

namespace {

constexpr std::size_t kFloatCount = 2 + 2 + 2 + CameraParams::DISTORTION_COUNT + 3;
constexpr std::size_t kRotationOffset = 8 + 4 * kFloatCount;
static_assert(kRotationOffset + Matrix4x4f::RAW_BYTES_SIZE == CameraParams::RAW_BYTES_SIZE);

// The float fields between the size and the rotation, in raw-form order.
template <class Camera>
auto FloatFields(Camera& c)
{
    using Field = std::conditional_t<std::is_const_v<Camera>, const float, float>;
    return std::array<Field*, kFloatCount>{&c.F.x,           &c.F.y,           &c.C.x,           &c.C.y,
                                           &c.distortionC.x, &c.distortionC.y, &c.distortion[0], &c.distortion[1],
                                           &c.distortion[2], &c.distortion[3], &c.distortion[4], &c.translation.x,
                                           &c.translation.y, &c.translation.z};
}

} // namespace

void CameraParams::ToRawBytes(uint8_t* raw) const noexcept
{
    Raw::PutU32(raw, width);
    Raw::PutU32(raw + 4, height);
    uint8_t* p = raw + 8;
    for (const float* field : FloatFields(*this)) {
        Raw::PutF32(p, *field);
        p += 4;
    }
    rotation.ToRawBytes(raw + kRotationOffset);
}

void CameraParams::ToRawBytes(ByteArray& out) const
{
    Raw::AppendTo(out, *this);
}

CameraParams CameraParams::FromRawBytes(ByteArray& in, bool consume)
{
    return Raw::ReadFront<CameraParams>(in, consume);
}

CameraParams CameraParams::FromRawBytes(const uint8_t* raw) noexcept
{
    CameraParams camera;
    camera.width = Raw::GetU32(raw);
    camera.height = Raw::GetU32(raw + 4);
    const uint8_t* p = raw + 8;
    for (float* field : FloatFields(camera)) {
        *field = Raw::GetF32(p);
        p += 4;
    }
    camera.rotation = Matrix4x4f::FromRawBytes(raw + kRotationOffset);
    return camera;
}

Vector2f CameraParams::DenormalizePoint(const Vector2f& m) const noexcept
{
    return Vector2f(F.x * m.x + C.x, F.y * m.y + C.y);
}

Vector2f CameraParams::NormalizePoint(const Vector2f& p) const noexcept
{
    return Vector2f((p.x - C.x) / F.x, (p.y - C.y) / F.y);
}

Vector2f CameraParams::UndistortPoint(const Vector2f& p) const noexcept
{
    const float k1 = distortion[0], k2 = distortion[1], p1 = distortion[2], p2 = distortion[3], k3 = distortion[4];
    // Exact identity, not the arithmetic: with zero coefficients it would still round.
    if (k1 == 0.0f && k2 == 0.0f && p1 == 0.0f && p2 == 0.0f && k3 == 0.0f)
        return p;
    const float x = (p.x - distortionC.x) / F.x;
    const float y = (p.y - distortionC.y) / F.y;
    const float r2 = x * x + y * y;
    const float radial = 1.0f + r2 * (k1 + r2 * (k2 + r2 * k3));
    const float xd = x * radial + 2.0f * p1 * x * y + p2 * (r2 + 2.0f * x * x);
    const float yd = y * radial + p1 * (r2 + 2.0f * y * y) + 2.0f * p2 * x * y;
    return Vector2f(xd * F.x + distortionC.x, yd * F.y + distortionC.y);
}

String CameraParams::ToString() const
{
    std::string text = "W=" + std::to_string(width) + ", H=" + std::to_string(height) + ", F=";
    text += F.ToString().StdString();
    text += ", C=";
    text += C.ToString().StdString();
    text += ", DC=";
    text += distortionC.ToString().StdString();
    text += ", D=";
    FloatText::AppendTuple(text, distortion, DISTORTION_COUNT);
    text += ", T=";
    text += translation.ToString().StdString();
    text += ", R=";
    text += rotation.ToString().StdString();
    return String(std::move(text));
}

} // namespace VornCommon
