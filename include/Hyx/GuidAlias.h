#pragma once

// The library's GUID alias database: readable names of type GUIDs (nice names of
// data-layer classes, class names of filter classes) and of purpose GUIDs. Created on
// first use with the alias "NIL" for the nil GUID; lives until the process ends.

#include <Hyx/Export.h>

#include <VornCommon/Guid.h>
#include <VornCommon/GuidAliasDatabase.h>
#include <VornCommon/String.h>

namespace Hyx::Utils {

/// The library's alias database (the same one on every call).
HYX_API VornCommon::SharedGuidAliasDatabasePtr GetHYXGuidAliasDatabase();

/// The alias of a GUID, or its hexadecimal text when it has none.
HYX_API VornCommon::String GetGuidAlias(const VornCommon::Guid& guid);

} // namespace Hyx::Utils
