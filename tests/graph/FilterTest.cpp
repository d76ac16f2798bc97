// The filter base: the state machine with its wrong-state codes and texts, nested hook
// failures, the graph links, creation through the factory, connections and queues, and the
// state a host reads while a worker updates.

#include "GraphFixtures.h"

#include <VornCommon/HostSettings.h>

#include <future>

using namespace Hyx;
using FilterFixtures::ExampleError;
using FilterFixtures::TestFilter;
using FilterFixtures::TestSource;
using State = Filter::FilterState;
using Code = HyxErrorCode;
using Calls = std::vector<std::string>;

namespace {

std::string errorOf(const Filter& f)
{
    return f.GetLastError(false).StdString();
}

std::shared_ptr<Atom> frame(uint32_t nr)
{
    return std::make_shared<Atom>(0u, nr, uint64_t{nr});
}

// What a recorded atom shows: identity word, timestamp and blocks (empty for no atom).
using Content = std::tuple<uint32_t, uint64_t, std::vector<std::shared_ptr<DataBlockBlob>>>;
Content contentOf(const std::shared_ptr<Atom>& atom)
{
    return atom ? Content(atom->GetId(), atom->GetTimeStamp(), atom->GetAllDataBlocks()) : Content();
}

// A source and a filter joined in a graph (the filter Connected).
using Chain = FilterFixtures::SourceAndFilter<TestSource>;

// A filter taken through PreInitialize, Initialize and an empty input connection by hand.
template <class F>
std::shared_ptr<F> Connected(std::shared_ptr<Graph> graph)
{
    auto f = std::make_shared<F>();
    EXPECT_EQ(f->PreInitialize(nullptr, graph), Code::Success);
    EXPECT_EQ(f->Initialize(nullptr), Code::Success);
    EXPECT_EQ(f->SetInputConnection(std::weak_ptr<Connection>()), Code::Success);
    return f;
}

} // namespace

TEST(FilterLifeCycle, FullWalkWithWrongStateCodes)
{
    auto graph = std::make_shared<Graph>();
    auto source = std::make_shared<TestSource>();
    ASSERT_EQ(graph->AddAndConnect(source), ActionResult::Success);
    EXPECT_EQ(source->GetFilterState(), State::Connected);
    EXPECT_TRUE(source->IsInputConnected());
    EXPECT_EQ(source->script.calls, (Calls{"onInitializeParams", "onInitialize"}));

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
        {[&] { return f->Update(); }, Code::FilterWrongStateToUpdate}};
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

    // Play, Pause, Play (resuming runs onPlay again), Stop, each with its wrong-state twin.
    const std::tuple<std::function<Code()>, Code, State> walk[] = {
        {[&] { return f->Play(); }, Code::Success, State::Playing},
        {[&] { return f->Update(); }, Code::Success, State::Playing},
        {[&] { return f->Play(); }, Code::FilterWrongStateToPlay, State::Playing},
        {[&] { return f->Pause(); }, Code::Success, State::Paused},
        {[&] { return f->Update(); }, Code::FilterWrongStateToUpdate, State::Paused},
        {[&] { return f->Pause(); }, Code::FilterWrongStateToPause, State::Paused},
        {[&] { return f->Play(); }, Code::Success, State::Playing},
        {[&] { return f->Stop(); }, Code::Success, State::Connected},
        {[&] { return f->Stop(); }, Code::FilterWrongStateToStop, State::Connected},
        {[&] { return f->Reset(); }, Code::Success, State::PreInitialized}};
    for (const auto& [call, code, state] : walk) {
        ASSERT_EQ(call(), code);
        EXPECT_EQ(f->GetFilterState(), state);
    }
    EXPECT_FALSE(f->IsInputConnected());
    EXPECT_FALSE(source->IsOutputConnected());
    EXPECT_EQ(f->script.calls, (Calls{"onInitializeParams", "onInitialize", "onInputConnection", "onPlay", "onPause",
                                      "onPlay", "onStop", "onDeInitialize"}));
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

    // A hook that fails without reporting leaves empty brackets; GetLastError(true) clears.
    f->script.reportOwnFailure = false;
    EXPECT_EQ(f->Initialize(nullptr), Code::FailedToGenerateOutputProfile);
    EXPECT_EQ(f->GetLastError(true).StdString(), message + "()");
    EXPECT_EQ(errorOf(*f), "");

    // A failing parameter hook clears the parameters again and stays Created.
    auto g = std::make_shared<TestFilter>();
    g->makeParams = [](TestFilter& self) { self.addParam(std::make_shared<FilterParamInt32>("T", 0u, 1, 1, 8)); };
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
    auto lonely = Connected<TestSource>(nullptr);
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

    // A filter never added, still Playing when its graph goes: Stop works without it.
    auto graph2 = std::make_shared<Graph>();
    auto s2 = Connected<TestSource>(graph2);
    ASSERT_EQ(s2->Play(), Code::Success);
    graph2.reset();
    EXPECT_EQ(s2->Stop(), Code::Success);
    EXPECT_EQ(s2->GetFilterState(), State::Connected);
    s2->Reset();
}

