#include "GraphFixtures.h"

#include <CapturedLog.h>

#include <Hyx/Connection.h>
#include <Hyx/FilterParams.h>
#include <Hyx/GuidAlias.h>

#include <gtest/gtest.h>

using namespace GraphFixtures;
using Hyx::ActionResult;
using Hyx::HyxErrorCode;
using Hyx::PlaybackMode;
using Hyx::Profile;

namespace {

constexpr Guid kPurposeP2 = Hyx::GuidLiteral("D0000000-0000-0000-0000-0000000000D2");

// Upstream offer [(A,T1), (B,T1), (P2,T2), (C,T3)].
std::shared_ptr<Profile> fourLayers()
{
    return MakeProfile({{kPurposeA, kType1}, {kPurposeB, kType1}, {kPurposeP2, kType2}, {kPurposeC, kType3}});
}

std::string candidateText(std::initializer_list<std::pair<Guid, Guid>> entries)
{
    return MakeProfile(entries)->ToString();
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
    const HyxErrorCode code = std::make_shared<Hyx::Connection>(up.graph, 10)->Connect(up.source, transform);
    const std::string text = transform->GetLastError(false).StdString();
    transform->Reset();
    return {code, text};
}

} // namespace

TEST(TransformNegotiation, EarlierChoiceSurvivesAnotherPreInitialisation)
{
    Upstream up(fourLayers());
    auto transform = std::make_shared<TestTransform>(MakeProfile({{Guid(), kType1}}));
    ASSERT_EQ(transform->PreInitialize(up.source.get(), nullptr), HyxErrorCode::Success);
    transform->setParameterValue("Input Profile", "0");
    ASSERT_EQ(transform->DePreInitialize(), HyxErrorCode::Success);
    ASSERT_EQ(transform->PreInitialize(up.source.get(), nullptr), HyxErrorCode::Success);
    EXPECT_EQ(transform->inputProfileParam()->GetValueAsString(), "0");
    EXPECT_EQ(transform->inputProfileParam()->GetValue()->ToString(), candidateText({{kPurposeA, kType1}}));

    // The chosen layer is gone upstream: the first candidate is selected.
    Upstream other(MakeProfile({{kPurposeC, kType1}, {kPurposeB, kType1}}));
    ASSERT_EQ(transform->DePreInitialize(), HyxErrorCode::Success);
    ASSERT_EQ(transform->PreInitialize(other.source.get(), nullptr), HyxErrorCode::Success);
    EXPECT_EQ(transform->inputProfileParam()->GetValueAsString(), "0");
    EXPECT_EQ(transform->inputProfileParam()->GetValue()->ToString(), candidateText({{kPurposeC, kType1}}));
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
    EXPECT_EQ(chain.graph->GetLastError(false).StdString(),
              Hyx::GetHyxErrorMessage(HyxErrorCode::UnassignedInputProfile));
    EXPECT_EQ(log.Count(VornCommon::LogLevel::Error, "Cannot connect 'Test' to 'Test'!"), 1);
    EXPECT_EQ(chain.graph->GetNumFilters(), 1u);
    EXPECT_EQ(transform->GetFilterState(), Hyx::Filter::FilterState::PreInitialized);

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

    EXPECT_EQ(transform->SetInputProfile(up.source.get(), std::make_shared<Profile>()),
              HyxErrorCode::FailedToGenerateOutputProfile);
    EXPECT_EQ(transform->GetLastError(false).StdString(), text27);
    EXPECT_EQ(transform->SetInputProfile(up.source.get(), MakeProfile({{Guid(), kType1}})),
              HyxErrorCode::FailedToGenerateOutputProfile);

    transform->_produces = MakeProfile({{Guid(), kMadeType}});
    EXPECT_EQ(transform->Initialize(up.source.get()), HyxErrorCode::FailedToGenerateOutputProfile);
    EXPECT_EQ(transform->GetLastError(false).StdString(), text27 + "(" + text27 + ")");
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
    EXPECT_EQ(lacking->GetLastError(false).StdString().rfind(
                  FilterText("Test", HyxErrorCode::FailedToGetAggregatedOutputProfile), 0),
              0u);
    // 41: the upstream offer is not fully specified.
    auto [code, text] =
        connectUnder(MakeProfile({{kPurposeA, kType1}, {Guid(), kType2}}), std::make_shared<TestTransform>());
    EXPECT_EQ(code, HyxErrorCode::InputProfileNotFullySpecified);
    const std::string text41 = FilterText("Test", HyxErrorCode::InputProfileNotFullySpecified);
    EXPECT_EQ(text, text41 + "(" + text41 + ")");
    // 42: a requested layer with a purpose that the upstream filter lacks.
    std::tie(code, text) = connectUnder(MakeProfile({{kPurposeA, kType1}}),
                                        std::make_shared<TestTransform>(MakeProfile({{kPurposeP2, kType2}})));
    EXPECT_EQ(code, HyxErrorCode::DataProfileNotFulfilled);
    const std::string missing = "Missing " + Hyx::DataProfile(kPurposeP2, kType2).ToFriendlyString();
    const std::string text42 = FilterText("Test", HyxErrorCode::DataProfileNotFulfilled) + "(" + missing + ")";
    EXPECT_EQ(text, FilterText("Test", HyxErrorCode::DataProfileNotFulfilled) + "(" + text42 + ")");
    // 39: the output entry is already in the upstream offer.
    std::tie(code, text) = connectUnder(
        MakeProfile({{kPurposeA, kType1}}),
        std::make_shared<TestTransform>(MakeProfile({{Guid(), kType1}}), MakeProfile({{kPurposeA, kType1}})));
    EXPECT_EQ(code, HyxErrorCode::DataProfileAlreadyExists);
    EXPECT_NE(text.find("(" + Hyx::Utils::GetGuidAlias(kType1).StdString() + ")"), std::string::npos);
}

