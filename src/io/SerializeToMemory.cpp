#include <Hyx/SerializeToMemory.h>

#include "core/LogLevelEnabled.h"
#include "io/BlockRecordLayout.h"

#include <Hyx/Atom.h>
#include <Hyx/AtomInfo.h>
#include <Hyx/DataBlock.h>
#include <Hyx/DataLayer.h>
#include <Hyx/DataTypeCompressedBlob.h>
#include <Hyx/DataTypeSegmentInfo.h>
#include <Hyx/HyxLookupTable.h>

#include <bit>
#include <cstring>
#include <limits>
#include <stdexcept>

namespace Hyx {

namespace Layout = BlockRecordLayout;

static_assert(std::endian::native == std::endian::little, "the stream is written in native byte order");

namespace {

constexpr uint64_t kMaxBufferSize = std::numeric_limits<uint32_t>::max();

uint32_t loadU32(const uint8_t* p)
{
    uint32_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

} // namespace

SerializeToMemory::SerializeToMemory(HYXFormatVersion version, std::shared_ptr<FlatMemoryUInt8> buffer)
    : _version(version), _buffer(buffer ? std::move(buffer) : std::make_shared<FlatMemoryUInt8>())
{
}

SerializeToMemory::~SerializeToMemory() = default;

uint32_t SerializeToMemory::GetPackedDataSize() const
{
    return _buffer->size();
}

uint8_t* SerializeToMemory::GetPackedDataPtr() const
{
    return _buffer->data();
}

bool SerializeToMemory::onFlush()
{
    return true;
}

bool SerializeToMemory::Flush()
{
    const uint32_t n = _buffer->size();
    if (n == 0)
        return true;
    if (!onFlush())
        return false;
    _buffer->clear();
    _flushed += n;
    return true;
}

void SerializeToMemory::truncateBuffer(uint32_t size) const
{
    if (size >= _buffer->size())
        return;
    if (_buffer->owns()) {
        _buffer->resize(size);
    } else {
        // Resizing borrowed storage would reallocate and lose the leading bytes; borrow the
        // same storage again with the shorter size instead (the next growth copies it).
        _buffer->SetWithoutCopyAndDoNotTakeResponsibilityToDelete(_buffer->data(), size);
    }
}

void SerializeToMemory::append(const void* data, uint64_t n) const
{
    if (n == 0)
        return;
    if (n > kMaxBufferSize - _buffer->size())
        throw std::length_error("Atom stream buffer would exceed 4 GiB.");
    _buffer->push_back(static_cast<const unsigned char*>(data), static_cast<uint32_t>(n));
}

void SerializeToMemory::appendArray(const void* data, unsigned int n, unsigned int elementSize, bool withCount) const
{
    const uint64_t bytes = uint64_t{n} * elementSize;
    if (bytes + (withCount ? 4 : 0) > kMaxBufferSize - _buffer->size())
        throw std::length_error("Atom stream buffer would exceed 4 GiB.");
    if (withCount)
        append(&n, 4);
    append(data, bytes);
}

void SerializeToMemory::pack_hyxheader() const
{
    uint8_t header[HYX_STREAM_HEADER_SIZE];
    header[0] = static_cast<uint8_t>(HYX_STREAM_MAGIC_LENGTH);
    std::memcpy(header + 1, HYX_STREAM_MAGIC, HYX_STREAM_MAGIC_LENGTH);
    const uint32_t version = _version;
    std::memcpy(header + 1 + HYX_STREAM_MAGIC_LENGTH, &version, 4);
    append(header, sizeof header);
}

void SerializeToMemory::pack_blobData(std::shared_ptr<DataLayer> layer) const
{
    if (!layer)
        throw std::invalid_argument("Data block without a data layer.");

    uint32_t n = 0;
    const uint8_t* payload = layer->Serialize(n);
    if (n != 0 && payload == nullptr)
        throw std::invalid_argument("Data layer returned no payload bytes.");
    const auto* compressed = dynamic_cast<const DataTypeCompressedBlob*>(layer.get());

    // Everything before the payload goes in with one append.
    uint8_t head[HYX_BLOB_HEADER_SIZE + HYX_BLOB_COMPRESSION_FIELDS_SIZE + 4] = {};
    uint32_t len = 0;
    layer->GetPurposeGuid().ToRawBytes(head + Layout::kPurpose);
    layer->TypeGuid().ToRawBytes(head + Layout::kType);
    const uint16_t version = layer->GetVersion();
    std::memcpy(head + Layout::kVersion, &version, 2);
    len = HYX_BLOB_HEADER_SIZE;
    if (compressed) {
        compressed->GetCompressedBlobTypeGuid().ToRawBytes(head + len + Layout::kSourceType);
        const uint16_t sourceVersion = compressed->GetCompressedBlobVersion();
        std::memcpy(head + len + Layout::kSourceVersion, &sourceVersion, 2);
        head[len + Layout::kCompressionType] = compressed->GetCompressionType();
        len += HYX_BLOB_COMPRESSION_FIELDS_SIZE;
    }
    std::memcpy(head + len, &n, 4);
    len += 4;

    if (uint64_t{len} + n > kMaxBufferSize - _buffer->size())
        throw std::length_error("Atom record would exceed 4 GiB.");
    append(head, len);
    append(payload, n);
}

HyxErrorCode SerializeToMemory::pack_atom(std::shared_ptr<Atom> atom)
{
    return pack_atom(std::move(atom), nullptr);
}

HyxErrorCode SerializeToMemory::pack_atom(std::shared_ptr<Atom> atom, std::shared_ptr<HyxLookupTable> table)
{
    if (_stopped)
        return HyxErrorCode::FailedToWriteToFile;
    if (!atom) {
        LogLine(VornCommon::LogLevel::Error, "Hyx failed to pack atom. (no atom)");
        return HyxErrorCode::FailedToPackAtom;
    }
    // Refuse an out-of-order frame before anything is written: the record must never reach
    // the stream without its index entry.
    if (table) {
        table->ThrowIfNotChronological(atom->GetId());
        // A table entry counts its layers in one byte.
        if (const size_t blocks = atom->GetAllDataBlocks().size(); blocks > HyxLookupTable::MAX_LAYERS_PER_ATOM) {
            LogLine(VornCommon::LogLevel::Error,
                    "Hyx failed to pack atom. (%u blocks; an indexed atom holds at most %u)",
                    static_cast<unsigned>(blocks), HyxLookupTable::MAX_LAYERS_PER_ATOM);
            return HyxErrorCode::FailedToPackAtom;
        }
    }

    const uint32_t start = GetPackedDataSize();
    const HyxErrorCode result = packRecord(atom);
    if (result != HyxErrorCode::Success || !table)
        return result;

    try {
        table->AddAtomInfo(indexRecord(*atom, start, *table));
    } catch (const std::length_error& e) {
        // The GUID list is full: an atom the table cannot index is not written either.
        truncateBuffer(start);
        LogLine(VornCommon::LogLevel::Error, "Hyx failed to pack atom. (%s)", e.what());
        return HyxErrorCode::FailedToPackAtom;
    } catch (...) {
        truncateBuffer(start);
        throw;
    }
    return HyxErrorCode::Success;
}

HyxErrorCode SerializeToMemory::packRecord(const std::shared_ptr<Atom>& atom)
{
    const uint32_t start = GetPackedDataSize();
    try {
        uint8_t header[HYX_ATOM_HEADER_SIZE] = {};
        const uint32_t id = atom->GetId();
        const uint64_t timestamp = atom->GetTimeStamp();
        std::memcpy(header + 4, &id, 4);
        std::memcpy(header + 8, &timestamp, 8);
        append(header, sizeof header);

        // Blocks keep this reference only during the call; a writer that no shared pointer
        // owns gets a non-owning one.
        std::shared_ptr<SerializeToMemory> self = weak_from_this().lock();
        if (!self)
            self = std::shared_ptr<SerializeToMemory>(std::shared_ptr<SerializeToMemory>(), this);
        for (const auto& block : atom->GetAllDataBlocks()) {
            if (!block)
                throw std::invalid_argument("Atom holds an empty data block.");
            block->Serialize(self);
        }
        pack_uint32(GetPackedDataSize() - start, start);
    } catch (const std::exception& e) {
        truncateBuffer(start);
        LogLine(VornCommon::LogLevel::Error, "Hyx failed to pack atom. (%s)", e.what());
        return HyxErrorCode::FailedToPackAtom;
    }
    return HyxErrorCode::Success;
}

std::shared_ptr<AtomInfo> SerializeToMemory::indexRecord(const Atom& atom, uint32_t start, HyxLookupTable& table) const
{
    uint32_t segment = 0;
    if (const auto layer = std::dynamic_pointer_cast<DataTypeSegmentInfo>(
            atom.GetDataLayerByType(DataTypeSegmentInfo::TheTypeGuid(), true)))
        segment = layer->GetSegmentId();

    const uint8_t* record = GetPackedDataPtr() + start;
    const uint32_t payloadSize = loadU32(record) - HYX_ATOM_HEADER_SIZE;
    auto info = std::make_shared<AtomInfo>(atom.GetId(), atom.GetTimeStamp(), _flushed + start + HYX_ATOM_HEADER_SIZE,
                                           payloadSize, segment);

    const uint8_t* payload = record + HYX_ATOM_HEADER_SIZE;
    const auto guidAt = [](const uint8_t* block, uint32_t blockSize, uint32_t offset) {
        return offset + Layout::kGuidSize <= blockSize ? VornCommon::Guid::FromRawBytes(block + offset)
                                                       : VornCommon::Guid();
    };
    uint32_t off = 0;
    while (payloadSize - off >= HYX_BLOCK_HEADER_SIZE) {
        const uint8_t* block = payload + off;
        const uint32_t blockSize = loadU32(block + Layout::kSize);
        if (blockSize < HYX_BLOCK_HEADER_SIZE || blockSize > payloadSize - off)
            break; // only blocks of foreign kinds could write such sizes
        const uint8_t kind = block[Layout::kKind];
        const uint16_t purpose = table.GetGuidIndex(guidAt(block, blockSize, Layout::kRecordPurpose));
        const uint16_t type = table.GetGuidIndex(guidAt(block, blockSize, Layout::kRecordType));
        const uint16_t source = kind == 1 ? table.GetGuidIndex(guidAt(block, blockSize, Layout::kRecordSourceType)) : 0;
        info->layers.push_back(std::make_shared<LayerInfo>(off, blockSize, purpose, type, source));
        off += blockSize;
    }
    return info;
}

// Primitives -------------------------------------------------------------------------------

void SerializeToMemory::pack_bool(const bool& value) const
{
    const uint8_t b = value ? 1 : 0;
    append(&b, 1);
}

void SerializeToMemory::pack_uint8(const unsigned char& value) const
{
    append(&value, 1);
}
void SerializeToMemory::pack_uint8_(unsigned char value) const
{
    append(&value, 1);
}
void SerializeToMemory::pack_int16(short value) const
{
    append(&value, 2);
}
void SerializeToMemory::pack_uint16(unsigned short value) const
{
    append(&value, 2);
}
void SerializeToMemory::pack_uint24(unsigned int value) const
{
    append(&value, 3);
}
void SerializeToMemory::pack_int32(const int& value) const
{
    append(&value, 4);
}
void SerializeToMemory::pack_uint32(unsigned int value) const
{
    append(&value, 4);
}
void SerializeToMemory::pack_float(const float& value) const
{
    append(&value, 4);
}
void SerializeToMemory::pack_int64(const long long& value) const
{
    append(&value, 8);
}
void SerializeToMemory::pack_uint64(const unsigned long long& value) const
{
    append(&value, 8);
}
void SerializeToMemory::pack_uint64_(unsigned long long value) const
{
    append(&value, 8);
}
void SerializeToMemory::pack_double(const double& value) const
{
    append(&value, 8);
}
void SerializeToMemory::pack_float2(const float* values) const
{
    append(values, 8);
}
void SerializeToMemory::pack_float3(const float* values) const
{
    append(values, 12);
}
void SerializeToMemory::pack_float4(const float* values) const
{
    append(values, 16);
}

void SerializeToMemory::pack_guid(const VornCommon::Guid& guid) const
{
    uint8_t raw[VornCommon::Guid::RAW_BYTES_SIZE];
    guid.ToRawBytes(raw);
    append(raw, sizeof raw);
}

void SerializeToMemory::pack_array(const unsigned char* data, unsigned int n, bool withCount) const
{
    appendArray(data, n, 1, withCount);
}

void SerializeToMemory::pack_uint16array(const unsigned short* data, unsigned int n, bool withCount) const
{
    appendArray(data, n, 2, withCount);
}

void SerializeToMemory::pack_floatarray(const float* data, unsigned int n, bool withCount) const
{
    appendArray(data, n, 4, withCount);
}

void SerializeToMemory::pack_uint32array(const unsigned int* data, unsigned int n, bool withCount) const
{
    appendArray(data, n, 4, withCount);
}

void SerializeToMemory::pack_doublearray(const double* data, unsigned int n, bool withCount) const
{
    appendArray(data, n, 8, withCount);
}

void SerializeToMemory::pack_string(const std::string& text) const
{
    append(text.data(), text.size());
}

template <class Length>
void SerializeToMemory::appendCountedString(const std::string& text) const
{
    // Never write a length that disagrees with the bytes that follow it.
    if (text.size() > std::numeric_limits<Length>::max() ||
        sizeof(Length) + uint64_t{text.size()} > kMaxBufferSize - _buffer->size())
        throw std::length_error("String too long for its length field.");
    const auto length = static_cast<Length>(text.size());
    append(&length, sizeof length);
    append(text.data(), text.size());
}

void SerializeToMemory::pack_shortstring(const std::string& text) const
{
    appendCountedString<uint8_t>(text);
}
void SerializeToMemory::pack_normalstring(const std::string& text) const
{
    appendCountedString<uint16_t>(text);
}
void SerializeToMemory::pack_longstring(const std::string& text) const
{
    appendCountedString<uint32_t>(text);
}

void SerializeToMemory::pack_uint32(const unsigned int& value, unsigned int position) const
{
    if (_buffer->size() < 4 || position > _buffer->size() - 4)
        throw std::out_of_range("pack_uint32: position outside the buffer.");
    std::memcpy(_buffer->data() + position, &value, 4);
}

} // namespace Hyx