TEST(FilterLifeCycle, PushToOutputQueue)
{
    Chain chain;
    auto& source = *chain.source;
    // A queue of one slot between source and filter.
    ASSERT_EQ(source.Reset(), Code::Success);
    ASSERT_EQ(chain.filter->Reset(), Code::Success);
    ASSERT_EQ(source.Initialize(nullptr), Code::Success);
    ASSERT_EQ(source.SetInputConnection(std::weak_ptr<Connection>()), Code::Success);
    ASSERT_EQ(chain.filter->Initialize(chain.source.get()), Code::Success);
    auto connection = std::make_shared<Connection>(chain.graph, 1);
    ASSERT_EQ(connection->Connect(chain.source, chain.filter), Code::Success);

    // Connected, never played: the push is a push like any other.
    auto first = std::make_shared<Atom>(0u, 1u, 10u);
    first->AddDataLayer(std::make_shared<DataTypeStreamInfo>());
    EXPECT_EQ(source.pushToOutputQueue(first), Code::Success);
    // What went into the queue is recorded as a copy sharing its blocks.
    const std::shared_ptr<Atom> record = source.GetLastProcessedFrame();
    EXPECT_NE(record, first);
    EXPECT_EQ(contentOf(record), contentOf(first));
    // Full: refused at once, nothing recorded.
    auto second = std::make_shared<Atom>(0u, 2u, 20u);
    EXPECT_EQ(source.pushToOutputQueue(second), Code::FilterFailedToPushAtom);
    EXPECT_EQ(errorOf(source), ExampleError(Code::FilterFailedToPushAtom));
    EXPECT_EQ(source.pushToOutputQueue(nullptr), Code::FilterFailedToPushAtom);
    EXPECT_EQ(std::tuple(source.GetNumAtomsProcessed(), source.GetLastProcessedFrame(), connection->NumPendingData()),
              std::tuple(1u, record, 1));
    EXPECT_FALSE(chain.filter->IsDone()); // an atom waits on its input
    EXPECT_EQ(connection->Pull(), first);
    EXPECT_TRUE(chain.filter->IsDone());
    // The next filter changes the atom in place: the record stays as the atom left.
    const Content left = contentOf(first);
    first->AddDataLayer(std::make_shared<DataTypeStreamInfo>());
    first->SetFrameNr(9u);
    EXPECT_EQ(contentOf(source.GetLastProcessedFrame()), left);
    // The same atom handed on again (a held frame), changed since it left: recorded as it now
    // leaves; the record the host holds stays as it was.
    EXPECT_EQ(source.pushToOutputQueue(first), Code::Success);
    const std::shared_ptr<Atom> again = source.GetLastProcessedFrame();
    EXPECT_EQ(std::tuple(again != record, contentOf(again), source.GetNumAtomsProcessed()),
              std::tuple(true, contentOf(first), 2u));
    EXPECT_EQ(contentOf(record), left);
    EXPECT_EQ(connection->Pull(), first);
    // Handed on again unchanged: it keeps that record.
    EXPECT_EQ(source.pushToOutputQueue(first), Code::Success);
    EXPECT_EQ(std::tuple(source.GetLastProcessedFrame(), source.GetNumAtomsProcessed()), std::tuple(again, 3u));
    EXPECT_EQ(connection->Pull(), first);

    // The filter has no output connection: every push counts as done.
    auto& f = *chain.filter;
    EXPECT_EQ(f.pushToOutputQueue(second), Code::Success);
    EXPECT_EQ(
        std::tuple(f.GetNumAtomsProcessed(), contentOf(f.GetLastProcessedFrame()), f.GetLastProcessedFrames().size()),
        std::tuple(1u, contentOf(second), 0u));
    // Also then a copy: an upstream filter may hand the same atom on again, to be changed by
    // the filters between.
    EXPECT_NE(f.GetLastProcessedFrame(), second);

    // With stream selection the last atom of each stream is kept.
    VornCommon::HostSettings::GetInstance()->SetEnableStreamSelection(true);
    auto s0a = std::make_shared<Atom>(0u, 5u, 0u), s1 = std::make_shared<Atom>(1u, 5u, 0u),
         s0b = std::make_shared<Atom>(0u, 6u, 0u);
    for (const auto& atom : {s0a, s1, s0b})
        EXPECT_EQ(f.pushToOutputQueue(atom), Code::Success);
    const std::map<int, std::shared_ptr<Atom>> byStream = f.GetLastProcessedFrames();
    ASSERT_EQ(byStream.size(), 2u);
    EXPECT_EQ(std::tuple(contentOf(byStream.at(0)), contentOf(byStream.at(1))),
              std::tuple(contentOf(s0b), contentOf(s1)));
    // The filter mirrors its upstream's single stream; the last atom and its stream's entry are
    // one record.
    EXPECT_EQ(std::tuple(f.GetLastProcessedFrame(), f.GetOutputNumStreams(), f.GetNumFramesProcessed()),
              std::tuple(byStream.at(0), 1, 4u));

    // Stop forgets the last processed atoms; a push after it counts and records again.
    ASSERT_EQ(f.Play(), Code::Success);
    // An atom recorded by the filter itself is copied: the filter may still hand it on.
    const Content s1Before = contentOf(s1);
    f.addToCachedAtoms(s1);
    s1->AddDataLayer(std::make_shared<DataTypeStreamInfo>());
    EXPECT_NE(f.GetLastProcessedFrame(), s1);
    EXPECT_EQ(contentOf(f.GetLastProcessedFrame()), s1Before);
    EXPECT_EQ(contentOf(f.GetLastProcessedFrames().at(1)), s1Before);
    ASSERT_EQ(f.Stop(), Code::Success);
    EXPECT_TRUE(f.GetLastProcessedFrames().empty());
    VornCommon::HostSettings::GetInstance()->SetEnableStreamSelection(false);
    EXPECT_EQ(f.GetLastProcessedFrame(), nullptr);
    EXPECT_EQ(f.pushToOutputQueue(s0a), Code::Success);
    EXPECT_EQ(std::tuple(contentOf(f.GetLastProcessedFrame()), f.GetNumAtomsProcessed()),
              std::tuple(contentOf(s0a), 1u));
}

TEST(FilterLifeCycle, RecordsAHostHoldsStayAndOthersAreRefilled)
{
    Chain chain;
    TestSource& source = *chain.source;
    const std::shared_ptr<Connection> queue = chain.filter->getInputConnection();
    // Each atom is pulled and let go, as a last filter does: a record stands alone once its
    // atom is gone.
    const auto pushed = [&source, &queue](uint32_t nr) {
        auto atom = frame(nr);
        atom->AddDataLayer(std::make_shared<DataTypeStreamInfo>());
        EXPECT_EQ(source.pushToOutputQueue(atom), Code::Success);
        EXPECT_EQ(queue->Pull(), atom);
        return atom;
    };
    pushed(1);
    const std::shared_ptr<Atom> held = source.GetLastProcessedFrame();
    const Content first = contentOf(held);
    pushed(2);
    const Atom* const second = source.GetLastProcessedFrame().get();
    pushed(3);
    const std::shared_ptr<Atom> fourth = pushed(4);
    // The record of frame 2, which nobody kept, now shows frame 4; the one the host holds still
    // shows frame 1.
    EXPECT_EQ(source.GetLastProcessedFrame().get(), second);
    EXPECT_EQ(contentOf(source.GetLastProcessedFrame()), contentOf(fourth));
    EXPECT_EQ(contentOf(held), first);
    EXPECT_EQ(held->GetFrameNr(), 1u);
}

namespace {

// How a host reads a filter's last frame: GetLastProcessedFrame, or the one entry of
// GetLastProcessedFrames (stream selection on).
struct LastFrameReader {
    const char* name;
    bool perStream;
    std::shared_ptr<Atom> (*read)(const Filter& filter);
};

const LastFrameReader kLastFrameReaders[] = {
    {"GetLastProcessedFrame", false, [](const Filter& f) { return f.GetLastProcessedFrame(); }},
    {"GetLastProcessedFrames", true,
     [](const Filter& f) {
         const std::map<int, std::shared_ptr<Atom>> frames = f.GetLastProcessedFrames();
         return frames.empty() ? std::shared_ptr<Atom>() : frames.begin()->second;
     }},
};

// Stream selection as given for the scope, off again after it.
struct StreamSelection {
    explicit StreamSelection(bool on) { VornCommon::HostSettings::GetInstance()->SetEnableStreamSelection(on); }
    ~StreamSelection() { VornCommon::HostSettings::GetInstance()->SetEnableStreamSelection(false); }
};

} // namespace

