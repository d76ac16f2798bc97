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

namespace {

// Asked as the process itself is checked: by its effective ids.
bool accessDenied(const std::string& path, int mode)
{
    return ::faccessat(AT_FDCWD, path.c_str(), mode, AT_EACCESS) != 0 && (errno == EACCES || errno == EPERM);
}

// A missing folder that a writer tried to make: it could not be made when its nearest
// existing folder may not be written in (or searched).
bool folderMayNotBeMade(std::filesystem::path missing)
{
    namespace fs = std::filesystem;
    for (;;) {
        fs::path parent = missing.parent_path();
        if (parent == missing)
            return false; // a root that is missing: nothing to blame on permissions
        if (parent.empty())
            parent = ".";
        std::error_code error;
        const fs::file_type type = fs::status(parent, error).type();
        if (error == std::errc::permission_denied)
            return true;
        if (type == fs::file_type::directory)
            return accessDenied(parent.string(), W_OK | X_OK);
        if (type != fs::file_type::not_found || parent == ".")
            return false; // a file where a folder goes: no permission would help
        missing = parent;
    }
}

} // namespace

const char* DescribeUnwritableFile(const std::string& path, FoldersMade folders)
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
    if (folderType != fs::file_type::directory) {
        if (error == std::errc::permission_denied)
            return "Permission denied";
        if (folders == FoldersMade::Yes && folderType == fs::file_type::not_found && folderMayNotBeMade(folder))
            return "Permission denied";
        return "No such folder";
    }
    const std::string checked = type == fs::file_type::not_found ? folder.string() : path;
    if (accessDenied(checked, W_OK))
        return "Permission denied";
    return "Cannot be written";
}

} // namespace Hyx
