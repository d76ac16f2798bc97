// Transforms, mutates and targets: input profile negotiation and its codes, the keep
// switches, and the one update cycle they share (what it pulls, how each family fails, texts
// emptied by the next cycle, progress, links that go away outside the graph).

#include "GraphFixtures.h"

using namespace GraphFixtures;

namespace {

constexpr Guid kPurposeP2 = GuidLiteral("D0000000-0000-0000-0000-0000000000D2");

// Upstream offer [(A,T1), (B,T1), (P2,T2), (C,T3)].
std::shared_ptr<Profile> fourLayers()
{
    return MakeProfile({{kPurposeA, kType1}, {kPurposeB, kType1}, {kPurposeP2, kType2}, {kPurposeC, kType3}});
}

// A source already in a graph, for filters pre-initialised and initialised by hand.
struct Upstream : TestGraph {
    explicit Upstream(std::shared_ptr<Profile> offer) { source = make<TestSource>(50, std::move(offer)); }
    std::shared_ptr<TestSource> source;
};

// Initialises `transform` under a source offering `offer`, then connects the two: the code
// and the transform's error text.
std::pair<HyxErrorCode, std::string> connectUnder(std::shared_ptr<Profile> offer,
                                                  std::shared_ptr<TestTransform> transform)
{
    Upstream up(std::move(offer));
    EXPECT_EQ(transform->PreInitialize(up.source.get(), nullptr), HyxErrorCode::Success);
    EXPECT_EQ(transform->Initialize(up.source.get()), HyxErrorCode::Success);
    const HyxErrorCode code = std::make_shared<Connection>(up.graph, 10)->Connect(up.source, transform);
    const std::string text = transform->GetLastError(false).StdString();
    transform->Reset();
    return {code, text};
}

std::string keepName(const Guid& purpose, const Guid& type)
{
    return "Keep " + DataProfile(purpose, type).ToFriendlyString();
}

// Source -> transform -> target, playing forward, with atoms queued by hand.
struct TransformChain : TestGraph {
    TransformChain()
    {
        source = make<TestSource>(2000);
        transform = make<TestTransform>();
        target = make<TestTarget>();
        EXPECT_EQ(graph->Play(PlaybackMode::ForwardOnce), ActionResult::Success);
    }
    // Source updates alone fill the transform's input.
    void queue(int count)
    {
        for (int i = 0; i < count; ++i)
            ASSERT_EQ(source->Update(), HyxErrorCode::Success);
    }
    std::shared_ptr<TestSource> source;
    std::shared_ptr<TestTransform> transform;
    std::shared_ptr<TestTarget> target;
};

} // namespace

TEST(TransformNegotiation, EarlierChoiceSurvivesAnotherPreInitialisation)
{
    Upstream up(fourLayers()), other(MakeProfile({{kPurposeC, kType1}, {kPurposeB, kType1}}));
    auto transform = std::make_shared<TestTransform>(MakeProfile({{Guid(), kType1}}));
    ASSERT_EQ(transform->PreInitialize(up.source.get(), nullptr), HyxErrorCode::Success);
    transform->setParameterValue("Input Profile", "0");
    // Again under the same source the choice stays; under one without the chosen layer the
    // first candidate is selected.
    const std::pair<TestSource*, Guid> rounds[] = {{up.source.get(), kPurposeA}, {other.source.get(), kPurposeC}};
    for (const auto& [source, purpose] : rounds) {
        ASSERT_EQ(transform->DePreInitialize(), HyxErrorCode::Success);
        ASSERT_EQ(transform->PreInitialize(source, nullptr), HyxErrorCode::Success);
        EXPECT_EQ(transform->inputProfileParam()->GetValueAsString(), "0");
        EXPECT_EQ(transform->inputProfileParam()->GetValue()->ToString(), MakeProfile({{purpose, kType1}})->ToString());
    }
    transform->DePreInitialize();
}

