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
