#include <Hyx/ThumbnailHelper.h>

#include "core/LogLevelEnabled.h"
#include "filters/geometry/LayerLookup.h"
#include "io/thumbnail/DecodeLayer.h"
#include "io/thumbnail/PictureKernels.h"

#include <Hyx/Atom.h>
#include <Hyx/CompressedLayers.h>
#include <Hyx/DataTypeStreamInfo.h>
#include <Hyx/DataTypeTextureIR.h>
#include <Hyx/DataTypeTextureRGB.h>
#include <Hyx/DataTypeTextureYUV.h>
#include <Hyx/GeometryTransforms.h>
#include <Hyx/HYXPurposeGuids.h>

#include <VornCommon/Math.h>

#include <cmath>
#include <exception>
#include <vector>

namespace Hyx {

namespace {

using namespace LayerLookup;
using VornCommon::Guid;

// Fewer vertices than this give no point-cloud picture.
constexpr uint32_t MIN_POINT_CLOUD_VERTICES = 1001;
// A versor's third element this close to +-0.7 is a quarter turn (a true one holds 0.7071).
constexpr float QUARTER_TURN = 0.7f;
constexpr float QUARTER_TURN_TOLERANCE = 0.01f;

// The last plain layer of the class, else the last compressed one of compressedType
// decoded; layers holding less than they state count as missing.
template <class Layer>
std::shared_ptr<Layer> plainOrDecoded(const Atom& atom, const Guid& compressedType)
{
    if (auto plain = Last<Layer>(atom))
        return plain;
    return Complete<Layer>(DecodeLayer(atom.GetDataLayerByType(compressedType, true)));
}

// Colours of purpose P for count vertices from texture coordinates of that purpose and
// count and the RGB texture of that purpose (or any compressed one holding RGB).
std::shared_ptr<DataTypeVertexColors> colorsFromUVs(const Atom& atom, const Guid& purpose, uint32_t count)
{
    const auto uvs = plainOrDecoded<DataTypeVertexTextureUVs>(atom, DataTypeCompressedVertexTextureUVs::TheTypeGuid());
    if (!uvs || uvs->GetPurposeGuid() != purpose || uvs->GetNumVertices() != count)
        return {};
    auto texture = Complete<DataTypeTextureRGB>(atom.GetDataLayer(purpose, DataTypeTextureRGB::TheTypeGuid(), true));
    if (!texture)
        texture = Complete<DataTypeTextureRGB>(DecodeLayer(
            atom.GetDataLayer(std::make_shared<DataProfile>(Guid(), DataTypeCompressedTexture::TheTypeGuid(),
                                                            DataTypeTextureRGB::TheTypeGuid()),
                              true)));
    if (!texture)
        return {};
    auto colors = Create<DataTypeVertexColors>(purpose);
    if (colors)
        TransformVertexColorsFromUVs::GetVertexColorsFromUVs(count, colors->Allocate(count), uvs->GetUVs(), texture);
    return colors;
}

// A new thumbnail layer of that size; empty when the factory has none.
std::shared_ptr<DataTypeTextureRGBA> newPicture(int width, int height)
{
    auto picture = Create<DataTypeTextureRGBA>(HYXPurposeGuids::THUMBNAIL);
    if (picture)
        picture->AllocateTexture(uint16_t(width), uint16_t(height));
    return picture;
}

// The picture turned as the stream's orientation says, or itself.
std::shared_ptr<DataTypeTextureRGBA> oriented(std::shared_ptr<DataTypeTextureRGBA> picture, const Atom& atom)
{
    const auto info =
        std::dynamic_pointer_cast<DataTypeStreamInfo>(atom.GetDataLayerByType(DataTypeStreamInfo::TheTypeGuid(), true));
    if (!info)
        return picture;
    const float e = info->GetOrientation().ToElementsVector()[2];
    const int w = picture->GetWidth(), h = picture->GetHeight();
    void (*turn)(const uint8_t*, uint32_t, uint32_t, uint8_t*) = nullptr;
    bool across = true; // width and height swap
    if (std::fabs(e - QUARTER_TURN) <= QUARTER_TURN_TOLERANCE)
        turn = ThumbnailKernels::TurnCounterClockwise;
    else if (VornCommon::Math::AlmostEqual(e, -1.0f, VornCommon::Math::SINGLE_EPSILON))
        turn = ThumbnailKernels::TurnHalf, across = false;
    else if (std::fabs(e + QUARTER_TURN) <= QUARTER_TURN_TOLERANCE)
        turn = ThumbnailKernels::TurnClockwise;
    if (!turn)
        return picture;
    auto turned = across ? newPicture(h, w) : newPicture(w, h);
    if (!turned)
        return picture;
    turn(picture->GetTextureData(), uint32_t(w), uint32_t(h), turned->GetTextureData());
    return turned;
}

} // namespace

std::shared_ptr<DataTypeTextureRGB>
ThumbnailHelper::rasterPointCloud(const std::shared_ptr<DataTypeVertexPositions>& positions,
                                  const std::shared_ptr<DataTypeVertexColors>& colors)
{
    if (!positions || !colors || !positions->GetVertexPositions() || !colors->GetColors() ||
        colors->GetNumVertices() != positions->GetNumVertices())
        return {};
    int width = 0, height = 0;
    if (!positions->CanRenderTo2dRgbaBuffer(width, height) || width < 1 || height < 1 || !positions->GetBoundingBox())
        return {};
    auto raster = Create<DataTypeTextureRGB>(positions->GetPurposeGuid());
    if (!raster)
        return {};
    uint8_t* pixels = raster->AllocateTexture(uint16_t(width), uint16_t(height));
    std::vector<float> depth(size_t(width) * size_t(height));
    if (!ThumbnailKernels::RasterPoints(positions->GetVertexPositions(), colors->GetColors(),
                                        positions->GetNumVertices(), positions->GetBoundingBox(), uint32_t(width),
                                        uint32_t(height), depth.data(), pixels))
        return {};
    return raster;
}

std::shared_ptr<DataLayer> ThumbnailHelper::getThumbnailLayer(const std::shared_ptr<Atom>& atom, int& width,
                                                              int& height, bool noImageFallback)
{
    if (!atom)
        return {};
    const auto positions =
        plainOrDecoded<DataTypeVertexPositions>(*atom, DataTypeCompressedVertexPositions::TheTypeGuid());
    if (positions && positions->GetNumVertices() >= MIN_POINT_CLOUD_VERTICES) {
        const Guid purpose = positions->GetPurposeGuid();
        const uint32_t count = positions->GetNumVertices();
        auto colors =
            Complete<DataTypeVertexColors>(atom->GetDataLayerByType(DataTypeVertexColors::TheTypeGuid(), true));
        if (!colors || colors->GetPurposeGuid() != purpose)
            if (auto derived = colorsFromUVs(*atom, purpose, count))
                colors = derived;
        if (colors && colors->GetPurposeGuid() == purpose && colors->GetNumVertices() == count)
            if (auto raster = rasterPointCloud(positions, colors)) {
                raster->CanRenderTo2dRgbaBuffer(width, height);
                return raster;
            }
        positions->CanRenderTo2dRgbaBuffer(width, height);
        return positions;
    }
    return noImageFallback ? nullptr : getThumbnailLayer2D(atom, width, height);
}

std::shared_ptr<DataLayer> ThumbnailHelper::getThumbnailLayer2D(const std::shared_ptr<Atom>& atom, int& width,
                                                                int& height)
{
    if (!atom)
        return {};
    const auto paints = [&](const std::shared_ptr<DataLayer>& layer) {
        return layer && layer->CanRenderTo2dRgbaBuffer(width, height);
    };
    const auto rgba = atom->GetDataLayerByType(DataTypeTextureRGBA::TheTypeGuid(), true);
    if (rgba && rgba->GetPurposeGuid() != HYXPurposeGuids::THUMBNAIL && paints(rgba))
        return rgba;
    for (const Guid& type :
         {DataTypeTextureYUV_NVX::TheTypeGuid(), DataTypeTextureBGR::TheTypeGuid(), DataTypeTextureRGB::TheTypeGuid(),
          DataTypeTextureRGB30::TheTypeGuid(), DataTypeTexture16BitDepthMap::TheTypeGuid()})
        if (auto layer = atom->GetDataLayerByType(type, true); paints(layer))
            return layer;
    if (auto decoded = DecodeLayer(atom->GetDataLayerByType(DataTypeCompressedTexture::TheTypeGuid(), false));
        paints(decoded))
        return decoded;
    return {};
}

std::shared_ptr<DataTypeTextureRGBA> ThumbnailHelper::getThumbnail(const std::vector<std::shared_ptr<Atom>>& atoms,
                                                                   bool imagesOnly, bool grey)
{
    if (atoms.empty())
        return {};
    try {
        std::shared_ptr<DataLayer> painter;
        std::shared_ptr<Atom> picked;
        int w = 0, h = 0;
        if (imagesOnly) {
            painter = getThumbnailLayer2D(atoms.front(), w, h);
        } else {
            for (const std::shared_ptr<Atom>& atom : atoms)
                if ((painter = getThumbnailLayer(atom, w, h, true))) {
                    picked = atom;
                    break;
                }
            if (!painter)
                painter = getThumbnailLayer(atoms.front(), w, h, false);
        }
        int width = 0, height = 0;
        if (!painter || !painter->CanRenderTo2dRgbaBuffer(width, height) || width < 1 || height < 1 ||
            width > UINT16_MAX || height > UINT16_MAX)
            return {};
        auto picture = newPicture(width, height);
        if (!picture)
            return {};
        uint8_t* pixels = picture->GetTextureData();
        painter->RenderTo2dRgbaBuffer(pixels);
        if (grey)
            for (size_t i = 0, n = size_t(width) * size_t(height) * 4; i < n; i += 4)
                pixels[i] = pixels[i + 1] = pixels[i + 2] =
                    uint8_t((unsigned(pixels[i]) + pixels[i + 1] + pixels[i + 2]) / 3);
        return picked ? oriented(std::move(picture), *picked) : picture;
    } catch (const std::exception& e) {
        // A picture too large to hold, or a layer that fails while painting: no thumbnail.
        LogLine(VornCommon::LogLevel::Error, "Cannot make a thumbnail: %s", e.what());
        return {};
    }
}

} // namespace Hyx
