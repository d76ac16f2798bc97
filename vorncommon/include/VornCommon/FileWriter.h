#pragma once

// Small text-file writers. The file is created (or truncated) by the constructor and closed
// by CloseFile or the destructor. Failures are not reported beyond the return values:
// writing to a writer whose file could not be opened does nothing.

#include <VornCommon/Export.h>

#include <string>
#include <string_view>

namespace VornCommon {

/// Writes text to a file as given.
class VORN_API FileWriter {
public:
    /// Creates or truncates the file at path.
    explicit FileWriter(const std::string& path);
    ~FileWriter();
    FileWriter(const FileWriter&) = delete;
    FileWriter& operator=(const FileWriter&) = delete;

    /// True while the file is open.
    bool IsOpen() const { return m_handle >= 0; }
    /// Appends the text; false when the writer is closed or the write failed.
    bool Write(std::string_view text);
    /// Closes the file; later writes do nothing. False when the close reported an error (see
    /// FileHelper::CloseFile); true when it closed cleanly or was not open.
    bool CloseFile();

private:
    int m_handle = -1;
};

/// A FileWriter that ends lines with a fixed terminator.
class VORN_API ASCIIFileWriter : public FileWriter {
public:
    /// Opens path; WriteLine appends lineEnd after each line.
    ASCIIFileWriter(const std::string& path, std::string lineEnd);

    /// Writes text followed by the line terminator (one write call).
    bool WriteLine(std::string_view text);

private:
    std::string m_lineEnd;
};

} // namespace VornCommon
