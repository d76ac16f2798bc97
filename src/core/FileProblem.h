#pragma once
// Why a file could not be opened, read or written, for the log lines of the library's file
// readers and writers.

#include <string>

namespace Hyx {

/// "No such file", "Is a folder" or, for a file that exists, "Cannot be read". Looks at the
/// path again, so call it only after a failure.
const char* DescribeUnreadableFile(const std::string& path);

/// Whether the writer asking made the missing folders of the path before it tried the file.
enum class FoldersMade {
    No,
    Yes
};

/// "Is a folder" (a folder stands where the file goes), "No such folder" (the folder it goes
/// in is missing or is no folder), "Permission denied" (the file, or the folder for a new
/// file, may not be written; for a writer that makes folders, also a missing folder whose
/// nearest existing one may not be written in or searched), or else "Cannot be written".
/// Looks at the path again, so call it only after a failure.
const char* DescribeUnwritableFile(const std::string& path, FoldersMade folders);

} // namespace Hyx
