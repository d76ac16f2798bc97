#include "GraphFixtures.h"

#include <Hyx/Connection.h>

#include <gtest/gtest.h>

using namespace GraphFixtures;
using Hyx::ActionResult;
using Hyx::HyxErrorCode;
using Hyx::PlaybackMode;
using Hyx::Profile;

TEST(MutateNegotiation, MissingTypeAndMissingOffer)
{
    TestGraph chain;
    auto source = chain.make<TestSource>(10, MakeProfile({{kPurposeA, kType1}}));
    auto mutate = std::make_shared<TestMutate>(MakeProfile({{Guid(), kType3}}), false);
    ASSERT_EQ(mutate->PreInitialize(source.get(), nullptr), HyxErrorCode::Success);
    EXPECT_EQ(mutate->Initialize(source.get()), HyxErrorCode::FilterFailedToGetDataLayer);
    const std::string inner = FilterText("#Test", HyxErrorCode::FilterFailedToGetDataLayer) + "(" +
                              Hyx::DataProfile(Guid(), kType3).ToFriendlyString() + ")";
    EXPECT_EQ(mutate->GetLastError(false).StdString(),
              FilterText("#Test", HyxErrorCode::FilterFailedToGetDataLayer) + "(" + inner + ")");

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

TEST(MutateUpdate, MissingOutputIsReportedTwice)
{
    TestGraph chain;
    chain.make<TestSource>(10);
    auto mutate = chain.make<TestMutate>();
    ASSERT_EQ(chain.graph->Play(PlaybackMode::ForwardOnce), ActionResult::Success);
    EXPECT_EQ(chain.graph->Update(), ActionResult::Failure);
    const std::string inner = FilterText("#Test", HyxErrorCode::FilterLacksOutputConnection);
    EXPECT_EQ(mutate->GetLastError(false).StdString(), inner + "(" + inner + ")");
}
