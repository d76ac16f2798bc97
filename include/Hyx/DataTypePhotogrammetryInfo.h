#pragma once

// Layer that carries the rigid relation between two cameras of a capture set-up: a
// translation and a 3x3 rotation, and for each camera (source, target) the id of its
// stream and a GUID naming it.
//
// Payload version 3 (88 bytes): 3 x f32 translation @0, 9 x f32 rotation @12 (stored
// order), u32 source stream id @48, source GUID @52, u32 target stream id @68, target GUID
// @72 (GUIDs as their 16 raw bytes). Read only: version 1 (52 bytes: u32 source id @0,
// translation @4, rotation @16; source GUID := CAMERA_PRIMARY) and version 2 (68 bytes: as
// version 1, then the source GUID @52). Both migrate with target id := source id and target
// GUID := SECONDARY_COLOR.
//
// Contract:
// - Every field is read at its fixed offset; a field the payload is too short for reads as
//   0, the nil GUID or a null pointer, and never from another field's bytes.
// - Translation and rotation are used in place: the pointers point into the payload
//   (4-byte aligned inside it) and writing through them changes the payload.
// - Setters write version 3 and carry over the current translation and rotation (zeros and
//   the identity when the payload lacks them). Loading never rewrites an older payload.
// - Used by one thread at a time (see DataLayer).

#include <Hyx/DataLayer.h>
#include <Hyx/Export.h>

#include <VornCommon/Guid.h>

#include <cstdint>
#include <memory>
#include <string>

namespace Hyx {

/// The registration between two camera streams.
class HYX_API DataTypePhotogrammetryInfo : public DataLayer {
public:
    static constexpr uint16_t CLASS_VERSION = 3;
    static constexpr uint32_t PAYLOAD_SIZE = 88;

    /// The defaults of InitWithDefaultValues.
    DataTypePhotogrammetryInfo();
    ~DataTypePhotogrammetryInfo() override;

    /// C53D8F9A-3D67-4C92-9CB9-79C62D4450FC.
    static VornCommon::Guid TheTypeGuid();
    /// "DataTypePhotogrammetryInfo" / "PhotogrammetryInfo".
    static DataLayerClassInfo TheDataLayerClassInfo();
    VornCommon::Guid TypeGuid() const override;
    DataLayerClassInfo GetDataLayerClassInfo() const override;

    /// The three translation floats inside the payload, or null.
    float* GetTranslation() const { return _translation; }
    /// The nine rotation floats inside the payload, or null.
    float* GetRotation() const { return _rotation; }
    uint32_t GetStreamIdSourceCamera() const { return _sourceStreamId; }
    uint32_t GetStreamIdTargetCamera() const { return _targetStreamId; }
    VornCommon::Guid GetGuidSourceCamera() const { return _sourceGuid; }
    VornCommon::Guid GetGuidTargetCamera() const { return _targetGuid; }

    /// Store the id and rewrite the payload; nothing happens when it is unchanged.
    void SetStreamIdSourceCamera(uint32_t streamId);
    void SetStreamIdTargetCamera(uint32_t streamId);
    /// Store the GUID and rewrite the payload (always).
    void SetSourceCameraGuid(const VornCommon::Guid& guid);
    void SetTargetCameraGuid(const VornCommon::Guid& guid);
    /// Translation 0, rotation the identity, both ids 0, source GUID the purpose
    /// PHOTOGRAMMETRY, target GUID the purpose VORN4D.
    void InitWithDefaultValues();
    /// Rewrites this payload with the other layer's values; nothing for a null layer.
    void CopyValuesFrom(const std::shared_ptr<DataTypePhotogrammetryInfo>& other);

    /// Base text, then ", translation=x y z, rotation=r0 … r8, StreamIdSourceCam=…,
    /// GuidSourceCam=<alias>, StreamIdTargetCam=…, GuidTargetCam=<alias>"; missing arrays
    /// show as zeros.
    std::string ToString(bool friendly) const override;

protected:
    void onUpdateStatusProperties() override;
    bool deserializeAndMigrate(uint8_t* data, uint32_t size) override;

private:
    void writePayload(const float* translation, const float* rotation, uint32_t sourceStreamId,
                      const VornCommon::Guid& sourceGuid, uint32_t targetStreamId, const VornCommon::Guid& targetGuid);

    float* _translation = nullptr;
    float* _rotation = nullptr;
    uint32_t _sourceStreamId = 0;
    VornCommon::Guid _sourceGuid;
    uint32_t _targetStreamId = 0;
    VornCommon::Guid _targetGuid;
};

/// A new DataTypePhotogrammetryInfo that the caller owns.
HYX_API DataLayer* DataTypePhotogrammetryInfoDataLayerCreator();

} // namespace Hyx
