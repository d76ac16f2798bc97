#pragma once

// A data profile names one kind of layer by three GUIDs: purpose (its role), type (its
// class) and compressed type (for a compressed layer, the type it encodes; nil otherwise).
//
// Relations, with A this profile and B the other:
// - A equals B: all three GUIDs equal; nil equals only nil.
// - A describes B: each GUID of A is nil or equal to B's (A is the pattern).
// - A fulfils B: B describes A (A is the concrete profile, B the requirement).
// - A is fully specified: purpose and type are both non-nil.
// Shared-pointer forms answer false for an empty pointer. A plain value, not synchronised.

#include <Hyx/Export.h>

#include <VornCommon/Guid.h>

#include <memory>
#include <string>

namespace Hyx {

class HYX_API DataProfile {
public:
    /// All three GUIDs nil.
    DataProfile() = default;
    /// Compressed type nil.
    DataProfile(const VornCommon::Guid& purpose, const VornCommon::Guid& type);
    DataProfile(const VornCommon::Guid& purpose, const VornCommon::Guid& type, const VornCommon::Guid& compressedType);
    DataProfile(const DataProfile& other) = default;
    /// Copies the GUIDs of the pointed-to profile (all nil for an empty pointer).
    explicit DataProfile(const std::shared_ptr<DataProfile>& other);
    virtual ~DataProfile();

    DataProfile& operator=(const DataProfile& other) = default;
    bool operator==(const DataProfile& other) const;
    bool operator!=(const DataProfile& other) const { return !(*this == other); }

    VornCommon::Guid GetPurposeGuid() const { return _purpose; }
    VornCommon::Guid GetTypeGuid() const { return _type; }
    VornCommon::Guid GetCompressedTypeGuid() const { return _compressedType; }
    /// A new shared copy of one GUID; changing it leaves the profile alone.
    std::shared_ptr<VornCommon::Guid> GetPurposeGuidPtr() const;
    std::shared_ptr<VornCommon::Guid> GetTypeGuidPtr() const;
    std::shared_ptr<VornCommon::Guid> GetCompressedTypeGuidPtr() const;

    void SetPurposeGuid(const VornCommon::Guid& purpose) { _purpose = purpose; }
    void SetTypeGuid(const VornCommon::Guid& type) { _type = type; }
    void SetCompressedTypeGuid(const VornCommon::Guid& compressedType) { _compressedType = compressedType; }

    /// Purpose and type both non-nil.
    bool IsFullySpecified() const;
    /// Each own GUID is nil or equal to the other's.
    bool Describes(const DataProfile& other) const;
    bool Describes(const std::shared_ptr<DataProfile>& other) const;
    /// The other describes this one.
    bool Fulfills(const DataProfile& other) const;
    bool Fulfills(const std::shared_ptr<DataProfile>& other) const;
    /// All three GUIDs equal.
    bool Equals(const std::shared_ptr<DataProfile>& other) const;

    /// "{\n\t<purpose>\n\t<type>\n\t<compressed>\n}\n" in hexadecimal text.
    std::string ToString() const;
    /// "{<purpose>/<type>/<compressed>}" with GUID aliases where registered.
    std::string ToFriendlyString() const;

private:
    std::string joinGuids(const char* open, const char* separator, const char* close,
                          std::string (*text)(const VornCommon::Guid&)) const;

    VornCommon::Guid _purpose;
    VornCommon::Guid _type;
    VornCommon::Guid _compressedType;
};

} // namespace Hyx
