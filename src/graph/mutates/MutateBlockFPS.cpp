#include <Hyx/MutateBlock.h>

#include "graph/mutates/MutateSupport.h"
#include "graph/runtime/FramePeriod.h"
#include "impl/core/BuiltInRegistration.h"

#include <Hyx/DataTypeStreamInfo.h>
#include <Hyx/FilterParamNumeric.h>
#include <Hyx/Graph.h>
#include <Hyx/LoggerInstance.h>

#include <VornCommon/Concurrency.h>

#include <optional>
#include <string>
#include <system_error>

namespace Hyx {

HYX_BUILTIN_FILTER(MutateBlockFPS);

namespace {

// Longest wait for a frame before the worker looks at its flags again.
constexpr std::chrono::milliseconds kIdleWait{100};

// Why "Framerate" gives no release period: no number, or a rate so small that its period
// does not fit the period's 32 bits, by the rule the graph's own rate calls keep. Empty for
// a rate or a code.
std::string whyRefused(float requested)
{
    if (std::string why = WhyNoRate(requested, "release period"); !why.empty())
        return "Framerate " + why;
    return {};
}

} // namespace

MutateBlockFPS::MutateBlockFPS() = default;

MutateBlockFPS::~MutateBlockFPS()
{
    // Normally stopped by Pause or Stop; a joinable thread must never be destroyed.
    stopWorker();
}

HyxErrorCode MutateBlockFPS::onInitializeParams(Filter* upstream)
{
    const HyxErrorCode result = MutateBlock::onInitializeParams(upstream);
    if (result != HyxErrorCode::Success)
        return result;
    MutateSupport::CreateOnce(_framerateParam, FRAMERATE_PARAMNAME, 0u, FPS_FROM_SOURCE, -3.0f, 10000.0f);
    addParam(_framerateParam);
    return HyxErrorCode::Success;
}

void MutateBlockFPS::cbiParameterValueChanged(std::shared_ptr<FilterParam> param, const char* value)
{
    if (param && param == _framerateParam)
        recomputePeriod();
    MutateBlock::cbiParameterValueChanged(std::move(param), value);
}

HyxErrorCode MutateBlockFPS::onPlay()
{
    // Refused before anything starts: the graph stays as it was.
    const float requested = _framerateParam ? _framerateParam->GetValue() : FPS_FROM_SOURCE;
    if (const std::string why = whyRefused(requested); !why.empty())
        return ReportError(HyxErrorCode::FilterError, why.c_str());
    return MutateBlock::onPlay();
}

void MutateBlockFPS::recomputePeriod()
{
    const float requested = _framerateParam ? _framerateParam->GetValue() : FPS_FROM_SOURCE;
    if (const std::string why = whyRefused(requested); !why.empty()) {
        // A change while playing cannot fail the play: the release keeps its period.
        LogMessage(VornCommon::LogLevel::Error, "Filter '%s': %s; the release period stays %u ms",
                   GetFilterClassInfo().GetNiceClassName().CStr(), why.c_str(),
                   static_cast<unsigned>(_periodMs.load()));
        return;
    }
    const std::shared_ptr<Graph> graph = GetGraph();
    const std::shared_ptr<DataTypeStreamInfo> info = graph ? graph->GetSourceStreamInfo() : nullptr;
    _periodMs = FramePeriodMs(requested, info ? info->GetFPS() : 0.0f);
    {
        std::lock_guard<std::mutex> lock(_sleepMutex);
    }
    _sleepWake.notify_all();
}

void MutateBlockFPS::onStartRelease()
{
    recomputePeriod();
    stopWorker();
    _stop = false;
    try {
        _worker = std::thread(&MutateBlockFPS::workerLoop, this);
    } catch (const std::system_error& e) {
        LogMessage(VornCommon::LogLevel::Error, "MutateBlockFPS: cannot start the release thread: %s", e.what());
    }
}

void MutateBlockFPS::onPauseRelease()
{
    stopWorker();
}

void MutateBlockFPS::onStopRelease()
{
    stopWorker();
}

void MutateBlockFPS::stopWorker()
{
    if (!_worker.joinable())
        return;
    {
        std::lock_guard<std::mutex> lock(_sleepMutex);
        _stop = true;
    }
    _sleepWake.notify_all();
    notifyWaiters();
    _worker.join();
}

void MutateBlockFPS::workerLoop()
{
    using Clock = std::chrono::steady_clock;
    VornCommon::concurrency::Thread::setCurrentThreadName("MutateBlockFPS");
    std::optional<Clock::time_point> planned; // start of the next release, once pacing runs
    while (!_stop.load()) {
        const Clock::time_point start = planned.value_or(Clock::now());
        const bool released = releaseNextFrame();
        if (_stop.load())
            break;
        if (!released) {
            // Wakes as soon as a frame is buffered instead of polling; the next release
            // starts a new plan.
            waitForFrame(_stop, kIdleWait);
            planned.reset();
            continue;
        }
        // Release start to release start; a new rate applies at once.
        std::unique_lock<std::mutex> lock(_sleepMutex);
        planned = PaceFrom(lock, _sleepWake, start, _periodMs, [this] { return _stop.load(); });
    }
}

} // namespace Hyx
