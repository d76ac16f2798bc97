// Every file a layer writes, on a full disk and on a file system whose close reports a lost
// write: the save answers false, never success.

#include <Hyx/CylinderCropParamsSingleton.h>
#include <Hyx/DataTypeBinary.h>
#include <Hyx/DataTypeCylinderCrop.h>
#include <Hyx/DataTypeStreamInfo.h>
#include <Hyx/DataTypeTransform.h>

#include "FailingClose.h"
#include "SmallDisk.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace {

// One save into a folder; true when it says the file was written.
using Save = std::function<bool(const std::string& folder)>;

bool SaveBinary(const std::string& folder)
{
    Hyx::DataTypeBinary layer;
    const std::vector<uint8_t> bytes(100, 7);
    layer.AddBinaryData("attachment.bin", bytes.data(), static_cast<uint32_t>(bytes.size()), false);
    return layer.SaveToFile(0, folder.c_str(), "", false);
}

} // namespace

TEST(WriteFailure, LayerFilesTellAFailedWrite)
{
    const struct {
        const char* writer;
        Save save;
    } writers[] = {
        {"stream info",
         [](const std::string& f) { return Hyx::DataTypeStreamInfo().SaveToASCIIFile((f + "/info.txt").c_str()); }},
        {"transform",
         [](const std::string& f) { return Hyx::DataTypeTransform().SaveToASCIIFile((f + "/t.txt").c_str()); }},
        {"cylinder crop",
         [](const std::string& f) { return Hyx::DataTypeCylinderCrop().SaveToASCIIFile((f + "/c.cfg").c_str()); }},
        {"crop parameters",
         [](const std::string& f) { return Hyx::CylinderCropParamsSingleton().SaveToFile((f + "/p.cfg").c_str()); }},
        {"attachment", SaveBinary},
    };
    // Where the file system takes the whole file, each save says so.
    HyxTest::TempDir dir;
    std::filesystem::create_directories(dir.path);
    for (const auto& w : writers)
        EXPECT_TRUE(w.save(dir.path.string())) << w.writer;

    std::string skipped; // the full-disk rows run only where a small disk can be mounted
    for (const bool closeFails : {false, true}) {
        for (const auto& w : writers) {
            SCOPED_TRACE(std::string(w.writer) + (closeFails ? ", close fails" : ", disk full"));
            if (closeFails) {
                HyxTest::TempDir folder;
                std::filesystem::create_directories(folder.path);
                HyxTest::FailingClose failing(folder.path);
                EXPECT_FALSE(w.save(folder.path.string()));
                EXPECT_EQ(failing.Failed(), 1);
                continue;
            }
            HyxTest::SmallDisk disk(16 * 1024);
            if (!disk.mounted) {
                skipped = disk.why;
                continue;
            }
            ASSERT_TRUE(disk.FillUp());
            EXPECT_FALSE(w.save(disk.path.string()));
        }
    }
    if (!skipped.empty())
        GTEST_SKIP() << skipped;
}
