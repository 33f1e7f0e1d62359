// SPDX-License-Identifier: GPL-3.0-or-later
#include "WorkerSession.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <optional>

#include "FrameIo.h"
#include "WorkerProtocol.h"

namespace ohmrada {

namespace {

// The start-up file the worker's ngspice reads instead of any of the user's:
// settings that keep ngspice from asking or paging, nothing else.
constexpr const char* kSpiceinit =
    "* ohmrada simulation worker: the only start-up file ngspice reads here\n"
    "set noaskquit\n"
    "set nomoremode\n";

// Variables of the program's environment the worker keeps: the choice of the
// ngspice library and what the loader and the sanitizers need. Everything
// else (SPICE_*, NGSPICE_*, HOME, the locale) is left out.
constexpr const char* kKeptVariables[] = {"OHMRADA_NGSPICE_LIBRARY", "LD_LIBRARY_PATH",
                                          "ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"};

using CClock = std::chrono::steady_clock;

void Close(int& fd) {
    if (fd >= 0) {
        close(fd);
        fd = -1;
    }
}

CSpiceRun Failed(ESpiceOutcome outcome, std::string message) {
    CSpiceRun run;
    run.outcome = outcome;
    run.message = std::move(message);
    return run;
}

enum class EWait { kReady, kStopped, kTimedOut };

// Waits for the socket to become readable, for a stop or for the deadline.
EWait WaitReadable(int socket, int wake, ISpiceSession::CDeadline deadline) {
    while (true) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - CClock::now());
        if (left.count() <= 0) {
            return EWait::kTimedOut;
        }
        pollfd fds[2] = {{socket, POLLIN, 0}, {wake, POLLIN, 0}};
        const int timeout = static_cast<int>(std::min<long long>(left.count(), 60000));
        const int ready = poll(fds, 2, timeout);
        if (ready < 0 && errno != EINTR) {
            return EWait::kReady;  // the read that follows reports the fault
        }
        if (ready > 0 && fds[1].revents != 0) {
            return EWait::kStopped;
        }
        if (ready > 0 && fds[0].revents != 0) {
            return EWait::kReady;
        }
    }
}

std::vector<std::string> WorkerEnvironment(const std::filesystem::path& folder) {
    std::vector<std::string> environment = {"LC_ALL=C", "LANG=C", "PATH=/usr/bin:/bin",
                                            "HOME=" + folder.string()};
    for (const char* name : kKeptVariables) {
        if (const char* value = std::getenv(name); value != nullptr) {
            environment.push_back(std::string(name) + '=' + value);
        }
    }
    return environment;
}

}  // namespace

std::filesystem::path MakeWorkerFolder() {
    std::error_code error;
    std::filesystem::path base = std::filesystem::temp_directory_path(error);
    if (error) {
        base = "/tmp";
    }
    std::string pattern = (base / "ohmrada-simulation-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {  // mode 0700
        return {};
    }
    const std::filesystem::path folder = pattern;
    std::ofstream file(folder / ".spiceinit", std::ios::binary);
    file << kSpiceinit;
    file.close();
    if (!file) {
        std::filesystem::remove_all(folder, error);
        return {};
    }
    return folder;
}

std::filesystem::path WorkerProgram() {
    if (const char* chosen = std::getenv("OHMRADA_SIMULATION_WORKER");
        chosen != nullptr && *chosen != '\0') {
        return chosen;
    }
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    const std::filesystem::path buildTree = OHMRADA_BUILD_TREE;
    const std::string selfText = self.string();
    if (!error && selfText.starts_with(buildTree.string() + "/")) {
        return buildTree / "libexec" / "ohmrada" / kWorkerName;
    }
    return (self.parent_path() / OHMRADA_LIBEXEC_FROM_BIN / kWorkerName).lexically_normal();
}

CWorkerSession::CWorkerSession() {
    if (pipe2(m_wake, O_CLOEXEC | O_NONBLOCK) != 0) {
        m_wake[0] = m_wake[1] = -1;
    }
}

CWorkerSession::~CWorkerSession() {
    Kill();
    Close(m_wake[0]);
    Close(m_wake[1]);
}

std::string CWorkerSession::Start() {
    const std::filesystem::path program = WorkerProgram();
    if (access(program.c_str(), X_OK) != 0) {
        return "the simulation worker " + program.string() + " is missing (" +
               std::strerror(errno) + ")";
    }
    const std::filesystem::path folder = MakeWorkerFolder();
    if (folder.empty()) {
        return "no private folder for the simulation worker could be made";
    }
    int pair[2] = {-1, -1};
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
        return std::string("no socket for the simulation worker: ") + std::strerror(errno);
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pair[1], 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    // The worker starts with the default signal handling, whatever the program set.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t all;
    sigfillset(&all);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);

    std::vector<std::string> environment = WorkerEnvironment(folder);
    std::vector<char*> envp;
    for (std::string& entry : environment) {
        envp.push_back(entry.data());
    }
    envp.push_back(nullptr);
    std::string name = program.string();
    char* argv[] = {name.data(), nullptr};
    pid_t pid = -1;
    const int status = posix_spawn(&pid, program.c_str(), &actions, &attributes, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    close(pair[1]);
    if (status != 0) {
        close(pair[0]);
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
        return "the simulation worker " + program.string() +
               " cannot be started: " + std::strerror(status);
    }
    // The worker removes its folder once ngspice has read the start-up file.
    m_pid = pid;
    m_socket = pair[0];
    return {};
}

