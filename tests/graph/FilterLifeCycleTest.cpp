// The filter state machine: the full walk, wrong-state codes and texts, nested hook failures,
// Reset, the graph links and destruction.

#include <Hyx/Atom.h>
#include <Hyx/Connection.h>
#include <Hyx/Graph.h>

#include "CapturedLog.h"
#include "TestFilters.h"

#include <VornCommon/HostSettings.h>

#include <gtest/gtest.h>

using namespace Hyx;
using HyxTest::ExampleError;
using HyxTest::TestFilter;
using HyxTest::TestSource;
using State = Filter::FilterState;
using Code = HyxErrorCode;

namespace {

std::string errorOf(const Filter& f)
{
    return f.GetLastError(false).StdString();
}

// A source and a filter joined in a graph (the filter Connected).
struct Chain {
    std::shared_ptr<Graph> graph = std::make_shared<Graph>();
    std::shared_ptr<TestSource> source = std::make_shared<TestSource>();
    std::shared_ptr<TestFilter> filter = std::make_shared<TestFilter>();

    Chain()
    {
        EXPECT_EQ(graph->AddAndConnect(source), ActionResult::Success);
        EXPECT_EQ(graph->AddAndConnect(filter), ActionResult::Success) << graph->GetLastError(false).StdString();
    }
};

} // namespace

TEST(FilterLifeCycle, FullWalkWithWrongStateCodes)
{
    auto graph = std::make_shared<Graph>();
    auto source = std::make_shared<TestSource>();
    ASSERT_EQ(graph->AddAndConnect(source), ActionResult::Success);
    EXPECT_EQ(source->GetFilterState(), State::Connected);
    EXPECT_TRUE(source->IsInputConnected());
    EXPECT_EQ(source->script.calls, (std::vector<std::string>{"onInitializeParams", "onInitialize"}));

    auto f = std::make_shared<TestFilter>();
    EXPECT_EQ(f->GetFilterState(), State::Created);
    // Wrong-state calls in Created: each its own code, nothing changes, no brackets.
    const std::pair<std::function<Code()>, Code> created[] = {
        {[&] { return f->Initialize(source.get()); }, Code::FilterWrongStateToInitialize},
        {[&] { return f->DeInitialize(); }, Code::FilterWrongStateToDeinitialize},
        {[&] { return f->SetInputConnection(std::weak_ptr<Connection>()); }, Code::FilterWrongStateToConnectInput},
        {[&] { return f->SetOutputConnection(std::weak_ptr<Connection>()); }, Code::FilterWrongStateToConnectOutput},
        {[&] { return f->Disconnect(); }, Code::FilterWrongStateToDisconnectInput},
        {[&] { return f->Play(); }, Code::FilterWrongStateToPlay},
        {[&] { return f->Pause(); }, Code::FilterWrongStateToPause},
        {[&] { return f->Stop(); }, Code::FilterWrongStateToStop},
        {[&] { return f->Update(); }, Code::FilterWrongStateToUpdate},
    };
    for (const auto& [call, code] : created) {
        EXPECT_EQ(call(), code);
        EXPECT_EQ(errorOf(*f), ExampleError(code));
        EXPECT_EQ(f->GetFilterState(), State::Created);
    }
    EXPECT_EQ(errorOf(*f), "Filter 'Example' error: Filter '$filter$' is in wrong state to update.");
    EXPECT_EQ(f->DePreInitialize(), Code::Success);
    EXPECT_TRUE(f->script.calls.empty());

    ASSERT_EQ(f->PreInitialize(source.get(), graph), Code::Success);
    EXPECT_EQ(f->GetFilterState(), State::PreInitialized);
    EXPECT_EQ(f->GetGraph(), graph);
    EXPECT_EQ(errorOf(*f), ""); // the step emptied the text
    // A second PreInitialize is refused and leaves the filter without a graph.
    EXPECT_EQ(f->PreInitialize(source.get(), graph), Code::FilterWrongStateToPreinitialize);
    EXPECT_EQ(f->GetGraph(), nullptr);

    ASSERT_EQ(f->Initialize(source.get()), Code::Success);
    EXPECT_EQ(f->GetFilterState(), State::Initialized);
    EXPECT_EQ(f->DePreInitialize(), Code::FilterWrongStateToDepreinitialize);
    EXPECT_EQ(f->Play(), Code::FilterWrongStateToPlay);
    EXPECT_EQ(f->GetFilterState(), State::Initialized);
    EXPECT_EQ(errorOf(*f), ExampleError(Code::FilterWrongStateToPlay));

    // The graph sets itself and connects: Connected.
    ASSERT_EQ(graph->AddAndConnect(f), ActionResult::Success);
    EXPECT_EQ(f->GetFilterState(), State::Connected);
    EXPECT_EQ(f->GetGraph(), graph);
    EXPECT_EQ(f->GetInputFilter(), source);
    EXPECT_EQ(source->GetOutputFilter(), f);
    EXPECT_TRUE(source->IsOutputConnected());
    EXPECT_EQ(f->GetSourceFilter(), source);
    EXPECT_EQ(source->GetSourceFilter(), source);
    EXPECT_EQ(f->Initialize(source.get()), Code::FilterWrongStateToInitialize);

    ASSERT_EQ(f->Play(), Code::Success);
    EXPECT_EQ(f->GetFilterState(), State::Playing);
    EXPECT_EQ(f->Update(), Code::Success);
    EXPECT_EQ(f->Play(), Code::FilterWrongStateToPlay);
    ASSERT_EQ(f->Pause(), Code::Success);
    EXPECT_EQ(f->GetFilterState(), State::Paused);
    EXPECT_EQ(f->Update(), Code::FilterWrongStateToUpdate);
    EXPECT_EQ(f->Pause(), Code::FilterWrongStateToPause);
    ASSERT_EQ(f->Play(), Code::Success); // resuming runs onPlay again
    ASSERT_EQ(f->Stop(), Code::Success);
    EXPECT_EQ(f->GetFilterState(), State::Connected);
    EXPECT_EQ(f->Stop(), Code::FilterWrongStateToStop);

    ASSERT_EQ(f->Reset(), Code::Success);
    EXPECT_EQ(f->GetFilterState(), State::PreInitialized);
    EXPECT_FALSE(f->IsInputConnected());
    EXPECT_FALSE(source->IsOutputConnected());
    EXPECT_EQ(f->script.calls, (std::vector<std::string>{"onInitializeParams", "onInitialize", "onInputConnection",
                                                         "onPlay", "onPause", "onPlay", "onStop", "onDeInitialize"}));
    ASSERT_EQ(f->DePreInitialize(), Code::Success);
    EXPECT_EQ(f->GetFilterState(), State::Created);
}

