#include <VornCommon/Delegate.h>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

using VornCommon::signali::Delegate;

namespace {

struct Events {
    virtual ~Events() = default;
    virtual void onEvent(int value) = 0;
};

// Records its calls in a shared log; runs its action, when set, on the next call only.
struct Recorder : Events {
    Recorder(std::string name, std::vector<std::string>& log) : name(std::move(name)), log(log) {}
    void onEvent(int value) override
    {
        log.push_back(name + std::to_string(value));
        // One-shot: taken out first so the action may change the delegate freely.
        if (std::function<void()> once = std::move(action)) {
            action = nullptr;
            once();
        }
    }
    std::string name;
    std::vector<std::string>& log;
    std::function<void()> action;
};

} // namespace

TEST(Delegate, ChangesDuringEmissionTakeEffectNextTime)
{
    std::vector<std::string> log;
    Recorder a("a", log), b("b", log), c("c", log), d("d", log);
    Delegate<Events> events;
    events.Add(&a);
    events.Add(&b);
    events.Add(&c);
    // a removes itself and c, and adds d, while the first emission runs.
    a.action = [&] {
        events.Remove(&a);
        events.Remove(&c);
        events.Add(&d);
    };

    events.Emit(&Events::onEvent, 1);
    EXPECT_EQ(log, (std::vector<std::string>{"a1", "b1", "c1"})) << "the copied list runs unchanged";
    log.clear();
    events.Emit(&Events::onEvent, 2);
    EXPECT_EQ(log, (std::vector<std::string>{"b2", "d2"}));
}

TEST(Delegate, EmissionFromInsideAListenerDoesNotDeadlock)
{
    std::vector<std::string> log;
    Recorder a("a", log), b("b", log);
    Delegate<Events> events;
    events.Add(&a);
    events.Add(&b);
    a.action = [&] { events.Emit(&Events::onEvent, 2); };
    events.Emit(&Events::onEvent, 1);
    EXPECT_EQ(log, (std::vector<std::string>{"a1", "a2", "b2", "b1"}));
}

TEST(DelegateConcurrency, EmitWhileOtherThreadChangesListeners)
{
    struct Counter : Events {
        void onEvent(int value) override { total.fetch_add(value, std::memory_order_relaxed); }
        std::atomic<long> total{0};
    };
    Counter steady, coming;
    Delegate<Events> events;
    events.Add(&steady);

    constexpr int kRounds = 2000;
    std::thread changer([&] {
        for (int i = 0; i < kRounds; ++i) {
            events.Add(&coming);
            events.Remove(&coming);
        }
    });
    for (int i = 0; i < kRounds; ++i)
        events.Emit(&Events::onEvent, 1);
    changer.join();
    EXPECT_EQ(steady.total.load(), kRounds) << "a listener present throughout gets every emission";
    EXPECT_LE(coming.total.load(), kRounds);
    EXPECT_EQ(events.Count(), 1u);
}
