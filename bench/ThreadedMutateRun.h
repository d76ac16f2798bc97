#pragma once

// Times a threaded mutate between the test fixtures' source and target: each iteration plays
// `frames` frames through it with state.range(0) workers and no dropping.

#include "../tests/graph/GraphFixtures.h"

#include <Hyx/Filter.h>
#include <Hyx/Graph.h>

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

inline void RunThreadedMutate(benchmark::State& state, const std::shared_ptr<Hyx::Filter>& mutate, unsigned frames)
{
    auto graph = std::make_shared<Hyx::Graph>();
    graph->AddAndConnect(std::make_shared<GraphFixtures::TestSource>(frames));
    graph->AddAndConnect(mutate);
    graph->AddAndConnect(std::make_shared<GraphFixtures::TestTarget>());
    mutate->setParameterValue("Threads count", std::to_string(state.range(0)).c_str());
    mutate->setParameterValue("Drop atoms when occupied", "False");
    for (auto _ : state) {
        if (graph->Play(Hyx::PlaybackMode::ForwardOnce) != Hyx::ActionResult::Success) {
            state.SkipWithError(graph->GetLastError(false).CStr());
            break;
        }
        while (!graph->IsDone())
            graph->Update();
        graph->Stop();
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * frames);
    state.counters["workers"] = static_cast<double>(state.range(0));
}
