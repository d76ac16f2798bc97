#pragma once

// Plug-in database operations for the library itself and its tests; hosts use
// <Hyx/PluginDatabase.h>.

#include <Hyx/Export.h>

namespace Hyx {

/// Forgets every plug-in module that nothing else holds, removing its classes (its library
/// unloads); modules whose objects are still alive stay. True when none stayed.
HYX_API bool ReleaseUnusedPlugins();

} // namespace Hyx
