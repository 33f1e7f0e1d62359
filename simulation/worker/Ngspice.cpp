// SPDX-License-Identifier: GPL-3.0-or-later
#include "Ngspice.h"

#include <ngspice/sharedspice.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <string_view>

namespace ohmrada {

namespace {

constexpr const char* kLibraryName = "libngspice.so.0";
// Names another ngspice library (a path or a file name) instead.
constexpr const char* kLibraryVariable = "OHMRADA_NGSPICE_LIBRARY";

int OnData(pvecvaluesall /*values*/, int /*count*/, int /*id*/, void* self) {
    static_cast<CNgspice*>(self)->NotePoint();
    return 0;
}

// Declared so that ngspice sends the data of every time point (it sends
// none without both callbacks).
int OnInitData(pvecinfoall /*vectors*/, int /*id*/, void* /*self*/) {
    return 0;
}

template <class F>
F Symbol(const CSharedLibrary& library, const char* name) {
    return reinterpret_cast<F>(library.Symbol(name));
}

}  // namespace

struct CNgspice::CApi {
    decltype(&ngSpice_Init) init = nullptr;
    decltype(&ngSpice_Command) command = nullptr;
    decltype(&ngSpice_Circ) circ = nullptr;
    decltype(&ngGet_Vec_Info) vecInfo = nullptr;
};

int CNgspice::OnChar(char* text, int /*id*/, void* self) {
    auto* ngspice = static_cast<CNgspice*>(self);
    const std::string_view line = text != nullptr ? text : "";
    constexpr std::string_view kStderr = "stderr ";
    if (!line.starts_with(kStderr)) {
        return 0;
    }
    const std::string_view message = line.substr(kStderr.size());
    // Notes and warnings on stderr are no errors.
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
    const char* chosen = std::getenv(kLibraryVariable);
    const std::string name = chosen != nullptr && *chosen != '\0' ? chosen : kLibraryName;
    CLoadedLibrary loaded = LoadSharedLibrary(name);
    if (!loaded.library && loaded.found) {
        // There, but no library the loader can use: not ELF, another
        // architecture, a library it needs is missing.
        return name + " is not a usable ngspice library (" + loaded.problem + ")";
    }
    if (!loaded.library) {
        return "ngspice is not installed: " + name + " cannot be loaded (" + loaded.problem +
               "); install the package libngspice0 (Debian, Ubuntu)";
    }
    auto api = std::make_shared<CApi>();
    api->init = Symbol<decltype(&ngSpice_Init)>(*loaded.library, "ngSpice_Init");
    api->command = Symbol<decltype(&ngSpice_Command)>(*loaded.library, "ngSpice_Command");
    api->circ = Symbol<decltype(&ngSpice_Circ)>(*loaded.library, "ngSpice_Circ");
    api->vecInfo = Symbol<decltype(&ngGet_Vec_Info)>(*loaded.library, "ngGet_Vec_Info");
    if (api->init == nullptr || api->command == nullptr || api->circ == nullptr ||
        api->vecInfo == nullptr) {
        const std::string path = loaded.library->Path();
        return name + (path.empty() || path == name ? std::string() : " (" + path + ")") +
               " is not a usable ngspice library: it lacks ngspice's functions";
    }
    m_library = std::move(loaded.library);
    m_api = std::move(api);
    m_api->init(&CNgspice::OnChar, nullptr, &CNgspice::OnExit, &OnData, &OnInitData, nullptr, this);
    Command("set noaskquit");
    Command("set nomoremode");
    TakeErrors();
    if (m_exitRequested) {
        return "ngspice could not be started";
    }
    return {};
}

bool CNgspice::Command(const std::string& command) {
    if (m_api == nullptr || m_exitRequested) {
        return false;
    }
    std::string text = command;
    const int status = m_api->command(text.data());
    return status == 0 && !m_exitRequested;
}

bool CNgspice::LoadCircuit(const std::vector<std::string>& lines) {
    if (m_api == nullptr || m_exitRequested) {
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
    const int status = m_api->circ(pointers.data());
    return status == 0 && !m_exitRequested;
}

std::vector<double> CNgspice::Vector(const std::string& name) {
    if (m_api == nullptr || m_exitRequested) {
        return {};
    }
    std::string text = name;
    // ngspice hands out the same static structure on every call: copy now.
    const pvector_info info = m_api->vecInfo(text.data());
    if (info == nullptr || info->v_realdata == nullptr || info->v_length <= 0) {
        return {};
    }
    return std::vector<double>(info->v_realdata,
                               info->v_realdata + static_cast<std::size_t>(info->v_length));
}

std::string CNgspice::TakeErrors() {
    std::string errors;
    errors.swap(m_errors);
    return errors;
}

}  // namespace ohmrada
