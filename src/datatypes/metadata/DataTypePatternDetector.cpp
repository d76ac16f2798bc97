#include <Hyx/DataTypePatternDetector.h>

#include <Hyx/DataReader.h>

#include "datatypes/LayerText.h"
#include "impl/core/BuiltInRegistration.h"

#include <cstring>
#include <stdexcept>

namespace Hyx {

HYX_BUILTIN_DATA_LAYER(DataTypePatternDetector);

namespace {

constexpr uint32_t CIRCLE_BYTES = 12;
constexpr uint32_t POINT_BYTES = 8;
/// R, C, the three counts and the eight statistics.
constexpr uint32_t FIXED_BYTES = 52;

/// Takes the area of count elements at the reader's cursor: true when it fits (out points
/// at it, or stays null for an empty area), false when it does not.
bool takeArea(DataReader& reader, uint64_t count, uint32_t elementBytes, float*& out)
{
    if (count == 0)
        return true;
    const uint32_t remaining = reader.GetDataSize() - reader.GetReaderPos();
    if (count > remaining / elementBytes)
        return false;
    out = reinterpret_cast<float*>(reader.get_byteptr(uint32_t(count * elementBytes)));
    return true;
}

} // namespace

DataTypePatternDetector::DataTypePatternDetector() : DataLayer(CLASS_VERSION)
{
}

DataTypePatternDetector::~DataTypePatternDetector() = default;

void DataTypePatternDetector::Allocate(int numRowOfCircles, int numColOfCircles, int colorPoints,
                                       int secondaryColorPoints, int infraredPoints, CirclesStatistics statistics)
{
    if (numRowOfCircles < 0 || numColOfCircles < 0 || colorPoints < 0 || secondaryColorPoints < 0 || infraredPoints < 0)
        throw std::invalid_argument("DataTypePatternDetector: negative size.");
    const uint64_t circles = uint64_t(numRowOfCircles) * uint64_t(numColOfCircles);
    const uint64_t points = uint64_t(colorPoints) + uint64_t(secondaryColorPoints) + uint64_t(infraredPoints);
    const uint64_t size = FIXED_BYTES + CIRCLE_BYTES * circles + POINT_BYTES * points;
    if (size > UINT32_MAX)
        throw std::length_error("DataTypePatternDetector: payload would exceed 4 GiB.");

    // Arrays the caller filled survive a new Allocate of a buffer that is large enough; a
    // new buffer is zeroed so that no stale memory ever reaches a file.
    const bool keepsBuffer = _payload && _payload->owns() && _payload->capacity() >= size;
    DataWriter writer = preparePayload(uint32_t(size));
    if (!keepsBuffer)
        std::memset(writer.getPtr(), 0, size_t(size));
    writer.write(static_cast<unsigned int>(numRowOfCircles));
    writer.write(static_cast<unsigned int>(numColOfCircles));
    writer.seekforwards(uint32_t(CIRCLE_BYTES * circles));
    for (int count : {colorPoints, secondaryColorPoints, infraredPoints}) {
        writer.write(static_cast<unsigned int>(count));
        writer.seekforwards(uint32_t(POINT_BYTES * uint32_t(count)));
    }
    const CirclesStatistics& st = statistics;
    writer.write(st.averageColorErrorPerCam);
    writer.write(st.averageLengthPerCam);
    writer.write(static_cast<unsigned int>(st.detectedColorFrameCountPerCam));
    writer.write(static_cast<unsigned int>(st.detectedFrameCountPerCam));
    writer.write(st.reprojError);
    writer.write(st.scale);
    writer.write(st.varianceColorErrorPerCam);
    writer.write(st.varianceLengthPerCam);
    initialize();
}

bool DataTypePatternDetector::deserializeAndMigrate(uint8_t* data, uint32_t size)
{
    if (_payloadVersion != CLASS_VERSION)
        return false;
    _circles = _colorPoints = _secondaryColorPoints = _infraredPoints = nullptr;
    _numColorPoints = _numSecondaryColorPoints = _numInfraredPoints = 0;
    _statistics = CirclesStatistics();

    DataReader reader(data, size);
    const uint32_t rows = reader.read_uint32();
    const uint32_t cols = reader.read_uint32();
    _numRows = int(rows);
    _numCols = int(cols);
    // Once an array does not fit, the fields after it cannot be located: they stay 0.
    if (!takeArea(reader, uint64_t(rows) * cols, CIRCLE_BYTES, _circles))
        return true;
    struct List {
        uint32_t& count;
        float*& points;
    };
    const List lists[] = {{_numColorPoints, _colorPoints},
                          {_numSecondaryColorPoints, _secondaryColorPoints},
                          {_numInfraredPoints, _infraredPoints}};
    for (const List& list : lists) {
        if (!reader.read(list.count) || !takeArea(reader, list.count, POINT_BYTES, list.points)) {
            list.count = 0; // a count is only given out with its points
            return true;
        }
    }

    CirclesStatistics& st = _statistics;
    reader.read(st.averageColorErrorPerCam);
    reader.read(st.averageLengthPerCam);
    reader.read(st.detectedColorFrameCountPerCam);
    reader.read(st.detectedFrameCountPerCam);
    reader.read(st.reprojError);
    reader.read(st.scale);
    reader.read(st.varianceColorErrorPerCam);
    reader.read(st.varianceLengthPerCam);
    return true;
}

std::string DataTypePatternDetector::ToString(bool friendly) const
{
    float first[3] = {0, 0, 0};
    if (_circles)
        std::memcpy(first, _circles, sizeof first);
    const CirclesStatistics& st = _statistics;
    std::ostringstream text = LayerText::ClassicStream();
    text << DataLayer::ToString(friendly) << ", numRowOfCircles=" << uint32_t(_numRows)
         << ", numColOfCircles=" << uint32_t(_numCols) << ", firstCircleX=" << first[0] << ", firstCircleY=" << first[1]
         << ", firstCircleZ=" << first[2] << ", averageColorErrorPerCam=" << st.averageColorErrorPerCam
         << ", averageLengthPerCam=" << st.averageLengthPerCam
         << ", detectedColorFrameCountPerCam=" << st.detectedColorFrameCountPerCam
         << ", detectedFrameCountPerCam=" << st.detectedFrameCountPerCam << ", reprojError=" << st.reprojError
         << ", scale=" << st.scale << ", varianceColorErrorPerCam=" << st.varianceColorErrorPerCam
         << ", varianceLengthPerCam=" << st.varianceLengthPerCam;
    return text.str();
}

} // namespace Hyx
