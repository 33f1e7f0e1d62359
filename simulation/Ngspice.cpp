// SPDX-License-Identifier: GPL-3.0-or-later
#include "Ngspice.h"

#include <dlfcn.h>
#include <locale.h>
#include <ngspice/sharedspice.h>
#include <signal.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <sstream>
#include <string_view>

namespace ohmrada {

namespace {

constexpr const char* kLibraryName = "libngspice.so.0";
// Names another ngspice library (a path or a file name) instead.
constexpr const char* kLibraryVariable = "OHMRADA_NGSPICE_LIBRARY";

// Variables ngspice and the system's start-up script set by themselves; every
// other variable after loading came from a user's .spiceinit.
// ngspice marks its internal ones (the current plot and such) with "*"; they
// must not be unset.
constexpr std::array<std::string_view, 14> kSystemVariables = {
    "brief",      "history",    "inputdir",      "noaskquit",     "noglob",
    "nomoremode", "oscompiled", "program",       "prompt",        "rndseed",
    "sharedmode", "sourcepath", "x11lineararcs", "xspice_enabled"};

// Switches the calling thread to the "C" locale for its lifetime, whatever
// locale the program set, so that ngspice reads and writes plain numbers.
class CCLocale {
public:
    CCLocale() {
        if (s_locale == nullptr) {
            s_locale = newlocale(LC_ALL_MASK, "C", nullptr);
        }
        if (s_locale != nullptr) {
            m_previous = uselocale(s_locale);
        }
    }
    ~CCLocale() {
        if (m_previous != nullptr) {
            uselocale(m_previous);
        }
    }
    CCLocale(const CCLocale&) = delete;
    CCLocale& operator=(const CCLocale&) = delete;

private:
    static inline locale_t s_locale = nullptr;  // created once, never freed
    locale_t m_previous = nullptr;
};

// Keeps the program's handling of Ctrl-C: ngspice built with its thread
// support installs its own SIGINT handler at start and around every
// command (Debian's 39 does not), and after it is unloaded a handler left
// behind would point into nothing.
class CKeepInterrupt {
public:
    CKeepInterrupt() { sigaction(SIGINT, nullptr, &m_previous); }
    ~CKeepInterrupt() { sigaction(SIGINT, &m_previous, nullptr); }
    CKeepInterrupt(const CKeepInterrupt&) = delete;
    CKeepInterrupt& operator=(const CKeepInterrupt&) = delete;

private:
    struct sigaction m_previous {};
};

// What every call into ngspice runs under.
struct CCallGuard {
    CCLocale locale;
    CKeepInterrupt interrupt;
};

template <class F>
F Symbol(void* library, const char* name) {
    return reinterpret_cast<F>(dlsym(library, name));
}

}  // namespace

struct CNgspice::CApi {
    decltype(&ngSpice_Init) init = nullptr;
    decltype(&ngSpice_Command) command = nullptr;
    decltype(&ngSpice_Circ) circ = nullptr;
    decltype(&ngGet_Vec_Info) vecInfo = nullptr;
};

CNgspice& CNgspice::Instance() {
    static CNgspice instance;
    return instance;
}

int CNgspice::OnChar(char* text, int /*id*/, void* self) {
    auto* ngspice = static_cast<CNgspice*>(self);
    const std::string_view line = text != nullptr ? text : "";
    ngspice->m_output.append(line).push_back('\n');
    constexpr std::string_view kStderr = "stderr ";
    if (!line.starts_with(kStderr)) {
        return 0;
    }
    const std::string_view message = line.substr(kStderr.size());
    // Pausing at a stop condition is reported on stderr too; it is no error.
    constexpr std::array<std::string_view, 6> kBenign = {
        "pause requested", "interrupted", "condition met", "Warning", "Note", "stopped"};
    const bool benign = std::any_of(kBenign.begin(), kBenign.end(), [&](std::string_view word) {
        return message.find(word) != std::string_view::npos;
    });
    if (!benign && !message.empty()) {
        if (!ngspice->m_errors.empty()) {
            ngspice->m_errors += "; ";
        }
        ngspice->m_errors.append(message);
    }
    return 0;
}

int CNgspice::OnExit(int status, bool /*immediate*/, bool quit, int /*id*/, void* self) {
    auto* ngspice = static_cast<CNgspice*>(self);
    ngspice->m_exitRequested = true;
    if (!quit) {
        if (!ngspice->m_errors.empty()) {
            ngspice->m_errors += "; ";
        }
        ngspice->m_errors += "ngspice stopped with status " + std::to_string(status);
    }
    return 0;
}

std::string CNgspice::Load() {
    if (m_library != nullptr) {
        return {};
    }
    const char* chosen = std::getenv(kLibraryVariable);
    const std::string name = chosen != nullptr && *chosen != '\0' ? chosen : kLibraryName;
    void* library = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        const char* why = dlerror();
        return "ngspice is not installed: " + name + " cannot be loaded (" +
               (why != nullptr ? why : "unknown reason") +
               "); install the package libngspice0 (Debian, Ubuntu)";
    }
    auto* api = new CApi;
    api->init = Symbol<decltype(&ngSpice_Init)>(library, "ngSpice_Init");
    api->command = Symbol<decltype(&ngSpice_Command)>(library, "ngSpice_Command");
    api->circ = Symbol<decltype(&ngSpice_Circ)>(library, "ngSpice_Circ");
    api->vecInfo = Symbol<decltype(&ngGet_Vec_Info)>(library, "ngGet_Vec_Info");
    if (api->init == nullptr || api->command == nullptr || api->circ == nullptr ||
        api->vecInfo == nullptr) {
        delete api;
        dlclose(library);
        return name + " is not a usable ngspice library";
    }
    m_library = library;
    m_api = api;
    m_exitRequested = false;
    m_errors.clear();
    m_output.clear();
    {
        CCallGuard guard;
        m_api->init(&CNgspice::OnChar, nullptr, &CNgspice::OnExit, nullptr, nullptr, nullptr, this);
    }
    // Undo whatever a user's .spiceinit did: aliases (a command we send could
    // be redefined) and variables (they change parsing and analyses).
    Command("unalias *");
    m_output.clear();
    Command("set");
    std::istringstream listing(TakeOutput());
    std::string line;
    std::vector<std::string> toUnset;
    while (std::getline(listing, line)) {
        // "stdout   name  value" or "stdout * name value"
        std::istringstream words(line);
        std::string word;
        words >> word;
        if (word != "stdout") {
            continue;
        }
        words >> word;
        if (word == "*") {
            continue;
        }
        if (word.empty() || std::find(kSystemVariables.begin(), kSystemVariables.end(), word) !=
                                kSystemVariables.end()) {
            continue;
        }
        toUnset.push_back(word);
    }
    for (const std::string& variable : toUnset) {
        Command("unset " + variable);
    }
    Command("set noaskquit");
    Command("set nomoremode");
    TakeErrors();
    TakeOutput();
    if (m_exitRequested) {
        Unload();
        return "ngspice could not be started";
    }
    return {};
}

