#include "../../graph/GraphFixtures.h"
#include "../ConverterTestUtil.h"

#include <Hyx/CompressedLayers.h>
#include <Hyx/FilterFactory.h>
#include <Hyx/GuidLiteral.h>
#include <Hyx/MutateCompressor.h>
#include <Hyx/TransformTextureConversion.h>

#include <gtest/gtest.h>

using namespace Hyx;
using namespace HyxTest;
using GraphFixtures::LayerSource;
using GraphFixtures::TestGraph;
using GraphFixtures::TestTarget;

namespace {

struct FilterRun {
    bool ok = false;
    std::string error;
    std::vector<std::shared_ptr<DataLayer>> out; // the layers of the atom the target got
    std::shared_ptr<Atom> made; // the atom the source made
};

// source -> conversion filter -> the given filters -> target over one frame.
FilterRun runFilter(const VornCommon::Guid& filterType, std::shared_ptr<DataLayer> texture,
                    const std::vector<std::shared_ptr<Filter>>& after = {})
{
    TestGraph g;
    auto source = g.make<LayerSource>(std::vector<std::shared_ptr<DataLayer>>{std::move(texture)});
    auto filter = FilterFactory::CreateFilter(filterType, source, g.graph);
    EXPECT_TRUE(filter);
    g.add(filter.ToStdSharedPtr());
    for (const auto& next : after)
        g.add(next);
    FilterRun run;
    auto target = g.make<TestTarget>();
    target->process = [&](TestTarget&, const Atom& atom) {
        run.out = atom.GetAllDataLayers();
        return HyxErrorCode::Success;
    };
    if (g.graph->Play(PlaybackMode::ForwardOnce) != ActionResult::Success)
        run.error = g.graph->GetLastError(false).CStr();
    for (int pass = 0; pass < 50 && run.error.empty() && !g.graph->IsDone(); ++pass)
        if (g.graph->Update() != ActionResult::Success) {
            run.error = g.graph->GetLastError(false).CStr();
            break;
        }
    run.ok = run.error.empty() && !run.out.empty();
    run.made = source->stream() ? source->stream()->made : nullptr;
    return run;
}

template <class T>
std::shared_ptr<DataLayer> texture(uint16_t w, uint16_t storedHeight, const std::vector<uint8_t>& bytes = {})
{
    return MakeTexture<T>(w, storedHeight, bytes);
}

constexpr VornCommon::Guid kNV12toRGB = GuidLiteral("FF0983B8-37C1-40A6-A6EB-79CB46418489");
constexpr VornCommon::Guid kNV12toNVX = GuidLiteral("9DEF8C7D-18D3-4C51-B526-F65DE8BE8BBA");
constexpr VornCommon::Guid kNV21toNVX = GuidLiteral("059250DA-64ED-41D4-80B7-F96DB5C47C61");
constexpr VornCommon::Guid kRGBtoASTC = GuidLiteral("FEC732C5-8A7F-4AAF-B585-40215F91908C");
constexpr VornCommon::Guid kRGBtoDXT1 = GuidLiteral("B7B451E3-73A2-4029-9667-80F5F02A624D");
constexpr VornCommon::Guid kBGRtoETC2 = GuidLiteral("7C89C6C5-7B5D-44BE-84BF-6A0FC5194B40");
constexpr VornCommon::Guid kBayerRGGBtoNVX = GuidLiteral("89E2BFDF-5825-4290-AFCC-A71882C77306");
constexpr VornCommon::Guid kDXT1toRGB = GuidLiteral("9D31C6EB-E025-464B-8F2D-14A7F3A4CF2E");

} // namespace

TEST(ConversionFilters, AppendTheConvertedTextureWithItsPurpose)
{
    struct Row {
        const char* name;
        VornCommon::Guid filter;
        std::shared_ptr<DataLayer> source;
        VornCommon::Guid resultType, purpose;
        uint16_t width, height;
        uint32_t bytes;
    };
    const Row rows[] = {
        {"NV12 to RGB keeps the source purpose", kNV12toRGB, texture<DataTypeTextureYUV_NV12>(640, 720),
         DataTypeTextureRGB::TheTypeGuid(), kSourcePurpose, 640, 480, 640 * 480 * 3},
        {"NV12 to NVX", kNV12toNVX, texture<DataTypeTextureYUV_NV12>(640, 720), DataTypeTextureYUV_NVX::TheTypeGuid(),
         kNV12toNVX, 640, 720, 640 * 720},
        {"RGB to ASTC", kRGBtoASTC, texture<DataTypeTextureRGB>(8, 8), DataTypeTextureASTC::TheTypeGuid(), kRGBtoASTC,
         8, 8, 16},
        {"BGR to ETC2", kBGRtoETC2, texture<DataTypeTextureBGR>(8, 4), DataTypeTextureETC2::TheTypeGuid(), kBGRtoETC2,
         8, 4, 16},
        {"DXT1 to RGB", kDXT1toRGB, texture<DataTypeTextureDXT1>(4, 4), DataTypeTextureRGB::TheTypeGuid(),
         kSourcePurpose, 4, 4, 48},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const FilterRun run = runFilter(row.filter, row.source);
        ASSERT_TRUE(run.ok) << run.error;
        ASSERT_EQ(run.out.size(), 2u);
        EXPECT_EQ(run.out[0], row.source);
        auto result = std::dynamic_pointer_cast<DataTypeTextureBase>(run.out[1]);
        ASSERT_TRUE(result);
        EXPECT_EQ(result->TypeGuid(), row.resultType);
        EXPECT_EQ(result->GetPurposeGuid(), row.purpose);
        EXPECT_EQ(result->GetWidth(), row.width);
        EXPECT_EQ(result->GetTextureSizeInBytes(), row.bytes);
    }
}

