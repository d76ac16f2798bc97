#include <Hyx/HYX2Reader.h>

#include "core/LogLevelEnabled.h"
#include "io/BlobBody.h"
#include "io/BlockRecordLayout.h"
#include "io/LookupTableLayout.h"

#include <Hyx/Atom.h>
#include <Hyx/AtomInfo.h>
#include <Hyx/DataBlock.h>
#include <Hyx/DataLayer.h>
#include <Hyx/DataTypeCompressedBlob.h>
#include <Hyx/HyxLookupTable.h>

#include <cstddef>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <string>

namespace Hyx {

namespace Layout = BlockRecordLayout;
namespace Table = LookupTableLayout;

namespace {

using VornCommon::LogLevel;

unsigned long long ull(uint64_t v)
{
    return static_cast<unsigned long long>(v);
}

template <class T>
T load(const uint8_t* p)
{
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// Bytes of a block before its payload as its index entry implies them: block header, blob
// head, compression fields when the entry names a source type (compressed blobs), payload
// size.
uint32_t impliedHeadSize(const LayerInfo& layer)
{
    return layer.compressedTypeIndex != 0 ? Table::kMinCompressedBlockSize : Table::kMinBlobBlockSize;
}

// Layers view their payloads as arrays of floats and words: a payload read in place starts
// where a fresh allocation would. Bytes of a block buffer before the leading bytes that keep
// its payload so.
constexpr uint32_t kPayloadAlignment = alignof(std::max_align_t);
uint32_t padding(const LayerInfo& layer, uint32_t leading)
{
    return (kPayloadAlignment - (leading + impliedHeadSize(layer)) % kPayloadAlignment) % kPayloadAlignment;
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

HyxErrorCode HYX2Reader::readScattered(uint64_t position, const VornCommon::FileHelper::ReadTarget* targets,
                                       size_t count)
{
    uint64_t total = 0;
    for (size_t i = 0; i < count; ++i)
        total += targets[i].size;
    if (total > std::numeric_limits<uint32_t>::max())
        return HyxErrorCode::FailedToReadFromFile;
    if (const HyxErrorCode r = readAt(position, static_cast<uint32_t>(total)); r != HyxErrorCode::Success)
        return r;
    const uint8_t* from = GetBuffer()->data() + GetReaderPos();
    for (size_t i = 0; i < count; ++i) {
        if (targets[i].size != 0)
            std::memcpy(targets[i].data, from, targets[i].size);
        from += targets[i].size;
    }
    return HyxErrorCode::Success;
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
    if (const HyxErrorCode r = readAt(0, HYX_STREAM_HEADER_SIZE); r != HyxErrorCode::Success) {
        if (_sourceSize < HYX_STREAM_HEADER_SIZE)
            logHeaderRefusal(HeaderRefusal::TooShort, ull(_sourceSize));
        else
            logHeaderRefusal(HeaderRefusal::Unreadable);
        return r;
    }
    const uint8_t* header = GetBuffer()->data() + GetReaderPos();
    if (!unpack_hyxheader()) {
        if (BlockRecordLayout::StartsWithStreamMagic(header))
            logHeaderRefusal(HeaderRefusal::Version, ull(GetHyxFormatVersion()));
        else
            logHeaderRefusal(HeaderRefusal::NotContainer);
        return HyxErrorCode::ReaderFailedToUnpackHeader;
    }

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

void HYX2Reader::logHeaderRefusal(HeaderRefusal why, unsigned long long value)
{
    // Every query of a refused reader starts over: one line tells it.
    if (_headerRefusalLogged || !IsHYXLogLevelEnabled(LogLevel::Error))
        return;
    _headerRefusalLogged = true;
    const std::string name = _path.empty() ? std::string("Container in memory") : "Container file '" + _path + "'";
    switch (why) {
    case HeaderRefusal::TooShort:
        LogLine(LogLevel::Error, "%s is too short for a header (%llu bytes)", name.c_str(), value);
        break;
    case HeaderRefusal::Unreadable: LogLine(LogLevel::Error, "%s: failed to read the header", name.c_str()); break;
    case HeaderRefusal::NotContainer:
        LogLine(LogLevel::Error, "%s is not a container (no header)", name.c_str());
        break;
    case HeaderRefusal::Version:
        LogLine(LogLevel::Error, "%s has the unsupported format version %llu", name.c_str(), value);
        break;
    }
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
    LogLine(LogLevel::Warning, "Container lookup table is damaged; indexing the atom records instead.");
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
        LogLine(LogLevel::Warning,
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
            LogLine(LogLevel::Error, "Atom at offset %llu uses more GUIDs than an index can hold.", ull(payloadOffset));
            return true;
        }
        offset += blockSize;
    }
    if (offset != payloadSize)
        LogLine(LogLevel::Warning, "Atom at offset %llu holds a malformed data block at %u; it will not read.",
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
    if (auto atom = readPayloadsInPlace(*info))
        return atom;
    _blocks.clear();
    return readWholeRecord(*info);
}

std::shared_ptr<Atom> HYX2Reader::readWholeRecord(const AtomInfo& info)
{
    // The record header comes along in the same read: an entry that disagrees with its
    // record gives nothing rather than a wrong atom.
    if (readAt(info.payloadOffset - HYX_ATOM_HEADER_SIZE, info.payloadSize + HYX_ATOM_HEADER_SIZE) !=
        HyxErrorCode::Success)
        return {};
    unsigned int id = 0;
    unsigned long long timestamp = 0;
    const uint32_t recordSize = unpack_atomheader(id, timestamp);
    if (recordSize != info.payloadSize + HYX_ATOM_HEADER_SIZE || id != info.id || timestamp != info.timestamp) {
        LogLine(LogLevel::Error, "Lookup table entry does not match the atom record at offset %llu.",
                ull(info.payloadOffset - HYX_ATOM_HEADER_SIZE));
        return {};
    }
    return unpack_atom_withoutHeader(info.id, info.timestamp, info.payloadSize);
}

std::shared_ptr<Atom> HYX2Reader::readPayloadsInPlace(const AtomInfo& info)
{
    // Only a record whose blocks follow one another as indexed is planned; the blocks'
    // sizes bound every buffer by the bytes the source holds.
    if (info.layers.empty() || GetHyxFormatVersion() != HYX_FORMAT_VERSION_2000 || info.payloadOffset > _sourceSize ||
        info.payloadSize > _sourceSize - info.payloadOffset)
        return {};
    uint32_t next = 0;
    for (const auto& layer : info.layers) {
        if (layer->offset != next || layer->size < impliedHeadSize(*layer) || layer->size > info.payloadSize - next)
            return {};
        next += layer->size;
    }
    if (next != info.payloadSize)
        return {};

    _targets.clear();
    _blocks.clear();
    uint32_t leading = HYX_ATOM_HEADER_SIZE; // the record header goes with the first block
    for (const auto& layer : info.layers) {
        planBlock(*layer, leading);
        leading = 0;
    }
    if (readScattered(info.payloadOffset - HYX_ATOM_HEADER_SIZE, _targets.data(), _targets.size()) !=
        HyxErrorCode::Success)
        return {};

    const uint8_t* record = _targets[0].data;
    if (load<uint32_t>(record) != info.payloadSize + HYX_ATOM_HEADER_SIZE || load<uint32_t>(record + 4) != info.id ||
        load<uint64_t>(record + 8) != info.timestamp)
        return {};
    auto atom = std::make_shared<Atom>(info.id, info.timestamp);
    leading = HYX_ATOM_HEADER_SIZE;
    for (size_t i = 0; i < info.layers.size(); ++i) {
        const LayerInfo& layer = *info.layers[i];
        auto block = loadBlock(layer, info.payloadOffset + layer.offset, std::move(_blocks[i]), leading);
        if (!block)
            return {};
        atom->AddDataBlock(std::move(block));
        leading = 0;
    }
    return atom;
}

void HYX2Reader::planBlock(const LayerInfo& layer, uint32_t leading)
{
    const uint32_t pad = padding(layer, leading);
    _blocks.push_back(std::make_unique_for_overwrite<uint8_t[]>(uint64_t{pad} + leading + layer.size));
    _targets.push_back({_blocks.back().get() + pad, uint64_t{leading} + layer.size});
}

std::shared_ptr<DataBlockBlob> HYX2Reader::loadBlock(const LayerInfo& layer, uint64_t position,
                                                     std::unique_ptr<uint8_t[]> bytes, uint32_t leading)
{
    const uint32_t headSize = impliedHeadSize(layer), payloadAt = padding(layer, leading) + leading + headSize;
    const uint8_t* head = bytes.get() + payloadAt - headSize;
    const uint8_t kind = head[Layout::kKind];
    if (load<uint32_t>(head + Layout::kSize) != layer.size || kind > static_cast<uint8_t>(DataType::CompressedBlob))
        return {};
    BlobBody body;
    if (!body.ReadHead(head + Layout::kBody, headSize - Layout::kBody, layer.size - Layout::kBody,
                       static_cast<DataType>(kind), false) ||
        body.PayloadOffset() + Layout::kBody != headSize || body.PayloadSize() != layer.size - headSize)
        return {};
    std::shared_ptr<DataLayer> loaded = body.LoadOwned(std::move(bytes), payloadAt);
    if (!loaded) {
        // Its class refused the bytes and may have changed them: the placeholder reads them anew.
        loaded = body.MakePlaceholder();
        const VornCommon::FileHelper::ReadTarget target{loaded->AllocateData(body.PayloadSize()), body.PayloadSize()};
        if (readScattered(position + headSize, &target, 1) != HyxErrorCode::Success ||
            !loaded->InitializeData(target.data, body.PayloadSize()))
            return {};
    }
    if (kind == static_cast<uint8_t>(DataType::Blob))
        return std::make_shared<DataBlockBlob>(DataType::Blob, std::move(loaded));
    auto compressed = std::dynamic_pointer_cast<DataTypeCompressedBlob>(std::move(loaded));
    return compressed ? std::make_shared<DataBlockCompressedBlob>(std::move(compressed)) : nullptr;
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
    const uint64_t position = payloadOffset + layer->offset;
    if (layer->size >= impliedHeadSize(*layer) && GetHyxFormatVersion() == HYX_FORMAT_VERSION_2000 &&
        position <= _sourceSize && layer->size <= _sourceSize - position) {
        _targets.clear();
        _blocks.clear();
        planBlock(*layer, 0);
        if (readScattered(position, _targets.data(), _targets.size()) == HyxErrorCode::Success)
            if (const auto block = loadBlock(*layer, position, std::move(_blocks[0]), 0))
                return block->GetDataLayer();
        _blocks.clear();
    }
    if (readAt(payloadOffset + layer->offset, layer->size) != HyxErrorCode::Success)
        return {};
    unsigned char kind = 0;
    if (unpack_dataheader(kind) != layer->size) {
        LogLine(LogLevel::Error, "Lookup table entry does not match the data block at offset %llu.",
                ull(payloadOffset + layer->offset));
        return {};
    }
    const auto block = std::dynamic_pointer_cast<DataBlockBlob>(
        DataBlock::Deserialize(this, layer->size - HYX_BLOCK_HEADER_SIZE, static_cast<DataType>(kind)));
    return block ? block->GetDataLayer() : nullptr;
}

} // namespace Hyx
