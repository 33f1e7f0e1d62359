// SPDX-License-Identifier: GPL-3.0-or-later
// ngspice in its worker process: no start-up file of the user's is read and
// nothing it says runs; a worker that crashes, hangs or talks nonsense fails
// its run and the next run works; every absurd design ends within its
// budget with a message; a stop ends a run at once.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <future>
#include <limits>
#include <optional>
#include <string>

#include "Simulator.h"
#include "WorkerProtocol.h"
#include "WorkerSession.h"
#include "support/TestFiles.h"

namespace ohmrada {
namespace {

using namespace std::chrono_literals;
using CClock = std::chrono::steady_clock;

CSimulationRequest StartUpRequest() {
    return CSimulationRequest::FromDesign(CDesign::StartUp());
}

void ExpectSameMeasurements(const CSimulationResult& a, const CSimulationResult& b) {
    ASSERT_TRUE(a.Ok() && b.Ok()) << a.message << " / " << b.message;
    for (const CMeasurementSpec& spec : kMeasurements) {
        EXPECT_DOUBLE_EQ(a.measurements.*spec.member, b.measurements.*spec.member) << spec.name;
    }
}

// Runs in `folder` as the working folder; the worker is started afresh so
// that it would read a start-up file now.
class CInFolder {
public:
    explicit CInFolder(const std::filesystem::path& folder)
        : m_previous(std::filesystem::current_path()) {
        std::filesystem::current_path(folder);
        UnloadSimulator();
    }
    ~CInFolder() {
        std::filesystem::current_path(m_previous);
        UnloadSimulator();
    }
    CInFolder(const CInFolder&) = delete;
    CInFolder& operator=(const CInFolder&) = delete;

private:
    std::filesystem::path m_previous;
};

// ---------------------------------------------------------------------------
// A hostile .spiceinit in the user's working folder changes nothing and
// runs nothing.

struct CHostileCase {
    const char* name;
    const char* spiceinit;  // "@" stands for the folder (a file made there would be the proof)
};

void PrintTo(const CHostileCase& row, std::ostream* out) {
    *out << row.name;
}

const CHostileCase kHostile[] = {
    {"Quit", "quit\n"},
    {"Exit", "exit\n"},
    {"Shell", "shell touch @/shell-ran\n"},
    {"ShellThatHangs", "shell sleep 100\n"},
    {"SourceOfDevZero", "source /dev/zero\n"},
    {"Alias", "alias run shell touch @/alias-ran\nalias tran shell touch @/alias-ran\n"},
    {"OptionsAndVariables", "set temp=150\noption reltol=0.5\nset noparse\n"},
};

class HostileSpiceinit : public ::testing::TestWithParam<CHostileCase> {};

TEST_P(HostileSpiceinit, InTheWorkingFolderChangesNothingAndRunsNothing) {
    const CSimulationResult plain = Simulate(StartUpRequest());
    test::CScratchFolder folder;
    std::string text = GetParam().spiceinit;
    for (std::size_t at = text.find('@'); at != std::string::npos; at = text.find('@')) {
        text.replace(at, 1, folder.Path().string());
    }
    test::WriteBytes(folder.Path() / ".spiceinit", text);
    CSimulationResult hostile;
    {
        CInFolder inFolder(folder.Path());
        hostile = Simulate(StartUpRequest());
    }
    ExpectSameMeasurements(hostile, plain);
    // Nothing but the start-up file is in the folder.
    std::size_t entries = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder.Path())) {
        EXPECT_EQ(entry.path().filename(), ".spiceinit");
        ++entries;
    }
    EXPECT_EQ(entries, 1u);
}

INSTANTIATE_TEST_SUITE_P(Worker, HostileSpiceinit, ::testing::ValuesIn(kHostile),
                         [](const auto& row) { return std::string(row.param.name); });

