#include <Hyx/FilterParamPath.h>

#include <VornCommon/FileHelper.h>
#include <VornCommon/StringHelper.h>
#include <VornCommon/VarManager.h>

namespace Hyx {

using VornCommon::FileHelper;

namespace {

std::string translate(const std::string& path)
{
    return VornCommon::VarManager::getInstance()->translateFromVars(path.c_str());
}

// True when the directory exists afterwards.
bool ensureDirectory(const std::string& translated)
{
    return FileHelper::IsDirectory(translated) ||
           (FileHelper::MakeDirectory(translated) && FileHelper::IsDirectory(translated));
}

} // namespace

// --- FilterParamDirPath ---

FilterParamDirPath::FilterParamDirPath(const char* name, unsigned flags, const char* defaultPath)
    : FilterParam(name, flags), _path(defaultPath != nullptr ? defaultPath : "")
{
    if (!_path.empty())
        ensureDirectory(translate(_path));
}

void FilterParamDirPath::SetValueAsString(const char* value)
{
    if (value == nullptr || *value == '\0') {
        std::lock_guard<std::mutex> lock(_mutex);
        _path.clear();
        return;
    }
    const std::string text(value);
    if (ensureDirectory(translate(text)))
        storeAndNotify(_mutex, _path, text);
}

std::string FilterParamDirPath::GetValue() const
{
    return readGuarded(_mutex, _path);
}

std::string FilterParamDirPath::GetAbsoluteDirPath() const
{
    return translate(GetValue());
}

std::string FilterParamDirPath::valueToString() const
{
    return GetValue();
}

// --- FilterParamFilePath ---

FilterParamFilePath::FilterParamFilePath(const char* name, unsigned flags, const char* extension)
    : FilterParam(name, flags), _extension(extension != nullptr ? extension : "")
{
}

std::string FilterParamFilePath::withExtension(const std::string& text) const
{
    // An empty text stays empty rather than naming the hidden file ".<extension>".
    if (text.empty() || _extension.empty() || VornCommon::StringHelper::endsWith(text, _extension))
        return text;
    if (text.back() == '.')
        return text + _extension;
    return text + "." + _extension;
}

void FilterParamFilePath::initPath(const std::string& path)
{
    std::lock_guard<std::mutex> lock(_mutex);
    _path = path;
}

void FilterParamFilePath::SetValueAsString(const char* value)
{
    storeAndNotify(_mutex, _path, withExtension(value != nullptr ? value : ""));
}

std::string FilterParamFilePath::GetValue() const
{
    return readGuarded(_mutex, _path);
}

std::string FilterParamFilePath::GetAbsoluteFilePath() const
{
    return translate(GetValue());
}

std::string FilterParamFilePath::valueToString() const
{
    return GetValue();
}

// --- FilterParamReadFilePath ---

FilterParamReadFilePath::FilterParamReadFilePath(const char* name, unsigned flags, const char* defaultPath,
                                                 const char* extension)
    : FilterParamFilePath(name, flags, extension)
{
    const std::string path = withExtension(defaultPath != nullptr ? defaultPath : "");
    if (!path.empty() && FileHelper::DoesFileExist(translate(path)))
        initPath(path);
}

std::string FilterParamReadFilePath::GetStatus() const
{
    const std::string absolute = GetAbsoluteFilePath();
    if (FileHelper::DoesFileExist(absolute))
        return std::string();
    return "File '" + absolute + "' does not exist.";
}

// --- FilterParamWriteFilePath ---

FilterParamWriteFilePath::FilterParamWriteFilePath(const char* name, unsigned flags, const char* defaultPath,
                                                   const char* extension)
    : FilterParamFilePath(name, flags, extension)
{
    initPath(withExtension(defaultPath != nullptr ? defaultPath : ""));
}

} // namespace Hyx
