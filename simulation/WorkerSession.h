// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <sys/types.h>
#include <filesystem>
#include <string>

#include "SpiceSession.h"

namespace ohmrada {

// ngspice in a worker process (the program ohmrada-simulation-worker), the
// program's only way to run it. The worker is started when first needed
// and kept for the next runs; a worker that died, quit or answered nonsense
// is replaced by a fresh one for the next run.
//
// The worker runs in a private folder (mode 0700) that holds only the
// program's own .spiceinit, so ngspice never reads a start-up file of the
// user's (it reads ./.spiceinit, and only without one the home folder's),
// and with a cleaned environment (no SPICE_* or NGSPICE_* variables, the
// "C" locale). It ends when the program ends, and is killed when a run
// passes its deadline or the caller asks to stop.
//
// Not thread-safe: ProgramSession() serialises the program's callers.
class CWorkerSession final : public ISpiceSession {
public:
    CWorkerSession();
    ~CWorkerSession() override;
    CWorkerSession(const CWorkerSession&) = delete;
    CWorkerSession& operator=(const CWorkerSession&) = delete;

    CSpiceRun Run(const CSpiceJob& job, CDeadline deadline, std::stop_token stop) override;

    // Ends the worker (if one runs); the next run starts a fresh one.
    void End() { Kill(); }

    // The running worker's process id; -1 when none runs.
    pid_t WorkerId() const { return m_pid; }

private:
    std::string Start();
    // A worker to run the next job: the one that runs, or a new one where it
    // ended since its last answer (ngspice quit). Empty, or why none starts.
    std::string EnsureWorker();
    // The answer to the job sent, read until the deadline or a stop; a
    // failed run when none comes.
    CSpiceRun ReadAnswer(CDeadline deadline);
    void Kill();
    // Why the worker ended (it has ended or is ended now).
    std::string Reap();

    pid_t m_pid = -1;
    int m_socket = -1;
    int m_wake[2] = {-1, -1};  // written when a caller asks to stop
};

// The program's session: one worker, callers take turns (a caller waiting
// for its turn still honours its stop and deadline).
ISpiceSession& ProgramSession();
// The process id of the program session's worker; -1 when none runs.
pid_t ProgramWorkerId();
// Ends the program session's worker once the running run is done; the next
// simulation starts a fresh one, in the environment of that time.
void EndProgramWorker();

// Where the worker program is: OHMRADA_SIMULATION_WORKER if set, in a build
// tree the build's libexec/ohmrada, otherwise the installed library-exec
// folder relative to the running program.
std::filesystem::path WorkerProgram();

// Makes a private folder for a worker (mode 0700) holding the program's own
// .spiceinit; empty on failure.
std::filesystem::path MakeWorkerFolder();

// The name of the worker program.
inline constexpr const char* kWorkerName = "ohmrada-simulation-worker";

}  // namespace ohmrada
