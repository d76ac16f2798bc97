#include <VornCommon/FileHelper.h>
#include <VornCommon/FileSequenceReader.h>
#include <VornCommon/FileWriter.h>
#include <VornCommon/Xml.h>

#include <algorithm>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <FailingClose.h>
#include <TempDir.h>

using VornCommon::FileHelper;

namespace {

// A fresh folder, removed with everything in it.
class TempFolder : public ::testing::Test {
protected:
    std::string Path(const std::string& name) const { return m_temp.file(name); }
    static void WriteFile(const std::string& path, const std::string& content)
    {
        int handle = FileHelper::OpenFileForWriting(path);
        ASSERT_GE(handle, 0) << path;
        ASSERT_EQ(FileHelper::Write(handle, reinterpret_cast<const uint8_t*>(content.data()), content.size()),
                  static_cast<int64_t>(content.size()));
        FileHelper::CloseFile(handle);
    }
    static std::string ReadText(const std::string& path)
    {
        const std::vector<uint8_t> bytes = HyxTest::ReadFileBytes(path);
        return std::string(bytes.begin(), bytes.end());
    }

    HyxTest::TempDir m_temp;
    std::string m_dir = (std::filesystem::create_directories(m_temp.path), m_temp.path.string());
};

using FileHelperFiles = TempFolder;
using FileSequence = TempFolder;
using XmlFiles = TempFolder;

} // namespace

TEST_F(FileHelperFiles, WriteReadSeekClose)
{
    const std::string path = Path("data.bin");
    std::vector<uint8_t> bytes(10000);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<uint8_t>(i * 31 + 7);

    int out = FileHelper::OpenFileForWriting(path);
    ASSERT_GE(out, 0);
    EXPECT_EQ(FileHelper::Write(out, bytes.data(), bytes.size()), 10000);
    FileHelper::CloseFile(out);
    EXPECT_EQ(out, -1);
    FileHelper::CloseFile(out); // -1 is a no-op
    EXPECT_EQ(out, -1);

    uint64_t size = 0;
    int in = FileHelper::OpenFileReadOnly(path, size);
    ASSERT_GE(in, 0);
    EXPECT_EQ(size, 10000u);
    std::vector<uint8_t> back(10000);
    EXPECT_EQ(
        (std::tuple{FileHelper::Read(in, back.data(), 4000), FileHelper::Read(in, back.data() + 4000, 6000), back}),
        std::tuple(4000, 6000, bytes));
    // At the end of the file a read returns fewer bytes, then none.
    EXPECT_EQ(
        (std::tuple{FileHelper::Seek(in, 9990, FileHelper::SeekOrigin::Begin), FileHelper::Read(in, back.data(), 100),
                    FileHelper::Read(in, back.data(), 100), FileHelper::Seek(in, -10, FileHelper::SeekOrigin::End),
                    FileHelper::Seek(in, 5, FileHelper::SeekOrigin::Current),
                    FileHelper::Seek(in, -1, FileHelper::SeekOrigin::Begin)}),
        std::tuple(9990, 10, 0, 9990, 9995, -1));
    // Positioned reads leave the file position where it was.
    EXPECT_EQ((std::tuple{FileHelper::ReadAt(in, back.data(), 3, 4000),
                          bool(std::equal(back.begin(), back.begin() + 3, bytes.begin() + 4000)),
                          FileHelper::ReadAt(in, back.data(), 100, 9990), FileHelper::ReadAt(in, back.data(), 1, 10000),
                          FileHelper::ReadAt(in, back.data(), 1, ~0ull),
                          FileHelper::Seek(in, 0, FileHelper::SeekOrigin::Current)}),
              std::tuple(3, true, 10, 0, -1, 9995));
    FileHelper::CloseFile(in);

    // Truncation on reopen; missing files and closed handles fail.
    out = FileHelper::OpenFileForWriting(path);
    FileHelper::CloseFile(out);
    in = FileHelper::OpenFileReadOnly(path, size);
    EXPECT_GE(in, 0);
    EXPECT_EQ(size, 0u);
    FileHelper::CloseFile(in);
    EXPECT_EQ((std::tuple{FileHelper::OpenFileReadOnly(Path("missing"), size), size}), std::tuple(-1, 0u));
    EXPECT_EQ(FileHelper::OpenFileReadOnly(m_dir, size), -1); // a directory is no file
    EXPECT_EQ(
        (std::tuple{FileHelper::OpenFileForWriting(Path("no/such/dir/file")), FileHelper::Read(-1, back.data(), 1),
                    FileHelper::ReadAt(-1, back.data(), 1, 0), FileHelper::Write(-1, back.data(), 1),
                    FileHelper::Seek(-1, 0, FileHelper::SeekOrigin::Begin)}),
        std::tuple(-1, -1, -1, -1, -1));
}

