// The renderer target: initialisation on the first render, input events, rendering while the
// graph updates.

#include "GraphFixtures.h"

#include <Hyx/HYXPurposeGuids.h>

using namespace GraphFixtures;

namespace {

constexpr Guid kRendererGuid = GuidLiteral("5C000000-0000-0000-0000-000000000006");

class TestRenderer : public TargetRenderer {
public:
    Guid TypeGuid() const override { return kRendererGuid; }
    FilterClassInfo GetFilterClassInfo() const override
    {
        return FilterClassInfo("TargetRendererTest", FilterCategory::Renderer);
    }

    std::vector<std::string> calls;
    std::vector<int> keys;
    std::atomic<int> inside{0};
    std::atomic<int> maxInside{0};
    int renderCounterWhileRendering = -1;
    int updateCounterWhileRendering = -1;

    std::pair<float, float> drag() const { return {_dragDeltaX, _dragDeltaY}; }
    std::pair<float, float> current() const { return {_currentX, _currentY}; }
    using TargetRenderer::_buttonFlags, TargetRenderer::_doubleClicked, TargetRenderer::_keyFlags,
        TargetRenderer::_modifierFlags, TargetRenderer::_renderArgument, TargetRenderer::_wheelStep,
        TargetRenderer::_wheelTotal, TargetRenderer::GetRenderFrameCounter, TargetRenderer::GetUpdateFrameCounter;

protected:
    // Counts the threads inside a hook at once; the render mutex keeps it at 1.
    void enter()
    {
        const int now = ++inside;
        int seen = maxInside.load();
        while (now > seen && !maxInside.compare_exchange_weak(seen, now)) {
        }
        std::this_thread::yield();
        --inside;
    }
    HyxErrorCode onUpdateFrame(std::shared_ptr<Atom>) override
    {
        enter();
        return HyxErrorCode::Success;
    }
    HyxErrorCode onInitRenderer(int w, int h) override
    {
        enter();
        calls.push_back("init " + std::to_string(w) + "x" + std::to_string(h));
        return HyxErrorCode::Success;
    }
    HyxErrorCode onReInitRenderer(int, int) override
    {
        enter();
        calls.push_back("reinit");
        return HyxErrorCode::Success;
    }
    void onRenderFrame(int, int, std::deque<unsigned> streams) override
    {
        enter();
        renderCounterWhileRendering = GetRenderFrameCounter();
        updateCounterWhileRendering = GetUpdateFrameCounter();
        AddDisplayString("frame " + std::to_string(streams.size()), VornCommon::Color(1, 0, 0));
    }
    HyxErrorCode onDestroyRenderer() override
    {
        enter();
        calls.push_back("destroy");
        return HyxErrorCode::Success;
    }
    void onKeyDown(int key) override { keys.push_back(key); }
    void onKeyUp(int key) override { keys.push_back(-key); }
};

} // namespace

TEST(TargetRendererRender, InitialisesOnTheFirstRenderAfterPlay)
{
    TestGraph chain;
    chain.make<TestSource>(10, MakeProfile({{kPurposeA, kType1}, {kPurposeB, kType2}}));
    auto renderer = chain.make<TestRenderer>();
    ASSERT_EQ(chain.graph->Play(PlaybackMode::ForwardOnce), ActionResult::Success);
    renderer->Render(640, 480, true, 7);
    renderer->Render(640, 480, true, 8);
    renderer->Render(640, 480, false, 9, {1, 2});
    renderer->Render(640, 480, true, 9);
    EXPECT_EQ(renderer->calls, (std::vector<std::string>{"init 640x480", "reinit", "reinit"}));
    EXPECT_EQ(renderer->_renderArgument, 9);
    EXPECT_EQ(renderer->GetRenderFrameCounter(), 4);
    // Readable while rendering, under the render mutex.
    EXPECT_EQ(renderer->renderCounterWhileRendering, 3);
    EXPECT_EQ(renderer->updateCounterWhileRendering, 0);
    // Only the last render's lines.
    ASSERT_EQ(renderer->GetDisplayStrings().size(), 1u);
    EXPECT_EQ(renderer->GetDisplayStrings()[0].text, "frame 0");
    EXPECT_EQ(renderer->GetDisplayStrings()[0].color, VornCommon::Color(1, 0, 0));

    ASSERT_TRUE(chain.update(3));
    EXPECT_EQ(renderer->GetUpdateFrameCounter(), 3);
    // A new play start initialises again and restarts the counters.
    ASSERT_EQ(chain.graph->Pause(), ActionResult::Success);
    ASSERT_EQ(chain.graph->Play(), ActionResult::Success);
    EXPECT_EQ(renderer->GetUpdateFrameCounter(), 0);
    EXPECT_EQ(renderer->GetRenderFrameCounter(), 0);
    renderer->Render(320, 200, false, 0);
    renderer->DestroyRenderer();
    EXPECT_EQ(renderer->calls.back(), "destroy");
    EXPECT_EQ(renderer->calls[3], "init 320x200");
    EXPECT_TRUE(renderer->GetRenderStreams().empty());
}

