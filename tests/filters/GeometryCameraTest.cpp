#include "../graph/GraphFixtures.h"
#include "GeometryProbe.h"

#include <Hyx/DataLayerFactory.h>
#include <Hyx/DataTypeTextureHSL.h>
#include <Hyx/DataTypeTextureRGB.h>
#include <Hyx/DataTypeTextureYUV.h>
#include <Hyx/FilterFactory.h>
#include <Hyx/Graph.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>

using namespace GeometryTest;
using namespace Hyx;
using GraphFixtures::LayerSource;
using GraphFixtures::TestGraph;
using GraphFixtures::TestTarget;

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kMinFocal = 0x1p-32f; // the smallest focal length a camera may have
constexpr float kMaxCentre = 0x1p32f; // the largest principal point

// What of a camera a filter reads besides its focal length and principal point.
enum Reads : unsigned {
    kNothingElse = 0,
    kWidth = 1,
    kHeight = 2,
    kLens = 4,
    kPose = 8
};

// 16 x 16 cameras, F = 8, centred, no lens, no pose.
std::shared_ptr<DataTypeCameraParams> cameras()
{
    return Cameras(Camera(16, 16, 8, 8, 8), Camera(16, 16, 8, 8, 8));
}

Layers positionsAnd(std::shared_ptr<DataTypeCameraParams> camera)
{
    return {Positions({0, 0, 10, 1, 2, 20, -3, 1, 30, 2, -2, 40}), std::move(camera)};
}

Layers depthMapAnd(std::shared_ptr<DataTypeCameraParams> camera)
{
    std::vector<uint16_t> samples(64, 0);
    samples[9] = 500, samples[27] = 700, samples[54] = 900;
    return {std::move(camera), DepthMap(8, 8, samples)};
}

// Positions, cameras and a texture of the colour camera's size, of the given class.
std::function<Layers(std::shared_ptr<DataTypeCameraParams>)> withTexture(const Guid& textureType, bool yuv)
{
    return [textureType, yuv](std::shared_ptr<DataTypeCameraParams> camera) {
        const VornCommon::CameraParams& colour = camera->GetColorCameraParams();
        auto texture = std::dynamic_pointer_cast<DataTypeTextureBase>(
            DataLayerFactory::CreateDataLayer(textureType, Guid()).ToStdSharedPtr());
        const uint32_t stored = yuv ? GetYUVStoredHeight(colour.height) : colour.height;
        texture->AllocateTexture(uint16_t(colour.width), uint16_t(stored));
        Layers layers = positionsAnd(std::move(camera));
        layers.push_back(texture);
        return layers;
    };
}

struct FilterRow {
    const char* name;
    Guid type;
    const char* camera; // "Color" or "IR": the camera it projects with
    unsigned reads;
    Guid output;
    std::function<Layers(std::shared_ptr<DataTypeCameraParams>)> inputs;
};

std::vector<FilterRow> filterRows()
{
    const Guid positions = DataTypeVertexPositions::TheTypeGuid();
    const Guid uvs = DataTypeVertexTextureUVs::TheTypeGuid();
    const Guid colors = DataTypeVertexColors::TheTypeGuid();
    const unsigned colourReads = kWidth | kHeight | kLens | kPose;
    std::vector<FilterRow> rows = {
        {"depth map from positions", TransformDepthmapFromVertexPositions::TheTypeGuid(), "IR", kWidth | kHeight,
         DataTypeTexture16BitDepthMap::TheTypeGuid(), positionsAnd},
        {"positions from depth map", TransformVertexPositionsFromDepthMap::TheTypeGuid(), "IR", kWidth, positions,
         depthMapAnd},
        {"positions from supersampled depth map", TransformVertexPositionsFromSupersampledDepthMap::TheTypeGuid(), "IR",
         kWidth, positions, depthMapAnd},
        {"colour camera coordinates", TransformVertexTextureUVsColor::TheTypeGuid(), "Color", colourReads, uvs,
         positionsAnd},
        {"infrared coordinates", TransformVertexTextureUVsIr::TheTypeGuid(), "IR", kWidth | kHeight | kLens, uvs,
         positionsAnd},
    };
    const struct {
        const char* name;
        Guid filter, texture;
        bool yuv;
    } leaves[] = {
        {"colours from RGB", TransformVertexColorsFromTextureRGB::TheTypeGuid(), DataTypeTextureRGB::TheTypeGuid(),
         false},
        {"colours from BGR", TransformVertexColorsFromTextureBGR::TheTypeGuid(), DataTypeTextureBGR::TheTypeGuid(),
         false},
        {"colours from NV12", TransformVertexColorsFromTextureYUV_NV12::TheTypeGuid(),
         DataTypeTextureYUV_NV12::TheTypeGuid(), true},
        {"colours from NV21", TransformVertexColorsFromTextureYUV_NV21::TheTypeGuid(),
         DataTypeTextureYUV_NV21::TheTypeGuid(), true},
        {"colours from NVX", TransformVertexColorsFromTextureYUV_NVX::TheTypeGuid(),
         DataTypeTextureYUV_NVX::TheTypeGuid(), true},
        {"colours from HSL24", TransformVertexColorsFromTextureHSL24::TheTypeGuid(),
         DataTypeTextureHSL24::TheTypeGuid(), false},
        {"colours from HSL30", TransformVertexColorsFromTextureHSL30::TheTypeGuid(),
         DataTypeTextureHSL30::TheTypeGuid(), false},
    };
    for (const auto& leaf : leaves)
        rows.push_back({leaf.name, leaf.filter, "Color", colourReads, colors, withTexture(leaf.texture, leaf.yuv)});
    return rows;
}