// A record a host reaches again through a weak reference is as it was read, or gone: never
// emptied or refilled with a later frame, whether the host kept only the weak reference or a
// handle beside it, for a record two filters share, and after the filters are gone.
TEST(FilterLifeCycle, ARecordReachedAgainThroughAWeakReferenceIsAsItWasOrGone)
{
    for (const LastFrameReader& reader : kLastFrameReaders) {
        SCOPED_TRACE(reader.name);
        const StreamSelection selection(reader.perStream);
        std::shared_ptr<Atom> held;
        Content kept;
        std::weak_ptr<Atom> weakHeld;
        {
            Chain chain;
            TestSource& source = *chain.source;
            TestFilter& filter = *chain.filter;
            const std::shared_ptr<Connection> queue = filter.getInputConnection();
            // The filter hands each atom on unchanged (it has no output): it shares the source's
            // record; the atom then goes.
            const auto pass = [&](uint32_t nr) {
                auto atom = frame(nr);
                atom->AddDataLayer(std::make_shared<DataTypeStreamInfo>());
                EXPECT_EQ(source.pushToOutputQueue(atom), Code::Success);
                EXPECT_EQ(queue->Pull(), atom);
                EXPECT_EQ(filter.pushToOutputQueue(atom), Code::Success);
                return contentOf(atom);
            };
            const Content first = pass(1);
            {
                // One record, a new handle of the host's own at each read.
                const std::shared_ptr<Atom> reads[] = {reader.read(source), reader.read(filter)};
                EXPECT_EQ(std::tuple(reads[0] == reads[1],
                                     reads[0].owner_before(reads[1]) || reads[1].owner_before(reads[0])),
                          std::tuple(true, true));
            }
            // Weak references alone: the handles they came from are let go at once.
            const std::weak_ptr<Atom> weak[] = {reader.read(source), reader.read(filter)};
            // Expired with the handles, though both filters keep the record.
            EXPECT_EQ(std::tuple(weak[0].expired(), weak[1].expired(), contentOf(reader.read(filter))),
                      std::tuple(true, true, first));
            // A weak reference beside a handle the host keeps.
            Content now = pass(2);
            held = reader.read(filter);
            weakHeld = held;
            kept = now;
            for (uint32_t nr = 3; nr <= 6; ++nr) {
                now = pass(nr);
                for (const std::weak_ptr<Atom>& w : weak) {
                    if (const std::shared_ptr<Atom> again = w.lock()) {
                        EXPECT_EQ(contentOf(again), first) << "after frame " << nr;
                    }
                }
                EXPECT_EQ(std::tuple(contentOf(weakHeld.lock()), contentOf(held), contentOf(reader.read(filter))),
                          std::tuple(kept, kept, now))
                    << "after frame " << nr;
            }
        }
        // The handle outlives the filters that recorded it; the weak reference expires with it.
        EXPECT_EQ(std::tuple(contentOf(held), contentOf(weakHeld.lock())), std::tuple(kept, kept));
        held.reset();
        EXPECT_TRUE(weakHeld.expired());
    }
}

namespace {

enum class Switch {
    On,
    Off,
    Frame
};

// Stream selection switched during a run: each step, then the frame number of the one entry of
// GetLastProcessedFrames (-1 for none), the same for the source and the target.
struct SelectionRow {
    const char* name;
    std::vector<std::pair<Switch, int>> steps;
};

const SelectionRow kSelectionRows[] = {
    {"OnThenOff",
     {{Switch::Frame, -1},
      {Switch::On, -1},
      {Switch::Frame, 1},
      {Switch::Frame, 2},
      {Switch::Off, -1},
      {Switch::Frame, -1}}},
    {"OffThenOn", {{Switch::Frame, -1}, {Switch::On, -1}, {Switch::Frame, 1}}},
    {"OffAndOnAgainBeforeAFrame", {{Switch::On, -1}, {Switch::Frame, 0}, {Switch::Off, -1}, {Switch::On, 0}}},
    {"OffForAFrameThenOn",
     {{Switch::On, -1},
      {Switch::Frame, 0},
      {Switch::Off, -1},
      {Switch::Frame, -1},
      {Switch::On, -1},
      {Switch::Frame, 2}}},
};

} // namespace

// GetLastProcessedFrames reads empty from the moment stream selection is off; the filter lets
// its entries go with its next frame, so switched on again it shows only the frames from then
// on, or, before a frame passed, the entries it had.
TEST(FilterLifeCycle, LastFramesByStreamFollowStreamSelectionSwitchedDuringARun)
{
    for (const SelectionRow& row : kSelectionRows) {
        SCOPED_TRACE(row.name);
        const StreamSelection selection(false);
        GraphFixtures::TestGraph chain;
        const auto source = chain.make<GraphFixtures::TestSource>(10u);
        const auto target = chain.make<GraphFixtures::TestTarget>();
        ASSERT_EQ(chain.graph->SetPlaybackMode(PlaybackMode::ForwardOnce, true), ActionResult::Success);
        ASSERT_EQ(chain.graph->Play(), ActionResult::Success) << chain.error();
        int frames = 0;
        for (const auto& [step, entry] : row.steps) {
            if (step == Switch::Frame) {
                ASSERT_TRUE(chain.update(1)) << chain.error();
                ++frames;
            } else {
                VornCommon::HostSettings::GetInstance()->SetEnableStreamSelection(step == Switch::On);
            }
            for (const Filter* filter :
                 {static_cast<const Filter*>(source.get()), static_cast<const Filter*>(target.get())}) {
                const std::map<int, std::shared_ptr<Atom>> byStream = filter->GetLastProcessedFrames();
                EXPECT_EQ(byStream.empty() ? -1 : int(byStream.at(0)->GetFrameNr()), entry)
                    << filter->GetFilterClassInfo().GetNiceClassName().StdString() << " after step " << int(step);
                EXPECT_LE(byStream.size(), 1u);
                // The last frame is kept whatever the switch says.
                EXPECT_EQ(filter->GetLastProcessedFrame() ? int(filter->GetLastProcessedFrame()->GetFrameNr()) : -1,
                          frames - 1);
            }
        }
        chain.graph->Stop();
    }
}

