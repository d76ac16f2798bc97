#pragma once

// Colour palettes for palette-indexed textures: 256 (8-bit) or 65536 (16-bit) entries of
// three bytes R, G, B.
//
// Contract:
// - Payload version 0: u16 bit size b, then 3 * 2^b entry bytes, entry i at 2 + 3 i.
//   An 8-bit palette payload is 770 bytes, a 16-bit one 196610.
// - Loading refuses other versions only: the entry pointer is null unless the stored bit
//   size is the class's and the payload holds every entry. The class, not the stored bit
//   size, decides GetBitSize; SetPalette of the other size gives no entry pointer.
// - SetPalette and AllocatePalette take a bit size of 8 or 16; any other throws
//   std::invalid_argument "DataTypeColorPalette format is not supported!" and changes
//   nothing. SetPalette may be given entries inside the layer's own payload.
// - Not synchronised (one thread at a time), except the status list.

#include <Hyx/DataLayer.h>
#include <Hyx/Export.h>

#include <VornCommon/Guid.h>

#include <cstdint>
#include <string>

namespace Hyx {

/// Palette size.
enum class PaletteFormat : int32_t {
    Palette8Bit = 0, ///< "8-Bit-Palette"
    Palette16Bit = 1, ///< "16-Bit-Palette"
};

/// The display name of a palette format; "Unknown" for other values.
HYX_API const char* GetPaletteFormatName(PaletteFormat format);

class HYX_API DataTypeColorPalette : public DataLayer {
public:
    ~DataTypeColorPalette() override;

    /// The layer text, then ", BitSize=<8|16>, Format=<display name>".
    std::string ToString(bool friendly) const override;
    /// The class's palette format.
    virtual PaletteFormat GetPaletteFormat() const = 0;

    /// 2: the bit-size field.
    uint32_t GetHeaderSize() const { return 2; }
    /// 8 or 16 from the class's format; std::runtime_error "DataTypeColorPalette format is
    /// not supported!" for any other format.
    uint8_t GetBitSize() const;
    /// 3 * 2^b for the stored bit size b (saturated at 2^32 - 1).
    uint32_t GetPaletteSizeInBytes() const;
    /// The stored bit size.
    uint16_t GetStoredBitSize() const { return _bitSize; }
    /// The first of the 2^GetBitSize entries (null when the payload does not hold them).
    uint8_t* GetPaletteData() const { return _entries; }
    /// Replaces the payload by 2^bitSize entries copied from entries (null: not copied).
    void SetPalette(uint8_t bitSize, const uint8_t* entries);
    /// Replaces the payload by 2^bitSize undefined entries; returns them for filling.
    uint8_t* AllocatePalette(uint8_t bitSize);

protected:
    DataTypeColorPalette();
    /// "Format", "Size".
    void onUpdateStatusProperties() override;
    /// Version 0 only; short payloads load without entries.
    bool deserializeAndMigrate(uint8_t* data, uint32_t size) override;

private:
    uint16_t _bitSize = 0;
    uint8_t* _entries = nullptr;
};

/// 256 entries.
class HYX_API DataTypeColorPalette8bit : public DataTypeColorPalette {
public:
    /// No entries.
    DataTypeColorPalette8bit();
    ~DataTypeColorPalette8bit() override;
    /// 5283B204-0683-459D-8D87-460B3D21C8D6.
    static VornCommon::Guid TheTypeGuid();
    /// "DataTypeColorPalette8bit" / "ColorPalette8bit".
    static DataLayerClassInfo TheDataLayerClassInfo();
    VornCommon::Guid TypeGuid() const override;
    DataLayerClassInfo GetDataLayerClassInfo() const override;
    PaletteFormat GetPaletteFormat() const override { return PaletteFormat::Palette8Bit; }
};

/// 65536 entries.
class HYX_API DataTypeColorPalette16bit : public DataTypeColorPalette {
public:
    /// No entries.
    DataTypeColorPalette16bit();
    ~DataTypeColorPalette16bit() override;
    /// 9495FB00-7598-4E56-9D83-969732DE4626.
    static VornCommon::Guid TheTypeGuid();
    /// "DataTypeColorPalette16bit" / "ColorPalette16bit".
    static DataLayerClassInfo TheDataLayerClassInfo();
    VornCommon::Guid TypeGuid() const override;
    DataLayerClassInfo GetDataLayerClassInfo() const override;
    PaletteFormat GetPaletteFormat() const override { return PaletteFormat::Palette16Bit; }
};

/// New empty palettes that the caller owns.
HYX_API DataLayer* DataTypeColorPalette8bitDataLayerCreator();
HYX_API DataLayer* DataTypeColorPalette16bitDataLayerCreator();

} // namespace Hyx