TEST(TargetRendererInput, PointerWheelAndKeys)
{
    TestRenderer renderer;
    renderer.UiEvent(UIEvent::mouseWheel(240.0f, 3, 4));
    EXPECT_FLOAT_EQ(renderer._wheelTotal, 2.0f);
    EXPECT_FLOAT_EQ(renderer._wheelStep, 2.0f);
    EXPECT_EQ(renderer.current(), std::make_pair(3.0f, 4.0f));

    renderer.UiEvent(UIEvent::mouseDown(1, 10, 10));
    EXPECT_TRUE(renderer._buttonFlags.at(1));
    renderer.UiEvent(UIEvent::mouseMove(12, 11));
    renderer.UiEvent(UIEvent::mouseMove(15, 12));
    EXPECT_EQ(renderer.drag(), std::make_pair(5.0f, 2.0f));
    renderer.UiEvent(UIEvent::mouseUp(1, 15, 12));
    EXPECT_FALSE(renderer._buttonFlags.at(1));
    renderer.UiEvent(UIEvent::mouseDoubleclick(0, 1, 1));
    EXPECT_TRUE(renderer._doubleClicked);
    // Codes outside the flags change nothing and do not crash.
    renderer.UiEvent(UIEvent::mouseDown(-1, 1, 1));
    renderer.UiEvent(UIEvent::mouseDown(10, 1, 1));
    renderer.UiEvent(UIEvent::mouseUp(-5, 1, 1));

    renderer.UiEvent(UIEvent::keyDown(65));
    EXPECT_TRUE(renderer._keyFlags.at(65));
    EXPECT_EQ(renderer.current(), std::make_pair(0.0f, 0.0f)); // key events carry no position
    renderer.UiEvent(UIEvent::keyDown(0x1000021));
    EXPECT_TRUE(renderer._modifierFlags.at(1));
    renderer.UiEvent(UIEvent::keyUp(0x1000021));
    EXPECT_FALSE(renderer._modifierFlags.at(1));
    renderer.UiEvent(UIEvent::keyDown(2000));
    renderer.UiEvent(UIEvent::keyDown(-3));
    renderer.UiEvent(UIEvent::keyUp(65));
    EXPECT_FALSE(renderer._keyFlags.at(65));
    EXPECT_EQ(renderer.keys, (std::vector<int>{65, 0x1000021, -0x1000021, 2000, -3, -65}));
}

TEST(TargetRendererThreads, RenderWhileTheGraphUpdates)
{
    TestGraph chain;
    chain.make<TestSource>(200);
    auto renderer = chain.make<TestRenderer>();
    ASSERT_EQ(chain.graph->Play(PlaybackMode::ForwardOnce), ActionResult::Success);
    std::atomic<bool> done{false};
    std::thread host([&] {
        int renders = 0;
        while (!done || renders < 50) {
            renderer->Render(64, 64, renders % 7 == 0, renders);
            (void)renderer->GetDisplayStrings();
            ++renders;
        }
        renderer->DestroyRenderer();
    });
    EXPECT_TRUE(chain.runToEnd());
    done = true;
    host.join();
    EXPECT_EQ(renderer->GetUpdateFrameCounter(), 200);
    EXPECT_EQ(renderer->maxInside, 1);
    ASSERT_EQ(chain.graph->Stop(), ActionResult::Success);
}

TEST(TargetRendererRender, ParametersAndVideoTexture)
{
    TestGraph chain;
    chain.make<TestSource>(10, MakeProfile({{kPurposeA, kType1}, {kPurposeB, kType2}}));
    auto renderer = std::make_shared<TestRenderer>();
    renderer->setParameterValues({{"Keep " + DataProfile(kPurposeA, kType1).ToFriendlyString(), "False"}});
    chain.add(renderer);
    const auto params = renderer->getParameters();
    ASSERT_EQ(params.size(), 3u);
    EXPECT_EQ(params[0]->GetName(), "Generate video texture");
    EXPECT_EQ(params[0]->GetValueAsString(), "False");
    // The renderer keeps the whole upstream offer, whatever the keep switches say.
    EXPECT_EQ(renderer->GetInputProfile()->GetDataProfileCount(), 2);
    EXPECT_EQ(renderer->GetAggregatedOutputProfile()->GetDataProfileCount(), 2);
    renderer->setParameterValue("Generate video texture", "True");
    const auto aggregate = renderer->GetAggregatedOutputProfile();
    ASSERT_EQ(aggregate->GetDataProfileCount(), 3);
    EXPECT_EQ(aggregate->GetDataProfileByIndex(2)->GetPurposeGuid(), HYXPurposeGuids::REX);
    EXPECT_EQ(aggregate->GetDataProfileByIndex(2)->GetTypeGuid(), GuidLiteral("9533AA0B-403E-49F3-9A2E-7D44BDBB3E95"));
}
