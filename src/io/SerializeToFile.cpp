#include <Hyx/SerializeToFile.h>

#include <VornCommon/FileHelper.h>

#include "core/FileProblem.h"
#include "core/LogLevelEnabled.h"

namespace Hyx {

using VornCommon::FileHelper;

namespace {

// Where openFile puts a path: a bare file name beside the executable.
std::string targetOf(const std::string& given)
{
    if (FileHelper::GetDirectory(given).empty())
        return FileHelper::MakeCompatible(FileHelper::GetAppExeDirectory() + "/" + given);
    return FileHelper::MakeCompatible(given);
}

} // namespace

SerializeToFile::SerializeToFile(const char* path, HYXFormatVersion version, bool openNow)
    : SerializeToMemory(version), _path(path ? path : "")
{
    if (openNow)
        _file = openFile(_path.c_str());
}

SerializeToFile::SerializeToFile(const char* path, bool openNow)
    : SerializeToFile(path, HYX_FORMAT_VERSION_2000, openNow)
{
}

SerializeToFile::~SerializeToFile()
{
    if (_file == -1)
        return;
    try {
        LogLine(VornCommon::LogLevel::Error, "File '%s' not closed!", _path.c_str());
        const bool flushed = Flush();
        if (!closeFile(_file) || !flushed)
            LogLine(VornCommon::LogLevel::Error, "Failed to write to file.");
    } catch (...) {
        // A destructor reports, it does not throw.
    }
    closeFile(_file);
}

int SerializeToFile::openFile(const char* path)
{
    const std::string given = path ? path : "";
    const std::string dir = FileHelper::GetDirectory(given);
    if (!dir.empty())
        FileHelper::MakeDirectory(dir);
    return FileHelper::OpenFileForWriting(targetOf(given));
}

std::string SerializeToFile::describeOpenFailure(const char* path)
{
    const std::string given = path ? path : "";
    return "Can't write file '" + given + "' (" + DescribeUnwritableFile(targetOf(given), FoldersMade::Yes) + ")";
}

bool SerializeToFile::closeFile(int& handle)
{
    return FileHelper::CloseFile(handle);
}

bool SerializeToFile::onFlush()
{
    if (_file == -1 || streamStopped())
        return false;
    const uint32_t n = GetPackedDataSize();
    if (FileHelper::Write(_file, GetPackedDataPtr(), n) == static_cast<int64_t>(n))
        return true;
    // Part of the bytes may be in the file: a retry would write them twice.
    stopStream();
    return false;
}

void SerializeToFile::onCloseFile()
{
}

void SerializeToFile::reportCloseFailure()
{
    if (_closeFailureReported)
        return;
    _closeFailureReported = true;
    const std::string line = _closeFailureLine.value_or("Failed to write to file.");
    if (!line.empty())
        LogLine(VornCommon::LogLevel::Error, "%s", line.c_str());
}

bool SerializeToFile::CloseFile()
{
    if (_file == -1) {
        // No file of this writer's own, but a subclass may still have one beside it to finish.
        onCloseFile();
        // A stopped stream lost bytes whether or not a file is open: an earlier close of this
        // file failed, or a subclass stopped it for a file it writes beside this one.
        if (!streamStopped())
            return GetPackedDataSize() == 0;
        reportCloseFailure();
        return false;
    }
    bool written = Flush();
    onCloseFile();
    written = Flush() && written && !streamStopped();
    // A file system that writes on close reports a lost write only here: the file ends as
    // after a failed write, so that a second close answers alike.
    if (!closeFile(_file) && written) {
        stopStream();
        written = false;
    }
    if (!written)
        reportCloseFailure();
    return written;
}

} // namespace Hyx
