// SPDX-License-Identifier: GPL-3.0-or-later
#include <dlfcn.h>
#include <link.h>

#include <cerrno>
#include <cstring>

#include "SharedLibrary.h"

namespace ohmrada {

namespace {

class CPosixLibrary final : public CSharedLibrary {
public:
    explicit CPosixLibrary(void* handle) : m_handle(handle) {}
    ~CPosixLibrary() override { dlclose(m_handle); }
    CPosixLibrary(const CPosixLibrary&) = delete;
    CPosixLibrary& operator=(const CPosixLibrary&) = delete;

    void* Symbol(const char* name) const override { return dlsym(m_handle, name); }

    std::string Path() const override {
        link_map* map = nullptr;
        if (dlinfo(m_handle, RTLD_DI_LINKMAP, &map) != 0 || map == nullptr ||
            map->l_name == nullptr) {
            return {};
        }
        return map->l_name;
    }

private:
    void* m_handle;
};

}  // namespace

CLoadedLibrary LoadSharedLibrary(const std::string& name) {
    CLoadedLibrary loaded;
    void* handle = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* why = dlerror();
        loaded.problem = why != nullptr ? why : "unknown reason";
        // The loader names a file it could not find with the system's text
        // for ENOENT; any other reason means a file was there.
        loaded.found = loaded.problem.find(std::strerror(ENOENT)) == std::string::npos;
        return loaded;
    }
    loaded.library = std::make_unique<CPosixLibrary>(handle);
    return loaded;
}

}  // namespace ohmrada