// A close that reports a lost write answers false; an interrupted one still closed. The handle
// is released either way.
TEST_F(FileHelperFiles, CloseTellsAnErrorButAnInterruption)
{
    const struct {
        int error; // what the close reports; 0: nothing
        bool closed;
    } cases[] = {{0, true}, {EIO, false}, {ENOSPC, false}, {EINTR, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.error);
        int handle = FileHelper::OpenFileForWriting(Path("closed.bin"));
        ASSERT_GE(handle, 0);
        std::unique_ptr<HyxTest::FailingClose> failing;
        if (c.error != 0)
            failing = std::make_unique<HyxTest::FailingClose>(m_dir, c.error);
        EXPECT_EQ(FileHelper::CloseFile(handle), c.closed);
        EXPECT_EQ(handle, -1);
        EXPECT_TRUE(FileHelper::CloseFile(handle)); // -1 is left alone
        VornCommon::FileWriter writer(Path("written.txt"));
        EXPECT_TRUE(writer.Write("text"));
        EXPECT_EQ(writer.CloseFile(), c.closed);
        EXPECT_TRUE(writer.CloseFile());
    }
}

// A scattered read fills its targets in order from one stretch of the file, across more
// targets than one system call takes and around empty ones, and stops at the end of the file.
TEST_F(FileHelperFiles, ScatteredReadsFillTargetsInOrder)
{
    const std::string path = Path("scatter.bin");
    std::string content(5000, '\0');
    for (size_t i = 0; i < content.size(); ++i)
        content[i] = static_cast<char>(i * 13 + 1);
    WriteFile(path, content);
    uint64_t size = 0;
    int in = FileHelper::OpenFileReadOnly(path, size);
    ASSERT_GE(in, 0);

    std::vector<uint8_t> back(5000, 0);
    std::vector<FileHelper::ReadTarget> targets;
    for (size_t i = 0, at = 0; i < 160; at += targets.back().size, ++i) // 0 to 49 bytes each
        targets.push_back({back.data() + at, (i * 7) % 50});
    uint64_t total = 0;
    for (const auto& t : targets)
        total += t.size;
    ASSERT_LT(total, 4000u);
    EXPECT_EQ(FileHelper::ReadAtScattered(in, targets.data(), targets.size(), 1000), static_cast<int64_t>(total));
    EXPECT_EQ(std::string(back.begin(), back.begin() + static_cast<long>(total)), content.substr(1000, total));
    EXPECT_EQ(FileHelper::Seek(in, 0, FileHelper::SeekOrigin::Current), 0); // the position stays

    const FileHelper::ReadTarget pastEnd[] = {{back.data(), 6}, {back.data() + 6, 100}};
    EXPECT_EQ(FileHelper::ReadAtScattered(in, pastEnd, 2, 4990), 10);
    EXPECT_EQ(FileHelper::ReadAtScattered(in, pastEnd, 1, 4990), 6);
    EXPECT_EQ(FileHelper::ReadAtScattered(in, pastEnd, 2, ~0ull), -1);
    EXPECT_EQ(FileHelper::ReadAtScattered(-1, pastEnd, 2, 0), -1);
    FileHelper::CloseFile(in);
}