void CWorkerSession::Kill() {
    if (m_pid > 0) {
        kill(m_pid, SIGKILL);
        Reap();
    }
    Close(m_socket);
}

std::string CWorkerSession::Reap() {
    std::string why = "it ended";
    if (m_pid > 0) {
        int status = 0;
        pid_t done = -1;
        do {
            done = waitpid(m_pid, &status, 0);
        } while (done < 0 && errno == EINTR);
        if (done == m_pid && WIFSIGNALED(status)) {
            const char* name = sigabbrev_np(WTERMSIG(status));
            why = "it was ended by signal SIG" + std::string(name != nullptr ? name : "?");
        } else if (done == m_pid && WIFEXITED(status)) {
            why = "it exited with status " + std::to_string(WEXITSTATUS(status));
        }
        m_pid = -1;
    }
    Close(m_socket);
    return why;
}

CSpiceRun CWorkerSession::Run(const CSpiceJob& job, CDeadline deadline, std::stop_token stop) {
    // A stop from another thread wakes the wait below.
    char drain[64];
    while (m_wake[0] >= 0 && read(m_wake[0], drain, sizeof drain) > 0) {
    }
    const int wake = m_wake[1];
    std::stop_callback onStop(stop, [wake] {
        const char byte = 1;
        [[maybe_unused]] const ssize_t ignored = write(wake, &byte, 1);
    });
    if (stop.stop_requested()) {
        return Failed(ESpiceOutcome::kCancelled, "simulation cancelled");
    }
    if (const std::string problem = EnsureWorker(); !problem.empty()) {
        return Failed(ESpiceOutcome::kCrashed, problem);
    }
    const std::string payload = EncodeJob(job);
    if (!WriteFully(m_socket, FrameHeader(payload.size()) + payload)) {
        kill(m_pid, SIGKILL);
        return Failed(ESpiceOutcome::kCrashed,
                      "the simulation worker could not be reached: " + Reap());
    }
    return ReadAnswer(deadline);
}

std::string CWorkerSession::EnsureWorker() {
    if (m_pid > 0) {
        int status = 0;
        if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = -1;
            Close(m_socket);
        }
    }
    return m_pid > 0 ? std::string() : Start();
}

CSpiceRun CWorkerSession::ReadAnswer(CDeadline deadline) {
    std::string answer;
    std::size_t expected = 8;  // the frame's header first
    bool header = true;
    char buffer[65536];
    while (answer.size() < expected) {
        switch (WaitReadable(m_socket, m_wake[0], deadline)) {
            case EWait::kStopped:
                Kill();
                return Failed(ESpiceOutcome::kCancelled, "simulation cancelled");
            case EWait::kTimedOut:
                Kill();
                return Failed(ESpiceOutcome::kOverBudget,
                              "the simulation ran past its time budget and was ended");
            case EWait::kReady:
                break;
        }
        const ssize_t got =
            recv(m_socket, buffer, std::min(sizeof buffer, expected - answer.size()), MSG_DONTWAIT);
        if (got < 0 && (errno == EINTR || errno == EAGAIN)) {
            continue;
        }
        if (got <= 0) {
            return Failed(ESpiceOutcome::kCrashed,
                          "the simulation worker ended during the run: " + Reap());
        }
        answer.append(buffer, static_cast<std::size_t>(got));
        if (header && answer.size() == expected) {
            const std::uint64_t length = FrameLength(answer.data());
            if (length > kLargestFrame) {
                Kill();
                return Failed(ESpiceOutcome::kCrashed, "the simulation worker answered nonsense");
            }
            header = false;
            answer.clear();
            expected = static_cast<std::size_t>(length);
        }
    }
    std::optional<CSpiceRun> run = DecodeAnswer(answer);
    if (!run) {
        Kill();
        return Failed(ESpiceOutcome::kCrashed, "the simulation worker answered nonsense");
    }
    if (run->workerEnds) {
        Reap();  // it ends by itself right after answering
    }
    return std::move(*run);
}

namespace {

class CSharedSession final : public ISpiceSession {
public:
    CSpiceRun Run(const CSpiceJob& job, CDeadline deadline, std::stop_token stop) override {
        std::unique_lock lock(m_mutex, std::defer_lock);
        while (!lock.try_lock_for(std::chrono::milliseconds(10))) {
            if (stop.stop_requested()) {
                return Failed(ESpiceOutcome::kCancelled, "simulation cancelled");
            }
            if (CClock::now() >= deadline) {
                return Failed(ESpiceOutcome::kOverBudget,
                              "the simulation's time budget ran out while waiting for ngspice");
            }
        }
        return m_session.Run(job, deadline, std::move(stop));
    }

    void End() {
        std::lock_guard lock(m_mutex);
        m_session.End();
    }

    pid_t WorkerId() {
        std::lock_guard lock(m_mutex);
        return m_session.WorkerId();
    }

private:
    std::timed_mutex m_mutex;
    CWorkerSession m_session;
};

CSharedSession& SharedSession() {
    static CSharedSession session;
    return session;
}

}  // namespace

ISpiceSession& ProgramSession() {
    return SharedSession();
}

pid_t ProgramWorkerId() {
    return SharedSession().WorkerId();
}

void EndProgramWorker() {
    SharedSession().End();
}

}  // namespace ohmrada