TEST(FilterLifeCycle, FailingHooksNestTheirText)
{
    auto graph = std::make_shared<Graph>();
    auto f = std::make_shared<TestFilter>();
    f->script.initialize = Code::FailedToGenerateOutputProfile;
    f->script.reportOwnFailure = true;
    ASSERT_EQ(f->PreInitialize(nullptr, graph), Code::Success);
    EXPECT_EQ(f->Initialize(nullptr), Code::FailedToGenerateOutputProfile);
    EXPECT_EQ(f->GetFilterState(), State::PreInitialized);
    const std::string message = ExampleError(Code::FailedToGenerateOutputProfile);
    EXPECT_EQ(errorOf(*f), message + "(" + message + ")");

    // A hook that fails without reporting leaves empty brackets.
    f->script.reportOwnFailure = false;
    EXPECT_EQ(f->Initialize(nullptr), Code::FailedToGenerateOutputProfile);
    EXPECT_EQ(errorOf(*f), message + "()");

    // GetLastError(true) clears.
    EXPECT_EQ(f->GetLastError(true).StdString(), message + "()");
    EXPECT_EQ(errorOf(*f), "");

    // A failing parameter hook clears the parameters again and stays Created.
    auto g = std::make_shared<TestFilter>();
    g->makeParams = [](TestFilter& self) {
        self.addParam(std::make_shared<FilterParamInt32>("Threads count", 0u, 1, 1, 8));
    };
    g->script.initializeParams = Code::UnknownError;
    EXPECT_EQ(g->PreInitialize(nullptr, graph), Code::UnknownError);
    EXPECT_EQ(g->GetFilterState(), State::Created);
    EXPECT_TRUE(g->getParameters().empty());
    EXPECT_EQ(g->GetGraph(), nullptr);
    EXPECT_EQ(errorOf(*g), ExampleError(Code::UnknownError) + "()");

    // A failing onPlay keeps Connected; a failing onStop keeps Playing.
    Chain chain;
    chain.filter->script.play = Code::FilterError;
    EXPECT_EQ(chain.filter->Play(), Code::FilterError);
    EXPECT_EQ(chain.filter->GetFilterState(), State::Connected);
    chain.filter->script.play = Code::Success;
    chain.filter->script.stop = Code::FilterError;
    ASSERT_EQ(chain.filter->Play(), Code::Success);
    EXPECT_EQ(chain.filter->Stop(), Code::FilterError);
    EXPECT_EQ(chain.filter->GetFilterState(), State::Playing);
    // Reset stops first and passes that failure on.
    EXPECT_EQ(chain.filter->Reset(), Code::FilterError);
    chain.filter->script.stop = Code::Success;
    EXPECT_EQ(chain.filter->Reset(), Code::Success);
    EXPECT_EQ(chain.filter->GetFilterState(), State::PreInitialized);

    // ReportError with a code outside the table.
    EXPECT_EQ(f->ReportError(static_cast<Code>(33)), static_cast<Code>(33));
    EXPECT_EQ(errorOf(*f), "Filter 'Example' error: Unknown error code.");
    f->ReportError(Code::FilterError, "");
    EXPECT_EQ(errorOf(*f), "Filter 'Example' error: Error in filter '$filter$': $info$()");
}

