// The lean update pass: what every update skips when there is nothing to do (an empty error
// text, a running graph's progress) must still happen when there is, and links that go away
// outside the graph are noticed instead of used.

#include "GraphFixtures.h"

#include <Hyx/Connection.h>
#include <Hyx/FrameOrderProvider.h>

#include <gtest/gtest.h>

using namespace GraphFixtures;
using Hyx::ActionResult;
using Hyx::Connection;
using Hyx::HyxErrorCode;
using Hyx::PlaybackMode;

TEST(UpdatePass, ErrorTextIsEmptiedByTheNextCycle)
{
    TestGraph chain;
    chain.make<TestSource>(100);
    auto transform = chain.make<TestTransform>();
    auto target = chain.make<TestTarget>();
    transform->process = [](TestTransform& t, const Hyx::Atom& atom) {
        return atom.GetFrameNr() % 3 == 1 ? t.ReportError(HyxErrorCode::FilterFailedToCompress) : HyxErrorCode::Success;
    };
    ASSERT_EQ(chain.graph->Play(PlaybackMode::ForwardOnce), ActionResult::Success);
    const std::string inner = FilterText("Test", HyxErrorCode::FilterFailedToCompress);

    ASSERT_TRUE(chain.update(1)); // frame 0
    EXPECT_EQ(transform->GetLastError(false).StdString(), "");
    EXPECT_EQ(chain.graph->Update(), ActionResult::Failure); // frame 1
    EXPECT_EQ(transform->GetLastError(false).StdString(), inner + "(" + inner + ")");
    ASSERT_TRUE(chain.update(1)); // frame 2: the failure's text is gone
    EXPECT_EQ(transform->GetLastError(false).StdString(), "");

    // Taken by the host in between: the next failure and the next success behave the same.
    ASSERT_TRUE(chain.update(1)); // frame 3
    EXPECT_EQ(chain.graph->Update(), ActionResult::Failure); // frame 4
    EXPECT_EQ(transform->GetLastError(true).StdString(), inner + "(" + inner + ")");
    EXPECT_EQ(transform->GetLastError(false).StdString(), "");
    ASSERT_TRUE(chain.update(2)); // frames 5 and 6
    EXPECT_EQ(chain.graph->Update(), ActionResult::Failure); // frame 7
    EXPECT_EQ(transform->GetLastError(false).StdString(), inner + "(" + inner + ")");
    ASSERT_TRUE(chain.update(1)); // frame 8
    EXPECT_EQ(transform->GetLastError(false).StdString(), "");

    // A text left outside any update (here by the target itself) is emptied by its next cycle.
    target->ReportError(HyxErrorCode::FilterError, "left over");
    EXPECT_NE(target->GetLastError(false).StdString(), "");
    ASSERT_TRUE(chain.update(1)); // frame 9
    EXPECT_EQ(target->GetLastError(false).StdString(), "");
    EXPECT_EQ(target->frames(), (std::vector<unsigned>{0, 2, 3, 5, 6, 8, 9}));
}

TEST(UpdatePass, ProgressOfAGraphThatIsNotRunning)
{
    // Filters played one by one leave the graph itself stopped: every report of progress then
    // updates the graph's stored value at once.
    TestGraph chain;
    auto source = chain.make<TestSource>(4);
    auto target = chain.make<TestTarget>();
    ASSERT_EQ(chain.graph->SetPlaybackMode(PlaybackMode::ForwardOnce, true), ActionResult::Success);
    ASSERT_EQ(source->Play(), HyxErrorCode::Success);
    ASSERT_EQ(target->Play(), HyxErrorCode::Success);
    ASSERT_FALSE(chain.graph->IsPlaying());

    ASSERT_EQ(source->Update(), HyxErrorCode::Success);
    EXPECT_FLOAT_EQ(source->GetProgress(), 0.25f);
    EXPECT_FLOAT_EQ(chain.graph->GetProgress(), 0.125f); // the target still reports 0
    ASSERT_EQ(target->Update(), HyxErrorCode::Success);
    EXPECT_FLOAT_EQ(target->GetProgress(), 0.25f);
    EXPECT_FLOAT_EQ(chain.graph->GetProgress(), 0.25f);
    ASSERT_EQ(source->Update(), HyxErrorCode::Success);
    ASSERT_EQ(target->Update(), HyxErrorCode::Success);
    EXPECT_FLOAT_EQ(chain.graph->GetProgress(), 0.5f);
    EXPECT_EQ(target->frames(), (std::vector<unsigned>{0, 1}));

    EXPECT_EQ(source->Stop(), HyxErrorCode::Success);
    EXPECT_EQ(target->Stop(), HyxErrorCode::Success);
}

