#include "filters/geometry/CameraCheck.h"
#include "filters/geometry/DepthmapPoints.h"
#include "filters/geometry/LayerLookup.h"
#include "graph/mutates/MutateSupport.h"
#include "impl/core/BuiltInRegistration.h"

#include <Hyx/DataTypeTextureIR.h>
#include <Hyx/FilterParamNumeric.h>
#include <Hyx/GeometryTransforms.h>
#include <Hyx/Profile.h>

#include <VornCommon/Math.h>

#include <algorithm>
#include <cstring>

namespace Hyx {

HYX_BUILTIN_FILTER(TransformVertexPositionsFromDepthMap);
HYX_BUILTIN_FILTER(TransformVertexPositionsFromSupersampledDepthMap);

namespace {

// Room for the positions payload (24-byte box, count, 12 bytes per point) in 32 bits.
constexpr uint64_t kMaxPoints = (uint64_t(UINT32_MAX) - 28) / 12;

// The parameter's value within its declared range; not a number gives the minimum.
template <class Param>
auto clampedValue(const Param& param)
{
    const auto value = param.GetValue();
    if (!(value >= param.GetMinValue()))
        return param.GetMinValue();
    return std::min(value, param.GetMaxValue());
}

void requestCameraAndDepthmap(std::shared_ptr<Profile>& requested)
{
    requested = std::make_shared<Profile>();
    requested->Add(VornCommon::Guid(), DataTypeCameraParams::TheTypeGuid());
    requested->Add(VornCommon::Guid(), DataTypeTexture16BitDepthMap::TheTypeGuid());
}

} // namespace

TransformVertexPositionsFromDepthMapBase::TransformVertexPositionsFromDepthMapBase() : Transform(true)
{
}

TransformVertexPositionsFromDepthMapBase::~TransformVertexPositionsFromDepthMapBase() = default;

std::shared_ptr<Profile> TransformVertexPositionsFromDepthMapBase::onGenerateOutputProfile(Filter*,
                                                                                           std::shared_ptr<Profile>)
{
    return std::make_shared<Profile>(TypeGuid(), DataTypeVertexPositions::TheTypeGuid());
}

HyxErrorCode TransformVertexPositionsFromDepthMapBase::onProcessFrame(std::shared_ptr<Atom> atom)
{
    const auto depth = LayerLookup::Last<DataTypeTexture16BitDepthMap>(*atom);
    auto camera = LayerLookup::Last<DataTypeCameraParams>(*atom);
    // Without a map or its pixels there is nothing to place: drop the atom.
    if (!depth || !camera || depth->GetWidth() == 0 || depth->GetHeight() == 0)
        return HyxErrorCode::NoDataAvailable;
    // A camera that is there but cannot be projected with is an error, not an empty frame.
    const std::string unusable = CameraCheck::Problem(camera->GetIRCameraParams(), "IR", CameraCheck::Width);
    if (!unusable.empty())
        return ReportError(HyxErrorCode::FilterError, unusable.c_str());

    const uint32_t count = computePoints(depth->GetDataPtr(), depth->GetWidth(), depth->GetHeight(), camera);
    if (count == TOO_MANY_POINTS)
        return ReportError(HyxErrorCode::FilterError, "Too many points for one layer.");
    auto positions = LayerLookup::Create<DataTypeVertexPositions>(TypeGuid());
    if (!positions)
        return ReportError(HyxErrorCode::FilterFailedToCreateBlob,
                           DataTypeVertexPositions::TheDataLayerClassInfo().GetClassName().CStr());
    float* out = positions->Allocate(count, false);
    if (count > 0)
        std::memcpy(out, _scratch.data(), uint64_t(count) * 12);
    float* box = positions->GetBoundingBox();
    VornCommon::calculateBoundingBox(out, count, box, box + 3);
    atom->AddDataLayer(positions, false);
    return HyxErrorCode::Success;
}

namespace {

DepthmapPoints::Camera kernelCamera(const VornCommon::CameraParams& ir, uint32_t mapWidth)
{
    return {1.0f / (float(mapWidth) / float(ir.width)), ir.C.x, ir.C.y, 1.0f / ir.F.x, 1.0f / ir.F.y};
}

} // namespace

// --- One point per sample, or random points ---

TransformVertexPositionsFromDepthMap::TransformVertexPositionsFromDepthMap() = default;

TransformVertexPositionsFromDepthMap::~TransformVertexPositionsFromDepthMap() = default;

void TransformVertexPositionsFromDepthMap::Instantiate()
{
    requestCameraAndDepthmap(_requestedInputProfile);
}

HyxErrorCode TransformVertexPositionsFromDepthMap::onInitializeParams(Filter* upstream)
{
    const HyxErrorCode result = Transform::onInitializeParams(upstream);
    if (result != HyxErrorCode::Success)
        return result;
    MutateSupport::CreateOnce(_randomSampling, RANDOM_SAMPLING_PARAMNAME, 1u, false);
    MutateSupport::CreateOnce(_numPoints, NUM_POINTS_PARAMNAME, 0u, 65536, 100, 1000000);
    addParam(_randomSampling);
    // The parameter list and every frame follow this value until the next pre-initialisation.
    _sampleRandomly = _randomSampling->GetValue();
    if (_sampleRandomly)
        addParam(_numPoints);
    return HyxErrorCode::Success;
}

HyxErrorCode TransformVertexPositionsFromDepthMap::onPlay()
{
    _random.seed();
    return Transform::onPlay();
}

uint32_t TransformVertexPositionsFromDepthMap::computePoints(const uint8_t* samples, uint32_t width, uint32_t height,
                                                             std::shared_ptr<DataTypeCameraParams>& camera)
{
    const DepthmapPoints::Camera c = kernelCamera(camera->GetIRCameraParams(), width);
    if (_sampleRandomly) {
        const uint32_t count = uint32_t(clampedValue(*_numPoints));
        // Two draws per point, a then b, each a fraction 0 .. 0.9999.
        std::vector<float> ab(uint64_t(count) * 2);
        for (float& v : ab)
            v = float(_random() % 10000) * 0.0001f;
        _scratch.resize(uint64_t(count) * 3);
        DepthmapPoints::Random(samples, width, height, c, ab.data(), count, _scratch.data());
        return count;
    }
    const uint32_t count = DepthmapPoints::CountNonZero(samples, width, height);
    if (count > kMaxPoints)
        return TOO_MANY_POINTS;
    _scratch.resize(uint64_t(count) * 3);
    DepthmapPoints::Plain(samples, width, height, c, _scratch.data());
    return count;
}

// --- Supersampled ---

TransformVertexPositionsFromSupersampledDepthMap::TransformVertexPositionsFromSupersampledDepthMap()
{
    requestCameraAndDepthmap(_requestedInputProfile);
}

TransformVertexPositionsFromSupersampledDepthMap::~TransformVertexPositionsFromSupersampledDepthMap() = default;

HyxErrorCode TransformVertexPositionsFromSupersampledDepthMap::onInitializeParams(Filter* upstream)
{
    const HyxErrorCode result = Transform::onInitializeParams(upstream);
    MutateSupport::CreateOnce(_superSampling, SUPERSAMPLING_PARAMNAME, 0u, 1.0f, 0.1f, 10.0f);
    MutateSupport::CreateOnce(_maxDistance, MAX_DISTANCE_PARAMNAME, 0u, 500.0f, 1.0f, 30000.0f);
    MutateSupport::CreateOnce(_nearPlane, NEAR_PLANE_PARAMNAME, 0u, 0.0f, 0.0f, 100.0f);
    MutateSupport::CreateOnce(_farPlane, FAR_PLANE_PARAMNAME, 0u, 100.0f, 0.0f, 100.0f);
    addParam(_superSampling);
    addParam(_maxDistance);
    addParam(_nearPlane);
    addParam(_farPlane);
    return result;
}

uint32_t TransformVertexPositionsFromSupersampledDepthMap::computePoints(const uint8_t* samples, uint32_t width,
                                                                         uint32_t height,
                                                                         std::shared_ptr<DataTypeCameraParams>& camera)
{
    // Clamped where used: a step of 0 or less would never end, a tiny one exhaust memory.
    DepthmapPoints::Supersampling grid{};
    grid.step = 1.0f / (_superSampling ? clampedValue(*_superSampling) : 1.0f);
    grid.maxDistance = _maxDistance ? clampedValue(*_maxDistance) : 500.0f;
    const float nearPercent = _nearPlane ? clampedValue(*_nearPlane) : 0.0f;
    const float farPercent = _farPlane ? clampedValue(*_farPlane) : 100.0f;
    grid.nearDepth = int64_t(nearPercent * 0.01f * 65535.0f);
    grid.farDepth = int64_t(farPercent * 0.01f * 65535.0f);

    const uint64_t capacity = DepthmapPoints::SupersampledCapacity(width, height, grid.step);
    if (capacity > kMaxPoints)
        return TOO_MANY_POINTS;
    _scratch.resize(std::max<uint64_t>(capacity, 1) * 3);
    uint32_t count = DepthmapPoints::Supersampled(
        samples, width, height, kernelCamera(camera->GetIRCameraParams(), width), grid, _scratch.data());
    if (count == 0) {
        // Never an empty layer: one point at the origin.
        std::fill_n(_scratch.data(), 3, 0.0f);
        count = 1;
    }
    return count;
}

} // namespace Hyx
