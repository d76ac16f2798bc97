#pragma once

// An upright cylindrical cropping volume: centre, radius and height, a rotation and a
// translation applied after it, and whether to crop when decoding and when previewing.
//
// Payload version 2 (written), 50 bytes, little-endian, packed: centre 3 f32 @0, radius
// @12, height @16, rotation x, y, z, w @20, translation 3 f32 @36, u8 decoder switch @48,
// u8 preview switch @49 (not 0 is on). Read only: version 1, 48 bytes (no switches), and
// version 0, 44 bytes (rotation x, y, z with w = 1); the switches keep their values.
// Fields beyond a short payload read as 0; stored rotation elements that make no versor
// (all zero, not finite) give the default rotation. Versions above 2 are refused.
//
// Text file, eight lines ended by "\n", numbers in default stream format:
//   Units: mm
//   CylindricalCutter_Position: x y z
//   CylindricalCutter_Radius: r
//   CylindricalCutter_Height: h
//   Object_Transformation_Matrix: <GetRotTransMatrix, 16 numbers row by row, each + " ">
//   Quaternion_Rotation: x y z w
//   Post_Translation: x y z
//   Post_Scale: 1
// The switches are not stored. Reading starts from the defaults, applies each line whose
// key and number of blank-separated words match one of the lines above (the matrix and
// scale lines are recognised but not used; CR before LF is ignored), skips every other
// line, and rewrites the payload, so the switches are off afterwards. A text in which no
// line is recognised does not parse: the load returns false and changes nothing.
// An empty path or ".cfg" names DEFAULT_FILE_NAME in the host's settings folder
// (VornCommon::VarManager::getSettingsValue; the working directory by default); "$(NAME)"
// variables the host registered are expanded.
//
// Contract:
// - Every setter, SetValues, CopyValuesFrom and text load rewrite the payload (version 2)
//   and re-read the members from it; Reset changes only the members.
// - Used by one thread at a time (see DataLayer).

#include <Hyx/DataLayer.h>
#include <Hyx/Export.h>

#include <VornCommon/Guid.h>
#include <VornCommon/Matrix4x4f.h>
#include <VornCommon/Vector.h>
#include <VornCommon/Versorf.h>

#include <cstdint>
#include <string>

namespace Hyx {

class HYX_API DataTypeCylinderCrop : public DataLayer {
public:
    static constexpr uint16_t CLASS_VERSION = 2;
    static constexpr float DEFAULT_RADIUS = 1000.0f;
    static constexpr float DEFAULT_HEIGHT = 2000.0f;
    static constexpr const char* DEFAULT_FILE_NAME = "CylinderCropParams.cfg";

    /// The defaults (centre 0, radius 1000, height 2000, identity rotation, no translation,
    /// switches off) in a version-2 payload.
    DataTypeCylinderCrop();
    ~DataTypeCylinderCrop() override;

    static VornCommon::Guid TheTypeGuid();
    static DataLayerClassInfo TheDataLayerClassInfo();
    VornCommon::Guid TypeGuid() const override;
    DataLayerClassInfo GetDataLayerClassInfo() const override;

    /// "CylinderCropParams.cfg".
    static std::string GetVORN4DCylinderCropParamsFileName();

    /// Writes all seven values into the payload and re-reads them.
    void SetValues(const VornCommon::Vector3f& centre, float radius, float height, const VornCommon::Versorf& rotation,
                   const VornCommon::Vector3f& translation, bool applyInDecoder, bool applyInPreview);
    /// SetValues with the other layer's values; null changes nothing.
    void CopyValuesFrom(const DataTypeCylinderCrop* other);
    /// Members to the defaults; the payload keeps the previous values until the next write.
    void Reset();

    VornCommon::Vector3f GetCenterPosition() const { return _centre; }
    float GetRadius() const { return _radius; }
    float GetHeight() const { return _height; }
    VornCommon::Versorf GetQuaternionRotation() const { return _rotation; }
    VornCommon::Vector3f GetTranslation() const { return _translation; }
    bool GetApplyCroppingInDecoder() const { return _applyInDecoder; }
    bool GetApplyCroppingInPreview() const { return _applyInPreview; }

    /// Each stores its value and rewrites the payload with all current members.
    void SetRadius(float radius);
    void SetHeight(float height);
    void SetQuaternionRotation(const VornCommon::Versorf& rotation);
    void SetTranslation(const VornCommon::Vector3f& translation);
    void SetApplyCroppingInDecoder(bool apply);
    void SetApplyCroppingInPreview(bool apply);

    /// The translation times the rotation matrix.
    VornCommon::Matrix4x4f GetRotTransMatrix() const;

    /// Loads the text file; false, and nothing changed, when it cannot be read or does not
    /// parse.
    bool LoadFromASCIIFile(const char* path);
    /// Loads size bytes of file text; false, and nothing changed, when they do not parse.
    bool LoadFromASCIIMemory(const uint8_t* text, uint32_t size);
    /// Writes the text file; false when it could not be written.
    bool SaveToASCIIFile(const char* path) const;

    /// The layer text, then ", PosX=" ... ", QuaternionRotW=", ", TranslationX=" ...,
    /// ", Rot0=" ... ", Rot8=" (GetRotTransMatrix's first nine elements row by row),
    /// ", CropInDecoder=yes|no", ", CropInPreview=yes|no".
    std::string ToString(bool friendly) const override;

protected:
    /// "Position", "Radius", "Height", "Quat rot", "_translation", "Apply cropping in
    /// decoder", "Apply cropping in preview".
    void onUpdateStatusProperties() override;
    bool deserializeAndMigrate(uint8_t* data, uint32_t size) override;

private:
    /// The values as of the next write.
    void rewrite();

    VornCommon::Vector3f _centre;
    float _radius = DEFAULT_RADIUS;
    float _height = DEFAULT_HEIGHT;
    VornCommon::Versorf _rotation;
    VornCommon::Vector3f _translation;
    bool _applyInDecoder = false;
    bool _applyInPreview = false;
};

/// A new DataTypeCylinderCrop that the caller owns.
HYX_API DataLayer* DataTypeCylinderCropDataLayerCreator();

} // namespace Hyx
