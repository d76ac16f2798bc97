// Queues and connections: bounded FIFO behaviour, flush, joining and parting filters, and the
// hand-over between threads.

#include <Hyx/Atom.h>
#include <Hyx/Connection.h>
#include <Hyx/Graph.h>
#include <Hyx/Queue.h>

#include "TestFilters.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

using namespace Hyx;
using HyxTest::TestFilter;
using HyxTest::TestSource;
using Code = HyxErrorCode;
using State = Filter::FilterState;

namespace {

std::shared_ptr<Atom> frame(uint32_t nr)
{
    return std::make_shared<Atom>(0u, nr, uint64_t{nr});
}

} // namespace

TEST(Connection, JoinAndPart)
{
    auto graph = std::make_shared<Graph>();
    auto source = std::make_shared<TestSource>();
    auto filter = std::make_shared<TestFilter>();
    ASSERT_EQ(graph->AddAndConnect(source), ActionResult::Success);
    ASSERT_EQ(filter->PreInitialize(source.get(), graph), Code::Success);

    // The output filter refuses (not initialised): its code comes back.
    auto refused = std::make_shared<Connection>(graph, 4);
    EXPECT_EQ(refused->Connect(source, filter), Code::FilterWrongStateToConnectInput);
    EXPECT_EQ(refused->GetInputFilter(), source);
    EXPECT_EQ(refused->GetOutputFilter(), filter);
    EXPECT_EQ(filter->GetFilterState(), State::PreInitialized);

    // The input filter refuses: the output filter is not touched.
    ASSERT_EQ(filter->Initialize(source.get()), Code::Success);
    auto backwards = std::make_shared<Connection>(graph, 4);
    EXPECT_EQ(backwards->Connect(filter, source), Code::FilterWrongStateToConnectOutput);
    EXPECT_EQ(backwards->GetOutputFilter(), nullptr);
    EXPECT_EQ(source->GetFilterState(), State::Connected);
    EXPECT_EQ(backwards->Connect(nullptr, filter), Code::UnknownError);

    auto connection = std::make_shared<Connection>(graph, 4);
    ASSERT_EQ(connection->Connect(source, filter), Code::Success);
    EXPECT_EQ(filter->GetFilterState(), State::Connected);
    EXPECT_EQ(connection->GetNumSlots(), 4);
    EXPECT_TRUE(connection->PushToQueue(frame(1)));
    EXPECT_TRUE(connection->HasPendingData());
    EXPECT_EQ(connection->NumEmptySlots(), 3);
    connection->Flush();
    EXPECT_EQ(connection->Pull(), nullptr);

    // The filter was never added to the graph: the graph refuses to undo the join.
    EXPECT_FALSE(connection->Disconnect());
    EXPECT_EQ(graph->GetLastError(false).StdString(), "Graph failed to disconnect a filter(it was not added)");

    // With the graph gone there is nothing to undo.
    std::weak_ptr<Filter> weakFilter = filter;
    auto held = std::make_shared<Connection>(graph, 1);
    graph.reset();
    EXPECT_TRUE(held->Disconnect());
    filter->Reset();
    source->Reset();
    filter.reset();
    EXPECT_TRUE(weakFilter.expired());
    EXPECT_EQ(connection->GetOutputFilter(), nullptr);
}

TEST(QueueConcurrency, PullWaitsForAPush)
{
    Queue q(2);
    std::atomic<bool> pushed{false};
    auto puller = std::async(std::launch::async, [&] {
        auto atom = q.Pull();
        return pushed.load() && atom && atom->GetFrameNr() == 7;
    });
    // The puller cannot finish before the push.
    EXPECT_EQ(puller.wait_for(std::chrono::milliseconds(20)), std::future_status::timeout);
    pushed.store(true);
    ASSERT_TRUE(q.Push(frame(7)));
    ASSERT_EQ(puller.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_TRUE(puller.get());
}

TEST(QueueConcurrency, ProducerToConsumerInOrder)
{
    // The graph's connection size, 100,000 atoms from one thread to another.
    auto graph = std::make_shared<Graph>();
    auto connection = std::make_shared<Connection>(graph, 1000);
    constexpr uint32_t kAtoms = 100000;
    std::vector<std::shared_ptr<Atom>> atoms;
    atoms.reserve(kAtoms);
    for (uint32_t i = 0; i < kAtoms; ++i)
        atoms.push_back(std::make_shared<Atom>(i, uint64_t{i}));
    std::thread producer([&] {
        for (uint32_t i = 0; i < kAtoms;) {
            if (connection->PushToQueue(atoms[i]))
                ++i;
            else
                std::this_thread::yield(); // full: the push refused without blocking
        }
    });
    uint32_t inOrder = 0;
    for (uint32_t i = 0; i < kAtoms; ++i) {
        const std::shared_ptr<Atom> atom = connection->Pull();
        if (atom == atoms[i])
            ++inOrder;
    }
    producer.join();
    EXPECT_EQ(inOrder, kAtoms);
    EXPECT_FALSE(connection->HasPendingData());
}

TEST(QueueConcurrency, PushesNeverBlockWithSeveralProducers)
{
    Queue q(8);
    constexpr int kProducers = 4;
    constexpr int kTries = 2000;
    std::atomic<int> accepted{0};
    std::vector<std::thread> producers;
    for (int p = 0; p < kProducers; ++p) {
        producers.emplace_back([&] {
            for (int i = 0; i < kTries; ++i) {
                if (q.Push(frame(1)))
                    ++accepted;
            }
        });
    }
    // Nobody pulls: every producer finishes, having filled exactly the slots.
    for (auto& t : producers)
        t.join();
    EXPECT_EQ(accepted.load(), 8);
    EXPECT_EQ(q.NumPendingData(), 8);
}

TEST(QueueConcurrency, FlushWhileAConsumerWaits)
{
    Queue q(4);
    auto consumer = std::async(std::launch::async, [&] { return q.Pull(); });
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    q.Flush(); // the waiting consumer takes the empty atom pointer
    ASSERT_EQ(consumer.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_EQ(consumer.get(), nullptr);
    EXPECT_EQ(q.NumPendingData(), 0);
}
