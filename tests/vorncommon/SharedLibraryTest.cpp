#include <VornCommon/SharedLibrary.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

using VornCommon::SharedLibrary;

TEST(SharedLibrary, LoadsFixtureRunsInitialiserAndDestructor)
{
    SharedLibrary library;
    EXPECT_EQ((std::tuple{library.IsLoaded(), library.Symbol("hyx_plugin"), library.LastError().empty()}),
              std::tuple(false, nullptr, false));

    ASSERT_TRUE(library.Load(VORN_FIXTURE_PLUGIN_PATH)) << library.LastError();
    EXPECT_EQ((std::tuple{library.IsLoaded(), library.LastError().empty()}), std::tuple(true, true));

    auto* initialised = static_cast<int*>(library.Symbol("vorn_fixture_initialised"));
    ASSERT_NE(initialised, nullptr);
    EXPECT_EQ(*initialised, 1);
    auto* plugin = static_cast<const char* const*>(library.Symbol("hyx_plugin"));
    ASSERT_NE(plugin, nullptr);
    EXPECT_STREQ(plugin[0], "fixture plug-in");
    EXPECT_STREQ(plugin[1], "1.0");
    EXPECT_EQ(library.Symbol("no_such_symbol"), nullptr);
    EXPECT_NE(library.LastError().find("no_such_symbol"), std::string::npos) << library.LastError();

    // A second handle on the same file shares the loaded image: no second initialisation.
    {
        SharedLibrary again;
        ASSERT_TRUE(again.Load(VORN_FIXTURE_PLUGIN_PATH));
        EXPECT_EQ(*static_cast<int*>(again.Symbol("vorn_fixture_initialised")), 1);
    }
    EXPECT_EQ(*initialised, 1);

    int destroyed = 0;
    *static_cast<int**>(library.Symbol("vorn_fixture_destroyed")) = &destroyed;
    SharedLibrary moved(std::move(library));
    EXPECT_EQ((std::tuple{library.IsLoaded(), moved.IsLoaded(), destroyed}), std::tuple(false, true, 0));
    EXPECT_EQ((std::tuple{bool(moved.Unload()), destroyed}), std::tuple(true, 1));
    EXPECT_FALSE(moved.IsLoaded());
    EXPECT_TRUE(moved.Unload()); // nothing loaded: fine
}

TEST(SharedLibrary, FailuresNameThePath)
{
    const std::filesystem::path folder = std::filesystem::temp_directory_path();
    const std::string missing = (folder / "vorn_no_such_library_vornp.dll").string();
    SharedLibrary library;
    EXPECT_EQ((std::tuple{bool(library.Load(missing)), library.IsLoaded()}), std::tuple(false, false));
    EXPECT_NE(library.LastError().find(missing), std::string::npos) << library.LastError();

    const std::string notElf = (folder / ("vorn_not_elf_" + std::to_string(::getpid()) + "_vornp.dll")).string();
    {
        std::ofstream(notElf) << "this is no shared library\n";
    }
    EXPECT_FALSE(library.Load(notElf));
    EXPECT_NE(library.LastError().find(notElf), std::string::npos) << library.LastError();
    std::filesystem::remove(notElf);

    // A bare name is looked for in the current folder only, never in the library path.
    EXPECT_FALSE(library.Load("libc.so.6"));
    EXPECT_NE(library.LastError().find("./libc.so.6"), std::string::npos) << library.LastError();

    // An empty path must not hand out the main program.
    EXPECT_EQ((std::tuple{bool(library.Load("")), library.IsLoaded(), library.LastError().empty()}),
              std::tuple(false, false, false));
}
