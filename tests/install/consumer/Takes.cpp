// README "The example host, and recording and playing back a take": writing and reading takes.

#include "Consumer.h"

namespace {

void runTake(const std::string& folder)
{
    const std::string path = folder + "/take.hyx";
    check(WriteTake(path.c_str(), {makeFrame(0), makeFrame(1), makeFrame(2)}), "WriteTake");
    const auto positions = positionsOf(ReadFrame(path.c_str(), 2), Hyx::HYXPurposeGuids::VORN4D);
    check(positions && positions->GetNumVertices() == 2 && positions->GetVertexPositions()[5] == 8.0f,
          "ReadFrame gives the frame written");
    check(!ReadFrame((folder + "/missing.hyx").c_str(), 0), "ReadFrame of a missing file is empty");
    const auto second = WriteAndReadBack({MakeFrame(0, "first"), MakeFrame(1, "second")});
    const auto bytes = second ? std::dynamic_pointer_cast<Hyx::DataTypeByteArray>(
                                    second->GetDataLayerByType(Hyx::DataTypeByteArray::TheTypeGuid(), false))
                              : nullptr;
    check(bytes && second->GetFrameNr() == 1 &&
              std::string(reinterpret_cast<const char*>(bytes->GetByteArray().Data()), bytes->GetByteArray().Size()) ==
                  "second",
          "WriteAndReadBack gives frame 1 as MakeFrame made it (the test finds the file)");
    try {
        WriteTake((folder + "/backwards.hyx").c_str(), {MakeFrame(0, "a"), MakeFrame(1, "b"), MakeFrame(0, "c")});
        check(false, "a frame number below the count written raises");
    } catch (const std::logic_error& e) {
        quote(e.what());
    }
    // A bare name: written beside the executable (the test looks), not found in the working directory.
    check(WriteTake("bare-name.hyx", {makeFrame(0)}) && !ReadFrame("bare-name.hyx", 0),
          "a bare file name is written beside the executable and read from the working directory");
}

// The reader counts a stream's frames by position, not by number.
void runFramePositions()
{
    check(WriteTake("takes/gaps.hyx", {MakeFrame(0, "zero"), MakeFrame(2, "two"), MakeFrame(5, "five")}),
          "frames 0, 2 and 5 are written");
    const auto second = ReadFrame("takes/gaps.hyx", 1);
    const auto third = ReadFrame("takes/gaps.hyx", 2);
    check(second && second->GetFrameNr() == 2 && third && third->GetFrameNr() == 5 && !ReadFrame("takes/gaps.hyx", 5),
          "of frames 0, 2 and 5, position 1 is frame 2, and position 5 is nothing");
    check(WriteTake("takes/from-five.hyx", {MakeFrame(5, "five"), MakeFrame(6, "six")}), "frames 5 and 6 are written");
    const auto first = ReadFrame("takes/from-five.hyx", 0);
    check(first && first->GetFrameNr() == 5 && !ReadFrame("takes/from-five.hyx", 5),
          "a stream written from frame 5 gives it at position 0 and nothing at 5");
}

// Frame numbers 0 to 4194303, stream ids 0 to 63.
void runFrameRanges(const std::shared_ptr<VornCommon::Logger>& logger)
{
    const Hyx::Atom cut(64u, 4194309u, 0u);
    check(cut.GetStreamId() == 0 && cut.GetFrameNr() == 5, "Atom(64, 4194309, t) is frame 5 of stream 0");
    {
        CapturedLog log(logger);
        Hyx::SerializeToHyx writer("takes/range.hyx", true);
        const std::string line =
            "Hyx failed to pack atom. (frame numbers run from 0 to 4194303: stream 0 already holds frame 4194303)";
        check(writer.pack_atom(MakeFrame(4194303, "last")) == Hyx::HyxErrorCode::Success &&
                  writer.pack_atom(MakeFrame(4194304, "past")) == Hyx::HyxErrorCode::FailedToPackAtom &&
                  log.At(VornCommon::LogLevel::Error) == std::vector<std::string>{line} && writer.CloseFile(),
              "the writer refuses a frame after frame 4194303 with 36 and one line");
        quote(line);
    }
    const auto last = ReadFrame("takes/range.hyx", 0);
    check(last && last->GetFrameNr() == 4194303 && !ReadFrame("takes/range.hyx", 1),
          "the frames written before stay readable");

    // A renumbering live source, cleared now and then so that its queue stays small.
    auto source = std::make_shared<Hyx::SourceManualLiveSource>();
    check(source->ClearCacheAndReinitializeProperties(MakeTextureFrame(0, 4, 4), 1, 30.0f, true),
          "the live source is declared");
    const auto frame = MakeTextureFrame(0, 4, 4);
    bool pushed = true;
    for (uint32_t i = 0; pushed && i <= 4194303u; ++i) {
        if (i % 4096 == 0)
            source->ClearCache(false);
        pushed = source->PushFrame({frame});
    }
    const std::string refusal =
        "Frame rejected - frame numbers run from 0 to 4194303, and the source has numbered 4194304 frames";
    check(pushed && !source->PushFrame({frame}) && source->GetLastError(false).StdString() == refusal,
          "a renumbering source refuses the push that needs frame 4194304");
    quote(refusal);
    // The frames it took before stay queued: the last 4096, from 4190208 on.
    auto graph = std::make_shared<Hyx::Graph>();
    check(graph->AddAndConnect(source) == Hyx::ActionResult::Success &&
              AddFilter(graph, Hyx::TargetCallback::TheTypeGuid()),
          "the source joins a graph");
    const auto first = playForOneFrame(*graph);
    check(first && first->GetFrameNr() == 4190208, "the frames taken before the refusal stay queued");
    graph->RemoveAllFilters();
}

// The empty source refuses the frame after 4,194,303 that its Realtime order asks for: that
// update and each one after it fail with its text (an AsyncGraph's run ends: Error, then
// Stopped), and Play(Realtime) starts a new run from the order's start, 0. A jump of the order
// the graph made takes it there at once.
void runEmptySourceFrameNumbersWrap()
{
    using State = Hyx::Graph::GraphState;
    for (const bool async : {false, true}) {
        FrameList frames;
        StateList states;
        const std::shared_ptr<Hyx::Graph> graph = sourceToCallback(async, nullptr, frames);
        if (!graph)
            continue;
        graph->_graphEvents.Add(&states);
        if (const auto asyncGraph = std::dynamic_pointer_cast<Hyx::AsyncGraph>(graph))
            check(asyncGraph->SetPlaybackMode(Hyx::PlaybackMode::Realtime, 200) == Hyx::ActionResult::Success,
                  "the worker runs at 200 frames a second");
        check(graph->Play(Hyx::PlaybackMode::Realtime) == Hyx::ActionResult::Success, "the graph plays");
        // The next frame the order hands out is 4194302.
        graph->GetFrameOrderProvider()->JumpToFrameID(4194302);
        const std::vector<uint32_t> wrap = {4194302, 4194303, 0, 1};
        std::vector<uint32_t> got;
        const auto wrapped = [&] {
            const std::vector<uint32_t> taken = frames.Take();
            got.insert(got.end(), taken.begin(), taken.end());
            return std::search(got.begin(), got.end(), wrap.begin(), wrap.end()) != got.end();
        };
        if (async) {
            check(waitFor(wrapped), "the worker's run numbers 4194302, 4194303, 0, 1");
        } else {
            for (int i = 0; i < 5 && !wrapped(); ++i)
                check(graph->Update() == Hyx::ActionResult::Success, "each update gives a frame");
            check(wrapped(), "the host's updates number 4194302, 4194303, 0, 1");
        }
        check(graph->IsPlaying() && states.Take() == std::vector<State>{State::Playing},
              "the endless stream plays on past 4194303");
        check(StopGraph(*graph), "StopGraph stops it");
        graph->_graphEvents.Remove(&states);
        graph->RemoveAllFilters();
    }
}

} // namespace
