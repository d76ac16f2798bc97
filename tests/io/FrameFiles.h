#pragma once

// Frames with real texture and geometry layers for the fast reader and thumbnail tests, and
// container files holding them.

#include <Hyx/Atom.h>
#include <Hyx/DataTypeStreamInfo.h>
#include <Hyx/DataTypeTextureRGB.h>
#include <Hyx/DataTypeVertex.h>
#include <Hyx/GuidLiteral.h>
#include <Hyx/SerializeToHyx.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace HyxTest {

using Layers = std::vector<std::shared_ptr<Hyx::DataLayer>>;
using Rgb = std::array<uint8_t, 3>;
inline constexpr VornCommon::Guid kCloud = Hyx::GuidLiteral("C1000000-0000-4000-8000-0000000000C1");

template <class Layer>
std::shared_ptr<Layer> Made(const VornCommon::Guid& purpose = kCloud)
{
    auto layer = std::make_shared<Layer>();
    layer->InitializeHeader(purpose);
    return layer;
}

/// A width x height texture of the class with pixel (x, y) = colour(x, y).
template <class Texture = Hyx::DataTypeTextureRGB>
std::shared_ptr<Texture> Picture(uint16_t width, uint16_t height, const std::function<Rgb(int, int)>& colour,
                                 const VornCommon::Guid& purpose = kCloud)
{
    auto texture = Made<Texture>(purpose);
    uint8_t* p = texture->AllocateTexture(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x, p += 3) {
            const Rgb c = colour(x, y);
            std::copy(c.begin(), c.end(), p);
        }
    return texture;
}

struct Point {
    float x, y, z;
    Rgb colour;
};

/// Positions and colours of the points (one purpose), box computed.
inline Layers Cloud(const std::vector<Point>& points, const VornCommon::Guid& purpose = kCloud)
{
    auto positions = Made<Hyx::DataTypeVertexPositions>(purpose);
    auto colors = Made<Hyx::DataTypeVertexColors>(purpose);
    float* p = positions->Allocate(uint32_t(points.size()), false);
    uint8_t* c = colors->Allocate(uint32_t(points.size()));
    for (const Point& q : points) {
        *p++ = q.x, *p++ = q.y, *p++ = q.z;
        c = std::copy(q.colour.begin(), q.colour.end(), c);
    }
    positions->CalculateBoundingBoxFromVertexPositions();
    return {positions, colors};
}

inline std::shared_ptr<Hyx::DataTypeStreamInfo> StreamInfo(float fps,
                                                           const VornCommon::Vector4f& orientation = {0, 0, 0, 1})
{
    auto info = Made<Hyx::DataTypeStreamInfo>();
    info->setValues(fps, 0, VornCommon::Versorf::FromElementsVector(orientation), 0, nullptr);
    return info;
}

inline std::shared_ptr<Hyx::Atom> Frame(uint32_t stream, uint32_t frame, const Layers& layers)
{
    auto atom = std::make_shared<Hyx::Atom>(stream, frame, 5000u + 40u * frame);
    for (const auto& layer : layers)
        atom->AddDataLayer(layer, false);
    return atom;
}

/// Writes the frames (in order) to a container with a lookup table.
inline void WriteFrames(const std::string& path, const std::vector<std::shared_ptr<Hyx::Atom>>& frames)
{
    Hyx::SerializeToHyx writer(path.c_str(), true);
    for (const auto& atom : frames)
        if (writer.pack_atom(atom) != Hyx::HyxErrorCode::Success)
            throw std::runtime_error("cannot write " + path);
    if (!writer.CloseFile())
        throw std::runtime_error("cannot close " + path);
}

} // namespace HyxTest
