// Creation through the filter factory: Instantiate, then PreInitialize with the upstream
// filter and the graph.

#include <Hyx/FilterFactory.h>
#include <Hyx/Graph.h>

#include "CapturedLog.h"
#include "TestFilters.h"

#include <gtest/gtest.h>

using namespace Hyx;
using Code = HyxErrorCode;
using State = Filter::FilterState;

namespace {

const VornCommon::Guid kMadeGuid = VornCommon::Guid::FromHexString("0C2B9D1E-5A47-4F63-9E0B-7B1D6A0C4E21");
const VornCommon::Guid kFailingGuid = VornCommon::Guid::FromHexString("0C2B9D1E-5A47-4F63-9E0B-7B1D6A0C4E22");

class MadeFilter : public HyxTest::TestFilter {
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
        return HyxTest::TestFilter::onInitializeParams(upstream);
    }
};

} // namespace

TEST(FilterCreation, ThroughTheFactory)
{
    FilterFactory::RegisterFilterClass(
        kMadeGuid, FilterClassInfo(VornCommon::String("Example"), FilterCategory::Transform), &MadeFilter::Create);
    FilterFactory::RegisterFilterClass(kFailingGuid,
                                       FilterClassInfo(VornCommon::String("ExampleFailing"), FilterCategory::Transform),
                                       &MadeFilter::CreateFailing);

    auto graph = std::make_shared<Graph>();
    auto upstream = std::make_shared<HyxTest::TestSource>();
    SharedFilterPtr made = FilterFactory::CreateFilter(kMadeGuid, SharedFilterPtr(upstream), SharedGraphPtr(graph));
    ASSERT_TRUE(made);
    auto* filter = dynamic_cast<MadeFilter*>(made.Get());
    ASSERT_NE(filter, nullptr);
    EXPECT_EQ(filter->GetFilterState(), State::PreInitialized);
    EXPECT_EQ(filter->GetGraph(), graph);
    EXPECT_EQ(filter->upstreamSeen, upstream.get());
    EXPECT_EQ(filter->script.calls, (std::vector<std::string>{"Instantiate", "onInitializeParams"}));

    // A failing pre-initialisation still returns the filter, Created, with its text.
    SharedFilterPtr failed = FilterFactory::CreateFilter(kFailingGuid, SharedFilterPtr(), SharedGraphPtr());
    ASSERT_TRUE(failed);
    EXPECT_EQ(failed->GetFilterState(), State::Created);
    EXPECT_EQ(failed->GetLastError(false).StdString(), HyxTest::ExampleError(Code::FilterFailedToPreinitialize) + "()");

    CapturedLog log;
    const VornCommon::Guid unknown = VornCommon::Guid::FromHexString("0C2B9D1E-5A47-4F63-9E0B-7B1D6A0C4E2F");
    EXPECT_FALSE(FilterFactory::CreateFilter(unknown, SharedFilterPtr(), SharedGraphPtr()));
    ASSERT_EQ(log.Entries().size(), 1u);
    EXPECT_EQ(log.Count(VornCommon::LogLevel::Error, "Failed to create a filter with guid "
                                                     "'0C2B9D1E-5A47-4F63-9E0B-7B1D6A0C4E2F', "
                                                     "no such filter class registered"),
              1);
}
