#pragma once

// Named path variables and the settings folder. Texts may hold "$(NAME)" references, which
// translateFromVars replaces with the values set through setVar. Nothing is read from the
// environment: a variable has a value only when the host set one. Thread-safe.

#include <VornCommon/Export.h>

#include <map>
#include <mutex>
#include <string>
#include <string_view>

namespace VornCommon {

/// The process-wide variable table.
class VORN_API VarManager {
public:
    /// The process-wide instance (created on first use).
    static VarManager* getInstance();

    /// text with every "$(NAME)" whose NAME has a value replaced by it; references to unset
    /// names and an unterminated "$(" stay as written. Values are not expanded again.
    /// Null reads as "".
    std::string translateFromVars(const char* text) const;
    std::string translateFromVars(std::string_view text) const;

    /// Sets (or replaces) the value of NAME.
    void setVar(const std::string& name, const std::string& value);
    /// Removes NAME; references to it then stay as written.
    void removeVar(const std::string& name);
    /// True and the value when NAME has one.
    bool getVar(const std::string& name, std::string& value) const;

    /// The settings folder; "" (the current directory) until set.
    static std::string getSettingsValue();
    /// Sets the settings folder.
    static void setSettingsValue(std::string folder);

    VarManager(const VarManager&) = delete;
    VarManager& operator=(const VarManager&) = delete;

private:
    VarManager() = default;

    mutable std::mutex m_mutex;
    std::map<std::string, std::string, std::less<>> m_vars;
    std::string m_settingsFolder;
};

} // namespace VornCommon
