#pragma once

// Layers that describe how a stream was captured: the recording session, the recording
// switches, the static type of a frame's content and a per-frame confidence value. The
// segment a frame belongs to is the fifth layer of the family (DataTypeSegmentInfo.h).
//
// Contract:
// - The payload is the whole state; the members are a view rebuilt from it after every
//   write and every load. Payloads are little-endian, unaligned, without padding.
// - Constructors write the default payload, so a new layer always holds a current one.
// - Short payloads never fail: missing texts read as empty, missing numbers as 0. Unknown
//   payload versions are refused (DataLayer::initialize reports them).
// - Loading never rewrites an older payload; the next write stores the current version.
// - Used by one thread at a time (see DataLayer).

#include <Hyx/DataLayer.h>
#include <Hyx/DataTypeSegmentInfo.h>
#include <Hyx/Export.h>

#include <VornCommon/Guid.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Hyx {

/// Recording session of a stream: session name, take, the numbers of the capture computers
/// that took part ("NUCs") and the operation mode.
///
/// Payload version 3: SessionName + NUL, TakeId + NUL, u16 count n, n x u16 (the low 16 bits
/// of each list entry), OperationMode + NUL. Versions 0 (the two names), 1 (the two names;
/// the list reads as 0..63) and 2 (names and list) are read; their missing fields are empty.
class HYX_API DataTypeRecordingInfo : public DataLayer {
public:
    static constexpr uint16_t CLASS_VERSION = 3;
    /// The most list entries the u16 count can describe.
    static constexpr size_t MAX_ENABLED_NUCS = 0xFFFF;

    /// Empty texts and list: the payload is 5 zero bytes.
    DataTypeRecordingInfo();
    ~DataTypeRecordingInfo() override;

    /// 87CE9436-3F5D-48A9-AF78-9CED27E332ED.
    static VornCommon::Guid TheTypeGuid();
    /// "DataTypeRecordingInfo" / "RecordingInfo".
    static DataLayerClassInfo TheDataLayerClassInfo();
    VornCommon::Guid TypeGuid() const override;
    DataLayerClassInfo GetDataLayerClassInfo() const override;

    /// Stores all four values and writes the version-3 payload. Null texts count as empty.
    /// Throws std::length_error for a list of more than MAX_ENABLED_NUCS entries.
    void SetValues(const char* sessionName, const char* takeId, std::vector<int> enabledNucs,
                   const char* operationMode);
    /// Replace one value and rewrite the payload; nothing happens when it is unchanged.
    void SetSessionName(const char* sessionName);
    void SetTakeId(const char* takeId);
    void SetOperationMode(const char* operationMode);
    /// The same for the list (with SetValues' length limit).
    void SetEnabledNucs(std::vector<int> enabledNucs);
    /// SetValues with the other layer's four values; nothing for a null layer.
    void CopyValues(const std::shared_ptr<DataTypeRecordingInfo>& other);

    std::string GetSessionName() const { return _sessionName; }
    std::string GetTakeId() const { return _takeId; }
    std::vector<int> GetEnabledNucs() const { return _enabledNucs; }
    std::string GetOperationMode() const { return _operationMode; }
    /// The list in decimal joined by "," ("3,7,12"); "" for an empty list.
    std::string GetEnabledNucsAsString() const;

    /// Base text, then ", SessionName=…, TakeId=…, EnabledNucs=…, OperationMode=…".
    std::string ToString(bool friendly) const override;

protected:
    void onUpdateStatusProperties() override;
    bool deserializeAndMigrate(uint8_t* data, uint32_t size) override;

private:
    std::string _sessionName;
    std::string _takeId;
    std::vector<int> _enabledNucs;
    std::string _operationMode;
};

/// Which kinds of data a recording stored. Payload version 0: one flag byte, bit 0 infrared,
/// 1 colour, 2 point cloud, 3 normals, 4 depth map. Writes clear bits 5-7; loading keeps the
/// whole stored byte.
class HYX_API DataTypeRecordingSettings : public DataLayer {
public:
    static constexpr uint16_t CLASS_VERSION = 0;

    /// All five flags set (byte 31).
    DataTypeRecordingSettings();
    ~DataTypeRecordingSettings() override;

    /// 862ECD7B-4C10-40FC-BB18-B99F471AE57A.
    static VornCommon::Guid TheTypeGuid();
    /// "DataTypeRecordingSettings" / "RecordingSettings".
    static DataLayerClassInfo TheDataLayerClassInfo();
    VornCommon::Guid TypeGuid() const override;
    DataLayerClassInfo GetDataLayerClassInfo() const override;

    /// Forms the flag byte and writes the payload.
    void SetValues(bool recordIr, bool recordCol, bool recordPointCloud, bool recordNormals, bool recordDepthMap);
    /// Change one flag and rewrite the payload; nothing happens when it is unchanged.
    void SetRecordIr(bool value);
    void SetRecordCol(bool value);
    void SetRecordPointCloud(bool value);
    void SetRecordNormals(bool value);
    void SetRecordDepthMap(bool value);
    /// SetValues with the other layer's five flags; nothing for a null layer.
    void CopyValues(const std::shared_ptr<DataTypeRecordingSettings>& other);