TEST_F(FileHelperFiles, ExistenceDirectoriesAndWholeFileReads)
{
    WriteFile(Path("five.txt"), "hello");
    uint64_t size = 99;
    EXPECT_EQ((std::tuple{bool(FileHelper::DoesFileExist(Path("five.txt"))),
                          bool(FileHelper::DoesFileExist(Path("five.txt"), false, &size)), size}),
              std::tuple(true, true, 5u));
    EXPECT_EQ((std::tuple{bool(FileHelper::DoesFileExist(Path("none.txt"), true, &size)), size}),
              std::tuple(false, 0u));
    EXPECT_EQ((std::tuple{bool(FileHelper::DoesFileExist(m_dir)), bool(FileHelper::DoesFileExist(m_dir, true)),
                          bool(FileHelper::DoesFileExist(""))}),
              std::tuple(false, true, false));

    const std::string deep = Path("a/b/c");
    EXPECT_EQ((std::tuple{FileHelper::IsDirectory(deep), bool(FileHelper::MakeDirectory(deep)),
                          FileHelper::IsDirectory(deep)}),
              std::tuple(false, true, true));
    EXPECT_TRUE(FileHelper::MakeDirectory(deep)); // already there
    EXPECT_EQ((std::tuple{bool(FileHelper::MakeDirectory(Path("five.txt/sub"))), bool(FileHelper::MakeDirectory("")),
                          FileHelper::IsDirectory(Path("five.txt"))}),
              std::tuple(false, false, false));

    uint32_t length = 99;
    std::unique_ptr<uint8_t[]> content(FileHelper::ReadFileContentToByteArray(Path("five.txt"), length, true));
    ASSERT_NE(content, nullptr);
    EXPECT_EQ(length, 5u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(content.get())), "hello"); // NUL appended
    content.reset(FileHelper::ReadFileContentToByteArray(Path("five.txt"), length));
    ASSERT_NE(content, nullptr);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(content.get()), length), "hello");
    WriteFile(Path("empty"), "");
    content.reset(FileHelper::ReadFileContentToByteArray(Path("empty"), length));
    EXPECT_NE(content, nullptr);
    EXPECT_EQ(length, 0u);
    length = 99;
    EXPECT_EQ((std::tuple{FileHelper::ReadFileContentToByteArray(Path("missing"), length), length}),
              std::tuple(nullptr, 0u));
    EXPECT_EQ(FileHelper::ReadFileContentToByteArray(m_dir, length), nullptr);

    const std::string exeDir = FileHelper::GetAppExeDirectory();
    EXPECT_FALSE(exeDir.empty());
    EXPECT_NE(exeDir.back(), '/');
    EXPECT_TRUE(FileHelper::IsDirectory(exeDir));
}

