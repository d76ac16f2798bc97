// Runs in a process of its own, where no plug-in library has been loaded before.

#include "PluginDatabaseTestSupport.h"

#include <Hyx/GuidAlias.h>

using namespace DatabasePlugins;

using PluginCacheFreshProcess = PluginTest;

TEST_F(PluginCacheFreshProcess, DeclaresWithoutLoadingAndLoadsOnFirstUse)
{
    const fs::path folder = FreshFolder();
    const fs::path alpha = Install(ALPHA_BUILD, folder / "alpha_vornp.dll", T0);
    const fs::path beta = Install(BETA_BUILD, folder / "lib" / "beta_vornp.dll", T0 + 100);
    const std::string cache = CacheText({{Alpha, "alpha_vornp.dll", T0}, {Beta, "lib/beta_vornp.dll", T0 + 100}});
    WriteText(folder / "plugins.xml", cache);
    const ClassCounts builtIn = CountClasses();

    // The cache declares every class; no library is loaded.
    PluginDatabase::LoadPluginsFromCacheFile((folder / "plugins.xml").string());
    EXPECT_EQ(log.Count(LogLevel::Info, "Done loading plugins database cache file"), 1);
    EXPECT_EQ(CountClasses(), (ClassCounts{builtIn.filters + 2, builtIn.dataLayers + 2}));
    EXPECT_FALSE(IsLoaded(alpha));
    EXPECT_FALSE(IsLoaded(beta));
    EXPECT_EQ(Hyx::DataLayerFactory::GetDataLayerClassInfo(LayerGuid(Alpha)).GetNiceClassName(), "TestAlpha");
    const auto betaFilter = Hyx::FilterFactory::GetFilterClassInfo(FilterGuid(Beta));
    EXPECT_EQ(betaFilter.GetNiceClassName(), "#TestBeta");
    EXPECT_EQ(betaFilter.GetCategory(), Hyx::FilterCategory::Compressor);
    EXPECT_EQ(Hyx::Utils::GetGuidAlias(LayerGuid(Beta)), "TestBeta");
    EXPECT_EQ(Hyx::Utils::GetGuidAlias(FilterGuid(Alpha)), "TransformTestAlpha");

    // The first creation loads the class's library, once; the other library stays unloaded.
    const auto purpose = VornCommon::Guid::FromHexString("6F0022F4-A3D5-4CCA-8DAC-ADCC3B37C839");
    auto first = Hyx::DataLayerFactory::CreateDataLayer(LayerGuid(Alpha), purpose);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->GetPurposeGuid(), purpose);
    EXPECT_EQ(first->GetPropertyValue("version"), "1");
    EXPECT_TRUE(IsLoaded(alpha));
    EXPECT_FALSE(IsLoaded(beta));
    EXPECT_TRUE(Hyx::DataLayerFactory::CreateDataLayer(LayerGuid(Alpha), purpose, 0x10001));
    EXPECT_EQ(log.Count(LogLevel::Info, "Plugin 'alpha_vornp.dll' loaded: name 'Alpha' version 1"), 1);

    EXPECT_EQ(Hyx::FilterFactory::CreateInstance(FilterGuid(Beta)), nullptr);
    EXPECT_EQ(FilterCreations(beta), 1);
    EXPECT_EQ(Hyx::FilterFactory::CreateInstance(FilterGuid(Beta)), nullptr);
    EXPECT_EQ(FilterCreations(beta), 2);
    EXPECT_EQ(log.Count(LogLevel::Info, "Plugin 'beta_vornp.dll' loaded: name 'Beta' version 1"), 1);
    EXPECT_FALSE(log.Contains("missing creator"));

    // A scan finds both files as recorded, and the saved cache is the file that was read.
    log.Clear();
    PluginDatabase::ScanFolderForPlugins(folder.string(), false, false, true);
    ExpectLogged(LogLevel::Info, {"Registered up-to-date plugin found: 'alpha_vornp.dll'",
                                  "Registered up-to-date plugin found: 'beta_vornp.dll'"});
    PluginDatabase::SavePluginsToCacheFile((folder / "saved.xml").string());
    EXPECT_EQ(ReadText(folder / "saved.xml"), cache);
}
