// The injection transforms: the purpose parameter, replacing a layer of the same purpose,
// file loading with its failures, and bytes handed over while the graph plays.

#include "FilterTestUtil.h"

#include <CapturedLog.h>
#include <TempDir.h>

#include <Hyx/DataTypeByteArray.h>
#include <Hyx/SourceManual.h>
#include <Hyx/TransformInjectData.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

using namespace Hyx;
using namespace FilterTest;

namespace {

const std::string kPurposeText = "B0000000-0000-4000-8000-00000000000B";

std::shared_ptr<DataTypeByteArray> byteArray(const Guid& purpose, const std::string& text)
{
    auto layer = std::make_shared<DataTypeByteArray>();
    layer->InitializeHeader(purpose);
    layer->GetByteArray().Append(reinterpret_cast<const uint8_t*>(text.data()), text.size());
    return layer;
}

std::string textOf(const std::shared_ptr<DataLayer>& layer)
{
    auto& bytes = std::static_pointer_cast<DataTypeByteArray>(layer)->GetByteArray();
    return std::string(bytes.Data(), bytes.Data() + bytes.Size());
}

/// Live source (atoms with stream information, a byte array of the injected purpose and one
/// of another) -> injection -> callback, playing in realtime.
template <class T>
struct InjectRig {
    explicit InjectRig(const std::string& purpose = kPurposeText)
    {
        EXPECT_TRUE(source->ClearCacheAndReinitializeProperties(Atom(), 1, 25.0f, true));
        inject->setParameterValues({{TransformInjectData::BYTEARRAY_PURPOSE_GUID_PARAMNAME, purpose}});
        target->SetAtomsListener(&listener);
        graph = std::make_shared<Graph>();
        for (const std::shared_ptr<Filter>& filter : std::initializer_list<std::shared_ptr<Filter>>{source, inject})
            added = added && graph->AddAndConnect(filter) == ActionResult::Success;
    }
    std::shared_ptr<Hyx::Atom> Atom()
    {
        return MakeAtom(0, 0, {StreamInfo(), byteArray(kPurposeB, "old"), byteArray(kPurposeA, "other")});
    }
    void Play()
    {
        ASSERT_TRUE(added) << graph->GetLastError(false).CStr();
        ASSERT_EQ(graph->AddAndConnect(target), ActionResult::Success) << graph->GetLastError(false).CStr();
        ASSERT_EQ(graph->Play(PlaybackMode::Realtime), ActionResult::Success);
    }
    /// Pushes one frame through; false when the update fails.
    bool Pass()
    {
        EXPECT_TRUE(source->PushFrame({Atom()}));
        return graph->Update() == ActionResult::Success;
    }
    /// The layers of the last frame received.
    std::vector<std::shared_ptr<DataLayer>> Last() { return listener.Frames().back()[0]->GetAllDataLayers(); }

    bool added = true;
    std::shared_ptr<SourceManualLiveSource> source = Make<SourceManualLiveSource>();
    std::shared_ptr<T> inject = Make<T>();
    std::shared_ptr<TargetCallback> target = Make<TargetCallback>();
    RecordingListener listener;
    std::shared_ptr<Graph> graph;
};

} // namespace

TEST(InjectData, PurposeMustBeAGuidThatIsNotNil)
{
    struct Case {
        std::string purpose;
        bool initialises;
        bool logged;
    };
    for (const Case& c : {Case{"zzz", false, true}, Case{"00000000-0000-0000-0000-000000000000", false, false},
                          Case{kPurposeText, true, false}}) {
        CapturedLog log;
        InjectRig<TransformInjectMemoryData> rig(c.purpose);
        EXPECT_EQ(rig.added, c.initialises) << c.purpose;
        if (!c.initialises) {
            EXPECT_NE(rig.graph->GetLastError(false).StdString().find("Failed to generate a valid output profile"),
                      std::string::npos);
        }
        EXPECT_EQ(log.Count(VornCommon::LogLevel::Error,
                            "Failed to parse string into a valid Guid (Invalid GUID text 'zzz')"),
                  c.logged ? 1 : 0);
    }
}

