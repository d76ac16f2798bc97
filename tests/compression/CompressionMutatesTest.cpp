#include <Hyx/Atom.h>
#include <Hyx/CompressedLayers.h>
#include <Hyx/DataLayerPlaceholder.h>
#include <Hyx/DataTypeTextureBlock.h>
#include <Hyx/DataTypeTextureIR.h>
#include <Hyx/DataTypeTextureRGB.h>
#include <Hyx/DataTypeVertex.h>
#include <Hyx/FilterParamChoice.h>
#include <Hyx/FilterParamNumeric.h>
#include <Hyx/Graph.h>
#include <Hyx/HYXPurposeGuids.h>
#include <Hyx/MutateCompressor.h>
#include <Hyx/VisualGraph.h>

#include "../graph/GraphFixtures.h"
#include "StreamTestUtil.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

using namespace Hyx;

namespace {

using Layers = std::vector<std::shared_ptr<DataLayer>>;

/// A filter with its frame step opened up, parameters made without a graph.
template <typename F>
struct Probe : F {
    explicit Probe(bool drop = true)
    {
        F::Instantiate();
        F::onInitializeParams(nullptr);
        F::_dropParam->SetValue(drop);
    }
    using F::onCreateFrame;

    /// The layers of the frame made from these layers.
    Layers run(const Layers& layers, HyxErrorCode expected = HyxErrorCode::Success)
    {
        auto in = std::make_shared<Atom>(1, 7, 1000);
        for (const auto& layer : layers)
            in->AddDataLayer(layer, false);
        std::shared_ptr<Atom> out;
        EXPECT_EQ(onCreateFrame(in, out), expected);
        if (!out)
            return {};
        EXPECT_EQ(out->GetFrameNr(), 7u);
        return out->GetAllDataLayers();
    }
};

std::shared_ptr<DataTypeVertexPositions> positions()
{
    auto layer = std::make_shared<DataTypeVertexPositions>();
    float* p = layer->Allocate(10, false);
    for (int i = 0; i < 30; ++i)
        p[i] = 0.1f * i;
    layer->CalculateBoundingBoxFromVertexPositions();
    layer->ChangePurposeGuid(HYXPurposeGuids::CAMERA_PRIMARY);
    return layer;
}

std::shared_ptr<DataTypeVertexNormals> normals()
{
    auto layer = std::make_shared<DataTypeVertexNormals>();
    float* n = layer->Allocate(2);
    std::fill(n, n + 6, 0.0f);
    n[2] = n[5] = 1.0f;
    return layer;
}

std::shared_ptr<DataTypeVertexIndices> indices(uint32_t first = 0)
{
    auto layer = std::make_shared<DataTypeVertexIndices>();
    layer->Allocate(9);
    std::iota(layer->GetIndices(), layer->GetIndices() + 9, first);
    return layer;
}

template <typename T>
std::shared_ptr<T> texture(uint16_t w, uint16_t h)
{
    auto layer = std::make_shared<T>();
    uint8_t* p = layer->AllocateTexture(w, h);
    for (uint32_t i = 0; i < layer->GetTextureSizeInBytes(); ++i)
        p[i] = static_cast<uint8_t>(i * 7);
    return layer;
}

uint8_t codeOf(const std::shared_ptr<DataLayer>& layer)
{
    auto blob = std::dynamic_pointer_cast<DataTypeCompressedBlob>(layer);
    return blob ? blob->GetCompressionType() : 255;
}

HyxTest::Bytes payloadOf(const std::shared_ptr<DataLayer>& layer)
{
    uint32_t size = 0;
    const uint8_t* data = layer->Serialize(size);
    return HyxTest::Bytes(data, data + size);
}

} // namespace

TEST(MutateCompressor, CodesFollowTheLayerAndTheChoice)
{
    auto rgb = texture<DataTypeTextureRGB>(16, 16);
    auto dxt = texture<DataTypeTextureDXT1>(8, 8);
    auto ir = texture<DataTypeTextureIR>(8, 8);
    auto rle = std::make_shared<DataTypeTextureDXT1RLE>();
    Probe<MutateAutoCompressor> automatic;
    const Layers out = automatic.run({rgb, dxt, ir, rle});
    ASSERT_EQ(out.size(), 4u);
    EXPECT_EQ(out[0], rle);
    EXPECT_EQ((std::tuple{codeOf(out[1]), codeOf(out[2]), codeOf(out[3])}), std::tuple(130, 5, 2));

    Probe<MutateVertexPositionsCompressor> chosen;
    auto param = std::dynamic_pointer_cast<FilterParamEnumIndexed>(chosen.getParameterByName("Compression"));
    ASSERT_TRUE(param);
    for (auto [index, code] : {std::pair{"0", 1}, {"1", 2}, {"7", 2}}) {
        param->SetValueAsString(index);
        EXPECT_EQ(codeOf(chosen.run({positions()}).at(0)), code) << index;
    }
}

