// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "SharedLibrary.h"

namespace ohmrada {

// The ngspice shared library inside the simulation worker (libngspice.so.0,
// or what OHMRADA_NGSPICE_LIBRARY names). The worker is one thread and one
// simulator: ngspice runs in the foreground, the calls come from the
// worker's only thread, and numbers are read and written in the "C" locale,
// the worker's only locale.
//
// ngSpice_Init sources ./.spiceinit, and only when there is none the one in
// the home folder of the password entry. The worker runs in a private
// folder whose .spiceinit is the program's own (WorkerSession.cpp), so no
// user's start-up file is ever read.
class CNgspice {
public:
    // Loads and initialises ngspice. Empty on success, otherwise why not.
    std::string Load();
    bool IsLoaded() const { return m_api != nullptr; }
    // ngspice asked to quit or reported a fatal error: the library is spent.
    bool ExitRequested() const { return m_exitRequested; }

    // Sends one command; false when ngspice reported an error or asked to
    // quit.
    bool Command(const std::string& command);
    // Loads a circuit given as its lines (without ".end").
    bool LoadCircuit(const std::vector<std::string>& lines);
    // The values of a vector of the current plot; empty when it does not exist.
    std::vector<double> Vector(const std::string& name);

    bool HasErrors() const { return !m_errors.empty(); }
    // The error lines ngspice printed since the last call, joined.
    std::string TakeErrors();

    // Called for every time point a run produces (ngspice's data callback).
    void OnPoint(std::function<void()> callback) { m_onPoint = std::move(callback); }
    void NotePoint() {
        if (m_onPoint) {
            m_onPoint();
        }
    }

private:
    struct CApi;

    static int OnChar(char* text, int id, void* self);
    static int OnExit(int status, bool immediate, bool quit, int id, void* self);

    std::unique_ptr<CSharedLibrary> m_library;
    std::shared_ptr<CApi> m_api;
    bool m_exitRequested = false;
    std::string m_errors;
    std::function<void()> m_onPoint;
};

}  // namespace ohmrada