TEST(FilterLifeCycle, PlayNeedsTheGraphStopDoesNot)
{
    Chain chain;
    ASSERT_EQ(chain.filter->Play(), Code::Success);
    chain.filter->IncrementAtomsProcessed();
    chain.filter->SetProgress(0.5f, "half");
    // The graph weighs both filters alike: (0 + 0.5) / 2.
    EXPECT_EQ(chain.graph->GetProgress(), 0.25f);
    EXPECT_EQ(chain.graph->GetProgressInfo(), "half\n");
    chain.source->SetProgressWeight(0.0f);
    chain.filter->SetProgressInfo("done\n");
    EXPECT_EQ(chain.graph->GetProgress(), 0.5f);
    EXPECT_EQ(chain.graph->GetProgressInfo(), "done\n");
    ASSERT_EQ(chain.filter->Pause(), Code::Success);
    // Play from Paused resets the counter and the progress.
    ASSERT_EQ(chain.filter->Play(), Code::Success);
    EXPECT_EQ(chain.filter->GetNumAtomsProcessed(), 0u);
    EXPECT_EQ(chain.filter->GetProgress(), 0.0f);
    EXPECT_EQ(chain.filter->GetProgressInfo(), "");

    // A filter without a graph cannot play.
    auto lonely = std::make_shared<TestSource>();
    ASSERT_EQ(lonely->PreInitialize(nullptr, nullptr), Code::Success);
    ASSERT_EQ(lonely->Initialize(nullptr), Code::Success);
    ASSERT_EQ(lonely->SetInputConnection(std::weak_ptr<Connection>()), Code::Success);
    EXPECT_EQ(lonely->Play(), Code::FilterWrongStateToPlay);
    EXPECT_EQ(errorOf(*lonely), ExampleError(Code::FilterWrongStateToPlay) + "(Missing graph reference)");
    EXPECT_EQ(lonely->GetFilterState(), State::Connected);
    lonely->Reset();

    // Destroying a graph whose filters play stops and releases them without an abort.
    ASSERT_EQ(chain.source->Play(), Code::Success);
    std::weak_ptr<Graph> gone = chain.graph;
    chain.graph.reset();
    EXPECT_TRUE(gone.expired());
    EXPECT_EQ(chain.source->GetFilterState(), State::PreInitialized);
    EXPECT_EQ(chain.filter->GetFilterState(), State::PreInitialized);
    EXPECT_EQ(chain.filter->script.calls.back(), "onDeInitialize");
}

