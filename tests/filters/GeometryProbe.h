#pragma once

// Drives one geometry filter by hand, one frame at a time without a graph, and builds the
// layers the tests feed it.

#include <Hyx/Atom.h>
#include <Hyx/DataTypeCameraParams.h>
#include <Hyx/DataTypeTextureIR.h>
#include <Hyx/DataTypeVertex.h>
#include <Hyx/GeometryTransforms.h>
#include <Hyx/GuidLiteral.h>
#include <Hyx/Profile.h>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace GeometryTest {

using VornCommon::Guid;
using Layers = std::vector<std::shared_ptr<Hyx::DataLayer>>;
inline const Guid kPurposeA = Hyx::GuidLiteral("A0000000-0000-0000-0000-00000000000A");
inline const Guid kPurposeB = Hyx::GuidLiteral("B0000000-0000-0000-0000-00000000000B");

template <class F>
class Probe : public F {
public:
    /// Requested profile (Instantiate, run by PreInitialize) and parameters (no upstream
    /// filter, so no "Input Profile").
    Probe() { this->PreInitialize(nullptr, nullptr); }
    ~Probe() override { this->DePreInitialize(); }
    /// Makes the parameters again, after a change that shows or hides some.
    void RecreateParams()
    {
        this->DePreInitialize();
        this->PreInitialize(nullptr, nullptr);
    }
    /// Input profile: one entry per type, all with the purpose unless one is given per type.
    Hyx::HyxErrorCode Select(std::vector<Guid> types, std::vector<Guid> purposes = {})
    {
        auto profile = std::make_shared<Hyx::Profile>();
        for (size_t i = 0; i < types.size(); ++i)
            profile->Add(i < purposes.size() ? purposes[i] : kPurposeA, types[i]);
        return this->SetInputProfile(nullptr, profile);
    }
    Hyx::HyxErrorCode Run(const std::shared_ptr<Hyx::Atom>& atom) { return this->onProcessFrame(atom); }
    std::string Error() const { return this->GetLastError(false).StdString(); }
};

inline std::shared_ptr<Hyx::Atom> MakeAtom(const Layers& layers)
{
    auto atom = std::make_shared<Hyx::Atom>(0, 0, 0);
    for (const auto& layer : layers)
        atom->AddDataLayer(layer);
    return atom;
}

template <class Layer>
std::shared_ptr<Layer> WithPurpose(std::shared_ptr<Layer> layer, const Guid& purpose)
{
    layer->InitializeHeader(purpose);
    return layer;
}

inline std::shared_ptr<Hyx::DataTypeVertexPositions> Positions(const std::vector<float>& xyz)
{
    auto layer = std::make_shared<Hyx::DataTypeVertexPositions>();
    float* p = layer->Allocate(uint32_t(xyz.size() / 3), true);
    std::copy(xyz.begin(), xyz.end(), p);
    return layer;
}

/// A layer loaded from a payload that declares `count` elements at countOffset (pixels:
/// width and height at 0) but holds none of them.
template <class Layer>
std::shared_ptr<Layer> Truncated(uint32_t countOffset, uint32_t count)
{
    auto layer = std::make_shared<Layer>();
    std::vector<uint8_t> bytes(countOffset + 4, 0);
    std::memcpy(bytes.data() + countOffset, &count, 4);
    layer->InitializeData(bytes.data(), uint32_t(bytes.size()));
    return layer;
}

/// A camera without distortion, rotation or translation.
inline VornCommon::CameraParams Camera(uint32_t w, uint32_t h, float f, float cx, float cy)
{
    VornCommon::CameraParams c(w, h, VornCommon::Vector2f(f, f));
    c.C = c.distortionC = VornCommon::Vector2f(cx, cy);
    return c;
}

inline std::shared_ptr<Hyx::DataTypeCameraParams> Cameras(VornCommon::CameraParams color, VornCommon::CameraParams ir)
{
    auto layer = std::make_shared<Hyx::DataTypeCameraParams>();
    layer->GetColorCameraParams() = color;
    layer->GetIRCameraParams() = ir;
    return layer;
}

inline std::shared_ptr<Hyx::DataTypeTexture16BitDepthMap> DepthMap(uint16_t w, uint16_t h,
                                                                   std::vector<uint16_t> samples)
{
    auto map = std::make_shared<Hyx::DataTypeTexture16BitDepthMap>();
    map->SetTexture(w, h, reinterpret_cast<const uint8_t*>(samples.data()));
    return map;
}

/// The last layer of that class in the atom.
template <class Layer>
std::shared_ptr<Layer> Output(const Hyx::Atom& atom)
{
    return std::dynamic_pointer_cast<Layer>(atom.GetDataLayerByType(Layer::TheTypeGuid(), true));
}

/// Runs the frames, each expected to fail with the code and a text holding info, leaving
/// no layer of the output class.
template <class Out, class F>
void ExpectFailures(Probe<F>& filter, std::vector<std::pair<Layers, const char*>> frames,
                    Hyx::HyxErrorCode code = Hyx::HyxErrorCode::FilterFailedToGetDataLayer)
{
    for (const auto& [layers, info] : frames) {
        auto atom = MakeAtom(layers);
        EXPECT_EQ(filter.Run(atom), code) << info;
        EXPECT_NE(filter.Error().find(info), std::string::npos) << filter.Error();
        EXPECT_FALSE(Output<Out>(*atom)) << info;
    }
}

} // namespace GeometryTest
