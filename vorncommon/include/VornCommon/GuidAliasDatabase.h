#pragma once

// Readable aliases for GUIDs ("NIL", purpose names, class names), for log texts and tools.
// Registering an alias for a GUID that has one replaces it. Thread-safe: plug-ins register
// while they load, hosts read on other threads.

#include <VornCommon/Export.h>
#include <VornCommon/Guid.h>
#include <VornCommon/String.h>

#include <map>
#include <memory>
#include <mutex>

namespace VornCommon {

/// Map from GUID to alias.
class VORN_API GuidAliasDatabase {
public:
    /// Sets the alias of guid (replacing an earlier one).
    void RegisterGuidAlias(const Guid& guid, const String& alias);
    /// True and the alias when guid has one; alias is left alone otherwise.
    bool TryGetGuidAlias(const Guid& guid, String& alias) const;
    /// Removes the alias of guid; false when it had none.
    bool UnregisterGuidAlias(const Guid& guid);
    /// Number of GUIDs with an alias.
    size_t Count() const;

private:
    mutable std::mutex m_mutex;
    std::map<Guid, String> m_aliases;
};

/// Shared handle of an alias database.
using SharedGuidAliasDatabasePtr = std::shared_ptr<GuidAliasDatabase>;

} // namespace VornCommon
