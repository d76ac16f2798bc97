#pragma once

// A shared library loaded at run time (plug-ins). Loading resolves every symbol at once
// (a missing dependency or symbol fails the load, not a later call) and keeps the library's
// symbols out of the global namespace. A path without '/' is taken relative to the current
// directory, never searched for in the system's library path. Static initialisers of the
// library run inside Load on the calling thread; its static destructors run inside Unload.
// One object is not synchronised; separate objects may be used from separate threads.

#include <VornCommon/Export.h>

#include <string>

namespace VornCommon {

/// One loaded shared library; the destructor unloads it.
class VORN_API SharedLibrary {
public:
    SharedLibrary() = default;
    ~SharedLibrary();
    SharedLibrary(const SharedLibrary&) = delete;
    SharedLibrary& operator=(const SharedLibrary&) = delete;
    SharedLibrary(SharedLibrary&& other) noexcept;
    SharedLibrary& operator=(SharedLibrary&& other) noexcept;

    /// Loads the library at path (unloading the one held before); false with LastError set
    /// when it cannot be loaded.
    bool Load(const std::string& path);
    /// Address of the exported symbol, or null (with LastError set) when absent or nothing
    /// is loaded.
    void* Symbol(const char* name);
    /// Unloads the library (its static destructors run now); false with LastError set when
    /// the system refused. Nothing loaded is a success.
    bool Unload();

    /// True while a library is loaded.
    bool IsLoaded() const { return m_handle != nullptr; }
    /// The path as given to the last Load.
    const std::string& Path() const { return m_path; }
    /// Text of the last failure (names the path for load failures); "" after a success.
    const std::string& LastError() const { return m_lastError; }

private:
    void* m_handle = nullptr;
    std::string m_path;
    std::string m_lastError;
};

} // namespace VornCommon
