// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>
#include <string>

namespace ohmrada {

// A shared library loaded at run time: the one part of the simulation that
// depends on the platform's loader. SharedLibraryPosix.cpp realises it with
// dlopen; the simulation runs on Linux only today.
class CSharedLibrary {
public:
    virtual ~CSharedLibrary() = default;
    // The address of an exported function or object; nullptr when missing.
    virtual void* Symbol(const char* name) const = 0;
    // The file the loader took (it searches its path for a bare name).
    virtual std::string Path() const = 0;
};

struct CLoadedLibrary {
    std::unique_ptr<CSharedLibrary> library;  // null when it could not be loaded
    std::string problem;                      // the loader's reason then
    // False when no file of that name was found at all; true when one was
    // found but could not be loaded (a broken or foreign file).
    bool found = false;
};

CLoadedLibrary LoadSharedLibrary(const std::string& name);

}  // namespace ohmrada
