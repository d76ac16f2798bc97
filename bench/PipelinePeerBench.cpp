// The graph beside a GStreamer pipeline doing the same in the same run: gst-launch-1.0 is
// started by the benchmark and timed from its own "Execution ended after" line.
//
// Per filter: a chain of N pass-through transforms against `fakesrc ! identity x N !
// fakesink`, each minus its chain without the middle elements, per element and frame.
// Hand-off: one MutateAtomMultiThread (one worker, no dropping) minus the same mutate work
// without a thread, against one `queue` minus none, per frame.
// Each round measures both sides back to back; the counters are medians over the rounds (the
// ratio the median of the per-round ratios, so a load change between rounds cancels out). The
// per-filter row also gives the ratio of CPU times (the host thread's against gst-launch's own),
// which a loaded machine disturbs far less than the wall-clock times.
// Without gst-launch-1.0 (Debian gstreamer1.0-tools) the rows are skipped.

#include "BenchChain.h"

#include <Hyx/Mutate.h>
#include <Hyx/MutateMultiThread.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace {

using namespace BenchChain;

constexpr int kRounds = 9;
constexpr int kMiddle = 10;
constexpr unsigned kFilterFrames = 100000;
constexpr unsigned kHandOffFrames = 50000;

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? NAN : values[values.size() / 2];
}

struct Timing {
    double wall = NAN; // seconds
    double cpu = NAN; // seconds
};

double childCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

double threadCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec + now.tv_nsec * 1e-9;
}

// How long the pipeline ran by its own account, and the CPU time it took; NaN when it did not
// run.
Timing pipeline(const std::string& middle, unsigned buffers)
{
    const std::string command = "gst-launch-1.0 fakesrc num-buffers=" + std::to_string(buffers) +
                                " sizetype=fixed sizemax=16 ! " + middle + "fakesink 2>&1";
    const double cpuBefore = childCpuSeconds();
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return {};
    Timing timing;
    char line[512];
    while (std::fgets(line, sizeof(line), pipe) != nullptr) {
        unsigned h = 0;
        unsigned m = 0;
        double s = 0;
        if (std::sscanf(line, "Execution ended after %u:%u:%lf", &h, &m, &s) == 3)
            timing.wall = h * 3600.0 + m * 60.0 + s;
    }
    if (pclose(pipe) != 0)
        return {};
    timing.cpu = childCpuSeconds() - cpuBefore;
    return timing;
}

std::string repeated(const char* element, int count)
{
    std::string text;
    for (int i = 0; i < count; ++i)
        text += std::string(element) + " ! ";
    return text;
}

// How long the host's thread takes to bring `frames` more frames to the sink; NaN on a failure.
Timing chain(Chain& chain, unsigned frames)
{
    const unsigned start = chain.sink->GetNumAtomsProcessed();
    const double cpuBefore = threadCpuSeconds();
    const auto begin = std::chrono::steady_clock::now();
    while (chain.sink->GetNumAtomsProcessed() - start < frames)
        if (chain.graph->Update() != Hyx::ActionResult::Success)
            return {};
    return {std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count(),
            threadCpuSeconds() - cpuBefore};
}

// Medians of both sides and of the per-round ratios, under `name`.
bool report(benchmark::State& state, const std::vector<double>& ours, const std::vector<double>& peer,
            const std::string& name)
{
    std::vector<double> ratios;
    for (size_t i = 0; i < ours.size(); ++i)
        ratios.push_back(ours[i] / peer[i]);
    if (std::any_of(ratios.begin(), ratios.end(), [](double r) { return !std::isfinite(r); })) {
        state.SkipWithError("a run failed (is gst-launch-1.0 installed?)");
        return false;
    }
    state.counters["hyx_" + name + "ns"] = median(ours);
    state.counters["gst_" + name + "ns"] = median(peer);
    state.counters[name + "ratio"] = median(ratios);
    return true;
}

void BM_PerFilterAgainstIdentity(benchmark::State& state)
{
    const double per = 1e9 / (kMiddle * double(kFilterFrames));
    for (auto _ : state) {
        std::vector<double> ours, peer, oursCpu, peerCpu;
        for (int round = 0; round < kRounds; ++round) {
            Chain bare(0, true);
            Chain middle(kMiddle, true);
            const Timing with = chain(middle, kFilterFrames);
            const Timing without = chain(bare, kFilterFrames);
            const Timing gstWith = pipeline(repeated("identity", kMiddle), kFilterFrames);
            const Timing gstWithout = pipeline("", kFilterFrames);
            ours.push_back((with.wall - without.wall) * per);
            peer.push_back((gstWith.wall - gstWithout.wall) * per);
            oursCpu.push_back((with.cpu - without.cpu) * per);
            peerCpu.push_back((gstWith.cpu - gstWithout.cpu) * per);
        }
        if (report(state, ours, peer, ""))
            report(state, oursCpu, peerCpu, "cpu_");
    }
}
BENCHMARK(BM_PerFilterAgainstIdentity)->Iterations(1)->Unit(benchmark::kMillisecond);

// The work of the threaded mutate (a shallow copy per atom), done on the host's thread.
class PlainPass : public Hyx::Mutate {
public:
    PlainPass() : Mutate(false) {}
    Guid TypeGuid() const override { return numbered(7, 0); }
    Hyx::FilterClassInfo GetFilterClassInfo() const override
    {
        return Hyx::FilterClassInfo("MutatePlainPass", Hyx::FilterCategory::Transform);
    }

protected:
    std::shared_ptr<Hyx::Profile> onGenerateOutputProfile(Hyx::Filter* upstream, std::shared_ptr<Hyx::Profile>) override
    {
        return upstream->GetAggregatedOutputProfile();
    }
    HyxErrorCode onCreateFrame(std::shared_ptr<Hyx::Atom> input, std::shared_ptr<Hyx::Atom>& output) override
    {
        output = Hyx::Atom::Copy(input, -1, true);
        return HyxErrorCode::Success;
    }
};

class ThreadedPass : public Hyx::MutateAtomMultiThread {
public:
    Guid TypeGuid() const override { return numbered(8, 0); }
    Hyx::FilterClassInfo GetFilterClassInfo() const override
    {
        return Hyx::FilterClassInfo("MutateThreadedPass", Hyx::FilterCategory::Transform);
    }

protected:
    std::shared_ptr<Hyx::Atom> onProcessAtom(void*, std::shared_ptr<Hyx::Atom> atom) override { return atom; }
};

void BM_HandOffAgainstQueue(benchmark::State& state)
{
    for (auto _ : state) {
        std::vector<double> ours;
        std::vector<double> peer;
        for (int round = 0; round < kRounds; ++round) {
            Chain plain({std::make_shared<PlainPass>()}, true);
            auto threaded = std::make_shared<ThreadedPass>();
            Chain threadedChain({threaded}, true);
            threaded->setParameterValue("Threads count", "1");
            threaded->setParameterValue("Drop atoms when occupied", "False");
            threadedChain.graph->Stop();
            threadedChain.graph->Play(Hyx::PlaybackMode::Realtime);
            const double hyx = chain(threadedChain, kHandOffFrames).wall - chain(plain, kHandOffFrames).wall;
            ours.push_back(hyx * 1e9 / kHandOffFrames);
            const double gst = pipeline("queue ! ", kHandOffFrames).wall - pipeline("", kHandOffFrames).wall;
            peer.push_back(gst * 1e9 / kHandOffFrames);
        }
        report(state, ours, peer, "");
    }
}
BENCHMARK(BM_HandOffAgainstQueue)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
