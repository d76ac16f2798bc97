#include <VornCommon/Logger.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

using namespace VornCommon;

namespace {

// What the library does at every log call: lock the weak handle, log only when it is alive.
void LogThrough(const WeakLoggerPtr& handle, LogLevel level, const char* text, long long value)
{
    if (SharedLoggerPtr logger = handle.Lock())
        logger->LogMessage(level, "HYX2", "%s %lld", text, value);
}

} // namespace

TEST(Logger, MessageThroughWeakHandleReachesMemoryLogger)
{
    auto memory = std::make_shared<MemoryLogger>();
    WeakLoggerPtr handle(memory);
    EXPECT_FALSE(handle.Expired());

    LogThrough(handle, LogLevel::Error, "frames", 42);
    LogThrough(handle, static_cast<LogLevel>(4), "info", -7);

    const std::vector<MemoryLogger::Entry> entries = memory->Entries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].level, LogLevel::Error);
    EXPECT_EQ(entries[0].tag, "HYX2");
    EXPECT_EQ(entries[0].text, "frames 42");
    EXPECT_EQ(static_cast<int>(entries[1].level), 4);
    EXPECT_EQ(entries[1].text, "info -7");
    EXPECT_TRUE(memory->Contains("s 4"));
    EXPECT_FALSE(memory->Contains("absent"));

    // Once the host's logger is gone the handle locks to nothing and logging is a no-op.
    memory.reset();
    EXPECT_TRUE(handle.Expired());
    EXPECT_EQ(handle.Lock(), nullptr);
    LogThrough(handle, LogLevel::Error, "dropped", 1);

    WeakLoggerPtr empty;
    EXPECT_EQ(empty.Lock(), nullptr);
    auto other = std::make_shared<MemoryLogger>();
    WeakLoggerPtr reset(other);
    reset.Reset();
    EXPECT_EQ(reset.Lock(), nullptr);
}

TEST(Logger, LongMessagesAreNotCutAndTextIsTakenVerbatim)
{
    auto memory = std::make_shared<MemoryLogger>();
    const std::string longText(9000, 'x');
    memory->LogMessage(LogLevel::Warning, "T", "<%s>", longText.c_str());
    memory->LogMessage(LogLevel::Warning, "T", "%s", std::string(511, 'y').c_str()); // buffer edge
    memory->LogMessage(LogLevel::Warning, "T", "%s", std::string(512, 'z').c_str());
    memory->LogText(LogLevel::Info, nullptr, "100% literal %s");

    const auto entries = memory->Entries();
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0].text, "<" + longText + ">");
    EXPECT_EQ(entries[1].text, std::string(511, 'y'));
    EXPECT_EQ(entries[2].text, std::string(512, 'z'));
    EXPECT_EQ(entries[3].text, "100% literal %s");
    EXPECT_EQ(entries[3].tag, "");
}

TEST(Logger, ThresholdDropsMoreVerboseLevels)
{
    auto memory = std::make_shared<MemoryLogger>();
    memory->SetMaxLevel(LogLevel::Warning);
    memory->LogMessage(LogLevel::Info, "T", "info");
    memory->LogMessage(LogLevel::Error, "T", "error");
    memory->LogMessage(LogLevel::Warning, "T", "warning");
    EXPECT_EQ(memory->Count(), 2u);
    EXPECT_FALSE(memory->Contains("info"));
    memory->Clear();
    EXPECT_EQ(memory->Count(), 0u);
    EXPECT_STREQ(LogLevelName(LogLevel::Warning), "WARNING");
    EXPECT_STREQ(LogLevelName(static_cast<LogLevel>(99)), "LOG");
}

TEST(LoggerConcurrency, ManyThreadsLogWithoutLoss)
{
    auto memory = std::make_shared<MemoryLogger>();
    WeakLoggerPtr handle(memory);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&handle, t] {
            for (int i = 0; i < 200; ++i)
                LogThrough(handle, LogLevel::Info, "thread", t * 1000 + i);
        });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(memory->Count(), 800u);
}