// The worker runs in a folder of its own (removed once ngspice has read the
// start-up file in it) with none of the user's ngspice variables.
TEST(WorkerSurroundings, PrivateFolderAndCleanedEnvironment) {
    setenv("SPICE_SCRIPTS", "/nonexistent/scripts", 1);
    setenv("NGSPICE_INPUT_DIR", "/nonexistent/input", 1);
    UnloadSimulator();
    const CSimulationResult result = Simulate(StartUpRequest());
    unsetenv("SPICE_SCRIPTS");
    unsetenv("NGSPICE_INPUT_DIR");
    ASSERT_TRUE(result.Ok()) << result.message;
    const pid_t worker = ProgramWorkerId();
    ASSERT_GT(worker, 0);
    const std::filesystem::path proc = "/proc/" + std::to_string(worker);
    const std::string cwd = std::filesystem::read_symlink(proc / "cwd").string();
    EXPECT_NE(cwd.find("ohmrada-simulation-"), std::string::npos) << cwd;
    EXPECT_NE(cwd.find("(deleted)"), std::string::npos) << cwd;
    const std::string environment = test::ReadBytes(proc / "environ");
    EXPECT_EQ(environment.find("SPICE"), std::string::npos);
    EXPECT_NE(environment.find("LC_ALL=C"), std::string::npos);
    UnloadSimulator();
}

// The folder a worker starts in: private, holding our start-up file only.
TEST(WorkerSurroundings, FolderIsPrivateAndHoldsOnlyHarmlessSettings) {
    const CWorkerFolder made = MakeWorkerFolder();
    const std::filesystem::path& folder = made.path;
    ASSERT_FALSE(folder.empty()) << made.problem;
    close(made.lock);
    struct stat status {};
    ASSERT_EQ(stat(folder.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777u, 0700u);
    std::ifstream file(folder / ".spiceinit");
    std::string line;
    int settings = 0;
    while (std::getline(file, line)) {
        if (line.empty() || line[0] == '*') {
            continue;
        }
        EXPECT_TRUE(line == "set noaskquit" || line == "set nomoremode") << line;
        ++settings;
    }
    EXPECT_EQ(settings, 2);
    std::filesystem::remove_all(folder);
}

// Points the temporary folder ($TMPDIR) elsewhere for its life.
class CTemporaryFolder {
public:
    explicit CTemporaryFolder(const std::filesystem::path& folder) {
        if (const char* previous = std::getenv("TMPDIR")) {
            m_previous = previous;
        }
        setenv("TMPDIR", folder.c_str(), 1);
    }
    ~CTemporaryFolder() {
        if (m_previous) {
            setenv("TMPDIR", m_previous->c_str(), 1);
        } else {
            unsetenv("TMPDIR");
        }
    }
    CTemporaryFolder(const CTemporaryFolder&) = delete;
    CTemporaryFolder& operator=(const CTemporaryFolder&) = delete;

private:
    std::optional<std::string> m_previous;
};

std::size_t EntriesIn(const std::filesystem::path& folder) {
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder)) {
        ++entries;
    }
    return entries;
}

// A worker folder named for an owner, holding a start-up file.
std::filesystem::path Planted(const std::filesystem::path& base, const std::string& owner,
                              const std::string& suffix) {
    const std::filesystem::path folder = base / ("ohmrada-simulation-" + owner + "-" + suffix);
    std::filesystem::create_directory(folder);
    test::WriteBytes(folder / ".spiceinit", "set noaskquit\n");
    return folder;
}

