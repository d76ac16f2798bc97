// The buffering mutate: collects a whole range, processes it once, releases it downstream.

#include "GraphFixtures.h"

using namespace GraphFixtures;

namespace {

/// A stream whose atoms also carry its stream-information layer.
class InfoStream : public ScriptedStream {
public:
    InfoStream(unsigned short id, unsigned frames) : ScriptedStream(id, frames, MakeProfile({{kPurposeA, kType1}})) {}

protected:
    HyxErrorCode onUpdate(unsigned frame, std::shared_ptr<Atom>& atom) override
    {
        const HyxErrorCode result = ScriptedStream::onUpdate(frame, atom);
        if (atom)
            atom->AddDataLayer(GetStreamInfo());
        return result;
    }
};

/// `streams` streams of `frames` frames each, with or without stream information in the atoms.
std::shared_ptr<TestMultiSource> MakeSource(unsigned streams, unsigned frames, bool infoInAtoms = true)
{
    auto source = std::make_shared<TestMultiSource>(Frames(streams, frames));
    if (infoInAtoms) {
        source->afterInitialize = [frames](TestMultiSource& self) {
            for (size_t i = 0; i < self.streams().size(); ++i)
                self.streams()[i] = std::make_shared<InfoStream>(static_cast<unsigned short>(i), frames);
        };
    }
    return source;
}

class Buffering : public MutateWithBuffering {
public:
    Buffering() : MutateWithBuffering(true) {}
    Guid TypeGuid() const override { return kMutateGuid; }
    FilterClassInfo GetFilterClassInfo() const override
    {
        return FilterClassInfo("MutateBufferingTest", FilterCategory::Transform);
    }

    std::optional<int> frameCount;
    HyxErrorCode result = HyxErrorCode::Success;
    std::function<HyxErrorCode(const Atom&)> collect;
    int processed = 0;
    size_t bufferAtProcess = 0;

protected:
    HyxErrorCode onInitializeParams(Filter* upstream) override
    {
        const HyxErrorCode base = MutateWithBuffering::onInitializeParams(upstream);
        if (frameCount)
            setFrameCount(*frameCount);
        return base;
    }
    std::shared_ptr<Profile> onGenerateOutputProfile(Filter* upstream, std::shared_ptr<Profile>) override
    {
        return upstream->GetAggregatedOutputProfile();
    }
    HyxErrorCode onCollectFrame(std::shared_ptr<Atom> atom) override
    {
        return collect ? collect(*atom) : HyxErrorCode::Success;
    }
    HyxErrorCode onProcessBuffer() override
    {
        ++processed;
        bufferAtProcess = getBuffer().size();
        return result;
    }
};

struct Chain : TestGraph {
    Chain(unsigned streams, unsigned frames, bool infoInAtoms = true, std::optional<int> frameCount = std::nullopt)
    {
        add(MakeSource(streams, frames, infoInAtoms));
        auto mutate = std::make_shared<Buffering>();
        mutate->frameCount = frameCount;
        buffering = add(mutate);
        target = make<StallingTarget>();
        EXPECT_EQ(graph->Play(PlaybackMode::ForwardOnce), ActionResult::Success);
    }
    std::shared_ptr<Buffering> buffering;
    std::shared_ptr<StallingTarget> target;
};

} // namespace

TEST(MutateWithBuffering, ProcessingFailureIsReportedWithTheLastRelease)
{
    Chain chain(2, 10);
    chain.buffering->result = HyxErrorCode::FilterError;
    ASSERT_TRUE(chain.update(10 + 18));
    EXPECT_EQ(chain.target->seen().size(), 19u);
    EXPECT_EQ(chain.graph->Update(), ActionResult::Failure);
    EXPECT_NE(chain.error().find(GetHyxErrorMessage(HyxErrorCode::FilterError)), std::string::npos);
    EXPECT_TRUE(chain.buffering->IsDone());
}

