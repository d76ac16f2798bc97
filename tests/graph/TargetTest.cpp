// Targets: the "Keep " switches keep a layer on every path that sets them.

#include "GraphFixtures.h"

#include <Hyx/TargetCallback.h>

#include <set>

using namespace GraphFixtures;

namespace {

std::string keepName(const Guid& purpose, const Guid& type)
{
    return "Keep " + DataProfile(purpose, type).ToFriendlyString();
}

const std::string kKeepA = keepName(kPurposeA, kType1);
const std::string kKeepB = keepName(kPurposeB, kType2);

constexpr Guid kOneLayerSourceGuid = GuidLiteral("5C000000-0000-0000-0000-0000000000B1");
constexpr Guid kTwoLayerSourceGuid = GuidLiteral("5C000000-0000-0000-0000-0000000000B2");
constexpr Guid kKeepTargetGuid = GuidLiteral("5C000000-0000-0000-0000-0000000000B3");

/// A source offering [(A, T1)] or [(A, T1), (B, T2)], registered for the factory.
template <int Layers>
class OfferSource : public TestSource {
public:
    OfferSource()
        : TestSource(3, Layers == 1 ? MakeProfile({{kPurposeA, kType1}})
                                    : MakeProfile({{kPurposeA, kType1}, {kPurposeB, kType2}}))
    {
    }
    Guid TypeGuid() const override { return Layers == 1 ? kOneLayerSourceGuid : kTwoLayerSourceGuid; }
    static Filter* Create() { return new OfferSource(); }
};

/// A target with "Keep " switches, registered for the factory.
class KeepTarget : public TestTarget {
public:
    Guid TypeGuid() const override { return kKeepTargetGuid; }
    static Filter* Create() { return new KeepTarget(); }
};

void registerKeepClasses()
{
    static const bool registered = [] {
        FilterFactory::RegisterFilterClass(
            kOneLayerSourceGuid, FilterClassInfo("SourceOneLayer", FilterCategory::Source), &OfferSource<1>::Create);
        FilterFactory::RegisterFilterClass(
            kTwoLayerSourceGuid, FilterClassInfo("SourceTwoLayers", FilterCategory::Source), &OfferSource<2>::Create);
        FilterFactory::RegisterFilterClass(kKeepTargetGuid, FilterClassInfo("TargetKeep", FilterCategory::Target),
                                           &KeepTarget::Create);
        return true;
    }();
    EXPECT_TRUE(registered);
}

/// How the switches reach the target before its input profile is built.
enum class SetBy {
    Stored, // handed in before it joins the graph
    FactoryMade, // set one by one on the filter the factory made with its upstream
    Description, // a graph description's values (pre-initialised again, handed in again)
    HandedInAgain, // set, pre-initialised again, then the same values handed in again
};

/// A graph of the source and a target given every switch "False", or empty when it failed.
std::pair<std::shared_ptr<Graph>, std::shared_ptr<Filter>> Build(int layers, SetBy setBy)
{
    const Guid sourceType = layers == 1 ? kOneLayerSourceGuid : kTwoLayerSourceGuid;
    std::map<std::string, std::string> switches = {{kKeepA, "False"}};
    if (layers == 2)
        switches[kKeepB] = "False";
    if (setBy == SetBy::Description) {
        VisualGraph description;
        description.AddVisualFilter(sourceType, false, false);
        const auto target = description.AddVisualFilter(kKeepTargetGuid, false, false);
        for (const auto& [name, value] : switches)
            target->SetParamValue(name.c_str(), value.c_str());
        std::shared_ptr<Graph> graph = description.InstantiateSimpleHyxGraph();
        return {graph, target->GetHyxFilter()};
    }
    auto graph = std::make_shared<Graph>();
    std::shared_ptr<Filter> source =
        FilterFactory::CreateFilter(sourceType, SharedFilterPtr(), SharedGraphPtr(graph)).ToStdSharedPtr();
    if (graph->AddAndConnect(source) != ActionResult::Success)
        return {};
    std::shared_ptr<Filter> target;
    if (setBy == SetBy::Stored) {
        target = std::make_shared<KeepTarget>();
        target->setParameterValues(switches);
    } else {
        target = FilterFactory::CreateFilter(kKeepTargetGuid, SharedFilterPtr(source), SharedGraphPtr(graph))
                     .ToStdSharedPtr();
        for (const auto& [name, value] : switches)
            EXPECT_TRUE(target->setParameterValue(name.c_str(), value.c_str())) << name;
        if (setBy == SetBy::HandedInAgain) {
            EXPECT_EQ(target->DePreInitialize(), HyxErrorCode::Success);
            EXPECT_EQ(target->PreInitialize(source.get(), graph), HyxErrorCode::Success);
            target->setParameterValues(switches);
        }
    }
    if (graph->AddAndConnect(target) != ActionResult::Success) {
        ADD_FAILURE() << graph->GetLastError(false).CStr();
        return {nullptr, target};
    }
    return {graph, target};
}

/// Records what the host hears of parameter changes.
struct HeardChanges : IFilterParameterValueChanged {
    void cbiFilterParameterValueChanged(std::shared_ptr<Filter>, const char* name, const char* value) override
    {
        heard.emplace_back(name, value);
    }
    std::vector<std::pair<std::string, std::string>> heard;
};

} // namespace

