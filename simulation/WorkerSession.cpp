// SPDX-License-Identifier: GPL-3.0-or-later
#include "WorkerSession.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <optional>
#include <string_view>
#include <utility>

#include "FrameIo.h"
#include "ProcessMark.h"
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

namespace {

constexpr std::string_view kFolderPrefix = "ohmrada-simulation-";

// The owner a folder's name gives: "<prefix><pid>-<start>-<boot>-XXXXXX".
std::optional<CProcessMark> OwnerOfName(std::string_view name) {
    if (!name.starts_with(kFolderPrefix)) {
        return std::nullopt;
    }
    name.remove_prefix(kFolderPrefix.size());
    std::string_view rest;
    std::optional<CProcessMark> owner = CProcessMark::Parse(name, &rest);
    if (!owner || rest.size() != 6) {
        return std::nullopt;
    }
    return owner;
}

// True when the open folder holds nothing but a start-up file (of any kind:
// removing a name never follows it).
bool HoldsOnlyStartUpFile(int folder) {
    const int copy = fcntl(folder, F_DUPFD_CLOEXEC, 0);
    DIR* listing = copy >= 0 ? fdopendir(copy) : nullptr;
    if (listing == nullptr) {
        if (copy >= 0) {
            close(copy);
        }
        return false;
    }
    bool only = true;
    while (const dirent* entry = readdir(listing)) {
        const std::string_view name = entry->d_name;
        only = only && (name == "." || name == ".." || name == ".spiceinit");
    }
    closedir(listing);
    return only;
}

}  // namespace

CWorkerFolder MakeWorkerFolder() {
    CWorkerFolder made;
    // $TMPDIR as the user gave it: one that cannot be used is said so,
    // never silently replaced.
    const char* chosen = std::getenv("TMPDIR");
    const std::filesystem::path base =
        chosen != nullptr && *chosen != '\0' ? std::filesystem::path(chosen) : "/tmp";
    RemoveAbandonedWorkerFolders(base);
    std::string name(kFolderPrefix);
    if (const std::optional<CProcessMark> mark = ThisProcessMark()) {
        name += mark->Text() + '-';
    }
    std::string pattern = (base / (name + "XXXXXX")).string();
    if (mkdtemp(pattern.data()) == nullptr) {  // mode 0700
        made.problem = "no private folder for the simulation worker could be made in " +
                       base.string() + ": " + std::strerror(errno);
        return made;
    }
    const std::filesystem::path folder = pattern;
    made.lock = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (made.lock >= 0) {
        flock(made.lock, LOCK_SH);
    }
    std::ofstream file(folder / ".spiceinit", std::ios::binary);
    file << kSpiceinit;
    file.close();
    if (!file) {
        const int cause = errno;
        RemoveWorkerFolder(folder);
        Close(made.lock);
        made.problem = "no private folder for the simulation worker could be made in " +
                       base.string() + ": its start-up file cannot be written (" +
                       std::strerror(cause != 0 ? cause : EIO) + ")";
        return made;
    }
    made.path = folder;
    return made;
}

void RemoveWorkerFolder(const std::filesystem::path& folder) {
    if (folder.empty()) {
        return;
    }
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd >= 0) {
        unlinkat(fd, ".spiceinit", 0);
        close(fd);
    }
    rmdir(folder.c_str());
}

int RemoveAbandonedWorkerFolders(const std::filesystem::path& base) {
    const int folder = open(base.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0 || BootMark().empty()) {
        if (folder >= 0) {
            close(folder);
        }
        return 0;
    }
    DIR* listing = fdopendir(folder);
    if (listing == nullptr) {
        close(folder);
        return 0;
    }
    int removed = 0;
    while (const dirent* entry = readdir(listing)) {
        const std::optional<CProcessMark> owner = OwnerOfName(entry->d_name);
        struct stat status {};
        if (!owner || fstatat(folder, entry->d_name, &status, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISDIR(status.st_mode) || status.st_uid != getuid() || !owner->IsGone()) {
            continue;
        }
        const int inside =
            openat(folder, entry->d_name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (inside < 0) {
            continue;
        }
        struct stat opened {};
        // The very folder looked at, not one put in its place meanwhile,
        // and no maker holds it.
        if (fstat(inside, &opened) == 0 && opened.st_dev == status.st_dev &&
            opened.st_ino == status.st_ino && flock(inside, LOCK_EX | LOCK_NB) == 0 &&
            HoldsOnlyStartUpFile(inside)) {
            unlinkat(inside, ".spiceinit", 0);
            if (unlinkat(folder, entry->d_name, AT_REMOVEDIR) == 0) {
                ++removed;
            }
        }
        close(inside);
    }
    closedir(listing);
    return removed;
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
    CWorkerFolder made = MakeWorkerFolder();
    if (made.path.empty()) {
        return made.problem;
    }
    const std::filesystem::path& folder = made.path;
    // Held from here: every way out below that starts no worker drops it.
    m_folderLock = std::exchange(made.lock, -1);
    int pair[2] = {-1, -1};
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) {
        RemoveWorkerFolder(folder);
        Close(m_folderLock);
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
        RemoveWorkerFolder(folder);
        Close(m_folderLock);
        return "the simulation worker " + program.string() +
               " cannot be started: " + std::strerror(status);
    }
    // The worker removes its folder once ngspice has read the start-up file;
    // where it ends before that, Reap() does.
    m_pid = pid;
    m_socket = pair[0];
    m_folder = folder;
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
    RemoveWorkerFolder(m_folder);
    m_folder.clear();
    Close(m_folderLock);
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
    return ReadAnswer(deadline, LargestAnswer(job));
}

std::string CWorkerSession::EnsureWorker() {
    if (m_pid > 0) {
        int status = 0;
        if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = -1;
            Close(m_socket);
            RemoveWorkerFolder(m_folder);
            m_folder.clear();
            Close(m_folderLock);
        }
    }
    return m_pid > 0 ? std::string() : Start();
}

CSpiceRun CWorkerSession::ReadAnswer(CDeadline deadline, std::uint64_t largest) {
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
            if (length > largest) {
                // Never buffered: a worker that floods costs no memory.
                Kill();
                return Failed(ESpiceOutcome::kCrashed,
                              "the simulation worker answered nonsense (an answer of " +
                                  std::to_string(length) + " bytes, larger than the run can give)");
            }
            header = false;
            answer.clear();
            expected = static_cast<std::size_t>(length);
            answer.reserve(expected);
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