void CNgspice::Unload() {
    if (m_library == nullptr) {
        return;
    }
    delete m_api;
    m_api = nullptr;
    dlclose(m_library);
    m_library = nullptr;
}

bool CNgspice::Command(const std::string& command) {
    if (m_api == nullptr) {
        return false;
    }
    std::string text = command;
    int status = 0;
    {
        CCallGuard guard;
        status = m_api->command(text.data());
    }
    if (m_exitRequested) {
        Unload();
        return false;
    }
    return status == 0;
}

bool CNgspice::LoadCircuit(const std::vector<std::string>& lines) {
    if (m_api == nullptr) {
        return false;
    }
    std::vector<std::string> copies = lines;
    copies.emplace_back(".end");
    std::vector<char*> pointers;
    pointers.reserve(copies.size() + 1);
    for (std::string& line : copies) {
        pointers.push_back(line.data());
    }
    pointers.push_back(nullptr);
    int status = 0;
    {
        CCallGuard guard;
        status = m_api->circ(pointers.data());
    }
    if (m_exitRequested) {
        Unload();
        return false;
    }
    return status == 0;
}

std::vector<double> CNgspice::Vector(const std::string& name, std::size_t from) {
    if (m_api == nullptr) {
        return {};
    }
    std::string text = name;
    CCLocale locale;
    // ngspice hands out the same static structure on every call: copy now.
    const pvector_info info = m_api->vecInfo(text.data());
    if (info == nullptr || info->v_realdata == nullptr || info->v_length <= 0) {
        return {};
    }
    const auto length = static_cast<std::size_t>(info->v_length);
    if (from >= length) {
        return {};
    }
    return std::vector<double>(info->v_realdata + from, info->v_realdata + length);
}

std::string CNgspice::TakeErrors() {
    std::string errors;
    errors.swap(m_errors);
    return errors;
}

std::string CNgspice::TakeOutput() {
    std::string output;
    output.swap(m_output);
    return output;
}

}  // namespace ohmrada
