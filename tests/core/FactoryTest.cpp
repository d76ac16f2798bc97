// The two class factories without plug-in libraries: registration, conflicts, lookups,
// creation failures and iteration. Each test uses GUIDs of its own, so the tests also pass
// when they run in one process.

#include "CapturedLog.h"
#include "TestLayers.h"

#include "impl/core/datalayers/DataLayerClassRegistry.h"
#include "impl/core/filters/FilterClassRegistry.h"

#include <Hyx/DataLayerFactory.h>
#include <Hyx/DataTypeStreamInfo.h>
#include <Hyx/FilterFactory.h>
#include <Hyx/GuidAlias.h>

#include <ThrownText.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <stdexcept>
#include <thread>
#include <vector>

using namespace Hyx;
using VornCommon::Guid;
using VornCommon::LogLevel;

namespace {

Guid guid(uint32_t suite, uint32_t n)
{
    char text[40];
    std::snprintf(text, sizeof text, "FAC%05X-0000-4000-8000-%012X", suite, n);
    return Guid::FromHexString(text);
}

std::string hex(const Guid& g)
{
    return g.ToHexString().StdString();
}

template <int N>
class NamedLayer : public TestLayer {
public:
    NamedLayer() : TestLayer(Guid()) {}
    DataLayerClassInfo GetDataLayerClassInfo() const override { return Info(); }
    static DataLayerClassInfo Info() { return DataLayerClassInfo("DataTypeFactoryTest" + std::to_string(N)); }
    static DataLayer* Create() { return new NamedLayer<N>(); }
};

Filter* noFilter()
{
    return nullptr;
}
Filter* otherNoFilter()
{
    return nullptr;
}

} // namespace

TEST(DataLayerFactory, FirstRegistrationWinsAndConflictsAreLoggedOnce)
{
    CapturedLog log;
    const Guid g = guid(1, 1);
    DataLayerFactory::RegisterDataLayerClass(g, NamedLayer<1>::Info(), &NamedLayer<1>::Create);
    EXPECT_EQ((std::tuple{DataLayerFactory::RegisterDataLayerClass(g, NamedLayer<2>::Info(), &NamedLayer<2>::Create),
                          log.Count(LogLevel::Error,
                                    "Multiple data layer classes registered with the same guid '" + hex(g) + "'"),
                          log.Entries().size()}),
              std::tuple(nullptr, 1, 1u));

    // The very same registration again changes nothing and says nothing.
    DataLayerFactory::RegisterDataLayerClass(g, NamedLayer<1>::Info(), &NamedLayer<1>::Create);
    EXPECT_EQ(log.Entries().size(), 1u);

    EXPECT_EQ(DataLayerFactory::GetDataLayerClassInfo(g).GetClassName(), "DataTypeFactoryTest1");
    EXPECT_EQ(Utils::GetGuidAlias(g), "FactoryTest1"); // a data-layer class is known by its nice name

    const Guid purpose = guid(1, 99);
    auto layer = DataLayerFactory::CreateDataLayer(g, purpose);
    ASSERT_TRUE(layer);
    EXPECT_EQ((std::tuple{layer->GetDataLayerClassInfo().GetClassName(), layer->GetPurposeGuid(), layer->GetVersion()}),
              std::tuple("DataTypeFactoryTest1", purpose, 1));
    auto versioned = DataLayerFactory::CreateDataLayer(g, purpose, 0x70005);
    ASSERT_TRUE(versioned);
    EXPECT_EQ(versioned->GetVersion(), 5); // the low 16 bits
}

TEST(DataLayerFactory, UnknownGuids)
{
    CapturedLog log;
    const Guid g = guid(2, 1);
    DataLayerClassInfo info(std::string("DataTypeUntouched"));
    EXPECT_EQ((std::tuple{bool(DataLayerFactory::TryGetDataLayerClassInfo(g, info)), info.GetClassName(),
                          ThrownText<std::invalid_argument>([&] { DataLayerFactory::GetDataLayerClassInfo(g); }),
                          bool(DataLayerFactory::CreateDataLayer(g, Guid::Nil)),
                          bool(DataLayerFactory::CreateDataLayer(g, Guid::Nil, 3)),
                          log.Count(LogLevel::Warning, "Failed to create a data layer with guid '" + hex(g) +
                                                           "', no such data layer class registered")}),
              std::tuple(false, "DataTypeUntouched", "No data layer class with guid '" + hex(g) + "' registered", false,
                         false, 2));
}

