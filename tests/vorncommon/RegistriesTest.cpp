#include <VornCommon/GuidAliasDatabase.h>
#include <VornCommon/VarManager.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

using VornCommon::Guid;
using VornCommon::GuidAliasDatabase;
using VornCommon::String;
using VornCommon::VarManager;

TEST(VarManager, ExpandsKnownNamesOnlyAndIgnoresEnvironment)
{
    VarManager* vars = VarManager::getInstance();
    ASSERT_EQ(vars, VarManager::getInstance());
    ::setenv("VORN_TEST_ENV_ONLY", "/from/env", 1);
    vars->setVar("DATA", "/data/takes");
    vars->setVar("EMPTY", "");
    vars->setVar("SELF", "$(SELF)");

    EXPECT_EQ(vars->translateFromVars("$(DATA)/a.hyx"), "/data/takes/a.hyx");
    EXPECT_EQ((std::tuple{vars->translateFromVars("x$(DATA)y$(DATA)"), vars->translateFromVars("$(UNKNOWN)/a"),
                          vars->translateFromVars("$(VORN_TEST_ENV_ONLY)/a"), vars->translateFromVars("$HOME/a"),
                          vars->translateFromVars("a$(EMPTY)b")}),
              std::tuple("x/data/takesy/data/takes", "$(UNKNOWN)/a", "$(VORN_TEST_ENV_ONLY)/a", "$HOME/a", "ab"));
    EXPECT_EQ(vars->translateFromVars("$(SELF)"), "$(SELF)"); // values are not expanded again
    EXPECT_EQ(
        (std::tuple{vars->translateFromVars("$(DATA"), vars->translateFromVars("$(DATA)$("),
                    vars->translateFromVars(static_cast<const char*>(nullptr)), vars->translateFromVars("plain")}),
        std::tuple("$(DATA", "/data/takes$(", "", "plain"));

    std::string value;
    EXPECT_EQ((std::tuple{bool(vars->getVar("DATA", value)), value}), std::tuple(true, "/data/takes"));
    vars->removeVar("DATA");
    EXPECT_EQ((std::tuple{bool(vars->getVar("DATA", value)), vars->translateFromVars("$(DATA)")}),
              std::tuple(false, "$(DATA)"));
    vars->removeVar("EMPTY");
    vars->removeVar("SELF");
    ::unsetenv("VORN_TEST_ENV_ONLY");

    EXPECT_EQ(VarManager::getSettingsValue(), "");
    VarManager::setSettingsValue("/etc/hyx");
    EXPECT_EQ(VarManager::getSettingsValue(), "/etc/hyx");
    VarManager::setSettingsValue("");
}

TEST(GuidAliasDatabaseConcurrency, RegisterWhileOthersRead)
{
    GuidAliasDatabase database;
    std::vector<Guid> guids;
    for (uint8_t i = 0; i < 64; ++i) {
        Guid::Bytes bytes{};
        bytes[15] = i;
        guids.emplace_back(bytes);
    }
    std::thread writer([&] {
        for (int round = 0; round < 20; ++round)
            for (const Guid& guid : guids)
                database.RegisterGuidAlias(guid, round % 2 ? "odd" : "even");
    });
    std::thread reader([&] {
        String alias;
        for (int round = 0; round < 20; ++round)
            for (const Guid& guid : guids)
                if (database.TryGetGuidAlias(guid, alias)) {
                    EXPECT_TRUE(alias == String("odd") || alias == String("even"));
                }
    });
    writer.join();
    reader.join();
    EXPECT_EQ(database.Count(), 64u);
}
