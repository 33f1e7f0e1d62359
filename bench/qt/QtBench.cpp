// SPDX-License-Identifier: GPL-3.0-or-later
// The desktop program against bare Qt, in one run:
//
// (a) start-up: the program (its start-up probe, which is the program ending
//     after the first paint of its window) against a bare Qt program showing
//     one empty dialog; both run as child processes on the offscreen
//     platform, timed from the spawn to the exit, with each child's peak
//     resident memory and its page faults (on a virtual machine a fault can
//     cost 10 µs). Aim: at most 1.4 times the bare program.
// (b) one recalculation cycle of the real window (28 fields written from the
//     model, the marks set) against 28 bare QLineEdit::setText calls with the
//     same texts. Aim: at most 2 times the bare updates.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <QApplication>
#include <QDialog>
#include <QLineEdit>

#include "FieldTable.h"
#include "FormWindow.h"
#include "MainDialog.h"
#include "QtPlatform.h"

extern char** environ;

namespace {

struct CStart {
    double milliseconds = 0;
    double maxResidentMiB = 0;
    double pageFaults = 0;
};

// Runs program once with the offscreen platform; nothing on failure.
std::optional<CStart> RunOnce(const char* program) {
    std::vector<std::string> environment;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        if (std::string(*entry).rfind("QT_QPA_PLATFORM=", 0) != 0) {
            environment.emplace_back(*entry);
        }
    }
    environment.emplace_back("QT_QPA_PLATFORM=offscreen");
    std::vector<char*> envp;
    for (std::string& entry : environment) {
        envp.push_back(entry.data());
    }
    envp.push_back(nullptr);
    std::string name(program);
    char* argv[] = {name.data(), nullptr};

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, program, &actions, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        return std::nullopt;
    }
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return std::nullopt;
    }
    const auto end = std::chrono::steady_clock::now();
    return CStart{std::chrono::duration<double, std::milli>(end - start).count(),
                  static_cast<double>(usage.ru_maxrss) / 1024.0,
                  static_cast<double>(usage.ru_minflt + usage.ru_majflt)};
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}

bool CompareStarts(int runs) {
    struct CProgram {
        const char* label;
        const char* path;
        std::vector<double> ms;
        std::vector<double> mib;
        std::vector<double> faults;
    };
    CProgram programs[] = {{"ohmrada", OHMRADA_PROBE_PATH, {}, {}, {}},
                           {"bare Qt dialog", OHMRADA_BARE_PATH, {}, {}, {}}};
    // One warm-up each fills the file cache; then they take turns.
    for (int run = -1; run < runs; ++run) {
        for (CProgram& program : programs) {
            const std::optional<CStart> start = RunOnce(program.path);
            if (!start) {
                std::fprintf(stderr, "%s did not run: %s\n", program.label, program.path);
                return false;
            }
            if (run >= 0) {
                program.ms.push_back(start->milliseconds);
                program.mib.push_back(start->maxResidentMiB);
                program.faults.push_back(start->pageFaults);
            }
        }
    }
    std::printf("(a) start to first paint and exit, median of %d runs\n", runs);
    for (const CProgram& program : programs) {
        std::printf("    %-15s %8.1f ms %8.1f MiB peak resident %6.0f page faults\n", program.label,
                    Median(program.ms), Median(program.mib), Median(program.faults));
    }
    const double timeRatio = Median(programs[0].ms) / Median(programs[1].ms);
    const double memoryRatio = Median(programs[0].mib) / Median(programs[1].mib);
    std::printf("    ratio: time %.2fx, memory %.2fx (aim: at most 1.40x) %s\n\n", timeRatio,
                memoryRatio, timeRatio <= 1.4 && memoryRatio <= 1.4 ? "met" : "NOT MET");
    return true;
}

// The real window with its form logic, shown once.
struct CWindow {
    CWindow() {
        platform.Show(dialog);
        QApplication::processEvents();
    }
    ohmrada::qt::CQtPlatform platform;
    ohmrada::CMainDialog dialog{platform};
};

CWindow* g_window = nullptr;

void BM_RecalculateInTheWindow(benchmark::State& state) {
    for (auto _ : state) {
        g_window->dialog.Recalculate();
    }
}
BENCHMARK(BM_RecalculateInTheWindow);

// 28 bare line edits in a shown dialog, given the texts the form shows.
void BM_BareSetText28(benchmark::State& state) {
    QDialog dialog;
    std::vector<std::pair<QLineEdit*, QString>> fields;
    int y = 0;
    for (const auto& ids : {std::span<const int>(ohmrada::kInputFieldIds),
                            std::span<const int>(ohmrada::kResultFieldIds)}) {
        for (const int id : ids) {
            auto* field = new QLineEdit(&dialog);
            field->setGeometry(0, y, 70, 23);
            y += 23;
            fields.emplace_back(field, g_window->platform.Window()->Field(id)->text());
        }
    }
    dialog.show();
    QApplication::processEvents();
    for (auto _ : state) {
        for (auto& [field, text] : fields) {
            field->setText(text);
        }
    }
}
BENCHMARK(BM_BareSetText28);

// Keeps each benchmark's time per iteration for the ratio.
class CCapturingReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        // One figure per benchmark: the single run, or the median of the
        // repetitions.
        for (const Run& run : runs) {
            if (run.aggregate_name.empty() || run.aggregate_name == "median") {
                m_nanoseconds[run.run_name.function_name] = run.GetAdjustedRealTime();
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    double Of(const std::string& name) const {
        const auto it = m_nanoseconds.find(name);
        return it != m_nanoseconds.end() ? it->second : 0.0;
    }

private:
    std::map<std::string, double> m_nanoseconds;
};

}  // namespace

int main(int argc, char** argv) {
    if (!CompareStarts(21)) {
        return 1;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    CWindow window;
    g_window = &window;
    std::printf("(b) one recalculation cycle against 28 bare text updates\n");
    CCapturingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double cycle = reporter.Of("BM_RecalculateInTheWindow");
    const double bare = reporter.Of("BM_BareSetText28");
    if (cycle > 0 && bare > 0) {
        std::printf("    ratio: %.2fx (aim: at most 2.00x) %s\n", cycle / bare,
                    cycle / bare <= 2.0 ? "met" : "NOT MET");
    }
    g_window = nullptr;
    benchmark::Shutdown();
    return 0;
}