struct CameraRow {
    const char* name;
    std::function<void(VornCommon::CameraParams&)> spoil;
    bool refused; // by a filter that reads what `needs` names
    unsigned needs; // kNothingElse: every filter reads it
    const char* text; // after "CameraParams '<camera> "
};

std::vector<CameraRow> cameraRows()
{
    using C = VornCommon::CameraParams;
    return {
        {"focal x 0", [](C& c) { c.F.x = 0; }, true, kNothingElse,
         "F' must be finite and at least 2^-32 in magnitude: (0, 8)"},
        {"focal y 0", [](C& c) { c.F.y = 0; }, true, kNothingElse,
         "F' must be finite and at least 2^-32 in magnitude: (8, 0)"},
        {"focal x NaN", [](C& c) { c.F.x = kNaN; }, true, kNothingElse,
         "F' must be finite and at least 2^-32 in magnitude: (nan, 8)"},
        {"focal y NaN", [](C& c) { c.F.y = kNaN; }, true, kNothingElse,
         "F' must be finite and at least 2^-32 in magnitude: (8, nan)"},
        {"focal +inf", [](C& c) { c.F.x = c.F.y = kInf; }, true, kNothingElse,
         "F' must be finite and at least 2^-32 in magnitude: (inf, inf)"},
        {"focal -inf", [](C& c) { c.F.y = -kInf; }, true, kNothingElse,
         "F' must be finite and at least 2^-32 in magnitude: (8, -inf)"},
        {"principal point NaN", [](C& c) { c.C.x = kNaN; }, true, kNothingElse,
         "C' must be finite and at most 2^32 in magnitude: (nan, 8)"},
        {"principal point inf", [](C& c) { c.C.y = kInf; }, true, kNothingElse,
         "C' must be finite and at most 2^32 in magnitude: (8, inf)"},
        {"width 0", [](C& c) { c.width = 0; }, true, kWidth, "width' must be above 0: 0"},
        {"height 0", [](C& c) { c.height = 0; }, true, kHeight, "height' must be above 0: 0"},
        {"distortion NaN", [](C& c) { c.distortion[1] = kNaN; }, true, kLens,
         "distortion' must be finite: (0, nan, 0, 0, 0)"},
        {"distortion centre NaN under a lens",
         [](C& c) {
             c.distortion[0] = 0.01f;
             c.distortionC.x = kNaN;
         },
         true, kLens, "distortion C' must be finite and at most 2^32 in magnitude: (nan, 8)"},
        {"rotation NaN", [](C& c) { c.rotation[1].y = kNaN; }, true, kPose,
         "rotation' must be finite: row 1 (0, nan, 0, 0)"},
        {"translation inf", [](C& c) { c.translation.z = kInf; }, true, kPose,
         "translation' must be finite: (0, 0, inf)"},
        // Finite, yet no projection can be computed with them: 1 / F or d (u - cx) / F leaves
        // the float range, or the lens model does over the image.
        {"focal denormal", [](C& c) { c.F.x = 1e-40f; }, true, kNothingElse,
         "F' must be finite and at least 2^-32 in magnitude: (9.99995e-41, 8)"},
        {"focal tiny", [](C& c) { c.F.y = 1e-36f; }, true, kNothingElse,
         "F' must be finite and at least 2^-32 in magnitude: (8, 1e-36)"},
        {"focal tiny, negative", [](C& c) { c.F.x = -1e-20f; }, true, kNothingElse,
         "F' must be finite and at least 2^-32 in magnitude: (-1e-20, 8)"},
        {"focal just below 2^-32", [](C& c) { c.F.y = std::nextafter(kMinFocal, 0.0f); }, true, kNothingElse,
         "F' must be finite and at least 2^-32 in magnitude: (8, 2.32831e-10)"},
        {"principal point huge", [](C& c) { c.C.x = 3e38f; }, true, kNothingElse,
         "C' must be finite and at most 2^32 in magnitude: (3e+38, 8)"},
        {"principal point hugely negative", [](C& c) { c.C.y = -3e38f; }, true, kNothingElse,
         "C' must be finite and at most 2^32 in magnitude: (8, -3e+38)"},
        {"principal point just beyond 2^32", [](C& c) { c.C.x = std::nextafter(kMaxCentre, kInf); }, true, kNothingElse,
         "C' must be finite and at most 2^32 in magnitude: (4.29497e+09, 8)"},
        {"lens that overflows", [](C& c) { c.distortion[0] = 1e36f; }, true, kLens,
         "distortion' must be small enough to keep the lens model below 2^120 over the image: (1e+36, 0, 0, 0, 0)"},
        {"lens of a tiny focal length",
         [](C& c) {
             c.F = VornCommon::Vector2f(kMinFocal, kMinFocal);
             c.distortion[4] = 0.5f;
         },
         true, kLens,
         "distortion' must be small enough to keep the lens model below 2^120 over the image: (0, 0, 0, 0, 0.5)"},
        {"lens centre huge",
         [](C& c) {
             c.distortion[2] = 0.01f;
             c.distortionC.y = -3e38f;
         },
         true, kLens, "distortion C' must be finite and at most 2^32 in magnitude: (8, -3e+38)"},
        // Usable: a flipped axis, and values no projection reads.
        {"negative focal", [](C& c) { c.F = VornCommon::Vector2f(-8, -6); }, false, kNothingElse, nullptr},
        {"focal 2^-32", [](C& c) { c.F = VornCommon::Vector2f(kMinFocal, -kMinFocal); }, false, kNothingElse, nullptr},
        {"focal huge", [](C& c) { c.F = VornCommon::Vector2f(3e38f, -3e38f); }, false, kNothingElse, nullptr},
        {"principal point 2^32", [](C& c) { c.C = VornCommon::Vector2f(kMaxCentre, -kMaxCentre); }, false, kNothingElse,
         nullptr},
        {"principal point negative", [](C& c) { c.C = VornCommon::Vector2f(-100, -50); }, false, kNothingElse, nullptr},
        {"ordinary lens",
         [](C& c) {
             const float k[] = {0.1f, -0.2f, 0.001f, 0.002f, 0.05f};
             std::copy(k, k + 5, c.distortion);
         },
         false, kNothingElse, nullptr},
        {"distortion centre NaN without a lens", [](C& c) { c.distortionC.y = kNaN; }, false, kNothingElse, nullptr},
        {"rotation row 3 NaN", [](C& c) { c.rotation[3].x = kNaN; }, false, kNothingElse, nullptr},
    };
}

