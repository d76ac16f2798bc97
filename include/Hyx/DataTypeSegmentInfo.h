#pragma once

// Layer naming the segment a frame belongs to. The indexed atom writer records the segment
// id of an atom's last such layer in the atom's index entry.
//
// Payload, version 0: u16 segment id (2 bytes). A shorter payload reads as segment 0; bytes
// beyond the field are ignored; any other version is refused.

#include <Hyx/DataLayer.h>
#include <Hyx/Export.h>

#include <VornCommon/Guid.h>

#include <cstdint>
#include <string>

namespace Hyx {

/// The segment id of a frame.
class HYX_API DataTypeSegmentInfo : public DataLayer {
public:
    /// Segment 0, payload version 0.
    DataTypeSegmentInfo();
    ~DataTypeSegmentInfo() override;

    /// D935D227-BBF3-4CF2-A9BA-A9274F31AADF.
    static VornCommon::Guid TheTypeGuid();
    /// "DataTypeSegmentInfo" / "SegmentInfo".
    static DataLayerClassInfo TheDataLayerClassInfo();

    /// Stores the id and rewrites the payload.
    void SetSegmentInfo(uint16_t segmentId);
    /// The segment id.
    uint16_t GetSegmentId() const { return _segmentId; }

    std::string ToString(bool friendly) const override;
    VornCommon::Guid TypeGuid() const override;
    DataLayerClassInfo GetDataLayerClassInfo() const override;

protected:
    void onUpdateStatusProperties() override;
    bool deserializeAndMigrate(uint8_t* data, uint32_t size) override;

private:
    static constexpr uint16_t CLASS_VERSION = 0;
    uint16_t _segmentId = 0;
};

/// A new DataTypeSegmentInfo that the caller owns.
HYX_API DataLayer* DataTypeSegmentInfoDataLayerCreator();

} // namespace Hyx