TEST(MutateCompressor, FailedCompressionKeepsThePlainLayer)
{
    auto tooLarge = indices(1u << 24); // 24-bit indices cannot hold them
    Probe<MutateVertexIndicesCompressor> filter(true);
    EXPECT_EQ(filter.run({tooLarge}), (Layers{tooLarge}));
}

TEST(MutateDecompressor, PlainLayersFollowInOrder)
{
    auto a = normals();
    auto c = texture<DataTypeTextureRGB>(4, 4);
    Probe<MutateAutoCompressor> compressor;
    const Layers coded = compressor.run({positions(), indices()});
    ASSERT_EQ(coded.size(), 2u);
    for (bool drop : {true, false}) {
        Probe<MutateAutoDecompressor> filter(drop);
        const Layers out = filter.run({a, coded[0], c, coded[1]});
        ASSERT_EQ(out.size(), drop ? 4u : 6u);
        const size_t first = drop ? 2 : 4;
        EXPECT_EQ(out[0], a);
        EXPECT_EQ((std::tuple{out[drop ? 1 : 2], out[first]->TypeGuid(), out[first]->GetPurposeGuid(),
                              out[first + 1]->TypeGuid()}),
                  std::tuple(c, DataTypeVertexPositions::TheTypeGuid(), HYXPurposeGuids::CAMERA_PRIMARY,
                             DataTypeVertexIndices::TheTypeGuid()));
    }
    // A single-type filter decompresses every compressed layer.
    Probe<MutateTextureDecompressorRGB> single;
    EXPECT_EQ(single.run(coded).size(), 2u);
    // No compressed layer: the same objects.
    EXPECT_EQ(single.run({a, c}), (Layers{a, c}));
}

TEST(MutateDecompressor, DamagedLayerFailsTheFrameUnknownClassPasses)
{
    Probe<MutateAutoCompressor> compressor;
    const Layers coded = compressor.run({positions(), indices(), texture<DataTypeTextureDXT1>(8, 8)});
    ASSERT_EQ(coded.size(), 3u);
    auto damaged = std::make_shared<DataTypeCompressedTexture>();
    damaged->InitializeCompressionInfo(DataTypeTextureDXT1::TheTypeGuid(), 0, 5);
    HyxTest::Bytes payload = payloadOf(coded[2]);
    payload.push_back(7); // seven more pattern blocks than the texture holds
    damaged->InitializeData(payload.data(), static_cast<uint32_t>(payload.size()));
    Probe<MutateAutoDecompressor> filter;
    EXPECT_TRUE(filter.run({coded[0], coded[1], damaged}, HyxErrorCode::FilterFailedToDecompressLayer).empty());
    EXPECT_NE(filter.GetLastError(false).StdString().find("failed to decompress layer"), std::string::npos);

    auto unknown = std::make_shared<DataLayerCompressedPlaceholder>(HYXPurposeGuids::TALO);
    unknown->InitializeCompressionInfo(DataTypeTextureRGB::TheTypeGuid(), 0, 1);
    EXPECT_EQ(filter.run({unknown}), (Layers{unknown}));
}

TEST(AutoCompression, RoundTripThroughTheAtomStream)
{
    auto ir = texture<DataTypeTexture16BitIR>(16, 8);
    ir->ChangePurposeGuid(HYXPurposeGuids::SECONDARY_COLOR);
    const Layers plain = {normals(), positions(),
                          indices(), texture<DataTypeTextureDXT1>(16, 8),
                          ir,        texture<DataTypeTextureRGB>(32, 16)};
    Probe<MutateAutoCompressor> compressor;
    Probe<MutateAutoDecompressor> decompressor;
    auto in = std::make_shared<Atom>(1, 7, 1000);
    for (const auto& layer : plain)
        in->AddDataLayer(layer, false);
    std::shared_ptr<Atom> coded;
    ASSERT_EQ(compressor.onCreateFrame(in, coded), HyxErrorCode::Success);
    SerializeToMemory writer;
    ASSERT_EQ(writer.pack_atom(coded), HyxErrorCode::Success);
    HyxTest::ExactReader reader(HyxTest::PackedBytes(writer));
    const Layers out = decompressor.run(reader->unpack_atom()->GetAllDataLayers());
    ASSERT_EQ(out.size(), plain.size());
    for (size_t i = 0; i < plain.size(); ++i) {
        EXPECT_EQ(out[i]->TypeGuid(), plain[i]->TypeGuid()) << i;
        EXPECT_EQ(out[i]->GetPurposeGuid(), plain[i]->GetPurposeGuid()) << i;
        if (i == 0 || i == 2 || i == 3 || i == 4) { // lossless codes
            EXPECT_EQ(payloadOf(out[i]), payloadOf(plain[i])) << i;
        }
    }
}