struct GraphRun {
    std::string error; // of the first failed update
    std::vector<std::shared_ptr<DataLayer>> delivered; // layers of the atom the target got
    std::string filterName;
};

// source -> filter -> target over one frame, updated until done or failed. The layers get a
// purpose, so the source's profile is fully specified.
GraphRun runGraph(const Guid& filterType, const Layers& layers)
{
    for (const auto& layer : layers)
        layer->InitializeHeader(kPurposeA);
    TestGraph g;
    auto source = g.make<LayerSource>(layers);
    auto filter = FilterFactory::CreateFilter(filterType, source, g.graph);
    GraphRun run;
    if (!filter) {
        ADD_FAILURE() << "no filter";
        return run;
    }
    run.filterName = filter->GetFilterClassInfo().GetNiceClassName().StdString();
    g.add(filter.ToStdSharedPtr());
    auto target = g.make<TestTarget>();
    target->process = [&](TestTarget&, const Atom& atom) {
        run.delivered = atom.GetAllDataLayers();
        return HyxErrorCode::Success;
    };
    if (g.graph->Play(PlaybackMode::ForwardOnce) != ActionResult::Success) {
        ADD_FAILURE() << g.error();
        return run;
    }
    for (int pass = 0; pass < 50 && !g.graph->IsDone(); ++pass)
        if (g.graph->Update() != ActionResult::Success) {
            run.error = g.error();
            break;
        }
    g.graph->Stop();
    return run;
}

