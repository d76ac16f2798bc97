#pragma once

// Finding plug-in library files in a folder: every entry whose path ends with the plug-in
// ending (case-sensitively) and whose canonical path names a regular file. Subfolders are
// searched only when asked, and folders reached through symbolic links are never entered,
// so a link cycle cannot make the walk endless. A folder or entry that cannot be read is
// logged at level 3 and the walk goes on.

#include <boost/filesystem/path.hpp>

#include <vector>

namespace Hyx {

/// The canonical paths of the plug-in libraries under folder, sorted by their text and
/// each listed once.
std::vector<boost::filesystem::path> FindPluginLibraries(const boost::filesystem::path& folder, bool recursive);

} // namespace Hyx
