#include <Hyx/LoggerInstance.h>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

using VornCommon::LogLevel;
using VornCommon::MemoryLogger;
using VornCommon::WeakLoggerPtr;

namespace {

class RecordingListener : public Hyx::IHYXLoggerInstanceListener {
public:
    void OnLoggerInstanceChanged(WeakLoggerPtr logger) override
    {
        ++calls;
        lastHadLogger = logger.Lock() != nullptr;
    }
    int calls = 0;
    bool lastHadLogger = false;
};

// Logs from inside the notification: the handle is readable while listeners are told.
class LoggingListener : public Hyx::IHYXLoggerInstanceListener {
public:
    void OnLoggerInstanceChanged(WeakLoggerPtr) override { Hyx::LogMessage(LogLevel::Info, "logger changed"); }
};

class LoggerInstance : public ::testing::Test {
protected:
    void TearDown() override { Hyx::ResetHYXLoggerInstance(); }
};

} // namespace

TEST_F(LoggerInstance, ListenerMayLogWhileBeingTold)
{
    LoggingListener listener;
    Hyx::RegisterHYXLoggerInstanceListener(&listener);
    auto logger = std::make_shared<MemoryLogger>();
    Hyx::SetHYXLoggerInstance(WeakLoggerPtr(logger));
    Hyx::UnregisterHYXLoggerInstanceListener(&listener);
    ASSERT_EQ(logger->Count(), 1u);
    EXPECT_EQ(logger->Entries().front().text, "logger changed");
}

TEST(LoggerInstanceConcurrency, LoggingOnManyThreadsWhileTheHostSetsTheLogger)
{
    auto logger = std::make_shared<MemoryLogger>();
    std::atomic<bool> stop{false};
    std::vector<std::thread> loggers;
    for (int t = 0; t < 4; ++t)
        loggers.emplace_back([&stop, t] {
            for (int i = 0; i < 5000 && !stop.load(); ++i)
                Hyx::LogMessage(LogLevel::Info, "thread %d message %d", t, i);
        });
    RecordingListener listener;
    Hyx::RegisterHYXLoggerInstanceListener(&listener);
    for (int round = 0; round < 200; ++round) {
        Hyx::SetHYXLoggerInstance(WeakLoggerPtr(logger));
        Hyx::ResetHYXLoggerInstance();
    }
    Hyx::SetHYXLoggerInstance(WeakLoggerPtr(logger));
    stop = true;
    for (auto& thread : loggers)
        thread.join();
    Hyx::UnregisterHYXLoggerInstanceListener(&listener);
    Hyx::ResetHYXLoggerInstance();
    EXPECT_EQ(listener.calls, 401);
    for (const auto& entry : logger->Entries())
        EXPECT_EQ(entry.tag, "HYX2");
}
