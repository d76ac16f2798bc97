#pragma once

// Texture conversion filters: each takes the texture layer of one source class from every
// frame, converts it with TextureFormatConverter and appends the result to the same frame.
//
// Contract:
// - Category "Texture Format Conversion"; the only parameter is the transform's "Input
//   Profile". Instantiate requests one layer of the leaf's source class (nil purpose).
// - Output profile: one layer of the family's result class, with the filter's own type
//   GUID as purpose; the RGB family keeps the purpose of input data profile 0.
// - onProcessFrame: the ASTC, DXT1, DXT5-YCoCg and ETC2 families refuse widths or heights
//   that are not multiples of 4 with code 4 and "Unable to convert texture to <family>,
//   dimension not divisible by 4!"; ASTC also refuses sizes that are not multiples of 8
//   ("... ASTC-, dimension not divisible by 8!"). A missing layer, a conversion that gives
//   nothing or throws gives code 4 with "Failed to convert texture to <family>.". On
//   success the result follows the source layer in the atom and the code is 0. Nothing
//   escapes as an exception; a refused frame keeps its layers.
// - ASTC conversions use the medium preset and block the graph's thread while their four
//   encoder threads run; the filters keep no state between frames.

#include <Hyx/Export.h>
#include <Hyx/Transform.h>

#include <VornCommon/Guid.h>

#include <functional>
#include <memory>

namespace Hyx {

class DataLayer;
class DataTypeTextureBase;

/// Base of the conversion filters; offers the "Input Profile" parameter.
class HYX_API TransformTextureConversion : public Transform {
public:
    TransformTextureConversion();
    ~TransformTextureConversion() override;

protected:
    using Convert = std::function<std::shared_ptr<DataLayer>(const std::shared_ptr<DataTypeTextureBase>&)>;

