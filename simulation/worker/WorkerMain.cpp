// SPDX-License-Identifier: GPL-3.0-or-later
// ohmrada-simulation-worker: the one process of the program that loads
// ngspice. The program starts it (WorkerSession.cpp) in a private folder
// that holds the program's own harmless .spiceinit, with a cleaned
// environment, its stream socket as standard input and nothing on standard
// output. It answers jobs (WorkerProtocol.h) one after the other until the
// socket closes. Whatever ngspice does (crash, quit, grow, hang) ends here:
// the program sees a broken answer, a closed socket or a run past its
// budget, kills this process and starts another.
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <optional>
#include <string>
#include <thread>

#include "FrameIo.h"
#include "Ngspice.h"
#include "WorkerProtocol.h"

namespace ohmrada {
namespace {

// The most memory the worker may map. A run that needs more fails here
// instead of growing without bound (AddressSanitizer reserves far more
// address space for its shadow memory and is left unlimited).
constexpr rlim_t kAddressSpaceBytes = rlim_t{1} << 30;

void LimitAddressSpace() {
#if !defined(__SANITIZE_ADDRESS__)
    const rlimit limit{kAddressSpaceBytes, kAddressSpaceBytes};
    setrlimit(RLIMIT_AS, &limit);
#endif
}

// The private folder and its start-up file, as paths the signal handler
// below can use (it may call nothing but the system).
char g_folder[4096];
char g_spiceinit[4096 + 16];
std::atomic<bool> g_folderRemoved{false};

// The start-up file and the private folder have done their work once
// ngspice is initialised, and are of no use once the worker ends: leave
// nothing behind. Safe in a signal handler.
void RemoveFolder() {
    if (g_folder[0] != '\0' && !g_folderRemoved.exchange(true)) {
        unlink(g_spiceinit);
        rmdir(g_folder);
    }
}

void RememberFolder() {
    if (getcwd(g_folder, sizeof g_folder) == nullptr ||
        std::snprintf(g_spiceinit, sizeof g_spiceinit, "%s/.spiceinit", g_folder) >=
            static_cast<int>(sizeof g_spiceinit)) {
        g_folder[0] = '\0';
    }
}

// A worker told to end (Ctrl-C reaches the whole process group, a session
// ends) removes its folder first.
extern "C" void EndOnSignal(int) {
    RemoveFolder();
    _exit(0);
}

void RemoveFolderOnEnd() {
    struct sigaction action {};
    action.sa_handler = EndOnSignal;
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
        sigaction(signal, &action, nullptr);
    }
}

// Ends the worker as soon as the program's end of the socket closes (the
// program ended, however), even in the middle of a run.
void WatchProgram(int channel) {
    std::thread([channel] {
        pollfd watch{channel, POLLRDHUP, 0};
        while (true) {
            const int ready = poll(&watch, 1, -1);
            if ((ready > 0 && (watch.revents & (POLLRDHUP | POLLHUP | POLLERR)) != 0) ||
                (ready < 0 && errno != EINTR)) {
                RemoveFolder();
                _exit(0);
            }
        }
    }).detach();
}

CSpiceRun Failed(ESpiceOutcome outcome, std::string message) {
    CSpiceRun run;
    run.outcome = outcome;
    run.message = std::move(message);
    return run;
}

CSpiceRun RunJob(CNgspice& ngspice, const CSpiceJob& job, int channel) {
    std::size_t points = 0;
    ngspice.OnPoint([&points, &job, channel] {
        if (++points > job.maxPoints) {
            // ngspice cannot be stopped from inside its run: answer and end.
            CSpiceRun run = Failed(
                ESpiceOutcome::kTooManyPoints,
                "the run went past its limit of " + std::to_string(job.maxPoints) + " time points");
            run.workerEnds = true;
            WriteFrame(channel, EncodeAnswer(run));
            _exit(0);
        }
    });
    ngspice.TakeErrors();
    const bool ran = ngspice.LoadCircuit(job.netlist) && !ngspice.HasErrors() &&
                     ngspice.Command("run") && !ngspice.HasErrors();
    CSpiceRun run;
    if (!ran) {
        const std::string errors = ngspice.TakeErrors();
        run = Failed(ESpiceOutcome::kRefused,
                     errors.empty() ? std::string("ngspice refused the circuit") : errors);
    } else {
        for (const std::string& name : job.vectors) {
            run.vectors.emplace(name, ngspice.Vector(name));
        }
    }
    // The vectors of a run take megabytes; drop them and the circuit.
    ngspice.Command("destroy all");
    ngspice.Command("remcirc");
    ngspice.TakeErrors();
    return run;
}

int Serve() {
    std::signal(SIGPIPE, SIG_IGN);
    RememberFolder();
    RemoveFolderOnEnd();
    LimitAddressSpace();
    const int channel = fcntl(0, F_DUPFD_CLOEXEC, 3);
    const int null = open("/dev/null", O_RDWR | O_CLOEXEC);
    if (channel < 0 || null < 0) {
        return 1;
    }
    // ngspice may print to standard output: it is not the channel.
    dup2(null, 0);
    dup2(null, 1);
    WatchProgram(channel);

    CNgspice ngspice;
    const std::string missing = ngspice.Load();
    RemoveFolder();
    while (true) {
        const std::optional<std::string> payload = ReadFrame(channel);
        if (!payload) {
            return 0;
        }
        const std::optional<CSpiceJob> job = DecodeJob(*payload);
        if (!job) {
            return 1;
        }
        CSpiceRun run = !missing.empty() ? Failed(ESpiceOutcome::kMissing, missing)
                                         : RunJob(ngspice, *job, channel);
        // Without ngspice the worker ends too: the next one may find it.
        run.workerEnds = ngspice.ExitRequested() || !missing.empty();
        if (!WriteFrame(channel, EncodeAnswer(run))) {
            return 0;
        }
        if (run.workerEnds) {
            return 0;  // the program starts a fresh worker for the next run
        }
    }
}

}  // namespace
}  // namespace ohmrada

int main() {
    return ohmrada::Serve();
}
