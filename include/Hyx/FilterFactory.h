#pragma once

// The filter factory: every filter class, built-in or from a plug-in, is known by
// its type GUID and created through here.
//
// Contract:
// - One process-wide registry under one recursive mutex; every function below takes it.
// - A GUID registered twice keeps its first class (logged once at level 2).
// - Iteration runs in GUID order and is not guarded: the registry must not change while a
//   host iterates.
// - Creation returns an empty pointer on failure (logged).

#include <Hyx/ClassInfo.h>
#include <Hyx/Export.h>
#include <Hyx/FactoryIterator.h>
#include <Hyx/SharedPointers.h>

#include <VornCommon/Guid.h>

namespace Hyx {

class Filter;

namespace FilterFactory {

/// A new filter of a filter class, owned by the caller.
using FilterCreator = Filter* (*)();

/// Registers a class; bound to the plug-in module being loaded, if any. Always null.
HYX_API void* RegisterFilterClass(const VornCommon::Guid& guid, const FilterClassInfo& info, FilterCreator creator);

/// Copies the class info of a registered or declared class; false, with info untouched,
/// for an unknown GUID.
HYX_API bool TryGetFilterClassInfo(const VornCommon::Guid& guid, FilterClassInfo& info);

/// The class info; throws std::invalid_argument
/// "No filter class with guid '<GUID>' registered" for an unknown GUID.
HYX_API FilterClassInfo GetFilterClassInfo(const VornCommon::Guid& guid);

/// The first entry in GUID order.
HYX_API FilterFactoryIterator Begin();
/// Past the last entry.
HYX_API FilterFactoryIterator End();

/// A new filter of the class, taken through its first life-cycle steps with its upstream
/// filter and its graph; a filter whose pre-initialisation fails is still returned. Empty
/// when the class is unknown (logged at level 2) or cannot be created. Defined with the
/// filter life cycle.
HYX_API SharedFilterPtr CreateFilter(const VornCommon::Guid& type, SharedFilterPtr upstream, SharedGraphPtr graph);

} // namespace FilterFactory
} // namespace Hyx
