#pragma once

// Sources: the filters at the head of a graph. On each update a source asks the graph's
// frame-order provider for the frame to emit and pushes its atom(s) into the output queue.
//
// Contract of Source::Update:
// - 17 outside Playing; 25 without a frame-order provider.
// - The provider is advanced before reading after every play start and after every frame
//   handed on; without such an advance pending the same frame is asked for again (a frame
//   that pushDataToOutput held back with 1 is retried, also the last frame of a walk).
// - 1 when there is no frame to emit; 4 ("Source::Update failed.") when the output queue is
//   full: a full queue fails at once, it never blocks.
// - pushDataToOutput: 0 emitted, 1 nothing yet, higher codes fail with the text it left.
// - IsDone once the provider is done and no frame is held back.
// SingleStreamSource drives one Stream; MultiStreamSource several, pushing one atom per
// stream for each frame, all or nothing. Streams are started, paused and stopped with the
// source; a start that fails (or throws) part way puts the streams it had started back
// where they were (stopped, or paused when resuming).

#include <Hyx/Filter.h>
#include <Hyx/Stream.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

namespace Hyx {

class DataTypeStreamInfo;

class HYX_API Source : public Filter {
public:
    Source();
    ~Source() override;

    /// Filter::Initialize, then writes the stream's frame rate and frame count into the
    /// graph (10.0 and -1 without stream information).
    HyxErrorCode Initialize(Filter* upstream) override;
    /// Emits the next frame (see the contract above).
    HyxErrorCode Update() override;
    /// True without a graph or provider, or once the provider is done and nothing is held
    /// back.
    bool IsDone() const override;

    /// The stream information this source publishes; may be empty. A host thread may ask it
    /// (through the graph's GetSourceStreamInfo) while another thread resets the source: a
    /// source that answers from what its own onDeInitialize changes guards that with a lock,
    /// as SingleStreamSource, MultiStreamSource and the library's sources do. So do the
    /// output profiles.
    virtual std::shared_ptr<DataTypeStreamInfo> GetStreamInfo() = 0;

protected:
    /// Builds and pushes the atom(s) of a frame.
    virtual HyxErrorCode pushDataToOutput(unsigned frameId) = 0;

    /// Asks for an advance before the first frame.
    HyxErrorCode onPlay() override;
    /// A source takes no input: always 4.
    HyxErrorCode onInputConnection(std::weak_ptr<Connection> connection) override;

private:
    std::atomic<bool> _advancePending{false};
};

class HYX_API SingleStreamSource : public Source {
public:
    SingleStreamSource();
    ~SingleStreamSource() override;

    /// A copy of the stream's output profile (sharing its entries); empty without one.
    std::shared_ptr<Profile> GetOutputProfile() override;
    /// Same as GetOutputProfile.
    std::shared_ptr<Profile> GetAggregatedOutputProfile() override;
    /// The stream's information; empty without a stream.
    std::shared_ptr<DataTypeStreamInfo> GetStreamInfo() override;

protected:
    HyxErrorCode onDeInitialize() override;
    /// 26 without a stream; otherwise starts the stream.
    HyxErrorCode onPlay() override;
    HyxErrorCode onPause() override;
    HyxErrorCode onStop() override;
    /// The stream's atom of the frame into the output queue: 26 without a stream, 44 while
    /// it is not playing, 1 when it has no atom yet, 21 when there is no room or no output.
    HyxErrorCode pushDataToOutput(unsigned frameId) override;

    /// Set by the subclass; emptied by onDeInitialize.
    std::shared_ptr<Stream> _stream;
    /// Guards `_stream` for GetStreamInfo and the profiles, which a host thread may call while
    /// another resets the source (a removal from an AsyncGraph); held by onDeInitialize. A
    /// subclass that changes `_stream` while the source is listed in a graph holds it too.
    mutable std::mutex _streamMutex;

private:
    std::shared_ptr<Stream> listedStream() const;
};

class HYX_API MultiStreamSource : public Source {
public:
    MultiStreamSource();
    ~MultiStreamSource() override;

    /// The number of entries of the stream list.
    int GetOutputNumStreams() const override;
    /// The ids of the streams, in list order (empty entries are skipped).
    std::vector<int> GetStreamIds() const override;
    /// The first stream's output profile that is not empty (a copy sharing its entries),
    /// else GetDefaultOutputProfile.
    std::shared_ptr<Profile> GetOutputProfile() override;
    /// Same as GetOutputProfile.
    std::shared_ptr<Profile> GetAggregatedOutputProfile() override;
    /// The information of the stream with the fewest frames (the later one on a tie); else
    /// the first entry's, or empty.
    std::shared_ptr<DataTypeStreamInfo> GetStreamInfo() override;

    /// The output profile when no stream gives one.
    virtual std::shared_ptr<Profile> GetDefaultOutputProfile() = 0;

protected:
    /// The entry at index; empty outside the list.
    std::shared_ptr<Stream> GetStream(int index) const;

    HyxErrorCode onDeInitialize() override;
    /// Starts every stream in order; at the first that fails (or throws) the streams started
    /// so far go back to where they were and the failure is returned (the exception passes on).
    HyxErrorCode onPlay() override;
    /// Pauses every stream in order; at the first that fails (or throws) the streams it
    /// paused play again and the failure is returned (the exception passes on).
    HyxErrorCode onPause() override;
    /// Stops every stream, also past one that refuses or throws; the first failure is returned
    /// (or its exception thrown) after all were handled. A stream that failed stays as it
    /// was, for the next Stop.
    HyxErrorCode onStop() override;
    /// One atom per stream into the output queue, all or nothing: 1 when no stream is
    /// there or a stream has no atom yet, 44 for a stream not playing, 21 when the queue
    /// lacks room for all of them.
    HyxErrorCode pushDataToOutput(unsigned frameId) override;

    /// Filled by the subclass; emptied by onDeInitialize.
    std::vector<std::shared_ptr<Stream>> _streams;
    /// Guards `_streams` for the getters (GetStreamInfo, the profiles, the stream count and
    /// ids, GetStream), which a host thread may call while another resets the source; held by
    /// onDeInitialize. A subclass that changes `_streams` while the source is listed in a
    /// graph holds it too.
    mutable std::mutex _streamsMutex;

private:
    std::vector<std::shared_ptr<Stream>> listedStreams() const;
    HyxErrorCode forEachStream(HyxErrorCode (Stream::*step)());

    std::vector<std::shared_ptr<Atom>> _collected; // reused, so a frame does not allocate
};

} // namespace Hyx