TEST(TargetKeep, AtLeastOneLayerIsKeptWhereverEverySwitchWasTurnedOff)
{
    registerKeepClasses();
    struct Row {
        const char* name;
        int layers;
        SetBy setBy;
    };
    const Row rows[] = {
        {"only switch, stored", 1, SetBy::Stored},
        {"both switches, stored", 2, SetBy::Stored},
        {"only switch, factory-made", 1, SetBy::FactoryMade},
        {"both switches, factory-made", 2, SetBy::FactoryMade},
        {"only switch, graph description", 1, SetBy::Description},
        {"both switches, graph description", 2, SetBy::Description},
        {"only switch, handed in again", 1, SetBy::HandedInAgain},
        {"both switches, handed in again", 2, SetBy::HandedInAgain},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const auto [graph, filter] = Build(row.layers, row.setBy);
        auto* target = dynamic_cast<KeepTarget*>(filter.get());
        if (!graph || !target) {
            ADD_FAILURE() << "not set up";
            continue;
        }
        // The first layer is kept, the switches say so, and its frames arrive.
        EXPECT_EQ(target->getParameterValue(kKeepA.c_str()), "True");
        if (row.layers == 2) {
            EXPECT_EQ(target->getParameterValue(kKeepB.c_str()), "False");
        }
        EXPECT_EQ(target->GetInputProfile()->ToString(), MakeProfile({{kPurposeA, kType1}})->ToString());
        ASSERT_EQ(graph->Play(PlaybackMode::ForwardOnce), ActionResult::Success);
        for (int i = 0; i < 100 && !graph->IsDone(); ++i)
            ASSERT_EQ(graph->Update(), ActionResult::Success) << graph->GetLastError(false).CStr();
        EXPECT_EQ(target->frames(), Range(3));
        EXPECT_EQ(graph->Stop(), ActionResult::Success);
    }
}

TEST(TargetKeep, TheHostHearsTheSwitchTurnedBackOn)
{
    // Stored all "False": the switch turned back on when the profile is built is told to the
    // host's listeners, once.
    registerKeepClasses();
    auto graph = std::make_shared<Graph>();
    ASSERT_EQ(graph->AddAndConnect(std::make_shared<OfferSource<2>>()), ActionResult::Success);
    auto target = std::make_shared<KeepTarget>();
    HeardChanges host;
    target->AddParameterValueChangedListener(&host);
    target->setParameterValues({{kKeepA, "False"}, {kKeepB, "False"}});
    ASSERT_EQ(graph->AddAndConnect(target), ActionResult::Success) << graph->GetLastError(false).CStr();
    EXPECT_EQ(host.heard, (std::vector<std::pair<std::string, std::string>>{
                              {kKeepA, "False"}, {kKeepB, "False"}, {kKeepA, "True"}}));
    target->RemoveParameterValueChangedListener(&host);
}