namespace {

using GraphFixtures::PayloadLayer;

// One way a later filter, the atom's sole holder, may treat an atom a filter recorded; `changes`
// is false for calls that leave it as it is.
struct ChangeRow {
    const char* name;
    std::function<void(Atom&)> apply;
    bool changes;
};

void PrintTo(const std::pair<ChangeRow, bool>& row, std::ostream* out)
{
    *out << row.first.name << (row.second ? "/ReadFirst" : "");
}

// Frame 7 of stream 1 at 70, holding kA (purpose A, type 1) and kB (purpose B, type 2).
const std::shared_ptr<DataLayer> kA = std::make_shared<PayloadLayer>(GraphFixtures::kPurposeA, GraphFixtures::kType1);
const std::shared_ptr<DataLayer> kB = std::make_shared<PayloadLayer>(GraphFixtures::kPurposeB, GraphFixtures::kType2);
const std::shared_ptr<DataLayer> kC = std::make_shared<PayloadLayer>(GraphFixtures::kPurposeC, GraphFixtures::kType3);

std::shared_ptr<Atom> recordedAtom()
{
    auto atom = std::make_shared<Atom>(1u, 7u, 70u);
    atom->AddDataLayer(kA);
    atom->AddDataLayer(kB);
    return atom;
}

// A profile describing both layers of the recorded atom.
std::shared_ptr<Profile> bothLayers()
{
    auto profile = std::make_shared<Profile>(GraphFixtures::kPurposeA, GraphFixtures::kType1);
    profile->Add(GraphFixtures::kPurposeB, GraphFixtures::kType2);
    return profile;
}

std::vector<ChangeRow> changeRows()
{
    const auto any = [](std::shared_ptr<const DataLayer>) { return true; };
    const auto none = [](std::shared_ptr<const DataLayer>) { return false; };
    return {
        {"SetId", [](Atom& a) { a.SetId(AtomId::Create(1, 2, 3)); }, true},
        {"SetStreamId", [](Atom& a) { a.SetStreamId(2); }, true},
        {"SetFrameNr", [](Atom& a) { a.SetFrameNr(8); }, true},
        {"SetTimeStamp", [](Atom& a) { a.SetTimeStamp(71); }, true},
        {"AddDataLayer", [](Atom& a) { a.AddDataLayer(kC); }, true},
        {"AddDataLayerInFront", [](Atom& a) { a.AddDataLayer(kC, true); }, true},
        {"AddDataBlock", [](Atom& a) { a.AddDataBlock(std::make_shared<DataBlockBlob>(DataType::Blob, kC)); }, true},
        {"RemoveDataLayer", [](Atom& a) { a.RemoveDataLayer(kA); }, true},
        {"RemoveDataLayersOfType", [](Atom& a) { a.RemoveDataLayers(GraphFixtures::kType2); }, true},
        {"RemoveDataLayersOfPurposeAndType",
         [](Atom& a) { a.RemoveDataLayers(GraphFixtures::kPurposeA, GraphFixtures::kType1); }, true},
        {"RemoveDataLayersThatMatch", [any](Atom& a) { a.RemoveDataLayers(GraphFixtures::kType1, any); }, true},
        {"RemoveAllDataLayers", [](Atom& a) { a.RemoveAllDataLayers(); }, true},
        {"RemoveBlocksOfKind", [](Atom& a) { a.Remove(DataType::Blob); }, true},
        {"AssignedAnotherAtom",
         [](Atom& a) {
             Atom other(2u, 9u, 90u);
             other.AddDataLayer(kC);
             a = other;
         },
         true},
        {"CopiedInto",
         [](Atom& a) {
             Atom other(2u, 9u, 90u);
             other.AddDataLayer(kC);
             Profile profile;
             profile.Add(GraphFixtures::kPurposeC, GraphFixtures::kType3);
             Atom::CopyInto(a, other, profile, -1);
         },
         true},
        {"CopiedIntoItselfKeepingOneLayer",
         [](Atom& a) {
             Profile profile;
             profile.Add(GraphFixtures::kPurposeA, GraphFixtures::kType1);
             Atom::CopyInto(a, a, profile, -1);
         },
         true},
        {"CopiedIntoItselfAsAnotherFrame", [](Atom& a) { Atom::CopyInto(a, a, *bothLayers(), 8); }, true},
        {"CopiedIntoItselfWhole", [](Atom& a) { Atom::CopyInto(a, a, *bothLayers(), -1); }, false},
        {"CopiedIntoItselfAsItsOwnFrame", [](Atom& a) { Atom::CopyInto(a, a, *bothLayers(), 7); }, false},
        {"Read", [](Atom& a) { EXPECT_EQ(a.GetAllDataLayers().size(), 2u); }, false},
        {"SetIdToItsOwn", [](Atom& a) { a.SetId(a.GetId()); }, false},
        {"SetFrameNrToItsOwn", [](Atom& a) { a.SetFrameNr(7); }, false},
        {"SetTimeStampToItsOwn", [](Atom& a) { a.SetTimeStamp(70); }, false},
        {"AddNoLayer", [](Atom& a) { a.AddDataLayer(nullptr); }, false},
        {"AddNoBlock", [](Atom& a) { a.AddDataBlock(nullptr); }, false},
        {"RemoveALayerItLacks", [](Atom& a) { a.RemoveDataLayer(kC); }, false},
        {"RemoveDataLayersOfAnAbsentType", [](Atom& a) { a.RemoveDataLayers(GraphFixtures::kType3); }, false},
        {"RemoveDataLayersNoneMatches", [none](Atom& a) { a.RemoveDataLayers(GraphFixtures::kType1, none); }, false},
        {"RemoveBlocksOfAnAbsentKind", [](Atom& a) { a.Remove(DataType::CompressedBlob); }, false},
    };
}

std::vector<std::pair<ChangeRow, bool>> changeCases()
{
    std::vector<std::pair<ChangeRow, bool>> cases;
    for (const ChangeRow& row : changeRows())
        for (const bool readFirst : {false, true})
            cases.emplace_back(row, readFirst);
    return cases;
}

// The first element: the change; the second: whether a host read the record before it.
class RecordedAtomChanges : public ::testing::TestWithParam<std::pair<ChangeRow, bool>> {};

} // namespace

// The source records an atom; the next filter, its sole holder, treats it as the row says and
// records it in turn; then the atom's last holder lets it go. The source's record shows the atom
// as it left the source, the filter's as it left the filter, also after the atom is gone; the
// two are one record exactly when the atom was left as it was.
TEST_P(RecordedAtomChanges, RecordsShowTheAtomAsItLeftEachFilter)
{
    const auto& [row, readFirst] = GetParam();
    Chain chain;
    TestSource& source = *chain.source;
    TestFilter& filter = *chain.filter;
    const std::shared_ptr<Connection> queue = filter.getInputConnection();
    std::shared_ptr<Atom> atom = recordedAtom();
    const Content left = contentOf(atom);
    ASSERT_EQ(source.pushToOutputQueue(atom), Code::Success);
    ASSERT_EQ(queue->Pull(), atom);
    const std::shared_ptr<Atom> read = readFirst ? source.GetLastProcessedFrame() : nullptr;
    row.apply(*atom);
    const Content changed = contentOf(atom);
    EXPECT_EQ(changed != left, row.changes);
    ASSERT_EQ(filter.pushToOutputQueue(atom), Code::Success); // no output: counted and recorded
    atom.reset();
    const std::shared_ptr<Atom> fromSource = source.GetLastProcessedFrame();
    const std::shared_ptr<Atom> fromFilter = filter.GetLastProcessedFrame();
    EXPECT_EQ(contentOf(fromSource), left);
    EXPECT_EQ(contentOf(fromFilter), changed);
    EXPECT_EQ(fromSource == fromFilter, !row.changes);
    if (read) {
        EXPECT_EQ(read, fromSource);
    }
}

INSTANTIATE_TEST_SUITE_P(EveryChange, RecordedAtomChanges, ::testing::ValuesIn(changeCases()),
                         [](const ::testing::TestParamInfo<std::pair<ChangeRow, bool>>& info) {
                             return std::string(info.param.first.name) + (info.param.second ? "_ReadFirst" : "");
                         });

// Copies of a recorded atom start without a record: their own records are their own, and the
// original's record is not filled by their changes.
TEST(FilterLifeCycle, CopiesOfARecordedAtomAreRecordedApart)
{
    Chain chain;
    TestSource& source = *chain.source;
    TestFilter& filter = *chain.filter;
    const std::shared_ptr<Connection> queue = filter.getInputConnection();
    const std::shared_ptr<Atom> atom = recordedAtom();
    const Content left = contentOf(atom);
    ASSERT_EQ(source.pushToOutputQueue(atom), Code::Success);
    ASSERT_EQ(queue->Pull(), atom);
    const std::shared_ptr<Atom> copies[] = {std::make_shared<Atom>(*atom), Atom::Copy(atom, -1, true)};
    for (const std::shared_ptr<Atom>& copy : copies) {
        ASSERT_EQ(filter.pushToOutputQueue(copy), Code::Success);
        EXPECT_NE(filter.GetLastProcessedFrame(), source.GetLastProcessedFrame());
        EXPECT_EQ(contentOf(filter.GetLastProcessedFrame()), contentOf(copy));
        copy->AddDataLayer(kC);
    }
    // The original still stands as it left, and its record with it.
    ASSERT_EQ(filter.pushToOutputQueue(atom), Code::Success);
    EXPECT_EQ(filter.GetLastProcessedFrame(), source.GetLastProcessedFrame());
    EXPECT_EQ(contentOf(source.GetLastProcessedFrame()), left);
}