namespace {

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

TEST(TransformUpdate, NothingIsPulledUnlessEverythingFits)
{
    TransformChain chain;
    chain.queue(5);
    const auto output = chain.transform->getOutputConnection();
    for (int i = 0; i < 996; ++i)
        ASSERT_TRUE(output->PushToQueue(std::make_shared<Hyx::Atom>(0, 9999, 0)));
    EXPECT_EQ(chain.transform->Update(), HyxErrorCode::Success); // the post hook's result
    EXPECT_TRUE(chain.transform->frames.empty());
    EXPECT_EQ(chain.transform->getInputConnection()->NumPendingData(), 5);

    output->Pull(); // 5 empty slots now: all five go
    EXPECT_EQ(chain.transform->Update(), HyxErrorCode::Success);
    EXPECT_EQ(chain.transform->frames, (std::vector<unsigned>{0, 1, 2, 3, 4}));
    EXPECT_EQ(output->NumPendingData(), 1000);
}

TEST(TransformUpdate, FailureEndsTheCycleAndLeavesTheRestQueued)
{
    TransformChain chain;
    chain.transform->process = [](TestTransform& t, const Hyx::Atom& atom) {
        return atom.GetFrameNr() == 1 ? t.ReportError(HyxErrorCode::FilterFailedToCompress) : HyxErrorCode::Success;
    };
    chain.queue(3);
    EXPECT_EQ(chain.transform->Update(), HyxErrorCode::FilterFailedToCompress);
    const std::string inner = FilterText("Test", HyxErrorCode::FilterFailedToCompress);
    EXPECT_EQ(chain.transform->GetLastError(false).StdString(), inner + "(" + inner + ")");
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
    EXPECT_EQ(chain.transform->frames, std::vector<unsigned>{2});
    EXPECT_EQ(chain.transform->getOutputConnection()->NumPendingData(), 1);
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
