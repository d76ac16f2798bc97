// Pacing error of the asynchronous graph at 25 fps over 200 frames, beside a bare loop that
// sleeps to the same 40 ms deadlines on one thread (the platform's own precision). Counters:
// mean period, and mean and largest deviation of each period from 40 ms, in milliseconds.

#include "../tests/graph/GraphFixtures.h"

#include <Hyx/AsyncGraph.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr unsigned kFrames = 200;
constexpr double kPeriodMs = 40.0;

void Report(benchmark::State& state, const std::vector<Clock::time_point>& times)
{
    double sum = 0.0;
    double deviation = 0.0;
    double worst = 0.0;
    for (size_t i = 1; i < times.size(); ++i) {
        const double period = std::chrono::duration<double, std::milli>(times[i] - times[i - 1]).count();
        sum += period;
        deviation += std::fabs(period - kPeriodMs);
        worst = std::max(worst, std::fabs(period - kPeriodMs));
    }
    const double n = static_cast<double>(times.size() - 1);
    state.counters["mean_period_ms"] = sum / n;
    state.counters["mean_error_ms"] = deviation / n;
    state.counters["max_error_ms"] = worst;
}

void BM_SleepUntilDeadlines(benchmark::State& state)
{
    std::vector<Clock::time_point> times;
    for (auto _ : state) {
        times.clear();
        const Clock::time_point start = Clock::now();
        for (unsigned i = 0; i < kFrames; ++i) {
            std::this_thread::sleep_until(start + std::chrono::milliseconds(40 * i));
            times.push_back(Clock::now());
        }
    }
    Report(state, times);
}
BENCHMARK(BM_SleepUntilDeadlines)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_AsyncGraphAt25Fps(benchmark::State& state)
{
    struct Done : Hyx::Graph::Events {
        void onGraphStateChanged(Hyx::Graph::GraphState s) override
        {
            std::lock_guard<std::mutex> lock(mutex);
            stopped = s == Hyx::Graph::GraphState::Stopped;
            changed.notify_all();
        }
        std::mutex mutex;
        std::condition_variable changed;
        bool stopped = false;
    } done;
    std::vector<Clock::time_point> times;
    auto graph = std::make_shared<Hyx::AsyncGraph>();
    auto target = std::make_shared<GraphFixtures::TestTarget>();
    target->process = [&](GraphFixtures::TestTarget&, const Hyx::Atom&) {
        times.push_back(Clock::now()); // the worker only; read after the stop
        return Hyx::HyxErrorCode::Success;
    };
    graph->AddAndConnect(std::make_shared<GraphFixtures::TestSource>(kFrames));
    graph->AddAndConnect(target);
    graph->_graphEvents.Add(&done);
    graph->SetPlaybackMode(Hyx::PlaybackMode::ForwardOnce, 25.0f);
    for (auto _ : state) {
        times.clear();
        std::unique_lock<std::mutex> lock(done.mutex);
        done.stopped = false;
        lock.unlock();
        graph->Play();
        lock.lock();
        done.changed.wait(lock, [&] { return done.stopped; });
    }
    graph->Stop();
    graph->_graphEvents.Remove(&done);
    Report(state, times);
}
BENCHMARK(BM_AsyncGraphAt25Fps)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
