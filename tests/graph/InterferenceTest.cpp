// An asynchronous graph driven by a hostile host: stops, pauses, plays and the release of
// the last reference, from the host, from a listener and from a filter during the worker's
// turn. Every frame arrives exactly once per run, in order; no false Error is heard; a
// released graph is destroyed.

#include "ThreadedFixtures.h"

#include <gtest/gtest.h>

using namespace GraphFixtures;
using namespace ThreadedFixtures;
using Hyx::ActionResult;
using Hyx::AsyncGraph;
using Hyx::Atom;
using Hyx::HyxErrorCode;
using Hyx::PlaybackMode;

namespace {

std::vector<unsigned> Range(unsigned count)
{
    std::vector<unsigned> frames(count);
    for (unsigned i = 0; i < count; ++i)
        frames[i] = i;
    return frames;
}

} // namespace

TEST(InterferenceThreads, HostDrivenPassEndsQuietlyOnAStopFromAFilter)
{
    TestGraph chain;
    chain.make<TestSource>(6);
    auto transform = chain.make<TestTransform>();
    auto target = chain.make<TestTarget>();
    ASSERT_EQ(chain.graph->SetPlaybackMode(PlaybackMode::ForwardOnce, true), ActionResult::Success);
    transform->process = [&](TestTransform&, const Atom& atom) {
        if (atom.GetFrameNr() == 2)
            chain.graph->Stop();
        return HyxErrorCode::Success;
    };
    ASSERT_EQ(chain.graph->Play(), ActionResult::Success);
    EXPECT_TRUE(chain.update(3));
    EXPECT_TRUE(chain.graph->IsStopped());
    EXPECT_EQ(target->frames(), Range(2));
}
