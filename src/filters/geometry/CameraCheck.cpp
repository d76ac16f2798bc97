#include "filters/geometry/CameraCheck.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <locale>
#include <sstream>

namespace Hyx::CameraCheck {

namespace {

bool allFinite(const float* values, int count)
{
    for (int i = 0; i < count; ++i)
        if (!std::isfinite(values[i]))
            return false;
    return true;
}

// "(a, b, ...)" as the layer's text forms write numbers, whatever the process locale.
std::string tuple(const float* values, int count)
{
    std::ostringstream text;
    text.imbue(std::locale::classic());
    text << '(';
    for (int i = 0; i < count; ++i)
        text << (i ? ", " : "") << values[i];
    text << ')';
    return text.str();
}

std::string problem(const char* which, const char* value, const char* rule, const std::string& holds)
{
    return std::string("CameraParams '") + which + " " + value + "' must be " + rule + ": " + holds;
}

// Both values finite and within [low, high] in magnitude.
bool within(const float* values, float low, float high)
{
    for (int i = 0; i < 2; ++i) {
        const float size = std::fabs(values[i]);
        if (!(size >= low && size <= high)) // also false for not a number
            return false;
    }
    return true;
}

// The largest magnitude any step of the lens model (UndistortPoint) can take for a pixel
// (x, y) with |x| <= width and |y| <= height: each step taken on the magnitudes of its
// operands bounds the float step, which stays within it up to rounding. Taken in double,
// where none of it overflows for a finite camera whose focal length and centres pass the
// checks before it.
double largestLensStep(const VornCommon::CameraParams& c)
{
    double largest = 0.0;
    const auto step = [&largest](double value) {
        largest = std::max(largest, value);
        return value;
    };
    const auto size = [](float value) { return std::fabs(double(value)); };
    const double fx = size(c.F.x), fy = size(c.F.y), dcx = size(c.distortionC.x), dcy = size(c.distortionC.y);
    const double k1 = size(c.distortion[0]), k2 = size(c.distortion[1]), p1 = size(c.distortion[2]);
    const double p2 = size(c.distortion[3]), k3 = size(c.distortion[4]);
    const double x = step(step(double(c.width) + dcx) / fx);
    const double y = step(step(double(c.height) + dcy) / fy);
    const double r2 = step(step(x * x) + step(y * y));
    const double radial = step(1.0 + step(r2 * step(k1 + step(r2 * step(k2 + step(r2 * k3))))));
    const double xd = step(step(step(x * radial) + step(step(step(2.0 * p1) * x) * y)) +
                           step(p2 * step(r2 + step(step(2.0 * x) * x))));
    const double yd = step(step(step(y * radial) + step(p1 * step(r2 + step(step(2.0 * y) * y)))) +
                           step(step(step(2.0 * p2) * x) * y));
    step(step(xd * fx) + dcx);
    step(step(yd * fy) + dcy);
    return largest;
}

} // namespace

std::string Problem(const VornCommon::CameraParams& camera, const char* which, unsigned uses)
{
    if ((uses & Width) && camera.width == 0)
        return problem(which, "width", "above 0", "0");
    if ((uses & Height) && camera.height == 0)
        return problem(which, "height", "above 0", "0");
    const float focal[] = {camera.F.x, camera.F.y};
    if (!within(focal, kMinFocal, std::numeric_limits<float>::max()))
        return problem(which, "F", "finite and at least 2^-32 in magnitude", tuple(focal, 2));
    const float centre[] = {camera.C.x, camera.C.y};
    if (!within(centre, 0.0f, kMaxCentre))
        return problem(which, "C", "finite and at most 2^32 in magnitude", tuple(centre, 2));
    if (uses & Lens) {
        const float* k = camera.distortion;
        const int n = VornCommon::CameraParams::DISTORTION_COUNT;
        if (!allFinite(k, n))
            return problem(which, "distortion", "finite", tuple(k, n));
        // The centre is read only when the lens model is applied.
        const bool applied = k[0] != 0.0f || k[1] != 0.0f || k[2] != 0.0f || k[3] != 0.0f || k[4] != 0.0f;
        const float lensCentre[] = {camera.distortionC.x, camera.distortionC.y};
        if (applied && !within(lensCentre, 0.0f, kMaxCentre))
            return problem(which, "distortion C", "finite and at most 2^32 in magnitude", tuple(lensCentre, 2));
        if (applied && !(largestLensStep(camera) < kMaxLensStep))
            return problem(which, "distortion", "small enough to keep the lens model below 2^120 over the image",
                           tuple(k, n));
    }
    if (uses & Pose) {
        for (int r = 0; r < 3; ++r) {
            const VornCommon::Vector4f& row = camera.rotation[r];
            const float values[] = {row.x, row.y, row.z, row.w};
            if (!allFinite(values, 4))
                return problem(which, "rotation", "finite", "row " + std::to_string(r) + " " + tuple(values, 4));
        }
        const float t[] = {camera.translation.x, camera.translation.y, camera.translation.z};
        if (!allFinite(t, 3))
            return problem(which, "translation", "finite", tuple(t, 3));
    }
    return {};
}

} // namespace Hyx::CameraCheck
