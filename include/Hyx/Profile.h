#pragma once

// A profile: an ordered set of shared data profiles that a filter receives or produces.
//
// Contract:
// - Filled through Add, it never holds two equal entries; Add of a duplicate answers
//   DataProfileAlreadyExists (39) and changes nothing. It never holds an empty entry.
// - Copies share the entry objects: ChangePurposeGuid on one profile is seen through every
//   copy.
// - Describes(profile) is a one-to-one matching: every own entry describes a distinct
//   entry of the other profile.
// - Fulfils and Contains compare exactly (nil matches only nil); Describes and the
//   pattern searches treat a nil GUID of the pattern as a wildcard.
// - Empty shared pointers give false, empty results or "Undefined Profile"; Add of one
//   adds nothing and answers UnknownError (2).
// - Not synchronised.

#include <Hyx/DataProfile.h>
#include <Hyx/Export.h>
#include <Hyx/HyxErrorCode.h>

#include <VornCommon/Guid.h>

#include <memory>
#include <string>
#include <vector>

namespace Hyx {

class DataLayer;

class HYX_API Profile {
public:
    using SharedDataProfile = std::shared_ptr<DataProfile>;

    /// Empty.
    Profile() = default;
    /// Shares the other's entries.
    Profile(const Profile& other) = default;
    /// Shares the other's entries (empty for an empty pointer).
    explicit Profile(const std::shared_ptr<Profile>& other);
    /// Holds that data profile object (empty for an empty pointer).
    explicit Profile(const SharedDataProfile& dataProfile);
    /// Holds one new data profile.
    Profile(const VornCommon::Guid& purpose, const VornCommon::Guid& type);
    Profile(const VornCommon::Guid& purpose, const VornCommon::Guid& type, const VornCommon::Guid& compressedType);
    virtual ~Profile();

    /// Shares the other's entries.
    Profile& operator=(const Profile& other) = default;

    int GetDataProfileCount() const { return int(_entries.size()); }
    /// The entry at index, or empty when out of range.
    SharedDataProfile GetDataProfileByIndex(int index) const;

    /// Appends unless an equal entry is present (then 39).
    HyxErrorCode Add(const SharedDataProfile& dataProfile);
    HyxErrorCode Add(const VornCommon::Guid& purpose, const VornCommon::Guid& type);
    HyxErrorCode Add(const VornCommon::Guid& purpose, const VornCommon::Guid& type,
                     const VornCommon::Guid& compressedType);
    /// Adds the layer's (purpose, type, compressed type).
    HyxErrorCode Add(const std::shared_ptr<DataLayer>& layer);
    /// Adds the other's entries in order; stops at the first failure and returns its code.
    HyxErrorCode Add(const std::shared_ptr<Profile>& other);
    /// Adds the other's entries, skipping those already present.
    void Merge(const std::shared_ptr<Profile>& other);

    /// Removes every equal entry; always 0.
    HyxErrorCode Remove(const SharedDataProfile& dataProfile);
    HyxErrorCode Remove(const VornCommon::Guid& purpose, const VornCommon::Guid& type,
                        const VornCommon::Guid& compressedType);
    /// Removes every entry of that exact type; always 0.
    HyxErrorCode RemoveAllByType(const VornCommon::Guid& type);
    /// Sets the purpose of every entry in place (seen by every profile sharing them).
    void ChangePurposeGuid(const VornCommon::Guid& purpose);

    /// An entry equals the given one.
    bool Contains(const SharedDataProfile& dataProfile) const;
    bool Contains(const VornCommon::Guid& purpose, const VornCommon::Guid& type,
                  const VornCommon::Guid& compressedType) const;
    /// Every own entry describes a distinct entry of the other.
    bool Describes(const std::shared_ptr<Profile>& other) const;
    /// Some own entry describes the data profile.
    bool Describes(const SharedDataProfile& dataProfile) const;
    /// Contains every entry of the required profile (true for an empty one).
    bool Fulfills(const std::shared_ptr<Profile>& required) const;
    /// Same as Contains.
    bool Fulfills(const SharedDataProfile& dataProfile) const;
    /// "Undefined Profile", "Missing " and the first missing entry's friendly text, or "OK".
    std::string GetFulfillsError(const std::shared_ptr<Profile>& required) const;
    /// Not empty, and every entry fully specified.
    bool IsFullySpecified() const;

    /// First (or last) entry of that exact type; empty when none.
    SharedDataProfile GetDataProfileByType(const VornCommon::Guid& type, bool last) const;
    /// First (or last) entry of that exact purpose and type; empty when none.
    SharedDataProfile GetDataProfileByPurposeAndType(const VornCommon::Guid& purpose, const VornCommon::Guid& type,
                                                     bool last) const;
    /// Every entry of that exact type, in order.
    std::vector<SharedDataProfile> GetDataProfilesByType(const VornCommon::Guid& type) const;
    /// Every entry the pattern describes, in order.
    std::vector<SharedDataProfile> GetDataProfiles(const SharedDataProfile& pattern) const;
    /// First (or last) entry the pattern describes; empty when none.
    SharedDataProfile GetDataProfile(const SharedDataProfile& pattern, bool last) const;

    /// The entries' texts concatenated.
    std::string ToString() const;
    /// The entries' friendly texts joined by the separator.
    std::string ToFriendlyString(const char* separator) const;

private:
    template <typename Predicate>
    SharedDataProfile find(bool last, Predicate predicate) const;

    std::vector<SharedDataProfile> _entries;
};

} // namespace Hyx