TEST(TransformNegotiation, NoCandidateMeansNoInputProfile)
{
    CapturedLog log;
    TestGraph chain;
    chain.make<TestSource>(10, fourLayers());
    auto transform = std::make_shared<TestTransform>(MakeProfile({{Guid(), kMadeType}}));
    EXPECT_EQ(chain.graph->AddAndConnect(transform), ActionResult::Failure);
    EXPECT_FALSE(transform->inputProfileParam());
    EXPECT_EQ(transform->GetInputProfile(), nullptr);
    EXPECT_EQ(chain.error(), GetHyxErrorMessage(HyxErrorCode::UnassignedInputProfile));
    EXPECT_EQ(log.Count(LogLevel::Error, "Cannot connect 'Test' to 'Test'!"), 1);
    EXPECT_EQ(chain.graph->GetNumFilters(), 1u);
    EXPECT_EQ(transform->GetFilterState(), Filter::FilterState::PreInitialized);

    // An empty request gives no parameter either; without the offer flag nothing is touched.
    Upstream up(fourLayers());
    auto emptyRequest = std::make_shared<TestTransform>(std::make_shared<Profile>());
    ASSERT_EQ(emptyRequest->PreInitialize(up.source.get(), nullptr), HyxErrorCode::Success);
    EXPECT_FALSE(emptyRequest->inputProfileParam());
    auto noOffer = std::make_shared<TestTransform>(MakeProfile({{Guid(), kType1}}), nullptr, false);
    ASSERT_EQ(noOffer->PreInitialize(up.source.get(), nullptr), HyxErrorCode::Success);
    ASSERT_EQ(noOffer->Initialize(up.source.get()), HyxErrorCode::Success);
    EXPECT_TRUE(noOffer->getParameters().empty());
    EXPECT_EQ(noOffer->GetInputProfile(), nullptr);
    EXPECT_EQ(noOffer->GetOutputProfile(), nullptr);
    emptyRequest->DePreInitialize();
    noOffer->Reset();
    noOffer->DePreInitialize();
}

TEST(TransformNegotiation, OutputProfileMustBeFullySpecified)
{
    Upstream up(fourLayers());
    auto transform = std::make_shared<TestTransform>();
    ASSERT_EQ(transform->PreInitialize(up.source.get(), nullptr), HyxErrorCode::Success);
    const std::string text27 = FilterText("Test", HyxErrorCode::FailedToGenerateOutputProfile);
    for (const auto& profile : {std::make_shared<Profile>(), MakeProfile({{Guid(), kType1}})})
        EXPECT_EQ(transform->SetInputProfile(up.source.get(), profile), HyxErrorCode::FailedToGenerateOutputProfile);
    EXPECT_EQ(transform->GetLastError(false).StdString(), text27);
    transform->_produces = MakeProfile({{Guid(), kMadeType}});
    EXPECT_EQ(transform->Initialize(up.source.get()), HyxErrorCode::FailedToGenerateOutputProfile);
    EXPECT_EQ(transform->GetLastError(false).StdString(), Nested("Test", HyxErrorCode::FailedToGenerateOutputProfile));
    EXPECT_EQ(transform->GetInputProfile(), nullptr);
    EXPECT_EQ(transform->GetOutputProfile(), nullptr);
    transform->DePreInitialize();
}

TEST(TransformNegotiation, CodesWhenTheInputIsConnected)
{
    // 31: the upstream filter has no aggregated output profile.
    Upstream up(nullptr);
    auto lacking = std::make_shared<TestTransform>();
    EXPECT_EQ(lacking->PreInitialize(up.source.get(), nullptr), HyxErrorCode::FailedToGetAggregatedOutputProfile);
    EXPECT_TRUE(lacking->GetLastError(false).StdString().starts_with(
        FilterText("Test", HyxErrorCode::FailedToGetAggregatedOutputProfile)));
    // 41: the upstream offer is not fully specified.
    auto [code, text] =
        connectUnder(MakeProfile({{kPurposeA, kType1}, {Guid(), kType2}}), std::make_shared<TestTransform>());
    EXPECT_EQ(code, HyxErrorCode::InputProfileNotFullySpecified);
    EXPECT_EQ(text, Nested("Test", HyxErrorCode::InputProfileNotFullySpecified));
    // 42: a requested layer with a purpose that the upstream filter lacks.
    std::tie(code, text) = connectUnder(MakeProfile({{kPurposeA, kType1}}),
                                        std::make_shared<TestTransform>(MakeProfile({{kPurposeP2, kType2}})));
    EXPECT_EQ(code, HyxErrorCode::DataProfileNotFulfilled);
    const std::string text42 = FilterText("Test", HyxErrorCode::DataProfileNotFulfilled);
    EXPECT_EQ(text, text42 + "(" + text42 + "(Missing " + DataProfile(kPurposeP2, kType2).ToFriendlyString() + "))");
    // 39: the output entry is already in the upstream offer.
    std::tie(code, text) = connectUnder(
        MakeProfile({{kPurposeA, kType1}}),
        std::make_shared<TestTransform>(MakeProfile({{Guid(), kType1}}), MakeProfile({{kPurposeA, kType1}})));
    EXPECT_EQ(code, HyxErrorCode::DataProfileAlreadyExists);
    EXPECT_NE(text.find("(" + Utils::GetGuidAlias(kType1).StdString() + ")"), std::string::npos);
}

