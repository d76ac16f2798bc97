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
using FileWriters = TempFolder;
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
    EXPECT_EQ(FileHelper::Read(in, back.data(), 4000), 4000);
    EXPECT_EQ(FileHelper::Read(in, back.data() + 4000, 6000), 6000);
    EXPECT_EQ(back, bytes);
    // At the end of the file a read returns fewer bytes, then none.
    EXPECT_EQ(FileHelper::Seek(in, 9990, FileHelper::SeekOrigin::Begin), 9990);
    EXPECT_EQ(FileHelper::Read(in, back.data(), 100), 10);
    EXPECT_EQ(FileHelper::Read(in, back.data(), 100), 0);
    EXPECT_EQ(FileHelper::Seek(in, -10, FileHelper::SeekOrigin::End), 9990);
    EXPECT_EQ(FileHelper::Seek(in, 5, FileHelper::SeekOrigin::Current), 9995);
    EXPECT_EQ(FileHelper::Seek(in, -1, FileHelper::SeekOrigin::Begin), -1);
    // Positioned reads leave the file position where it was.
    EXPECT_EQ(FileHelper::ReadAt(in, back.data(), 3, 4000), 3);
    EXPECT_TRUE(std::equal(back.begin(), back.begin() + 3, bytes.begin() + 4000));
    EXPECT_EQ(FileHelper::ReadAt(in, back.data(), 100, 9990), 10);
    EXPECT_EQ(FileHelper::ReadAt(in, back.data(), 1, 10000), 0);
    EXPECT_EQ(FileHelper::ReadAt(in, back.data(), 1, ~0ull), -1);
    EXPECT_EQ(FileHelper::Seek(in, 0, FileHelper::SeekOrigin::Current), 9995);
    FileHelper::CloseFile(in);

    // Truncation on reopen; missing files and closed handles fail.
    out = FileHelper::OpenFileForWriting(path);
    FileHelper::CloseFile(out);
    in = FileHelper::OpenFileReadOnly(path, size);
    EXPECT_GE(in, 0);
    EXPECT_EQ(size, 0u);
    FileHelper::CloseFile(in);
    EXPECT_EQ(FileHelper::OpenFileReadOnly(Path("missing"), size), -1);
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(FileHelper::OpenFileReadOnly(m_dir, size), -1); // a directory is no file
    EXPECT_EQ(FileHelper::OpenFileForWriting(Path("no/such/dir/file")), -1);
    EXPECT_EQ(FileHelper::Read(-1, back.data(), 1), -1);
    EXPECT_EQ(FileHelper::ReadAt(-1, back.data(), 1, 0), -1);
    EXPECT_EQ(FileHelper::Write(-1, back.data(), 1), -1);
    EXPECT_EQ(FileHelper::Seek(-1, 0, FileHelper::SeekOrigin::Begin), -1);
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
    EXPECT_TRUE(FileHelper::DoesFileExist(Path("five.txt")));
    EXPECT_TRUE(FileHelper::DoesFileExist(Path("five.txt"), false, &size));
    EXPECT_EQ(size, 5u);
    EXPECT_FALSE(FileHelper::DoesFileExist(Path("none.txt"), true, &size));
    EXPECT_EQ(size, 0u);
    EXPECT_FALSE(FileHelper::DoesFileExist(m_dir));
    EXPECT_TRUE(FileHelper::DoesFileExist(m_dir, true));
    EXPECT_FALSE(FileHelper::DoesFileExist(""));

    const std::string deep = Path("a/b/c");
    EXPECT_FALSE(FileHelper::IsDirectory(deep));
    EXPECT_TRUE(FileHelper::MakeDirectory(deep));
    EXPECT_TRUE(FileHelper::IsDirectory(deep));
    EXPECT_TRUE(FileHelper::MakeDirectory(deep)); // already there
    EXPECT_FALSE(FileHelper::MakeDirectory(Path("five.txt/sub")));
    EXPECT_FALSE(FileHelper::MakeDirectory(""));
    EXPECT_FALSE(FileHelper::IsDirectory(Path("five.txt")));

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
    EXPECT_EQ(FileHelper::ReadFileContentToByteArray(Path("missing"), length), nullptr);
    EXPECT_EQ(length, 0u);
    EXPECT_EQ(FileHelper::ReadFileContentToByteArray(m_dir, length), nullptr);

    const std::string exeDir = FileHelper::GetAppExeDirectory();
    EXPECT_FALSE(exeDir.empty());
    EXPECT_NE(exeDir.back(), '/');
    EXPECT_TRUE(FileHelper::IsDirectory(exeDir));
}

