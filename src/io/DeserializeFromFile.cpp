#include <Hyx/DeserializeFromFile.h>

#include "core/LogLevelEnabled.h"
#include "io/FileLoad.h"

#include <VornCommon/FileHelper.h>

namespace Hyx {

using VornCommon::FileHelper;

DeserializeFromFile::DeserializeFromFile(const char* path) : _path(path ? path : "")
{
    _file = FileHelper::OpenFileReadOnly(_path, _fileSize);
    if (_file == -1) {
        _fileSize = 0;
        LogLine(VornCommon::LogLevel::Error, "DeserializeFromFile::DeserializeFromFile(): Invalid file '%s'",
                _path.c_str());
    }
}

DeserializeFromFile::~DeserializeFromFile()
{
    FileHelper::CloseFile(_file);
}

bool DeserializeFromFile::IsValid() const
{
    return _file != -1;
}

HyxErrorCode DeserializeFromFile::readFromFile(unsigned int n)
{
    if (_file == -1) {
        allocateSizeForPackedData(0);
        return HyxErrorCode::FailedToReadFromFile;
    }
    const int64_t position = FileHelper::Seek(_file, 0, FileHelper::SeekOrigin::Current);
    return load(n, position < 0 ? UINT64_MAX : static_cast<uint64_t>(position));
}

HyxErrorCode DeserializeFromFile::readFromFile(unsigned int n, unsigned long long offset)
{
    if (_file == -1 || offset > _fileSize ||
        FileHelper::Seek(_file, static_cast<int64_t>(offset), FileHelper::SeekOrigin::Begin) !=
            static_cast<int64_t>(offset)) {
        allocateSizeForPackedData(0);
        return HyxErrorCode::FailedToReadFromFile;
    }
    return load(n, offset);
}

HyxErrorCode DeserializeFromFile::load(unsigned int n, uint64_t position)
{
    return LoadFromFile(*this, _file, _fileSize, position, n, FileRead::Sequential);
}

} // namespace Hyx
