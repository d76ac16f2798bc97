#pragma once

// Base of every data-layer class.
//
// Contract:
// - A layer is identified by its type GUID (the class), its purpose GUID (its role, per
//   instance) and its payload version.
// - The whole state lives in the payload bytes; derived classes keep typed fields only as
//   a view of them. Every setter sizes the payload, writes it with a DataWriter, sets the
//   payload version to the class version (preparePayload does these three) and ends with
//   initialize(), which rebuilds the view through deserializeAndMigrate.
// - Stored bytes arrive through InitializeHeader(purpose, version), then AllocateData and
//   InitializeData with the same pointer and size (no copy), or InitializeData with any
//   other bytes (one copy; bytes inside the payload itself are safe).
// - A refused payload makes initialize() log "Unable to deserialize data layer with guid:
//   <type> (version: <n>)" at level 2 and return false; the view is whatever the derived
//   class left.
// - A layer may drop its payload (null): Serialize then gives size 0, AllocateData and
//   InitializeData create a new one.
// - Only the status-property list is synchronised (its own lock); the rest is used by one
//   thread at a time. Status readers throw std::runtime_error "Invalid status property
//   index" / "Invalid status property name" with the lock released.

#include <Hyx/ClassInfo.h>
#include <Hyx/DataWriter.h>
#include <Hyx/Export.h>
#include <Hyx/FlatMemory.h>
#include <Hyx/StatusProperty.h>

#include <VornCommon/Guid.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace Hyx {

class DataProfile;

class HYX_API DataLayer {
public:
    /// Both versions := classVersion; empty owning payload; nil purpose.
    explicit DataLayer(uint16_t classVersion);
    virtual ~DataLayer();

    DataLayer(const DataLayer&) = delete;
    DataLayer& operator=(const DataLayer&) = delete;

    /// Purpose := argument; the versions stay.
    virtual void InitializeHeader(const VornCommon::Guid& purpose);
    /// Purpose := argument; payload version := version (stored bytes follow).
    virtual void InitializeHeader(const VornCommon::Guid& purpose, uint16_t version);
    /// Same type GUID and purpose; payloads and versions are not compared.
    virtual bool Equals(const DataLayer* other) const;
    /// "Purpose=<g>, Type=<g>[, CompressedType=<g>], Version=<n>"; friendly shows GUID
    /// aliases, otherwise hexadecimal text.
    virtual std::string ToString(bool friendly) const;
    /// The class's type GUID.
    virtual VornCommon::Guid TypeGuid() const = 0;
    /// The class's name and readable name.
    virtual DataLayerClassInfo GetDataLayerClassInfo() const = 0;
    /// Nil; compressed layers return the type GUID of the layer they encode.
    virtual VornCommon::Guid GetCompressedBlobTypeGuid() const;
    /// A named value for display; "" here.
    virtual std::string GetPropertyValue(const char* name) const;
    /// The payload bytes (no copy) and their count; null and 0 without a payload.
    virtual const uint8_t* Serialize(uint32_t& size);
    /// Resizes the payload to size (contents undefined after growth) and returns it.
    virtual uint8_t* AllocateData(uint32_t size);
    /// Loads size bytes into the payload (no copy when data is the payload with that
    /// size) and rebuilds the view. False when the class refuses the bytes.
    virtual bool InitializeData(uint8_t* data, uint32_t size);
    /// Whether the layer can draw itself into an RGBA image; width and height := 0 here.
    virtual bool CanRenderTo2dRgbaBuffer(int& width, int& height);
    /// Draws into width * height * 4 bytes; nothing here.
    virtual void RenderTo2dRgbaBuffer(uint8_t* rgba);

    /// The purpose.
    VornCommon::Guid GetPurposeGuid() const { return _purposeGuid; }
    /// Previous purpose := current; purpose := argument.
    void ChangePurposeGuid(const VornCommon::Guid& purpose);
    /// Purpose := previous purpose, when that is not nil.
    void UndoChangePurposeGuid();
    /// A new data profile of (purpose, TypeGuid, GetCompressedBlobTypeGuid).
    std::shared_ptr<DataProfile> GetDataProfile() const;
    /// The payload version.
    uint16_t GetVersion() const { return _payloadVersion; }
    /// The payload buffer itself (shared; may be null when the layer dropped it).
    std::shared_ptr<FlatMemoryUInt8> GetRawDataPtr() const { return _payload; }

    /// Number of status properties as of the last updateStatusProperties.
    int getNumStatusProperties() const;
    /// Name of the property at index.
    std::string getStatusPropertyName(int index) const;
    /// Text of the property at index.
    std::string getStatusPropertyValue(int index) const;
    /// Text of the first property with exactly that name.
    std::string getStatusPropertyValue(const char* name) const;
    /// Clears the list and lets onUpdateStatusProperties refill it, under the lock.
    void updateStatusProperties();

protected:
    /// Appends properties with addStatusProperty; runs under the status lock.
    virtual void onUpdateStatusProperties();
    /// Rebuilds the typed view from the payload bytes according to the payload version;
    /// false for an unknown version or bytes that do not parse. data is null when size is 0
    /// and there is no payload.
    virtual bool deserializeAndMigrate(uint8_t* data, uint32_t size) = 0;

    /// Index of the first property with exactly that name, -1 when none. Caller holds the
    /// status lock.
    int getStatusPropertyIndex(const char* name) const;
    /// Appends a property; only from onUpdateStatusProperties (the lock is held).
    void addStatusProperty(std::shared_ptr<StatusProperty> property);
    /// Rebuilds the view from the payload; logs and returns false when refused.
    bool initialize();
    /// For setters: sizes the payload to size (creating it when dropped), sets the payload
    /// version to the class version and returns a writer over it.
    DataWriter preparePayload(uint32_t size);

    uint16_t _classVersion;
    uint16_t _payloadVersion;
    std::shared_ptr<FlatMemoryUInt8> _payload;
    VornCommon::Guid _purposeGuid;
    VornCommon::Guid _previousPurposeGuid;
    std::vector<std::shared_ptr<StatusProperty>> _statusProperties;
    mutable std::mutex _statusMutex;

private:
    const StatusProperty& statusPropertyAt(int index) const;
};

} // namespace Hyx
