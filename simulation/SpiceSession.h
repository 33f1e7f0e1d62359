// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <map>
#include <stop_token>
#include <string>
#include <vector>

namespace ohmrada {

// One transient run for ngspice: the netlist (without ".end"), the vectors
// wanted back, and the most time points the run may produce.
struct CSpiceJob {
    std::vector<std::string> netlist;
    std::vector<std::string> vectors;
    std::size_t maxPoints = 200000;
};

// How a run ended.
enum class ESpiceOutcome {
    kDone,           // the vectors are there
    kMissing,        // libngspice cannot be loaded
    kRefused,        // ngspice refused the circuit or failed during the run
    kTooManyPoints,  // the run went past its point limit
    kOverBudget,     // the wall-time budget ran out; the worker was killed
    kCancelled,      // the caller asked to stop; the worker was killed
    kCrashed,        // the worker died, exited or answered nonsense
};

struct CSpiceRun {
    ESpiceOutcome outcome = ESpiceOutcome::kDone;
    std::string message;  // ngspice's or the session's words, English
    std::map<std::string, std::vector<double>> vectors;
    bool workerEnds = false;  // the worker's ngspice is spent; it ends after answering

    bool Done() const { return outcome == ESpiceOutcome::kDone; }
};

// A simulator that runs one netlist at a time. The program's own session
// runs ngspice in a worker process (WorkerSession.h); the tests replace it
// with a scripted fake, so that the steady-state search and the measurements
// are tested without ngspice.
class ISpiceSession {
public:
    using CDeadline = std::chrono::steady_clock::time_point;

    virtual ~ISpiceSession() = default;
    // Runs the job; returns by the deadline, and at once when stop is
    // requested. Failures are values.
    virtual CSpiceRun Run(const CSpiceJob& job, CDeadline deadline, std::stop_token stop) = 0;
};

}  // namespace ohmrada
