#pragma once

// The data-layer factory: every data-layer class, built-in or from a plug-in, is known by
// its type GUID and created through here.
//
// Contract:
// - One process-wide registry under one recursive mutex; every function below takes it.
// - A GUID registered twice keeps its first class (logged once at level 2).
// - Iteration runs in GUID order and is not guarded: the registry must not change while a
//   host iterates.
// - Creation returns an empty pointer on failure (logged), never throws.

#include <Hyx/ClassInfo.h>
#include <Hyx/Export.h>
#include <Hyx/FactoryIterator.h>
#include <Hyx/SharedPointers.h>

#include <VornCommon/Guid.h>

namespace Hyx {

class DataLayer;

namespace DataLayerFactory {

/// A new layer of a data-layer class, owned by the caller.
using DataLayerCreator = DataLayer* (*)();

/// Registers a class; bound to the plug-in module being loaded, if any. Always null.
HYX_API void* RegisterDataLayerClass(const VornCommon::Guid& guid, const DataLayerClassInfo& info,
                                     DataLayerCreator creator);

/// Copies the class info of a registered or declared class; false, with info untouched,
/// for an unknown GUID.
HYX_API bool TryGetDataLayerClassInfo(const VornCommon::Guid& guid, DataLayerClassInfo& info);

/// The class info; throws std::invalid_argument
/// "No data layer class with guid '<GUID>' registered" for an unknown GUID.
HYX_API DataLayerClassInfo GetDataLayerClassInfo(const VornCommon::Guid& guid);

/// The first entry in GUID order.
HYX_API DataLayerFactoryIterator Begin();
/// Past the last entry.
HYX_API DataLayerFactoryIterator End();

/// A new layer of the class with the given purpose; empty on failure.
HYX_API SharedDataLayerPtr CreateDataLayer(const VornCommon::Guid& type, const VornCommon::Guid& purpose);
/// The same, also setting the payload version (the low 16 bits of version).
HYX_API SharedDataLayerPtr CreateDataLayer(const VornCommon::Guid& type, const VornCommon::Guid& purpose, int version);

} // namespace DataLayerFactory
} // namespace Hyx
