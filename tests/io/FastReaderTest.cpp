#include <Hyx/CompressedLayers.h>
#include <Hyx/DataLayerFactory.h>
#include <Hyx/DataTypeBinary.h>
#include <Hyx/DataTypePCMSample.h>
#include <Hyx/DataTypeTextureBayer.h>
#include <Hyx/DataTypeTextureBlock.h>
#include <Hyx/DataTypeTextureHSL.h>
#include <Hyx/DataTypeTextureIR.h>
#include <Hyx/DataTypeTextureYUV.h>
#include <Hyx/HYX2FileFastReader.h>
#include <Hyx/HyxLookupTable.h>

#include "CapturedLog.h"
#include "FrameFiles.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace HyxTest;
using VornCommon::Guid;

namespace {

std::shared_ptr<Hyx::DataLayer> Of(const Guid& type)
{
    return Hyx::DataLayerFactory::CreateDataLayer(type, kCloud).ToStdSharedPtr();
}

// The nine flags as letters: Depth, Ir, Texture, Points, Normals, Colours, Uvs, indiCes, Audio.
std::string Flags(const Hyx::HYX2FileRenderInfo& info)
{
    const bool flags[] = {info.HasDepthMap(), info.HasIR(),  info.HasTexture(), info.HasPointCloud(), info.HasNormals(),
                          info.HasColors(),   info.HasUVs(), info.HasIndices(), info.HasAudio()};
    std::string text = "DITPNCUXA";
    for (size_t i = 0; i < text.size(); ++i)
        if (!flags[i])
            text[i] = '-';
    return text;
}

// A compressed layer of that plain type and code whose coded bytes do not decode.
template <class Compressed>
std::shared_ptr<Compressed> Corrupt(const Guid& plainType, uint8_t code, std::vector<uint8_t> payload)
{
    auto layer = Made<Compressed>();
    layer->InitializeCompressionInfo(plainType, 0, code);
    layer->InitializeData(payload.data(), uint32_t(payload.size()));
    return layer;
}

} // namespace

TEST(RenderInfo, FlagsAndFrameRateComeFromTheFirstFrameOnly)
{
    using namespace Hyx;
    const auto jpeg = Made<DataTypeCompressedTexture>();
    jpeg->compress(Picture(16, 8, [](int x, int y) { return Rgb{uint8_t(x * 9), uint8_t(y * 20), 7}; }), 130);
    const struct {
        const char* what;
        Layers first;
        std::string flags;
        float fps;
    } cases[] = {
        {"compressed texture and points", {jpeg, Of(DataTypeVertexPositions::TheTypeGuid())}, "--TP-----", -1.0f},
        {"RGBA only", {Of(DataTypeTextureRGBA::TheTypeGuid())}, "---------", -1.0f},
        {"formats without a flag",
         {Of(DataTypeTextureYUV_NV12::TheTypeGuid()), Of(DataTypeTextureBayerRGGB::TheTypeGuid()),
          Of(DataTypeTextureHSL24::TheTypeGuid()), Of(DataTypeTextureDXT1RLE::TheTypeGuid())},
         "---------",
         -1.0f},
        {"plain geometry, depth, IR and sound; the last stream information wins",
         {StreamInfo(30.0f), Of(DataTypeTexture16BitDepthMap::TheTypeGuid()), Of(DataTypeTextureIR::TheTypeGuid()),
          Of(DataTypeVertexNormals::TheTypeGuid()), Of(DataTypeVertexColors::TheTypeGuid()),
          Of(DataTypeVertexTextureUVs::TheTypeGuid()), Of(DataTypeVertexIndices::TheTypeGuid()),
          Of(DataTypePCMSample::TheTypeGuid()), StreamInfo(12.5f)},
         "DI--NCUXA",
         12.5f},
        {"compressed geometry and 16-bit IR",
         {Of(DataTypeTexture16BitIR::TheTypeGuid()), Of(DataTypeCompressedVertexNormals::TheTypeGuid()),
          Of(DataTypeCompressedVertexTextureUVs::TheTypeGuid()), Of(DataTypeCompressedVertexIndices::TheTypeGuid()),
          Of(DataTypeCompressedVertexPositions::TheTypeGuid())},
         "-I-PN-UX-",
         -1.0f},
    };
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = dir.file("take.hyx");
        // A later frame's attachments and colours show in the table, not in the flags.
        WriteFrames(path, {Frame(0, 0, c.first), Frame(0, 1, {Of(DataTypeBinary::TheTypeGuid())})});
        HYX2FileRenderInfo info(path.c_str());
        ASSERT_TRUE(info.IsValid());
        EXPECT_EQ(Flags(info), c.flags);
        EXPECT_EQ(info.GetFPS(), c.fps);
        EXPECT_EQ(info.CanRenderThumbnail(), c.flags.find_first_of("DTP") != std::string::npos);
        EXPECT_TRUE(info.GetReader()->HasEmbeddedFiles());
    }
}