    bool GetRecordIr() const { return bit(RECORD_IR); }
    bool GetRecordCol() const { return bit(RECORD_COL); }
    bool GetRecordPointCloud() const { return bit(RECORD_POINT_CLOUD); }
    bool GetRecordNormals() const { return bit(RECORD_NORMALS); }
    bool GetRecordDepthMap() const { return bit(RECORD_DEPTH_MAP); }

    /// Base text, then ", RecIR=Yes|No, RecCOL=…, RecPC=…, RecN=…, RecDM=…".
    std::string ToString(bool friendly) const override;

protected:
    void onUpdateStatusProperties() override;
    bool deserializeAndMigrate(uint8_t* data, uint32_t size) override;

private:
    static constexpr uint8_t RECORD_IR = 1;
    static constexpr uint8_t RECORD_COL = 2;
    static constexpr uint8_t RECORD_POINT_CLOUD = 4;
    static constexpr uint8_t RECORD_NORMALS = 8;
    static constexpr uint8_t RECORD_DEPTH_MAP = 16;

    bool bit(uint8_t mask) const { return (_flags & mask) != 0; }
    void setBit(uint8_t mask, bool value);
    void writeFlags(uint8_t flags);

    uint8_t _flags = 0;
};

/// What a frame's content is. Stored in one byte; other values are kept and shown as "RAW".
enum StaticType : int {
    STATICTYPE_RAW = 0,
    STATICTYPE_DECODED = 1,
    STATICTYPE_REGISTERED = 2,
    STATICTYPE_SPAWN_MESH = 3,
    STATICTYPE_SPAWN_MESH_NO_TEXTURE = 4,
    STATICTYPE_SPAWN_PCL = 5,
    STATICTYPE_SPAWN_PCL_NO_COLORS = 6,
    STATICTYPE_SPAWN_MESH_COLORED = 7
};

/// The static type of a frame. Payload version 0: the type's low byte.
class HYX_API DataTypeStaticInfo : public DataLayer {
public:
    static constexpr uint16_t CLASS_VERSION = 0;

    /// STATICTYPE_RAW.
    DataTypeStaticInfo();
    ~DataTypeStaticInfo() override;

    /// 597F1B9E-2835-40EC-A456-858E6AA286CA.
    static VornCommon::Guid TheTypeGuid();
    /// "DataTypeStaticInfo" / "StaticInfo".
    static DataLayerClassInfo TheDataLayerClassInfo();
    VornCommon::Guid TypeGuid() const override;
    DataLayerClassInfo GetDataLayerClassInfo() const override;

    /// Writes the type's low byte (always, also when unchanged); the view then holds that byte.
    void SetStaticType(StaticType type);
    StaticType GetStaticType() const { return _type; }
    /// "RAW", "DECODED", "REGISTERED", "SPAWN_MESH", then the enumerator names for 4-7;
    /// "RAW" for any other value.
    static std::string StaticTypeToString(StaticType type);

    /// Base text, then ", StaticType=" and StaticTypeToString.
    std::string ToString(bool friendly) const override;

protected:
    void onUpdateStatusProperties() override;
    bool deserializeAndMigrate(uint8_t* data, uint32_t size) override;

private:
    StaticType _type = STATICTYPE_RAW;
};

/// A per-frame confidence value. Payload version 0: f32.
class HYX_API DataTypeSequentialConfidence : public DataLayer {
public:
    static constexpr uint16_t CLASS_VERSION = 0;

    /// Confidence 0.
    DataTypeSequentialConfidence();
    ~DataTypeSequentialConfidence() override;

    /// A778803C-01FA-4CC8-AA16-159DC962BCC2.
    static VornCommon::Guid TheTypeGuid();
    /// "DataTypeSequentialConfidence" / "SequentialConfidence".
    static DataLayerClassInfo TheDataLayerClassInfo();
    VornCommon::Guid TypeGuid() const override;
    DataLayerClassInfo GetDataLayerClassInfo() const override;

    /// Stores the value and writes the payload (always).
    void SetConfidenceLevel(float confidence);
    float GetConfidenceLevel() const { return _confidence; }

    /// Base text, then ", ConfidenceLevel=" and the value (six significant digits).
    std::string ToString(bool friendly) const override;

protected:
    void onUpdateStatusProperties() override;
    bool deserializeAndMigrate(uint8_t* data, uint32_t size) override;

private:
    float _confidence = 0.0f;
};

/// New layers that the caller owns.
HYX_API DataLayer* DataTypeRecordingInfoDataLayerCreator();
HYX_API DataLayer* DataTypeRecordingSettingsDataLayerCreator();
HYX_API DataLayer* DataTypeStaticInfoDataLayerCreator();
HYX_API DataLayer* DataTypeSequentialConfidenceDataLayerCreator();

} // namespace Hyx
