#include "filters/geometry/CameraCheck.h"

#include <cmath>
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

} // namespace

std::string Problem(const VornCommon::CameraParams& camera, const char* which, unsigned uses)
{
    if ((uses & Width) && camera.width == 0)
        return problem(which, "width", "above 0", "0");
    if ((uses & Height) && camera.height == 0)
        return problem(which, "height", "above 0", "0");
    const float focal[] = {camera.F.x, camera.F.y};
    if (!allFinite(focal, 2) || focal[0] == 0.0f || focal[1] == 0.0f)
        return problem(which, "F", "finite and not 0", tuple(focal, 2));
    const float centre[] = {camera.C.x, camera.C.y};
    if (!allFinite(centre, 2))
        return problem(which, "C", "finite", tuple(centre, 2));
    if (uses & Lens) {
        const float* k = camera.distortion;
        const int n = VornCommon::CameraParams::DISTORTION_COUNT;
        if (!allFinite(k, n))
            return problem(which, "distortion", "finite", tuple(k, n));
        // The centre is read only when the lens model is applied.
        const bool applied = k[0] != 0.0f || k[1] != 0.0f || k[2] != 0.0f || k[3] != 0.0f || k[4] != 0.0f;
        const float lensCentre[] = {camera.distortionC.x, camera.distortionC.y};
        if (applied && !allFinite(lensCentre, 2))
            return problem(which, "distortion C", "finite", tuple(lensCentre, 2));
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