TEST(DataLayerFactory, DeclaredClassOfAnUnloadableModule)
{
    CapturedLog log;
    const Guid g = guid(4, 1);
    auto module = std::make_shared<PluginModule>("/nonexistent/dir/missing_vornp.dll", 17);
    DataLayerFactory::DeclareDataLayerClass(g, NamedLayer<4>::Info(), module);
    DataLayerFactory::DeclareDataLayerClass(g, NamedLayer<4>::Info(), module); // the same: nothing
    EXPECT_EQ(log.Entries().size(), 0u);
    DataLayerFactory::DeclareDataLayerClass(g, NamedLayer<5>::Info(), module);
    EXPECT_EQ((std::tuple{log.Count(LogLevel::Error,
                                    "Multiple data layer classes declared with the same guid '" + hex(g) + "'"),
                          Utils::GetGuidAlias(g)}),
              std::tuple(1, "FactoryTest4"));

    // A registration outside the module's load is another class: a conflict.
    DataLayerFactory::RegisterDataLayerClass(g, NamedLayer<4>::Info(), &NamedLayer<4>::Create);
    EXPECT_EQ(log.Count(LogLevel::Error, "Multiple data layer classes registered with the same guid '" + hex(g) + "'"),
              1);

    log.Clear();
    EXPECT_FALSE(DataLayerFactory::CreateDataLayer(g, Guid::Nil));
    const auto entries = log.Entries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_TRUE(entries[0].text.starts_with("Error loading plugin '/nonexistent/dir/missing_vornp.dll': "))
        << entries[0].text;
    EXPECT_GT(entries[0].text.size(),
              std::string("Error loading plugin '/nonexistent/dir/missing_vornp.dll': ").size());
    EXPECT_EQ(entries[1].text, "Failed to create a data layer, missing creator function");
    EXPECT_FALSE(module->IsLoaded());

    DataLayerFactory::UnregisterDataLayerClassesOfModule(module);
    DataLayerClassInfo info;
    EXPECT_FALSE(DataLayerFactory::TryGetDataLayerClassInfo(g, info));
    DataLayerFactory::UnregisterDataLayerClassesOfModule(nullptr); // removes nothing
    EXPECT_TRUE(DataLayerFactory::TryGetDataLayerClassInfo(DataTypeStreamInfo::TheTypeGuid(), info));
}

TEST(FilterFactory, RegistrationConflictsAndLookups)
{
    CapturedLog log;
    const Guid g = guid(5, 1);
    FilterClassInfo info("TransformFactoryTest", FilterCategory::Transform);
    FilterFactory::RegisterFilterClass(g, info, &noFilter);
    // The same name with another category is another class.
    FilterFactory::RegisterFilterClass(g, FilterClassInfo("TransformFactoryTest", FilterCategory::Target), &noFilter);
    FilterFactory::RegisterFilterClass(g, info, &otherNoFilter); // another creator
    EXPECT_EQ((std::tuple{
                  log.Count(LogLevel::Error, "Multiple filter classes registered with the same guid '" + hex(g) + "'"),
                  FilterFactory::GetFilterClassInfo(g).GetCategory(),
                  FilterFactory::GetFilterClassInfo(g).GetNiceClassName()}),
              std::tuple(2, FilterCategory::Transform, "FactoryTest"));
    EXPECT_EQ(Utils::GetGuidAlias(g), "TransformFactoryTest"); // a filter is known by its class name

    const Guid unknown = guid(5, 2);
    FilterClassInfo untouched("SourceUntouched", FilterCategory::Source);
    EXPECT_EQ((std::tuple{bool(FilterFactory::TryGetFilterClassInfo(unknown, untouched)), untouched.GetClassName(),
                          ThrownText<std::invalid_argument>([&] { FilterFactory::GetFilterClassInfo(unknown); })}),
              std::tuple(false, "SourceUntouched", "No filter class with guid '" + hex(unknown) + "' registered"));
    log.Clear();
    EXPECT_EQ((std::tuple{FilterFactory::CreateInstance(unknown),
                          log.Count(LogLevel::Error, "Failed to create a filter with guid '" + hex(unknown) +
                                                         "', no such filter class registered")}),
              std::tuple(nullptr, 1));

    const Guid bare = guid(5, 3);
    FilterFactory::RegisterFilterClass(bare, FilterClassInfo("TargetBare", FilterCategory::Target), nullptr);
    EXPECT_EQ((std::tuple{FilterFactory::CreateInstance(bare),
                          log.Count(LogLevel::Error, "Failed to create a filter, missing creator function")}),
              std::tuple(nullptr, 1));

    auto module = std::make_shared<PluginModule>("/nonexistent/other_vornp.dll", 1);
    FilterFactory::DeclareFilterClass(guid(5, 4), info, module);
    FilterFactory::DeclareFilterClass(guid(5, 4), FilterClassInfo("TransformFactoryTest", FilterCategory::Source),
                                      module);
    EXPECT_EQ(
        log.Count(LogLevel::Error, "Multiple filter classes declared with the same guid '" + hex(guid(5, 4)) + "'"), 1);
    FilterFactory::UnregisterFilterClassesOfModule(module);
    EXPECT_EQ((std::tuple{bool(FilterFactory::TryGetFilterClassInfo(guid(5, 4), untouched)),
                          bool(FilterFactory::TryGetFilterClassInfo(g, untouched))}),
              std::tuple(false, true));
}

