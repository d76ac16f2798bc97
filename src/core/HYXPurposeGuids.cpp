#include <Hyx/HYXPurposeGuids.h>

#include <Hyx/GuidAlias.h>

namespace Hyx::HYXPurposeGuids {

VornCommon::Guid RegisterPurposeGuidAlias(const VornCommon::Guid& guid, const VornCommon::String& alias)
{
    Utils::GetHYXGuidAliasDatabase()->RegisterGuidAlias(guid, alias);
    return guid;
}

namespace {

// While the library loads: every purpose GUID gets its alias, once.
[[maybe_unused]] const bool s_purposeAliasesRegistered = [] {
    for (const auto& purpose : ALL_PURPOSE_GUIDS)
        RegisterPurposeGuidAlias(purpose.guid, std::string(purpose.alias));
    return true;
}();

} // namespace
} // namespace Hyx::HYXPurposeGuids
