#include <Hyx/DataTypeTexturePaletteBased.h>

#include "impl/core/BuiltInRegistration.h"

namespace Hyx {

HYX_BUILTIN_DATA_LAYER(DataTypeTexture8bitPaletteBased);
HYX_BUILTIN_DATA_LAYER(DataTypeTexture16bitPaletteBased);

DataTypeTexture8bitPaletteBased::DataTypeTexture8bitPaletteBased() : DataTypeTexture8Bit(0)
{
}

DataTypeTexture8bitPaletteBased::~DataTypeTexture8bitPaletteBased() = default;

DataTypeTexture16bitPaletteBased::DataTypeTexture16bitPaletteBased() : DataTypeTexture16Bit(0)
{
}

DataTypeTexture16bitPaletteBased::~DataTypeTexture16bitPaletteBased() = default;

} // namespace Hyx
