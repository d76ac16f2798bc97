#include <Hyx/DataTypeColorPalette.h>

#include <Hyx/DataReader.h>
#include <Hyx/StatusProperty.h>

#include "datatypes/textures/PayloadAlias.h"
#include "impl/core/BuiltInRegistration.h"

#include <cstring>
#include <stdexcept>
#include <vector>

namespace Hyx {

HYX_BUILTIN_DATA_LAYER(DataTypeColorPalette8bit);
HYX_BUILTIN_DATA_LAYER(DataTypeColorPalette16bit);

namespace {

constexpr const char* kNotSupported = "DataTypeColorPalette format is not supported!";

uint64_t paletteBytes(uint32_t bitSize)
{
    return uint64_t(3) << (bitSize % 32);
}

} // namespace

const char* GetPaletteFormatName(PaletteFormat format)
{
    switch (format) {
    case PaletteFormat::Palette8Bit: return "8-Bit-Palette";
    case PaletteFormat::Palette16Bit: return "16-Bit-Palette";
    }
    return "Unknown";
}

DataTypeColorPalette::DataTypeColorPalette() : DataLayer(0)
{
}

DataTypeColorPalette::~DataTypeColorPalette() = default;

std::string DataTypeColorPalette::ToString(bool friendly) const
{
    return DataLayer::ToString(friendly) + ", BitSize=" + std::to_string(int(GetBitSize())) +
           ", Format=" + GetPaletteFormatName(GetPaletteFormat());
}

uint8_t DataTypeColorPalette::GetBitSize() const
{
    switch (GetPaletteFormat()) {
    case PaletteFormat::Palette8Bit: return 8;
    case PaletteFormat::Palette16Bit: return 16;
    }
    throw std::runtime_error(kNotSupported);
}

uint32_t DataTypeColorPalette::GetPaletteSizeInBytes() const
{
    const uint64_t size = paletteBytes(_bitSize);
    return size > UINT32_MAX ? UINT32_MAX : uint32_t(size);
}

void DataTypeColorPalette::SetPalette(uint8_t bitSize, const uint8_t* entries)
{
    if (bitSize != 8 && bitSize != 16)
        throw std::invalid_argument(kNotSupported);
    const uint32_t size = uint32_t(paletteBytes(bitSize));
    std::vector<uint8_t> aside;
    entries = PayloadAlias::Stabilize(_payload.get(), entries, size, 2, 2 + uint64_t(size), aside);
    _bitSize = bitSize;
    DataWriter writer = preparePayload(2 + size);
    writer.write(static_cast<unsigned short>(bitSize));
    uint8_t* destination = _payload->data() + 2;
    if (entries && entries != destination)
        std::memcpy(destination, entries, size);
    initialize();
}

uint8_t* DataTypeColorPalette::AllocatePalette(uint8_t bitSize)
{
    SetPalette(bitSize, nullptr);
    return _payload->data() + 2; // the area asked for, also when GetPaletteData withholds it
}

void DataTypeColorPalette::onUpdateStatusProperties()
{
    addStatusProperty(std::make_shared<StatusPropertyString>("Format", GetPaletteFormatName(GetPaletteFormat())));
    addStatusProperty(std::make_shared<StatusPropertyInt>("Size", int(GetPaletteSizeInBytes())));
}

bool DataTypeColorPalette::deserializeAndMigrate(uint8_t* data, uint32_t size)
{
    _entries = nullptr;
    _bitSize = 0;
    if (_payloadVersion != 0)
        return false;
    _bitSize = DataReader(data, size).read_uint16();
    const uint64_t bytes = paletteBytes(_bitSize);
    // Consumers index GetBitSize entries: a palette of another size is not handed out.
    const bool complete = bytes != 0 && 2 + bytes <= size && _bitSize == GetBitSize();
    _entries = complete ? data + 2 : nullptr;
    return true;
}

// ---- Concrete palettes ----

DataTypeColorPalette8bit::DataTypeColorPalette8bit() = default;
DataTypeColorPalette8bit::~DataTypeColorPalette8bit() = default;
DataTypeColorPalette16bit::DataTypeColorPalette16bit() = default;
DataTypeColorPalette16bit::~DataTypeColorPalette16bit() = default;

} // namespace Hyx