TEST(FileHelper, PathTexts)
{
    EXPECT_EQ(FileHelper::GetDirectory("x"), "");
    EXPECT_EQ(FileHelper::GetDirectory("/x"), "/");
    EXPECT_EQ(FileHelper::GetDirectory("a/b/x"), "a/b");
    EXPECT_EQ(FileHelper::GetDirectory("a\\b\\x.hyx"), "a\\b");

    EXPECT_EQ(FileHelper::GetFileNameWithoutDirectory("a/b/take.hyx"), "take.hyx");
    EXPECT_EQ(FileHelper::GetFileNameWithoutDirectory("a\\take.hyx", false), "take");
    EXPECT_EQ(FileHelper::GetFileNameWithoutDirectory("take"), "take");

    EXPECT_EQ(FileHelper::CombinePath("", "name"), "name");
    EXPECT_EQ(FileHelper::CombinePath("dir", "name"), "dir/name");
    EXPECT_EQ(FileHelper::CombinePath("dir/", "name"), "dir/name");
    EXPECT_EQ(FileHelper::CombinePath("dir/", "/name"), "dir/name");
    EXPECT_EQ(FileHelper::CombinePath("/", "name"), "/name");
    EXPECT_EQ(FileHelper::CombinePath("dir", ""), "dir");

    EXPECT_EQ(FileHelper::MakeCompatible("C:\\a\\b.hyx"), "C:/a/b.hyx");

    EXPECT_EQ(FileHelper::RemoveExtension("take.HYX"), "take");
    EXPECT_EQ(FileHelper::GetExtensionInLowerCase("take.HYX"), "hyx");
    EXPECT_EQ(FileHelper::RemoveExtension("dir.v2/take"), "dir.v2/take");
    EXPECT_EQ(FileHelper::GetExtensionInLowerCase("dir.v2/take"), "");
    EXPECT_EQ(FileHelper::GetExtensionInLowerCase("a.hyxxml"), "hyxxml");
    EXPECT_EQ(FileHelper::RemoveExtension("a.b.c"), "a.b");
    EXPECT_EQ(FileHelper::MakeEndsWith("take.", "hyx"), "take.hyx");
    EXPECT_EQ(FileHelper::MakeEndsWith("take.hyx", "hyx"), "take.hyx");
    EXPECT_EQ(FileHelper::MakeEndsWith("take.HYX", "hyx"), "take.HYXhyx");
}

TEST_F(FileWriters, AsciiLinesAndClosedWriter)
{
    const std::string path = Path("out.txt");
    {
        VornCommon::ASCIIFileWriter writer(path, "\n");
        ASSERT_TRUE(writer.IsOpen());
        EXPECT_TRUE(writer.WriteLine("1 0 0 0"));
        EXPECT_TRUE(writer.Write("tail"));
        writer.CloseFile();
        EXPECT_FALSE(writer.IsOpen());
        EXPECT_FALSE(writer.WriteLine("ignored"));
    }
    {
        VornCommon::ASCIIFileWriter crlf(Path("crlf.txt"), "\r\n");
        crlf.WriteLine("x");
    } // closed by destructor

    EXPECT_EQ(ReadText(path), "1 0 0 0\ntail");
    EXPECT_EQ(ReadText(Path("crlf.txt")), "x\r\n");

    VornCommon::FileWriter nowhere(Path("no/dir/file"));
    EXPECT_FALSE(nowhere.IsOpen());
    EXPECT_FALSE(nowhere.Write("x"));
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
    EXPECT_EQ(reader.CurrentIndex(), -1);
    EXPECT_TRUE(reader.GetFlag());
    ASSERT_EQ(reader.GetNumFiles(), 4);
    EXPECT_EQ(reader.GetFilePath(0), Path("img01.jpg"));
    EXPECT_EQ(reader.GetFilePath(1), Path("img02.png"));
    EXPECT_EQ(reader.GetFilePath(2), Path("img03.jpeg"));
    EXPECT_EQ(reader.GetFilePath(3), Path("img10.JPG"));
    EXPECT_EQ(reader.GetFilePath(4), "");
    EXPECT_EQ(reader.GetFilePath(-1), "");

    VornCommon::FileSequenceReader missing(Path("missing"), {"png"});
    EXPECT_EQ(missing.GetNumFiles(), 0);
    EXPECT_EQ(missing.GetFilePath(0), "");
}

TEST_F(XmlFiles, DocumentsPreserveWhitespaceAndSaveIndented)
{
    auto doc = VornCommon::MakeXmlDocument();
    EXPECT_EQ(doc.WhitespaceMode(), tinyxml2::PRESERVE_WHITESPACE);
    EXPECT_TRUE(doc.ProcessEntities());
    doc.InsertEndChild(doc.NewDeclaration());
    tinyxml2::XMLElement* root = doc.NewElement("hyx");
    doc.InsertEndChild(root);
    tinyxml2::XMLElement* child = doc.NewElement("param");
    child->SetAttribute("value", "a < b & \"c\"");
    child->SetAttribute("flag", true);
    root->InsertEndChild(child);
    ASSERT_TRUE(VornCommon::SaveXmlDocument(doc, Path("graph.xml")));
    EXPECT_FALSE(VornCommon::SaveXmlDocument(doc, Path("no/dir/graph.xml")));

    const std::string text = ReadText(Path("graph.xml"));
    EXPECT_NE(text.find("<hyx>\n    <param"), std::string::npos) << text; // indented printer

    auto back = VornCommon::MakeXmlDocument();
    ASSERT_EQ(back.LoadFile(Path("graph.xml").c_str()), tinyxml2::XML_SUCCESS);
    const tinyxml2::XMLElement* param = back.FirstChildElement("hyx")->FirstChildElement("param");
    ASSERT_NE(param, nullptr);
    EXPECT_STREQ(param->Attribute("value"), "a < b & \"c\"");
    EXPECT_TRUE(param->BoolAttribute("flag"));
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
