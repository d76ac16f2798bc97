#pragma once

// The plug-in cache file: modules (id, path, timestamp), filter classes (guid, module id,
// class name, category) and data-layer classes (guid, module id, class name), all as
// element texts under the root "hyxplugins".
//
// Contract:
// - Read fails (false) on a file or parse error or another root; missing sections are
//   empty. A malformed element (a missing or empty child, a value that is not a number of
//   its range, a category outside 0-8) is skipped with a level-3 line, as is a class whose
//   module id names no module of the file; the rest of the file is read. GUID texts are
//   kept as written (the database checks them).
// - Write gives modules the ids 0, 1, ... in list order and drops classes whose module is
//   not in the list; true exactly when the file was saved.
// - Not synchronised: one serializer is used by one thread.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Hyx {

class PluginDatabaseXMLSerializer {
public:
    struct ModuleRecord {
        std::string path;
        uint64_t timestamp = 0; ///< last-write time, seconds since 1970
    };
    struct FilterRecord {
        std::string guid;
        std::string className;
        std::shared_ptr<ModuleRecord> module;
        int32_t type = 0; ///< FilterCategory number, 0-8
    };
    struct DataLayerRecord {
        std::string guid;
        std::string className;
        std::shared_ptr<ModuleRecord> module;
    };

    std::vector<std::shared_ptr<ModuleRecord>> modules;
    std::vector<std::shared_ptr<FilterRecord>> filters;
    std::vector<std::shared_ptr<DataLayerRecord>> dataLayers;

    /// Replaces the lists with the file's records; false when the file cannot be read as a
    /// cache file (the lists are then empty).
    bool Read(const std::string& path);
    /// Saves the lists to path; true when the file was written.
    bool Write(const std::string& path) const;
};

} // namespace Hyx
