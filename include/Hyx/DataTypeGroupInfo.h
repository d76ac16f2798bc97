#pragma once

// Layer that tags a frame with a numeric group id and a group name.
//
// Payload version 1: u16 group id, then the name's bytes and a NUL (name length + 3 bytes).
// Version 0 (read only): the u16 id alone; loading it keeps the current name. A short
// payload reads as id 0 and an empty name; versions above 1 are refused.
//
// Contract:
// - Every setter rewrites the version-1 payload; the members are re-read from it.
// - A name stops at its first NUL: the payload cannot carry more.
// - Used by one thread at a time (see DataLayer).

#include <Hyx/DataLayer.h>
#include <Hyx/Export.h>

#include <VornCommon/Guid.h>

#include <cstdint>
#include <string>

namespace Hyx {

/// A frame's group id and name.
class HYX_API DataTypeGroupInfo : public DataLayer {
public:
    static constexpr uint16_t CLASS_VERSION = 1;

    /// Id 0, empty name: the payload is 00 00 00.
    DataTypeGroupInfo();
    ~DataTypeGroupInfo() override;

    /// 7425836D-8EED-433F-B604-9F1CAF6F0A5D.
    static VornCommon::Guid TheTypeGuid();
    /// "DataTypeGroupInfo" / "GroupInfo".
    static DataLayerClassInfo TheDataLayerClassInfo();
    VornCommon::Guid TypeGuid() const override;
    DataLayerClassInfo GetDataLayerClassInfo() const override;

    /// Stores the id and rewrites the payload.
    void SetGroupInfo(uint16_t groupId);
    /// Stores the name (up to its first NUL) and rewrites the payload. Throws
    /// std::length_error for a name the payload size cannot hold.
    void SetGroupName(std::string groupName);
    uint16_t GetGroupId() const { return _groupId; }
    std::string GetGroupName() const { return _groupName; }

    /// Base text, then ", GroupID=<id>, GroupName=<name>".
    std::string ToString(bool friendly) const override;

protected:
    void onUpdateStatusProperties() override;
    bool deserializeAndMigrate(uint8_t* data, uint32_t size) override;

private:
    void writePayload();

    uint16_t _groupId = 0;
    std::string _groupName;
};

/// A new DataTypeGroupInfo that the caller owns.
HYX_API DataLayer* DataTypeGroupInfoDataLayerCreator();

} // namespace Hyx