namespace {

// Swaps its own layer into every atom it is handed.
class Swapping : public GraphFixtures::TestTransform {
protected:
    HyxErrorCode onProcessFrame(std::shared_ptr<Atom> atom) override
    {
        atom->RemoveDataLayers(GraphFixtures::kTransformGuid, GraphFixtures::kMadeType);
        atom->AddDataLayer(std::make_shared<PayloadLayer>(GraphFixtures::kTransformGuid, GraphFixtures::kMadeType,
                                                          atom->GetFrameNr()));
        return HyxErrorCode::Success;
    }
};

} // namespace

// Along a chain, a filter that hands an atom on unchanged shares the record of the filter before
// it; a filter that changes the atom starts a record of its own, and the one before keeps showing
// the atom as it left.
TEST(FilterLifeCycle, FiltersHandingAnAtomOnUnchangedShareOneRecord)
{
    GraphFixtures::TestGraph g;
    auto source = g.make<GraphFixtures::TestSource>(3u);
    auto handing = g.make<GraphFixtures::TestTransform>(
        GraphFixtures::MakeProfile({{VornCommon::Guid(), GraphFixtures::kType1}}),
        GraphFixtures::MakeProfile({{GraphFixtures::kPurposeB, GraphFixtures::kType2}}));
    auto swapping = g.make<Swapping>();
    auto target = g.make<GraphFixtures::TestTarget>();
    ASSERT_EQ(g.graph->Play(PlaybackMode::ForwardOnce), ActionResult::Success);
    ASSERT_TRUE(g.update(1));
    ASSERT_EQ(target->frames(), GraphFixtures::Frames{0u});
    const std::shared_ptr<Atom> records[] = {source->GetLastProcessedFrame(), handing->GetLastProcessedFrame(),
                                             swapping->GetLastProcessedFrame(), target->GetLastProcessedFrame()};
    EXPECT_EQ(std::tuple(records[0] == records[1], records[1] == records[2], records[2] == records[3]),
              std::tuple(true, false, true));
    EXPECT_EQ(std::tuple(records[1]->GetAllDataLayers().size(), records[3]->GetAllDataLayers().size()),
              std::tuple(1u, 2u));
    g.graph->Stop();
}

TEST(FilterLifeCycle, PushFromOnPlayReachesTheQueue)
{
    // A source that hands a first atom on as it starts, before it is playing.
    class EagerSource : public TestSource {
    public:
        std::shared_ptr<Atom> first = std::make_shared<Atom>(0u, 0u, 0u);
        Code pushed = Code::FilterError;

    protected:
        Code onPlay() override
        {
            pushed = pushToOutputQueue(first);
            return TestSource::onPlay();
        }
    };
    auto graph = std::make_shared<Graph>();
    auto source = std::make_shared<EagerSource>();
    auto filter = std::make_shared<TestFilter>();
    ASSERT_EQ(graph->AddAndConnect(source), ActionResult::Success);
    ASSERT_EQ(graph->AddAndConnect(filter), ActionResult::Success);
    ASSERT_EQ(source->Play(), Code::Success);
    EXPECT_EQ(source->pushed, Code::Success);
    EXPECT_EQ(std::tuple(source->GetNumAtomsProcessed(), contentOf(source->GetLastProcessedFrame())),
              std::tuple(1u, contentOf(source->first))); // the count restarts before the hook
    const auto queue = filter->getInputConnection();
    ASSERT_EQ(queue->NumPendingData(), 1);
    EXPECT_EQ(queue->Pull(), source->first);
    ASSERT_EQ(source->Stop(), Code::Success);
}

TEST(FilterLifeCycle, DestructionOutsideTheEarlyStatesIsReported)
{
    CapturedLog log;
    for (const bool initialise : {true, false}) {
        auto f = std::make_shared<TestFilter>();
        ASSERT_EQ(f->PreInitialize(nullptr, nullptr), Code::Success);
        ASSERT_EQ(initialise ? f->Initialize(nullptr) : Code::Success, Code::Success);
    }
    ASSERT_EQ(log.Entries().size(), 1u);
    EXPECT_EQ(log.Count(VornCommon::LogLevel::Error, "Filter not properly deinitialized!"), 1);
}

TEST(FilterLifeCycle, CountsIdsAndGraphLinks)
{
    // Without an upstream filter there are no streams: no division by zero.
    auto loose = std::make_shared<TestFilter>();
    loose->IncrementAtomsProcessed();
    EXPECT_EQ(std::tuple(loose->GetOutputNumStreams(), loose->GetNumFramesProcessed(), loose->GetStreamIds().size(),
                         loose->IsDone(), loose->GetInputProfile()),
              std::tuple(0, 0u, 0u, true, nullptr));
    EXPECT_EQ(std::make_shared<TestFilter>()->GetInstanceId(), loose->GetInstanceId() + 1);

    // A filter of one live graph is refused by another.
    CapturedLog log;
    Chain chain;
    auto other = std::make_shared<Graph>();
    EXPECT_EQ(other->AddAndConnect(chain.filter), ActionResult::Failure);
    EXPECT_EQ(other->GetLastError(false).StdString(), "Graph failed to add a filter(it belongs to another graph)");
    EXPECT_TRUE(log.Contains("Setting a graph to filter which differs from previously set graph"));
    EXPECT_EQ(chain.graph->AddAndConnect(chain.filter), ActionResult::Failure);
    EXPECT_EQ(chain.graph->GetLastError(false).StdString(), "Graph failed to add a filter(it was already added)");
    EXPECT_EQ(Filter::FilterState::Connected, static_cast<State>(4));
}

namespace {

/// How a filter comes to be refused by a second graph, or let go after a refusal.
enum class Refused {
    MadeForAnother, // pre-initialised with a live first graph, never added to it
    RemovedFromAnother, // added to a live first graph, then removed from it
    AnotherGone, // its first graph is gone: nothing refuses it
};

} // namespace

TEST(FilterLifeCycle, AFilterJoinsAnotherGraphOnceItsFirstIsGoneOrItIsMadeAgain)
{
    // A filter belongs to the first graph it joined until that graph is gone or the filter is
    // de-pre-initialised; the refused add initialised it, so DeInitialize comes first.
    const std::pair<const char*, Refused> rows[] = {
        {"made for a live graph", Refused::MadeForAnother},
        {"removed from a live graph", Refused::RemovedFromAnother},
        {"its first graph gone", Refused::AnotherGone},
    };
    for (const auto& [name, how] : rows) {
        SCOPED_TRACE(name);
        auto first = std::make_shared<Graph>();
        auto second = std::make_shared<Graph>();
        ASSERT_EQ(second->AddAndConnect(std::make_shared<TestSource>()), ActionResult::Success);
        auto moved = std::make_shared<TestFilter>();
        if (how == Refused::MadeForAnother) {
            ASSERT_EQ(moved->PreInitialize(nullptr, first), Code::Success);
        } else {
            ASSERT_EQ(first->AddAndConnect(std::make_shared<TestSource>()), ActionResult::Success);
            ASSERT_EQ(first->AddAndConnect(moved), ActionResult::Success);
            ASSERT_EQ(first->RemoveAllFilters(), ActionResult::Success);
            EXPECT_EQ(moved->GetFilterState(), State::PreInitialized);
            if (how == Refused::AnotherGone)
                first.reset();
        }
        if (how != Refused::AnotherGone) {
            CapturedLog log;
            EXPECT_EQ(second->AddAndConnect(moved), ActionResult::Failure);
            EXPECT_EQ(second->GetLastError(false).StdString(),
                      "Graph failed to add a filter(it belongs to another graph)");
            EXPECT_EQ(moved->GetFilterState(), State::Initialized); // the refused add initialised it
            EXPECT_EQ(moved->DePreInitialize(), Code::FilterWrongStateToDepreinitialize);
            ASSERT_EQ(moved->DeInitialize(), Code::Success);
            ASSERT_EQ(moved->DePreInitialize(), Code::Success);
        }
        ASSERT_EQ(second->AddAndConnect(moved), ActionResult::Success) << second->GetLastError(false).StdString();
        EXPECT_EQ(moved->GetGraph(), second);
        EXPECT_EQ(moved->GetFilterState(), State::Connected);
    }
}

