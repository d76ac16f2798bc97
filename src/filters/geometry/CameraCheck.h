#pragma once

// Whether a camera of a camera-parameters layer can be projected with: every projection and
// unprojection the geometry filters compute with it stays finite. Each filter checks the
// values its projection reads, once per frame, before any output is made.
//
// Why these bounds (image sizes are below 2^32, depths below 2^16):
// - Unprojection, x = d (u - cx) / f: the pixel offsets the filters form reach below 2^64
//   (a map row times the camera's pixels per map pixel, at most 2^31 x 2^32 for the box of
//   a caller's map), so with |C| <= 2^32 and |F| >= 2^-32 every coordinate stays below
//   2^16 x 2^64 x 2^32 = 2^112, well inside a float (2^128).
// - Projection, u = f x / z + cx: with |C| <= 2^32 a vertex whose pixel can land in an image
//   is computed finitely; one that cannot lands outside whatever the arithmetic gives.
// - The lens model divides by F about its centre, then raises the offset to the 7th power:
//   it is bounded over the image by computing the largest value any of its steps can take.

#include <VornCommon/CameraParams.h>

#include <string>

namespace Hyx::CameraCheck {

/// Smallest focal length magnitude and largest principal point (and lens centre) magnitude.
inline constexpr float kMinFocal = 0x1p-32f;
inline constexpr float kMaxCentre = 0x1p32f;
/// Bound of every step of the lens model over the image.
inline constexpr double kMaxLensStep = 0x1p120;

/// The values of a camera that a projection reads, beyond the focal length and principal
/// point that every one reads.
enum Uses : unsigned {
    Width = 1u << 0, ///< image width (a divisor of every map or coordinate scale)
    Height = 1u << 1, ///< image height
    Lens = 1u << 2, ///< distortion coefficients, and their centre when any is not 0
    Pose = 1u << 3 ///< rows 0-2 of the rotation and the translation
};

/// Empty when the camera is usable for uses, checked in this order:
/// - the width and height in uses not 0;
/// - the focal length finite and at least 2^-32 in magnitude in both axes (negative is
///   allowed: a flipped axis);
/// - the principal point finite and at most 2^32 in magnitude in both axes;
/// - with Lens, when any coefficient is not 0: the coefficients finite, their centre finite
///   and at most 2^32 in magnitude, and every step of the lens model below 2^120 in
///   magnitude for any pixel (x, y) with |x| <= width and |y| <= height;
/// - with Pose, rotation rows 0-2 and the translation finite.
/// Else the first problem, naming the value as the layer's status properties do, prefixed
/// with which ("Color" or "IR"), the rule and what it holds, e.g. "CameraParams 'IR F' must
/// be finite and at least 2^-32 in magnitude: (0, 500)".
std::string Problem(const VornCommon::CameraParams& camera, const char* which, unsigned uses);

} // namespace Hyx::CameraCheck
