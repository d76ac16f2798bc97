#pragma once

// Palette-indexed textures: one 8-bit or 16-bit (little-endian) index per pixel; the
// colours travel in a colour palette layer of the same frame. Both preview their indices as
// grey (the 16-bit one from the high byte).

#include <Hyx/DataTypeTextureBase.h>

namespace Hyx {

/// One 8-bit palette index per pixel.
class HYX_API DataTypeTexture8bitPaletteBased : public DataTypeTexture8Bit {
    HYX_TEXTURE_CLASS_IDENTITY(DataTypeTexture8bitPaletteBased, PaletteBased8bit)
};

/// One 16-bit palette index per pixel.
class HYX_API DataTypeTexture16bitPaletteBased : public DataTypeTexture16Bit {
    HYX_TEXTURE_CLASS_IDENTITY(DataTypeTexture16bitPaletteBased, PaletteBased16bit)
};

/// New empty textures that the caller owns.
HYX_API DataLayer* DataTypeTexture8bitPaletteBasedDataLayerCreator();
HYX_API DataLayer* DataTypeTexture16bitPaletteBasedDataLayerCreator();

} // namespace Hyx
