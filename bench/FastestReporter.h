// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <limits>
#include <map>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

namespace ohmrada::bench {

// Prints as the console does and keeps the fastest time of each benchmark,
// so that a program can print its figures and ratios at the end.
class CFastestReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred) {
                continue;
            }
            const double seconds =
                run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
            auto [entry, inserted] = m_fastest.try_emplace(run.benchmark_name(), seconds);
            if (!inserted && seconds < entry->second) {
                entry->second = seconds;
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    // The fastest time of a benchmark in seconds; NaN when it did not run.
    double Seconds(const std::string& name) const {
        const auto found = m_fastest.find(name);
        return found != m_fastest.end() ? found->second : std::numeric_limits<double>::quiet_NaN();
    }

private:
    std::map<std::string, double> m_fastest;
};

}  // namespace ohmrada::bench
