#include <Hyx/Profile.h>

#include <Hyx/DataLayer.h>

#include "ProfileMatching.h"

#include <algorithm>

namespace Hyx {

Profile::Profile(const std::shared_ptr<Profile>& other)
{
    if (other)
        _entries = other->_entries;
}

Profile::Profile(const SharedDataProfile& dataProfile)
{
    if (dataProfile)
        _entries.push_back(dataProfile);
}

Profile::Profile(const VornCommon::Guid& purpose, const VornCommon::Guid& type)
    : _entries{std::make_shared<DataProfile>(purpose, type)}
{
}

Profile::Profile(const VornCommon::Guid& purpose, const VornCommon::Guid& type, const VornCommon::Guid& compressedType)
    : _entries{std::make_shared<DataProfile>(purpose, type, compressedType)}
{
}

Profile::~Profile() = default;

Profile::SharedDataProfile Profile::GetDataProfileByIndex(int index) const
{
    if (index < 0 || size_t(index) >= _entries.size())
        return {};
    return _entries[size_t(index)];
}

HyxErrorCode Profile::Add(const SharedDataProfile& dataProfile)
{
    if (!dataProfile)
        return HyxErrorCode::UnknownError;
    if (Contains(dataProfile))
        return HyxErrorCode::DataProfileAlreadyExists;
    _entries.push_back(dataProfile);
    return HyxErrorCode::Success;
}

HyxErrorCode Profile::Add(const VornCommon::Guid& purpose, const VornCommon::Guid& type)
{
    return Add(std::make_shared<DataProfile>(purpose, type));
}

HyxErrorCode Profile::Add(const VornCommon::Guid& purpose, const VornCommon::Guid& type,
                          const VornCommon::Guid& compressedType)
{
    return Add(std::make_shared<DataProfile>(purpose, type, compressedType));
}

HyxErrorCode Profile::Add(const std::shared_ptr<DataLayer>& layer)
{
    if (!layer)
        return HyxErrorCode::UnknownError;
    return Add(layer->GetPurposeGuid(), layer->TypeGuid(), layer->GetCompressedBlobTypeGuid());
}

HyxErrorCode Profile::Add(const std::shared_ptr<Profile>& other)
{
    if (!other)
        return HyxErrorCode::UnknownError;
    // A copy of the list, so adding a profile to itself terminates.
    const std::vector<SharedDataProfile> entries = other->_entries;
    for (const SharedDataProfile& entry : entries) {
        const HyxErrorCode result = Add(entry);
        if (result != HyxErrorCode::Success)
            return result;
    }
    return HyxErrorCode::Success;
}

void Profile::Merge(const std::shared_ptr<Profile>& other)
{
    if (!other)
        return;
    const std::vector<SharedDataProfile> entries = other->_entries;
    for (const SharedDataProfile& entry : entries)
        Add(entry);
}

HyxErrorCode Profile::Remove(const SharedDataProfile& dataProfile)
{
    if (dataProfile) {
        const DataProfile wanted = *dataProfile; // the argument may be one of our entries
        std::erase_if(_entries, [&](const SharedDataProfile& entry) { return *entry == wanted; });
    }
    return HyxErrorCode::Success;
}

HyxErrorCode Profile::Remove(const VornCommon::Guid& purpose, const VornCommon::Guid& type,
                             const VornCommon::Guid& compressedType)
{
    return Remove(std::make_shared<DataProfile>(purpose, type, compressedType));
}

HyxErrorCode Profile::RemoveAllByType(const VornCommon::Guid& type)
{
    std::erase_if(_entries, [&](const SharedDataProfile& entry) { return entry->GetTypeGuid() == type; });
    return HyxErrorCode::Success;
}

void Profile::ChangePurposeGuid(const VornCommon::Guid& purpose)
{
    for (const SharedDataProfile& entry : _entries)
        entry->SetPurposeGuid(purpose);
}

bool Profile::Contains(const SharedDataProfile& dataProfile) const
{
    if (!dataProfile)
        return false;
    return std::any_of(_entries.begin(), _entries.end(),
                       [&](const SharedDataProfile& entry) { return *entry == *dataProfile; });
}

bool Profile::Contains(const VornCommon::Guid& purpose, const VornCommon::Guid& type,
                       const VornCommon::Guid& compressedType) const
{
    return Contains(std::make_shared<DataProfile>(purpose, type, compressedType));
}

bool Profile::Describes(const std::shared_ptr<Profile>& other) const
{
    if (!other)
        return false;
    const size_t ownCount = _entries.size();
    const size_t otherCount = other->_entries.size();
    std::vector<uint8_t> allowed(ownCount * otherCount);
    for (size_t own = 0; own < ownCount; ++own)
        for (size_t theirs = 0; theirs < otherCount; ++theirs)
            allowed[own * otherCount + theirs] = _entries[own]->Describes(*other->_entries[theirs]);
    return MatchesEveryLeftItem(allowed.data(), ownCount, otherCount);
}

bool Profile::Describes(const SharedDataProfile& dataProfile) const
{
    if (!dataProfile)
        return false;
    return std::any_of(_entries.begin(), _entries.end(),
                       [&](const SharedDataProfile& entry) { return entry->Describes(*dataProfile); });
}

bool Profile::Fulfills(const std::shared_ptr<Profile>& required) const
{
    if (!required)
        return false;
    return std::all_of(required->_entries.begin(), required->_entries.end(),
                       [&](const SharedDataProfile& entry) { return Contains(entry); });
}

bool Profile::Fulfills(const SharedDataProfile& dataProfile) const
{
    return Contains(dataProfile);
}

std::string Profile::GetFulfillsError(const std::shared_ptr<Profile>& required) const
{
    if (!required)
        return "Undefined Profile";
    for (const SharedDataProfile& entry : required->_entries)
        if (!Contains(entry))
            return std::string("Missing ").append(entry->ToFriendlyString());
    return "OK";
}

bool Profile::IsFullySpecified() const
{
    return !_entries.empty() && std::all_of(_entries.begin(), _entries.end(),
                                            [](const SharedDataProfile& entry) { return entry->IsFullySpecified(); });
}

template <typename Predicate>
Profile::SharedDataProfile Profile::find(bool last, Predicate predicate) const
{
    if (last) {
        const auto found = std::find_if(_entries.rbegin(), _entries.rend(),
                                        [&](const SharedDataProfile& entry) { return predicate(*entry); });
        return found == _entries.rend() ? SharedDataProfile() : *found;
    }
    const auto found = std::find_if(_entries.begin(), _entries.end(),
                                    [&](const SharedDataProfile& entry) { return predicate(*entry); });
    return found == _entries.end() ? SharedDataProfile() : *found;
}

Profile::SharedDataProfile Profile::GetDataProfileByType(const VornCommon::Guid& type, bool last) const
{
    return find(last, [&](const DataProfile& entry) { return entry.GetTypeGuid() == type; });
}

Profile::SharedDataProfile Profile::GetDataProfileByPurposeAndType(const VornCommon::Guid& purpose,
                                                                   const VornCommon::Guid& type, bool last) const
{
    return find(last, [&](const DataProfile& entry) {
        return entry.GetPurposeGuid() == purpose && entry.GetTypeGuid() == type;
    });
}

std::vector<Profile::SharedDataProfile> Profile::GetDataProfilesByType(const VornCommon::Guid& type) const
{
    std::vector<SharedDataProfile> found;
    for (const SharedDataProfile& entry : _entries)
        if (entry->GetTypeGuid() == type)
            found.push_back(entry);
    return found;
}

std::vector<Profile::SharedDataProfile> Profile::GetDataProfiles(const SharedDataProfile& pattern) const
{
    std::vector<SharedDataProfile> found;
    if (!pattern)
        return found;
    for (const SharedDataProfile& entry : _entries)
        if (pattern->Describes(*entry))
            found.push_back(entry);
    return found;
}

Profile::SharedDataProfile Profile::GetDataProfile(const SharedDataProfile& pattern, bool last) const
{
    if (!pattern)
        return {};
    return find(last, [&](const DataProfile& entry) { return pattern->Describes(entry); });
}

std::string Profile::ToString() const
{
    std::string text;
    for (const SharedDataProfile& entry : _entries)
        text += entry->ToString();
    return text;
}

std::string Profile::ToFriendlyString(const char* separator) const
{
    std::string text;
    for (size_t i = 0; i < _entries.size(); ++i) {
        if (i != 0 && separator)
            text += separator;
        text += _entries[i]->ToFriendlyString();
    }
    return text;
}

} // namespace Hyx
