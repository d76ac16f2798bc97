// README "Cameras the geometry filters refuse".

#include "Consumer.h"

namespace {

// A camera the geometry filters refuse, through a graph and through the exported helpers; the
// vertex colour filters compare the texture's size with the colour camera's first.
void runCameras()
{
    // Two positions and the cameras; with a texture width, also a 16 high RGB texture.
    const auto cameraFrame = [](float irFocalX, uint32_t colourWidth = 16, std::optional<uint16_t> textureWidth = {}) {
        return [=] {
            VornCommon::CameraParams camera(16, 16, VornCommon::Vector2f(8, 8));
            camera.C = camera.distortionC = VornCommon::Vector2f(8, 8);
            auto cameras = std::make_shared<Hyx::DataTypeCameraParams>();
            cameras->GetColorCameraParams() = camera;
            cameras->GetColorCameraParams().width = colourWidth;
            camera.F.x = irFocalX;
            cameras->GetIRCameraParams() = camera;
            auto positions = std::make_shared<Hyx::DataTypeVertexPositions>();
            const float points[] = {0, 0, 10, 1, 2, 20};
            std::copy(std::begin(points), std::end(points), positions->Allocate(2, false));
            positions->CalculateBoundingBoxFromVertexPositions();
            std::vector<std::shared_ptr<Hyx::DataLayer>> layers{positions, cameras};
            if (textureWidth) {
                auto texture = std::make_shared<Hyx::DataTypeTextureRGB>();
                if (uint8_t* pixels = texture->AllocateTexture(*textureWidth, 16))
                    std::fill_n(pixels, size_t(*textureWidth) * 16 * 3, uint8_t(100));
                layers.push_back(texture);
            }
            return layers;
        };
    };
    const VornCommon::Guid depthmap = Hyx::TransformDepthmapFromVertexPositions::TheTypeGuid();
    std::string error;
    const auto good = throughFilters(cameraFrame(8), {{depthmap, {}}}, &error);
    check(good && good->GetDataLayerByType(Hyx::DataTypeTexture16BitDepthMap::TheTypeGuid(), false),
          "a usable camera gives a depth map");
    check(!throughFilters(cameraFrame(1e-40f), {{depthmap, {}}}, &error), "a focal length of 1e-40 is refused");
    const std::string text = "CameraParams 'IR F' must be finite and at least 2^-32 in magnitude: (9.99995e-41, 8)";
    check(contains(error, "(" + text + ")") && contains(error, "Filter 'DepthmapFromVertexPositions' error: "),
          "the refusal names the filter and the value");
    quote(error);

    // The host sees a failed Update; code 4 shows only as its message in the graph's and the
    // filter's texts.
    {
        auto graph = std::make_shared<Hyx::Graph>();
        const auto source = std::dynamic_pointer_cast<Hyx::SourceManualLiveSource>(
            Hyx::FilterFactory::CreateFilter(Hyx::SourceManualLiveSource::TheTypeGuid(), {}, Hyx::SharedGraphPtr(graph))
                .ToStdSharedPtr());
        const auto layers = cameraFrame(1e-40f);
        bool ok = source && source->ClearCacheAndReinitializeProperties(frameWith(0, layers()), 1, 30.0f, true) &&
                  graph->AddAndConnect(source) == Hyx::ActionResult::Success && AddFilter(graph, depthmap) &&
                  AddFilter(graph, Hyx::TargetCallback::TheTypeGuid()) &&
                  graph->Play(Hyx::PlaybackMode::Realtime) == Hyx::ActionResult::Success &&
                  source->PushFrame({frameWith(1, layers())});
        Hyx::ActionResult result = Hyx::ActionResult::Success;
        for (int i = 0; ok && i < 4 && result == Hyx::ActionResult::Success; ++i)
            result = graph->Update();
        const std::string message = Hyx::GetHyxErrorMessage(Hyx::HyxErrorCode::FilterError);
        const std::string filterText =
            graph->GetFilter(1u) ? graph->GetFilter(1u)->GetLastError(false).StdString() : "";
        check(ok && result == Hyx::ActionResult::Failure && message == "Error in filter '$filter$': $info$" &&
                  contains(graph->GetLastError(false).StdString(), message + "(" + text + ")") &&
                  contains(filterText, message + "(" + text + ")"),
              "a refused camera fails Update; code 4 shows as its message in the graph's and the filter's texts");
        quote(message);
        // A Stop empties every filter's text; the graph keeps its own.
        graph->Stop();
        check(graph->GetFilter(1u) && graph->GetFilter(1u)->GetLastError(false).IsEmpty() &&
                  contains(graph->GetLastError(false).StdString(), message + "(" + text + ")"),
              "after Stop the filter's text is empty and the graph's still names the value");
        graph->RemoveAllFilters();
    }

    // A colour camera of width 0: the vertex colour filter refuses the size difference first;
    // a filter without that comparison names the width.
    check(throughFilters(cameraFrame(8, 16, 16), {{Hyx::TransformVertexColorsFromTextureRGB::TheTypeGuid(), {}}}) !=
              nullptr,
          "a usable colour camera gives vertex colours");
    const struct {
        VornCommon::Guid filter;
        const char* text;
    } widths[] = {
        {Hyx::TransformVertexColorsFromTextureRGB::TheTypeGuid(),
         "Width/Height mismatch between ColorTexture and CameraParams!"},
        {Hyx::TransformVertexTextureUVsColor::TheTypeGuid(), "CameraParams 'Color width' must be above 0: 0"},
    };
    for (const auto& width : widths) {
        check(!throughFilters(cameraFrame(8, 0, 16), {{width.filter, {}}}, &error) &&
                  contains(error, std::string("(") + width.text + ")"),
              "a colour camera of width 0: the size comparison first, where the filter makes it");
    }
    quote(widths[0].text);

    auto cameras = std::make_shared<Hyx::DataTypeCameraParams>();
    VornCommon::CameraParams camera(16, 16, VornCommon::Vector2f(1e-40f, 8));
    camera.C = VornCommon::Vector2f(8, 8);
    cameras->GetIRCameraParams() = camera;
    const float points[] = {0, 0, 10, 1, 2, 20};
    std::vector<uint16_t> samples(64, 7);
    Hyx::DepthmapHelper::CreateDepthmap(points, 2, samples.data(), 8, 8, cameras);
    check(std::all_of(samples.begin(), samples.end(), [](uint16_t s) { return s == 0; }),
          "CreateDepthmap leaves every sample 0 with a refused camera");
    std::fill(samples.begin(), samples.end(), uint16_t(500));
    float box[6] = {};
    Hyx::DepthmapHelper::CalculateBoundingBox(box, samples.data(), 8, 8, cameras, 1);
    const float empty[6] = {100000, 100000, 100000, -100000, -100000, -100000};
    check(std::equal(box, box + 6, empty), "CalculateBoundingBox gives the empty map's box with a refused camera");
}

} // namespace