TEST(FileHelper, PathTexts)
{
    EXPECT_EQ((std::tuple{FileHelper::GetDirectory("x"), FileHelper::GetDirectory("/x"),
                          FileHelper::GetDirectory("a/b/x"), FileHelper::GetDirectory("a\\b\\x.hyx")}),
              std::tuple("", "/", "a/b", "a\\b"));

    EXPECT_EQ(FileHelper::GetFileNameWithoutDirectory("a/b/take.hyx"), "take.hyx");
    EXPECT_EQ((std::tuple{FileHelper::GetFileNameWithoutDirectory("a\\take.hyx", false),
                          FileHelper::GetFileNameWithoutDirectory("take")}),
              std::tuple("take", "take"));

    EXPECT_EQ((std::tuple{FileHelper::CombinePath("", "name"), FileHelper::CombinePath("dir", "name"),
                          FileHelper::CombinePath("dir/", "name"), FileHelper::CombinePath("dir/", "/name"),
                          FileHelper::CombinePath("/", "name"), FileHelper::CombinePath("dir", "")}),
              std::tuple("name", "dir/name", "dir/name", "dir/name", "/name", "dir"));

    EXPECT_EQ(FileHelper::MakeCompatible("C:\\a\\b.hyx"), "C:/a/b.hyx");

    EXPECT_EQ((std::tuple{FileHelper::RemoveExtension("take.HYX"), FileHelper::GetExtensionInLowerCase("take.HYX")}),
              std::tuple("take", "hyx"));
    EXPECT_EQ(FileHelper::RemoveExtension("dir.v2/take"), "dir.v2/take");
    EXPECT_EQ((std::tuple{FileHelper::GetExtensionInLowerCase("dir.v2/take"),
                          FileHelper::GetExtensionInLowerCase("a.hyxxml")}),
              std::tuple("", "hyxxml"));
    EXPECT_EQ(FileHelper::RemoveExtension("a.b.c"), "a.b");
    EXPECT_EQ(FileHelper::MakeEndsWith("take.", "hyx"), "take.hyx");
    EXPECT_EQ(FileHelper::MakeEndsWith("take.hyx", "hyx"), "take.hyx");
    EXPECT_EQ(FileHelper::MakeEndsWith("take.HYX", "hyx"), "take.HYXhyx");
}

namespace {

class SequenceReader : public VornCommon::FileSequenceReader {
public:
    using FileSequenceReader::FileSequenceReader;
    int CurrentIndex() const { return m_currentIndex; }
};

} // namespace

TEST_F(FileSequence, ListsMatchingFilesSortedByName)
{
    for (const char* name : {"img02.png", "img10.JPG", "img01.jpg", "img03.jpeg", "notes.txt", "png", "img04.png.bak"})
        WriteFile(Path(name), "x");
    ASSERT_TRUE(FileHelper::MakeDirectory(Path("folder.png")));

    SequenceReader reader(m_dir, {"jpg", "png", "jpeg"}, true);
    EXPECT_EQ((std::tuple{reader.CurrentIndex(), bool(reader.GetFlag())}), std::tuple(-1, true));
    ASSERT_EQ(reader.GetNumFiles(), 4);
    EXPECT_EQ((std::tuple{reader.GetFilePath(0), reader.GetFilePath(1), reader.GetFilePath(2), reader.GetFilePath(3),
                          reader.GetFilePath(4), reader.GetFilePath(-1)}),
              std::tuple(Path("img01.jpg"), Path("img02.png"), Path("img03.jpeg"), Path("img10.JPG"), "", ""));

    VornCommon::FileSequenceReader missing(Path("missing"), {"png"});
    EXPECT_EQ((std::tuple{missing.GetNumFiles(), missing.GetFilePath(0)}), std::tuple(0, ""));
}

TEST_F(XmlFiles, ControlCharactersInTextsAndAttributesReadBackUnchanged)
{
    for (const char* value : {"A\rB", "A\r\nB", "A\nB", "A\tB", "\r\r", "plain & <b>"}) {
        auto doc = VornCommon::MakeXmlDocument();
        tinyxml2::XMLElement* root = doc.NewElement("root");
        doc.InsertEndChild(root);
        root->SetAttribute("value", value);
        root->InsertNewChildElement("classname")->SetText(value);
        ASSERT_TRUE(VornCommon::SaveXmlDocument(doc, Path("controls.xml")));

        auto back = VornCommon::MakeXmlDocument();
        ASSERT_EQ(back.LoadFile(Path("controls.xml").c_str()), tinyxml2::XML_SUCCESS);
        const tinyxml2::XMLElement* read = back.FirstChildElement("root");
        ASSERT_NE(read, nullptr);
        EXPECT_STREQ(read->Attribute("value"), value);
        EXPECT_STREQ(read->FirstChildElement("classname")->GetText(), value);
        ASSERT_TRUE(VornCommon::SaveXmlDocument(back, Path("again.xml")));
        EXPECT_EQ(ReadText(Path("controls.xml")), ReadText(Path("again.xml")));
    }
}