TEST(DataLayerFactory, IterationRunsInGuidOrderAndStopsAtTheEnd)
{
    // Registered in descending order, declared ones included.
    auto module = std::make_shared<PluginModule>("/nonexistent/iter_vornp.dll", 1);
    DataLayerFactory::RegisterDataLayerClass(guid(6, 3), NamedLayer<6>::Info(), &NamedLayer<6>::Create);
    DataLayerFactory::DeclareDataLayerClass(guid(6, 2), NamedLayer<7>::Info(), module);
    DataLayerFactory::RegisterDataLayerClass(guid(6, 1), NamedLayer<8>::Info(), &NamedLayer<8>::Create);

    std::vector<Guid> seen;
    for (auto it = DataLayerFactory::Begin(); it != DataLayerFactory::End(); ++it)
        seen.push_back((*it).first);
    ASSERT_GE(seen.size(), 3u);
    for (size_t i = 1; i < seen.size(); ++i)
        EXPECT_LT(seen[i - 1], seen[i]);
    auto pos = std::find(seen.begin(), seen.end(), guid(6, 1));
    ASSERT_NE(pos, seen.end());
    ASSERT_LT(pos + 2, seen.end());
    EXPECT_EQ((std::tuple{pos[1], pos[2]}), std::tuple(guid(6, 2), guid(6, 3)));

    auto end = DataLayerFactory::End();
    ++end;
    EXPECT_TRUE(end == DataLayerFactory::End());
    EXPECT_THROW(*end, std::out_of_range);

    auto it = DataLayerFactory::Begin();
    auto old = it++;
    EXPECT_EQ((*old).first, seen[0]);
    EXPECT_EQ((*it).first, seen[1]);
    DataLayerFactoryIterator copy(it);
    copy = DataLayerFactory::Begin();
    EXPECT_EQ((std::tuple{copy == DataLayerFactory::Begin(), it != copy}), std::tuple(true, true));

    DataLayerFactory::UnregisterDataLayerClassesOfModule(module);
}

TEST(FactoryConcurrency, RegisterLookUpAndCreateFromManyThreads)
{
    constexpr int THREADS = 4;
    constexpr int PER_THREAD = 50;
    std::atomic<int> created{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < THREADS; ++t)
        threads.emplace_back([t, &created] {
            for (int i = 0; i < PER_THREAD; ++i) {
                const Guid g = guid(8, static_cast<uint32_t>(t * 1000 + i));
                DataLayerFactory::RegisterDataLayerClass(g, NamedLayer<9>::Info(), &NamedLayer<9>::Create);
                FilterFactory::RegisterFilterClass(g, FilterClassInfo("TargetThread", FilterCategory::Target),
                                                   &noFilter);
                DataLayerClassInfo info;
                if (DataLayerFactory::TryGetDataLayerClassInfo(g, info) && DataLayerFactory::CreateDataLayer(g, g))
                    ++created;
                FilterFactory::CreateInstance(g);
                auto begin = DataLayerFactory::Begin(); // takes the lock; does not iterate
                (void)begin;
            }
        });
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(created.load(), THREADS * PER_THREAD);
}