// Every float of the produced positions or coordinates is a number; false when absent.
bool producedFinite(const std::vector<std::shared_ptr<DataLayer>>& layers, const Guid& type)
{
    for (const auto& layer : layers) {
        if (layer->TypeGuid() != type)
            continue;
        if (auto p = std::dynamic_pointer_cast<DataTypeVertexPositions>(layer)) {
            const float* v = p->GetVertexPositions();
            for (uint64_t i = 0; i < uint64_t(p->GetNumVertices()) * 3; ++i)
                if (!std::isfinite(v[i]))
                    return false;
            for (int i = 0; i < 6; ++i)
                if (!std::isfinite(p->GetBoundingBox()[i]))
                    return false;
        }
        if (auto t = std::dynamic_pointer_cast<DataTypeVertexTextureUVs>(layer)) {
            const float* v = t->GetUVs();
            for (uint64_t i = 0; i < uint64_t(t->GetNumVertices()) * 2; ++i)
                if (!(v[i] >= 0.0f && v[i] < 1.0f))
                    return false;
        }
        return true;
    }
    return false;
}

} // namespace

TEST(GeometryCamera, UnusableCamerasFailTheUpdateWithTheFiltersTextAndDeliverNothing)
{
    for (const FilterRow& f : filterRows()) {
        for (const CameraRow& c : cameraRows()) {
            SCOPED_TRACE(std::string(f.name) + ", " + c.name);
            auto camera = cameras();
            c.spoil(std::string(f.camera) == "IR" ? camera->GetIRCameraParams() : camera->GetColorCameraParams());
            const GraphRun run = runGraph(f.type, f.inputs(camera));
            const bool refused = c.refused && (c.needs == kNothingElse || (c.needs & f.reads));
            if (!refused) {
                EXPECT_EQ(run.error, "");
                EXPECT_TRUE(producedFinite(run.delivered, f.output));
                continue;
            }
            // Code 4's message, then the camera's problem as information.
            const std::string text = std::string("Filter '") + run.filterName +
                                     "' error: " + GetHyxErrorMessage(HyxErrorCode::FilterError) + "(CameraParams '" +
                                     f.camera + " " + c.text + ")";
            EXPECT_NE(run.error.find(text), std::string::npos) << run.error << "\nwanted: " << text;
            EXPECT_TRUE(run.delivered.empty());
        }
    }
}

TEST(GeometryCameraThread, UnusableCameraEndsTheRunOnTheAsyncGraphWorkerWithTheFiltersText)
{
    // The same refusal where the worker runs the pass: Error heard, then Stopped, nothing
    // delivered.
    auto camera = cameras();
    camera->GetColorCameraParams().F.x = kNaN;
    GraphFixtures::AsyncTestGraph g;
    const Layers layers = positionsAnd(camera);
    for (const auto& layer : layers)
        layer->InitializeHeader(kPurposeA);
    auto source = g.make<LayerSource>(layers);
    auto filter = FilterFactory::CreateFilter(TransformVertexTextureUVsColor::TheTypeGuid(), source, g.graph);
    ASSERT_TRUE(filter);
    g.add(filter.ToStdSharedPtr());
    auto target = g.make<TestTarget>();
    // The filter's own text names the value while listeners hear Error; once the run has
    // ended only the graph's does.
    std::string filterTextAtError;
    g.log.onState = [&](Graph::GraphState state) {
        if (state == Graph::GraphState::Error)
            filterTextAtError = filter->GetLastError(false).StdString();
    };
    ASSERT_TRUE(g.play(PlaybackMode::ForwardOnce));
    ASSERT_TRUE(g.log.waitFor(Graph::GraphState::Stopped));
    EXPECT_EQ(g.log.states(), (std::vector<Graph::GraphState>{Graph::GraphState::Playing, Graph::GraphState::Error,
                                                              Graph::GraphState::Stopped}));
    const std::string refusal = "(CameraParams 'Color F' must be finite and at least 2^-32 in magnitude: (nan, 8))";
    EXPECT_NE(g.error().find(refusal), std::string::npos) << g.error();
    EXPECT_NE(filterTextAtError.find(refusal), std::string::npos) << filterTextAtError;
    EXPECT_EQ(filter->GetLastError(false).StdString(), "");
    EXPECT_TRUE(target->seen().empty());
    g.log.onState = nullptr;
}
