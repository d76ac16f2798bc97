#include <Hyx/BloscCompressor.h>
#include <Hyx/NormalsOctCompressor.h>
#include <Hyx/ThreadLocal.h>
#include <Hyx/Vector3DNormalizer.h>

#include <gtest/gtest.h>

#include <latch>
#include <set>
#include <thread>
#include <vector>

using Hyx::BloscCompressor;
using Hyx::LocalThread;
using Hyx::NormalsOctCompressor;
using Hyx::ThreadLocal;
using Hyx::Vector3DNormalizer;

TEST(ThreadLocal, OneInstancePerThreadThatOutlivesIt)
{
    Vector3DNormalizer& mine = ThreadLocal<Vector3DNormalizer>::ThreadInstance();
    EXPECT_EQ(&mine, &ThreadLocal<Vector3DNormalizer>::ThreadInstance());
    Vector3DNormalizer* other = nullptr;
    BloscCompressor* orphan = nullptr;
    std::thread([&] {
        other = &ThreadLocal<Vector3DNormalizer>::ThreadInstance();
        orphan = &ThreadLocal<BloscCompressor>::ThreadInstance();
    }).join();
    EXPECT_NE(&mine, other);

    // The ended thread's instance still works.
    const std::vector<char> plain(1000, 'x');
    uint64_t size = plain.size() + 16;
    const uint8_t* packed = orphan->RawCompress(plain.data(), plain.size(), &size, Hyx::CompressionBaseTypes::LZ4, 1);
    std::vector<char> back(plain.size());
    orphan->DecompressData(reinterpret_cast<const char*>(packed), size, back.data(), back.size(),
                           Hyx::CompressionBaseTypes::LZ4);
    EXPECT_EQ(back, plain);
}

TEST(ThreadLocal, HolderKeepsTheFirstThreadsInstances)
{
    LocalThread holder;
    NormalsOctCompressor* first = nullptr;
    std::thread([&] { first = holder.GetNormalsOctCompressor(); }).join();
    EXPECT_EQ(holder.GetNormalsOctCompressor(), first);
    EXPECT_NE(first, &ThreadLocal<NormalsOctCompressor>::ThreadInstance());
    EXPECT_EQ(holder.GetBloscCompressor(), &ThreadLocal<BloscCompressor>::ThreadInstance());
}

TEST(ThreadLocal, EightThreadsGetEightInstances)
{
    constexpr int kThreads = 8;
    std::vector<std::set<const void*>> seen(kThreads);
    std::latch allAlive(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            allAlive.arrive_and_wait(); // live threads have distinct ids
            for (int call = 0; call < 1000; ++call) {
                seen[t].insert(&ThreadLocal<NormalsOctCompressor>::ThreadInstance());
                LocalThread holder;
                seen[t].insert(holder.GetNormalsOctCompressor());
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    std::set<const void*> all;
    for (const auto& s : seen) {
        EXPECT_EQ(s.size(), 1u);
        all.insert(s.begin(), s.end());
    }
    EXPECT_EQ(all.size(), size_t(kThreads));
}
