#include <VornCommon/GuidAliasDatabase.h>

namespace VornCommon {

void GuidAliasDatabase::RegisterGuidAlias(const Guid& guid, const String& alias)
{
    std::lock_guard lock(m_mutex);
    m_aliases.insert_or_assign(guid, alias);
}

bool GuidAliasDatabase::TryGetGuidAlias(const Guid& guid, String& alias) const
{
    std::lock_guard lock(m_mutex);
    const auto found = m_aliases.find(guid);
    if (found == m_aliases.end())
        return false;
    alias = found->second;
    return true;
}

bool GuidAliasDatabase::UnregisterGuidAlias(const Guid& guid)
{
    std::lock_guard lock(m_mutex);
    return m_aliases.erase(guid) > 0;
}

size_t GuidAliasDatabase::Count() const
{
    std::lock_guard lock(m_mutex);
    return m_aliases.size();
}

} // namespace VornCommon
