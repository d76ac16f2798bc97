#pragma once

// The two cameras of one capture view: the colour camera and the infrared (depth) camera.
//
// Payload version 4 (written): the colour camera's raw form, then the infrared camera's
// (VornCommon::CameraParams, 128 bytes each, 256 in all). Versions 0 to 3 store the fields
// one by one with 3x3 rotations and are migrated on load:
//   0      136 bytes: colour w, h, F, C, distortion[5], T, R3x3; infrared w, h, F, C,
//          distortion[5] (the infrared camera takes the colour camera's T and R)
//   1, 2   184 bytes: version 0, then infrared T and R3x3
//   3      192 bytes: per camera w, h, F, C, distortion C, distortion[5], T, R3x3
// A 3x3 rotation becomes the 4x4 matrix with a zero border and 1 in the corner. The colour
// distortion centre is C before version 3; in version 3 it is kept unless it lies more
// than 10 % (relative to the signed C) from C on either axis. The infrared distortion centre
// is always its C.
//
// Contract:
// - The cameras are the layer's state. Serialize writes them afresh into the layer's own
//   buffer (valid until the next Serialize or the layer's end); the payload is read only
//   when loading.
// - A load fills both cameras and sets the payload version to 4. A payload shorter than
//   its version's size, or a version above 4, is refused and the cameras stay as they were.
// - Used by one thread at a time (see DataLayer).

#include <Hyx/DataLayer.h>
#include <Hyx/Export.h>

#include <VornCommon/ByteArray.h>
#include <VornCommon/CameraParams.h>
#include <VornCommon/Guid.h>

#include <cstdint>
#include <memory>
#include <string>

namespace Hyx {

class HYX_API DataTypeCameraParams : public DataLayer {
public:
    static constexpr uint16_t CLASS_VERSION = 4;

    /// Two cameras of size 0 x 0 and focal length (1, 1); payload version 4.
    DataTypeCameraParams();
    ~DataTypeCameraParams() override;

    static VornCommon::Guid TheTypeGuid();
    static DataLayerClassInfo TheDataLayerClassInfo();
    VornCommon::Guid TypeGuid() const override;
    DataLayerClassInfo GetDataLayerClassInfo() const override;

    /// The colour camera, to read or edit in place.
    VornCommon::CameraParams& GetColorCameraParams() { return _color; }
    /// The infrared camera, to read or edit in place.
    VornCommon::CameraParams& GetIRCameraParams() { return _ir; }

    /// Takes both cameras of the other layer (which may be this one); an empty pointer
    /// changes nothing.
    void CopyValuesFrom(std::shared_ptr<DataTypeCameraParams> other);

    /// depthmapWidth / infrared width; 0 while the infrared width is 0.
    float GetDepthmapScale(uint32_t depthmapWidth) const;
    /// The infrared size times scale, each truncated; 0 for a product that is not finite,
    /// negative or beyond 32 bits.
    void GetDepthmapDimensions(float scale, uint32_t& width, uint32_t& height) const;

    /// The version-4 bytes of the two cameras; the payload version becomes 4.
    const uint8_t* Serialize(uint32_t& size) override;
    /// The layer text, then ", Color={<camera>}, IR={<camera>}".
    std::string ToString(bool friendly) const override;

protected:
    /// Eight properties per camera: "Color width" ... "Color rotation", "IR width" ...
    void onUpdateStatusProperties() override;
    bool deserializeAndMigrate(uint8_t* data, uint32_t size) override;

private:
    VornCommon::CameraParams _color;
    VornCommon::CameraParams _ir;
    VornCommon::ByteArray _serialized;
};

/// A new DataTypeCameraParams that the caller owns.
HYX_API DataLayer* DataTypeCameraParamsDataLayerCreator();

} // namespace Hyx
