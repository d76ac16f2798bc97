#include <Hyx/HYX2Reader.h>

#include "io/FileLoad.h"

#include <Hyx/LoggerInstance.h>

#include <VornCommon/FileHelper.h>
#include <VornCommon/StringHelper.h>

namespace Hyx {

using VornCommon::FileHelper;

ReadHYX2File::ReadHYX2File(const char* path) : _path(path ? path : "")
{
    _file = FileHelper::OpenFileReadOnly(_path, _sourceSize);
    if (_file == -1) {
        _sourceSize = 0;
        LogMessage(VornCommon::LogLevel::Error, "ReadHYX2File::ReadHYX2File(): Invalid file '%s'", _path.c_str());
    } else {
        _position = 0;
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
    // Reads mostly continue where the last one ended; skip the system call then.
    if (_position >= 0 && static_cast<uint64_t>(_position) == position)
        return position;
    _position = position > static_cast<uint64_t>(INT64_MAX)
                    ? -1
                    : FileHelper::Seek(_file, static_cast<int64_t>(position), FileHelper::SeekOrigin::Begin);
    return static_cast<uint64_t>(_position);
}

HyxErrorCode ReadHYX2File::readFromSource(uint32_t count)
{
    if (_position < 0)
        return LoadFromFile(*this, -1, 0, 0, count); // position unknown: refuse, emptying the buffer
    const HyxErrorCode r = LoadFromFile(*this, _file, _sourceSize, static_cast<uint64_t>(_position), count);
    _position = r == HyxErrorCode::Success ? _position + count : -1;
    return r;
}

} // namespace Hyx
