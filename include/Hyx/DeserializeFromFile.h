#pragma once

// Reader of the binary atom stream from a file.
//
// Contract:
// - The file is opened read-only by the constructor and closed by the destructor; a file
//   that cannot be opened logs "DeserializeFromFile::DeserializeFromFile(): Invalid file
//   '<path>'" at level 2 and IsValid is false.
// - readFromFile loads n bytes into the buffer and sets the cursor to 0. It returns 34
//   (FailedToReadFromFile), before allocating anything, when n exceeds what the file holds
//   from the read position; and also when the seek lands elsewhere, the read fails or comes
//   back short. After a failure the buffer is empty.

#include <Hyx/DeserializeFromMemory.h>
#include <Hyx/Export.h>
#include <Hyx/HyxErrorCode.h>

#include <cstdint>
#include <string>

namespace Hyx {

/// Reads atom records from a file through the memory reader.
class HYX_API DeserializeFromFile : public DeserializeFromMemory {
public:
    /// Opens the file read-only.
    explicit DeserializeFromFile(const char* path);
    ~DeserializeFromFile() override;

    /// True when the file is open.
    virtual bool IsValid() const;
    /// Size of the file when it was opened.
    uint64_t GetFileSize() const { return _fileSize; }
    /// The path as given.
    std::string GetFilePath() const { return _path; }

protected:
    /// Loads n bytes from the current file position.
    HyxErrorCode readFromFile(unsigned int n);
    /// Loads n bytes from an absolute file offset.
    HyxErrorCode readFromFile(unsigned int n, unsigned long long offset);

    int _file = -1;
    uint64_t _fileSize = 0;

private:
    HyxErrorCode load(unsigned int n, uint64_t position);
    std::string _path;
};

} // namespace Hyx
