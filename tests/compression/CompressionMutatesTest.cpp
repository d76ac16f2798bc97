#include <Hyx/Atom.h>
#include <Hyx/CompressedLayers.h>
#include <Hyx/DataLayerPlaceholder.h>
#include <Hyx/DataTypeTextureBlock.h>
#include <Hyx/DataTypeTextureIR.h>
#include <Hyx/DataTypeTextureRGB.h>
#include <Hyx/DataTypeTextureYUV.h>
#include <Hyx/DataTypeVertex.h>
#include <Hyx/FilterParamChoice.h>
#include <Hyx/FilterParamNumeric.h>
#include <Hyx/Graph.h>
#include <Hyx/HYXPurposeGuids.h>
#include <Hyx/MutateCompressor.h>
#include <Hyx/MutateDataLayers.h>
#include <Hyx/VisualGraph.h>

#include "../graph/GraphFixtures.h"
#include "StreamTestUtil.h"

#include <CapturedLog.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <map>
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

// Plays the graph once to its end and stops it: the layers of each frame the target took.
std::vector<Layers> playOnce(GraphFixtures::TestGraph& g, GraphFixtures::TestTarget& target)
{
    std::vector<Layers> frames;
    target.process = [&frames](GraphFixtures::TestTarget&, const Atom& atom) {
        frames.push_back(atom.GetAllDataLayers());
        return HyxErrorCode::Success;
    };
    EXPECT_EQ(g.graph->Play(PlaybackMode::ForwardOnce), ActionResult::Success) << g.error();
    EXPECT_TRUE(g.runToEnd());
    EXPECT_EQ(g.graph->Stop(), ActionResult::Success);
    target.process = nullptr;
    return frames;
}

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
    run.frames = playOnce(g, *target);
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

namespace {

std::shared_ptr<DataTypeVertexIndices> indicesWith(uint32_t value)
{
    auto layer = indices();
    layer->GetIndices()[4] = value;
    return withPurpose(layer, HYXPurposeGuids::TALO);
}

std::shared_ptr<DataTypeVertexTextureUVs> uvsWith(float value)
{
    auto layer = std::make_shared<DataTypeVertexTextureUVs>();
    layer->Allocate(4);
    std::fill(layer->GetUVs(), layer->GetUVs() + 8, 0.5f);
    layer->GetUVs()[5] = value;
    return withPurpose(layer, HYXPurposeGuids::TALO);
}

/// A texture whose stored size asks for more bytes than its payload holds.
std::shared_ptr<DataTypeTextureRGB> shortTexture()
{
    auto layer = std::make_shared<DataTypeTextureRGB>();
    uint8_t payload[] = {16, 0, 16, 0, 1, 2, 3, 4, 5, 6};
    EXPECT_TRUE(layer->InitializeData(payload, sizeof(payload)));
    return withPurpose(layer, HYXPurposeGuids::SECONDARY_COLOR);
}

/// A layer of T whose payload lost its second half: its header asks for more than it holds.
template <typename T>
std::shared_ptr<DataLayer> halved(std::shared_ptr<T> full)
{
    HyxTest::Bytes bytes = payloadOf(full);
    bytes.resize(bytes.size() / 2);
    auto layer = std::make_shared<T>();
    EXPECT_TRUE(layer->InitializeData(bytes.data(), static_cast<uint32_t>(bytes.size())));
    return withPurpose(layer, HYXPurposeGuids::SECONDARY_COLOR);
}

/// Positions with one coordinate changed, against the box of the others; or, with
/// `computeBox` false, a box never computed.
std::shared_ptr<DataTypeVertexPositions> positionsWith(float value, bool computeBox = true)
{
    auto layer = std::make_shared<DataTypeVertexPositions>();
    float* p = layer->Allocate(10, false);
    for (int i = 0; i < 30; ++i)
        p[i] = 1.0f + 0.1f * i;
    if (computeBox)
        layer->CalculateBoundingBoxFromVertexPositions();
    p[13] = value;
    layer->ChangePurposeGuid(HYXPurposeGuids::CAMERA_PRIMARY);
    return layer;
}

/// Sets the parameters on a filter the factory made, before it joins the graph.
MakeFilter madeWith(VornCommon::Guid type, std::vector<std::pair<std::string, std::string>> values)
{
    return [type, values](std::shared_ptr<Filter> upstream, std::shared_ptr<Graph> graph) {
        auto filter =
            FilterFactory::CreateFilter(type, SharedFilterPtr(upstream), SharedGraphPtr(graph)).ToStdSharedPtr();
        for (const auto& [name, value] : values)
            EXPECT_TRUE(filter->setParameterValue(name.c_str(), value.c_str())) << name;
        return filter;
    };
}

bool holds(const Layers& layers, const std::shared_ptr<DataLayer>& layer)
{
    return std::find(layers.begin(), layers.end(), layer) != layers.end();
}

size_t countOf(const Layers& layers, const VornCommon::Guid& type)
{
    return size_t(std::count_if(layers.begin(), layers.end(), [&](const auto& l) { return l->TypeGuid() == type; }));
}

} // namespace

