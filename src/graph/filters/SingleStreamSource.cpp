#include <Hyx/Connection.h>
#include <Hyx/DataTypeStreamInfo.h>
#include <Hyx/Profile.h>
#include <Hyx/Source.h>

namespace Hyx {

SingleStreamSource::SingleStreamSource() = default;

SingleStreamSource::~SingleStreamSource() = default;

std::shared_ptr<Stream> SingleStreamSource::listedStream() const
{
    std::lock_guard<std::mutex> lock(_streamMutex);
    return _stream;
}

std::shared_ptr<Profile> SingleStreamSource::GetOutputProfile()
{
    const std::shared_ptr<Stream> stream = listedStream();
    if (!stream) {
        return nullptr;
    }
    std::shared_ptr<Profile> profile = stream->GetOutputProfile();
    return profile ? std::make_shared<Profile>(profile) : nullptr;
}

std::shared_ptr<Profile> SingleStreamSource::GetAggregatedOutputProfile()
{
    return GetOutputProfile();
}

std::shared_ptr<DataTypeStreamInfo> SingleStreamSource::GetStreamInfo()
{
    const std::shared_ptr<Stream> stream = listedStream();
    return stream ? stream->GetStreamInfo() : nullptr;
}

HyxErrorCode SingleStreamSource::onDeInitialize()
{
    std::lock_guard<std::mutex> lock(_streamMutex);
    _stream.reset();
    return HyxErrorCode::Success;
}

HyxErrorCode SingleStreamSource::onPlay()
{
    Source::onPlay();
    if (!_stream) {
        return ReportError(HyxErrorCode::InvalidStream);
    }
    return _stream->Play();
}

HyxErrorCode SingleStreamSource::onPause()
{
    return _stream ? _stream->Pause() : HyxErrorCode::Success;
}

HyxErrorCode SingleStreamSource::onStop()
{
    return _stream ? _stream->Stop() : HyxErrorCode::Success;
}

HyxErrorCode SingleStreamSource::pushDataToOutput(unsigned frameId)
{
    if (!_stream) {
        return ReportError(HyxErrorCode::InvalidStream);
    }
    if (!_stream->IsPlaying()) {
        return HyxErrorCode::StreamNotPlaying; // Source::Update reports it
    }
    std::shared_ptr<Atom> atom;
    const HyxErrorCode result = _stream->Update(frameId, atom);
    if (result != HyxErrorCode::Success) {
        return result;
    }
    if (!atom) {
        return HyxErrorCode::NoDataAvailable;
    }
    Connection* const output = outputConnectionForUpdate();
    if (output && output->NumEmptySlots() >= 1) {
        return pushFromUpdate(std::move(atom));
    }
    return ReportError(HyxErrorCode::FilterFailedToPushAtom);
}

} // namespace Hyx
