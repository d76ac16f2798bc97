#include "core/FileProblem.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <system_error>

namespace Hyx {

const char* DescribeUnreadableFile(const std::string& path)
{
    std::error_code error; // a status that cannot be taken counts as unreadable
    const std::filesystem::file_type type = std::filesystem::status(path, error).type();
    if (type == std::filesystem::file_type::not_found)
        return "No such file";
    if (type == std::filesystem::file_type::directory)
        return "Is a folder";
    return "Cannot be read";
}

const char* DescribeUnwritableFile(const std::string& path)
{
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::file_type type = fs::status(path, error).type();
    if (type == fs::file_type::directory)
        return "Is a folder";
    fs::path folder = fs::path(path).parent_path();
    if (folder.empty())
        folder = ".";
    const fs::file_type folderType = fs::status(folder, error).type();
    if (folderType != fs::file_type::directory)
        return error == std::errc::permission_denied ? "Permission denied" : "No such folder";
    // Asked as the process itself is checked: by its effective ids.
    const std::string checked = type == fs::file_type::not_found ? folder.string() : path;
    if (::faccessat(AT_FDCWD, checked.c_str(), W_OK, AT_EACCESS) != 0 && (errno == EACCES || errno == EPERM))
        return "Permission denied";
    return "Cannot be written";
}

} // namespace Hyx