// A layer a compressor cannot code reaches the target plain, whatever the drop setting, while
// the layers it can code still reach it compressed only.
TEST(CompressionMutates, FailedCompressionReachesTheTargetPlain)
{
    const VornCommon::Guid positionsCoded = DataTypeCompressedVertexPositions::TheTypeGuid();
    struct Row {
        const char* name;
        VornCommon::Guid filter;
        const char* compression; // "Compression" choice, or null
        std::shared_ptr<DataLayer> bad;
        VornCommon::Guid coded; // the compressed type that must not appear
    };
    const Row rows[] = {
        {"index of 2^24, 24 bits", MutateVertexIndicesCompressor::TheTypeGuid(), nullptr, indicesWith(1u << 24),
         DataTypeCompressedVertexIndices::TheTypeGuid()},
        {"index of 70000, 16 bits", MutateVertexIndicesCompressor::TheTypeGuid(), "1", indicesWith(70000),
         DataTypeCompressedVertexIndices::TheTypeGuid()},
        {"UV of 1.5, 12 bits", MutateVertexTextureUVsCompressor::TheTypeGuid(), "1", uvsWith(1.5f),
         DataTypeCompressedVertexTextureUVs::TheTypeGuid()},
        {"short RGB texture", MutateTextureCompressorRGB::TheTypeGuid(), nullptr, shortTexture(),
         DataTypeCompressedTexture::TheTypeGuid()},
        {"short BGR texture", MutateTextureCompressorBGR::TheTypeGuid(), nullptr,
         halved(texture<DataTypeTextureBGR>(16, 16)), DataTypeCompressedTexture::TheTypeGuid()},
        {"short NV12 texture", MutateTextureCompressorYUV_NV12::TheTypeGuid(), nullptr,
         halved(texture<DataTypeTextureYUV_NV12>(16, 16)), DataTypeCompressedTexture::TheTypeGuid()},
        {"short NV21 texture", MutateTextureCompressorYUV_NV21::TheTypeGuid(), nullptr,
         halved(texture<DataTypeTextureYUV_NV21>(16, 16)), DataTypeCompressedTexture::TheTypeGuid()},
        {"short NVX texture", MutateTextureCompressorYUV_NVX::TheTypeGuid(), nullptr,
         halved(texture<DataTypeTextureYUV_NVX>(16, 16)), DataTypeCompressedTexture::TheTypeGuid()},
        {"short 16-bit IR texture", MutateTextureCompressor16BitIR::TheTypeGuid(), nullptr,
         halved(texture<DataTypeTexture16BitIR>(16, 16)), DataTypeCompressedTexture::TheTypeGuid()},
        {"short IR texture", MutateTextureCompressorIR::TheTypeGuid(), nullptr,
         halved(texture<DataTypeTextureIR>(16, 16)), DataTypeCompressedTexture::TheTypeGuid()},
        {"short 16-bit depth map texture", MutateTextureCompressor16BitDepthMap::TheTypeGuid(), nullptr,
         halved(texture<DataTypeTexture16BitDepthMap>(16, 16)), DataTypeCompressedTexture::TheTypeGuid()},
        {"short DXT1 texture", MutateTextureCompressorDXT1RLE::TheTypeGuid(), nullptr,
         halved(texture<DataTypeTextureDXT1>(16, 16)), DataTypeCompressedTexture::TheTypeGuid()},
        {"short ETC2 texture", MutateTextureCompressorETC2RLE::TheTypeGuid(), nullptr,
         halved(texture<DataTypeTextureETC2>(16, 16)), DataTypeCompressedTexture::TheTypeGuid()},
        {"short ASTC texture", MutateTextureCompressorASTCRLE::TheTypeGuid(), nullptr,
         halved(texture<DataTypeTextureASTC>(16, 16)), DataTypeCompressedTexture::TheTypeGuid()},
        {"short normals", MutateVertexNormalsCompressor::TheTypeGuid(), nullptr, halved(normals()),
         DataTypeCompressedVertexNormals::TheTypeGuid()},
        {"positions outside their box", MutateVertexPositionsCompressor::TheTypeGuid(), nullptr, positionsWith(100.0f),
         positionsCoded},
        {"positions with NaN, 11/11/10", MutateVertexPositionsCompressor::TheTypeGuid(), "1",
         positionsWith(std::nanf("")), positionsCoded},
        {"positions with infinity", MutateVertexPositionsCompressor::TheTypeGuid(), nullptr, positionsWith(INFINITY),
         positionsCoded},
        {"positions, box never computed", MutateVertexPositionsCompressor::TheTypeGuid(), nullptr,
         positionsWith(2.0f, false), positionsCoded},
        {"automatic: index of 2^24", MutateAutoCompressor::TheTypeGuid(), nullptr, indicesWith(1u << 24),
         DataTypeCompressedVertexIndices::TheTypeGuid()},
        {"automatic: short texture", MutateAutoCompressor::TheTypeGuid(), nullptr, shortTexture(),
         DataTypeCompressedTexture::TheTypeGuid()},
        {"automatic: positions with NaN", MutateAutoCompressor::TheTypeGuid(), nullptr, positionsWith(std::nanf("")),
         positionsCoded},
    };
    for (const Row& row : rows) {
        for (const bool drop : {true, false}) {
            SCOPED_TRACE(std::string(row.name) + (drop ? ", drop" : ", keep"));
            // The automatic compressor also gets a layer it can code.
            const bool automatic = row.filter == MutateAutoCompressor::TheTypeGuid();
            std::shared_ptr<DataLayer> good;
            if (automatic)
                good = row.coded == positionsCoded
                           ? std::shared_ptr<DataLayer>(withPurpose(indices(), HYXPurposeGuids::TALO))
                           : std::shared_ptr<DataLayer>(positions());
            Layers in = {row.bad};
            if (good)
                in.push_back(good);
            std::vector<std::pair<std::string, std::string>> values = {
                {MutateCompressor::COMPRESSOR_DROP_UNCOMPRESSED_PARAMNAME, drop ? "True" : "False"}};
            if (row.compression)
                values.emplace_back(MutateCompressorWithChoice::COMPRESSION_PARAMNAME, row.compression);
            CapturedLog log;
            const GraphRun run = runThrough(in, madeWith(row.filter, values));
            ASSERT_EQ(run.frames.size(), 3u);
            for (const Layers& frame : run.frames) {
                EXPECT_TRUE(holds(frame, row.bad));
                EXPECT_EQ(countOf(frame, row.coded), 0u);
                if (good) {
                    EXPECT_EQ(holds(frame, good), !drop);
                    EXPECT_EQ(frame.size(), drop ? 2u : 3u);
                }
            }
            int lines = 0;
            for (const auto& entry : log.Entries())
                lines += entry.text.find("could not compress layer") != std::string::npos;
            EXPECT_EQ(lines, 3); // one per frame
        }
    }
}

