#include <Hyx/DataTypeVertex.h>

#include <Hyx/DataTypeTextureHSL.h>
#include <Hyx/StatusProperty.h>

#include <VornCommon/Math.h>

#include "datatypes/LayerText.h"
#include "datatypes/geometry/CountedArray.h"
#include "datatypes/geometry/PositionsPreview.h"
#include "impl/core/BuiltInRegistration.h"

#include <array>
#include <cstring>

namespace Hyx {

HYX_BUILTIN_DATA_LAYER(DataTypeVertexPositions);

namespace {

constexpr uint32_t BOX_FLOATS = 6;
constexpr uint32_t BOX_SIZE = BOX_FLOATS * 4;
constexpr uint32_t HEADER_SIZE = BOX_SIZE + 4;
constexpr uint32_t POSITION_SIZE = 12;

/// The preview colour of every hue: full saturation, half lightness, opaque.
const std::array<uint32_t, PositionsPreview::MAX_HUE + 1>& hueColors()
{
    static const auto table = [] {
        std::array<uint32_t, PositionsPreview::MAX_HUE + 1> colors{};
        for (uint32_t hue = 0; hue <= PositionsPreview::MAX_HUE; ++hue) {
            const uint32_t hsl = hue | 1023u << 10 | 511u << 20;
            uint32_t rgb = 0;
            DataTypeTextureHSL30::HSL30toRGB24(hsl, rgb);
            colors[hue] = (rgb & 0xFFFFFFu) | 0xFF000000u;
        }
        return colors;
    }();
    return table;
}

} // namespace

DataTypeVertexPositions::DataTypeVertexPositions() : DataTypeVertexBase(CLASS_VERSION)
{
}

DataTypeVertexPositions::~DataTypeVertexPositions() = default;

float* DataTypeVertexPositions::Allocate(uint32_t count, bool resetBoundingBox)
{
    const uint32_t payloadSize = CountedArray::PayloadSize(HEADER_SIZE, count, POSITION_SIZE);
    float box[BOX_FLOATS] = {};
    if (resetBoundingBox) {
        for (uint32_t axis = 0; axis < 3; ++axis) {
            box[axis] = -0.5f;
            box[axis + 3] = 0.5f;
        }
    } else if (_boundingBox) {
        // The resize may move the payload; the box survives it.
        std::memcpy(box, _boundingBox, BOX_SIZE);
    }
    DataWriter writer = preparePayload(payloadSize);
    writer.write(box, BOX_FLOATS);
    writer.write(count);
    initialize();
    return _positions;
}

void DataTypeVertexPositions::CalculateBoundingBoxFromVertexPositions()
{
    if (_positions && _boundingBox)
        CalculateBoundingBoxFromVertexPositions(_positions, _numVertices, _boundingBox);
}

void DataTypeVertexPositions::CalculateBoundingBoxFromVertexPositions(const float* positions, uint32_t count,
                                                                      float* box)
{
    if (box)
        VornCommon::calculateBoundingBox(positions, positions ? count : 0, box, box + 3);
}

bool DataTypeVertexPositions::CanRenderTo2dRgbaBuffer(int& width, int& height)
{
    CalculateBoundingBoxFromVertexPositions();
    updatePreviewSize();
    width = static_cast<int>(_previewWidth);
    height = static_cast<int>(_previewHeight);
    return _previewWidth > 0 && _previewHeight > 0;
}

void DataTypeVertexPositions::RenderTo2dRgbaBuffer(uint8_t* rgba)
{
    if (!rgba)
        return;
    if (!_boundingBox) {
        std::memset(rgba, 0, size_t(_previewWidth) * _previewHeight * 4);
        return;
    }
    PositionsPreview::Render(_positions, _numVertices, _boundingBox, _previewWidth, _previewHeight, hueColors().data(),
                             rgba);
}

std::string DataTypeVertexPositions::ToString(bool friendly) const
{
    const float zeros[BOX_FLOATS] = {};
    return DataTypeVertexBase::ToString(friendly) +
           ", BoundingBox=" + LayerText::Floats(_boundingBox ? _boundingBox : zeros, BOX_FLOATS, ", ");
}

void DataTypeVertexPositions::onUpdateStatusProperties()
{
    DataTypeVertexBase::onUpdateStatusProperties();
    const float zeros[BOX_FLOATS] = {};
    const float* box = _boundingBox ? _boundingBox : zeros;
    addStatusProperty(
        std::make_shared<StatusPropertyVector3>("Bounding box min", VornCommon::Vector3f(box[0], box[1], box[2])));
    addStatusProperty(
        std::make_shared<StatusPropertyVector3>("Bounding box max", VornCommon::Vector3f(box[3], box[4], box[5])));
}

bool DataTypeVertexPositions::deserializeAndMigrate(uint8_t* data, uint32_t size)
{
    _numVertices = 0;
    _positions = nullptr;
    _boundingBox = nullptr;
    if (_payloadVersion != CLASS_VERSION)
        return false;
    if (data && size >= BOX_SIZE)
        _boundingBox = reinterpret_cast<float*>(data);
    _numVertices = CountedArray::CountAt(data, size, BOX_SIZE);
    _positions =
        reinterpret_cast<float*>(CountedArray::ElementsAt(data, size, HEADER_SIZE, _numVertices, POSITION_SIZE));
    updatePreviewSize();
    return true;
}

void DataTypeVertexPositions::updatePreviewSize()
{
    if (_boundingBox)
        PositionsPreview::SizeForBox(_boundingBox, MIN_PREVIEW_EXTENT, PREVIEW_WIDTH, PREVIEW_HEIGHT, _previewWidth,
                                     _previewHeight);
}

} // namespace Hyx
