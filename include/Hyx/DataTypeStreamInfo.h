#pragma once

// The layer that describes a stream as a whole: frame rate, number of frames (0xFFFFFFFF:
// automatic), capture orientation, capture host name and id. Every source publishes one.
//
// Payload version 9 (written), little-endian and packed, n + 26 bytes for a host name of n
// bytes: f32 fps @0, u32 frames @4, name + NUL @8, u8 host id @9+n, 16-byte orientation
// (Versorf raw form) @10+n. Versions 0-8 are read and migrated field by field; fields a
// stored version does not carry keep their values; versions above 9 are refused.
//
// Contract:
// - An empty host name is replaced by a default: DEFAULT_HOST_NAME for host id 0,
//   DEFAULT_REMOTE_HOST_NAME for any other id.
// - Every setter rewrites the payload (version 9); SetFPS, SetNumFrames, SetHostName and
//   SetHostId do nothing when the value is unchanged.
// - Used by one thread at a time (see DataLayer).

#include <Hyx/DataLayer.h>
#include <Hyx/Export.h>

#include <VornCommon/Versorf.h>

#include <cstdint>
#include <memory>
#include <string>

namespace Hyx {

class HYX_API DataTypeStreamInfo : public DataLayer {
public:
    static constexpr uint16_t CLASS_VERSION = 9;
    /// The number of frames of a stream whose length is not known in advance.
    static constexpr uint32_t NUM_FRAMES_AUTO = 0xFFFFFFFFu;
    static constexpr const char* DEFAULT_HOST_NAME = "localhost";
    static constexpr const char* DEFAULT_REMOTE_HOST_NAME = "remotehost";

    /// 0 fps, 0 frames, default orientation, host id 0 with its default name.
    DataTypeStreamInfo();
    ~DataTypeStreamInfo() override;

    static VornCommon::Guid TheTypeGuid();
    static DataLayerClassInfo TheDataLayerClassInfo();
    VornCommon::Guid TypeGuid() const override;
    DataLayerClassInfo GetDataLayerClassInfo() const override;

    float GetFPS() const { return _fps; }
    unsigned int GetNumFrames() const { return _numFrames; }
    VornCommon::Versorf GetOrientation() const { return _orientation; }
    std::string GetHostName() const { return _hostName; }
    unsigned char GetHostId() const { return _hostId; }

    void SetFPS(float fps);
    void SetNumFrames(unsigned int numFrames);
    /// Always rewrites the payload.
    void SetOrientation(const VornCommon::Versorf& orientation);
    /// Null counts as empty (and so as the default name).
    void SetHostName(const char* hostName);
    void SetHostId(unsigned char hostId);

    /// Stores all five values and rewrites the payload as version 9; a null or empty name
    /// becomes the default name of the host id.
    void setValues(float fps, unsigned int numFrames, const VornCommon::Versorf& orientation, unsigned char hostId,
                   const char* hostName);
    /// Takes all five values of the other layer; an empty pointer changes nothing.
    void CopyValuesFrom(const std::shared_ptr<DataTypeStreamInfo>& other);

    /// The layer text, then ", FPS=", ", NumFrames=" (a number or "auto"), ", Orientation=",
    /// ", HostId=" and ", HostName=".
    std::string ToString(bool friendly) const override;
    /// Writes ToString(true) with every ", " turned into a line break, plus a final one;
    /// false when the file cannot be written.
    bool SaveToASCIIFile(const char* path) const;

protected:
    /// "FPS", "Num frames", "Orientation", "Host name", "Host ID".
    void onUpdateStatusProperties() override;
    bool deserializeAndMigrate(uint8_t* data, uint32_t size) override;

private:
    float _fps = 0.0f;
    uint32_t _numFrames = 0;
    VornCommon::Versorf _orientation;
    std::string _hostName;
    uint8_t _hostId = 0;
};

/// A new default stream-information layer, owned by the caller.
HYX_API DataLayer* DataTypeStreamInfoDataLayerCreator();

} // namespace Hyx
