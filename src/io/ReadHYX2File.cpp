#include <Hyx/HYX2Reader.h>

#include "core/FileProblem.h"
#include "core/LogLevelEnabled.h"
#include "io/FileLoad.h"

#include <VornCommon/FileHelper.h>
#include <VornCommon/StringHelper.h>

namespace Hyx {

using VornCommon::FileHelper;

ReadHYX2File::ReadHYX2File(const char* path)
{
    _path = path ? path : "";
    _file = FileHelper::OpenFileReadOnly(_path, _sourceSize);
    if (_file == -1) {
        _sourceSize = 0;
        LogLine(VornCommon::LogLevel::Error, "ReadHYX2File::ReadHYX2File(): Invalid file '%s' (%s)", _path.c_str(),
                DescribeUnreadableFile(_path));
    }
}

ReadHYX2File::~ReadHYX2File()
{
    FileHelper::CloseFile(_file);
}

HyxErrorCode ReadHYX2File::onInitialize()
{
    if (_path.empty() || VornCommon::StringHelper::toLower(_path) == ".hyx" || _file == -1)
        return HyxErrorCode::ReaderNotValid;
    return HyxErrorCode::Success;
}

uint64_t ReadHYX2File::seekAbsolute(uint64_t position)
{
    if (_file == -1)
        return 0;
    // Reads name their position, so a seek is only remembered.
    _position = position;
    return position;
}

HyxErrorCode ReadHYX2File::readFromSource(uint32_t count)
{
    const HyxErrorCode r = LoadFromFile(*this, _file, _sourceSize, _position, count, FileRead::Positioned);
    if (r == HyxErrorCode::Success)
        _position += count;
    return r;
}

HyxErrorCode ReadHYX2File::readScattered(uint64_t position, const FileHelper::ReadTarget* targets, size_t count)
{
    uint64_t total = 0;
    for (size_t i = 0; i < count; ++i)
        total += targets[i].size;
    // Sizes come from the file: nothing outside it is asked for.
    if (_file == -1 || position > _sourceSize || total > _sourceSize - position ||
        FileHelper::ReadAtScattered(_file, targets, count, position) != static_cast<int64_t>(total))
        return HyxErrorCode::FailedToReadFromFile;
    _position = position + total;
    return HyxErrorCode::Success;
}

} // namespace Hyx
