#pragma once

// File and path helpers of the platform layer. Handles are POSIX file descriptors (opened
// with close-on-exec), -1 meaning "no file". Paths use '/'; MakeCompatible turns the '\\'
// of paths written on other systems into '/'. No function throws (beyond std::bad_alloc).

#include <VornCommon/Export.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace VornCommon {

/// Static file and path functions.
class VORN_API FileHelper {
public:
    FileHelper() = delete;

    /// Where a Seek offset counts from.
    enum class SeekOrigin {
        Begin,
        Current,
        End
    };

    /// Opens an existing file for reading and reports its size; -1 on failure (size 0).
    static int OpenFileReadOnly(const std::string& path, uint64_t& size);
    /// Creates or truncates a file for writing (mode 0644); -1 on failure. Makes no folders.
    static int OpenFileForWriting(const std::string& path);
    /// Reads up to count bytes, retrying short reads; the number read (fewer only at the
    /// end of the file), or -1 on error.
    static int64_t Read(int handle, uint8_t* buffer, uint64_t count);
    /// Reads up to count bytes at an absolute offset without moving the file position; the
    /// number read (fewer only at the end of the file), or -1 on error.
    static int64_t ReadAt(int handle, uint8_t* buffer, uint64_t count, uint64_t offset);
    /// One destination of a scattered read: size bytes at data.
    struct ReadTarget {
        uint8_t* data;
        uint64_t size;
    };
    /// Reads the stretch of the file that starts at offset into the targets, one after the
    /// other, retrying short reads, without moving the file position; the number read (fewer
    /// only at the end of the file), or -1 on error.
    static int64_t ReadAtScattered(int handle, const ReadTarget* targets, size_t count, uint64_t offset);
    /// Writes all count bytes, retrying partial writes; count, or -1 on error.
    static int64_t Write(int handle, const uint8_t* buffer, uint64_t count);
    /// Moves the file position; the new position from the start, or -1 on error.
    static int64_t Seek(int handle, int64_t offset, SeekOrigin origin);
    /// Closes the handle and sets it to -1; -1 is left alone (true). False when the close
    /// reported an error: a file system that writes on close may have lost written bytes. An
    /// interrupted close (EINTR) counts as closed. The handle is released either way.
    static bool CloseFile(int& handle);
    /// Writes count bytes as the whole file (made or emptied, as OpenFileForWriting), every
    /// call checked, the close included; false when any failed, which may leave the file cut
    /// short.
    static bool WriteFile(const std::string& path, const uint8_t* buffer, uint64_t count);

    /// True when path names a regular file (or, with orDirectory, also a directory); size,
    /// when given, receives the file size (0 for a directory or a missing file).
    static bool DoesFileExist(const std::string& path, bool orDirectory = false, uint64_t* size = nullptr);
    /// True when path names a directory.
    static bool IsDirectory(const std::string& path);
    /// Creates the directory and any missing parents; true when it exists afterwards.
    static bool MakeDirectory(const std::string& dir);
    /// Directory of the running executable, without a trailing '/'; "" when unknown.
    static std::string GetAppExeDirectory();

    /// Whole file in a buffer from new[] (release with delete[]); size receives its length.
    /// appendNul adds one 0 byte after the content (not counted). Null (size 0) when the
    /// file cannot be read or is 4 GiB or larger.
    static uint8_t* ReadFileContentToByteArray(const std::string& path, uint32_t& size, bool appendNul = false);

    /// Text before the last '/' or '\\': "" for a bare name, "/" for "/x".
    static std::string GetDirectory(const std::string& path);
    /// Text after the last '/' or '\\'; withExtension false also drops the extension.
    static std::string GetFileNameWithoutDirectory(const std::string& path, bool withExtension = true);
    /// dir and name joined by exactly one '/'; an empty dir gives name, an empty name dir.
    static std::string CombinePath(const std::string& dir, const std::string& name);
    /// Replaces every '\\' with '/'.
    static std::string MakeCompatible(const std::string& path);
    /// path without its extension (the text from the last '.' of the file name on).
    static std::string RemoveExtension(const std::string& path);
    /// Extension of the file name without the dot, in ASCII lower case; "" when none.
    static std::string GetExtensionInLowerCase(const std::string& path);
    /// text with ending appended unless it already ends with it (case-sensitive).
    static std::string MakeEndsWith(const std::string& text, const std::string& ending);
};

} // namespace VornCommon
