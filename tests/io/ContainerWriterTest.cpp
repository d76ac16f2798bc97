#include <Hyx/HYX2Reader.h>
#include <Hyx/HYXPurposeGuids.h>
#include <Hyx/SerializeToHyx.h>

#include "ContainerTestUtil.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

using namespace HyxTest;
using Hyx::HyxErrorCode;

namespace {

uint32_t u32At(const Bytes& b, size_t at)
{
    uint32_t v = 0;
    std::memcpy(&v, b.data() + at, 4);
    return v;
}

bool endsWith(const Bytes& b, const std::string& text)
{
    return b.size() >= text.size() && std::equal(text.begin(), text.end(), b.end() - text.size());
}

} // namespace

TEST(ContainerWriter, ExtensionPicksTheFiles)
{
    const struct {
        const char* name;
        bool table, noContainer;
        HyxErrorCode result;
        bool hyx, xml;
    } cases[] = {
        {"take.HYX", true, false, HyxErrorCode::Success, true, false},
        {"take.hyx", false, false, HyxErrorCode::Success, true, false},
        {"take.xml", true, true, HyxErrorCode::Success, false, true},
        {"take.xml", false, false, HyxErrorCode::FailedToWriteToFile, false, true},
        {"take.hyxxml", true, false, HyxErrorCode::Success, true, true},
        {"take.bin", true, false, HyxErrorCode::FailedToWriteToFile, false, false},
    };
    for (const auto& c : cases) {
        TempDir dir;
        const std::string base = dir.file("take");
        {
            Hyx::SerializeToHyx writer(dir.file(c.name).c_str(), c.table, Hyx::HYX_FORMAT_VERSION_2000, c.noContainer);
            for (uint32_t frame = 0; frame < 2; ++frame)
                EXPECT_EQ(writer.pack_atom(ContainerFrame(0, frame)), c.result) << c.name;
        }
        const Bytes hyx = ReadFileBytes(base + ".hyx"), xml = ReadFileBytes(base + ".xml");
        EXPECT_EQ(std::filesystem::exists(base + ".hyx"), c.hyx) << c.name;
        EXPECT_EQ(std::filesystem::exists(base + ".xml"), c.xml) << c.name;
        if (c.hyx) {
            const size_t records = 15 + 2 * RecordBytes(ContainerFrame(0, 0)).size();
            // With a table the file ends with 5778 and the table's size.
            EXPECT_EQ(hyx.size() > records, c.table) << c.name;
            if (c.table) {
                EXPECT_TRUE(u32At(hyx, hyx.size() - 8) == 5778 && u32At(hyx, hyx.size() - 4) == hyx.size() - records);
            }
        }
        if (c.xml) {
            EXPECT_TRUE(endsWith(xml, "</HYX>")) << c.name;
            const bool atoms = c.result == HyxErrorCode::Success;
            EXPECT_EQ(std::string(xml.begin(), xml.end()).find("<ATOM") != std::string::npos, atoms) << c.name;
            EXPECT_EQ(
                endsWith(xml, "TYPE=\"LookupTable\" STREAMID=\"0\" FRAME=\"0-1\" TS=\"0-1000\">\n  </ATOM>\n</HYX>"),
                c.hyx && c.table)
                << c.name;
        }
    }
}

TEST(ContainerWriter, XmlDumpMatchesTheHandWrittenFile)
{
    RegisterStreamTestLayers();
    const VornCommon::Guid purpose = TestGuid("A1B2C3D4-0006-4000-8000-00000000A006");
    Hyx::HYXPurposeGuids::RegisterPurposeGuidAlias(purpose, "Take <1> & \"2\"");
    TempDir dir;
    {
        Hyx::SerializeToHyx writer(dir.file("dump.hyxxml").c_str(), true);
        auto first = std::make_shared<Hyx::Atom>(0u, 0u);
        auto plain = std::make_shared<StreamTestPlainLayer>();
        plain->InitializeHeader(purpose);
        first->AddDataLayer(plain, false);
        auto second = ContainerFrame(0, 1);
        second->RemoveDataLayers(StreamTestPlainType());
        second->SetTimeStamp(33);
        for (const auto& atom : {first, second, std::make_shared<Hyx::Atom>(2u, 0u, 0u)})
            ASSERT_EQ(writer.pack_atom(atom), HyxErrorCode::Success);
    }
    const Bytes golden = ReadFileBytes(HYX_TEST_DATA_DIR "/io/container_dump.xml");
    ASSERT_FALSE(golden.empty());
    EXPECT_EQ(ReadFileBytes(dir.file("dump.xml")), golden);
}

TEST(ContainerWriter, RefusedAtomsLeaveTheFileAsItWas)
{
    TempDir dir;
    const std::string path = dir.file("take.hyx");
    Hyx::SerializeToHyx writer(path.c_str(), true);
    ASSERT_EQ(writer.pack_atom(ContainerFrame(3, 0)), HyxErrorCode::Success);
    ASSERT_EQ(writer.pack_atom(ContainerFrame(3, 1)), HyxErrorCode::Success);
    EXPECT_THROW(writer.pack_atom(ContainerFrame(3, 1)), std::logic_error);
    // A table entry counts its blocks in one byte.
    auto wide = ContainerFrame(3, 2);
    for (int i = 0; i < 254; ++i)
        wide->AddDataLayer(std::make_shared<StreamTestPlainLayer>(), false);
    EXPECT_EQ(writer.pack_atom(wide), HyxErrorCode::FailedToPackAtom);
    ASSERT_TRUE(writer.CloseFile());
    const Bytes finished = ReadFileBytes(path);
    // Finished means finished: no second header, no table for another file.
    EXPECT_EQ(writer.pack_atom(ContainerFrame(3, 2)), HyxErrorCode::FailedToWriteToFile);
    EXPECT_EQ(ReadFileBytes(path), finished);

    Hyx::ReadHYX2File reader(path.c_str());
    EXPECT_EQ(reader.GetNumFrames(3), 2u);
    EXPECT_EQ(finished.size(),
              15 + 2 * RecordBytes(ContainerFrame(3, 0)).size() + u32At(finished, finished.size() - 4));
}

TEST(ContainerWriter, UnwritableContainerIsRetriedOnTheNextAtom)
{
    CapturedLog log;
    TempDir dir;
    std::filesystem::create_directories(dir.path);
    std::filesystem::create_directory(dir.file("take.hyx")); // a folder where the file should go
    Hyx::SerializeToHyx writer(dir.file("take.hyx").c_str(), true);
    EXPECT_EQ(writer.pack_atom(ContainerFrame(0, 0)), HyxErrorCode::FailedToWriteToFile);
    EXPECT_EQ(log.Count(VornCommon::LogLevel::Error, "Can't write file '" + dir.file("take.hyx") + "'"), 1);
    std::filesystem::remove(dir.file("take.hyx"));
    EXPECT_EQ(writer.pack_atom(ContainerFrame(0, 0)), HyxErrorCode::Success);
    EXPECT_TRUE(writer.CloseFile());
    EXPECT_EQ(Hyx::ReadHYX2File(dir.file("take.hyx").c_str()).GetNumFrames(0), 1u);
    // A file where the XML dump's folder should be.
    try {
        Hyx::SerializeToHyx xml(dir.file("take.hyx/take.xml").c_str(), false, Hyx::HYX_FORMAT_VERSION_2000, true);
        xml.pack_atom(ContainerFrame(0, 0));
        FAIL() << "no error";
    } catch (const std::logic_error& e) {
        EXPECT_EQ(std::string(e.what()), "Can't write file '" + dir.file("take.hyx/take.xml") + "'.");
    }
}