namespace {

/// The layer T codes `plain` into under code, with `plain`'s purpose.
template <typename T>
std::shared_ptr<DataTypeCompressedBlob> codedAs(const std::shared_ptr<DataLayer>& plain, uint8_t code)
{
    auto layer = std::make_shared<T>();
    layer->InitializeHeader(plain->GetPurposeGuid());
    EXPECT_TRUE(layer->compress(plain, code));
    return layer;
}

/// The frame a new F makes of `layers`, and the filter's error text.
template <typename F>
std::pair<Layers, std::string> decompressedBy(const Layers& layers, HyxErrorCode expected)
{
    Probe<F> filter;
    Layers out = filter.run(layers, expected);
    return {out, filter.GetLastError(false).StdString()};
}

} // namespace

// A compressed layer whose last payload was refused, also over valid data, fails the frame in
// every decompressor that takes it, rather than passing an empty plain layer on; the same
// layer loaded validly decodes.
TEST(MutateDecompressor, RefusedLoadFailsTheFrame)
{
    using Run = std::pair<Layers, std::string> (*)(const Layers&, HyxErrorCode);
    const struct {
        const char* name;
        std::shared_ptr<DataLayer> plain;
        std::shared_ptr<DataTypeCompressedBlob> (*code)(const std::shared_ptr<DataLayer>&, uint8_t);
        uint8_t recommended;
        Run single;
    } rows[] = {
        {"UVs", uvsWith(0.25f), &codedAs<DataTypeCompressedVertexTextureUVs>, 128,
         &decompressedBy<MutateVertexTextureUVsDecompressor>},
        {"indices", indices(), &codedAs<DataTypeCompressedVertexIndices>, 128,
         &decompressedBy<MutateVertexIndicesDecompressor>},
        {"normals", normals(), &codedAs<DataTypeCompressedVertexNormals>, 2,
         &decompressedBy<MutateVertexNormalsDecompressor>},
        {"positions", positions(), &codedAs<DataTypeCompressedVertexPositions>, 1,
         &decompressedBy<MutateVertexPositionsDecompressor>},
    };
    for (const auto& row : rows) {
        for (const bool automatic : {true, false}) {
            SCOPED_TRACE(std::string(row.name) + (automatic ? ", automatic" : ", single-type"));
            const Run run = automatic ? &decompressedBy<MutateAutoDecompressor> : row.single;
            const std::shared_ptr<DataTypeCompressedBlob> valid = row.code(row.plain, row.recommended);
            const Layers decoded = run({valid}, HyxErrorCode::Success).first;
            ASSERT_EQ(decoded.size(), 1u);
            EXPECT_EQ(decoded[0]->TypeGuid(), row.plain->TypeGuid());

            const std::shared_ptr<DataTypeCompressedBlob> refused = row.code(row.plain, row.recommended);
            uint8_t oneByte = 0;
            ASSERT_FALSE(refused->InitializeData(&oneByte, 1));
            CapturedLog log;
            const auto [out, error] = run({refused}, HyxErrorCode::FilterFailedToDecompressLayer);
            EXPECT_TRUE(out.empty());
            EXPECT_NE(error.find("failed to decompress layer"), std::string::npos) << error;
            EXPECT_TRUE(log.Contains("compressed data does not have the expected size"));
        }
    }
}