    /// Sets the requested input profile to one layer of the source class (nil purpose).
    void requestSource(const VornCommon::Guid& sourceType);
    /// A profile of one data profile (purpose, result type).
    static std::shared_ptr<Profile> makeOutputProfile(const VornCommon::Guid& purpose,
                                                      const VornCommon::Guid& resultType);
    /// The frame step shared by the families: fetch the input layer, check its size against
    /// multiple (0: no check), convert, append; failures as in the contract.
    HyxErrorCode convertFrame(Atom& atom, uint32_t multiple, const char* dimensionText, const char* failureText,
                              const Convert& convert);
};

#define HYX_TEXTURE_CONVERSION_FAMILY(Family)                                                                          \
    class HYX_API Family : public TransformTextureConversion {                                                         \
    protected:                                                                                                         \
        std::shared_ptr<Profile> onGenerateOutputProfile(Filter* upstream,                                             \
                                                         std::shared_ptr<Profile> inputProfile) override;              \
        HyxErrorCode onProcessFrame(std::shared_ptr<Atom> atom) override;                                              \
    };

/// To ASTC 8 x 8 blocks (medium preset).
HYX_TEXTURE_CONVERSION_FAMILY(TransformTextureASTC)
/// To DXT1 blocks.
HYX_TEXTURE_CONVERSION_FAMILY(TransformTextureDXT1)
/// To DXT5-YCoCg blocks.
HYX_TEXTURE_CONVERSION_FAMILY(TransformTextureDXT5YCOCG)
/// To ETC2 RGB blocks.
HYX_TEXTURE_CONVERSION_FAMILY(TransformTextureETC2)
/// To YUV 4:2:0 NVX.
HYX_TEXTURE_CONVERSION_FAMILY(TransformTextureNVX)
/// To 24-bit RGB.
HYX_TEXTURE_CONVERSION_FAMILY(TransformTextureRGB)

#undef HYX_TEXTURE_CONVERSION_FAMILY

// One leaf per source class and target; the name tells both.
#define HYX_TEXTURE_CONVERSION_LEAF(Leaf, Family)                                                                      \
    class HYX_API Leaf : public Family {                                                                               \
    public:                                                                                                            \
        static VornCommon::Guid TheTypeGuid();                                                                         \
        static FilterClassInfo TheFilterClassInfo();                                                                   \
        VornCommon::Guid TypeGuid() const override;                                                                    \
        FilterClassInfo GetFilterClassInfo() const override;                                                           \
        void Instantiate() override;                                                                                   \
    };                                                                                                                 \
    /** A new filter, owned by the caller. */                                                                          \
    HYX_API Filter* Leaf##FilterCreator();

HYX_TEXTURE_CONVERSION_LEAF(TransformTextureRGBtoASTC, TransformTextureASTC)
HYX_TEXTURE_CONVERSION_LEAF(TransformTextureBGRtoASTC, TransformTextureASTC)
HYX_TEXTURE_CONVERSION_LEAF(TransformTextureYUV_NVXtoASTC, TransformTextureASTC)
HYX_TEXTURE_CONVERSION_LEAF(TransformTextureYUV_NV12toASTC, TransformTextureASTC)
HYX_TEXTURE_CONVERSION_LEAF(TransformTextureYUV_NV21toASTC, TransformTextureASTC)
HYX_TEXTURE_CONVERSION_LEAF(TransformTextureRGBtoDXT1, TransformTextureDXT1)
HYX_TEXTURE_CONVERSION_LEAF(TransformTextureBGRtoDXT1, TransformTextureDXT1)
HYX_TEXTURE_CONVERSION_LEAF(TransformTextureYUV_NVXtoDXT1, TransformTextureDXT1)
HYX_TEXTURE_CONVERSION_LEAF(TransformTextureYUV_NV12toDXT1, TransformTextureDXT1)
HYX_TEXTURE_CONVERSION_LEAF(TransformTextureYUV_NV21toDXT1, TransformTextureDXT1)
HYX_TEXTURE_CONVERSION_LEAF(TransformTextureRGBtoDXT5YCOCG, TransformTextureDXT5YCOCG)
HYX_TEXTURE_CONVERSION_LEAF(TransformTextureBGRtoDXT5YCOCG, TransformTextureDXT5YCOCG)
HYX_TEXTURE_CONVERSION_LEAF(TransformTextureYUV_NVXtoDXT5YCOCG, TransformTextureDXT5YCOCG)
HYX_TEXTURE_CONVERSION_LEAF(TransformTextureYUV_NV12toDXT5YCOCG, TransformTextureDXT5YCOCG)
HYX_TEXTURE_CONVERSION_LEAF(TransformTextureYUV_NV21toDXT5YCOCG, TransformTextureDXT5YCOCG)
HYX_TEXTURE_CONVERSION_LEAF(TransformTextureRGBtoETC2, TransformTextureETC2)
HYX_TEXTURE_CONVERSION_LEAF(TransformTextureBGRtoETC2, TransformTextureETC2)
HYX_TEXTURE_CONVERSION_LEAF(TransformTextureYUV_NVXtoETC2, TransformTextureETC2)
HYX_TEXTURE_CONVERSION_LEAF(TransformTextureYUV_NV12toETC2, TransformTextureETC2)
HYX_TEXTURE_CONVERSION_LEAF(TransformTextureYUV_NV21toETC2, TransformTextureETC2)
HYX_TEXTURE_CONVERSION_LEAF(TransformTextureRGBtoNVX, TransformTextureNVX)
HYX_TEXTURE_CONVERSION_LEAF(TransformTextureBGRtoNVX, TransformTextureNVX)
HYX_TEXTURE_CONVERSION_LEAF(TransformTextureNV12toNVX, TransformTextureNVX)
HYX_TEXTURE_CONVERSION_LEAF(TransformTextureNV21toNVX, TransformTextureNVX)
HYX_TEXTURE_CONVERSION_LEAF(TransformTextureBayerRGGBtoNVX, TransformTextureNVX)
HYX_TEXTURE_CONVERSION_LEAF(TransformTextureBayerBGGRtoNVX, TransformTextureNVX)
HYX_TEXTURE_CONVERSION_LEAF(TransformTextureBayerGRBGtoNVX, TransformTextureNVX)
HYX_TEXTURE_CONVERSION_LEAF(TransformTextureBayerGBRGtoNVX, TransformTextureNVX)
HYX_TEXTURE_CONVERSION_LEAF(TransformTextureBGRtoRGB, TransformTextureRGB)
HYX_TEXTURE_CONVERSION_LEAF(TransformTextureYUV_NV12toRGB, TransformTextureRGB)
HYX_TEXTURE_CONVERSION_LEAF(TransformTextureYUV_NV21toRGB, TransformTextureRGB)
HYX_TEXTURE_CONVERSION_LEAF(TransformTextureYUV_NVXtoRGB, TransformTextureRGB)
HYX_TEXTURE_CONVERSION_LEAF(TransformTextureHSL24toRGB, TransformTextureRGB)
HYX_TEXTURE_CONVERSION_LEAF(TransformTextureDXT5YCOCGtoRGB, TransformTextureRGB)
HYX_TEXTURE_CONVERSION_LEAF(TransformTextureDXT1toRGB, TransformTextureRGB)
HYX_TEXTURE_CONVERSION_LEAF(TransformTextureHSL30toRGB, TransformTextureRGB)

#undef HYX_TEXTURE_CONVERSION_LEAF

} // namespace Hyx
