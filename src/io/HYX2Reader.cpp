#include <Hyx/HYX2Reader.h>

#include "io/LookupTableLayout.h"

#include <Hyx/Atom.h>
#include <Hyx/AtomInfo.h>
#include <Hyx/DataBlock.h>
#include <Hyx/HyxLookupTable.h>
#include <Hyx/LoggerInstance.h>

#include <cstring>
#include <limits>
#include <stdexcept>

namespace Hyx {

namespace Layout = BlockRecordLayout;
namespace Table = LookupTableLayout;

namespace {

using VornCommon::LogLevel;

unsigned long long ull(uint64_t v)
{
    return static_cast<unsigned long long>(v);
}

} // namespace

HYX2Reader::HYX2Reader() = default;

HYX2Reader::HYX2Reader(const uint8_t* bytes, uint32_t size) : _sourceSize(bytes ? size : 0)
{
    // The reader only reads; the buffer type merely wants a mutable pointer.
    setPackedDataWithoutResponsibilityToDelete(const_cast<uint8_t*>(bytes), static_cast<uint32_t>(_sourceSize));
}

HYX2Reader::~HYX2Reader() = default;

HyxErrorCode HYX2Reader::onInitialize()
{
    return HyxErrorCode::Success;
}

uint64_t HYX2Reader::seekAbsolute(uint64_t position)
{
    const uint64_t reached = position < _sourceSize ? position : _sourceSize;
    setCursor(static_cast<uint32_t>(reached));
    return reached;
}

HyxErrorCode HYX2Reader::readFromSource(uint32_t count)
{
    return count <= GetRemainingDataSize() ? HyxErrorCode::Success : HyxErrorCode::FailedToReadFromFile;
}

HyxErrorCode HYX2Reader::readAt(uint64_t position, uint32_t count)
{
    if (seekAbsolute(position) != position)
        return HyxErrorCode::FailedToReadFromFile;
    return readFromSource(count);
}

HyxErrorCode HYX2Reader::Initialize()
{
    if (_table)
        return _valid ? HyxErrorCode::Success : HyxErrorCode::ReaderNotValid;
    if (const HyxErrorCode r = onInitialize(); r != HyxErrorCode::Success)
        return r;
    // Always from the start, so that a retry after a failed walk reads the header again.
    if (const HyxErrorCode r = readAt(0, HYX_STREAM_HEADER_SIZE); r != HyxErrorCode::Success)
        return r;
    if (!unpack_hyxheader())
        return HyxErrorCode::ReaderFailedToUnpackHeader;

    if (auto stored = findStoredTable()) {
        _table = std::move(stored);
    } else {
        _table = std::make_shared<HyxLookupTable>();
        // A logic error from the walk keeps the partial table: the reader stays invalid.
        if (const HyxErrorCode r = walkRecords(); r != HyxErrorCode::Success) {
            _table.reset();
            return r;
        }
    }
    _valid = true;
    return HyxErrorCode::Success;
}

std::shared_ptr<HyxLookupTable> HYX2Reader::findStoredTable()
{
    if (_sourceSize < Table::kTrailerSize ||
        readAt(_sourceSize - Table::kTrailerSize, Table::kTrailerSize) != HyxErrorCode::Success)
        return {};
    const uint32_t marker = unpack_uint32();
    const uint32_t size = unpack_uint32();
    if (marker != Table::kMarker || size >= _sourceSize)
        return {};

    // The record sits after the header; it must be whole, and every entry must point at
    // bytes before it.
    const uint64_t tableStart = _sourceSize - size;
    std::shared_ptr<HyxLookupTable> table;
    if (tableStart >= HYX_STREAM_HEADER_SIZE && readAt(tableStart, size) == HyxErrorCode::Success)
        table = HyxLookupTable::Deserialize(GetBuffer()->data() + GetReaderPos(), size);
    if (table && table->FitsContainer(tableStart))
        return table;
    LogMessage(LogLevel::Warning, "Container lookup table is damaged; indexing the atom records instead.");
    return {};
}

HyxErrorCode HYX2Reader::walkRecords()
{
    uint64_t pos = HYX_STREAM_HEADER_SIZE;
    // A record is read when its whole header lies in the source (so a last atom without
    // blocks is indexed too).
    while (_sourceSize - pos >= HYX_ATOM_HEADER_SIZE) {
        if (const HyxErrorCode r = readAt(pos, HYX_ATOM_HEADER_SIZE); r != HyxErrorCode::Success)
            return r;
        const uint32_t recordSize = unpack_uint32();
        const uint32_t id = unpack_uint32();
        const uint64_t timestamp = unpack_uint64();
        if (recordSize < HYX_ATOM_HEADER_SIZE || recordSize > _sourceSize - pos)
            break; // cannot be framed: the tail of a cut-off write, or damage
        const uint32_t type = AtomId::GetAtomType(id);
        if (type > static_cast<uint32_t>(AtomType::LookupTable))
            throw std::logic_error("Unknown Atom Type.");
        if (type == static_cast<uint32_t>(AtomType::Frame)) {
            auto info = std::make_shared<AtomInfo>(id, timestamp, pos + HYX_ATOM_HEADER_SIZE,
                                                   recordSize - HYX_ATOM_HEADER_SIZE, 0u);
            if (!indexBlocks(pos + HYX_ATOM_HEADER_SIZE, *info))
                return HyxErrorCode::FailedToReadFromFile;
            _table->AddAtomInfo(std::move(info));
        }
        pos += recordSize;
    }
    if (pos != _sourceSize)
        LogMessage(LogLevel::Warning,
                   "Container ends with an incomplete atom record at offset %llu; its last %llu bytes are ignored.",
                   ull(pos), ull(_sourceSize - pos));
    return HyxErrorCode::Success;
}

bool HYX2Reader::indexBlocks(uint64_t payloadOffset, AtomInfo& info)
{
    const uint32_t payloadSize = info.payloadSize;
    uint32_t offset = 0;
    while (offset < payloadSize) {
        const uint32_t left = payloadSize - offset;
        // One read covers the header and GUIDs of either block kind.
        const uint32_t want = left < Table::kCompressedIndexBytes ? left : Table::kCompressedIndexBytes;
        if (left < Table::kMinBlobBlockSize)
            break;
        if (readAt(payloadOffset + offset, want) != HyxErrorCode::Success)
            return false;
        const uint8_t* block = GetBuffer()->data() + GetReaderPos();
        uint32_t blockSize = 0;
        std::memcpy(&blockSize, block + Layout::kSize, sizeof blockSize);
        const uint8_t kind = block[Layout::kKind];
        const bool compressed = kind == static_cast<uint8_t>(DataType::CompressedBlob);
        const uint32_t minimum = compressed ? Table::kMinCompressedBlockSize : Table::kMinBlobBlockSize;
        if (kind > static_cast<uint8_t>(DataType::CompressedBlob) || blockSize < minimum || blockSize > left)
            break;
        try {
            const uint16_t purpose =
                _table->GetGuidIndex(VornCommon::Guid::FromRawBytes(block + Layout::kRecordPurpose));
            const uint16_t type = _table->GetGuidIndex(VornCommon::Guid::FromRawBytes(block + Layout::kRecordType));
            const uint16_t source =
                compressed ? _table->GetGuidIndex(VornCommon::Guid::FromRawBytes(block + Layout::kRecordSourceType))
                           : 0;
            info.layers.push_back(std::make_shared<LayerInfo>(offset, blockSize, purpose, type, source));
        } catch (const std::length_error&) {
            LogMessage(LogLevel::Error, "Atom at offset %llu uses more GUIDs than an index can hold.",
                       ull(payloadOffset));
            return true;
        }
        offset += blockSize;
    }
    if (offset != payloadSize)
        LogMessage(LogLevel::Warning, "Atom at offset %llu holds a malformed data block at %u; it will not read.",
                   ull(payloadOffset), static_cast<unsigned>(offset));
    return true;
}

std::shared_ptr<Atom> HYX2Reader::GetFrameAtom(uint16_t streamId, uint32_t frame)
{
    if (Initialize() != HyxErrorCode::Success)
        return {};
    const std::shared_ptr<AtomInfo> info = _table->GetAtomInfo(streamId, frame);
    if (!info || info->payloadOffset < HYX_ATOM_HEADER_SIZE ||
        info->payloadSize > std::numeric_limits<uint32_t>::max() - HYX_ATOM_HEADER_SIZE)
        return {};
    // The record header comes along in the same read: an entry that disagrees with its
    // record gives nothing rather than a wrong atom.
    if (readAt(info->payloadOffset - HYX_ATOM_HEADER_SIZE, info->payloadSize + HYX_ATOM_HEADER_SIZE) !=
        HyxErrorCode::Success)
        return {};
    unsigned int id = 0;
    unsigned long long timestamp = 0;
    const uint32_t recordSize = unpack_atomheader(id, timestamp);
    if (recordSize != info->payloadSize + HYX_ATOM_HEADER_SIZE || id != info->id || timestamp != info->timestamp) {
        LogMessage(LogLevel::Error, "Lookup table entry does not match the atom record at offset %llu.",
                   ull(info->payloadOffset - HYX_ATOM_HEADER_SIZE));
        return {};
    }
    return unpack_atom_withoutHeader(info->id, info->timestamp, info->payloadSize);
}

std::shared_ptr<Atom> HYX2Reader::GetFirstFrameAtom(uint16_t streamId)
{
    return GetFrameAtom(streamId, 0);
}

uint32_t HYX2Reader::GetNumFrames(uint16_t streamId)
{
    return Initialize() == HyxErrorCode::Success ? _table->GetNumFrames(streamId) : 0;
}

int HYX2Reader::GetNumStreams()
{
    return Initialize() == HyxErrorCode::Success ? static_cast<int>(_table->GetStreams().size()) : 0;
}

uint16_t HYX2Reader::GetFirstStreamId()
{
    if (Initialize() != HyxErrorCode::Success)
        return 0;
    const auto stream = _table->GetFirstStream();
    return stream ? stream->streamId : 0;
}

uint16_t HYX2Reader::GetStreamId(int index)
{
    if (Initialize() != HyxErrorCode::Success || index < 0 || static_cast<size_t>(index) >= _table->GetStreams().size())
        return 0;
    return _table->GetStreams()[static_cast<size_t>(index)]->streamId;
}

std::shared_ptr<DataLayer> HYX2Reader::ReadDataLayer(uint64_t payloadOffset, const std::shared_ptr<LayerInfo>& layer)
{
    if (Initialize() != HyxErrorCode::Success || !layer || layer->size < HYX_BLOCK_HEADER_SIZE ||
        payloadOffset > std::numeric_limits<uint64_t>::max() - layer->offset)
        return {};
    if (readAt(payloadOffset + layer->offset, layer->size) != HyxErrorCode::Success)
        return {};
    unsigned char kind = 0;
    if (unpack_dataheader(kind) != layer->size) {
        LogMessage(LogLevel::Error, "Lookup table entry does not match the data block at offset %llu.",
                   ull(payloadOffset + layer->offset));
        return {};
    }
    const auto block = std::dynamic_pointer_cast<DataBlockBlob>(
        DataBlock::Deserialize(this, layer->size - HYX_BLOCK_HEADER_SIZE, static_cast<DataType>(kind)));
    return block ? block->GetDataLayer() : nullptr;
}

} // namespace Hyx