TEST(CompressionMutates, ProfilesThroughAGraph)
{
    const VornCommon::Guid a = HYXPurposeGuids::CAMERA_PRIMARY, b = HYXPurposeGuids::SECONDARY_COLOR;
    auto profile = std::make_shared<Profile>(a, DataTypeVertexPositions::TheTypeGuid());
    profile->Add(b, DataTypeVertexNormals::TheTypeGuid());
    auto graph = std::make_shared<Graph>();
    ASSERT_EQ(graph->AddAndConnect(std::make_shared<GraphFixtures::TestSource>(3, profile)), ActionResult::Success);
    auto compressor = std::shared_ptr<Filter>(MutateAutoCompressorFilterCreator());
    ASSERT_EQ(graph->AddAndConnect(compressor), ActionResult::Success);
    EXPECT_EQ(
        (std::tuple{bool(compressor->getParameterByName("Input Profile")),
                    bool(compressor->getParameterByName(MutateCompressor::COMPRESSOR_DROP_UNCOMPRESSED_PARAMNAME))}),
        std::tuple(false, true));
    const auto coded = compressor->GetOutputProfile();
    ASSERT_EQ(coded->GetDataProfileCount(), 2);
    EXPECT_EQ((std::tuple{coded->GetDataProfileByIndex(0)->GetTypeGuid(),
                          coded->Contains(a, DataTypeCompressedVertexPositions::TheTypeGuid(),
                                          DataTypeVertexPositions::TheTypeGuid())}),
              std::tuple(DataTypeVertexNormals::TheTypeGuid(), true));

    auto decompressor = std::shared_ptr<Filter>(MutateVertexPositionsDecompressorFilterCreator());
    ASSERT_EQ(graph->AddAndConnect(decompressor), ActionResult::Success);
    EXPECT_TRUE(decompressor->getParameterByName("Input Profile"));
    const auto plain = decompressor->GetOutputProfile();
    ASSERT_EQ(plain->GetDataProfileCount(), 2);
    EXPECT_TRUE(plain->Contains(a, DataTypeVertexPositions::TheTypeGuid(), VornCommon::Guid()));
}

namespace {

using MakeFilter = std::function<std::shared_ptr<Filter>(std::shared_ptr<Filter> upstream, std::shared_ptr<Graph>)>;

struct GraphRun {
    std::vector<std::string> params; // the filter's parameter names
    std::vector<Layers> frames; // the layers the target got, per frame
};

// Three frames of `layers` through source -> the filter `make` gives -> target. With
// `attached`, the three are attached to a graph description, which is instantiated into the
// graph.
GraphRun runThrough(const Layers& layers, const MakeFilter& make, bool attached = false)
{
    GraphFixtures::TestGraph g;
    GraphRun run;
    std::shared_ptr<Filter> filter;
    std::shared_ptr<GraphFixtures::TestTarget> target;
    if (attached) {
        auto source = std::make_shared<GraphFixtures::LayerSource>(layers, 3);
        filter = make(nullptr, nullptr);
        target = std::make_shared<GraphFixtures::TestTarget>();
        VisualGraph description;
        for (const std::shared_ptr<Filter>& f :
             {std::shared_ptr<Filter>(source), filter, std::shared_ptr<Filter>(target)})
            description.AddVisualFilter(f->TypeGuid(), false, false)->SetHyxFilter(f);
        g.graph = description.InstantiateSimpleHyxGraph();
        if (!g.graph) {
            ADD_FAILURE() << "the description did not instantiate";
            return run;
        }
    } else {
        auto source = g.make<GraphFixtures::LayerSource>(layers, 3);
        filter = g.add(make(source, g.graph));
        target = g.make<GraphFixtures::TestTarget>();
    }
    for (const auto& param : filter->getParameters())
        run.params.push_back(param->GetName());
    target->process = [&run](GraphFixtures::TestTarget&, const Atom& atom) {
        run.frames.push_back(atom.GetAllDataLayers());
        return HyxErrorCode::Success;
    };
    EXPECT_EQ(g.graph->Play(PlaybackMode::ForwardOnce), ActionResult::Success) << g.error();
    EXPECT_TRUE(g.runToEnd());
    EXPECT_EQ(g.graph->Stop(), ActionResult::Success);
    return run;
}

template <typename L>
std::shared_ptr<L> withPurpose(std::shared_ptr<L> layer, const VornCommon::Guid& purpose)
{
    layer->ChangePurposeGuid(purpose);
    return layer;
}

} // namespace

