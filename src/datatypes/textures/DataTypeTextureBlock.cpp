#include <Hyx/DataTypeTextureBlock.h>

#include "impl/core/BuiltInRegistration.h"

namespace Hyx {

HYX_BUILTIN_DATA_LAYER(DataTypeTextureDXT1);
HYX_BUILTIN_DATA_LAYER(DataTypeTextureDXT5YCOCG);
HYX_BUILTIN_DATA_LAYER(DataTypeTextureETC2);
HYX_BUILTIN_DATA_LAYER(DataTypeTextureASTC);
HYX_BUILTIN_DATA_LAYER(DataTypeTextureDXT1RLE);
HYX_BUILTIN_DATA_LAYER(DataTypeTextureETC2RLE);
HYX_BUILTIN_DATA_LAYER(DataTypeTextureASTCRLE);

#define HYX_TEXTURE_CONSTRUCTION(ClassName, Base)                                                                      \
    ClassName::ClassName() : Base(0)                                                                                   \
    {                                                                                                                  \
    }                                                                                                                  \
    ClassName::~ClassName() = default;

HYX_TEXTURE_CONSTRUCTION(DataTypeTextureDXT1, DataTypeTexture8Bit)
HYX_TEXTURE_CONSTRUCTION(DataTypeTextureDXT5YCOCG, DataTypeTexture8Bit)
HYX_TEXTURE_CONSTRUCTION(DataTypeTextureETC2, DataTypeTextureBase)
HYX_TEXTURE_CONSTRUCTION(DataTypeTextureASTC, DataTypeTextureBase)
HYX_TEXTURE_CONSTRUCTION(DataTypeTextureDXT1RLE, DataTypeTextureBase)
HYX_TEXTURE_CONSTRUCTION(DataTypeTextureETC2RLE, DataTypeTextureBase)
HYX_TEXTURE_CONSTRUCTION(DataTypeTextureASTCRLE, DataTypeTextureBase)

} // namespace Hyx
