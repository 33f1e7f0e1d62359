// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <mutex>
#include <string>
#include <vector>

namespace ohmrada {

// The ngspice shared library (libngspice.so.0, or what the environment
// variable OHMRADA_NGSPICE_LIBRARY names), loaded with dlopen when it is
// first needed so that the rest of the program runs without it, and unloaded
// and loaded again after ngspice reported a fatal error (its global state is
// then unusable). ngspice is one simulator per process: every use goes
// through the one instance while holding the lock that Lock() returns.
//
// Every call into ngspice runs in the calling thread with the thread's locale
// switched to "C" (uselocale), since ngspice reads and writes numbers with the
// C library; the program may have set a German locale for its windows. The
// simulation is run in the foreground (never bg_run), so no thread of
// ngspice's own ever parses a number.
//
// A user's .spiceinit (working or home folder) is read by ngspice at start
// and could change options, variables or aliases. After loading, every alias
// is removed and every variable that the system's own start-up did not set is
// unset; the netlists set all options they depend on themselves.
class CNgspice {
public:
    static CNgspice& Instance();

    std::unique_lock<std::mutex> Lock() { return std::unique_lock<std::mutex>(m_mutex); }

    // Loads and initialises ngspice if needed. Empty on success, otherwise
    // why it cannot be used. Call with the lock held, as every function below.
    std::string Load();
    // Unloads the library (after a fatal error or to start afresh).
    void Unload();
    bool IsLoaded() const { return m_library != nullptr; }

    // Sends one command; false when ngspice reported an error or asked to be
    // unloaded (the library is then unloaded).
    bool Command(const std::string& command);
    // Loads a circuit given as its lines (without ".end").
    bool LoadCircuit(const std::vector<std::string>& lines);
    // The values of a vector of the current plot from index `from` on; empty
    // when it does not exist.
    std::vector<double> Vector(const std::string& name, std::size_t from = 0);

    bool HasErrors() const { return !m_errors.empty(); }
    // The error lines ngspice printed since the last call, joined.
    std::string TakeErrors();
    // What ngspice printed since the last call (for tests and diagnostics).
    std::string TakeOutput();

private:
    CNgspice() = default;
    struct CApi;

    static int OnChar(char* text, int id, void* self);
    static int OnExit(int status, bool immediate, bool quit, int id, void* self);

    std::mutex m_mutex;
    void* m_library = nullptr;
    CApi* m_api = nullptr;
    bool m_exitRequested = false;
    std::string m_errors;
    std::string m_output;
};

}  // namespace ohmrada
