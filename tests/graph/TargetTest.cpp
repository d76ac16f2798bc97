#include "GraphFixtures.h"

#include <Hyx/FilterParams.h>

#include <gtest/gtest.h>

using namespace GraphFixtures;
using Hyx::ActionResult;
using Hyx::HyxErrorCode;
using Hyx::PlaybackMode;
using Hyx::Profile;

namespace {

std::string keepName(const Guid& purpose, const Guid& type)
{
    return "Keep " + Hyx::DataProfile(purpose, type).ToFriendlyString();
}

} // namespace

TEST(TargetUpdate, EveryAtomIsConsumedAndTheFirstFailureReported)
{
    TestGraph chain;
    auto source = chain.make<TestSource>(10);
    auto target = chain.make<TestTarget>();
    ASSERT_EQ(chain.graph->Play(PlaybackMode::ForwardOnce), ActionResult::Success);
    target->process = [](TestTarget& t, const Hyx::Atom& atom) {
        return atom.GetFrameNr() == 0 ? t.ReportError(HyxErrorCode::FailedToWriteToFile) : HyxErrorCode::Success;
    };
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(source->Update(), HyxErrorCode::Success);
    // 4-like failure on the first atom, successes after it: all consumed, the failure stays.
    EXPECT_EQ(target->Update(), HyxErrorCode::FailedToWriteToFile);
    const std::string inner = FilterText("Test", HyxErrorCode::FailedToWriteToFile);
    EXPECT_EQ(target->GetLastError(false).StdString(), inner + "(" + inner + ")");
    EXPECT_EQ(target->frames(), (std::vector<unsigned>{0, 1, 2}));
    EXPECT_EQ(target->GetNumAtomsProcessed(), 2u);
    EXPECT_TRUE(target->IsDone());
    EXPECT_EQ(target->Update(), HyxErrorCode::Success); // nothing pending, the post hook's 0
}

TEST(TargetKeep, InputProfileMustBeFullySpecified)
{
    auto graph = std::make_shared<Hyx::Graph>();
    auto target = std::make_shared<TestTarget>();
    EXPECT_EQ(graph->AddAndConnect(target), ActionResult::Failure); // no upstream offer
    const std::string text41 = FilterText("Test", HyxErrorCode::InputProfileNotFullySpecified);
    EXPECT_EQ(graph->GetLastError(false).StdString(),
              "Graph failed to initialize a filter(" + text41 + "(" + text41 + "))");
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
    EXPECT_EQ(params[0]->GetName().rfind("Keep {", 0), 0u);
    EXPECT_EQ(params[1]->GetName(), keepName(kPurposeB, kType2));
    EXPECT_EQ(params[0]->GetValueAsString(), "True");
    EXPECT_EQ(params[1]->GetValueAsString(), "True");
    EXPECT_EQ(params[0]->GetFlags(), 1u);

    // Choices carry over; at least one layer stays kept.
    target->setParameterValue(params[1]->GetName().c_str(), "False");
    ASSERT_EQ(target->DePreInitialize(), HyxErrorCode::Success);
    ASSERT_EQ(target->PreInitialize(source.get(), nullptr), HyxErrorCode::Success);
    EXPECT_EQ(target->getParameterValue(keepName(kPurposeA, kType1).c_str()), "True");
    EXPECT_EQ(target->getParameterValue(keepName(kPurposeB, kType2).c_str()), "False");
    target->setParameterValue(keepName(kPurposeA, kType1).c_str(), "False");
    ASSERT_EQ(target->DePreInitialize(), HyxErrorCode::Success);
    ASSERT_EQ(target->PreInitialize(source.get(), nullptr), HyxErrorCode::Success);
    EXPECT_EQ(target->getParameterValue(keepName(kPurposeA, kType1).c_str()), "True");
    EXPECT_EQ(target->getParameterValue(keepName(kPurposeB, kType2).c_str()), "False");

    ASSERT_EQ(target->Initialize(source.get()), HyxErrorCode::Success);
    EXPECT_EQ(target->GetInputProfile()->ToString(), MakeProfile({{kPurposeA, kType1}})->ToString());
    EXPECT_EQ(target->GetOutputProfile(), nullptr);
    target->Reset();
    target->DePreInitialize();
}
