#include "core/FileProblem.h"

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

} // namespace Hyx
