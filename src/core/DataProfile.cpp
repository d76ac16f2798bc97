#include <Hyx/DataProfile.h>

#include <Hyx/GuidAlias.h>

namespace Hyx {

namespace {

bool matches(const VornCommon::Guid& pattern, const VornCommon::Guid& value)
{
    return pattern.IsNil() || pattern == value;
}

std::string hex(const VornCommon::Guid& guid)
{
    return std::string(guid.ToHexString());
}

std::string alias(const VornCommon::Guid& guid)
{
    return std::string(Utils::GetGuidAlias(guid));
}

} // namespace

DataProfile::DataProfile(const VornCommon::Guid& purpose, const VornCommon::Guid& type) : _purpose(purpose), _type(type)
{
}

DataProfile::DataProfile(const VornCommon::Guid& purpose, const VornCommon::Guid& type,
                         const VornCommon::Guid& compressedType)
    : _purpose(purpose), _type(type), _compressedType(compressedType)
{
}

DataProfile::DataProfile(const std::shared_ptr<DataProfile>& other)
{
    if (other)
        *this = *other;
}

DataProfile::~DataProfile() = default;

bool DataProfile::operator==(const DataProfile& other) const
{
    return _purpose == other._purpose && _type == other._type && _compressedType == other._compressedType;
}

std::shared_ptr<VornCommon::Guid> DataProfile::GetPurposeGuidPtr() const
{
    return std::make_shared<VornCommon::Guid>(_purpose);
}

std::shared_ptr<VornCommon::Guid> DataProfile::GetTypeGuidPtr() const
{
    return std::make_shared<VornCommon::Guid>(_type);
}

std::shared_ptr<VornCommon::Guid> DataProfile::GetCompressedTypeGuidPtr() const
{
    return std::make_shared<VornCommon::Guid>(_compressedType);
}

bool DataProfile::IsFullySpecified() const
{
    return !_purpose.IsNil() && !_type.IsNil();
}

bool DataProfile::Describes(const DataProfile& other) const
{
    return matches(_purpose, other._purpose) && matches(_type, other._type) &&
           matches(_compressedType, other._compressedType);
}

bool DataProfile::Describes(const std::shared_ptr<DataProfile>& other) const
{
    return other && Describes(*other);
}

bool DataProfile::Fulfills(const DataProfile& other) const
{
    return other.Describes(*this);
}

bool DataProfile::Fulfills(const std::shared_ptr<DataProfile>& other) const
{
    return other && other->Describes(*this);
}

bool DataProfile::Equals(const std::shared_ptr<DataProfile>& other) const
{
    return other && *this == *other;
}

std::string DataProfile::ToString() const
{
    return joinGuids("{\n\t", "\n\t", "\n}\n", hex);
}

std::string DataProfile::ToFriendlyString() const
{
    return joinGuids("{", "/", "}", alias);
}

std::string DataProfile::joinGuids(const char* open, const char* separator, const char* close,
                                   std::string (*text)(const VornCommon::Guid&)) const
{
    // Built by appending: "literal" + temporary trips a false -Wrestrict of g++ 12 at -O3.
    std::string joined = open;
    joined += text(_purpose);
    joined += separator;
    joined += text(_type);
    joined += separator;
    joined += text(_compressedType);
    joined += close;
    return joined;
}

} // namespace Hyx