TEST(MutateWithBuffering, StartFrameAndRefusedAtomsDoNotKeepTheBufferOpen)
{
    {
        Chain chain(2, 100);
        chain.buffering->setParameterValue("Start Frame", "10");
        ASSERT_TRUE(chain.update(100));
        EXPECT_EQ(chain.buffering->processed, 1);
        EXPECT_EQ(chain.buffering->bufferAtProcess, 190u);
        ASSERT_TRUE(chain.runToEnd());
        EXPECT_EQ(chain.target->seen().size(), 190u);
        EXPECT_EQ(chain.target->seen().front().frame, 5u);
    }
    {
        Chain chain(2, 50);
        chain.buffering->collect = [](const Atom& atom) {
            return atom.GetStreamId() == 1 ? HyxErrorCode::NoDataAvailable : HyxErrorCode::Success;
        };
        ASSERT_TRUE(chain.update(50));
        EXPECT_EQ(chain.buffering->bufferAtProcess, 50u);
        ASSERT_TRUE(chain.runToEnd());
        EXPECT_EQ(chain.target->seen().size(), 50u);
    }
}

TEST(MutateWithBuffering, EndFrameProcessesEarlyAlsoAnEmptyBuffer)
{
    {
        Chain chain(1, 100);
        chain.buffering->setParameterValue("End Frame", "9");
        ASSERT_TRUE(chain.update(10));
        EXPECT_EQ(chain.buffering->bufferAtProcess, 10u);
        ASSERT_TRUE(chain.runToEnd());
        EXPECT_EQ(chain.target->frames().size(), 10u); // later atoms are ignored
    }
    {
        Chain chain(1, 100);
        chain.buffering->setParameterValue("Start Frame", "20");
        chain.buffering->setParameterValue("End Frame", "3");
        chain.buffering->result = HyxErrorCode::FilterError;
        ASSERT_TRUE(chain.update(3));
        // The 4th atom reaches "End Frame": the empty buffer is processed and its result
        // still reported, once.
        EXPECT_EQ(chain.graph->Update(), ActionResult::Failure);
        EXPECT_EQ(chain.buffering->processed, 1);
        EXPECT_EQ(chain.buffering->bufferAtProcess, 0u);
        EXPECT_TRUE(chain.buffering->IsDone());
        EXPECT_TRUE(chain.target->frames().empty());
    }
}

TEST(MutateWithBuffering, FullOutputAndPauseLoseNothing)
{
    Chain chain(2, 600);
    ASSERT_TRUE(chain.update(600));
    ASSERT_EQ(chain.buffering->processed, 1);
    chain.target->stalled = true;
    ASSERT_TRUE(chain.update(1100)); // the 1000-slot queue fills up; the rest waits
    EXPECT_FALSE(chain.buffering->IsDone());
    ASSERT_EQ(chain.graph->Pause(), ActionResult::Success);
    ASSERT_EQ(chain.graph->Play(), ActionResult::Success); // resuming keeps the release
    chain.target->stalled = false;
    ASSERT_TRUE(chain.runToEnd());
    const auto seen = chain.target->seen();
    ASSERT_EQ(seen.size(), 1200u);
    for (size_t i = 0; i < seen.size(); ++i)
        ASSERT_EQ(seen[i].frame, i / 2) << i;
}

TEST(MutateWithBuffering, StreamShorterThanAnnouncedIsProcessedAtItsEnd)
{
    {
        Chain chain(2, 30, true, 40); // waits for 80 atoms, 60 come
        ASSERT_TRUE(chain.runToEnd());
        EXPECT_EQ(chain.buffering->processed, 1);
        EXPECT_EQ(chain.buffering->bufferAtProcess, 60u);
        EXPECT_EQ(chain.target->seen().size(), 60u);
    }
    {
        Chain chain(1, 30, false); // no stream information: only the end can complete it
        ASSERT_TRUE(chain.runToEnd());
        EXPECT_EQ(chain.buffering->bufferAtProcess, 30u);
        EXPECT_EQ(chain.target->frames().size(), 30u);
    }
}

TEST(MutateWithBuffering, StopEndsAReleaseButNotACollection)
{
    {
        Chain chain(1, 10);
        ASSERT_TRUE(chain.update(12)); // processed, three atoms out
        ASSERT_EQ(chain.buffering->processed, 1);
        ASSERT_EQ(chain.target->seen().size(), 3u);
        EXPECT_FALSE(chain.buffering->IsDone());
        ASSERT_EQ(chain.graph->Stop(), ActionResult::Success);
        EXPECT_TRUE(chain.buffering->IsDone());
    }
    {
        Chain chain(1, 10);
        ASSERT_TRUE(chain.update(5));
        ASSERT_EQ(chain.graph->Stop(), ActionResult::Success);
        EXPECT_FALSE(chain.buffering->IsDone());
    }
}