// A run killed outright leaves its folder; the next run removes it, knowing
// its maker is gone from the name, and leaves everything else alone.
TEST(WorkerSurroundings, FoldersOfGoneMakersAreRemovedAndNothingElse) {
    test::CScratchFolder base;
    CTemporaryFolder temporary(base.Path());
    const CWorkerFolder mine = MakeWorkerFolder();
    ASSERT_FALSE(mine.path.empty()) << mine.problem;
    // "ohmrada-simulation-<pid>-<start>-<boot>-XXXXXX"
    std::string name = mine.path.filename().string().substr(19);
    const std::string pid = name.substr(0, name.find('-'));
    name.erase(0, pid.size() + 1);
    const std::string start = name.substr(0, name.find('-'));
    name.erase(0, start.size() + 1);
    const std::string boot = name.substr(0, 8);
    const pid_t child = fork();
    if (child == 0) {
        _exit(0);
    }
    ASSERT_GT(child, 0);
    waitpid(child, nullptr, 0);
    const std::string later = std::to_string(std::stoull(start) + 1);
    const std::string otherBoot = boot == "00000000" ? "11111111" : "00000000";

    const std::filesystem::path gone[] = {
        Planted(base.Path(), std::to_string(child) + "-" + start + "-" + boot, "aaaaaa"),
        Planted(base.Path(), pid + "-" + later + "-" + boot, "bbbbbb"),
        Planted(base.Path(), pid + "-" + start + "-" + otherBoot, "cccccc"),
    };
    const std::filesystem::path kept[] = {
        Planted(base.Path(), pid + "-" + start + "-" + boot, "dddddd"),  // this process's
        base.Path() / "ohmrada-simulation-Ab12Cd",                       // no owner named
        Planted(base.Path(), pid + "-" + later + "-" + boot, "eeeeee"),  // holds more
        base.Path() / ("ohmrada-simulation-" + pid + "-" + later + "-" + boot + "-ffffff"),
        base.Path() / ("ohmrada-simulation-" + pid + "-" + later + "-" + boot + "-gggggg"),
    };
    std::filesystem::create_directory(kept[1]);
    test::WriteBytes(kept[1] / ".spiceinit", "x");
    test::WriteBytes(kept[2] / "notes.txt", "the user's");
    // A link by our naming to a folder that holds a start-up file, and a
    // plain file by our naming.
    const std::filesystem::path target = Planted(base.Path(), "target", "hhhhhh");
    std::filesystem::create_directory_symlink(target, kept[3]);
    test::WriteBytes(kept[4], "a file");

    EXPECT_EQ(RemoveAbandonedWorkerFolders(base.Path()), 3);
    for (const auto& folder : gone) {
        EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(folder))) << folder;
    }
    for (const auto& path : kept) {
        EXPECT_TRUE(std::filesystem::exists(std::filesystem::symlink_status(path))) << path;
    }
    EXPECT_TRUE(std::filesystem::exists(kept[2] / ".spiceinit"));
    EXPECT_TRUE(std::filesystem::exists(target / ".spiceinit"));
    EXPECT_TRUE(std::filesystem::exists(mine.path / ".spiceinit"));
    RemoveWorkerFolder(mine.path);
    close(mine.lock);
    EXPECT_FALSE(std::filesystem::exists(mine.path));
}

// A worker killed before it removed its folder, or one that hangs and is
// ended: the session removes the folder.
TEST(WorkerSurroundings, TheSessionRemovesTheFolderOfAWorkerThatEnded) {
    test::CScratchFolder scripts;
    const char* const kWorkers[] = {"kill -KILL $$\n", "exec sleep 100\n", "exit 3\n"};
    for (const char* worker : kWorkers) {
        SCOPED_TRACE(worker);
        test::CScratchFolder base;
        CTemporaryFolder temporary(base.Path());
        const std::filesystem::path script = scripts.Path() / "worker";
        test::WriteBytes(script, std::string("#!/bin/sh\n") + worker);
        std::filesystem::permissions(script, std::filesystem::perms::owner_all);
        setenv("OHMRADA_SIMULATION_WORKER", script.c_str(), 1);
        CSpiceJob job;
        job.netlist = {"* nothing"};
        CWorkerSession session;
        const CSpiceRun run = session.Run(job, CClock::now() + 300ms, {});
        unsetenv("OHMRADA_SIMULATION_WORKER");
        EXPECT_FALSE(run.Done());
        EXPECT_EQ(EntriesIn(base.Path()), 0u);
    }
}