TEST(FilterLifeCycle, AFilterARefusedAddInitialisedIsDeinitialisedBeforeItIsLetGo)
{
    // A playing graph refuses the filter after initialising it: let go as it is, it logs;
    // deinitialised first, it does not.
    for (const bool deinitialise : {false, true}) {
        SCOPED_TRACE(deinitialise ? "DeInitialize first" : "let go as it is");
        GraphFixtures::TestGraph chain;
        chain.make<GraphFixtures::TestSource>(3);
        ASSERT_EQ(chain.graph->Play(PlaybackMode::ForwardLoop), ActionResult::Success);
        CapturedLog log;
        {
            auto refused = std::make_shared<GraphFixtures::TestTarget>();
            EXPECT_EQ(chain.graph->AddAndConnect(refused), ActionResult::Failure);
            EXPECT_EQ(chain.error(), "Graph failed to add a filter(graph must be stopped first)");
            EXPECT_EQ(refused->GetFilterState(), State::Initialized);
            if (deinitialise) {
                EXPECT_EQ(refused->DeInitialize(), Code::Success);
            }
        }
        EXPECT_EQ(log.Count(VornCommon::LogLevel::Error, "Filter not properly deinitialized!"), deinitialise ? 0 : 1);
        EXPECT_EQ(chain.graph->Stop(), ActionResult::Success);
    }
}

namespace {

const VornCommon::Guid kMadeGuid = VornCommon::Guid::FromHexString("0C2B9D1E-5A47-4F63-9E0B-7B1D6A0C4E21");
const VornCommon::Guid kFailingGuid = VornCommon::Guid::FromHexString("0C2B9D1E-5A47-4F63-9E0B-7B1D6A0C4E22");

class MadeFilter : public TestFilter {
public:
    static Filter* Create() { return new MadeFilter(); }
    static Filter* CreateFailing()
    {
        auto* f = new MadeFilter();
        f->script.initializeParams = Code::FilterFailedToPreinitialize;
        return f;
    }
    void Instantiate() override { script.calls.emplace_back("Instantiate"); }
    Filter* upstreamSeen = nullptr;

protected:
    HyxErrorCode onInitializeParams(Filter* upstream) override
    {
        upstreamSeen = upstream;
        // The filter is already owned here: it can hand out references to itself.
        EXPECT_NE(weak_from_this().lock(), nullptr);
        return TestFilter::onInitializeParams(upstream);
    }
};

void registerMadeClasses()
{
    FilterFactory::RegisterFilterClass(
        kMadeGuid, FilterClassInfo(VornCommon::String("Example"), FilterCategory::Transform), &MadeFilter::Create);
    FilterFactory::RegisterFilterClass(kFailingGuid,
                                       FilterClassInfo(VornCommon::String("ExampleFailing"), FilterCategory::Transform),
                                       &MadeFilter::CreateFailing);
}

} // namespace

TEST(FilterCreation, ThroughTheFactory)
{
    registerMadeClasses();
    auto graph = std::make_shared<Graph>();
    auto upstream = std::make_shared<TestSource>();
    SharedFilterPtr made = FilterFactory::CreateFilter(kMadeGuid, SharedFilterPtr(upstream), SharedGraphPtr(graph));
    auto* filter = dynamic_cast<MadeFilter*>(made.Get());
    ASSERT_NE(filter, nullptr);
    EXPECT_EQ(filter->GetFilterState(), State::PreInitialized);
    EXPECT_EQ(filter->GetGraph(), graph);
    EXPECT_EQ(filter->upstreamSeen, upstream.get());
    EXPECT_EQ(filter->script.calls, (Calls{"Instantiate", "onInitializeParams"}));

    // A failing pre-initialisation still returns the filter, Created, with its text.
    SharedFilterPtr failed = FilterFactory::CreateFilter(kFailingGuid, SharedFilterPtr(), SharedGraphPtr());
    ASSERT_TRUE(failed);
    EXPECT_EQ(failed->GetFilterState(), State::Created);
    EXPECT_EQ(failed->GetLastError(false).StdString(), ExampleError(Code::FilterFailedToPreinitialize) + "()");

    CapturedLog log;
    const auto unknown = VornCommon::Guid::FromHexString("0C2B9D1E-5A47-4F63-9E0B-7B1D6A0C4E2F");
    EXPECT_FALSE(FilterFactory::CreateFilter(unknown, SharedFilterPtr(), SharedGraphPtr()));
    ASSERT_EQ(log.Entries().size(), 1u);
    EXPECT_EQ(log.Count(VornCommon::LogLevel::Error, "Failed to create a filter with guid "
                                                     "'0C2B9D1E-5A47-4F63-9E0B-7B1D6A0C4E2F', "
                                                     "no such filter class registered"),
              1);
}

