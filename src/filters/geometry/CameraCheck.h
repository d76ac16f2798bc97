#pragma once

// Whether a camera of a camera-parameters layer can be projected with. A focal length of 0
// sends every vertex to the principal point, one that is not a number turns every point into
// one; an empty image leaves nothing to address. Each filter checks the values its
// projection reads, once per frame, before any output is made.

#include <VornCommon/CameraParams.h>

#include <string>

namespace Hyx::CameraCheck {

/// The values of a camera that a projection reads, beyond the focal length and principal
/// point that every one reads.
enum Uses : unsigned {
    Width = 1u << 0, ///< image width (a divisor of every map or coordinate scale)
    Height = 1u << 1, ///< image height
    Lens = 1u << 2, ///< distortion coefficients, and their centre when any is not 0
    Pose = 1u << 3 ///< rows 0-2 of the rotation and the translation
};

/// Empty when the camera is usable for uses: the focal length finite and not 0 in both axes
/// (negative is allowed: a flipped axis), the principal point finite, the width and height
/// in uses not 0, and the lens and pose in uses finite. Else the first problem, naming the
/// value as the layer's status properties do, prefixed with which ("Color" or "IR"), and
/// what it holds.
std::string Problem(const VornCommon::CameraParams& camera, const char* which, unsigned uses);

} // namespace Hyx::CameraCheck
