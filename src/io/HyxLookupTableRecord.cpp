// The lookup table's record form: writing it at the end of a container and parsing it back.
// The parser takes its input from files, so it trusts no count and no index it reads.

#include <Hyx/DataReader.h>
#include <Hyx/HyxLookupTable.h>
#include <Hyx/SerializeToMemory.h>

#include "io/LookupTableLayout.h"

#include <cassert>
#include <limits>

namespace Hyx {

namespace Table = LookupTableLayout;

uint64_t HyxLookupTable::recordSize() const
{
    uint64_t size = Table::kEmptySize + uint64_t{BlockRecordLayout::kGuidSize} * _guids.size();
    for (const auto& stream : _streams) {
        size += Table::kStreamHeadSize;
        for (const auto& atom : stream->atoms)
            size += Table::kAtomEntrySize + uint64_t{Table::kLayerEntrySize} * atom->layers.size();
    }
    return size;
}

const uint8_t* HyxLookupTable::Serialize(uint32_t& size)
{
    size = 0;
    // The record keeps its counts in fixed widths: refuse what they cannot hold instead of
    // writing a table that lies.
    if (_guids.size() > MAX_GUIDS || _streams.size() > std::numeric_limits<uint16_t>::max() ||
        recordSize() > std::numeric_limits<uint32_t>::max())
        return nullptr;
    for (const auto& stream : _streams) {
        if (stream->atoms.size() > std::numeric_limits<uint32_t>::max())
            return nullptr;
        for (const auto& atom : stream->atoms) {
            if (atom->layers.size() > MAX_LAYERS_PER_ATOM)
                return nullptr;
        }
    }

    if (!_writer)
        _writer = std::make_shared<SerializeToMemory>();
    _writer->GetBuffer()->clear();
    SerializeToMemory& w = *_writer;
    w.pack_uint32(0u); // S, patched below
    w.pack_uint32(Table::kIdWord);
    w.pack_uint32(Table::kMarker);
    w.pack_uint32(Table::kVersion);
    w.pack_uint16(static_cast<uint16_t>(_guids.size()));
    for (const auto& guid : _guids)
        w.pack_guid(guid);
    w.pack_uint16(static_cast<uint16_t>(_streams.size()));
    for (const auto& stream : _streams) {
        w.pack_uint16(stream->streamId);
        w.pack_uint32(static_cast<uint32_t>(stream->atoms.size()));
        for (const auto& atom : stream->atoms) {
            w.pack_uint32(atom->id);
            w.pack_uint64_(atom->timestamp);
            w.pack_uint64_(atom->payloadOffset);
            w.pack_uint32(atom->payloadSize);
            w.pack_uint32(atom->segmentId);
            w.pack_uint8_(static_cast<uint8_t>(atom->layers.size()));
            for (const auto& layer : atom->layers) {
                w.pack_uint32(layer->offset);
                w.pack_uint32(layer->size);
                w.pack_uint16(layer->purposeIndex);
                w.pack_uint16(layer->typeIndex);
                w.pack_uint16(layer->compressedTypeIndex);
            }
        }
    }
    w.pack_uint32(Table::kMarker);
    const uint32_t total = w.GetPackedDataSize() + 4;
    w.pack_uint32(total);
    w.pack_uint32(total, 0);
    assert(total == recordSize());
    size = total;
    return w.GetPackedDataPtr();
}

std::shared_ptr<HyxLookupTable> HyxLookupTable::Deserialize(const uint8_t* bytes, uint32_t length)
{
    if (bytes == nullptr || length < Table::kEmptySize)
        return {};
    // The reader never writes; it only wants a mutable pointer type.
    DataReader r(const_cast<uint8_t*>(bytes), length);
    DataReader trailer(const_cast<uint8_t*>(bytes) + length - Table::kTrailerSize, Table::kTrailerSize);
    if (trailer.read_uint32() != Table::kMarker || trailer.read_uint32() != length)
        return {};

    uint32_t size = 0, id = 0, marker = 0, version = 0;
    uint16_t guidCount = 0;
    if (!r.read(size) || size != length || !r.read(id) || (id & Table::kAtomTypeBits) != Table::kIdWord ||
        !r.read(marker) || marker != Table::kMarker || !r.read(version) || version != Table::kVersion ||
        !r.read(guidCount))
        return {};

    // Every count is checked against what is left before anything is reserved or looped.
    const uint32_t end = length - Table::kTrailerSize;
    const auto left = [&r, end] { return uint64_t{end} - r.GetReaderPos(); };
    auto table = std::make_shared<HyxLookupTable>();
    if (uint64_t{guidCount} * BlockRecordLayout::kGuidSize > left())
        return {};
    for (uint32_t i = 0; i < guidCount; ++i) {
        const VornCommon::Guid guid = r.read_guid();
        table->_guidIndex.emplace(guid, static_cast<uint16_t>(i)); // the first of equal GUIDs answers
        table->_guids.push_back(guid);
    }

    uint16_t streamCount = 0;
    if (!r.read(streamCount) || uint64_t{streamCount} * Table::kStreamHeadSize > left())
        return {};
    for (uint32_t s = 0; s < streamCount; ++s) {
        uint16_t streamId = 0;
        uint32_t atomCount = 0;
        if (!r.read(streamId) || !r.read(atomCount) || streamId > AtomId::STREAM_ID_MASK ||
            table->FindStream(streamId) || uint64_t{atomCount} * Table::kAtomEntrySize > left())
            return {};
        auto stream = std::make_shared<StreamFrames>(streamId);
        stream->atoms.reserve(atomCount);
        for (uint32_t a = 0; a < atomCount; ++a) {
            uint32_t atomId = 0, payloadSize = 0, segmentId = 0;
            uint64_t timestamp = 0, payloadOffset = 0;
            uint8_t layerCount = 0;
            if (!r.read(atomId) || !r.read(timestamp) || !r.read(payloadOffset) || !r.read(payloadSize) ||
                !r.read(segmentId) || !r.read(layerCount) || uint64_t{layerCount} * Table::kLayerEntrySize > left())
                return {};
            // An entry names its own stream and is a frame, filed in chronological order.
            if (AtomId::GetStreamId(atomId) != streamId || AtomId::GetAtomType(atomId) != 0 ||
                AtomId::GetFrameNr(atomId) < stream->atoms.size())
                return {};
            auto info = std::make_shared<AtomInfo>(atomId, timestamp, payloadOffset, payloadSize, segmentId);
            info->layers.reserve(layerCount);
            for (uint32_t l = 0; l < layerCount; ++l) {
                uint32_t offset = 0, blockSize = 0;
                uint16_t purpose = 0, type = 0, compressedType = 0;
                if (!r.read(offset) || !r.read(blockSize) || !r.read(purpose) || !r.read(type) ||
                    !r.read(compressedType) || purpose >= guidCount || type >= guidCount || compressedType >= guidCount)
                    return {};
                info->layers.push_back(std::make_shared<LayerInfo>(offset, blockSize, purpose, type, compressedType));
            }
            stream->atoms.push_back(std::move(info));
        }
        table->_streams.push_back(std::move(stream));
    }
    if (r.GetReaderPos() != end)
        return {};
    return table;
}

bool HyxLookupTable::FitsContainer(uint64_t dataEnd) const
{
    for (const auto& stream : _streams) {
        for (const auto& atom : stream->atoms) {
            if (atom->payloadOffset < Table::kFirstPayloadOffset || atom->payloadOffset > dataEnd ||
                atom->payloadSize > dataEnd - atom->payloadOffset)
                return false;
            for (const auto& layer : atom->layers) {
                if (layer->size < Table::kMinBlobBlockSize || layer->offset > atom->payloadSize ||
                    layer->size > atom->payloadSize - layer->offset)
                    return false;
            }
        }
    }
    return true;
}

} // namespace Hyx