TEST(InjectData, FileIsReadOnceAndAFailureRecoversWhenThePathChanges)
{
    HyxTest::TempDir dir;
    std::filesystem::create_directories(dir.path);
    std::ofstream(dir.file("a.bin"), std::ios::binary) << "file bytes";
    std::ofstream(dir.file("empty.bin"), std::ios::binary);

    CapturedLog log;
    InjectRig<TransformInjectFileData> rig;
    rig.Play();
    struct Step {
        std::string path;
        bool passes;
        const char* content;
    };
    const Step steps[] = {
        {dir.file("missing.bin"), false, ""},    {dir.file("missing.bin"), false, ""},
        {dir.path.string(), false, ""}, // a folder is no file
        {dir.file("a.bin"), true, "file bytes"}, {dir.file("empty.bin"), true, ""},
    };
    for (const Step& step : steps) {
        rig.inject->setParameterValue(TransformInjectFileData::FILE_PATH_PARAMNAME, step.path.c_str());
        EXPECT_EQ(rig.Pass(), step.passes) << step.path;
        if (step.passes) {
            EXPECT_EQ(textOf(rig.Last().back()), step.content);
        } else {
            EXPECT_NE(rig.graph->GetLastError(false).StdString().find("No data for injection available"),
                      std::string::npos);
        }
    }
    // The missing file was logged once for its two atoms, the folder once.
    EXPECT_EQ(log.Count(VornCommon::LogLevel::Error, "Failed to open a file for reading"), 2);
}

TEST(InjectData, ARelativePathIsNotReadAgainWhenTheWorkingDirectoryChanges)
{
    HyxTest::TempDir dir;
    std::filesystem::create_directories(dir.path / "one");
    std::filesystem::create_directories(dir.path / "two");
    std::ofstream(dir.file("one/a.bin"), std::ios::binary) << "one";
    std::ofstream(dir.file("two/a.bin"), std::ios::binary) << "two";
    struct RestoreWorkingDirectory {
        ~RestoreWorkingDirectory() { std::filesystem::current_path(path); }
        const std::filesystem::path path = std::filesystem::current_path();
    } restore;

    InjectRig<TransformInjectFileData> rig;
    rig.Play();
    rig.inject->setParameterValue(TransformInjectFileData::FILE_PATH_PARAMNAME, "a.bin");
    // Path text and working directory at each atom, and the bytes it carries.
    const struct {
        const char* path;
        const char* folder;
        const char* content;
    } steps[] = {
        {"a.bin", "one", "one"},   {"a.bin", "two", "one"}, // the same text: not read again
        {"./a.bin", "two", "two"}, // another text: read, against the folder of now
        {"", "two", nullptr}, // through the empty path and back: read again
        {"a.bin", "one", "one"},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(std::string(step.path) + " in " + step.folder);
        std::filesystem::current_path(dir.path / step.folder);
        rig.inject->setParameterValue(TransformInjectFileData::FILE_PATH_PARAMNAME, step.path);
        ASSERT_EQ(rig.Pass(), step.content != nullptr);
        if (step.content) {
            EXPECT_EQ(textOf(rig.Last().back()), step.content);
        }
    }
}

TEST(InjectDataThreads, SetDataWhileTheGraphInjects)
{
    InjectRig<TransformInjectMemoryData> rig;
    rig.Play();
    std::thread host([&] {
        for (int i = 0; i < 200; ++i)
            rig.inject->SetData(VornCommon::ByteArray(reinterpret_cast<const uint8_t*>("abcd"), size_t(i % 4 + 1)));
    });
    for (int i = 0; i < 200; ++i)
        ASSERT_TRUE(rig.Pass());
    host.join();
    for (const Frame& frame : rig.listener.Frames()) {
        const std::string text = textOf(frame[0]->GetAllDataLayers().back());
        EXPECT_EQ(text, std::string("abcd").substr(0, text.size())); // never torn
    }
}
