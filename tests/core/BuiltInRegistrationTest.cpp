// Every built-in class that exists in the library is registered at load with the GUID,
// name and category of the built-in class table, and the purpose aliases are in place.
// A class "exists" when the library exports its creator.

#include "impl/core/BuiltInClassTable.h"
#include "impl/core/datalayers/DataLayerClassRegistry.h"
#include "impl/core/filters/FilterClassRegistry.h"

#include <Hyx/GuidAlias.h>
#include <Hyx/HYXPurposeGuids.h>

#include <gtest/gtest.h>

#include <dlfcn.h>

using namespace Hyx;
using VornCommon::Guid;

namespace {

/// The exported creator Hyx::<name>() of a built-in class, or null when the library has none.
void* creatorSymbol(std::string_view className, std::string_view suffix)
{
    const std::string function = std::string(className) + std::string(suffix);
    const std::string mangled = "_ZN3Hyx" + std::to_string(function.size()) + function + "Ev";
    return dlsym(RTLD_DEFAULT, mangled.c_str());
}

/// Checks every row whose class exists against its registry entry; the number of
/// existing classes. extraCheck(row, guid, descriptor) adds the kind's own expectations.
template <class Rows, class Registry, class ExtraCheck>
size_t checkRows(const Rows& rows, Registry& registry, std::recursive_mutex& mutex, std::string_view creatorSuffix,
                 ExtraCheck extraCheck)
{
    size_t existing = 0;
    for (const auto& row : rows) {
        void* creator = creatorSymbol(row.className, creatorSuffix);
        if (!creator)
            continue;
        ++existing;
        std::lock_guard lock(mutex);
        auto it = registry.find(Guid::FromHexString(std::string(row.typeGuid)));
        EXPECT_NE(it, registry.end()) << row.className << " exists but is not registered";
        if (it == registry.end())
            continue;
        EXPECT_EQ(it->second->classInfo.GetClassName().StdString(), row.className);
        EXPECT_EQ(reinterpret_cast<void*>(it->second->creator), creator) << row.className;
        EXPECT_EQ(it->second->module, nullptr) << row.className;
        extraCheck(row, it->first, *it->second);
    }
    return existing;
}

/// Registered classes without a module whose GUID is in the table.
template <class Rows, class Registry>
size_t countRegistered(const Rows& rows, Registry& registry, std::recursive_mutex& mutex)
{
    std::lock_guard lock(mutex);
    size_t count = 0;
    for (const auto& row : rows) {
        auto it = registry.find(Guid::FromHexString(std::string(row.typeGuid)));
        count += it != registry.end() && !it->second->module && it->second->creator;
    }
    return count;
}

size_t checkDataLayers()
{
    return checkRows(BuiltIn::BUILTIN_DATA_LAYER_CLASSES, DataLayerFactory::GetDataLayerClassRegistry(),
                     DataLayerFactory::GetDataLayerClassRegistryMutex(), "DataLayerCreator",
                     [](const auto&, const Guid& guid, const DataLayerClassDescriptor& descriptor) {
                         // A data-layer class is known by its nice name.
                         EXPECT_EQ(Utils::GetGuidAlias(guid), descriptor.classInfo.GetNiceClassName());
                     });
}

size_t checkFilters()
{
    return checkRows(
        BuiltIn::BUILTIN_FILTER_CLASSES, FilterFactory::GetFilterClassRegistry(),
        FilterFactory::GetFilterClassRegistryMutex(), "FilterCreator",
        [](const BuiltIn::BuiltInFilterClass& row, const Guid& guid, const FilterClassDescriptor& descriptor) {
            EXPECT_EQ(static_cast<int>(descriptor.classInfo.GetCategory()), row.category) << row.className;
            // A filter class is known by its class name.
            EXPECT_EQ(Utils::GetGuidAlias(guid).StdString(), row.className);
        });
}

size_t countBuiltInDataLayers()
{
    return countRegistered(BuiltIn::BUILTIN_DATA_LAYER_CLASSES, DataLayerFactory::GetDataLayerClassRegistry(),
                           DataLayerFactory::GetDataLayerClassRegistryMutex());
}

size_t countBuiltInFilters()
{
    return countRegistered(BuiltIn::BUILTIN_FILTER_CLASSES, FilterFactory::GetFilterClassRegistry(),
                           FilterFactory::GetFilterClassRegistryMutex());
}

} // namespace

TEST(BuiltInRegistration, EveryExistingClassOfTheTableIsRegistered)
{
    const size_t dataLayers = checkDataLayers();
    const size_t filters = checkFilters();
    EXPECT_GE(dataLayers, 1u); // the stream information at least
    // No table GUID is registered without its class existing.
    EXPECT_EQ((std::tuple{countBuiltInDataLayers(), countBuiltInFilters()}), std::tuple(dataLayers, filters));
}