TEST(TransformNegotiation, PurposeOfTheInputProfile)
{
    TestGraph chain;
    chain.make<TestSource>(10, MakeProfile({{kPurposeA, kType1}}));
    auto transform = chain.make<TestTransform>();
    EXPECT_EQ(transform->getPurposeGuidForInputProfile(transform->GetInputProfile(), 0), kPurposeA);
    EXPECT_EQ(transform->getPurposeGuidForInputProfile(transform->GetInputProfile(), 3), Guid());
    transform->SetPurposeGuid(kPurposeC);
    EXPECT_EQ(transform->getPurposeGuidForInputProfile(transform->GetInputProfile(), 0), kPurposeC);
    // The purpose replaces only a nil purpose, and only when asked to.
    EXPECT_EQ(transform->GetInputDataProfile(0, true)->GetPurposeGuid(), kPurposeA);
    EXPECT_EQ(transform->GetInputDataProfile(1, true), nullptr);
    transform->GetInputProfile()->GetDataProfileByIndex(0)->SetPurposeGuid(Guid());
    EXPECT_EQ(transform->GetInputDataProfile(0, false)->GetPurposeGuid(), Guid());
    EXPECT_EQ(transform->GetInputDataProfile(0, true)->GetPurposeGuid(), kPurposeC);
    EXPECT_EQ(transform->GetInputProfile()->GetDataProfileByIndex(0)->GetPurposeGuid(), kPurposeC);
}

TEST(MutateNegotiation, MissingTypeAndMissingOffer)
{
    TestGraph chain;
    auto source = chain.make<TestSource>(10, MakeProfile({{kPurposeA, kType1}}));
    auto mutate = std::make_shared<TestMutate>(MakeProfile({{Guid(), kType3}}), false);
    ASSERT_EQ(mutate->PreInitialize(source.get(), nullptr), HyxErrorCode::Success);
    EXPECT_EQ(mutate->Initialize(source.get()), HyxErrorCode::FilterFailedToGetDataLayer);
    const std::string text = FilterText("#Test", HyxErrorCode::FilterFailedToGetDataLayer);
    EXPECT_EQ(mutate->GetLastError(false).StdString(),
              text + "(" + text + "(" + DataProfile(Guid(), kType3).ToFriendlyString() + "))");

    TestGraph empty;
    auto nothing = empty.make<TestSource>(10, nullptr);
    auto other = std::make_shared<TestMutate>();
    ASSERT_EQ(other->PreInitialize(nothing.get(), nullptr), HyxErrorCode::FailedToGetAggregatedOutputProfile);
    auto plain = std::make_shared<TestMutate>(nullptr, false);
    ASSERT_EQ(plain->PreInitialize(nothing.get(), nullptr), HyxErrorCode::Success);
    EXPECT_EQ(plain->Initialize(nothing.get()), HyxErrorCode::InputProfileNotFullySpecified);
    mutate->DePreInitialize();
    plain->DePreInitialize();
}

TEST(TargetKeep, InputProfileMustBeFullySpecified)
{
    auto graph = std::make_shared<Graph>();
    auto target = std::make_shared<TestTarget>();
    EXPECT_EQ(graph->AddAndConnect(target), ActionResult::Failure); // no upstream offer
    EXPECT_EQ(graph->GetLastError(false).StdString(), "Graph failed to initialize a filter(" +
                                                          Nested("Test", HyxErrorCode::InputProfileNotFullySpecified) +
                                                          ")");
    EXPECT_EQ(target->SetInputProfile(nullptr, MakeProfile({{Guid(), kType1}})),
              HyxErrorCode::InputProfileNotFullySpecified);
    EXPECT_EQ(target->SetInputProfile(nullptr, MakeProfile({{kPurposeA, kType1}})), HyxErrorCode::Success);
    target->DePreInitialize();
}

