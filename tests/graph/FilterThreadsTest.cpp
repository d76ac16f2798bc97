// State a host reads while the graph's worker updates: error text, progress, processed atoms,
// parameter values and texts, listener lists. Meant for the ThreadSanitizer run.

#include <Hyx/Atom.h>
#include <Hyx/Connection.h>
#include <Hyx/Graph.h>

#include "ParamRecorder.h"
#include "TestFilters.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

using namespace Hyx;
using HyxTest::TestFilter;
using HyxTest::TestSource;
using Code = HyxErrorCode;

namespace {

constexpr int kRounds = 2000;

class CountingListener : public IFilterParameterValueChanged {
public:
    void cbiFilterParameterValueChanged(std::shared_ptr<Filter>, const char*, const char*) override { ++calls; }
    std::atomic<int> calls{0};
};

} // namespace

TEST(FilterThreads, HostReadsWhileTheWorkerUpdates)
{
    auto graph = std::make_shared<Graph>();
    auto source = std::make_shared<TestSource>();
    auto target = std::make_shared<TestFilter>();
    target->makeParams = [](TestFilter& self) {
        self.addParam(std::make_shared<FilterParamInt32>("Threads count", 0u, 1, 1, 64));
        self.addParam(std::make_shared<FilterParamVector3>("Scale", 0u, 1.0f, 1.0f, 1.0f));
        self.addParam(std::make_shared<FilterParamString>("Name", 0u, "a"));
    };
    ASSERT_EQ(graph->AddAndConnect(source), ActionResult::Success);
    ASSERT_EQ(graph->AddAndConnect(target), ActionResult::Success);
    ASSERT_EQ(source->Play(), Code::Success);
    ASSERT_EQ(target->Play(), Code::Success);

    std::atomic<bool> done{false};
    std::thread worker([&] {
        for (int i = 0; i < kRounds; ++i) {
            auto atom = std::make_shared<Atom>(0u, static_cast<uint32_t>(i), uint64_t{0});
            source->pushToOutputQueue(atom);
            (void)target->getInputConnection()->Pull();
            target->Update();
            source->SetProgress(static_cast<float>(i) / kRounds, "working");
            if (i % 100 == 0)
                target->ReportError(Code::FilterFailedToPushAtom, "round");
            // The worker reads parameters while the host sets them.
            (void)target->getParameterValue("Scale");
        }
        done.store(true);
    });

    CountingListener listener;
    int reads = 0;
    while (!done.load() || reads < 10) {
        ++reads;
        (void)source->GetLastError(false);
        (void)target->GetLastError(reads % 7 == 0);
        (void)source->GetProgress();
        (void)source->GetProgressInfo();
        (void)graph->GetProgress();
        (void)source->GetLastProcessedFrame();
        (void)source->GetNumFramesProcessed();
        (void)source->GetFilterState();
        target->AddParameterValueChangedListener(&listener);
        target->setParameterValue("Scale", reads % 2 ? "1/2/3" : "3/2/1");
        target->setParameterValue("Name", reads % 2 ? "x" : "y");
        target->RemoveParameterValueChangedListener(&listener);
        (void)target->getParameters();
    }
    worker.join();
    EXPECT_EQ(source->GetNumAtomsProcessed(), static_cast<unsigned>(kRounds));
    EXPECT_GT(listener.calls.load(), 0);
    EXPECT_EQ(source->Stop(), Code::Success);
    EXPECT_EQ(target->Stop(), Code::Success);
}

TEST(FilterThreads, ParameterValuesAndTexts)
{
    auto vec = std::make_shared<FilterParamVector4>("v", 0u, 0.0f, 0.0f, 0.0f, 0.0f);
    auto text = std::make_shared<FilterParamString>("s", 0u, "");
    auto number = std::make_shared<FilterParamFloat>("f", 0u, 0.0f, 0.0f, 1.0f);
    HyxTest::EventRecorder events;
    vec->_events.Add(&events);

    std::atomic<bool> done{false};
    std::thread writer([&] {
        for (int i = 0; i < kRounds; ++i) {
            const float x = static_cast<float>(i);
            vec->SetValue(x, x, x, x);
            text->SetValueAsString(i % 2 ? "odd" : "even");
            number->SetValue(x);
        }
        done.store(true);
    });
    int consistent = 0;
    while (!done.load()) {
        const auto v = vec->GetValue();
        if (v[0] == v[1] && v[1] == v[2] && v[2] == v[3])
            ++consistent;
        else
            ADD_FAILURE() << "torn vector read";
        (void)vec->GetValueAsString();
        (void)vec->ToString();
        (void)text->GetValue();
        (void)text->GetValueAsString();
        (void)number->GetValue();
    }
    writer.join();
    vec->_events.Remove(&events);
    EXPECT_EQ(events.Count(), static_cast<size_t>(kRounds - 1)); // the first value equals the default
    EXPECT_EQ(vec->GetValueAsString(), "1999/1999/1999/1999");
    EXPECT_GE(consistent, 0);
}

namespace {

// Blocks inside its first notification until released.
class BlockingListener : public FilterParam::Events {
public:
    void onValueChanged(std::shared_ptr<FilterParam>, std::string) override
    {
        std::unique_lock<std::mutex> lock(_mutex);
        _entered = true;
        _changed.notify_all();
        _changed.wait(lock, [this] { return _released; });
        _finished = true;
    }
    void WaitEntered()
    {
        std::unique_lock<std::mutex> lock(_mutex);
        _changed.wait(lock, [this] { return _entered; });
    }
    void Release()
    {
        std::lock_guard<std::mutex> lock(_mutex);
        _released = true;
        _changed.notify_all();
    }
    bool Finished()
    {
        std::lock_guard<std::mutex> lock(_mutex);
        return _finished;
    }

private:
    std::mutex _mutex;
    std::condition_variable _changed;
    bool _entered = false;
    bool _released = false;
    bool _finished = false;
};

} // namespace

TEST(FilterThreads, RemovingAListenerWaitsForItsRunningNotification)
{
    auto param = std::make_shared<FilterParamBool>("b", 0u, false);
    auto listener = std::make_unique<BlockingListener>();
    param->_events.Add(listener.get());
    std::thread setter([&] { param->SetValue(true); });
    listener->WaitEntered();

    std::atomic<bool> removed{false};
    std::thread remover([&] {
        param->_events.Remove(listener.get());
        removed.store(true);
    });
    // While the notification runs, the listener must stay alive: Remove has not returned.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(removed.load());
    listener->Release();
    remover.join();
    EXPECT_TRUE(removed.load());
    EXPECT_TRUE(listener->Finished());
    listener.reset(); // safe now: no emission can reach it any more
    setter.join();
    param->SetValue(false);
    EXPECT_EQ(param->_events.Count(), 0u);
}
