#include <Hyx/DeserializeFromMemory.h>

#include "core/LogLevelEnabled.h"
#include "io/BlobBody.h"
#include "io/BlockRecordLayout.h"

#include <Hyx/Atom.h>
#include <Hyx/DataBlock.h>
#include <Hyx/DataLayer.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace Hyx {

namespace {

uint32_t loadU32(const uint8_t* p)
{
    uint32_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

} // namespace

DeserializeFromMemory::DeserializeFromMemory() : _buffer(std::make_shared<FlatMemoryUInt8>())
{
}

DeserializeFromMemory::~DeserializeFromMemory() = default;

// Buffer control ---------------------------------------------------------------------------

uint32_t DeserializeFromMemory::GetRemainingDataSize() const
{
    const uint32_t size = _buffer->size();
    return _cursor < size ? size - _cursor : 0;
}

void DeserializeFromMemory::SeekForwards(unsigned int n)
{
    _cursor = static_cast<uint32_t>(std::min<uint64_t>(uint64_t{_cursor} + n, _buffer->size()));
}

uint8_t* DeserializeFromMemory::allocateSizeForPackedData(unsigned int n)
{
    uint8_t* data = _buffer->resize(n);
    _cursor = 0;
    return data;
}

void DeserializeFromMemory::setPackedDataWithoutResponsibilityToDelete(unsigned char* data, unsigned int n)
{
    _buffer->SetWithoutCopyAndDoNotTakeResponsibilityToDelete(data, n);
    _cursor = 0;
}

bool DeserializeFromMemory::take(void* out, uint32_t n)
{
    if (!fits(n))
        return false;
    if (n != 0)
        std::memcpy(out, _buffer->data() + _cursor, n);
    _cursor += n;
    return true;
}

template <class T>
T DeserializeFromMemory::takeValue()
{
    T value{};
    if (!take(&value, sizeof value))
        return T{};
    return value;
}

uint32_t DeserializeFromMemory::readU32At(uint32_t position) const
{
    return loadU32(_buffer->data() + position);
}

// Header and records -------------------------------------------------------------------------

bool DeserializeFromMemory::unpack_hyxheader()
{
    if (!fits(1))
        return false;
    const uint32_t length = _buffer->data()[_cursor];
    if (!fits(uint64_t{1} + length))
        return false;
    const bool magic = BlockRecordLayout::StartsWithStreamMagic(_buffer->data() + _cursor);
    _cursor += 1 + length;
    if (!magic)
        return false;
    if (!fits(4))
        return false;
    return SetHyxFormatVersion(static_cast<HYXFormatVersion>(unpack_uint32()));
}

bool DeserializeFromMemory::SetHyxFormatVersion(HYXFormatVersion version)
{
    _version = version;
    if (version != HYX_FORMAT_VERSION_2000)
        return false;
    _blockHeaderSize = HYX_BLOCK_HEADER_SIZE;
    return true;
}

void DeserializeFromMemory::checkBlockVersion() const
{
    // Only 2000 has a known block header; older and unknown versions are refused alike.
    if (_version != HYX_FORMAT_VERSION_2000)
        throw std::runtime_error("HYX version not supported");
}

uint32_t DeserializeFromMemory::unpack_atomheader(unsigned int& id, unsigned long long& timestamp)
{
    if (!fits(HYX_ATOM_HEADER_SIZE)) {
        id = 0;
        timestamp = 0;
        return 0;
    }
    const uint32_t size = unpack_uint32();
    id = unpack_uint32();
    timestamp = unpack_uint64();
    return size;
}

uint32_t DeserializeFromMemory::unpack_dataheader(unsigned char& dataType)
{
    checkBlockVersion();
    if (!fits(_blockHeaderSize)) {
        dataType = 0;
        return 0;
    }
    const uint32_t size = unpack_uint32();
    dataType = unpack_uint8();
    return size;
}

std::shared_ptr<Atom> DeserializeFromMemory::unpack_atom()
{
    const uint32_t remaining = GetRemainingDataSize();
    unsigned int id = 0;
    unsigned long long timestamp = 0;
    const uint32_t size = unpack_atomheader(id, timestamp);
    if (size < HYX_ATOM_HEADER_SIZE || size > remaining) {
        // Without a trustworthy size nothing after this point can be framed.
        if (remaining != 0)
            LogLine(VornCommon::LogLevel::Error, "Invalid atom record: size %u with %u bytes left in the stream",
                    static_cast<unsigned>(size), static_cast<unsigned>(remaining));
        _cursor = _buffer->size();
        return {};
    }
    return unpack_atom_withoutHeader(id, timestamp, size - HYX_ATOM_HEADER_SIZE);
}

std::shared_ptr<Atom> DeserializeFromMemory::unpack_atom_withoutHeader(unsigned int id, unsigned long long timestamp,
                                                                       unsigned int blocksSize)
{
    auto atom = std::make_shared<Atom>(id, static_cast<uint64_t>(timestamp));
    if (blocksSize == 0)
        return atom;
    if (blocksSize > GetRemainingDataSize()) {
        LogLine(VornCommon::LogLevel::Error, "Invalid atom record: %u bytes of blocks with %u bytes left in the stream",
                static_cast<unsigned>(blocksSize), static_cast<unsigned>(GetRemainingDataSize()));
        _cursor = _buffer->size();
        return {};
    }

    const uint32_t end = _cursor + blocksSize;
    try {
        while (_cursor < end) {
            const uint32_t blockStart = _cursor;
            const uint32_t left = end - blockStart;
            checkBlockVersion();
            const uint32_t blockSize = left >= _blockHeaderSize ? readU32At(blockStart) : 0;
            if (blockSize < _blockHeaderSize || blockSize > left) {
                LogLine(VornCommon::LogLevel::Error, "Invalid data block: size %u with %u bytes left in its atom",
                        static_cast<unsigned>(blockSize), static_cast<unsigned>(left));
                _cursor = end;
                return {};
            }
            unsigned char kind = 0;
            unpack_dataheader(kind);
            auto block = std::dynamic_pointer_cast<DataBlockBlob>(
                DataBlock::Deserialize(this, blockSize - _blockHeaderSize, static_cast<DataType>(kind)));
            if (!block) {
                _cursor = end;
                return {};
            }
            atom->AddDataBlock(block);
            _cursor = blockStart + blockSize;
        }
    } catch (...) {
        _cursor = end;
        throw;
    }
    return atom;
}

std::shared_ptr<DataLayer> DeserializeFromMemory::unpack_blobData(unsigned int size)
{
    return readBlob(size, std::nullopt);
}

std::shared_ptr<DataLayer> DeserializeFromMemory::unpack_blobData(unsigned int size, DataType kind)
{
    return readBlob(size, kind);
}

std::shared_ptr<DataLayer> DeserializeFromMemory::readBlob(uint32_t size, std::optional<DataType> kind)
{
    constexpr uint32_t kMinBody = HYX_BLOB_HEADER_SIZE + 4;
    if (size < kMinBody || !fits(size)) {
        LogLine(VornCommon::LogLevel::Error, "Invalid blob body: %u bytes with %u bytes left in the stream",
                static_cast<unsigned>(size), static_cast<unsigned>(GetRemainingDataSize()));
        return {};
    }
    const uint8_t* body = _buffer->data() + _cursor;
    BlobBody blob;
    if (!blob.ReadHead(body, size, size, kind, true))
        return {};
    std::shared_ptr<DataLayer> layer = blob.LoadCopy(body + blob.PayloadOffset());
    _cursor += blob.PayloadOffset() + blob.PayloadSize();
    return layer;
}

// Primitives -------------------------------------------------------------------------------

bool DeserializeFromMemory::unpack_bool()
{
    return takeValue<uint8_t>() != 0;
}
unsigned char DeserializeFromMemory::unpack_uint8()
{
    return takeValue<unsigned char>();
}
short DeserializeFromMemory::unpack_int16()
{
    return takeValue<short>();
}
unsigned short DeserializeFromMemory::unpack_uint16()
{
    return takeValue<unsigned short>();
}
int DeserializeFromMemory::unpack_int32()
{
    return takeValue<int>();
}
unsigned int DeserializeFromMemory::unpack_uint32()
{
    return takeValue<unsigned int>();
}
float DeserializeFromMemory::unpack_float()
{
    return takeValue<float>();
}
long long DeserializeFromMemory::unpack_int64()
{
    return takeValue<long long>();
}
unsigned long long DeserializeFromMemory::unpack_uint64()
{
    return takeValue<unsigned long long>();
}
double DeserializeFromMemory::unpack_double()
{
    return takeValue<double>();
}

namespace {
bool takeFloats(DeserializeFromMemory& reader, std::vector<float>* values, unsigned int count)
{
    if (!values)
        return false;
    values->assign(count, 0.0f);
    return reader.unpack_floatarray(values->data(), count);
}
} // namespace

bool DeserializeFromMemory::unpack_float2(std::vector<float>* values)
{
    return takeFloats(*this, values, 2);
}
bool DeserializeFromMemory::unpack_float3(std::vector<float>* values)
{
    return takeFloats(*this, values, 3);
}
bool DeserializeFromMemory::unpack_float4(std::vector<float>* values)
{
    return takeFloats(*this, values, 4);
}

bool DeserializeFromMemory::unpack_guid(VornCommon::Guid& guid)
{
    uint8_t raw[VornCommon::Guid::RAW_BYTES_SIZE];
    if (!take(raw, sizeof raw)) {
        guid = VornCommon::Guid();
        return false;
    }
    guid = VornCommon::Guid::FromRawBytes(raw);
    return true;
}

bool DeserializeFromMemory::unpack_guid(unsigned char* raw)
{
    return raw && take(raw, VornCommon::Guid::RAW_BYTES_SIZE);
}

unsigned char* DeserializeFromMemory::unpack_array(unsigned int& n)
{
    n = 0;
    if (!fits(4))
        return nullptr;
    const uint32_t count = readU32At(_cursor);
    if (!fits(uint64_t{4} + count))
        return nullptr;
    _cursor += 4;
    unsigned char* data = _buffer->data() + _cursor;
    _cursor += count;
    n = count;
    return count != 0 ? data : nullptr;
}

bool DeserializeFromMemory::unpack_array(std::vector<unsigned char>* bytes)
{
    if (!bytes)
        return false;
    bytes->clear();
    if (!fits(4) || !fits(uint64_t{4} + readU32At(_cursor)))
        return false;
    unsigned int n = 0;
    const unsigned char* data = unpack_array(n);
    bytes->assign(data, data + n);
    return true;
}

bool DeserializeFromMemory::unpack_array(std::vector<unsigned char>* bytes, unsigned int n)
{
    if (!bytes)
        return false;
    bytes->clear();
    if (!fits(n))
        return false;
    const unsigned char* data = _buffer->data() + _cursor;
    bytes->assign(data, data + n);
    _cursor += n;
    return true;
}

bool DeserializeFromMemory::unpack_array(unsigned char* bytes, unsigned int n)
{
    return (bytes || n == 0) && take(bytes, n);
}

bool DeserializeFromMemory::unpack_uint16array(unsigned short* values, unsigned int n)
{
    const uint64_t bytes = uint64_t{n} * 2;
    return (values || n == 0) && fits(bytes) && take(values, static_cast<uint32_t>(bytes));
}

bool DeserializeFromMemory::unpack_floatarray(float* values, unsigned int n)
{
    const uint64_t bytes = uint64_t{n} * 4;
    return (values || n == 0) && fits(bytes) && take(values, static_cast<uint32_t>(bytes));
}

bool DeserializeFromMemory::unpack_uint32_tarray(unsigned int* values, unsigned int n)
{
    const uint64_t bytes = uint64_t{n} * 4;
    return (values || n == 0) && fits(bytes) && take(values, static_cast<uint32_t>(bytes));
}

bool DeserializeFromMemory::unpack_string(std::string* text, unsigned int n)
{
    if (!text)
        return false;
    text->clear();
    if (!fits(n))
        return false;
    text->assign(reinterpret_cast<const char*>(_buffer->data() + _cursor), n);
    _cursor += n;
    return true;
}

namespace {
template <class Length>
bool takeCountedString(DeserializeFromMemory& reader, std::string* text)
{
    if (!text)
        return false;
    text->clear();
    const uint32_t remaining = reader.GetRemainingDataSize();
    if (remaining < sizeof(Length))
        return false;
    Length length = 0;
    std::memcpy(&length, reader.GetBuffer()->data() + reader.GetReaderPos(), sizeof length);
    if (uint64_t{length} > remaining - sizeof(Length))
        return false;
    reader.SeekForwards(sizeof(Length));
    return reader.unpack_string(text, length);
}
} // namespace

bool DeserializeFromMemory::unpack_shortstring(std::string* text)
{
    return takeCountedString<uint8_t>(*this, text);
}
bool DeserializeFromMemory::unpack_normalstring(std::string* text)
{
    return takeCountedString<uint16_t>(*this, text);
}
bool DeserializeFromMemory::unpack_longstring(std::string* text)
{
    return takeCountedString<uint32_t>(*this, text);
}

} // namespace Hyx