// A filter made with its constructor has its Instantiate run once, before its parameters are
// made, on every path into a graph: added directly, attached to a graph description, or
// pre-initialised by its host first. One made by the factory (directly or through an
// asynchronous graph) is never instantiated again, also when its pre-initialisation failed
// and is retried.
TEST(FilterCreation, AddAndConnectInstantiatesOnlyWhatTheFactoryDidNot)
{
    registerMadeClasses();
    enum class Made {
        Constructor,
        Factory,
        AsyncGraph
    };
    enum class Path {
        Add, // Graph::AddAndConnect
        Attached, // VisualFilter::SetHyxFilter, then the description instantiated into a graph
        ByHand, // the host pre-initialises it, then adds it
    };
    struct Case {
        const char* name;
        Made made;
        Path path;
        bool firstPreInitFails;
        int preInitialisations; // onInitializeParams calls before the successful add
    };
    const Case cases[] = {
        // Instantiated by the add's pre-initialisation.
        {"constructor", Made::Constructor, Path::Add, false, 1},
        // Instantiated and pre-initialised at creation.
        {"factory", Made::Factory, Path::Add, false, 1},
        {"async graph", Made::AsyncGraph, Path::Add, false, 1},
        // The retry does not instantiate.
        {"constructor, refused once", Made::Constructor, Path::Add, true, 2},
        // Created after the factory, not instantiated again.
        {"factory, refused twice", Made::Factory, Path::Add, true, 3},
        // Instantiated by the description's pre-initialisation, which the add then takes as it is.
        {"constructor, attached", Made::Constructor, Path::Attached, false, 1},
        // Refused by the description and by the add, then both retried.
        {"constructor, attached, refused once", Made::Constructor, Path::Attached, true, 3},
        // The description's pre-initialisation is refused: already done by the factory.
        {"factory, attached", Made::Factory, Path::Attached, false, 1},
        // Instantiated by the host's own PreInitialize.
        {"constructor, by hand", Made::Constructor, Path::ByHand, false, 1},
    };
    const VornCommon::Guid sourceGuid = VornCommon::Guid::FromHexString("0C2B9D1E-5A47-4F63-9E0B-7B1D6A0C4E23");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::shared_ptr<Graph> graph =
            c.made == Made::AsyncGraph ? std::make_shared<AsyncGraph>() : std::make_shared<Graph>();
        const auto source = std::make_shared<TestSource>();
        if (c.path != Path::Attached) {
            ASSERT_EQ(graph->AddAndConnect(source), ActionResult::Success);
        }
        std::shared_ptr<Filter> filter;
        const VornCommon::Guid type = c.firstPreInitFails ? kFailingGuid : kMadeGuid;
        switch (c.made) {
        case Made::Constructor:
            filter = c.firstPreInitFails ? std::shared_ptr<Filter>(MadeFilter::CreateFailing())
                                         : std::make_shared<MadeFilter>();
            break;
        case Made::Factory:
            filter = FilterFactory::CreateFilter(type, SharedFilterPtr(source), SharedGraphPtr(graph)).ToStdSharedPtr();
            break;
        case Made::AsyncGraph:
            filter = AsyncGraph::CreateFilter(type, std::static_pointer_cast<AsyncGraph>(graph));
            break;
        }
        auto* made = dynamic_cast<MadeFilter*>(filter.get());
        ASSERT_NE(made, nullptr);
        EXPECT_EQ(filter->IsInstantiated(), c.made != Made::Constructor);

        // The source and the filter, each attached to its description.
        VisualGraph description;
        description.AddVisualFilter(sourceGuid, false, false)->SetHyxFilter(source);
        description.AddVisualFilter(type, false, false)->SetHyxFilter(filter);
        // Adds the filter by the row's path; true on success.
        const auto add = [&]() {
            switch (c.path) {
            case Path::Attached:
                graph = description.InstantiateSimpleHyxGraph();
                return graph != nullptr && graph->GetNumFilters() == 2 && graph->GetFilter(1u) == filter;
            case Path::ByHand:
                EXPECT_EQ(filter->PreInitialize(graph->GetLastFilter().get(), graph), Code::Success)
                    << errorOf(*filter);
                break;
            case Path::Add: break;
            }
            return graph->AddAndConnect(filter) == ActionResult::Success;
        };
        if (c.firstPreInitFails) {
            EXPECT_FALSE(add());
            EXPECT_EQ(filter->GetFilterState(), State::Created);
            made->script.initializeParams = Code::Success;
        }
        ASSERT_TRUE(add()) << (graph ? graph->GetLastError(false).StdString() : "no graph");
        Calls expected = {"Instantiate"};
        expected.insert(expected.end(), size_t(c.preInitialisations), "onInitializeParams");
        expected.insert(expected.end(), {"onInitialize", "onInputConnection"});
        EXPECT_EQ(made->script.calls, expected);
        EXPECT_TRUE(filter->IsInstantiated());

        // Taken down to Created and added again by the same path: still instantiated once.
        ASSERT_EQ(graph->RemoveAllFilters(), ActionResult::Success);
        ASSERT_EQ(filter->DePreInitialize(), Code::Success);
        if (c.path != Path::Attached) {
            ASSERT_EQ(graph->AddAndConnect(source), ActionResult::Success);
        }
        ASSERT_TRUE(add());
        EXPECT_EQ(std::count(made->script.calls.begin(), made->script.calls.end(), "Instantiate"), 1);
        ASSERT_EQ(graph->RemoveAllFilters(), ActionResult::Success);
    }
}

TEST(Connection, JoinAndPart)
{
    auto graph = std::make_shared<Graph>();
    auto source = std::make_shared<TestSource>();
    auto filter = std::make_shared<TestFilter>();
    ASSERT_EQ(graph->AddAndConnect(source), ActionResult::Success);
    ASSERT_EQ(filter->PreInitialize(source.get(), graph), Code::Success);

    // The output filter refuses (not initialised): its code comes back.
    auto refused = std::make_shared<Connection>(graph, 4);
    EXPECT_EQ(refused->Connect(source, filter), Code::FilterWrongStateToConnectInput);
    EXPECT_EQ(refused->GetInputFilter(), source);
    EXPECT_EQ(refused->GetOutputFilter(), filter);
    EXPECT_EQ(filter->GetFilterState(), State::PreInitialized);

    // The input filter refuses: the output filter is not touched.
    ASSERT_EQ(filter->Initialize(source.get()), Code::Success);
    auto backwards = std::make_shared<Connection>(graph, 4);
    EXPECT_EQ(backwards->Connect(filter, source), Code::FilterWrongStateToConnectOutput);
    EXPECT_EQ(backwards->GetOutputFilter(), nullptr);
    EXPECT_EQ(source->GetFilterState(), State::Connected);
    EXPECT_EQ(backwards->Connect(nullptr, filter), Code::UnknownError);

    auto connection = std::make_shared<Connection>(graph, 4);
    ASSERT_EQ(connection->Connect(source, filter), Code::Success);
    EXPECT_EQ(filter->GetFilterState(), State::Connected);
    EXPECT_EQ(connection->GetNumSlots(), 4);
    EXPECT_TRUE(connection->PushToQueue(frame(1)));
    EXPECT_TRUE(connection->HasPendingData());
    EXPECT_EQ(connection->NumEmptySlots(), 3);
    connection->Flush();
    EXPECT_EQ(connection->Pull(), nullptr);

    // The filter was never added to the graph: the graph refuses to undo the join.
    EXPECT_FALSE(connection->Disconnect());
    EXPECT_EQ(graph->GetLastError(false).StdString(), "Graph failed to disconnect a filter(it was not added)");

    // With the graph gone there is nothing to undo.
    std::weak_ptr<Filter> weakFilter = filter;
    auto held = std::make_shared<Connection>(graph, 1);
    graph.reset();
    EXPECT_TRUE(held->Disconnect());
    filter->Reset();
    source->Reset();
    filter.reset();
    EXPECT_TRUE(weakFilter.expired());
    EXPECT_EQ(connection->GetOutputFilter(), nullptr);
}