TEST(FastReader, AnswersFromTheTable)
{
    using namespace Hyx;
    TempDir dir;
    const std::string path = dir.file("take.hyx");
    const auto points = Made<DataTypeVertexPositions>();
    points->Allocate(2, true);
    const auto compressed = Made<DataTypeCompressedVertexPositions>();
    compressed->compress(points, 1);
    WriteFrames(path, {Frame(3, 0, {StreamInfo(25.0f)}), Frame(1, 0, {Of(DataTypeVertexColors::TheTypeGuid())}),
                       Frame(3, 1, {compressed, Of(DataTypeVertexColors::TheTypeGuid())})});
    HYX2FileFastReader reader(path.c_str());
    ASSERT_TRUE(reader.GetFirstStream());
    EXPECT_EQ(reader.GetFirstStream()->streamId, 3);
    EXPECT_EQ(reader.GetNumFrames(), 2u);
    EXPECT_EQ(reader.GetNumFrames(1), 1u);
    EXPECT_FALSE(reader.IsSingleFrame());
    EXPECT_EQ(reader.GetTimeStamp(), 5000u);
    EXPECT_EQ(reader.GetFileSize(), std::filesystem::file_size(path));
    const Guid colors = DataTypeVertexColors::TheTypeGuid();
    EXPECT_TRUE(reader.GetFirstStreamHas(colors));
    EXPECT_TRUE(reader.GetFirstStreamHas(kCloud, colors));
    EXPECT_FALSE(reader.GetFirstStreamHas(colors, kCloud)); // purpose comes first
    EXPECT_TRUE(reader.GetFirstStreamHasOneGuidOf({DataTypeBinary::TheTypeGuid(), colors}));
    EXPECT_FALSE(reader.GetFirstStreamHasOneGuidOf({DataTypeBinary::TheTypeGuid()}));
    EXPECT_FALSE(reader.HasEmbeddedFiles());
    // Read from its block alone: still compressed.
    const auto layer = std::dynamic_pointer_cast<DataTypeCompressedVertexPositions>(
        reader.GetFirstStreamLayer(kCloud, DataTypeCompressedVertexPositions::TheTypeGuid()));
    ASSERT_TRUE(layer);
    EXPECT_EQ(layer->GetNumVertices(), 2u);
    EXPECT_TRUE(reader.GetLayer(reader.GetFirstStream()->atoms[1], colors));
    EXPECT_FALSE(reader.GetLayer(reader.GetFirstStream()->atoms[0], colors));
    EXPECT_FALSE(reader.GetFirstStreamLayer(DataTypeBinary::TheTypeGuid()));

    const std::string empty = dir.file("empty.hyx");
    WriteFrames(empty, {});
    HYX2FileFastReader none(empty.c_str());
    EXPECT_EQ(none.GetTimeStamp(), 0u);
    EXPECT_EQ(none.GetNumFrames(), 0u);
    EXPECT_FALSE(none.IsSingleFrame());
    EXPECT_FALSE(none.GetFirstStreamHas(colors));
}

TEST(RenderInfo, DecodesTheFirstFrameAndKeepsLayersThatDoNotDecode)
{
    using namespace Hyx;
    TempDir dir;
    const std::string path = dir.file("take.hyx");
    const auto points = Made<DataTypeVertexPositions>();
    points->Allocate(4, true);
    const auto compressed = Made<DataTypeCompressedVertexPositions>();
    compressed->compress(points, 0);
    const auto texture = Picture(2, 2, [](int x, int y) { return Rgb{uint8_t(x), uint8_t(y), 0}; });
    // Four points stated, two bytes held.
    const auto broken =
        Corrupt<DataTypeCompressedVertexNormals>(DataTypeVertexNormals::TheTypeGuid(), 0, {4, 0, 0, 0, 1, 2});
    WriteFrames(path, {Frame(0, 0, {compressed, texture, broken})});

    CapturedLog log;
    HYX2FileRenderInfo info(path.c_str());
    const auto atom = info.GetFirstAtomDecompressed();
    ASSERT_TRUE(atom);
    const auto layers = atom->GetAllDataLayers();
    ASSERT_EQ(layers.size(), 3u);
    EXPECT_EQ(layers[0]->TypeGuid(), DataTypeTextureRGB::TheTypeGuid());
    EXPECT_EQ(layers[1]->TypeGuid(), DataTypeCompressedVertexNormals::TheTypeGuid());
    EXPECT_EQ(layers[2]->TypeGuid(), DataTypeVertexPositions::TheTypeGuid());
    EXPECT_EQ(std::static_pointer_cast<DataTypeVertexPositions>(layers[2])->GetNumVertices(), 4u);
    EXPECT_TRUE(log.Contains("Cannot decode DataTypeCompressedVertexNormals"));
    EXPECT_EQ(info.GetFirstAtomDecompressed(), atom);
}

TEST(RenderInfo, AFileThatDoesNotOpenRendersBlack)
{
    CapturedLog log;
    Hyx::HYX2FileRenderInfo info("/nonexistent/take.hyx");
    Hyx::HYX2FileRenderInfo none(std::shared_ptr<Hyx::HYX2FileFastReader>{});
    for (Hyx::HYX2FileRenderInfo* i : {&info, &none}) {
        EXPECT_FALSE(i->IsValid());
        EXPECT_EQ(Flags(*i), "---------");
        EXPECT_EQ(i->GetFPS(), -1.0f);
        EXPECT_FALSE(i->GetFirstAtomDecompressed());
        std::vector<uint8_t> rgba(4 * 4 * 4, 9);
        i->RenderThumbnail(rgba.data(), 4, 4, false);
        for (size_t p = 0; p < rgba.size(); ++p)
            ASSERT_EQ(rgba[p], p % 4 == 3 ? 255 : 0);
    }
}