// A compressor or decompressor made with its constructor works exactly as one made by the
// factory, whether added to a graph or attached to a graph description instantiated into one:
// same parameters, same layers, same bytes.
TEST(CompressionMutates, MadeWithTheConstructorWorkLikeFactoryMade)
{
    const Layers plain = {positions(), withPurpose(normals(), HYXPurposeGuids::SECONDARY_COLOR),
                          withPurpose(texture<DataTypeTextureRGB>(8, 8), HYXPurposeGuids::TALO)};
    Probe<MutateAutoCompressor> coder;
    const Layers coded = coder.run(plain); // normals, then the compressed positions and texture
    struct Row {
        const char* name;
        VornCommon::Guid type;
        std::function<std::shared_ptr<Filter>()> construct;
        const Layers& in;
        VornCommon::Guid made; // a type that only the working filter adds
    };
    const Row rows[] = {
        {"positions compressor", MutateVertexPositionsCompressor::TheTypeGuid(),
         [] { return std::make_shared<MutateVertexPositionsCompressor>(); }, plain,
         DataTypeCompressedVertexPositions::TheTypeGuid()},
        {"automatic compressor", MutateAutoCompressor::TheTypeGuid(),
         [] { return std::make_shared<MutateAutoCompressor>(); }, plain, DataTypeCompressedTexture::TheTypeGuid()},
        {"creator function", MutateTextureCompressorRGB::TheTypeGuid(),
         [] { return std::shared_ptr<Filter>(MutateTextureCompressorRGBFilterCreator()); }, plain,
         DataTypeCompressedTexture::TheTypeGuid()},
        {"positions decompressor", MutateVertexPositionsDecompressor::TheTypeGuid(),
         [] { return std::make_shared<MutateVertexPositionsDecompressor>(); }, coded,
         DataTypeVertexPositions::TheTypeGuid()},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const GraphRun factoryMade = runThrough(row.in, [&](std::shared_ptr<Filter> upstream,
                                                            std::shared_ptr<Graph> g) {
            return FilterFactory::CreateFilter(row.type, SharedFilterPtr(upstream), SharedGraphPtr(g)).ToStdSharedPtr();
        });
        ASSERT_EQ(factoryMade.frames.size(), 3u);
        for (const bool attached : {false, true}) {
            SCOPED_TRACE(attached ? "attached to a description" : "added");
            const GraphRun constructed = runThrough(
                row.in, [&](auto, auto) { return row.construct(); }, attached);
            EXPECT_EQ(constructed.params, factoryMade.params);
            ASSERT_EQ(constructed.frames.size(), factoryMade.frames.size());
            for (size_t f = 0; f < constructed.frames.size(); ++f) {
                const Layers& got = constructed.frames[f];
                const Layers& want = factoryMade.frames[f];
                ASSERT_EQ(got.size(), want.size()) << "frame " << f;
                for (size_t i = 0; i < got.size(); ++i) {
                    EXPECT_EQ((std::tuple{got[i]->TypeGuid(), got[i]->GetPurposeGuid(), payloadOf(got[i]).size()}),
                              (std::tuple{want[i]->TypeGuid(), want[i]->GetPurposeGuid(), payloadOf(want[i]).size()}))
                        << "frame " << f << ", layer " << i;
                    EXPECT_TRUE(payloadOf(got[i]) == payloadOf(want[i])) << "frame " << f << ", layer " << i;
                }
                EXPECT_TRUE(
                    std::any_of(got.begin(), got.end(), [&](const auto& l) { return l->TypeGuid() == row.made; }))
                    << "frame " << f;
            }
        }
    }
}