// A compressed layer whose code was changed after its payload loaded, so the payload no longer
// holds what the code needs, fails the frame in every decompressor that takes it with the size
// text; set back to the code it was coded with, it decodes.
TEST(MutateDecompressor, CodeChangedAfterTheLoadFailsTheFrame)
{
    using Run = std::pair<Layers, std::string> (*)(const Layers&, HyxErrorCode);
    const struct {
        const char* name;
        std::shared_ptr<DataLayer> plain;
        std::shared_ptr<DataTypeCompressedBlob> (*code)(const std::shared_ptr<DataLayer>&, uint8_t);
        uint8_t coded;
        uint8_t later;
        Run single;
    } rows[] = {
        {"UVs, 12 bits then 16 bits", uvsWith(0.25f), &codedAs<DataTypeCompressedVertexTextureUVs>, 129, 128,
         &decompressedBy<MutateVertexTextureUVsDecompressor>},
        {"indices, 16 bits then 24 bits", indices(), &codedAs<DataTypeCompressedVertexIndices>, 129, 128,
         &decompressedBy<MutateVertexIndicesDecompressor>},
        {"normals, OCT_16 then raw", normals(), &codedAs<DataTypeCompressedVertexNormals>, 2, 0,
         &decompressedBy<MutateVertexNormalsDecompressor>},
        {"positions, 11/11/10 then raw", positions(), &codedAs<DataTypeCompressedVertexPositions>, 2, 0,
         &decompressedBy<MutateVertexPositionsDecompressor>},
    };
    for (const auto& row : rows) {
        for (const bool automatic : {true, false}) {
            SCOPED_TRACE(std::string(row.name) + (automatic ? ", automatic" : ", single-type"));
            const Run run = automatic ? &decompressedBy<MutateAutoDecompressor> : row.single;
            const std::shared_ptr<DataTypeCompressedBlob> layer = row.code(row.plain, row.coded);
            layer->InitializeCompressionInfo(layer->GetCompressedBlobTypeGuid(), layer->GetCompressedBlobVersion(),
                                             row.later);
            {
                CapturedLog log;
                const auto [out, error] = run({layer}, HyxErrorCode::FilterFailedToDecompressLayer);
                EXPECT_TRUE(out.empty());
                EXPECT_NE(error.find("failed to decompress layer"), std::string::npos) << error;
                EXPECT_TRUE(log.Contains("compressed data does not have the expected size"));
            }
            layer->InitializeCompressionInfo(layer->GetCompressedBlobTypeGuid(), layer->GetCompressedBlobVersion(),
                                             row.coded);
            const Layers decoded = run({layer}, HyxErrorCode::Success).first;
            ASSERT_EQ(decoded.size(), 1u);
            EXPECT_EQ(decoded[0]->TypeGuid(), row.plain->TypeGuid());
        }
    }
}