TEST(TargetKeep, OneSwitchPerUpstreamLayer)
{
    TestGraph chain;
    auto source = chain.make<TestSource>(10, MakeProfile({{kPurposeA, kType1}, {kPurposeB, kType2}}));
    auto target = std::make_shared<TestTarget>();
    ASSERT_EQ(target->PreInitialize(source.get(), nullptr), HyxErrorCode::Success);
    const auto params = target->getParameters();
    ASSERT_EQ(params.size(), 2u);
    EXPECT_EQ(params[0]->GetName(), keepName(kPurposeA, kType1));
    EXPECT_TRUE(params[0]->GetName().starts_with("Keep {"));
    EXPECT_EQ(params[1]->GetName(), keepName(kPurposeB, kType2));
    EXPECT_EQ(params[0]->GetValueAsString(), "True");
    EXPECT_EQ(params[1]->GetValueAsString(), "True");
    EXPECT_EQ(params[0]->GetFlags(), 1u);

    // Choices carry over; at least one layer stays kept.
    for (const auto& [purpose, type] : {std::pair(kPurposeB, kType2), std::pair(kPurposeA, kType1)}) {
        target->setParameterValue(keepName(purpose, type).c_str(), "False");
        ASSERT_EQ(target->DePreInitialize(), HyxErrorCode::Success);
        ASSERT_EQ(target->PreInitialize(source.get(), nullptr), HyxErrorCode::Success);
        EXPECT_EQ(target->getParameterValue(keepName(kPurposeA, kType1).c_str()), "True");
        EXPECT_EQ(target->getParameterValue(keepName(kPurposeB, kType2).c_str()), "False");
    }
    ASSERT_EQ(target->Initialize(source.get()), HyxErrorCode::Success);
    EXPECT_EQ(target->GetInputProfile()->ToString(), MakeProfile({{kPurposeA, kType1}})->ToString());
    EXPECT_EQ(target->GetOutputProfile(), nullptr);
    target->Reset();
    target->DePreInitialize();
}

TEST(TransformUpdate, NothingIsPulledUnlessEverythingFits)
{
    TransformChain chain;
    chain.queue(5);
    const auto output = chain.transform->getOutputConnection();
    for (int i = 0; i < 996; ++i)
        ASSERT_TRUE(output->PushToQueue(std::make_shared<Atom>(0, 9999, 0)));
    EXPECT_EQ(chain.transform->Update(), HyxErrorCode::Success); // the post hook's result
    EXPECT_TRUE(chain.transform->frames.empty());
    EXPECT_EQ(chain.transform->getInputConnection()->NumPendingData(), 5);
    output->Pull(); // 5 empty slots now: all five go
    EXPECT_EQ(chain.transform->Update(), HyxErrorCode::Success);
    EXPECT_EQ(chain.transform->frames, Range(5));
    EXPECT_EQ(output->NumPendingData(), 1000);
}

TEST(TransformUpdate, FailureEndsTheCycleAndLeavesTheRestQueued)
{
    TransformChain chain;
    chain.transform->process = [](TestTransform& t, const Atom& atom) {
        return atom.GetFrameNr() == 1 ? t.ReportError(HyxErrorCode::FilterFailedToCompress) : HyxErrorCode::Success;
    };
    chain.queue(3);
    EXPECT_EQ(chain.transform->Update(), HyxErrorCode::FilterFailedToCompress);
    EXPECT_EQ(chain.transform->GetLastError(false).StdString(), Nested("Test", HyxErrorCode::FilterFailedToCompress));
    EXPECT_EQ(chain.transform->getOutputConnection()->NumPendingData(), 1);
    EXPECT_EQ(chain.transform->getInputConnection()->NumPendingData(), 1);
}

TEST(TransformUpdate, FlushSentinelIsSkipped)
{
    TransformChain chain;
    chain.queue(2);
    chain.transform->getInputConnection()->Flush();
    chain.queue(1);
    EXPECT_EQ(chain.transform->Update(), HyxErrorCode::Success);
    EXPECT_EQ(chain.transform->frames, Frames{2});
    EXPECT_EQ(chain.transform->getOutputConnection()->NumPendingData(), 1);
}