TEST(UpdatePass, ConnectionsReleasedOutsideTheGraph)
{
    // A transform joined by connections of its own: when they are released without being
    // disconnected, its updates report the missing connection instead of using it.
    TestGraph chain;
    auto source = chain.make<TestSource>(10);
    auto transform = std::make_shared<TestTransform>();
    auto target = std::make_shared<TestTarget>();
    ASSERT_EQ(transform->PreInitialize(source.get(), chain.graph), HyxErrorCode::Success);
    ASSERT_EQ(transform->Initialize(source.get()), HyxErrorCode::Success);
    auto input = std::make_shared<Connection>(chain.graph, 4);
    ASSERT_EQ(input->Connect(source, transform), HyxErrorCode::Success);
    ASSERT_EQ(target->PreInitialize(transform.get(), chain.graph), HyxErrorCode::Success);
    ASSERT_EQ(target->Initialize(transform.get()), HyxErrorCode::Success);
    auto output = std::make_shared<Connection>(chain.graph, 4);
    ASSERT_EQ(output->Connect(transform, target), HyxErrorCode::Success);
    ASSERT_EQ(chain.graph->SetPlaybackMode(PlaybackMode::ForwardOnce, true), ActionResult::Success);
    ASSERT_EQ(source->Play(), HyxErrorCode::Success);
    ASSERT_EQ(transform->Play(), HyxErrorCode::Success);

    ASSERT_EQ(source->Update(), HyxErrorCode::Success);
    EXPECT_EQ(transform->Update(), HyxErrorCode::Success);
    EXPECT_EQ(output->NumPendingData(), 1);

    ASSERT_EQ(source->Update(), HyxErrorCode::Success);
    const std::weak_ptr<Connection> released = output;
    output.reset();
    ASSERT_TRUE(released.expired()); // the connection object is gone, not just unlisted
    EXPECT_EQ(transform->Update(), HyxErrorCode::FilterLacksOutputConnection);
    EXPECT_EQ(transform->GetLastError(false).StdString(),
              FilterText("Test", HyxErrorCode::FilterLacksOutputConnection) + "()");
    EXPECT_EQ(input->NumPendingData(), 1); // nothing was pulled
    EXPECT_EQ(transform->frames, std::vector<unsigned>{0});
    EXPECT_FALSE(transform->IsOutputConnected());

    input.reset();
    EXPECT_EQ(transform->Update(), HyxErrorCode::FilterLacksInputConnection);
    EXPECT_EQ(transform->GetLastError(false).StdString(),
              FilterText("Test", HyxErrorCode::FilterLacksInputConnection) + "()");
    EXPECT_FALSE(transform->IsInputConnected());
    // The source's output went with it: its next frame has nowhere to go.
    EXPECT_EQ(source->Update(), HyxErrorCode::FilterFailedToPushAtom);

    EXPECT_EQ(transform->Stop(), HyxErrorCode::Success);
    EXPECT_EQ(transform->Reset(), HyxErrorCode::Success);
    EXPECT_EQ(target->Reset(), HyxErrorCode::Success);
    EXPECT_EQ(source->Stop(), HyxErrorCode::Success);
}

TEST(UpdatePass, EachFamilyMeetsAMissingOutputAndTheWrongStateItsOwnWay)
{
    // One cycle, three policies: a transform's missing output is its bare result, a mutate's
    // is reported at once (only while input waits) and nested again, a target needs none. A
    // mutate's state check nests its failure likewise.
    enum class Text {
        None,
        Empty,
        Bare,
        Nested
    };
    struct Outcome {
        HyxErrorCode code;
        Text text;
    };
    using Make = std::shared_ptr<Hyx::Filter> (*)(TestGraph&);
    struct Case {
        Make make;
        Outcome idle, pending, stopped;
    };
    const Case cases[] = {
        {[](TestGraph& c) -> std::shared_ptr<Hyx::Filter> { return c.make<TestTransform>(); },
         {HyxErrorCode::FilterLacksOutputConnection, Text::Empty},
         {HyxErrorCode::FilterLacksOutputConnection, Text::Empty},
         {HyxErrorCode::FilterWrongStateToUpdate, Text::Bare}},
        {[](TestGraph& c) -> std::shared_ptr<Hyx::Filter> { return c.make<TestMutate>(); },
         {HyxErrorCode::Success, Text::None},
         {HyxErrorCode::FilterLacksOutputConnection, Text::Nested},
         {HyxErrorCode::FilterWrongStateToUpdate, Text::Nested}},
        {[](TestGraph& c) -> std::shared_ptr<Hyx::Filter> { return c.make<TestTarget>(); },
         {HyxErrorCode::Success, Text::None},
         {HyxErrorCode::Success, Text::None},
         {HyxErrorCode::FilterWrongStateToUpdate, Text::Bare}},
    };
    for (const Case& c : cases) {
        TestGraph chain;
        auto source = chain.make<TestSource>(10);
        const std::shared_ptr<Hyx::Filter> filter = c.make(chain);
        const std::string nice = filter->GetFilterClassInfo().GetNiceClassName().StdString();
        SCOPED_TRACE(nice);
        const auto check = [&](const Outcome& expected) {
            EXPECT_EQ(filter->Update(), expected.code);
            const std::string inner = FilterText(nice.c_str(), expected.code);
            const std::string texts[] = {"", inner + "()", inner, inner + "(" + inner + ")"};
            EXPECT_EQ(filter->GetLastError(true).StdString(), texts[static_cast<int>(expected.text)]);
        };
        ASSERT_EQ(chain.graph->Play(PlaybackMode::ForwardOnce), ActionResult::Success);
        check(c.idle);
        ASSERT_EQ(source->Update(), HyxErrorCode::Success);
        check(c.pending);
        ASSERT_EQ(filter->Stop(), HyxErrorCode::Success);
        check(c.stopped);
    }
}
