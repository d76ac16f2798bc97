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

/// Registered classes without a module whose GUID is in the table.
template <class Registry, class Rows>
size_t countBuiltIns(Registry& registry, std::recursive_mutex& mutex, const Rows& rows)
{
    std::lock_guard lock(mutex);
    size_t count = 0;
    for (const auto& row : rows) {
        auto it = registry.find(Guid::FromHexString(std::string(row.typeGuid)));
        count += it != registry.end() && !it->second->module && it->second->creator;
    }
    return count;
}

size_t countBuiltInDataLayers()
{
    return countBuiltIns(DataLayerFactory::GetDataLayerClassRegistry(), DataLayerFactory::GetDataLayerClassRegistryMutex(),
                         BuiltIn::BUILTIN_DATA_LAYER_CLASSES);
}

size_t countBuiltInFilters()
{
    return countBuiltIns(FilterFactory::GetFilterClassRegistry(), FilterFactory::GetFilterClassRegistryMutex(),
                         BuiltIn::BUILTIN_FILTER_CLASSES);
}

struct Census {
    size_t dataLayersExisting = 0;
    size_t filtersExisting = 0;
};

Census checkTables()
{
    Census census;
    auto& layers = DataLayerFactory::GetDataLayerClassRegistry();
    auto& filters = FilterFactory::GetFilterClassRegistry();
    for (const auto& row : BuiltIn::BUILTIN_DATA_LAYER_CLASSES) {
        void* creator = creatorSymbol(row.className, "DataLayerCreator");
        if (!creator)
            continue;
        ++census.dataLayersExisting;
        std::lock_guard lock(DataLayerFactory::GetDataLayerClassRegistryMutex());
        auto it = layers.find(Guid::FromHexString(std::string(row.typeGuid)));
        EXPECT_NE(it, layers.end()) << row.className << " exists but is not registered";
        if (it == layers.end())
            continue;
        EXPECT_EQ(it->second->classInfo.GetClassName().StdString(), row.className);
        EXPECT_EQ(reinterpret_cast<void*>(it->second->creator), creator) << row.className;
        EXPECT_EQ(it->second->module, nullptr) << row.className;
        EXPECT_EQ(Utils::GetGuidAlias(it->first), it->second->classInfo.GetNiceClassName());
    }
    for (const auto& row : BuiltIn::BUILTIN_FILTER_CLASSES) {
        void* creator = creatorSymbol(row.className, "FilterCreator");
        if (!creator)
            continue;
        ++census.filtersExisting;
        std::lock_guard lock(FilterFactory::GetFilterClassRegistryMutex());
        auto it = filters.find(Guid::FromHexString(std::string(row.typeGuid)));
        EXPECT_NE(it, filters.end()) << row.className << " exists but is not registered";
        if (it == filters.end())
            continue;
        EXPECT_EQ(it->second->classInfo.GetClassName().StdString(), row.className);
        EXPECT_EQ(static_cast<int>(it->second->classInfo.GetCategory()), row.category) << row.className;
        EXPECT_EQ(reinterpret_cast<void*>(it->second->creator), creator) << row.className;
        EXPECT_EQ(Utils::GetGuidAlias(it->first).StdString(), row.className); // filters: the class name
    }
    return census;
}

} // namespace

TEST(BuiltInRegistration, EveryExistingClassOfTheTableIsRegistered)
{
    const Census census = checkTables();
    EXPECT_GE(census.dataLayersExisting, 1u); // the stream information at least
    // No table GUID is registered without its class existing.
    EXPECT_EQ(countBuiltInDataLayers(), census.dataLayersExisting);
    EXPECT_EQ(countBuiltInFilters(), census.filtersExisting);
}

TEST(BuiltInRegistration, AllFiftySixDataLayersAndNinetyFourFilters)
{
    const Census census = checkTables();
    if (census.dataLayersExisting < std::size(BuiltIn::BUILTIN_DATA_LAYER_CLASSES) ||
        census.filtersExisting < std::size(BuiltIn::BUILTIN_FILTER_CLASSES))
        GTEST_SKIP() << "built so far: " << census.dataLayersExisting << " of 56 data-layer classes, "
                     << census.filtersExisting << " of 94 filter classes";
    EXPECT_EQ(countBuiltInDataLayers(), 56u);
    EXPECT_EQ(countBuiltInFilters(), 94u);
}

TEST(BuiltInRegistration, PurposeAliases)
{
    for (const auto& purpose : HYXPurposeGuids::ALL_PURPOSE_GUIDS)
        EXPECT_EQ(Utils::GetGuidAlias(purpose.guid).StdString(), purpose.alias);
    EXPECT_EQ(Utils::GetGuidAlias(Guid::FromHexString("6F0022F4-A3D5-4CCA-8DAC-ADCC3B37C839")), "VORN4D");
    EXPECT_EQ(Utils::GetGuidAlias(HYXPurposeGuids::Network), "Network");
    EXPECT_EQ(Utils::GetGuidAlias(Guid::Nil), "NIL");
    const Guid unknown = Guid::FromHexString("0BADC0DE-0000-4000-8000-000000000000");
    EXPECT_EQ(Utils::GetGuidAlias(unknown), unknown.ToHexString());
    EXPECT_EQ(HYXPurposeGuids::RegisterPurposeGuidAlias(HYXPurposeGuids::THUMBNAIL, "THUMBNAIL"),
              HYXPurposeGuids::THUMBNAIL);
    EXPECT_EQ(Utils::GetGuidAlias(HYXPurposeGuids::THUMBNAIL), "THUMBNAIL");
}