TEST(QueueConcurrency, PullWaitsForAPushAndAFlush)
{
    Queue q(2);
    std::atomic<bool> pushed{false};
    auto puller = std::async(std::launch::async, [&] {
        auto atom = q.Pull();
        return pushed.load() && atom && atom->GetFrameNr() == 7;
    });
    // The puller cannot finish before the push.
    EXPECT_EQ(puller.wait_for(std::chrono::milliseconds(20)), std::future_status::timeout);
    pushed.store(true);
    ASSERT_TRUE(q.Push(frame(7)));
    ASSERT_EQ(puller.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_TRUE(puller.get());

    auto consumer = std::async(std::launch::async, [&] { return q.Pull(); });
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    q.Flush(); // the waiting consumer takes the empty atom pointer
    ASSERT_EQ(consumer.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_EQ(consumer.get(), nullptr);
    EXPECT_EQ(q.NumPendingData(), 0);
}

TEST(QueueConcurrency, ProducerToConsumerInOrder)
{
    // The graph's connection size, 100,000 atoms from one thread to another.
    auto connection = std::make_shared<Connection>(std::make_shared<Graph>(), 1000);
    constexpr uint32_t kAtoms = 100000;
    std::vector<std::shared_ptr<Atom>> atoms;
    for (uint32_t i = 0; i < kAtoms; ++i)
        atoms.push_back(std::make_shared<Atom>(i, uint64_t{i}));
    std::thread producer([&] {
        for (uint32_t i = 0; i < kAtoms;)
            i += connection->PushToQueue(atoms[i]) ? 1 : (std::this_thread::yield(), 0); // full: refused at once
    });
    uint32_t inOrder = 0;
    for (uint32_t i = 0; i < kAtoms; ++i)
        inOrder += connection->Pull() == atoms[i];
    producer.join();
    EXPECT_EQ(inOrder, kAtoms);
    EXPECT_FALSE(connection->HasPendingData());
}

TEST(QueueConcurrency, PushesNeverBlockWithSeveralProducers)
{
    Queue q(8);
    std::atomic<int> accepted{0};
    std::vector<std::thread> producers;
    for (int p = 0; p < 4; ++p)
        producers.emplace_back([&] {
            for (int i = 0; i < 2000; ++i)
                accepted += q.Push(frame(1));
        });
    // Nobody pulls: every producer finishes, having filled exactly the slots.
    for (auto& t : producers)
        t.join();
    EXPECT_EQ(accepted.load(), 8);
    EXPECT_EQ(q.NumPendingData(), 8);
}

namespace {

constexpr int kRounds = 2000;

class CountingListener : public IFilterParameterValueChanged {
public:
    void cbiFilterParameterValueChanged(std::shared_ptr<Filter>, const char*, const char*) override { ++calls; }
    std::atomic<int> calls{0};
};

// Blocks inside its first notification until released.
class BlockingListener : public FilterParam::Events {
public:
    void onValueChanged(std::shared_ptr<FilterParam>, std::string) override
    {
        std::unique_lock<std::mutex> lock(_mutex);
        _entered = true;
        _changed.notify_all();
        _changed.wait(lock, [this] { return _released; });
        _finished = true;
    }
    void WaitEntered()
    {
        std::unique_lock<std::mutex> lock(_mutex);
        _changed.wait(lock, [this] { return _entered; });
    }
    void Release()
    {
        FilterFixtures::Locked(_mutex, [&] { _released = true; });
        _changed.notify_all();
    }
    bool Finished()
    {
        return FilterFixtures::Locked(_mutex, [&] { return _finished; });
    }

private:
    std::mutex _mutex;
    std::condition_variable _changed;
    bool _entered = false, _released = false, _finished = false;
};

} // namespace

TEST(FilterThreads, HostReadsWhileTheWorkerUpdates)
{
    auto graph = std::make_shared<Graph>();
    auto source = std::make_shared<TestSource>();
    auto target = std::make_shared<TestFilter>();
    target->makeParams = [](TestFilter& self) {
        self.addParam(std::make_shared<FilterParamInt32>("Threads count", 0u, 1, 1, 64));
        self.addParam(std::make_shared<FilterParamVector3>("Scale", 0u, 1.0f, 1.0f, 1.0f));
        self.addParam(std::make_shared<FilterParamString>("Name", 0u, "a"));
    };
    ASSERT_EQ(graph->AddAndConnect(source), ActionResult::Success);
    ASSERT_EQ(graph->AddAndConnect(target), ActionResult::Success);
    ASSERT_EQ(source->Play(), Code::Success);
    ASSERT_EQ(target->Play(), Code::Success);

    std::atomic<bool> done{false};
    std::thread worker([&] {
        for (int i = 0; i < kRounds; ++i) {
            source->pushToOutputQueue(std::make_shared<Atom>(0u, static_cast<uint32_t>(i), uint64_t{0}));
            (void)target->getInputConnection()->Pull();
            target->Update();
            source->SetProgress(static_cast<float>(i) / kRounds, "working");
            if (i % 100 == 0)
                target->ReportError(Code::FilterFailedToPushAtom, "round");
            (void)target->getParameterValue("Scale"); // read while the host sets it
        }
        done.store(true);
    });

    CountingListener listener;
    for (int reads = 1; !done.load() || reads < 10; ++reads) {
        (void)source->GetLastError(false), (void)target->GetLastError(reads % 7 == 0), (void)source->GetProgress();
        (void)source->GetProgressInfo(), (void)graph->GetProgress(), (void)source->GetLastProcessedFrame();
        (void)source->GetNumFramesProcessed(), (void)source->GetFilterState();
        target->AddParameterValueChangedListener(&listener);
        target->setParameterValue("Scale", reads % 2 ? "1/2/3" : "3/2/1");
        target->setParameterValue("Name", reads % 2 ? "x" : "y");
        target->RemoveParameterValueChangedListener(&listener);
        (void)target->getParameters();
    }
    worker.join();
    EXPECT_EQ(source->GetNumAtomsProcessed(), static_cast<unsigned>(kRounds));
    EXPECT_GT(listener.calls.load(), 0);
    EXPECT_EQ(source->Stop(), Code::Success);
    EXPECT_EQ(target->Stop(), Code::Success);
}

TEST(FilterThreads, ParameterValuesAndTexts)
{
    auto vec = std::make_shared<FilterParamVector4>("v", 0u, 0.0f, 0.0f, 0.0f, 0.0f);
    auto text = std::make_shared<FilterParamString>("s", 0u, "");
    auto number = std::make_shared<FilterParamFloat>("f", 0u, 0.0f, 0.0f, 1.0f);
    FilterFixtures::EventRecorder events;
    vec->_events.Add(&events);
    std::atomic<bool> done{false};
    std::thread writer([&] {
        for (int i = 0; i < kRounds; ++i) {
            const float x = static_cast<float>(i);
            vec->SetValue(x, x, x, x);
            text->SetValueAsString(i % 2 ? "odd" : "even");
            number->SetValue(x);
        }
        done.store(true);
    });
    while (!done.load()) {
        const auto v = vec->GetValue();
        if (v[0] != v[1] || v[1] != v[2] || v[2] != v[3])
            ADD_FAILURE() << "torn vector read";
        (void)vec->GetValueAsString(), (void)vec->ToString(), (void)text->GetValue(), (void)text->GetValueAsString();
        (void)number->GetValue();
    }
    writer.join();
    vec->_events.Remove(&events);
    EXPECT_EQ(events.Count(), static_cast<size_t>(kRounds - 1)); // the first value equals the default
    EXPECT_EQ(vec->GetValueAsString(), "1999/1999/1999/1999");
}

TEST(FilterThreads, RemovingAListenerWaitsForItsRunningNotification)
{
    auto param = std::make_shared<FilterParamBool>("b", 0u, false);
    auto listener = std::make_unique<BlockingListener>();
    param->_events.Add(listener.get());
    std::thread setter([&] { param->SetValue(true); });
    listener->WaitEntered();
    std::atomic<bool> removed{false};
    std::thread remover([&] {
        param->_events.Remove(listener.get());
        removed.store(true);
    });
    // While the notification runs, the listener must stay alive: Remove has not returned.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(removed.load());
    listener->Release();
    remover.join();
    EXPECT_TRUE(listener->Finished());
    listener.reset(); // safe now: no emission can reach it any more
    setter.join();
    param->SetValue(false);
    EXPECT_EQ(param->_events.Count(), 0u);
}
