#include <Hyx/HyxLookupTable.h>

#include <stdexcept>

namespace Hyx {

namespace {
const char* const kNonChronological = "Frames in non-chronological order not (yet) supported.";
}

StreamFrames::StreamFrames(uint16_t streamId_) : streamId(streamId_)
{
}

StreamFrames::~StreamFrames() = default;

HyxLookupTable::HyxLookupTable() = default;

HyxLookupTable::~HyxLookupTable() = default;

uint16_t HyxLookupTable::GetGuidIndex(const VornCommon::Guid& guid)
{
    if (const auto it = _guidIndex.find(guid); it != _guidIndex.end())
        return it->second;
    if (_guids.size() >= MAX_GUIDS)
        throw std::length_error("Lookup table cannot hold more than 65535 GUIDs.");
    const auto index = static_cast<uint16_t>(_guids.size());
    _guids.push_back(guid);
    _guidIndex.emplace(guid, index);
    return index;
}

VornCommon::Guid HyxLookupTable::GetGuid(uint16_t index) const
{
    return _guids.at(index);
}

void HyxLookupTable::ThrowIfNotChronological(uint32_t id) const
{
    const uint32_t frame = (id >> 6) & 0x3FFFFFu;
    if (frame < GetNumFrames(static_cast<uint16_t>(id & 63u)))
        throw std::logic_error(kNonChronological);
}

void HyxLookupTable::AddAtomInfo(std::shared_ptr<AtomInfo> info)
{
    if (!info)
        throw std::invalid_argument("HyxLookupTable::AddAtomInfo: empty record.");
    ThrowIfNotChronological(info->id);

    const uint16_t streamId = info->GetStreamId();
    std::shared_ptr<StreamFrames> stream = FindStream(streamId);
    if (!stream) {
        stream = std::make_shared<StreamFrames>(streamId);
        _streams.push_back(stream);
    }
    stream->atoms.push_back(std::move(info));
}

std::shared_ptr<StreamFrames> HyxLookupTable::FindStream(uint16_t streamId) const
{
    for (const auto& stream : _streams) {
        if (stream->streamId == streamId)
            return stream;
    }
    return {};
}

std::shared_ptr<StreamFrames> HyxLookupTable::GetFirstStream() const
{
    return _streams.empty() ? nullptr : _streams.front();
}

uint32_t HyxLookupTable::GetNumFrames(uint16_t streamId) const
{
    const auto stream = FindStream(streamId);
    return stream ? static_cast<uint32_t>(stream->atoms.size()) : 0;
}

std::shared_ptr<AtomInfo> HyxLookupTable::GetAtomInfo(uint16_t streamId, uint32_t n) const
{
    for (const auto& stream : _streams) { // by reference: one frame read, one reference count
        if (stream->streamId == streamId)
            return n < stream->atoms.size() ? stream->atoms[n] : nullptr;
    }
    return {};
}

} // namespace Hyx