// Texture coordinates outside 0 to 1 come back clamped at 16 bits (the automatic compressor's
// code and the single-type one's default), without a line; at 12 bits the layer is refused
// and passes on plain with a line.
TEST(CompressionMutates, UVsOutsideZeroToOneClampAtSixteenBitsAndAreRefusedAtTwelve)
{
    using Run = Layers (*)(const Layers&, const char*);
    const Run automatic = [](const Layers& in, const char*) { return Probe<MutateAutoCompressor>().run(in); };
    const Run single = [](const Layers& in, const char* choice) {
        Probe<MutateVertexTextureUVsCompressor> filter;
        if (choice)
            filter.getParameterByName("Compression")->SetValueAsString(choice);
        return filter.run(in);
    };
    const struct {
        const char* name;
        Run run;
        const char* choice;
        float value;
        float back; // NaN: refused, the plain layer passes
    } rows[] = {
        {"automatic, below 0", automatic, nullptr, -0.5f, 0.0f},
        {"automatic, above 1", automatic, nullptr, 1.5f, 1.0f},
        {"16 bits by default, below 0", single, nullptr, -0.5f, 0.0f},
        {"16 bits by default, above 1", single, nullptr, 1.5f, 1.0f},
        {"16 bits chosen, far above 1", single, "0", 1000.0f, 1.0f},
        {"12 bits, below 0", single, "1", -0.5f, std::nanf("")},
        {"12 bits, above 1", single, "1", 1.5f, std::nanf("")},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const auto uvs = uvsWith(row.value);
        CapturedLog log;
        const Layers coded = row.run({uvs}, row.choice);
        ASSERT_EQ(coded.size(), 1u);
        const int lines = log.Contains("could not compress layer") ? 1 : 0;
        if (std::isnan(row.back)) {
            EXPECT_EQ(coded[0], uvs);
            EXPECT_EQ(lines, 1);
            continue;
        }
        EXPECT_EQ(lines, 0);
        EXPECT_EQ(codeOf(coded[0]), 128);
        const Layers out = Probe<MutateAutoDecompressor>().run(coded);
        ASSERT_EQ(out.size(), 1u);
        auto back = std::dynamic_pointer_cast<DataTypeVertexTextureUVs>(out[0]);
        ASSERT_TRUE(back);
        EXPECT_FLOAT_EQ(back->GetUVs()[5], row.back);
        EXPECT_NEAR(back->GetUVs()[4], 0.5f, 1.0 / 65535);
    }
}

namespace {

/// What a target saw of one frame's layers: type, purpose, compressed type and payload size.
using Signature = std::vector<std::tuple<VornCommon::Guid, VornCommon::Guid, VornCommon::Guid, size_t>>;

Signature signatureOf(const Layers& layers)
{
    Signature signature;
    for (const auto& layer : layers)
        signature.emplace_back(layer->TypeGuid(), layer->GetPurposeGuid(), layer->GetCompressedBlobTypeGuid(),
                               payloadOf(layer).size());
    return signature;
}

/// Plays `layers` for six frames through source -> `filter` -> target on the host's thread,
/// calling `between` after the second frame reached the target; the signatures the target saw.
std::vector<Signature> playThrough(const Layers& layers, const std::shared_ptr<Filter>& filter,
                                   const std::function<void()>& between = {})
{
    GraphFixtures::TestGraph g;
    g.make<GraphFixtures::LayerSource>(layers, 6);
    g.add(filter);
    auto target = g.make<GraphFixtures::TestTarget>();
    std::vector<Signature> seen;
    target->process = [&seen](GraphFixtures::TestTarget&, const Atom& atom) {
        seen.push_back(signatureOf(atom.GetAllDataLayers()));
        return HyxErrorCode::Success;
    };
    EXPECT_EQ(g.graph->Play(PlaybackMode::ForwardOnce), ActionResult::Success) << g.error();
    for (int i = 0; i < 100 && seen.size() < 2; ++i)
        EXPECT_TRUE(g.update(1));
    if (between)
        between();
    EXPECT_TRUE(g.runToEnd());
    EXPECT_EQ(g.graph->Stop(), ActionResult::Success);
    EXPECT_EQ(g.graph->RemoveAllFilters(), ActionResult::Success);
    EXPECT_EQ(filter->DePreInitialize(), HyxErrorCode::Success);
    return seen;
}

std::string switchName(const char* prefix, const std::shared_ptr<DataLayer>& layer)
{
    return prefix + DataProfile(layer->GetPurposeGuid(), layer->TypeGuid()).ToFriendlyString();
}

} // namespace

