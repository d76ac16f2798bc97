#pragma once

// What the texture conversion families share: the leaf definition and the typed view of the
// input layer.

#include "impl/core/BuiltInRegistration.h"

#include <Hyx/Atom.h>
#include <Hyx/DataProfile.h>
#include <Hyx/DataTypeTextureBase.h>
#include <Hyx/Profile.h>
#include <Hyx/TextureFormatConverter.h>
#include <Hyx/TransformTextureConversion.h>

#include <memory>
#include <stdexcept>

namespace Hyx::ConversionSupport {

/// The layer as its concrete class; empty when it is another class.
template <class T>
std::shared_ptr<T> As(const std::shared_ptr<DataTypeTextureBase>& layer)
{
    return std::dynamic_pointer_cast<T>(layer);
}

/// Formats outside a family's dispatch.
[[noreturn]] inline void Unsupported()
{
    throw std::runtime_error("Texture format conversion not supported.");
}

} // namespace Hyx::ConversionSupport

/// Registers a leaf and requests its source class.
#define HYX_TEXTURE_CONVERSION_LEAF(Leaf, SourceClass)                                                                 \
    HYX_BUILTIN_FILTER(Leaf);                                                                                          \
    void Leaf::Instantiate()                                                                                           \
    {                                                                                                                  \
        requestSource(SourceClass::TheTypeGuid());                                                                     \
    }
