#pragma once

// Layer that carries the result of detecting a grid pattern of circles: the grid size, the
// circles as 3D points, three lists of 2D points (colour, secondary colour, infrared image)
// and per-camera statistics.
//
// Payload version 0, 52 + 12RC + 8(nc + ns + ni) bytes: u32 rows R, u32 columns C, R x C
// circles of 3 x f32 (row by row), u32 nc and nc colour points of 2 x f32, u32 ns and the
// secondary colour points, u32 ni and the infrared points, then the eight statistics in
// alphabetical order of their names (averageColorErrorPerCam, averageLengthPerCam,
// detectedColorFrameCountPerCam, detectedFrameCountPerCam, reprojError, scale,
// varianceColorErrorPerCam, varianceLengthPerCam).
//
// Contract:
// - The point arrays are used in place: the pointers point into the payload (4-byte aligned
//   inside it). The producer calls Allocate, then fills the arrays through the getters.
// - Loading stops at the first array that does not fit the payload: that array and every
//   later count, array and statistic read as 0 or null, never from another field's bytes.
// - Sizes are computed in 64 bits; sizes whose payload would not fit 32 bits are refused.
// - Used by one thread at a time (see DataLayer).

#include <Hyx/DataLayer.h>
#include <Hyx/Export.h>

#include <VornCommon/Guid.h>

#include <cstdint>
#include <string>

namespace Hyx {

/// Per-camera statistics of a circle-grid detection; all 0 by default.
struct CirclesStatistics {
    float reprojError = 0.0f;
    float scale = 0.0f;
    float averageLengthPerCam = 0.0f;
    float varianceLengthPerCam = 0.0f;
    uint32_t detectedFrameCountPerCam = 0;
    float averageColorErrorPerCam = 0.0f;
    float varianceColorErrorPerCam = 0.0f;
    uint32_t detectedColorFrameCountPerCam = 0;
};

/// A detected circle grid with its image points and statistics.
class HYX_API DataTypePatternDetector : public DataLayer {
public:
    static constexpr uint16_t CLASS_VERSION = 0;

    /// No payload, no arrays, zero sizes and statistics.
    DataTypePatternDetector();
    ~DataTypePatternDetector() override;

    /// 4BE50A3D-994D-4EC2-B65A-C13AA9124839.
    static VornCommon::Guid TheTypeGuid();
    /// "DataTypePatternDetector" / "PatternDetector".
    static DataLayerClassInfo TheDataLayerClassInfo();
    VornCommon::Guid TypeGuid() const override;
    DataLayerClassInfo GetDataLayerClassInfo() const override;

    /// Writes a payload for the given sizes and statistics. Array contents stay as the buffer
    /// held them when it is large enough, and are zero in a new buffer. Throws
    /// std::invalid_argument for a negative size, std::length_error when the payload would
    /// reach 4 GiB.
    void Allocate(int numRowOfCircles, int numColOfCircles, int colorPoints, int secondaryColorPoints,
                  int infraredPoints, CirclesStatistics statistics);

    /// R x C circles of (x, y, z), or null.
    float* GetCirclesCamVec() const { return _circles; }
    /// Points of (x, y) of the colour, secondary colour and infrared images, or null.
    float* Get2DColor() const { return _colorPoints; }
    float* Get2DColorSec() const { return _secondaryColorPoints; }
    float* Get2DIR() const { return _infraredPoints; }
    /// Points in Get2DColor, Get2DColorSec and Get2DIR (0 for a missing array).
    uint32_t GetNum2DColor() const { return _numColorPoints; }
    uint32_t GetNum2DColorSec() const { return _numSecondaryColorPoints; }
    uint32_t GetNum2DIR() const { return _numInfraredPoints; }
    int GetNumRowCircles() const { return _numRows; }
    int GetNumColCircles() const { return _numCols; }

    CirclesStatistics GetCirclesStatistics() const { return _statistics; }
    float GetReprojError() const { return _statistics.reprojError; }
    float GetScale() const { return _statistics.scale; }
    float GetAverageLengthPerCam() const { return _statistics.averageLengthPerCam; }
    float GetVarianceLengthPerCam() const { return _statistics.varianceLengthPerCam; }
    float GetAverageColorErrorPerCam() const { return _statistics.averageColorErrorPerCam; }
    float GetVarianceColorErrorPerCam() const { return _statistics.varianceColorErrorPerCam; }
    uint32_t GetDetectedFrameCountPerCam() const { return _statistics.detectedFrameCountPerCam; }
    /// The stored count as a float.
    float GetDetectedColorFrameCountPerCam() const { return float(_statistics.detectedColorFrameCountPerCam); }

    /// Base text, then ", numRowOfCircles=…, numColOfCircles=…", the first circle (zeros
    /// without circles) and the statistics in payload order.
    std::string ToString(bool friendly) const override;

protected:
    bool deserializeAndMigrate(uint8_t* data, uint32_t size) override;

private:
    float* _circles = nullptr;
    float* _colorPoints = nullptr;
    float* _secondaryColorPoints = nullptr;
    float* _infraredPoints = nullptr;
    uint32_t _numColorPoints = 0;
    uint32_t _numSecondaryColorPoints = 0;
    uint32_t _numInfraredPoints = 0;
    int _numRows = 0;
    int _numCols = 0;
    CirclesStatistics _statistics;
};

/// A new DataTypePatternDetector that the caller owns.
HYX_API DataLayer* DataTypePatternDetectorDataLayerCreator();

} // namespace Hyx