// A parameter that changes a filter's set-up, set while the graph plays, reads back at once;
// every frame keeps the value the filter was initialised with, and the new value applies once
// the filter is pre-initialised again (taken out of the graph and added to a new one).
namespace {

struct SetUpRow {
    const char* name;
    Filter* (*create)();
    Layers layers;
    std::map<std::string, std::string> initial; // set before the graph
    std::string param, value; // set while playing
};

/// Filters with parameters that change their set-up, each with layers, values set before the
/// graph, and the parameter and value set while it plays.
std::vector<SetUpRow> setUpRows()
{
    const auto a = positions(); // CAMERA_PRIMARY
    const auto b = withPurpose(positionsWith(2.0f), HYXPurposeGuids::SECONDARY_COLOR);
    const auto n = withPurpose(normals(), HYXPurposeGuids::TALO);
    Probe<MutateAutoCompressor> coder;
    const Layers coded = coder.run({a, n}); // normals, compressed positions
    return {
        {"positions compressor, input profile",
         MutateVertexPositionsCompressorFilterCreator,
         {a, b},
         {},
         "Input Profile",
         "0"},
        {"positions compressor, drop",
         MutateVertexPositionsCompressorFilterCreator,
         {a, n},
         {{MutateCompressor::COMPRESSOR_DROP_UNCOMPRESSED_PARAMNAME, "False"}},
         MutateCompressor::COMPRESSOR_DROP_UNCOMPRESSED_PARAMNAME,
         "True"},
        {"automatic compressor, drop",
         MutateAutoCompressorFilterCreator,
         {a, n},
         {{MutateCompressor::COMPRESSOR_DROP_UNCOMPRESSED_PARAMNAME, "False"}},
         MutateCompressor::COMPRESSOR_DROP_UNCOMPRESSED_PARAMNAME,
         "True"},
        {"positions decompressor, drop",
         MutateVertexPositionsDecompressorFilterCreator,
         coded,
         {{MutateDecompressor::DECOMPRESSOR_DROP_COMPRESSED_PARAMNAME, "False"}},
         MutateDecompressor::DECOMPRESSOR_DROP_COMPRESSED_PARAMNAME,
         "True"},
        {"automatic decompressor, drop",
         MutateAutoDecompressorFilterCreator,
         coded,
         {},
         MutateDecompressor::DECOMPRESSOR_DROP_COMPRESSED_PARAMNAME,
         "False"},
        {"layer keeper",
         MutateDataLayersKeeperFilterCreator,
         {a, n},
         {{switchName("Keep ", a), "True"}, {switchName("Keep ", n), "True"}},
         switchName("Keep ", a),
         "False"},
        {"layer dropper", MutateDataLayersDropperFilterCreator, {a, n}, {}, switchName("Drop ", n), "True"},
    };
}

/// A filter made by its creator with values stored before the graph, which apply as the
/// graph pre-initialises it.
std::shared_ptr<Filter> madeFrom(const SetUpRow& row, const std::map<std::string, std::string>& values)
{
    std::shared_ptr<Filter> filter(row.create());
    filter->setParameterValues(values);
    return filter;
}

} // namespace

TEST(CompressionMutates, SetUpParametersSetWhilePlayingWaitForTheNextInitialisation)
{
    for (const SetUpRow& row : setUpRows()) {
        SCOPED_TRACE(row.name);
        // What a run gives with the value set before the graph, and without it.
        auto after = row.initial;
        after[row.param] = row.value;
        const std::vector<Signature> before = playThrough(row.layers, madeFrom(row, row.initial));
        const std::vector<Signature> wanted = playThrough(row.layers, madeFrom(row, after));
        ASSERT_EQ(before.size(), 6u);
        ASSERT_EQ(wanted.size(), 6u);
        ASSERT_NE(before[0], wanted[0]) << "the value must make a difference";

        const std::shared_ptr<Filter> filter = madeFrom(row, row.initial);
        const std::vector<Signature> during = playThrough(row.layers, filter, [&] {
            EXPECT_TRUE(filter->setParameterValue(row.param.c_str(), row.value.c_str()));
            EXPECT_EQ(filter->getParameterValue(row.param.c_str()), row.value);
        });
        EXPECT_EQ(during, before);
        // Pre-initialised again (in a new graph): the value set while playing applies.
        EXPECT_EQ(playThrough(row.layers, filter), wanted);
    }
}