TEST(FilterLifeCycle, StopWithAnExpiredGraph)
{
    auto graph = std::make_shared<Graph>();
    auto source = std::make_shared<TestSource>();
    ASSERT_EQ(graph->AddAndConnect(source), ActionResult::Success);
    ASSERT_EQ(source->Play(), Code::Success);
    // The filter outlives the graph's own list here: take it out without resetting it.
    auto held = source;
    graph.reset();
    EXPECT_EQ(held->GetFilterState(), State::PreInitialized);

    auto graph2 = std::make_shared<Graph>();
    auto s2 = std::make_shared<TestSource>();
    ASSERT_EQ(s2->PreInitialize(nullptr, graph2), Code::Success);
    ASSERT_EQ(s2->Initialize(nullptr), Code::Success);
    ASSERT_EQ(s2->SetInputConnection(std::weak_ptr<Connection>()), Code::Success);
    ASSERT_EQ(s2->Play(), Code::Success);
    graph2.reset(); // s2 was never added: still Playing, graph gone
    EXPECT_EQ(s2->Stop(), Code::Success);
    EXPECT_EQ(s2->GetFilterState(), State::Connected);
    s2->Reset();
}

TEST(FilterLifeCycle, PushToOutputQueue)
{
    Chain chain;
    auto& source = *chain.source;
    ASSERT_EQ(source.Play(), Code::Success);
    // A queue of one slot between source and filter.
    ASSERT_EQ(source.Reset(), Code::Success);
    ASSERT_EQ(chain.filter->Reset(), Code::Success);
    ASSERT_EQ(source.Initialize(nullptr), Code::Success);
    ASSERT_EQ(source.SetInputConnection(std::weak_ptr<Connection>()), Code::Success);
    ASSERT_EQ(chain.filter->Initialize(chain.source.get()), Code::Success);
    auto connection = std::make_shared<Connection>(chain.graph, 1);
    ASSERT_EQ(connection->Connect(chain.source, chain.filter), Code::Success);
    ASSERT_EQ(source.Play(), Code::Success);
    ASSERT_EQ(chain.filter->Play(), Code::Success);

    auto first = std::make_shared<Atom>(0u, 1u, 10u);
    EXPECT_EQ(source.pushToOutputQueue(first), Code::Success);
    EXPECT_EQ(source.GetNumAtomsProcessed(), 1u);
    EXPECT_EQ(source.GetLastProcessedFrame(), first);
    // Full: refused at once, nothing recorded.
    auto second = std::make_shared<Atom>(0u, 2u, 20u);
    EXPECT_EQ(source.pushToOutputQueue(second), Code::FilterFailedToPushAtom);
    EXPECT_EQ(errorOf(source), ExampleError(Code::FilterFailedToPushAtom));
    EXPECT_EQ(source.GetNumAtomsProcessed(), 1u);
    EXPECT_EQ(source.GetLastProcessedFrame(), first);
    EXPECT_EQ(source.pushToOutputQueue(nullptr), Code::FilterFailedToPushAtom);
    EXPECT_EQ(connection->NumPendingData(), 1);
    EXPECT_FALSE(chain.filter->IsDone()); // an atom waits on its input
    EXPECT_EQ(connection->Pull(), first);
    EXPECT_TRUE(chain.filter->IsDone());

    // The filter has no output connection: every push counts as done.
    auto& f = *chain.filter;
    EXPECT_EQ(f.pushToOutputQueue(second), Code::Success);
    EXPECT_EQ(f.GetNumAtomsProcessed(), 1u);
    EXPECT_EQ(f.GetLastProcessedFrame(), second);
    EXPECT_TRUE(f.GetLastProcessedFrames().empty());

    // With stream selection the last atom of each stream is kept.
    VornCommon::HostSettings::GetInstance()->SetEnableStreamSelection(true);
    auto s0a = std::make_shared<Atom>(0u, 5u, 0u);
    auto s1 = std::make_shared<Atom>(1u, 5u, 0u);
    auto s0b = std::make_shared<Atom>(0u, 6u, 0u);
    for (const auto& atom : {s0a, s1, s0b})
        EXPECT_EQ(f.pushToOutputQueue(atom), Code::Success);
    VornCommon::HostSettings::GetInstance()->SetEnableStreamSelection(false);
    const auto byStream = f.GetLastProcessedFrames();
    ASSERT_EQ(byStream.size(), 2u);
    EXPECT_EQ(byStream.at(0), s0b);
    EXPECT_EQ(byStream.at(1), s1);
    EXPECT_EQ(f.GetLastProcessedFrame(), s0b);
    // The filter mirrors its upstream's single stream.
    EXPECT_EQ(f.GetOutputNumStreams(), 1);
    EXPECT_EQ(f.GetNumFramesProcessed(), 4u);

    // Stop forgets the last processed atoms; a stopped filter drops what it still pushes.
    f.addToCachedAtoms(s1);
    ASSERT_EQ(f.Stop(), Code::Success);
    EXPECT_EQ(f.GetLastProcessedFrame(), nullptr);
    EXPECT_TRUE(f.GetLastProcessedFrames().empty());
    EXPECT_EQ(f.pushToOutputQueue(s0a), Code::Success);
    EXPECT_EQ(f.GetLastProcessedFrame(), nullptr);
    EXPECT_EQ(f.GetNumAtomsProcessed(), 4u);
}

