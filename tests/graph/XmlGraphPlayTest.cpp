// Graph files that turn into running graphs: filters made by the factory from a file, with
// the file's values, played to the end.

#include "ThreadedFixtures.h"
#include "XmlGraphFiles.h"

#include <Hyx/AsyncGraph.h>
#include <Hyx/FilterFactory.h>
#include <Hyx/Graph.h>
#include <Hyx/MutateBlock.h>
#include <Hyx/VisualGraph.h>
#include <Hyx/XmlGraph.h>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace ThreadedFixtures;
using Hyx::ActionResult;
using Hyx::PlaybackMode;

namespace {

inline constexpr Guid kPlaySource = Hyx::GuidLiteral("5E7A3B10-2C4D-4E8F-A1B2-C3D4E5F60801");
inline constexpr Guid kPlayTransform = Hyx::GuidLiteral("5E7A3B10-2C4D-4E8F-A1B2-C3D4E5F60802");
inline constexpr Guid kPlayTarget = Hyx::GuidLiteral("5E7A3B10-2C4D-4E8F-A1B2-C3D4E5F60803");

// A test filter under a GUID of its own, for the factory.
template <class F, const Guid& Type>
struct Play : F {
    Guid TypeGuid() const override { return Type; }
    static Hyx::Filter* Create() { return new Play(); }
};
// Five frames, each with two layers of the type the transform asks for: its "Input Profile"
// offers two combinations.
struct PlaySource : TestSource {
    PlaySource() : TestSource(5, MakeProfile({{kPurposeA, kType1}, {kPurposeB, kType1}})) {}
};
using PlayTarget = Play<TestTarget, kPlayTarget>;

void RegisterPlayFilters()
{
    static const bool registered = [] {
        using Hyx::FilterCategory;
        using Hyx::FilterClassInfo;
        using Hyx::FilterFactory::RegisterFilterClass;
        RegisterFilterClass(kPlaySource, FilterClassInfo("XmlPlaySource", FilterCategory::Source),
                            &Play<PlaySource, kPlaySource>::Create);
        RegisterFilterClass(kPlayTransform, FilterClassInfo("XmlPlayTransform", FilterCategory::Transform),
                            &Play<TestTransform, kPlayTransform>::Create);
        RegisterFilterClass(kPlayTarget, FilterClassInfo("XmlPlayTarget", FilterCategory::Target), &PlayTarget::Create);
        return true;
    }();
    (void)registered;
}

PlaybackMode ProviderMode(const Hyx::Graph& graph)
{
    auto provider = std::dynamic_pointer_cast<Hyx::FrameOrderAuto>(graph.GetFrameOrderProvider());
    return provider ? provider->GetPlaybackMode() : static_cast<PlaybackMode>(-1);
}

} // namespace

TEST(XmlGraphPlayThreads, BlockMutateFileInstantiatesIntoAsyncGraphsThatPlayAndStop)
{
    RegisterPlayFilters();
    const auto graphs = Hyx::XmlGraph::LoadFromXml(HyxTest::XmlDataPath("block_mutates.xml").c_str());
    ASSERT_NE(nullptr, graphs);
    ASSERT_EQ(2, graphs->GetNumVisualGraphs());
    EXPECT_EQ(nullptr, graphs->InstantiateHyxGraph(2));
    EXPECT_EQ(nullptr, graphs->InstantiateHyxGraph(-1));

    // Paced at the file's 100 frames per second, looping until stopped.
    {
        const std::shared_ptr<Hyx::AsyncGraph> graph = graphs->InstantiateHyxGraph(0);
        ASSERT_NE(nullptr, graph) << "see the log";
        EXPECT_EQ(PlaybackMode::ForwardLoop, ProviderMode(*graph));
        float fps = 0.0f;
        graph->GetGraphFps(fps);
        EXPECT_EQ(100.0f, fps);
        EXPECT_EQ(10u, graph->GetFramePeriodMs());
        EXPECT_EQ("4", graph->GetFilterParam(Hyx::MutateBlockFPS::TheTypeGuid(), "Buffer size", 1)->GetValueAsString());

        auto target = std::dynamic_pointer_cast<PlayTarget>(graph->GetFilter(2));
        ASSERT_NE(nullptr, target);
        ASSERT_EQ(ActionResult::Success, graph->Play()) << graph->GetLastError(false).CStr();
        EXPECT_TRUE(Eventually([&] { return target->frames().size() >= 8; })) << graph->GetLastError(false).CStr();
        EXPECT_EQ(ActionResult::Success, graph->Stop()) << graph->GetLastError(false).CStr();
        EXPECT_TRUE(graph->IsStopped());
        const std::vector<unsigned> seen = target->frames();
        for (size_t i = 0; i < seen.size(); ++i)
            EXPECT_EQ(i % 5, seen[i]) << "atom " << i;
        for (unsigned i = 0; i < 3; ++i)
            EXPECT_EQ(Hyx::Filter::FilterState::Connected, graph->GetFilter(i)->GetFilterState());
    }

    // Unpaced, once through; the host releases each frame, and the full buffer holds the
    // source back instead of dropping.
    {
        const std::shared_ptr<Hyx::AsyncGraph> graph = graphs->InstantiateHyxGraph(1);
        ASSERT_NE(nullptr, graph) << "see the log";
        EXPECT_EQ(PlaybackMode::ForwardOnce, ProviderMode(*graph));
        float fps = -5.0f;
        graph->GetGraphFps(fps);
        EXPECT_EQ(0.0f, fps);
        EXPECT_EQ(0u, graph->GetFramePeriodMs());

        auto target = std::dynamic_pointer_cast<PlayTarget>(graph->GetFilter(2));
        ASSERT_NE(nullptr, target);
        ASSERT_EQ(ActionResult::Success, graph->Play()) << graph->GetLastError(false).CStr();
        const Guid manual = Hyx::MutateBlockManual::TheTypeGuid();
        for (size_t frames = 1; frames <= 5; ++frames) {
            EXPECT_TRUE(Eventually([&] {
                if (target->frames().size() >= frames)
                    return true;
                graph->SetFilterParamValue(manual, "Pull next processed frame", "", 1);
                return false;
            })) << "frame "
                << frames;
        }
        // Done once every frame is through: the graph stops itself.
        EXPECT_TRUE(Eventually([&] { return graph->IsStopped(); }));
        EXPECT_EQ(ActionResult::Success, graph->Stop());
        EXPECT_EQ((std::vector<unsigned>{0, 1, 2, 3, 4}), target->frames());
    }
}
