#pragma once

// Start-up registration of the built-in classes. One line in a class's source file, inside
// namespace Hyx, defines its static type GUID and class info, their virtual accessors and
// its exported creator, and registers it while the library loads:
//
//     HYX_BUILTIN_DATA_LAYER(DataTypeStreamInfo);
//     HYX_BUILTIN_FILTER(TargetCallback);
//
// The type GUID (and a filter's category) comes from the built-in class table at compile
// time. The registries are created on first use, so the order in which the library's
// files are initialised does not matter; every built-in class is registered before the
// library's loader returns, that is before any host call.

#include "impl/core/BuiltInClassTable.h"
#include "impl/core/datalayers/DataLayerClassRegistry.h"
#include "impl/core/filters/FilterClassRegistry.h"

#include <Hyx/GuidLiteral.h>

namespace Hyx::BuiltIn {

/// Registers one built-in data-layer class when constructed.
struct DataLayerRegistration {
    DataLayerRegistration(const VornCommon::Guid& guid, const DataLayerClassInfo& info,
                          DataLayerFactory::DataLayerCreator creator)
    {
        DataLayerFactory::RegisterDataLayerClass(guid, info, creator);
    }
};

/// Registers one built-in filter class when constructed.
struct FilterRegistration {
    FilterRegistration(const VornCommon::Guid& guid, const FilterClassInfo& info, FilterFactory::FilterCreator creator)
    {
        FilterFactory::RegisterFilterClass(guid, info, creator);
    }
};

} // namespace Hyx::BuiltIn

#define HYX_BUILTIN_DATA_LAYER(ClassName)                                                                              \
    VornCommon::Guid ClassName::TheTypeGuid()                                                                          \
    {                                                                                                                  \
        static constexpr VornCommon::Guid guid =                                                                       \
            ::Hyx::GuidLiteral(::Hyx::BuiltIn::FindDataLayerClass(#ClassName).typeGuid);                               \
        return guid;                                                                                                   \
    }                                                                                                                  \
    ::Hyx::DataLayerClassInfo ClassName::TheDataLayerClassInfo()                                                       \
    {                                                                                                                  \
        static const ::Hyx::DataLayerClassInfo info(#ClassName);                                                       \
        return info;                                                                                                   \
    }                                                                                                                  \
    VornCommon::Guid ClassName::TypeGuid() const                                                                       \
    {                                                                                                                  \
        return TheTypeGuid();                                                                                          \
    }                                                                                                                  \
    ::Hyx::DataLayerClassInfo ClassName::GetDataLayerClassInfo() const                                                 \
    {                                                                                                                  \
        return TheDataLayerClassInfo();                                                                                \
    }                                                                                                                  \
    ::Hyx::DataLayer* ClassName##DataLayerCreator()                                                                    \
    {                                                                                                                  \
        return new ClassName();                                                                                        \
    }                                                                                                                  \
    static const ::Hyx::BuiltIn::DataLayerRegistration s_##ClassName##Registration(                                    \
        ClassName::TheTypeGuid(), ClassName::TheDataLayerClassInfo(), &ClassName##DataLayerCreator)

#define HYX_BUILTIN_FILTER(ClassName)                                                                                  \
    VornCommon::Guid ClassName::TheTypeGuid()                                                                          \
    {                                                                                                                  \
        static constexpr VornCommon::Guid guid =                                                                       \
            ::Hyx::GuidLiteral(::Hyx::BuiltIn::FindFilterClass(#ClassName).typeGuid);                                  \
        return guid;                                                                                                   \
    }                                                                                                                  \
    ::Hyx::FilterClassInfo ClassName::TheFilterClassInfo()                                                             \
    {                                                                                                                  \
        static const ::Hyx::FilterClassInfo info(                                                                      \
            #ClassName, static_cast<::Hyx::FilterCategory>(::Hyx::BuiltIn::FindFilterClass(#ClassName).category));     \
        return info;                                                                                                   \
    }                                                                                                                  \
    VornCommon::Guid ClassName::TypeGuid() const                                                                       \
    {                                                                                                                  \
        return TheTypeGuid();                                                                                          \
    }                                                                                                                  \
    ::Hyx::FilterClassInfo ClassName::GetFilterClassInfo() const                                                       \
    {                                                                                                                  \
        return TheFilterClassInfo();                                                                                   \
    }                                                                                                                  \
    ::Hyx::Filter* ClassName##FilterCreator()                                                                          \
    {                                                                                                                  \
        return new ClassName();                                                                                        \
    }                                                                                                                  \
    static const ::Hyx::BuiltIn::FilterRegistration s_##ClassName##Registration(                                       \
        ClassName::TheTypeGuid(), ClassName::TheFilterClassInfo(), &ClassName##FilterCreator)
