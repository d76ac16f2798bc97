#pragma once

// Path parameters. A path may hold path variables; the absolute form is the path translated
// through VornCommon::VarManager::translateFromVars. Values sit behind the parameter's own
// mutex.
//
// - FilterParamDirPath: a directory that is created when missing. Setting a null or empty
//   text empties the path silently; another text is taken (and notified) only when its
//   directory exists or could be made.
// - FilterParamFilePath (base of the read and write forms): a file path with an extension
//   (given without its dot). A set text gets the extension rule: kept when the extension is
//   empty or the text already ends with it, the extension appended after a trailing ".",
//   else "." and the extension appended ("clip" and "clip." both give "clip.abc"). A null or
//   empty text gives the empty path.
// - FilterParamReadFilePath keeps a default path only when the file exists and reports a
//   missing file through GetStatus; FilterParamWriteFilePath tests nothing.

#include <Hyx/FilterParam.h>

#include <mutex>
#include <string>

namespace Hyx {

class HYX_API FilterParamDirPath : public FilterParam {
public:
    /// Creates the default's directory when missing; the value is the default as given
    /// (null means none), whether or not the directory could be made.
    FilterParamDirPath(const char* name, unsigned flags, const char* defaultPath);

    void SetValueAsString(const char* value) override;
    /// The path as set, possibly holding path variables.
    std::string GetValue() const;
    /// The path with its variables translated.
    std::string GetAbsoluteDirPath() const;

protected:
    std::string valueToString() const override;

private:
    mutable std::mutex _mutex;
    std::string _path;
};

class HYX_API FilterParamFilePath : public FilterParam {
public:
    /// Applies the extension rule; stores and notifies when the path differs.
    void SetValueAsString(const char* value) override;
    /// The path as set, possibly holding path variables.
    std::string GetValue() const;
    /// The extension, without its dot.
    const std::string& GetExtension() const { return _extension; }
    /// The path with its variables translated.
    std::string GetAbsoluteFilePath() const;

protected:
    /// A null extension counts as empty; the path starts empty.
    FilterParamFilePath(const char* name, unsigned flags, const char* extension);

    std::string valueToString() const override;
    /// The text with the extension rule applied.
    std::string withExtension(const std::string& text) const;
    /// Stores without notifying (constructors).
    void initPath(const std::string& path);

private:
    const std::string _extension;
    mutable std::mutex _mutex;
    std::string _path;
};

class HYX_API FilterParamReadFilePath : public FilterParamFilePath {
public:
    /// Keeps the default (with the extension rule) only when that file exists.
    FilterParamReadFilePath(const char* name, unsigned flags, const char* defaultPath, const char* extension);

    /// Empty when the file exists, else "File '<absolute path>' does not exist.".
    std::string GetStatus() const override;
};

class HYX_API FilterParamWriteFilePath : public FilterParamFilePath {
public:
    /// Takes the default with the extension rule; no existence test.
    FilterParamWriteFilePath(const char* name, unsigned flags, const char* defaultPath, const char* extension);
};

} // namespace Hyx