// No folder can be made: the message names where and why.
TEST(WorkerSurroundings, AFolderThatCannotBeMadeIsNamedWithTheReason) {
    CTemporaryFolder temporary("/nonexistent/ohmrada-temporary");
    const CWorkerFolder made = MakeWorkerFolder();
    EXPECT_TRUE(made.path.empty());
    EXPECT_NE(made.problem.find("/nonexistent/ohmrada-temporary"), std::string::npos)
        << made.problem;
    EXPECT_NE(made.problem.find(std::strerror(ENOENT)), std::string::npos) << made.problem;
}

// ---------------------------------------------------------------------------
// Workers that fail: a clear failure of that run, and the next run works.

struct CBrokenWorker {
    const char* name;
    const char* script;  // a stand-in for the worker; its socket is standard input
    ESimulationError expected;
    const char* messagePart;
};

void PrintTo(const CBrokenWorker& row, std::ostream* out) {
    *out << row.name;
}

const CBrokenWorker kBroken[] = {
    {"Crashes", "kill -SEGV $$\n", ESimulationError::kWorkerFailed, "SIGSEGV"},
    {"Exits", "exit 3\n", ESimulationError::kWorkerFailed, "status 3"},
    {"AnswersNonsense", "printf 'not a frame at all' >&0\nsleep 5\n",
     ESimulationError::kWorkerFailed, "nonsense"},
    {"Hangs", "exec sleep 100\n", ESimulationError::kOverBudget, "time budget"},
    // An answer in due form: ngspice's refusal, and the worker ends. It
    // takes the job first, as a worker does, so that the job is written
    // before the worker has gone.
    {"RefusesTheCircuit",
     "head -c 1 <&0 >/dev/null\n"
     "printf '\\045\\0\\0\\0\\0\\0\\0\\0fail refused ends Timestep too small\\n' >&0\n",
     ESimulationError::kNgspiceError, "Timestep too small"},
};

class BrokenWorker : public ::testing::TestWithParam<CBrokenWorker> {};

TEST_P(BrokenWorker, FailsItsRunAndTheNextRunWorks) {
    test::CScratchFolder folder;
    const std::filesystem::path script = folder.Path() / "worker";
    test::WriteBytes(script, std::string("#!/bin/sh\n") + GetParam().script);
    std::filesystem::permissions(script, std::filesystem::perms::owner_all);
    setenv("OHMRADA_SIMULATION_WORKER", script.c_str(), 1);
    UnloadSimulator();
    CSimulationLimits limits;
    limits.budget = 1s;
    const auto started = CClock::now();
    const CSimulationResult failed = Simulate(StartUpRequest(), {}, limits);
    const auto took = CClock::now() - started;
    unsetenv("OHMRADA_SIMULATION_WORKER");
    EXPECT_EQ(failed.error, GetParam().expected) << failed.message;
    EXPECT_NE(failed.message.find(GetParam().messagePart), std::string::npos) << failed.message;
    EXPECT_LT(took, limits.budget + 2s);
    const CSimulationResult next = Simulate(StartUpRequest());
    EXPECT_TRUE(next.Ok()) << next.message;
}

INSTANTIATE_TEST_SUITE_P(Worker, BrokenWorker, ::testing::ValuesIn(kBroken),
                         [](const auto& row) { return std::string(row.param.name); });

// ---------------------------------------------------------------------------
// Every run ends: absurd designs within the budget, with a message.

struct CAbsurdCase {
    const char* name;
    void (*change)(CDesign&, double& leakageH);
};

void PrintTo(const CAbsurdCase& row, std::ostream* out) {
    *out << row.name;
}

const CAbsurdCase kAbsurd[] = {
    {"HalfWaveLoadOf1e9A",
     [](CDesign& d, double&) {
         d.circuit = CRectifier::kHalfWave;
         d[EInput::kIb] = 1e9f;
     }},
    {"HalfWaveLeakageOf1eMinus45H",
     [](CDesign& d, double& leakage) {
         d.circuit = CRectifier::kHalfWave;
         leakage = 1e-45;
     }},
    {"HalfWaveNoLoadVoltageOf1e5V",
     [](CDesign& d, double&) {
         d.circuit = CRectifier::kHalfWave;
         d[EInput::kLeerU] = 1e5f;
     }},
};

