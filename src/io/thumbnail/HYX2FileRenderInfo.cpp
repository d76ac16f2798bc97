#include <Hyx/HYX2FileFastReader.h>

#include "core/LogLevelEnabled.h"
#include "io/thumbnail/DecodeLayer.h"
#include "io/thumbnail/PictureKernels.h"

#include <Hyx/Atom.h>
#include <Hyx/CompressedLayers.h>
#include <Hyx/DataTypePCMSample.h>
#include <Hyx/DataTypeStreamInfo.h>
#include <Hyx/DataTypeTextureBlock.h>
#include <Hyx/DataTypeTextureIR.h>
#include <Hyx/DataTypeTextureRGB.h>
#include <Hyx/DataTypeTextureYUV.h>
#include <Hyx/DataTypeVertex.h>
#include <Hyx/HyxLookupTable.h>
#include <Hyx/ThumbnailHelper.h>

#include <VornCommon/Image.h>

#include <algorithm>
#include <exception>
#include <utility>

namespace Hyx {

namespace {

using VornCommon::Guid;

struct ContentFlag {
    Guid type;
    bool HYX2FileRenderInfo::*flag;
};

} // namespace

HYX2FileRenderInfo::HYX2FileRenderInfo(const char* path)
    : HYX2FileRenderInfo(std::make_shared<HYX2FileFastReader>(path))
{
}

HYX2FileRenderInfo::HYX2FileRenderInfo(std::shared_ptr<HYX2FileFastReader> reader) : _reader(std::move(reader))
{
    if (_reader)
        _reader->Initialize();
    analyseFirstAtom();
}

HYX2FileRenderInfo::~HYX2FileRenderInfo() = default;

bool HYX2FileRenderInfo::IsValid() const
{
    return _reader && _reader->IsValid();
}

std::shared_ptr<Atom> HYX2FileRenderInfo::firstAtom()
{
    if (!IsValid())
        return {};
    const auto stream = _reader->GetFirstStream();
    return _reader->GetFirstFrameAtom(stream ? stream->streamId : 0);
}

void HYX2FileRenderInfo::analyseFirstAtom()
{
    const std::shared_ptr<Atom> atom = firstAtom();
    if (!atom)
        return;
    using R = HYX2FileRenderInfo;
    const ContentFlag flags[] = {
        {DataTypeTexture16BitDepthMap::TheTypeGuid(), &R::_hasDepthMap},
        {DataTypeTexture16BitIR::TheTypeGuid(), &R::_hasIR},
        {DataTypeTextureIR::TheTypeGuid(), &R::_hasIR},
        {DataTypeTextureRGB::TheTypeGuid(), &R::_hasTexture},
        {DataTypeTextureBGR::TheTypeGuid(), &R::_hasTexture},
        {DataTypeTextureRGB30::TheTypeGuid(), &R::_hasTexture},
        {DataTypeTextureYUV_NVX::TheTypeGuid(), &R::_hasTexture},
        {DataTypeTextureDXT5YCOCG::TheTypeGuid(), &R::_hasTexture},
        {DataTypeTextureDXT1::TheTypeGuid(), &R::_hasTexture},
        {DataTypeTextureETC2::TheTypeGuid(), &R::_hasTexture},
        {DataTypeTextureASTC::TheTypeGuid(), &R::_hasTexture},
        {DataTypeCompressedTexture::TheTypeGuid(), &R::_hasTexture},
        {DataTypeVertexPositions::TheTypeGuid(), &R::_hasPointCloud},
        {DataTypeCompressedVertexPositions::TheTypeGuid(), &R::_hasPointCloud},
        {DataTypeVertexNormals::TheTypeGuid(), &R::_hasNormals},
        {DataTypeCompressedVertexNormals::TheTypeGuid(), &R::_hasNormals},
        {DataTypeVertexColors::TheTypeGuid(), &R::_hasColors},
        {DataTypeVertexTextureUVs::TheTypeGuid(), &R::_hasUVs},
        {DataTypeCompressedVertexTextureUVs::TheTypeGuid(), &R::_hasUVs},
        {DataTypeVertexIndices::TheTypeGuid(), &R::_hasIndices},
        {DataTypeCompressedVertexIndices::TheTypeGuid(), &R::_hasIndices},
        {DataTypePCMSample::TheTypeGuid(), &R::_hasAudio},
    };
    for (const std::shared_ptr<DataLayer>& layer : atom->GetAllDataLayers()) {
        const Guid type = layer->TypeGuid();
        for (const ContentFlag& f : flags)
            if (f.type == type)
                this->*f.flag = true;
        if (const auto info = std::dynamic_pointer_cast<DataTypeStreamInfo>(layer))
            _fps = info->GetFPS();
    }
}

std::shared_ptr<Atom> HYX2FileRenderInfo::GetFirstAtomDecompressed()
{
    if (_decompressed)
        return _decompressed;
    const std::shared_ptr<Atom> atom = firstAtom();
    if (!atom)
        return {};
    std::shared_ptr<Atom> copy = Atom::Copy(atom, -1, true);
    const Guid compressed[] = {
        DataTypeCompressedVertexPositions::TheTypeGuid(), DataTypeCompressedVertexNormals::TheTypeGuid(),
        DataTypeCompressedVertexTextureUVs::TheTypeGuid(), DataTypeCompressedVertexIndices::TheTypeGuid(),
        DataTypeCompressedTexture::TheTypeGuid()};
    for (const std::shared_ptr<DataLayer>& layer : copy->GetAllDataLayers()) {
        if (std::find(std::begin(compressed), std::end(compressed), layer->TypeGuid()) == std::end(compressed))
            continue;
        // A layer that does not decode stays as it is: the frame keeps all it had.
        if (std::shared_ptr<DataLayer> plain = DecodeLayer(layer)) {
            copy->AddDataLayer(plain, false);
            copy->RemoveDataLayer(layer);
        }
    }
    _decompressed = copy;
    return _decompressed;
}

void HYX2FileRenderInfo::RenderThumbnail(uint8_t* rgba, uint32_t width, uint32_t height, bool imagesOnly)
{
    if (!rgba || width == 0 || height == 0)
        return;
    const size_t pixels = size_t(width) * height;
    for (size_t i = 0; i < pixels; ++i) {
        rgba[i * 4] = rgba[i * 4 + 1] = rgba[i * 4 + 2] = 0;
        rgba[i * 4 + 3] = 255;
    }
    if (!CanRenderThumbnail())
        return;
    try {
        renderThumbnail(rgba, width, height, imagesOnly);
    } catch (const std::exception& e) {
        // Reading a frame can fail on a block the file should not hold; the buffer stays black.
        LogLine(VornCommon::LogLevel::Error, "Cannot render the thumbnail of '%s': %s", _reader->GetFilePath().c_str(),
                e.what());
    }
}

void HYX2FileRenderInfo::RenderThumbnail(VornCommon::Image* image, bool imagesOnly)
{
    if (image)
        RenderThumbnail(image->GetData(), image->GetWidth(), image->GetHeight(), imagesOnly);
}

void HYX2FileRenderInfo::renderThumbnail(uint8_t* rgba, uint32_t width, uint32_t height, bool imagesOnly)
{
    std::vector<std::shared_ptr<Atom>> atoms;
    const int streams = _reader->GetNumStreams();
    for (int i = 0; i < streams; ++i)
        if (auto atom = _reader->GetFirstFrameAtom(_reader->GetStreamId(i)))
            atoms.push_back(std::move(atom));
    const auto picture = ThumbnailHelper::getThumbnail(atoms, imagesOnly, false);
    int pictureWidth = 0, pictureHeight = 0;
    if (picture && picture->CanRenderTo2dRgbaBuffer(pictureWidth, pictureHeight))
        ThumbnailKernels::FitPicture(picture->GetTextureData(), uint32_t(pictureWidth), uint32_t(pictureHeight), rgba,
                                     width, height);
}

} // namespace Hyx
