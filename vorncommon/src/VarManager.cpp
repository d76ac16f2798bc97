#include <VornCommon/VarManager.h>

#include <utility>

namespace VornCommon {

VarManager* VarManager::getInstance()
{
    static VarManager instance;
    return &instance;
}

std::string VarManager::translateFromVars(const char* text) const
{
    return translateFromVars(text ? std::string_view(text) : std::string_view());
}

std::string VarManager::translateFromVars(std::string_view text) const
{
    std::string result;
    result.reserve(text.size());
    std::lock_guard lock(m_mutex);
    size_t position = 0;
    while (position < text.size()) {
        const size_t open = text.find("$(", position);
        if (open == std::string_view::npos)
            break;
        const size_t close = text.find(')', open + 2);
        if (close == std::string_view::npos)
            break;
        result.append(text, position, open - position);
        const auto found = m_vars.find(text.substr(open + 2, close - open - 2));
        if (found != m_vars.end())
            result += found->second;
        else
            result.append(text, open, close + 1 - open);
        position = close + 1;
    }
    result.append(text, position, std::string_view::npos);
    return result;
}

void VarManager::setVar(const std::string& name, const std::string& value)
{
    std::lock_guard lock(m_mutex);
    m_vars[name] = value;
}

void VarManager::removeVar(const std::string& name)
{
    std::lock_guard lock(m_mutex);
    m_vars.erase(name);
}

bool VarManager::getVar(const std::string& name, std::string& value) const
{
    std::lock_guard lock(m_mutex);
    const auto found = m_vars.find(name);
    if (found == m_vars.end())
        return false;
    value = found->second;
    return true;
}

std::string VarManager::getSettingsValue()
{
    VarManager* self = getInstance();
    std::lock_guard lock(self->m_mutex);
    return self->m_settingsFolder;
}

void VarManager::setSettingsValue(std::string folder)
{
    VarManager* self = getInstance();
    std::lock_guard lock(self->m_mutex);
    self->m_settingsFolder = std::move(folder);
}

} // namespace VornCommon
