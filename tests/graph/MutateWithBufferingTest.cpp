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

TEST(MutateWithBuffering, RangeAndStreamEndsCloseTheBuffer)
{
    // Each buffer is processed once, as soon as it is complete (after `passes` updates, or
    // at the stream's end when 0), and then released whole.
    struct Case {
        unsigned streams, frames;
        bool info; // stream information in the atoms
        std::optional<int> frameCount;
        const char *start, *end;
        bool refuseStream1; // atoms collect refuses
        int passes;
        size_t buffered, firstFrame;
    };
    const Case cases[] = {
        {2, 100, true, {}, "10", nullptr, false, 100, 190, 5}, // a start frame
        {2, 50, true, {}, nullptr, nullptr, true, 50, 50, 0}, // refused atoms
        {1, 100, true, {}, nullptr, "9", false, 10, 10, 0}, // an end frame: later atoms are ignored
        {2, 30, true, 40, nullptr, nullptr, false, 0, 60, 0}, // waits for 80 atoms, 60 come
        {1, 30, false, {}, nullptr, nullptr, false, 0, 30, 0}, // no stream information: only the end
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.streams << 'x' << c.frames << " passes " << c.passes);
        Chain chain(c.streams, c.frames, c.info, c.frameCount);
        if (c.start)
            chain.buffering->setParameterValue("Start Frame", c.start);
        if (c.end)
            chain.buffering->setParameterValue("End Frame", c.end);
        if (c.refuseStream1)
            chain.buffering->collect = [](const Atom& atom) {
                return atom.GetStreamId() == 1 ? HyxErrorCode::NoDataAvailable : HyxErrorCode::Success;
            };
        ASSERT_TRUE(c.passes ? chain.update(c.passes) : chain.runToEnd());
        EXPECT_EQ(chain.buffering->processed, 1);
        EXPECT_EQ(chain.buffering->bufferAtProcess, c.buffered);
        ASSERT_TRUE(chain.runToEnd());
        ASSERT_EQ(chain.target->seen().size(), c.buffered);
        EXPECT_EQ(chain.target->seen().front().frame, c.firstFrame);
    }

    // An end frame before the start: the empty buffer is processed when the 4th atom reaches
    // the end, and its result still reported, once.
    Chain chain(1, 100);
    chain.buffering->setParameterValue("Start Frame", "20");
    chain.buffering->setParameterValue("End Frame", "3");
    chain.buffering->result = HyxErrorCode::FilterError;
    ASSERT_TRUE(chain.update(3));
    EXPECT_EQ(chain.graph->Update(), ActionResult::Failure);
    EXPECT_EQ(chain.buffering->processed, 1);
    EXPECT_EQ(chain.buffering->bufferAtProcess, 0u);
    EXPECT_TRUE(chain.buffering->IsDone());
    EXPECT_TRUE(chain.target->frames().empty());
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