TEST(ConversionFilters, RefusalsGiveCodeFourWithTheFamilyTextAndKeepTheAtom)
{
    struct Row {
        VornCommon::Guid filter;
        std::shared_ptr<DataLayer> source;
        const char* text;
    };
    const Row rows[] = {
        {kRGBtoDXT1, texture<DataTypeTextureRGB>(6, 4),
         "Unable to convert texture to DXT1-, dimension not divisible by 4!"},
        {kRGBtoASTC, texture<DataTypeTextureRGB>(8, 6),
         "Unable to convert texture to ASTC-, dimension not divisible by 4!"},
        {kRGBtoASTC, texture<DataTypeTextureRGB>(12, 8),
         "Unable to convert texture to ASTC-, dimension not divisible by 8!"},
        // The converter refuses odd mosaics; the refusal stays inside the filter.
        {kBayerRGGBtoNVX, texture<DataTypeTextureBayerRGGB>(5, 5), "Failed to convert texture to YUV-NVX."},
        // A source without pixels converts to nothing; a stored height of 1 is an image of
        // 8 x 0, without luma rows.
        {kNV12toRGB, texture<DataTypeTextureYUV_NV12>(0, 0), "Failed to convert texture to RGB."},
        {kNV12toNVX, texture<DataTypeTextureYUV_NV12>(8, 1), "Failed to convert texture to YUV-NVX."},
        {kNV21toNVX, texture<DataTypeTextureYUV_NV21>(8, 1), "Failed to convert texture to YUV-NVX."},
        {kNV12toRGB, texture<DataTypeTextureYUV_NV12>(8, 1), "Failed to convert texture to RGB."},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        const FilterRun run = runFilter(row.filter, row.source);
        EXPECT_FALSE(run.ok);
        EXPECT_NE(run.error.find(std::string("Error in filter '$filter$': $info$(") + row.text + ")"),
                  std::string::npos)
            << run.error;
        EXPECT_TRUE(run.out.empty());
        ASSERT_TRUE(run.made);
        EXPECT_EQ(run.made->GetAllDataLayers().size(), 1u);
    }
}

TEST(ConversionFilters, Dxt1SurvivesTheRunLengthCodersByteForByte)
{
    // Black left half: runs of equal blocks the run-length coder shortens.
    const auto rgb = RgbImage(32, 16, [](uint32_t x, uint32_t y) {
        return x < 16 ? std::array{0u, 0u, 0u} : std::array{x * 7, y * 15, (x ^ y) * 8};
    });
    auto compressor = [] { return std::shared_ptr<Filter>(MutateTextureCompressorDXT1RLEFilterCreator()); };
    auto decompressor = [] { return std::shared_ptr<Filter>(MutateTextureDecompressorDXT1RLEFilterCreator()); };
    const FilterRun plain = runFilter(kRGBtoDXT1, texture<DataTypeTextureRGB>(32, 16, rgb));
    const FilterRun coded = runFilter(kRGBtoDXT1, texture<DataTypeTextureRGB>(32, 16, rgb), {compressor()});
    const FilterRun back =
        runFilter(kRGBtoDXT1, texture<DataTypeTextureRGB>(32, 16, rgb), {compressor(), decompressor()});
    for (const FilterRun* run : {&plain, &coded, &back}) {
        ASSERT_TRUE(run->ok) << run->error;
        ASSERT_EQ(run->out.size(), 2u);
    }
    auto dxt = std::dynamic_pointer_cast<DataTypeTextureDXT1>(plain.out[1]);
    auto restored = std::dynamic_pointer_cast<DataTypeTextureDXT1>(back.out[1]);
    ASSERT_TRUE(dxt && restored);
    const std::vector<uint8_t> blocks = Pixels(dxt);
    ASSERT_EQ(blocks.size(), 32u * 16 / 2);
    EXPECT_EQ(std::vector<uint8_t>(blocks.begin(), blocks.begin() + 8),
              std::vector<uint8_t>(blocks.begin() + 8, blocks.begin() + 16)); // the black blocks repeat
    ASSERT_TRUE(std::dynamic_pointer_cast<DataTypeCompressedBlob>(coded.out[1]));
    uint32_t codedSize = 0;
    coded.out[1]->Serialize(codedSize);
    EXPECT_LT(codedSize, blocks.size());
    EXPECT_EQ(restored->GetPurposeGuid(), dxt->GetPurposeGuid());
    EXPECT_EQ((std::tuple{restored->GetWidth(), Pixels(restored)}), std::tuple(32, blocks));
}
