// Directory and file path parameters, in a temporary folder.

#include <Hyx/FilterParamPath.h>

#include "ParamRecorder.h"

#include <VornCommon/VarManager.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace Hyx;
using HyxTest::Watched;
namespace fs = std::filesystem;

namespace {

class FilterParamPath : public ::testing::Test {
protected:
    void SetUp() override
    {
        _root = fs::temp_directory_path() /
                ("hyx_param_path_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(_root);
        fs::create_directories(_root);
        VornCommon::VarManager::getInstance()->setVar("HYXTESTROOT", _root.string());
    }
    void TearDown() override
    {
        VornCommon::VarManager::getInstance()->removeVar("HYXTESTROOT");
        fs::remove_all(_root);
    }
    std::string path(const std::string& name) const { return (_root / name).string(); }

    fs::path _root;
};

} // namespace

TEST_F(FilterParamPath, DirectoryIsCreatedAndRefusedWhenImpossible)
{
    Watched<FilterParamDirPath> w(std::make_shared<FilterParamDirPath>("Folder", 0u, "$(HYXTESTROOT)/out/a"));
    // The value keeps the variable; the directory was made from the translation.
    EXPECT_EQ(w.param->GetValueAsString(), "$(HYXTESTROOT)/out/a");
    EXPECT_EQ(w.param->GetAbsoluteDirPath(), path("out/a"));
    EXPECT_TRUE(fs::is_directory(path("out/a")));

    w.param->SetValueAsString(path("b").c_str());
    EXPECT_TRUE(fs::is_directory(path("b")));
    EXPECT_EQ(w.param->GetValue(), path("b"));
    w.param->SetValueAsString(path("b").c_str());
    EXPECT_EQ(w.Notified(), 1u);

    // A directory below a plain file cannot be made: the value stays.
    std::ofstream(path("file")) << "x";
    w.param->SetValueAsString(path("file/sub").c_str());
    EXPECT_EQ(w.param->GetValue(), path("b"));
    EXPECT_EQ(w.Notified(), 1u);

    // Empty text empties the path silently.
    w.param->SetValueAsString("");
    EXPECT_EQ(w.param->GetValue(), "");
    w.param->SetValueAsString(path("b").c_str());
    w.param->SetValueAsString(nullptr);
    EXPECT_EQ(w.param->GetValue(), "");
    EXPECT_EQ(w.Notified(), 2u);

    auto none = std::make_shared<FilterParamDirPath>("None", 0u, nullptr);
    EXPECT_EQ(none->GetValue(), "");
}

TEST_F(FilterParamPath, ExtensionRule)
{
    Watched<FilterParamWriteFilePath> w(std::make_shared<FilterParamWriteFilePath>("Out", 0u, "take", "abc"));
    EXPECT_EQ(w.param->GetValue(), "take.abc");
    EXPECT_EQ(w.param->GetExtension(), "abc");
    const std::pair<const char*, const char*> cases[] = {
        {"clip", "clip.abc"},
        {"clip.", "clip.abc"},
        {"clip.abc", "clip.abc"},
        {"clip.ABC", "clip.ABC"},
        {"dir.v2/clip", "dir.v2/clip.abc"},
        {"", ""},
        {"clipabc", "clipabc"},
    };
    for (const auto& [text, expected] : cases) {
        w.param->SetValueAsString(text);
        EXPECT_EQ(w.param->GetValueAsString(), expected) << text;
    }
    w.param->SetValueAsString(nullptr);
    EXPECT_EQ(w.param->GetValue(), "");

    auto noExtension = std::make_shared<FilterParamWriteFilePath>("Out", 0u, nullptr, nullptr);
    EXPECT_EQ(noExtension->GetValue(), "");
    noExtension->SetValueAsString("clip");
    EXPECT_EQ(noExtension->GetValue(), "clip");
}

TEST_F(FilterParamPath, ReadPathExistenceAndStatus)
{
    std::ofstream(path("present.hyx")) << "x";
    auto present = std::make_shared<FilterParamReadFilePath>("In", 0u, "$(HYXTESTROOT)/present", "hyx");
    EXPECT_EQ(present->GetValue(), "$(HYXTESTROOT)/present.hyx");
    EXPECT_EQ(present->GetAbsoluteFilePath(), path("present.hyx"));
    EXPECT_EQ(present->GetStatus(), "");

    // A missing default leaves the path empty.
    auto missing = std::make_shared<FilterParamReadFilePath>("In", 0u, path("missing").c_str(), "hyx");
    EXPECT_EQ(missing->GetValue(), "");

    // Setting a missing file stores it; the status names the absolute path.
    Watched<FilterParamReadFilePath> w(std::make_shared<FilterParamReadFilePath>("In", 0u, nullptr, "hyx"));
    w.param->SetValueAsString("$(HYXTESTROOT)/gone");
    EXPECT_EQ(w.param->GetValue(), "$(HYXTESTROOT)/gone.hyx");
    EXPECT_EQ(w.param->GetStatus(), "File '" + path("gone.hyx") + "' does not exist.");
    EXPECT_EQ(w.Notified(), 1u);
}
