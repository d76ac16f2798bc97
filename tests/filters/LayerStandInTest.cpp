// A layer a compressor could not compress travels on plain in place of its compressed form.
// A keeper, a dropper or a target's own "Keep " switches treat that plain stand-in as the
// form it stands for, whatever else the frame holds.

#include "../graph/GraphFixtures.h"

#include <Hyx/CompressedLayers.h>
#include <Hyx/DataLayerFactory.h>
#include <Hyx/DataProfile.h>
#include <Hyx/DataTypeTextureBlock.h>
#include <Hyx/DataTypeTextureIR.h>
#include <Hyx/DataTypeTextureRGB.h>
#include <Hyx/DataTypeTextureYUV.h>
#include <Hyx/DataTypeVertex.h>
#include <Hyx/FilterFactory.h>
#include <Hyx/HYXPurposeGuids.h>
#include <Hyx/MutateCompressor.h>
#include <Hyx/MutateDataLayers.h>

#include <CapturedLog.h>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <map>
#include <numeric>
#include <optional>
#include <string>

using namespace Hyx;
using GraphFixtures::LayerSource;
using GraphFixtures::TestGraph;
using GraphFixtures::TestTarget;
using Layers = std::vector<std::shared_ptr<DataLayer>>;

namespace {

const VornCommon::Guid kCodedPurpose = HYXPurposeGuids::CAMERA_PRIMARY;

template <class L>
std::shared_ptr<L> coded(std::shared_ptr<L> layer)
{
    layer->ChangePurposeGuid(kCodedPurpose);
    return layer;
}

std::shared_ptr<DataLayer> positions(float spoil)
{
    auto layer = std::make_shared<DataTypeVertexPositions>();
    float* p = layer->Allocate(10, false);
    for (int i = 0; i < 30; ++i)
        p[i] = 1.0f + 0.1f * float(i);
    layer->CalculateBoundingBoxFromVertexPositions();
    p[13] = spoil; // a coordinate that is not a number cannot be coded
    return coded(layer);
}

std::shared_ptr<DataLayer> indices(uint32_t last)
{
    auto layer = std::make_shared<DataTypeVertexIndices>();
    layer->Allocate(9);
    std::iota(layer->GetIndices(), layer->GetIndices() + 9, 0u);
    layer->GetIndices()[8] = last; // 2^24 does not fit the default 24-bit code
    return coded(layer);
}

std::shared_ptr<DataLayer> uvs(float last)
{
    auto layer = std::make_shared<DataTypeVertexTextureUVs>();
    layer->Allocate(4);
    std::fill(layer->GetUVs(), layer->GetUVs() + 8, 0.5f);
    layer->GetUVs()[7] = last; // beyond 1 does not fit the 12-bit code
    return coded(layer);
}

/// With shorten, the layer loaded from the first half of its payload: its header asks for
/// more than it holds, so it cannot be coded.
std::shared_ptr<DataLayer> cut(const std::shared_ptr<DataLayer>& full, bool shorten)
{
    if (!shorten)
        return coded(full);
    uint32_t size = 0;
    const uint8_t* data = full->Serialize(size);
    std::vector<uint8_t> bytes(data, data + size / 2);
    auto layer = DataLayerFactory::CreateDataLayer(full->TypeGuid(), VornCommon::Guid()).ToStdSharedPtr();
    EXPECT_TRUE(layer->InitializeData(bytes.data(), uint32_t(bytes.size())));
    layer->ChangePurposeGuid(kCodedPurpose);
    return layer;
}

std::shared_ptr<DataLayer> normals(bool shorten)
{
    auto layer = std::make_shared<DataTypeVertexNormals>();
    float* n = layer->Allocate(4);
    for (int i = 0; i < 12; ++i)
        n[i] = i % 3 == 2 ? 1.0f : 0.0f;
    return cut(layer, shorten);
}

template <class T>
std::shared_ptr<DataLayer> texture(bool shorten)
{
    auto layer = std::make_shared<T>();
    uint8_t* p = layer->AllocateTexture(16, 16);
    for (uint32_t i = 0; i < layer->GetTextureSizeInBytes(); ++i)
        p[i] = uint8_t(i * 7);
    return cut(layer, shorten);
}

struct CompressorRow {
    const char* name;
    VornCommon::Guid filter;
    const char* compression; // its "Compression" choice, or null
    std::function<std::shared_ptr<DataLayer>(bool fails)> layer;
    VornCommon::Guid compressedType;
};

std::vector<CompressorRow> compressorRows()
{
    const VornCommon::Guid coded = DataTypeCompressedTexture::TheTypeGuid();
    return {
        {"positions", MutateVertexPositionsCompressor::TheTypeGuid(), nullptr,
         [](bool fails) { return positions(fails ? std::nanf("") : 2.0f); },
         DataTypeCompressedVertexPositions::TheTypeGuid()},
        {"indices", MutateVertexIndicesCompressor::TheTypeGuid(), nullptr,
         [](bool fails) { return indices(fails ? 1u << 24 : 8u); }, DataTypeCompressedVertexIndices::TheTypeGuid()},
        {"texture coordinates, 12 bits", MutateVertexTextureUVsCompressor::TheTypeGuid(), "1",
         [](bool fails) { return uvs(fails ? 1.5f : 0.25f); }, DataTypeCompressedVertexTextureUVs::TheTypeGuid()},
        {"normals", MutateVertexNormalsCompressor::TheTypeGuid(), nullptr, normals,
         DataTypeCompressedVertexNormals::TheTypeGuid()},
        {"RGB", MutateTextureCompressorRGB::TheTypeGuid(), nullptr, texture<DataTypeTextureRGB>, coded},
        {"BGR", MutateTextureCompressorBGR::TheTypeGuid(), nullptr, texture<DataTypeTextureBGR>, coded},
        {"NV12", MutateTextureCompressorYUV_NV12::TheTypeGuid(), nullptr, texture<DataTypeTextureYUV_NV12>, coded},
        {"NV21", MutateTextureCompressorYUV_NV21::TheTypeGuid(), nullptr, texture<DataTypeTextureYUV_NV21>, coded},
        {"NVX", MutateTextureCompressorYUV_NVX::TheTypeGuid(), nullptr, texture<DataTypeTextureYUV_NVX>, coded},
        {"16-bit IR", MutateTextureCompressor16BitIR::TheTypeGuid(), nullptr, texture<DataTypeTexture16BitIR>, coded},
        {"IR", MutateTextureCompressorIR::TheTypeGuid(), nullptr, texture<DataTypeTextureIR>, coded},
        {"16-bit depth map", MutateTextureCompressor16BitDepthMap::TheTypeGuid(), nullptr,
         texture<DataTypeTexture16BitDepthMap>, coded},
        {"DXT1", MutateTextureCompressorDXT1RLE::TheTypeGuid(), nullptr, texture<DataTypeTextureDXT1>, coded},
        {"ETC2", MutateTextureCompressorETC2RLE::TheTypeGuid(), nullptr, texture<DataTypeTextureETC2>, coded},
        {"ASTC", MutateTextureCompressorASTCRLE::TheTypeGuid(), nullptr, texture<DataTypeTextureASTC>, coded},
        {"automatic, indices", MutateAutoCompressor::TheTypeGuid(), nullptr,
         [](bool fails) { return indices(fails ? 1u << 24 : 8u); }, DataTypeCompressedVertexIndices::TheTypeGuid()},
    };
}

/// Who chooses the coded layer's fate after the compressor.
enum class Chooser {
    Keeper, // "Keep <compressed form>"
    Dropper, // "Drop <compressed form>"
    Target // the target's own "Keep <compressed form>"
};

/// How the switches reach the filter: stored before it joins the graph, or set on the filter
/// the factory made with its upstream.
enum class SetBy {
    Stored,
    FactoryMade
};

/// A keeper or dropper whose frame step can be called by hand.
template <class F>
struct Open : F {
    using F::onCreateFrame;
};

struct Outcome {
    std::vector<Layers> frames; // the frames with layers that the target received
    std::optional<Layers> emitted; // what the chooser makes of a frame [plain layer, other]
    std::string switchValue; // the chooser's switch of the compressed form, read back
    int compressionLines = 0;
};

Outcome run(const CompressorRow& row, const std::shared_ptr<DataLayer>& layer, const std::shared_ptr<DataLayer>& other,
            Chooser chooser, SetBy setBy, bool on)
{
    const std::string form = DataProfile(kCodedPurpose, row.compressedType, layer->TypeGuid()).ToFriendlyString();
    const std::string prefix = chooser == Chooser::Dropper ? "Drop " : "Keep ";
    std::map<std::string, std::string> switches = {{prefix + form, on ? "True" : "False"}};
    if (other) // the other layer always passes
        switches[prefix + DataProfile(other->GetPurposeGuid(), other->TypeGuid()).ToFriendlyString()] =
            chooser == Chooser::Dropper ? "False" : "True";

    TestGraph g;
    Layers in = {layer};
    if (other)
        in.push_back(other);
    auto source = g.make<LayerSource>(in, 3);
    auto compressor =
        FilterFactory::CreateFilter(row.filter, SharedFilterPtr(source), SharedGraphPtr(g.graph)).ToStdSharedPtr();
    std::map<std::string, std::string> compressorValues = {
        {MutateCompressor::COMPRESSOR_DROP_UNCOMPRESSED_PARAMNAME, "True"}};
    if (row.compression)
        compressorValues[MutateCompressorWithChoice::COMPRESSION_PARAMNAME] = row.compression;
    compressor->setParameterValues(compressorValues);
    g.add(compressor);

    std::shared_ptr<Filter> chooserFilter;
    if (chooser != Chooser::Target) {
        const VornCommon::Guid type =
            chooser == Chooser::Keeper ? MutateDataLayersKeeper::TheTypeGuid() : MutateDataLayersDropper::TheTypeGuid();
        if (setBy == SetBy::Stored) {
            if (chooser == Chooser::Keeper)
                chooserFilter = std::make_shared<Open<MutateDataLayersKeeper>>();
            else
                chooserFilter = std::make_shared<Open<MutateDataLayersDropper>>();
            chooserFilter->setParameterValues(switches);
        } else {
            chooserFilter = FilterFactory::CreateFilter(type, SharedFilterPtr(compressor), SharedGraphPtr(g.graph))
                                .ToStdSharedPtr();
            for (const auto& [name, value] : switches)
                EXPECT_TRUE(chooserFilter->setParameterValue(name.c_str(), value.c_str())) << name;
        }
        g.add(chooserFilter);
    }
    auto target = std::make_shared<TestTarget>(chooser == Chooser::Target);
    if (chooser == Chooser::Target) {
        target->setParameterValues(switches);
        chooserFilter = target;
    }
    g.add(target);

    Outcome outcome;
    outcome.switchValue = chooserFilter->getParameterValue((prefix + form).c_str());
    target->process = [&outcome](TestTarget&, const Atom& atom) {
        Layers layers = atom.GetAllDataLayers();
        if (!layers.empty()) // what becomes of a frame left without layers is not asked here
            outcome.frames.push_back(std::move(layers));
        return HyxErrorCode::Success;
    };
    CapturedLog log;
    EXPECT_EQ(g.graph->Play(PlaybackMode::ForwardOnce), ActionResult::Success) << g.error();
    EXPECT_TRUE(g.runToEnd());
    EXPECT_EQ(g.graph->Stop(), ActionResult::Success);
    for (const auto& entry : log.Entries())
        outcome.compressionLines += entry.text.find("could not compress layer") != std::string::npos;
    // The frame itself, not only what a target's copy makes of it.
    auto standIn = std::make_shared<Atom>(0u, 0u);
    for (const auto& l : in)
        standIn->AddDataLayer(l, false);
    std::shared_ptr<Atom> emitted;
    HyxErrorCode made = HyxErrorCode::Success;
    if (auto* keeper = dynamic_cast<Open<MutateDataLayersKeeper>*>(chooserFilter.get()))
        made = keeper->onCreateFrame(standIn, emitted);
    else if (auto* dropper = dynamic_cast<Open<MutateDataLayersDropper>*>(chooserFilter.get()))
        made = dropper->onCreateFrame(standIn, emitted);
    EXPECT_EQ(made, HyxErrorCode::Success);
    if (emitted)
        outcome.emitted = emitted->GetAllDataLayers();
    return outcome;
}

} // namespace

