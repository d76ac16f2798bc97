#include "TestLayers.h"

#include <Hyx/SharedPointers.h>

#include <gtest/gtest.h>

using namespace Hyx;

namespace {

struct Counted : std::enable_shared_from_this<Counted> {
    explicit Counted(int& alive) : alive(alive) { ++alive; }
    virtual ~Counted() { --alive; }
    int& alive;
};
struct Derived : Counted {
    using Counted::Counted;
};

} // namespace

TEST(SharedPointers, OwnershipRules)
{
    int alive = 0;
    {
        SharedObjectPtr<Counted> empty;
        EXPECT_FALSE(empty);
        EXPECT_EQ(empty.Get(), nullptr);

        auto* raw = new Derived(alive);
        SharedObjectPtr<Counted> owner(raw);
        EXPECT_TRUE(owner);
        EXPECT_EQ(owner.Get(), raw);
        EXPECT_EQ(owner->shared_from_this().get(), raw); // the weak self-reference is set

        owner = raw; // the pointer already held: no change
        EXPECT_EQ(alive, 1);
        SharedObjectPtr<Counted> copy(owner);
        SharedObjectPtr<Counted> assigned;
        assigned = copy;
        assigned = assigned;
        EXPECT_EQ(&*assigned, raw);

        owner = new Counted(alive); // releases its share of raw only
        EXPECT_EQ(alive, 2);
        copy = nullptr;
        assigned = empty;
        EXPECT_EQ(alive, 1); // raw is gone with its last share

        auto shared = std::make_shared<Derived>(alive);
        SharedObjectPtr<Counted> fromShared(shared);
        EXPECT_EQ(shared.use_count(), 2);
    }
    EXPECT_EQ(alive, 0);
}

TEST(SharedPointers, DataLayerWrapperHandsOutItsSharedPointer)
{
    auto* raw = new TestLayer(VornCommon::Guid::Nil);
    SharedDataLayerPtr layer(raw);
    auto shared = layer.ToStdSharedPtr();
    EXPECT_EQ(shared.get(), raw);
    EXPECT_EQ(shared.use_count(), 2);
    SharedDataLayerPtr again(shared);
    EXPECT_EQ(again.Get(), raw);
    layer = raw;
    EXPECT_EQ(shared.use_count(), 3);
}
