// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <sys/types.h>
#include <cstdint>
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
// "C" locale; LD_LIBRARY_PATH is passed on for the loader). The folder is
// removed by the worker once ngspice has started, by the session when the
// worker ended before that, and, where both were killed outright, by the
// next run that starts a worker in the same temporary folder. It ends when the program ends, and is
// killed when a run passes its deadline or the caller asks to stop.
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
    // failed run when none comes, or when the worker announces more than
    // the job can produce (largest bytes).
    CSpiceRun ReadAnswer(CDeadline deadline, std::uint64_t largest);
    void Kill();
    // Why the worker ended (it has ended or is ended now).
    std::string Reap();

    pid_t m_pid = -1;
    int m_socket = -1;
    // The running worker's folder: the worker removes it once ngspice has
    // read its start-up file, the session once the worker has ended.
    std::filesystem::path m_folder;
    int m_folderLock = -1;
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

// A private folder for a worker, or why none could be made (the folder
// it was to be made in and the system's reason).
struct CWorkerFolder {
    std::filesystem::path path;  // empty on failure
    std::string problem;
    // The folder, open and locked (flock) by its maker for as long as its
    // worker may need it; whoever holds it closes it.
    int lock = -1;
};

// Makes a private folder for a worker (mode 0700) holding the program's own
// .spiceinit, in the temporary folder ($TMPDIR, else /tmp). Its name says
// who made it: "ohmrada-simulation-<pid>-<start>-<boot>-XXXXXX", the
// process id, the process's start time in clock ticks after boot and the
// start of the boot id, so that a later run can tell a folder whose maker
// was killed outright from one in use (and a lock on it, for a maker whose
// process id this program cannot see).
CWorkerFolder MakeWorkerFolder();

// Removes from `base` the worker folders whose maker is provably gone
// (another boot, no such process, or a process of that id started at
// another time) and that nobody holds locked: only folders of that naming,
// owned by this user, that are real folders (a symbolic link is never
// followed) holding nothing but the start-up file. Anything else is left alone. The number removed.
int RemoveAbandonedWorkerFolders(const std::filesystem::path& base);

// Removes a worker folder made by MakeWorkerFolder (its start-up file and
// itself), if it is still there.
void RemoveWorkerFolder(const std::filesystem::path& folder);

// The name of the worker program.
inline constexpr const char* kWorkerName = "ohmrada-simulation-worker";

}  // namespace ohmrada
