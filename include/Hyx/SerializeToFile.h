#pragma once

// Writer of the binary atom stream into a file.
//
// Contract:
// - Each Flush writes the whole buffer to the file. A write that fails or is cut short may
//   have left part of the buffer in the file, so it ends the file: Flush returns false and
//   the bytes stay in the buffer, uncounted; later flushes write nothing and return false,
//   and pack_atom returns 35 and appends nothing. The file keeps what was written before,
//   every whole record readable. A flush with no file open fails without ending anything.
// - A bare file name is placed in the executable's directory; a path with a directory part
//   creates that directory when missing.
// - CloseFile writes what is pending, calls onCloseFile, writes what that left, and closes.
//   It returns false when any write of the file failed or the close reported an error (the
//   file ends then as after a failed write), and logs one level-2 line: a subclass's own
//   (setCloseFailureLine), else "Failed to write to file.". With no file open it still calls
//   onCloseFile (a subclass may finish a file it writes beside this one) and writes nothing.
//   A stopped stream (a subclass may stop it for a file it writes beside this one) closes
//   false even when no file is open. The line is logged once per writer.
// - The writer must be closed before it is destroyed. Destroying it open logs "File '<path>'
//   not closed!" at level 2, writes the pending bytes and closes the file; a subclass's
//   onCloseFile does not run then, so subclasses close themselves first.

#include <Hyx/Export.h>
#include <Hyx/SerializeToMemory.h>

#include <optional>
#include <string>
#include <utility>

namespace Hyx {

/// Appends atom records to a buffer and writes it to a file on Flush.
class HYX_API SerializeToFile : public SerializeToMemory {
public:
    /// Stores the path; with openNow the file is opened at once.
    SerializeToFile(const char* path, HYXFormatVersion version, bool openNow);
    /// The same with format version 2000.
    SerializeToFile(const char* path, bool openNow);
    ~SerializeToFile() override;

    /// Writes the pending bytes and closes the file; see the contract. True when nothing was
    /// lost (also when no file was open and nothing was pending).
    bool CloseFile();
    /// True while a file is open.
    bool IsReady() const { return _file != -1; }
    /// The path as given.
    std::string GetFilePath() const { return _path; }

protected:
    /// Opens the output file (see the contract); the handle, -1 on failure.
    static int openFile(const char* path);
    /// "Can't write file '<path>' (<cause>)" for a path that openFile could not open, the cause
    /// being "Is a folder", "No such folder", "Permission denied" or "Cannot be written". Looks
    /// at the path again: call it right after the failure.
    static std::string describeOpenFailure(const char* path);
    /// Closes a handle and sets it to -1; false when the close reported an error (written
    /// bytes may be lost).
    static bool closeFile(int& handle);

    /// Writes the buffer to the file; false when no file is open or the write failed.
    bool onFlush() override;
    /// Called by every CloseFile, before the file is closed or when none is open (IsReady
    /// tells which); does nothing here.
    virtual void onCloseFile();
    /// Sets the level-2 line that CloseFile logs for a failed write in place of the generic
    /// one; an empty line logs nothing (the failure is reported elsewhere).
    void setCloseFailureLine(std::string line) { _closeFailureLine = std::move(line); }

    int _file = -1;

private:
    void reportCloseFailure();

    std::string _path;
    std::optional<std::string> _closeFailureLine;
    bool _closeFailureReported = false;
};

} // namespace Hyx
