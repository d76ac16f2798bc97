#pragma once

// CameraParams: one calibrated camera: image size, focal length F = (fx, fy), principal point
// C = (cx, cy), lens distortion (centre and coefficients k1, k2, p1, p2, k3) and pose
// (translation, rotation). Fields are public; callers migrate and edit them in place.
//
// Raw form (128 bytes, little-endian, no header): u32 width, u32 height, F, C, distortion
// centre (2 f32 each), 5 f32 distortion, 3 f32 translation, 16 f32 rotation row by row.

#include <VornCommon/ByteArray.h>
#include <VornCommon/Export.h>
#include <VornCommon/Matrix4x4f.h>
#include <VornCommon/String.h>
#include <VornCommon/Vector.h>

#include <cstdint>

namespace VornCommon {

class VORN_API CameraParams {
public:
    static constexpr uint32_t RAW_BYTES_SIZE = 128;
    static constexpr int DISTORTION_COUNT = 5;

    /// Size 0 x 0 and focal length (1, 1), so normalising never divides by zero.
    CameraParams() noexcept = default;
    /// A camera of the given size and focal length; everything else zero, rotation identity.
    CameraParams(uint32_t width_, uint32_t height_, Vector2f focal) noexcept;

    /// Writes the 128-byte raw form to `dest`.
    void ToRawBytes(uint8_t* dest) const noexcept;
    /// Appends the 128-byte raw form.
    void ToRawBytes(ByteArray& out) const;
    /// Reads the 128-byte raw form from `bytes`.
    static CameraParams FromRawBytes(const uint8_t* bytes) noexcept;
    /// Reads one raw form from the front of `in`; missing bytes read as zero. With `consume`
    /// the bytes read are removed, so the next call reads the next camera.
    static CameraParams FromRawBytes(ByteArray& in, bool consume);

    /// Normalised image point to pixel: (fx·x + cx, fy·y + cy). No distortion.
    Vector2f DenormalizePoint(const Vector2f& normalized) const noexcept;
    /// Pixel to normalised image point: ((x - cx)/fx, (y - cy)/fy). No distortion.
    Vector2f NormalizePoint(const Vector2f& pixel) const noexcept;
    /// Pixel of an ideal projection to the pixel the lens shows it at: the closed-form
    /// 5-coefficient model about the distortion centre. With all coefficients zero the point
    /// is returned unchanged, exactly.
    Vector2f UndistortPoint(const Vector2f& pixel) const noexcept;

    /// "W=640, H=480, F=(500, 500), C=(320, 240), DC=(320, 240), D=(0, 0, 0, 0, 0),
    /// T=(0, 0, 0), R=((1, 0, 0, 0), ...)".
    String ToString() const;

    friend bool operator==(const CameraParams&, const CameraParams&) noexcept = default;

    uint32_t width = 0;
    uint32_t height = 0;
    Vector2f F{1.0f, 1.0f};
    Vector2f C;
    Vector2f distortionC;
    float distortion[DISTORTION_COUNT] = {};
    Vector3f translation;
    Matrix4x4f rotation;
};

} // namespace VornCommon
