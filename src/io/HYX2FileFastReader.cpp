#include <Hyx/HYX2FileFastReader.h>

#include <Hyx/AtomInfo.h>
#include <Hyx/DataTypeBinary.h>
#include <Hyx/HyxLookupTable.h>

#include <algorithm>

namespace Hyx {

HYX2FileFastReader::HYX2FileFastReader(const char* path) : ReadHYX2File(path)
{
}

HYX2FileFastReader::~HYX2FileFastReader() = default;

std::shared_ptr<StreamFrames> HYX2FileFastReader::GetFirstStream()
{
    if (!_firstStream && Initialize() == HyxErrorCode::Success)
        _firstStream = _table->GetFirstStream();
    return _firstStream;
}

uint32_t HYX2FileFastReader::GetNumFrames()
{
    const auto stream = GetFirstStream();
    return stream ? HYX2Reader::GetNumFrames(stream->streamId) : 0;
}

bool HYX2FileFastReader::IsSingleFrame()
{
    return GetNumFrames() == 1;
}

// The table's GUID indices were checked when it was parsed or built, so GetGuid cannot
// fail for them.
template <class Match>
bool HYX2FileFastReader::findFirst(const Match& match, std::shared_ptr<AtomInfo>* atom, size_t* layer)
{
    const auto stream = GetFirstStream();
    if (!stream)
        return false;
    for (const std::shared_ptr<AtomInfo>& info : stream->atoms)
        for (size_t i = 0; i < info->layers.size(); ++i)
            if (match(*info->layers[i])) {
                if (atom)
                    *atom = info;
                if (layer)
                    *layer = i;
                return true;
            }
    return false;
}

bool HYX2FileFastReader::GetFirstStreamHas(const VornCommon::Guid& type)
{
    return findFirst([&](const LayerInfo& l) { return _table->GetGuid(l.typeIndex) == type; }, nullptr, nullptr);
}

bool HYX2FileFastReader::GetFirstStreamHas(const VornCommon::Guid& purpose, const VornCommon::Guid& type)
{
    return findFirst(
        [&](const LayerInfo& l) {
            return _table->GetGuid(l.typeIndex) == type && _table->GetGuid(l.purposeIndex) == purpose;
        },
        nullptr, nullptr);
}

bool HYX2FileFastReader::GetFirstStreamHasOneGuidOf(const std::vector<VornCommon::Guid>& types)
{
    return findFirst(
        [&](const LayerInfo& l) {
            return std::find(types.begin(), types.end(), _table->GetGuid(l.typeIndex)) != types.end();
        },
        nullptr, nullptr);
}

std::shared_ptr<DataLayer> HYX2FileFastReader::GetLayer(const std::shared_ptr<AtomInfo>& atom,
                                                        const VornCommon::Guid& type)
{
    if (!atom || Initialize() != HyxErrorCode::Success)
        return {};
    // The entry may come from another reader's table: its indices are checked here.
    for (const std::shared_ptr<LayerInfo>& layer : atom->layers)
        if (layer->typeIndex < _table->GetGuidCount() && _table->GetGuid(layer->typeIndex) == type)
            return ReadDataLayer(atom->payloadOffset, layer);
    return {};
}

std::shared_ptr<DataLayer> HYX2FileFastReader::GetFirstStreamLayer(const VornCommon::Guid& type)
{
    std::shared_ptr<AtomInfo> atom;
    size_t layer = 0;
    if (!findFirst([&](const LayerInfo& l) { return _table->GetGuid(l.typeIndex) == type; }, &atom, &layer))
        return {};
    return ReadDataLayer(atom->payloadOffset, atom->layers[layer]);
}

std::shared_ptr<DataLayer> HYX2FileFastReader::GetFirstStreamLayer(const VornCommon::Guid& purpose,
                                                                   const VornCommon::Guid& type)
{
    std::shared_ptr<AtomInfo> atom;
    size_t layer = 0;
    if (!findFirst(
            [&](const LayerInfo& l) {
                return _table->GetGuid(l.typeIndex) == type && _table->GetGuid(l.purposeIndex) == purpose;
            },
            &atom, &layer))
        return {};
    return ReadDataLayer(atom->payloadOffset, atom->layers[layer]);
}

bool HYX2FileFastReader::HasEmbeddedFiles()
{
    // A file that failed to initialise is asked again next time.
    if (_embeddedFiles < 0 && Initialize() == HyxErrorCode::Success)
        _embeddedFiles = GetFirstStreamHas(DataTypeBinary::TheTypeGuid()) ? 1 : 0;
    return _embeddedFiles == 1;
}

uint64_t HYX2FileFastReader::GetTimeStamp()
{
    const auto stream = GetFirstStream();
    return stream && !stream->atoms.empty() ? stream->atoms.front()->GetTimeStamp() : 0;
}

} // namespace Hyx