class AbsurdDesign : public ::testing::TestWithParam<CAbsurdCase> {};

TEST_P(AbsurdDesign, EndsWithinTheBudgetWithAMessage) {
    CDesign design = CDesign::StartUp();
    double leakage = 0.0;
    GetParam().change(design, leakage);
    const CSimulationLimits limits;
    const auto started = CClock::now();
    const CSimulationResult result =
        Simulate(CSimulationRequest::FromDesign(design, leakage), {}, limits);
    EXPECT_LT(CClock::now() - started, limits.budget + 2s);
    if (leakage > 0.0 && leakage < 1e-30) {
        // An inductance no period can resolve is none, to both solvers.
        ASSERT_TRUE(result.Ok()) << result.message;
        const CSimulationResult without = Simulate(CSimulationRequest::FromDesign(design, 0.0));
        ASSERT_TRUE(without.Ok()) << without.message;
        EXPECT_NEAR(result.measurements.meanVoltage, without.measurements.meanVoltage,
                    1e-6 * without.measurements.meanVoltage);
    } else {
        EXPECT_FALSE(result.Ok());
        EXPECT_FALSE(result.message.empty());
    }
    EXPECT_TRUE(Simulate(StartUpRequest()).Ok());
}

INSTANTIATE_TEST_SUITE_P(Worker, AbsurdDesign, ::testing::ValuesIn(kAbsurd),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(Budget, ARunPastItsPointLimitIsStoppedAndSaysSo) {
    CSimulationLimits limits;
    limits.maxPointsPerRun = 100;
    const CSimulationResult result = Simulate(StartUpRequest(), {}, limits);
    EXPECT_EQ(result.error, ESimulationError::kOverBudget);
    EXPECT_NE(result.message.find("time points"), std::string::npos) << result.message;
    EXPECT_TRUE(Simulate(StartUpRequest()).Ok());
}

TEST(Budget, AStopEndsARunningRunAtOnce) {
    // Runs so finely stepped that one takes far longer than the test.
    const CSimulationRequest request = StartUpRequest();
    CSimulationLimits limits;
    limits.budget = 60s;
    limits.stepsPerPeriod = 1000000;
    limits.maxPointsPerRun = 1000000000;
    std::stop_source stop;
    std::future<CSimulationResult> running =
        std::async(std::launch::async, [&] { return Simulate(request, stop.get_token(), limits); });
    ASSERT_EQ(running.wait_for(300ms), std::future_status::timeout) << running.get().message;
    const auto stopped = CClock::now();
    stop.request_stop();
    ASSERT_EQ(running.wait_for(5s), std::future_status::ready);
    EXPECT_LT(CClock::now() - stopped, 1s);
    EXPECT_EQ(running.get().error, ESimulationError::kCancelled);
    EXPECT_TRUE(Simulate(StartUpRequest()).Ok());
}

// A worker that announces an answer far larger than its job can produce
// and then floods the socket is ended at the announcement: nothing of the
// flood is kept.
TEST(Budget, AFloodingWorkerIsEndedBeforeItsAnswerIsRead) {
    test::CScratchFolder folder;
    const std::filesystem::path script = folder.Path() / "worker";
    // A frame of 512 MiB, then zeros without end.
    test::WriteBytes(script,
                     "#!/bin/sh\n"
                     "head -c 1 <&0 >/dev/null\n"
                     "printf '\\000\\000\\000\\040\\000\\000\\000\\000' >&0\n"
                     "exec cat /dev/zero >&0\n");
    std::filesystem::permissions(script, std::filesystem::perms::owner_all);
    setenv("OHMRADA_SIMULATION_WORKER", script.c_str(), 1);
    rusage before{};
    getrusage(RUSAGE_SELF, &before);
    CSpiceJob job;
    job.netlist = {"* flood"};
    job.vectors = {"time", "v(out)"};
    job.maxPoints = 1000;
    CSpiceRun run;
    {
        CWorkerSession session;
        run = session.Run(job, CClock::now() + 5s, {});
    }
    unsetenv("OHMRADA_SIMULATION_WORKER");
    rusage after{};
    getrusage(RUSAGE_SELF, &after);
    EXPECT_EQ(run.outcome, ESpiceOutcome::kCrashed);
    EXPECT_NE(run.message.find("larger than the run can give"), std::string::npos) << run.message;
    EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 64 * 1024) << "kilobytes";
}

