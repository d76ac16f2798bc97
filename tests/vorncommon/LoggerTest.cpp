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
    EXPECT_EQ((std::tuple{entries[0].text, entries[1].text, entries[2].text, entries[3].text, entries[3].tag}),
              std::tuple("<" + longText + ">", std::string(511, 'y'), std::string(512, 'z'), "100% literal %s", ""));
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
