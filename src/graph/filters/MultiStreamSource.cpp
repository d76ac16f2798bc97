#include <Hyx/Connection.h>
#include <Hyx/DataTypeStreamInfo.h>
#include <Hyx/Profile.h>
#include <Hyx/Source.h>

#include "graph/runtime/ScopeExit.h"

#include <cstdint>
#include <exception>

namespace Hyx {

MultiStreamSource::MultiStreamSource() = default;

MultiStreamSource::~MultiStreamSource() = default;

std::vector<std::shared_ptr<Stream>> MultiStreamSource::listedStreams() const
{
    std::lock_guard<std::mutex> lock(_streamsMutex);
    return _streams;
}

int MultiStreamSource::GetOutputNumStreams() const
{
    std::lock_guard<std::mutex> lock(_streamsMutex);
    return static_cast<int>(_streams.size());
}

std::vector<int> MultiStreamSource::GetStreamIds() const
{
    const std::vector<std::shared_ptr<Stream>> streams = listedStreams();
    std::vector<int> ids;
    ids.reserve(streams.size());
    for (const std::shared_ptr<Stream>& stream : streams) {
        if (stream) {
            ids.push_back(static_cast<int>(stream->GetStreamId()));
        }
    }
    return ids;
}

std::shared_ptr<Profile> MultiStreamSource::GetOutputProfile()
{
    const std::vector<std::shared_ptr<Stream>> streams = listedStreams();
    for (const std::shared_ptr<Stream>& stream : streams) {
        if (!stream) {
            continue;
        }
        if (std::shared_ptr<Profile> profile = stream->GetOutputProfile()) {
            return std::make_shared<Profile>(profile);
        }
    }
    return GetDefaultOutputProfile();
}

std::shared_ptr<Profile> MultiStreamSource::GetAggregatedOutputProfile()
{
    return GetOutputProfile();
}

std::shared_ptr<DataTypeStreamInfo> MultiStreamSource::GetStreamInfo()
{
    const std::vector<std::shared_ptr<Stream>> streams = listedStreams();
    std::shared_ptr<DataTypeStreamInfo> best;
    uint32_t bound = UINT32_MAX;
    for (const std::shared_ptr<Stream>& stream : streams) {
        if (!stream) {
            continue;
        }
        std::shared_ptr<DataTypeStreamInfo> info = stream->GetStreamInfo();
        if (info && info->GetNumFrames() <= bound) {
            bound = info->GetNumFrames();
            best = std::move(info);
        }
    }
    if (best) {
        return best;
    }
    // An empty first entry gives nothing rather than a null dereference.
    return !streams.empty() && streams.front() ? streams.front()->GetStreamInfo() : nullptr;
}

std::shared_ptr<Stream> MultiStreamSource::GetStream(int index) const
{
    std::lock_guard<std::mutex> lock(_streamsMutex);
    if (index < 0 || index >= static_cast<int>(_streams.size())) {
        return nullptr;
    }
    return _streams[static_cast<size_t>(index)];
}

HyxErrorCode MultiStreamSource::onDeInitialize()
{
    std::lock_guard<std::mutex> lock(_streamsMutex);
    _streams.clear();
    return HyxErrorCode::Success;
}

HyxErrorCode MultiStreamSource::onPlay()
{
    Source::onPlay();
    std::vector<Stream::PlayState> before;
    before.reserve(_streams.size());
    // Undoes the streams this call started before `failed`, so the next Play finds them as
    // they were. The first failure is the one the caller hears of, so a stream that refuses
    // or throws here stays as it is.
    const auto undo = [this, &before](size_t failed) noexcept {
        for (size_t k = 0; k < failed; ++k) {
            if (!_streams[k] || before[k] == Stream::PlayState::Playing) {
                continue;
            }
            try {
                if (before[k] == Stream::PlayState::Paused) {
                    _streams[k]->Pause();
                } else {
                    _streams[k]->Stop();
                }
            } catch (...) {
            }
        }
    };
    for (size_t i = 0; i < _streams.size(); ++i) {
        before.push_back(_streams[i] ? _streams[i]->GetPlayState() : Stream::PlayState::NeverPlayed);
        if (!_streams[i]) {
            continue;
        }
        HyxErrorCode result;
        try {
            result = _streams[i]->Play();
        } catch (...) {
            undo(i);
            throw;
        }
        if (result != HyxErrorCode::Success) {
            undo(i);
            return result;
        }
    }
    return HyxErrorCode::Success;
}

HyxErrorCode MultiStreamSource::onPause()
{
    // A pause that fails (or throws) part way plays the streams it paused again: the source
    // plays on whole.
    std::vector<Stream*> paused;
    paused.reserve(_streams.size());
    const auto putBack = [&paused]() noexcept {
        for (Stream* stream : paused) {
            try {
                stream->Play();
            } catch (...) {
                // The first failure is the one the caller hears of.
            }
        }
    };
    for (const std::shared_ptr<Stream>& stream : _streams) {
        if (!stream)
            continue;
        const bool wasPlaying = stream->IsPlaying();
        HyxErrorCode result;
        try {
            result = stream->Pause();
        } catch (...) {
            putBack();
            throw;
        }
        if (result != HyxErrorCode::Success) {
            putBack();
            return result;
        }
        if (wasPlaying)
            paused.push_back(stream.get());
    }
    return HyxErrorCode::Success;
}

HyxErrorCode MultiStreamSource::onStop()
{
    return forEachStream(&Stream::Stop);
}

HyxErrorCode MultiStreamSource::forEachStream(HyxErrorCode (Stream::*step)())
{
    // Every stream takes the step, also past one that refuses or throws; the first failure,
    // a code or an exception, is returned or thrown after all were handled.
    HyxErrorCode first = HyxErrorCode::Success;
    std::exception_ptr thrown;
    for (const std::shared_ptr<Stream>& stream : _streams) {
        if (!stream) {
            continue;
        }
        HyxErrorCode result;
        try {
            result = ((*stream).*step)();
        } catch (...) {
            if (first == HyxErrorCode::Success && !thrown) {
                thrown = std::current_exception();
            }
            continue;
        }
        if (first == HyxErrorCode::Success && !thrown) {
            first = result;
        }
    }
    if (thrown) {
        std::rethrow_exception(thrown);
    }
    return first;
}

HyxErrorCode MultiStreamSource::pushDataToOutput(unsigned frameId)
{
    if (GetOutputNumStreams() == 0) {
        return HyxErrorCode::NoDataAvailable;
    }
    // The atoms of a frame are let go however the walk ends, also when a stream throws.
    _collected.clear();
    const ScopeExit letGo([this]() noexcept { _collected.clear(); });
    for (const std::shared_ptr<Stream>& stream : _streams) {
        if (!stream) {
            continue;
        }
        if (!stream->IsPlaying()) {
            return HyxErrorCode::StreamNotPlaying;
        }
        std::shared_ptr<Atom> atom;
        const HyxErrorCode result = stream->Update(frameId, atom);
        if (result != HyxErrorCode::Success && result != HyxErrorCode::NoDataAvailable) {
            return result;
        }
        if (!atom) {
            return HyxErrorCode::NoDataAvailable;
        }
        _collected.push_back(std::move(atom));
    }
    const std::shared_ptr<Connection> output = getOutputConnection();
    if (output && output->NumEmptySlots() < static_cast<int>(_collected.size())) {
        return ReportError(HyxErrorCode::FilterFailedToPushAtom);
    }
    HyxErrorCode result = HyxErrorCode::Success;
    for (std::shared_ptr<Atom>& atom : _collected) {
        const HyxErrorCode pushed = pushFromUpdate(std::move(atom));
        if (result == HyxErrorCode::Success) {
            result = pushed;
        }
    }
    return result;
}

} // namespace Hyx
