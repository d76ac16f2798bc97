#include <Hyx/ImageSequenceReader.h>

#include <Hyx/DataLayerFactory.h>
#include <Hyx/HYXPurposeGuids.h>

#include <string>
#include <vector>

namespace Hyx {

namespace {

const std::vector<std::string>& imageEndings()
{
    static const std::vector<std::string> endings = {"jpg", "png", "jpeg"};
    return endings;
}

} // namespace

ImageSequenceReader::ImageSequenceReader(const char* folder, bool flag)
    : FileSequenceReader(folder ? folder : "", imageEndings(), flag)
{
}

ImageSequenceReader::~ImageSequenceReader() = default;

std::shared_ptr<DataTypeTextureBGR> ImageSequenceReader::GetImage(int index)
{
    if (index == m_currentIndex)
        return _image;
    m_currentIndex = index;
    _image.reset();
    const std::string path = GetFilePath(index);
    if (path.empty())
        return nullptr;
    _image = std::dynamic_pointer_cast<DataTypeTextureBGR>(
        DataLayerFactory::CreateDataLayer(DataTypeTextureBGR::TheTypeGuid(), HYXPurposeGuids::VORN4D).ToStdSharedPtr());
    if (_image)
        _image->LoadFromFile(path.c_str());
    return _image;
}

} // namespace Hyx
