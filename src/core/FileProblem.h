#pragma once
// Why a file could not be opened or read, for the log lines of the library's file readers.

#include <string>

namespace Hyx {

/// "No such file", "Is a folder" or, for a file that exists, "Cannot be read". Looks at the
/// path again, so call it only after a failure.
const char* DescribeUnreadableFile(const std::string& path);

} // namespace Hyx
