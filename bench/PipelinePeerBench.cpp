// The graph beside a GStreamer pipeline doing the same in the same run: gst-launch-1.0 is
// started by the benchmark and timed from its own "Execution ended after" line.
//
// Per filter: a chain of N pass-through transforms against `fakesrc ! identity x N !
// fakesink`, each minus its chain without the middle elements, per element and frame.
// Hand-off: one MutateAtomMultiThread (one worker, no dropping) minus the same mutate work
// without a thread, against one `queue` minus none, per frame.
// Each round measures both sides back to back; the counters are medians over the rounds (the
// ratio the median of the per-round ratios, so a load change between rounds cancels out).
// Without gst-launch-1.0 (Debian gstreamer1.0-tools) the rows are skipped.

#include "BenchChain.h"

#include <Hyx/Mutate.h>
#include <Hyx/MutateMultiThread.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using namespace BenchChain;

constexpr int kRounds = 5;
constexpr int kMiddle = 10;
constexpr unsigned kFilterFrames = 100000;
constexpr unsigned kHandOffFrames = 50000;

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? NAN : values[values.size() / 2];
}

// Seconds the pipeline ran by its own account; NaN when it did not run.
double pipelineSeconds(const std::string& middle, unsigned buffers)
{
    const std::string command = "gst-launch-1.0 fakesrc num-buffers=" + std::to_string(buffers) +
                                " sizetype=fixed sizemax=16 ! " + middle + "fakesink 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return NAN;
    double seconds = NAN;
    char line[512];
    while (std::fgets(line, sizeof(line), pipe) != nullptr) {
        unsigned h = 0;
        unsigned m = 0;
        double s = 0;
        if (std::sscanf(line, "Execution ended after %u:%u:%lf", &h, &m, &s) == 3)
            seconds = h * 3600.0 + m * 60.0 + s;
    }
    return pclose(pipe) == 0 ? seconds : NAN;
}

std::string repeated(const char* element, int count)
{
    std::string text;
    for (int i = 0; i < count; ++i)
        text += std::string(element) + " ! ";
    return text;
}

// Seconds the host's thread takes to bring `frames` more frames to the sink; NaN on a failure.
double chainSeconds(Chain& chain, unsigned frames)
{
    const unsigned start = chain.sink->GetNumAtomsProcessed();
    const auto begin = std::chrono::steady_clock::now();
    while (chain.sink->GetNumAtomsProcessed() - start < frames)
        if (chain.graph->Update() != Hyx::ActionResult::Success)
            return NAN;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
}

void report(benchmark::State& state, const std::vector<double>& ours, const std::vector<double>& peer,
            const char* peerName)
{
    std::vector<double> ratios;
    for (size_t i = 0; i < ours.size(); ++i)
        ratios.push_back(ours[i] / peer[i]);
    if (std::any_of(ratios.begin(), ratios.end(), [](double r) { return !std::isfinite(r); })) {
        state.SkipWithError("a run failed (is gst-launch-1.0 installed?)");
        return;
    }
    state.counters["hyx_ns"] = median(ours);
    state.counters[peerName] = median(peer);
    state.counters["ratio"] = median(ratios);
}

void BM_PerFilterAgainstIdentity(benchmark::State& state)
{
    for (auto _ : state) {
        std::vector<double> ours;
        std::vector<double> peer;
        for (int round = 0; round < kRounds; ++round) {
            Chain bare(0, true);
            Chain chain(kMiddle, true);
            const double hyx = chainSeconds(chain, kFilterFrames) - chainSeconds(bare, kFilterFrames);
            ours.push_back(hyx * 1e9 / (kMiddle * double(kFilterFrames)));
            const double gst =
                pipelineSeconds(repeated("identity", kMiddle), kFilterFrames) - pipelineSeconds("", kFilterFrames);
            peer.push_back(gst * 1e9 / (kMiddle * double(kFilterFrames)));
        }
        report(state, ours, peer, "identity_ns");
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
            Chain chain({threaded}, true);
            threaded->setParameterValue("Threads count", "1");
            threaded->setParameterValue("Drop atoms when occupied", "False");
            chain.graph->Stop();
            chain.graph->Play(Hyx::PlaybackMode::Realtime);
            const double hyx = chainSeconds(chain, kHandOffFrames) - chainSeconds(plain, kHandOffFrames);
            ours.push_back(hyx * 1e9 / kHandOffFrames);
            const double gst = pipelineSeconds("queue ! ", kHandOffFrames) - pipelineSeconds("", kHandOffFrames);
            peer.push_back(gst * 1e9 / kHandOffFrames);
        }
        report(state, ours, peer, "queue_ns");
    }
}
BENCHMARK(BM_HandOffAgainstQueue)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