TEST(TargetUpdate, EveryAtomIsConsumedAndTheFirstFailureReported)
{
    TestGraph chain;
    auto source = chain.make<TestSource>(10);
    auto target = chain.make<TestTarget>();
    ASSERT_EQ(chain.graph->Play(PlaybackMode::ForwardOnce), ActionResult::Success);
    target->process = [](TestTarget& t, const Atom& atom) {
        return atom.GetFrameNr() == 0 ? t.ReportError(HyxErrorCode::FailedToWriteToFile) : HyxErrorCode::Success;
    };
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(source->Update(), HyxErrorCode::Success);
    // A failure on the first atom, successes after it: all consumed, the failure stays.
    EXPECT_EQ(target->Update(), HyxErrorCode::FailedToWriteToFile);
    EXPECT_EQ(target->GetLastError(false).StdString(), Nested("Test", HyxErrorCode::FailedToWriteToFile));
    EXPECT_EQ(target->frames(), Range(3));
    EXPECT_EQ(target->GetNumAtomsProcessed(), 2u);
    EXPECT_TRUE(target->IsDone());
    EXPECT_EQ(target->Update(), HyxErrorCode::Success); // nothing pending, the post hook's 0
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
    using Make = std::shared_ptr<Filter> (*)(TestGraph&);
    struct Case {
        Make make;
        Outcome idle, pending, stopped;
    };
    const Case cases[] = {{[](TestGraph& c) -> std::shared_ptr<Filter> { return c.make<TestTransform>(); },
                           {HyxErrorCode::FilterLacksOutputConnection, Text::Empty},
                           {HyxErrorCode::FilterLacksOutputConnection, Text::Empty},
                           {HyxErrorCode::FilterWrongStateToUpdate, Text::Bare}},
                          {[](TestGraph& c) -> std::shared_ptr<Filter> { return c.make<TestMutate>(); },
                           {HyxErrorCode::Success, Text::None},
                           {HyxErrorCode::FilterLacksOutputConnection, Text::Nested},
                           {HyxErrorCode::FilterWrongStateToUpdate, Text::Nested}},
                          {[](TestGraph& c) -> std::shared_ptr<Filter> { return c.make<TestTarget>(); },
                           {HyxErrorCode::Success, Text::None},
                           {HyxErrorCode::Success, Text::None},
                           {HyxErrorCode::FilterWrongStateToUpdate, Text::Bare}}};
    for (const Case& c : cases) {
        TestGraph chain;
        auto source = chain.make<TestSource>(10);
        const std::shared_ptr<Filter> filter = c.make(chain);
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

TEST(UpdatePass, ErrorTextIsEmptiedByTheNextCycle)
{
    TestGraph chain;
    chain.make<TestSource>(100);
    auto transform = chain.make<TestTransform>();
    auto target = chain.make<TestTarget>();
    transform->process = [](TestTransform& t, const Atom& atom) {
        return atom.GetFrameNr() % 3 == 1 ? t.ReportError(HyxErrorCode::FilterFailedToCompress) : HyxErrorCode::Success;
    };
    ASSERT_EQ(chain.graph->Play(PlaybackMode::ForwardOnce), ActionResult::Success);
    const std::string failed = Nested("Test", HyxErrorCode::FilterFailedToCompress);
    // Frame by frame: whether the pass fails, whether the host takes the text (which empties
    // it), and the text after the pass; a success empties what a failure left.
    const std::tuple<bool, bool, std::string> passes[] = {{true, false, ""}, {false, false, failed}, {true, false, ""},
                                                          {true, false, ""}, {false, true, failed},  {true, false, ""},
                                                          {true, false, ""}, {false, false, failed}, {true, false, ""}};
    for (const auto& [succeeds, take, text] : passes) {
        EXPECT_EQ(chain.graph->Update(), succeeds ? ActionResult::Success : ActionResult::Failure);
        EXPECT_EQ(transform->GetLastError(take).StdString(), text);
        EXPECT_EQ(transform->GetLastError(false).StdString(), take ? "" : text);
    }
    // A text left outside any update (here by the target itself) is emptied by its next cycle.
    target->ReportError(HyxErrorCode::FilterError, "left over");
    EXPECT_NE(target->GetLastError(false).StdString(), "");
    ASSERT_TRUE(chain.update(1)); // frame 9
    EXPECT_EQ(target->GetLastError(false).StdString(), "");
    EXPECT_EQ(target->frames(), (Frames{0, 2, 3, 5, 6, 8, 9}));
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
    EXPECT_EQ(transform->frames, Frames{0});
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