TEST(FilterLifeCycle, DestructionOutsideTheEarlyStatesIsReported)
{
    CapturedLog log;
    {
        auto f = std::make_shared<TestFilter>();
        ASSERT_EQ(f->PreInitialize(nullptr, nullptr), Code::Success);
        ASSERT_EQ(f->Initialize(nullptr), Code::Success);
    }
    ASSERT_EQ(log.Entries().size(), 1u);
    EXPECT_EQ(log.Entries()[0].text, "Filter not properly deinitialized!");
    EXPECT_EQ(log.Entries()[0].level, VornCommon::LogLevel::Error);
    {
        auto f = std::make_shared<TestFilter>();
        ASSERT_EQ(f->PreInitialize(nullptr, nullptr), Code::Success);
    }
    EXPECT_EQ(log.Entries().size(), 1u);
}

TEST(FilterLifeCycle, CountsIdsAndGraphLinks)
{
    // Without an upstream filter there are no streams: no division by zero.
    auto loose = std::make_shared<TestFilter>();
    loose->IncrementAtomsProcessed();
    EXPECT_EQ(loose->GetOutputNumStreams(), 0);
    EXPECT_EQ(loose->GetNumFramesProcessed(), 0u);
    EXPECT_TRUE(loose->GetStreamIds().empty());
    EXPECT_TRUE(loose->IsDone());
    EXPECT_EQ(loose->GetInputProfile(), nullptr);

    auto a = std::make_shared<TestFilter>();
    auto b = std::make_shared<TestFilter>();
    auto c = std::make_shared<TestFilter>();
    const int first = a->GetInstanceId();
    EXPECT_EQ(b->GetInstanceId(), first + 1);
    EXPECT_EQ(c->GetInstanceId(), first + 2);
    EXPECT_EQ(a->GetInstanceId(), first);

    // A filter of one live graph is refused by another.
    CapturedLog log;
    Chain chain;
    auto other = std::make_shared<Graph>();
    EXPECT_EQ(other->AddAndConnect(chain.filter), ActionResult::Failure);
    EXPECT_EQ(other->GetLastError(false).StdString(), "Graph failed to add a filter(TODO: Unknown error)");
    EXPECT_TRUE(log.Contains("Setting a graph to filter which differs from previously set graph"));
    EXPECT_EQ(chain.graph->AddAndConnect(chain.filter), ActionResult::Failure);
    EXPECT_EQ(chain.graph->GetLastError(false).StdString(), "Graph failed to add a filter(it was already added)");

    EXPECT_EQ(Filter::FilterState::Connected, static_cast<State>(4));
}