// The same on the asynchronous graph's worker, the host setting the value from its own thread
// while the target holds the third frame: every frame keeps the value the filter was
// initialised with.
TEST(CompressionMutatesThread, SetUpParametersSetFromTheHostWhileTheWorkerPlays)
{
    for (const SetUpRow& row : setUpRows()) {
        SCOPED_TRACE(row.name);
        constexpr size_t FRAMES = 40;
        GraphFixtures::AsyncTestGraph g;
        g.make<GraphFixtures::LayerSource>(row.layers, unsigned(FRAMES));
        const std::shared_ptr<Filter> filter = g.add(madeFrom(row, row.initial));
        auto target = g.make<GraphFixtures::TestTarget>();
        std::mutex mutex;
        std::vector<Signature> seen;
        GraphFixtures::Gate set;
        target->process = [&](GraphFixtures::TestTarget&, const Atom& atom) {
            const size_t count = GraphFixtures::Locked(mutex, [&] {
                seen.push_back(signatureOf(atom.GetAllDataLayers()));
                return seen.size();
            });
            if (count == 3) {
                EXPECT_TRUE(set.pass());
            }
            return HyxErrorCode::Success;
        };
        ASSERT_TRUE(g.play(PlaybackMode::ForwardOnce)) << g.error();
        ASSERT_TRUE(
            GraphFixtures::Eventually([&] { return GraphFixtures::Locked(mutex, [&] { return seen.size(); }) >= 3; }));
        EXPECT_TRUE(filter->setParameterValue(row.param.c_str(), row.value.c_str()));
        set.open();
        ASSERT_TRUE(GraphFixtures::Eventually(
            [&] { return GraphFixtures::Locked(mutex, [&] { return seen.size(); }) == FRAMES; }));
        EXPECT_EQ(g.async->Stop(), ActionResult::Success);
        const std::vector<Signature> frames = GraphFixtures::Locked(mutex, [&] { return seen; });
        for (size_t f = 1; f < frames.size(); ++f)
            EXPECT_EQ(frames[f], frames[0]) << "frame " << f;
    }
}

// A plain form the upstream offers (the drop setting off) follows its own "Keep " choice: not
// kept, a layer that could not be compressed stays out of the target's copies.
TEST(CompressionMutates, PlainFormTheUpstreamOffersFollowsItsKeepChoice)
{
    const auto bad = indicesWith(1u << 24);
    const auto n = withPurpose(normals(), HYXPurposeGuids::SECONDARY_COLOR);
    for (const bool keepPlain : {true, false}) {
        SCOPED_TRACE(keepPlain ? "plain kept" : "plain not kept");
        GraphFixtures::TestGraph g;
        auto source = g.make<GraphFixtures::LayerSource>(Layers{bad, n}, 2);
        g.add(madeWith(MutateVertexIndicesCompressor::TheTypeGuid(),
                       {{MutateCompressor::COMPRESSOR_DROP_UNCOMPRESSED_PARAMNAME, "False"}})(source, g.graph));
        auto target = std::make_shared<GraphFixtures::TestTarget>();
        target->setParameterValues({{switchName("Keep ", bad), keepPlain ? "True" : "False"}});
        g.add(target);
        const std::vector<Layers> frames = playOnce(g, *target);
        ASSERT_EQ(frames.size(), 2u);
        for (const Layers& frame : frames)
            EXPECT_EQ(frame, keepPlain ? (Layers{bad, n}) : (Layers{n}));
    }
}

