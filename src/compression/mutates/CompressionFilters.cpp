// The compressor and decompressor classes: their declared pairs and registration.

#include <Hyx/MutateCompressor.h>

#include "impl/core/BuiltInRegistration.h"

#include <Hyx/CompressedLayers.h>
#include <Hyx/DataProfile.h>
#include <Hyx/DataTypeTextureBlock.h>
#include <Hyx/DataTypeTextureIR.h>
#include <Hyx/DataTypeTextureRGB.h>
#include <Hyx/DataTypeTextureYUV.h>
#include <Hyx/DataTypeVertex.h>

namespace Hyx {

namespace {

template <typename Plain, typename Compressed>
std::shared_ptr<MutateCompressor::GuidPair> compressorPair()
{
    return std::make_shared<MutateCompressor::GuidPair>(Plain::TheTypeGuid(), Compressed::TheTypeGuid());
}

template <typename Plain, typename Compressed>
std::shared_ptr<DataProfile> decompressorPair()
{
    return std::make_shared<DataProfile>(VornCommon::Guid(), Compressed::TheTypeGuid(), Plain::TheTypeGuid());
}

} // namespace

HYX_BUILTIN_FILTER(MutateVertexIndicesCompressor);
MutateVertexIndicesCompressor::MutateVertexIndicesCompressor()
    : MutateCompressorWithChoice(128, {"24BIT", "16BIT"}, {128, 129})
{
}
MutateVertexIndicesCompressor::~MutateVertexIndicesCompressor() = default;
void MutateVertexIndicesCompressor::Instantiate()
{
    _pairs.push_back(compressorPair<DataTypeVertexIndices, DataTypeCompressedVertexIndices>());
}

HYX_BUILTIN_FILTER(MutateVertexNormalsCompressor);
MutateVertexNormalsCompressor::MutateVertexNormalsCompressor() : MutateCompressor(true)
{
}
MutateVertexNormalsCompressor::~MutateVertexNormalsCompressor() = default;
void MutateVertexNormalsCompressor::Instantiate()
{
    _pairs.push_back(compressorPair<DataTypeVertexNormals, DataTypeCompressedVertexNormals>());
}

HYX_BUILTIN_FILTER(MutateVertexPositionsCompressor);
MutateVertexPositionsCompressor::MutateVertexPositionsCompressor()
    : MutateCompressorWithChoice(1, {"QSPACE-16/16/16", "QSPACE-11/11/10"}, {1, 2})
{
}
MutateVertexPositionsCompressor::~MutateVertexPositionsCompressor() = default;
void MutateVertexPositionsCompressor::Instantiate()
{
    _pairs.push_back(compressorPair<DataTypeVertexPositions, DataTypeCompressedVertexPositions>());
}

HYX_BUILTIN_FILTER(MutateVertexTextureUVsCompressor);
MutateVertexTextureUVsCompressor::MutateVertexTextureUVsCompressor()
    : MutateCompressorWithChoice(128, {"16BIT", "12BIT"}, {128, 129})
{
}
MutateVertexTextureUVsCompressor::~MutateVertexTextureUVsCompressor() = default;
void MutateVertexTextureUVsCompressor::Instantiate()
{
    _pairs.push_back(compressorPair<DataTypeVertexTextureUVs, DataTypeCompressedVertexTextureUVs>());
}

HYX_BUILTIN_FILTER(MutateTextureCompressorRGB);
MutateTextureCompressorRGB::MutateTextureCompressorRGB() : MutateCompressor(true)
{
}
MutateTextureCompressorRGB::~MutateTextureCompressorRGB() = default;
void MutateTextureCompressorRGB::Instantiate()
{
    _pairs.push_back(compressorPair<DataTypeTextureRGB, DataTypeCompressedTexture>());
}

HYX_BUILTIN_FILTER(MutateTextureCompressorBGR);
MutateTextureCompressorBGR::MutateTextureCompressorBGR() : MutateCompressor(true)
{
}
MutateTextureCompressorBGR::~MutateTextureCompressorBGR() = default;
void MutateTextureCompressorBGR::Instantiate()
{
    _pairs.push_back(compressorPair<DataTypeTextureBGR, DataTypeCompressedTexture>());
}

HYX_BUILTIN_FILTER(MutateTextureCompressorYUV_NV12);
MutateTextureCompressorYUV_NV12::MutateTextureCompressorYUV_NV12() : MutateCompressor(true)
{
}
MutateTextureCompressorYUV_NV12::~MutateTextureCompressorYUV_NV12() = default;
void MutateTextureCompressorYUV_NV12::Instantiate()
{
    _pairs.push_back(compressorPair<DataTypeTextureYUV_NV12, DataTypeCompressedTexture>());
}

HYX_BUILTIN_FILTER(MutateTextureCompressorYUV_NV21);
MutateTextureCompressorYUV_NV21::MutateTextureCompressorYUV_NV21() : MutateCompressor(true)
{
}
MutateTextureCompressorYUV_NV21::~MutateTextureCompressorYUV_NV21() = default;
void MutateTextureCompressorYUV_NV21::Instantiate()
{
    _pairs.push_back(compressorPair<DataTypeTextureYUV_NV21, DataTypeCompressedTexture>());
}

HYX_BUILTIN_FILTER(MutateTextureCompressorYUV_NVX);
MutateTextureCompressorYUV_NVX::MutateTextureCompressorYUV_NVX() : MutateCompressor(true)
{
}
MutateTextureCompressorYUV_NVX::~MutateTextureCompressorYUV_NVX() = default;
void MutateTextureCompressorYUV_NVX::Instantiate()
{
    _pairs.push_back(compressorPair<DataTypeTextureYUV_NVX, DataTypeCompressedTexture>());
}

HYX_BUILTIN_FILTER(MutateTextureCompressor16BitIR);
MutateTextureCompressor16BitIR::MutateTextureCompressor16BitIR() : MutateCompressor(true)
{
}
MutateTextureCompressor16BitIR::~MutateTextureCompressor16BitIR() = default;
void MutateTextureCompressor16BitIR::Instantiate()
{
    _pairs.push_back(compressorPair<DataTypeTexture16BitIR, DataTypeCompressedTexture>());
}

HYX_BUILTIN_FILTER(MutateTextureCompressorIR);
MutateTextureCompressorIR::MutateTextureCompressorIR() : MutateCompressor(true)
{
}
MutateTextureCompressorIR::~MutateTextureCompressorIR() = default;
void MutateTextureCompressorIR::Instantiate()
{
    _pairs.push_back(compressorPair<DataTypeTextureIR, DataTypeCompressedTexture>());
}

HYX_BUILTIN_FILTER(MutateTextureCompressor16BitDepthMap);
MutateTextureCompressor16BitDepthMap::MutateTextureCompressor16BitDepthMap() : MutateCompressor(true)
{
}
MutateTextureCompressor16BitDepthMap::~MutateTextureCompressor16BitDepthMap() = default;
void MutateTextureCompressor16BitDepthMap::Instantiate()
{
    _pairs.push_back(compressorPair<DataTypeTexture16BitDepthMap, DataTypeCompressedTexture>());
}

HYX_BUILTIN_FILTER(MutateTextureCompressorDXT1RLE);
MutateTextureCompressorDXT1RLE::MutateTextureCompressorDXT1RLE() : MutateCompressor(true)
{
}
MutateTextureCompressorDXT1RLE::~MutateTextureCompressorDXT1RLE() = default;
void MutateTextureCompressorDXT1RLE::Instantiate()
{
    _pairs.push_back(compressorPair<DataTypeTextureDXT1, DataTypeCompressedTexture>());
}

HYX_BUILTIN_FILTER(MutateTextureCompressorETC2RLE);
MutateTextureCompressorETC2RLE::MutateTextureCompressorETC2RLE() : MutateCompressor(true)
{
}
MutateTextureCompressorETC2RLE::~MutateTextureCompressorETC2RLE() = default;
void MutateTextureCompressorETC2RLE::Instantiate()
{
    _pairs.push_back(compressorPair<DataTypeTextureETC2, DataTypeCompressedTexture>());
}

HYX_BUILTIN_FILTER(MutateTextureCompressorASTCRLE);
MutateTextureCompressorASTCRLE::MutateTextureCompressorASTCRLE() : MutateCompressor(true)
{
}
MutateTextureCompressorASTCRLE::~MutateTextureCompressorASTCRLE() = default;
void MutateTextureCompressorASTCRLE::Instantiate()
{
    _pairs.push_back(compressorPair<DataTypeTextureASTC, DataTypeCompressedTexture>());
}

HYX_BUILTIN_FILTER(MutateAutoCompressor);
MutateAutoCompressor::MutateAutoCompressor() : MutateCompressor(false)
{
}
MutateAutoCompressor::~MutateAutoCompressor() = default;
void MutateAutoCompressor::Instantiate()
{
    _pairs.push_back(compressorPair<DataTypeVertexPositions, DataTypeCompressedVertexPositions>());
    _pairs.push_back(compressorPair<DataTypeVertexTextureUVs, DataTypeCompressedVertexTextureUVs>());
    _pairs.push_back(compressorPair<DataTypeVertexIndices, DataTypeCompressedVertexIndices>());
    _pairs.push_back(compressorPair<DataTypeTextureRGB, DataTypeCompressedTexture>());
    _pairs.push_back(compressorPair<DataTypeTextureDXT1, DataTypeCompressedTexture>());
    _pairs.push_back(compressorPair<DataTypeTextureETC2, DataTypeCompressedTexture>());
    _pairs.push_back(compressorPair<DataTypeTextureASTC, DataTypeCompressedTexture>());
    _pairs.push_back(compressorPair<DataTypeTextureBGR, DataTypeCompressedTexture>());
    _pairs.push_back(compressorPair<DataTypeTextureYUV_NV12, DataTypeCompressedTexture>());
    _pairs.push_back(compressorPair<DataTypeTextureYUV_NV21, DataTypeCompressedTexture>());
    _pairs.push_back(compressorPair<DataTypeTextureYUV_NVX, DataTypeCompressedTexture>());
    _pairs.push_back(compressorPair<DataTypeTexture16BitIR, DataTypeCompressedTexture>());
    _pairs.push_back(compressorPair<DataTypeTextureIR, DataTypeCompressedTexture>());
    _pairs.push_back(compressorPair<DataTypeTexture16BitDepthMap, DataTypeCompressedTexture>());
}

HYX_BUILTIN_FILTER(MutateVertexIndicesDecompressor);
MutateVertexIndicesDecompressor::MutateVertexIndicesDecompressor() : MutateDecompressor(true)
{
}
MutateVertexIndicesDecompressor::~MutateVertexIndicesDecompressor() = default;
void MutateVertexIndicesDecompressor::Instantiate()
{
    _pairs.push_back(decompressorPair<DataTypeVertexIndices, DataTypeCompressedVertexIndices>());
}

HYX_BUILTIN_FILTER(MutateVertexNormalsDecompressor);
MutateVertexNormalsDecompressor::MutateVertexNormalsDecompressor() : MutateDecompressor(true)
{
}
MutateVertexNormalsDecompressor::~MutateVertexNormalsDecompressor() = default;
void MutateVertexNormalsDecompressor::Instantiate()
{
    _pairs.push_back(decompressorPair<DataTypeVertexNormals, DataTypeCompressedVertexNormals>());
}

HYX_BUILTIN_FILTER(MutateVertexPositionsDecompressor);
MutateVertexPositionsDecompressor::MutateVertexPositionsDecompressor() : MutateDecompressor(true)
{
}
MutateVertexPositionsDecompressor::~MutateVertexPositionsDecompressor() = default;
void MutateVertexPositionsDecompressor::Instantiate()
{
    _pairs.push_back(decompressorPair<DataTypeVertexPositions, DataTypeCompressedVertexPositions>());
}

HYX_BUILTIN_FILTER(MutateVertexTextureUVsDecompressor);
MutateVertexTextureUVsDecompressor::MutateVertexTextureUVsDecompressor() : MutateDecompressor(true)
{
}
MutateVertexTextureUVsDecompressor::~MutateVertexTextureUVsDecompressor() = default;
void MutateVertexTextureUVsDecompressor::Instantiate()
{
    _pairs.push_back(decompressorPair<DataTypeVertexTextureUVs, DataTypeCompressedVertexTextureUVs>());
}

HYX_BUILTIN_FILTER(MutateTextureDecompressorRGB);
MutateTextureDecompressorRGB::MutateTextureDecompressorRGB() : MutateDecompressor(true)
{
}
MutateTextureDecompressorRGB::~MutateTextureDecompressorRGB() = default;
void MutateTextureDecompressorRGB::Instantiate()
{
    _pairs.push_back(decompressorPair<DataTypeTextureRGB, DataTypeCompressedTexture>());
}

HYX_BUILTIN_FILTER(MutateTextureDecompressorBGR);
MutateTextureDecompressorBGR::MutateTextureDecompressorBGR() : MutateDecompressor(true)
{
}
MutateTextureDecompressorBGR::~MutateTextureDecompressorBGR() = default;
void MutateTextureDecompressorBGR::Instantiate()
{
    _pairs.push_back(decompressorPair<DataTypeTextureBGR, DataTypeCompressedTexture>());
}

HYX_BUILTIN_FILTER(MutateTextureDecompressorYUV_NV12);
MutateTextureDecompressorYUV_NV12::MutateTextureDecompressorYUV_NV12() : MutateDecompressor(true)
{
}
MutateTextureDecompressorYUV_NV12::~MutateTextureDecompressorYUV_NV12() = default;
void MutateTextureDecompressorYUV_NV12::Instantiate()
{
    _pairs.push_back(decompressorPair<DataTypeTextureYUV_NV12, DataTypeCompressedTexture>());
}

HYX_BUILTIN_FILTER(MutateTextureDecompressorYUV_NV21);
MutateTextureDecompressorYUV_NV21::MutateTextureDecompressorYUV_NV21() : MutateDecompressor(true)
{
}
MutateTextureDecompressorYUV_NV21::~MutateTextureDecompressorYUV_NV21() = default;
void MutateTextureDecompressorYUV_NV21::Instantiate()
{
    _pairs.push_back(decompressorPair<DataTypeTextureYUV_NV21, DataTypeCompressedTexture>());
}

HYX_BUILTIN_FILTER(MutateTextureDecompressorYUV_NVX);
MutateTextureDecompressorYUV_NVX::MutateTextureDecompressorYUV_NVX() : MutateDecompressor(true)
{
}
MutateTextureDecompressorYUV_NVX::~MutateTextureDecompressorYUV_NVX() = default;
void MutateTextureDecompressorYUV_NVX::Instantiate()
{
    _pairs.push_back(decompressorPair<DataTypeTextureYUV_NVX, DataTypeCompressedTexture>());
}

HYX_BUILTIN_FILTER(MutateTextureDecompressor16BitIR);
MutateTextureDecompressor16BitIR::MutateTextureDecompressor16BitIR() : MutateDecompressor(true)
{
}
MutateTextureDecompressor16BitIR::~MutateTextureDecompressor16BitIR() = default;
void MutateTextureDecompressor16BitIR::Instantiate()
{
    _pairs.push_back(decompressorPair<DataTypeTexture16BitIR, DataTypeCompressedTexture>());
}

HYX_BUILTIN_FILTER(MutateTextureDecompressorIR);
MutateTextureDecompressorIR::MutateTextureDecompressorIR() : MutateDecompressor(true)
{
}
MutateTextureDecompressorIR::~MutateTextureDecompressorIR() = default;
void MutateTextureDecompressorIR::Instantiate()
{
    _pairs.push_back(decompressorPair<DataTypeTextureIR, DataTypeCompressedTexture>());
}

HYX_BUILTIN_FILTER(MutateTextureDecompressor16BitDepthMap);
MutateTextureDecompressor16BitDepthMap::MutateTextureDecompressor16BitDepthMap() : MutateDecompressor(true)
{
}
MutateTextureDecompressor16BitDepthMap::~MutateTextureDecompressor16BitDepthMap() = default;
void MutateTextureDecompressor16BitDepthMap::Instantiate()
{
    _pairs.push_back(decompressorPair<DataTypeTexture16BitDepthMap, DataTypeCompressedTexture>());
}

HYX_BUILTIN_FILTER(MutateTextureDecompressorDXT1RLE);
MutateTextureDecompressorDXT1RLE::MutateTextureDecompressorDXT1RLE() : MutateDecompressor(true)
{
}
MutateTextureDecompressorDXT1RLE::~MutateTextureDecompressorDXT1RLE() = default;
void MutateTextureDecompressorDXT1RLE::Instantiate()
{
    _pairs.push_back(decompressorPair<DataTypeTextureDXT1, DataTypeCompressedTexture>());
}

HYX_BUILTIN_FILTER(MutateTextureDecompressorETC2RLE);
MutateTextureDecompressorETC2RLE::MutateTextureDecompressorETC2RLE() : MutateDecompressor(true)
{
}
MutateTextureDecompressorETC2RLE::~MutateTextureDecompressorETC2RLE() = default;
void MutateTextureDecompressorETC2RLE::Instantiate()
{
    _pairs.push_back(decompressorPair<DataTypeTextureETC2, DataTypeCompressedTexture>());
}

HYX_BUILTIN_FILTER(MutateTextureDecompressorASTCRLE);
MutateTextureDecompressorASTCRLE::MutateTextureDecompressorASTCRLE() : MutateDecompressor(true)
{
}
MutateTextureDecompressorASTCRLE::~MutateTextureDecompressorASTCRLE() = default;
void MutateTextureDecompressorASTCRLE::Instantiate()
{
    _pairs.push_back(decompressorPair<DataTypeTextureASTC, DataTypeCompressedTexture>());
}

HYX_BUILTIN_FILTER(MutateAutoDecompressor);
MutateAutoDecompressor::MutateAutoDecompressor() : MutateDecompressor(false)
{
}
MutateAutoDecompressor::~MutateAutoDecompressor() = default;
void MutateAutoDecompressor::Instantiate()
{
    _pairs.push_back(decompressorPair<DataTypeVertexIndices, DataTypeCompressedVertexIndices>());
    _pairs.push_back(decompressorPair<DataTypeVertexNormals, DataTypeCompressedVertexNormals>());
    _pairs.push_back(decompressorPair<DataTypeVertexPositions, DataTypeCompressedVertexPositions>());
    _pairs.push_back(decompressorPair<DataTypeVertexTextureUVs, DataTypeCompressedVertexTextureUVs>());
    _pairs.push_back(decompressorPair<DataTypeTextureRGB, DataTypeCompressedTexture>());
    _pairs.push_back(decompressorPair<DataTypeTextureBGR, DataTypeCompressedTexture>());
    _pairs.push_back(decompressorPair<DataTypeTextureYUV_NV12, DataTypeCompressedTexture>());
    _pairs.push_back(decompressorPair<DataTypeTextureYUV_NV21, DataTypeCompressedTexture>());
    _pairs.push_back(decompressorPair<DataTypeTextureYUV_NVX, DataTypeCompressedTexture>());
    _pairs.push_back(decompressorPair<DataTypeTexture16BitIR, DataTypeCompressedTexture>());
    _pairs.push_back(decompressorPair<DataTypeTextureIR, DataTypeCompressedTexture>());
    _pairs.push_back(decompressorPair<DataTypeTexture16BitDepthMap, DataTypeCompressedTexture>());
    _pairs.push_back(decompressorPair<DataTypeTextureDXT1, DataTypeCompressedTexture>());
    _pairs.push_back(decompressorPair<DataTypeTextureETC2, DataTypeCompressedTexture>());
    _pairs.push_back(decompressorPair<DataTypeTextureASTC, DataTypeCompressedTexture>());
}

} // namespace Hyx
