#include <Hyx/GuidAlias.h>

#include <memory>

namespace Hyx::Utils {

VornCommon::SharedGuidAliasDatabasePtr GetHYXGuidAliasDatabase()
{
    // Never destroyed: destructors of other statics may still ask for aliases at exit.
    static const auto* database = [] {
        auto created = std::make_shared<VornCommon::GuidAliasDatabase>();
        created->RegisterGuidAlias(VornCommon::Guid::Nil, VornCommon::String("NIL"));
        return new VornCommon::SharedGuidAliasDatabasePtr(std::move(created));
    }();
    return *database;
}

VornCommon::String GetGuidAlias(const VornCommon::Guid& guid)
{
    VornCommon::String alias;
    if (GetHYXGuidAliasDatabase()->TryGetGuidAlias(guid, alias))
        return alias;
    return VornCommon::String(guid.ToHexString());
}

} // namespace Hyx::Utils
