#include <VornCommon/Profiler.h>

#include <gtest/gtest.h>

#include <latch>
#include <memory>
#include <thread>

using VornCommon::Profiler;
using VornCommon::ProfilerZone;
using VornCommon::ProfilerZoneScope;

namespace {

// Every test leaves profiling off, as the process starts.
class ProfilerFixture : public testing::Test {
protected:
    void TearDown() override { Profiler::destroyManager(); }
};

class ProfilerConcurrency : public ProfilerFixture {};

} // namespace

TEST_F(ProfilerFixture, CountsZonesAndFramesOfARegisteredThread)
{
    static ProfilerZone outer("HYX::Graph::Update");
    static ProfilerZone inner("HYX::Source::Update");
    static ProfilerZone never("HYX::Target::Update");
    auto manager = Profiler::createManager();
    auto record = manager->addThisCpuThread("AsyncGraph");
    ASSERT_NE(record, nullptr);
    EXPECT_EQ((std::tuple{manager->addThisCpuThread("Other"), manager->getCpuThread(), record->GetName()}),
              std::tuple(record, record, "AsyncGraph"));

    for (int frame = 0; frame < 3; ++frame) {
        ProfilerZoneScope graph(outer);
        if (frame != 1)
            ProfilerZoneScope source(inner);
        record->flip();
    }
    record->leaveZone(outer); // unbalanced: ignored

    const auto graphStats = record->GetZoneStats(outer);
    EXPECT_EQ(graphStats.name, "HYX::Graph::Update");
    EXPECT_EQ(graphStats.enterCount, 3u);
    EXPECT_EQ(graphStats.leaveCount, 3u);
    EXPECT_EQ(
        (std::tuple{record->GetZoneStats(inner).enterCount, record->GetZoneStats(inner).leaveCount,
                    record->GetZoneStats(never).enterCount, record->GetAllZoneStats().size(), record->GetFrameCount()}),
        std::tuple(2u, 2u, 0u, 2u, 3u));

    // A scope keeps its record alive when profiling is turned off inside it.
    {
        ProfilerZoneScope scope(outer);
        Profiler::destroyManager();
        manager.reset();
    }
    EXPECT_EQ(record->GetZoneStats(outer).leaveCount, 4u);
}

TEST_F(ProfilerConcurrency, RecordsArePerRegisteredThread)
{
    auto manager = Profiler::createManager();
    std::latch counted(3), checked(1);
    auto worker = [&](const char* name, int flips) {
        auto record = manager->addThisCpuThread(name);
        for (int i = 0; i < flips; ++i)
            manager->getCpuThread()->flip();
        counted.count_down();
        checked.wait();
        manager->removeThisCpuThread();
        EXPECT_EQ(manager->getCpuThread(), nullptr);
    };
    std::shared_ptr<VornCommon::ProfilerCpuThread> unregisteredRecord;
    std::thread first(worker, "first", 2);
    std::thread second(worker, "second", 5);
    std::thread unregistered([&] {
        unregisteredRecord = manager->getCpuThread();
        counted.count_down();
    });
    counted.wait();
    EXPECT_EQ(unregisteredRecord, nullptr);
    EXPECT_EQ(manager->getCpuThread(), nullptr) << "the test thread never registered";

    const auto records = manager->GetCpuThreads();
    ASSERT_EQ(records.size(), 2u);
    for (const auto& record : records) {
        EXPECT_EQ(record->GetFrameCount(), record->GetName() == "first" ? 2u : 5u);
    }
    checked.count_down();
    first.join();
    second.join();
    unregistered.join();
    EXPECT_TRUE(manager->GetCpuThreads().empty());
}