// keeper / dropper / target's own switches x only layer / with another x compression fails /
// succeeds x switch on / off, for every compressor that can fail: the coded layer (compressed,
// or its plain stand-in when compression failed) reaches the target exactly when the switch
// of its compressed form lets it, and the other layer never changes that.
TEST(LayerEditing, PlainStandInFollowsTheSwitchOfItsCompressedFormWhateverElseTheFrameHolds)
{
    auto colours = std::make_shared<DataTypeVertexColors>();
    std::fill_n(colours->Allocate(2), 6, uint8_t(9));
    colours->ChangePurposeGuid(HYXPurposeGuids::SECONDARY_COLOR);
    const struct {
        Chooser chooser;
        SetBy setBy;
        const char* name;
    } choosers[] = {
        {Chooser::Keeper, SetBy::Stored, "keeper, stored switches"},
        {Chooser::Keeper, SetBy::FactoryMade, "keeper, factory-made"},
        {Chooser::Dropper, SetBy::Stored, "dropper, stored switches"},
        {Chooser::Dropper, SetBy::FactoryMade, "dropper, factory-made"},
        {Chooser::Target, SetBy::Stored, "target's own switches"},
    };
    for (const CompressorRow& row : compressorRows()) {
        for (const bool fails : {true, false}) {
            const std::shared_ptr<DataLayer> layer = row.layer(fails);
            for (const auto& c : choosers) {
                for (const bool second : {false, true}) {
                    for (const bool on : {true, false}) {
                        SCOPED_TRACE(std::string(row.name) + (fails ? ", fails" : ", succeeds") + ", " + c.name +
                                     (second ? ", with another layer" : ", only layer") +
                                     (on ? ", switch on" : ", switch off"));
                        // A target refuses, at set-up, switches that keep no layer at all.
                        if (c.chooser == Chooser::Target && !second && !on)
                            continue;
                        const Outcome out = run(row, layer, second ? colours : nullptr, c.chooser, c.setBy, on);
                        EXPECT_EQ(out.compressionLines, fails ? 3 : 0);
                        EXPECT_EQ(out.switchValue, on ? "True" : "False");
                        const bool arrives = c.chooser == Chooser::Dropper ? !on : on;
                        if (out.emitted) {
                            Layers expected = {layer, colours};
                            if (!arrives)
                                expected.erase(expected.begin());
                            if (!second)
                                expected.pop_back();
                            EXPECT_EQ(*out.emitted, expected);
                        }
                        const size_t frames = arrives || second ? 3u : 0u;
                        EXPECT_EQ(out.frames.size(), frames);
                        if (out.frames.size() != frames)
                            continue;
                        for (const Layers& frame : out.frames) {
                            Layers expected;
                            if (second)
                                expected.push_back(colours);
                            if (arrives && fails) {
                                expected.insert(expected.begin(), layer); // in its own place
                            } else if (arrives) {
                                ASSERT_FALSE(frame.empty());
                                const auto& made = frame.back();
                                EXPECT_EQ(made->TypeGuid(), row.compressedType);
                                EXPECT_EQ(made->GetCompressedBlobTypeGuid(), layer->TypeGuid());
                                EXPECT_EQ(made->GetPurposeGuid(), kCodedPurpose);
                                expected.push_back(made);
                            }
                            EXPECT_EQ(frame, expected);
                        }
                    }
                }
            }
        }
    }
}
