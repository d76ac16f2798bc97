#pragma once

// Drives one geometry filter by hand: requested profile, input profile and one frame at a
// time, without a graph. Also builds the layers the tests feed it.

#include <Hyx/Atom.h>
#include <Hyx/DataTypeCameraParams.h>
#include <Hyx/DataTypeTextureIR.h>
#include <Hyx/DataTypeVertex.h>
#include <Hyx/GeometryTransforms.h>
#include <Hyx/GuidLiteral.h>
#include <Hyx/Profile.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace GeometryTest {

using VornCommon::Guid;

template <class F>
class Probe : public F {
public:
    Probe() { this->Instantiate(); }
    ~Probe() override { this->DePreInitialize(); }

    /// Creates the parameters (no upstream filter, so no "Input Profile").
    void CreateParams() { this->PreInitialize(nullptr, nullptr); }
    /// Uses the profile as input profile; its output profile is generated from it.
    Hyx::HyxErrorCode Select(std::vector<std::pair<Guid, Guid>> entries)
    {
        auto profile = std::make_shared<Hyx::Profile>();
        for (const auto& [purpose, type] : entries)
            profile->Add(purpose, type);
        return this->SetInputProfile(nullptr, profile);
    }
    Hyx::HyxErrorCode Run(const std::shared_ptr<Hyx::Atom>& atom) { return this->onProcessFrame(atom); }
    std::string Error() const { return this->GetLastError(false).StdString(); }
};

inline std::shared_ptr<Hyx::Atom> MakeAtom(std::vector<std::shared_ptr<Hyx::DataLayer>> layers)
{
    auto atom = std::make_shared<Hyx::Atom>(0, 0, 0);
    for (auto& layer : layers)
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
    if (!xyz.empty())
        std::memcpy(p, xyz.data(), xyz.size() * sizeof(float));
    return layer;
}

/// A layer loaded from a payload that declares `count` elements at countOffset but holds
/// none of them.
template <class Layer>
std::shared_ptr<Layer> Truncated(uint32_t countOffset, uint32_t count)
{
    auto layer = std::make_shared<Layer>();
    std::vector<uint8_t> bytes(countOffset + 4, 0);
    std::memcpy(bytes.data() + countOffset, &count, 4);
    layer->InitializeData(bytes.data(), uint32_t(bytes.size()));
    return layer;
}

/// Colour and infrared cameras without distortion, rotation or translation.
inline std::shared_ptr<Hyx::DataTypeCameraParams> Cameras(VornCommon::CameraParams color, VornCommon::CameraParams ir)
{
    auto layer = std::make_shared<Hyx::DataTypeCameraParams>();
    layer->GetColorCameraParams() = color;
    layer->GetIRCameraParams() = ir;
    return layer;
}

inline VornCommon::CameraParams Camera(uint32_t w, uint32_t h, float f, float cx, float cy)
{
    VornCommon::CameraParams c(w, h, VornCommon::Vector2f(f, f));
    c.C = VornCommon::Vector2f(cx, cy);
    c.distortionC = c.C;
    return c;
}

inline std::shared_ptr<Hyx::DataTypeTexture16BitDepthMap> depthMap(uint16_t w, uint16_t h,
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

} // namespace GeometryTest
