#include <VornCommon/FileHelper.h>

#include <VornCommon/StringHelper.h>

#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <type_traits>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

namespace VornCommon {

namespace {

bool IsSeparator(char c)
{
    return c == '/' || c == '\\';
}

size_t LastSeparator(const std::string& path)
{
    return path.find_last_of("/\\");
}

// Position of the extension's dot within the file-name part, npos when there is none.
size_t ExtensionDot(const std::string& path)
{
    const size_t separator = LastSeparator(path);
    const size_t nameStart = separator == std::string::npos ? 0 : separator + 1;
    const size_t dot = path.rfind('.');
    return (dot == std::string::npos || dot < nameStart) ? std::string::npos : dot;
}

// Caps one read or write call: the kernel moves at most about 2 GiB per call anyway.
constexpr uint64_t kMaxChunk = 1u << 30;

// Moves count bytes with ::read or ::write, retrying short transfers and interruptions.
// Returns the bytes moved (fewer only when a read reaches the end of the file), or -1.
template <class Byte, class Call>
int64_t TransferAll(int handle, Byte* buffer, uint64_t count, Call call)
{
    constexpr bool writing = std::is_const_v<Byte>;
    if (handle < 0 || (!buffer && count > 0))
        return -1;
    uint64_t done = 0;
    while (done < count) {
        const uint64_t chunk = count - done < kMaxChunk ? count - done : kMaxChunk;
        const ssize_t moved = call(handle, buffer + done, static_cast<size_t>(chunk));
        if (moved < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        if (moved == 0) {
            if (writing)
                return -1; // no progress: a failure, not a reason to spin
            break; // end of file
        }
        done += static_cast<uint64_t>(moved);
    }
    return static_cast<int64_t>(done);
}

} // namespace

int FileHelper::OpenFileReadOnly(const std::string& path, uint64_t& size)
{
    size = 0;
    int handle;
    do {
        handle = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    } while (handle < 0 && errno == EINTR);
    if (handle < 0)
        return -1;
    struct stat info {};
    if (::fstat(handle, &info) != 0 || S_ISDIR(info.st_mode)) {
        ::close(handle);
        return -1;
    }
    size = static_cast<uint64_t>(info.st_size);
    return handle;
}

int FileHelper::OpenFileForWriting(const std::string& path)
{
    int handle;
    do {
        handle = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    } while (handle < 0 && errno == EINTR);
    return handle < 0 ? -1 : handle;
}

int64_t FileHelper::Read(int handle, uint8_t* buffer, uint64_t count)
{
    return TransferAll(handle, buffer, count, ::read);
}

int64_t FileHelper::ReadAt(int handle, uint8_t* buffer, uint64_t count, uint64_t offset)
{
    if (offset > static_cast<uint64_t>(INT64_MAX) || count > static_cast<uint64_t>(INT64_MAX) - offset)
        return -1;
    return TransferAll(handle, buffer, count, [buffer, offset](int h, uint8_t* at, size_t n) {
        return ::pread(h, at, n, static_cast<off_t>(offset + static_cast<uint64_t>(at - buffer)));
    });
}

int64_t FileHelper::ReadAtScattered(int handle, const ReadTarget* targets, size_t count, uint64_t offset)
{
    if (handle < 0 || (!targets && count > 0))
        return -1;
    uint64_t total = 0;
    for (size_t i = 0; i < count; ++i) {
        if ((!targets[i].data && targets[i].size > 0) || targets[i].size > static_cast<uint64_t>(INT64_MAX) - total)
            return -1;
        total += targets[i].size;
    }
    if (offset > static_cast<uint64_t>(INT64_MAX) - total)
        return -1;
    if (count == 1)
        return ReadAt(handle, targets[0].data, targets[0].size, offset); // the plainer call
    // Each call takes the targets not yet filled, the first from where the last call stopped;
    // a fixed window keeps the call free of allocation.
    constexpr size_t kWindow = 64;
    iovec window[kWindow];
    uint64_t done = 0, skip = 0; // bytes read; bytes of targets[next] already filled
    size_t next = 0;
    while (done < total) {
        size_t used = 0;
        uint64_t asked = 0;
        for (size_t i = next; i < count && used < kWindow && asked < kMaxChunk; ++i) {
            const uint64_t from = i == next ? skip : 0;
            const uint64_t size =
                targets[i].size - from < kMaxChunk - asked ? targets[i].size - from : kMaxChunk - asked;
            if (size == 0)
                continue;
            window[used++] = iovec{targets[i].data + from, static_cast<size_t>(size)};
            asked += size;
        }
        const ssize_t moved = ::preadv(handle, window, static_cast<int>(used), static_cast<off_t>(offset + done));
        if (moved < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        if (moved == 0)
            break; // end of file
        done += static_cast<uint64_t>(moved);
        // Step over the targets the call filled.
        uint64_t left = static_cast<uint64_t>(moved) + skip;
        while (next < count && left >= targets[next].size) {
            left -= targets[next].size;
            ++next;
        }
        skip = left;
    }
    return static_cast<int64_t>(done);
}

int64_t FileHelper::Write(int handle, const uint8_t* buffer, uint64_t count)
{
    return TransferAll(handle, buffer, count, ::write);
}

int64_t FileHelper::Seek(int handle, int64_t offset, SeekOrigin origin)
{
    if (handle < 0)
        return -1;
    int whence = SEEK_SET;
    if (origin == SeekOrigin::Current)
        whence = SEEK_CUR;
    else if (origin == SeekOrigin::End)
        whence = SEEK_END;
    const off_t position = ::lseek(handle, static_cast<off_t>(offset), whence);
    return position < 0 ? -1 : static_cast<int64_t>(position);
}

bool FileHelper::CloseFile(int& handle)
{
    if (handle < 0)
        return true;
    // Linux releases the descriptor even when close reports an error: never retry. EINTR
    // only interrupted the wait; the bytes are still written back.
    const bool closed = ::close(handle) == 0 || errno == EINTR;
    handle = -1;
    return closed;
}

bool FileHelper::WriteFile(const std::string& path, const uint8_t* buffer, uint64_t count)
{
    int handle = OpenFileForWriting(path);
    if (handle < 0)
        return false;
    const bool written = Write(handle, buffer, count) == static_cast<int64_t>(count);
    const bool closed = CloseFile(handle);
    return written && closed;
}

bool FileHelper::DoesFileExist(const std::string& path, bool orDirectory, uint64_t* size)
{
    if (size)
        *size = 0;
    struct stat info {};
    if (path.empty() || ::stat(path.c_str(), &info) != 0)
        return false;
    if (S_ISREG(info.st_mode)) {
        if (size)
            *size = static_cast<uint64_t>(info.st_size);
        return true;
    }
    return orDirectory && S_ISDIR(info.st_mode);
}

bool FileHelper::IsDirectory(const std::string& path)
{
    struct stat info {};
    return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool FileHelper::MakeDirectory(const std::string& dir)
{
    if (dir.empty())
        return false;
    std::error_code error;
    std::filesystem::create_directories(MakeCompatible(dir), error);
    return IsDirectory(MakeCompatible(dir));
}

std::string FileHelper::GetAppExeDirectory()
{
    std::error_code error;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error)
        return std::string();
    return GetDirectory(exe.string());
}

uint8_t* FileHelper::ReadFileContentToByteArray(const std::string& path, uint32_t& size, bool appendNul)
{
    size = 0;
    uint64_t fileSize = 0;
    int handle = OpenFileReadOnly(path, fileSize);
    if (handle < 0)
        return nullptr;
    if (fileSize > UINT32_MAX) { // the size must fit the u32 it is reported in
        CloseFile(handle);
        return nullptr;
    }
    std::unique_ptr<uint8_t[]> buffer(new uint8_t[fileSize + (appendNul ? 1 : 0)]);
    const int64_t got = Read(handle, buffer.get(), fileSize);
    CloseFile(handle);
    if (got < 0)
        return nullptr;
    // A file that shrank since the open yields what was there; the NUL follows it.
    if (appendNul)
        buffer[static_cast<size_t>(got)] = 0;
    size = static_cast<uint32_t>(got);
    return buffer.release();
}

std::string FileHelper::GetDirectory(const std::string& path)
{
    const size_t separator = LastSeparator(path);
    if (separator == std::string::npos)
        return std::string();
    if (separator == 0)
        return path.substr(0, 1); // "/x" lives in the root, not beside the executable
    return path.substr(0, separator);
}

std::string FileHelper::GetFileNameWithoutDirectory(const std::string& path, bool withExtension)
{
    const size_t separator = LastSeparator(path);
    std::string name = separator == std::string::npos ? path : path.substr(separator + 1);
    if (!withExtension) {
        const size_t dot = name.rfind('.');
        if (dot != std::string::npos)
            name.erase(dot);
    }
    return name;
}

std::string FileHelper::CombinePath(const std::string& dir, const std::string& name)
{
    if (dir.empty())
        return name;
    if (name.empty())
        return dir;
    size_t nameStart = 0;
    while (nameStart < name.size() && IsSeparator(name[nameStart]))
        ++nameStart;
    std::string combined = dir;
    if (!IsSeparator(combined.back()))
        combined += '/';
    combined.append(name, nameStart, std::string::npos);
    return combined;
}

std::string FileHelper::MakeCompatible(const std::string& path)
{
    std::string compatible = path;
    for (char& c : compatible)
        if (c == '\\')
            c = '/';
    return compatible;
}

std::string FileHelper::RemoveExtension(const std::string& path)
{
    const size_t dot = ExtensionDot(path);
    return dot == std::string::npos ? path : path.substr(0, dot);
}

std::string FileHelper::GetExtensionInLowerCase(const std::string& path)
{
    const size_t dot = ExtensionDot(path);
    return dot == std::string::npos ? std::string() : StringHelper::toLower(std::string_view(path).substr(dot + 1));
}

std::string FileHelper::MakeEndsWith(const std::string& text, const std::string& ending)
{
    return StringHelper::endsWith_CaseSensitive(text, ending) ? text : text + ending;
}

} // namespace VornCommon
