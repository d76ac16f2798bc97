#pragma once

// GPU block-compressed textures and their run-length forms. The pixel block holds the
// encoded blocks; these classes carry them and answer no pixel accessor.
//
// Contract:
// - Sizes: DXT1 and ETC2 half a byte per pixel, ASTC a quarter, DXT5-YCoCg one byte
//   (truncated for dimensions that are not multiples of the block size).
// - The run-length forms (DXT1RLE, ETC2RLE, ASTCRLE) have no size that follows from the
//   dimensions: a payload loads with its width and height and a null pixel pointer (status
//   "Size" 0), and their writers throw "Texture format not supported." Their bytes are
//   produced and read by the compressed texture layer.
// - Previews: DXT1 and DXT5-YCoCg show their encoded bytes as grey (DXT1: the pixels past
//   its half-size block as opaque black); the other classes have none
//   (CanRenderTo2dRgbaBuffer answers false).

#include <Hyx/DataTypeTextureBase.h>

namespace Hyx {

/// DXT1 colour blocks.
class HYX_API DataTypeTextureDXT1 : public DataTypeTexture8Bit {
    HYX_TEXTURE_CLASS_IDENTITY(DataTypeTextureDXT1, DXT1)
};

/// DXT5 blocks holding YCoCg colours.
class HYX_API DataTypeTextureDXT5YCOCG : public DataTypeTexture8Bit {
    HYX_TEXTURE_CLASS_IDENTITY(DataTypeTextureDXT5YCOCG, DXT5YCOCG)
};

/// ETC2 RGB blocks.
class HYX_API DataTypeTextureETC2 : public DataTypeTextureBase {
    HYX_TEXTURE_CLASS_IDENTITY(DataTypeTextureETC2, ETC2)
};

/// ASTC blocks.
class HYX_API DataTypeTextureASTC : public DataTypeTextureBase {
    HYX_TEXTURE_CLASS_IDENTITY(DataTypeTextureASTC, ASTC)
};

/// Run-length coded DXT1 blocks.
class HYX_API DataTypeTextureDXT1RLE : public DataTypeTextureBase {
    HYX_TEXTURE_CLASS_IDENTITY(DataTypeTextureDXT1RLE, DXT1RLE)
};

/// Run-length coded ETC2 blocks.
class HYX_API DataTypeTextureETC2RLE : public DataTypeTextureBase {
    HYX_TEXTURE_CLASS_IDENTITY(DataTypeTextureETC2RLE, ETC2RLE)
};

/// Run-length coded ASTC blocks.
class HYX_API DataTypeTextureASTCRLE : public DataTypeTextureBase {
    HYX_TEXTURE_CLASS_IDENTITY(DataTypeTextureASTCRLE, ASTCRLE)
};

/// New empty textures that the caller owns.
HYX_API DataLayer* DataTypeTextureDXT1DataLayerCreator();
HYX_API DataLayer* DataTypeTextureDXT5YCOCGDataLayerCreator();
HYX_API DataLayer* DataTypeTextureETC2DataLayerCreator();
HYX_API DataLayer* DataTypeTextureASTCDataLayerCreator();
HYX_API DataLayer* DataTypeTextureDXT1RLEDataLayerCreator();
HYX_API DataLayer* DataTypeTextureETC2RLEDataLayerCreator();
HYX_API DataLayer* DataTypeTextureASTCRLEDataLayerCreator();

} // namespace Hyx