// A keeper between the compressor and the target keeps a layer that could not be compressed
// when it keeps its compressed form: the plain layer has no switch of its own (the compressor
// offers it only compressed), and it still reaches the target. Its own switch, once offered,
// decides alone.
TEST(CompressionMutates, FailedCompressionPassesAKeeperOfItsCompressedForm)
{
    const auto bad = indicesWith(1u << 24);
    const auto n = withPurpose(normals(), HYXPurposeGuids::SECONDARY_COLOR);
    const std::string keepCoded =
        "Keep " + DataProfile(bad->GetPurposeGuid(), DataTypeCompressedVertexIndices::TheTypeGuid(), bad->TypeGuid())
                      .ToFriendlyString();
    struct Row {
        const char* name;
        bool drop; // the compressor's "Drop uncompressed input"
        const char* keepCoded; // the keeper's switch of the compressed form
        const char* keepPlain; // its switch of the plain form (offered only without drop)
        bool arrives; // the plain layer reaches the target
    };
    const Row rows[] = {
        {"compressed form kept", true, "True", nullptr, true},
        {"compressed form not kept", true, "False", nullptr, false},
        {"plain offered, not kept", false, "True", "False", false},
        {"plain offered and kept", false, "False", "True", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        GraphFixtures::TestGraph g;
        auto source = g.make<GraphFixtures::LayerSource>(Layers{bad, n}, 2);
        auto compressor = g.add(madeWith(MutateVertexIndicesCompressor::TheTypeGuid(),
                                         {{MutateCompressor::COMPRESSOR_DROP_UNCOMPRESSED_PARAMNAME,
                                           row.drop ? "True" : "False"}})(source, g.graph));
        std::map<std::string, std::string> switches = {{keepCoded, row.keepCoded}, {switchName("Keep ", n), "True"}};
        if (row.keepPlain)
            switches[switchName("Keep ", bad)] = row.keepPlain;
        auto keeper = madeWith(MutateDataLayersKeeper::TheTypeGuid(), {})(compressor, g.graph);
        keeper->setParameterValues(switches);
        g.add(keeper);
        for (const auto& [name, value] : switches)
            EXPECT_EQ(keeper->getParameterValue(name.c_str()), value) << name;
        auto target = g.make<GraphFixtures::TestTarget>();
        CapturedLog log;
        const std::vector<Layers> frames = playOnce(g, *target);
        ASSERT_EQ(frames.size(), 2u);
        for (const Layers& frame : frames)
            EXPECT_EQ(frame, row.arrives ? (Layers{bad, n}) : (Layers{n}));
    }
}

// A transcoding chain: positions a decompressor decoded, whose points lie up to the codec's
// margin outside the box they carry, compress again downstream under either code and reach
// the target compressed only, without a line in the log.
TEST(CompressionMutates, DecodedPositionsCompressAgainDownstream)
{
    struct Row {
        const char* name;
        VornCommon::Guid compressor, decompressor;
        const char* compression; // "Compression" choice, or null
        uint8_t code;
    };
    const Row rows[] = {
        {"16/16/16", MutateVertexPositionsCompressor::TheTypeGuid(), MutateVertexPositionsDecompressor::TheTypeGuid(),
         "0", 1},
        {"11/11/10", MutateVertexPositionsCompressor::TheTypeGuid(), MutateVertexPositionsDecompressor::TheTypeGuid(),
         "1", 2},
        {"automatic", MutateAutoCompressor::TheTypeGuid(), MutateAutoDecompressor::TheTypeGuid(), nullptr, 1},
    };
    const auto plain = positions(); // its corners lie on the faces of its box
    const auto n = withPurpose(normals(), HYXPurposeGuids::SECONDARY_COLOR);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<std::pair<std::string, std::string>> values;
        if (row.compression)
            values.emplace_back(MutateCompressorWithChoice::COMPRESSION_PARAMNAME, row.compression);
        CapturedLog log;
        GraphFixtures::TestGraph g;
        auto source = g.make<GraphFixtures::LayerSource>(Layers{plain, n}, 3);
        auto first = g.add(madeWith(row.compressor, values)(source, g.graph));
        auto decoder = g.add(madeWith(row.decompressor, {})(first, g.graph));
        g.add(madeWith(row.compressor, values)(decoder, g.graph));
        auto target = g.make<GraphFixtures::TestTarget>();
        const std::vector<Layers> frames = playOnce(g, *target);
        ASSERT_EQ(frames.size(), 3u);
        for (const Layers& frame : frames) {
            ASSERT_EQ(frame.size(), 2u);
            EXPECT_EQ(frame[0], n);
            auto coded = std::dynamic_pointer_cast<DataTypeCompressedVertexPositions>(frame[1]);
            ASSERT_TRUE(coded) << frame[1]->ToString(false);
            EXPECT_EQ(coded->GetCompressionType(), row.code);
            auto back = std::dynamic_pointer_cast<DataTypeVertexPositions>(coded->decompress());
            ASSERT_TRUE(back);
            EXPECT_EQ(back->GetPurposeGuid(), HYXPurposeGuids::CAMERA_PRIMARY);
            EXPECT_EQ(0, std::memcmp(back->GetBoundingBox(), plain->GetBoundingBox(), 24));
            // Two quantisations: within two steps of the widened box (10 bits for z of 11/11/10).
            for (int i = 0; i < 30; ++i) {
                const float extent = plain->GetBoundingBox()[3 + i % 3] - plain->GetBoundingBox()[i % 3] + 0.002f;
                const float step = std::ldexp(extent, row.code == 1 ? -16 : i % 3 == 2 ? -10 : -11);
                EXPECT_NEAR(back->GetVertexPositions()[i], plain->GetVertexPositions()[i], 2 * step) << i;
            }
        }
        for (const auto& entry : log.Entries())
            ADD_FAILURE() << "logged: " << entry.text;
    }
}