// ---------------------------------------------------------------------------
// The words between program and worker survive the trip, and damaged ones
// are refused.

// The bound on an answer holds every answer in due form to the job, and
// little more: a full run's vectors, a failure with the longest message.
TEST(Protocol, LargestAnswerHoldsEveryAnswerTheJobCanHave) {
    CSpiceJob job;
    job.vectors = {"time", "v(out)", "i(vs1)", "i(vs2)", "v(a)", "v(b)", "i(l1)"};
    job.maxPoints = 200000;
    CSpiceRun full;
    for (const std::string& name : job.vectors) {
        full.vectors[name].assign(job.maxPoints + kSparePoints, 1.0);
    }
    const std::uint64_t largest = LargestAnswer(job);
    EXPECT_LE(EncodeAnswer(full).size(), largest);
    EXPECT_LT(largest, 12u * 1000 * 1000);  // some 11 MB
    // A few dozen points more than the job allows do not fit.
    full.vectors["time"].resize(full.vectors["time"].size() + 32, 2.0);
    EXPECT_GT(EncodeAnswer(full).size(), largest);

    CSpiceRun failed;
    failed.outcome = ESpiceOutcome::kRefused;
    failed.message.assign(10 * kLargestMessage, 'x');
    const std::string answer = EncodeAnswer(failed);
    EXPECT_LE(answer.size(), LargestAnswer(CSpiceJob{{}, {}, 0}));
    ASSERT_TRUE(DecodeAnswer(answer).has_value());
    EXPECT_EQ(DecodeAnswer(answer)->message.size(), kLargestMessage);

    CSpiceJob absurd = job;
    absurd.maxPoints = std::numeric_limits<std::size_t>::max();
    EXPECT_EQ(LargestAnswer(absurd), kLargestFrame);
}

TEST(Protocol, JobAndAnswerSurviveTheTripAndDamageIsRefused) {
    CSpiceJob job;
    job.netlist = {"* title", "R1 a 0 1", ".tran 1e-3 1"};
    job.vectors = {"time", "a"};
    job.maxPoints = 1234;
    const auto decoded = DecodeJob(EncodeJob(job));
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(decoded->netlist, job.netlist);
    EXPECT_EQ(decoded->vectors, job.vectors);
    EXPECT_EQ(decoded->maxPoints, job.maxPoints);

    CSpiceRun run;
    run.vectors["time"] = {0.0, 0.5, 1.0};
    run.vectors["a"] = {1.5, -2.25, 1e-300};
    const std::string answer = EncodeAnswer(run);
    const auto back = DecodeAnswer(answer);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->vectors, run.vectors);
    for (std::size_t cut = 0; cut < answer.size(); ++cut) {
        EXPECT_FALSE(DecodeAnswer(answer.substr(0, cut)).has_value()) << cut;
    }
    EXPECT_FALSE(DecodeAnswer("done 99999999999\n").has_value());
    EXPECT_FALSE(DecodeAnswer("fail whatever stays x\n").has_value());
    EXPECT_FALSE(DecodeAnswer("done 2\nx\n0\nx\n0\n").has_value()) << "a vector twice";
    EXPECT_FALSE(DecodeAnswer("fail refused stays " + std::string(kLargestMessage + 1, 'x') + "\n"))
        << "a message longer than any worker writes";
}

}  // namespace
}  // namespace ohmrada
