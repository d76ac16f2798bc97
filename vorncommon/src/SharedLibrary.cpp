#include <VornCommon/SharedLibrary.h>

#include <utility>

#include <dlfcn.h>

namespace VornCommon {

namespace {

// dlerror's text is per thread and overwritten by the next dl call: copy it at once.
std::string TakeDlError(const char* fallback)
{
    const char* text = ::dlerror();
    return text ? std::string(text) : std::string(fallback);
}

} // namespace

SharedLibrary::~SharedLibrary()
{
    Unload();
}

SharedLibrary::SharedLibrary(SharedLibrary&& other) noexcept
    : m_handle(std::exchange(other.m_handle, nullptr)),
      m_path(std::move(other.m_path)),
      m_lastError(std::move(other.m_lastError))
{
}

SharedLibrary& SharedLibrary::operator=(SharedLibrary&& other) noexcept
{
    if (this != &other) {
        Unload();
        m_handle = std::exchange(other.m_handle, nullptr);
        m_path = std::move(other.m_path);
        m_lastError = std::move(other.m_lastError);
    }
    return *this;
}

bool SharedLibrary::Load(const std::string& path)
{
    Unload();
    m_path = path;
    if (path.empty()) {
        // dlopen(NULL) would hand out the main program instead of failing.
        m_lastError = "Empty shared library path";
        return false;
    }
    const std::string loadPath = path.find('/') == std::string::npos ? "./" + path : path;
    ::dlerror();
    m_handle = ::dlopen(loadPath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!m_handle) {
        m_lastError = TakeDlError(("Cannot load '" + loadPath + "'").c_str());
        return false;
    }
    m_lastError.clear();
    return true;
}

void* SharedLibrary::Symbol(const char* name)
{
    if (!m_handle) {
        m_lastError = "No shared library loaded";
        return nullptr;
    }
    if (!name) {
        m_lastError = "Null symbol name";
        return nullptr;
    }
    ::dlerror();
    void* address = ::dlsym(m_handle, name);
    if (!address) {
        m_lastError = TakeDlError((m_path + ": symbol '" + name + "' is null").c_str());
        return nullptr;
    }
    m_lastError.clear();
    return address;
}

bool SharedLibrary::Unload()
{
    if (!m_handle)
        return true;
    void* handle = std::exchange(m_handle, nullptr);
    ::dlerror();
    if (::dlclose(handle) != 0) {
        m_lastError = TakeDlError(("Cannot unload '" + m_path + "'").c_str());
        return false;
    }
    m_lastError.clear();
    return true;
}

} // namespace VornCommon
