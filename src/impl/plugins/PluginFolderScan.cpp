#include "impl/plugins/PluginFolderScan.h"

#include <Hyx/PluginDatabase.h>

#include "core/LogLevelEnabled.h"

#include <VornCommon/StringHelper.h>

#include <boost/filesystem/directory.hpp>
#include <boost/filesystem/operations.hpp>

#include <algorithm>

namespace Hyx {

namespace fs = boost::filesystem;

namespace {

void logScanError(const fs::path& path, const boost::system::error_code& error)
{
    LogLine(VornCommon::LogLevel::Warning, "Failed to scan '%s' for plugins: %s", path.c_str(),
            error.message().c_str());
}

} // namespace

std::vector<fs::path> FindPluginLibraries(const fs::path& folder, bool recursive)
{
    std::vector<fs::path> found;
    std::vector<fs::path> pending{folder};
    while (!pending.empty()) {
        const fs::path directory = std::move(pending.back());
        pending.pop_back();
        boost::system::error_code error;
        for (fs::directory_iterator it(directory, error), end; !error && it != end; it.increment(error)) {
            const fs::path& entry = it->path();
            boost::system::error_code entryError;
            if (recursive && fs::is_directory(it->symlink_status(entryError)))
                pending.push_back(entry);
            if (!VornCommon::StringHelper::endsWith_CaseSensitive(entry.native(), PluginDatabase::PLUGIN_FILE_ENDING))
                continue;
            const fs::path file = fs::canonical(entry, entryError);
            if (entryError)
                logScanError(entry, entryError);
            else if (fs::is_regular_file(file, entryError))
                found.push_back(file);
        }
        if (error)
            logScanError(directory, error);
    }
    std::sort(found.begin(), found.end(), [](const fs::path& a, const fs::path& b) { return a.native() < b.native(); });
    found.erase(std::unique(found.begin(), found.end()), found.end());
    return found;
}

} // namespace Hyx
