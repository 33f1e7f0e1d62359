// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "AnalysisArguments.h"
#include "Sweep.h"

namespace ohmrada::cli {

// The analysis commands of ohmrada-calc, each given the arguments after its
// name. Every input is loaded as the form opens it, --set applied, and the
// design the form then holds is analysed on copies; the form is never
// changed. Usage errors (exit 2) name the argument and print nothing else;
// an input that cannot be read or analysed is reported, gives no output, and
// makes the exit status 2 while the other inputs are still printed.
//
//   worst-case [--mains-tolerance PCT] [--capacitor-tolerance PCT] [--tj-max DEGC]
//              [--set NAME=TEXT]... [--format table|json|csv] [FILE|-]...
//   limits     [--mains-tolerance PCT] [--capacitor-tolerance PCT] [--tj-max DEGC]
//              [--set NAME=TEXT]... [--format table|json] [FILE|-]...
//   sweep NAME=FROM:TO:COUNT[:log] [--set NAME=TEXT]... [--format csv|json|table] [FILE|-]
int RunWorstCaseCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                        std::ostream& err);
int RunLimitsCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                     std::ostream& err);

// Further columns a sweep carries per point beside the cycle's results: the
// extension point for measurements of the same design by other means (the
// simulation). Names follow the result names (lower-case words, unit last);
// `measure` gives one value per name for a point, NaN where undefined.
struct CSweepColumns {
    std::vector<std::string> names;
    std::function<std::vector<double>(const CSweepPoint& point)> measure;
    // Each point is written and flushed as soon as it is done, so a run that
    // is interrupted keeps every finished point.
    bool streaming = false;
};
// The most points a sweep may have (0: no limit) and the option that limits
// it, for the refusal above it.
struct CSweepLimit {
    std::size_t maxCount = 0;
    std::string limitedBy;
};

// What a caller adds to the sweep: flags it accepts (for example
// "--simulate"), their lines for --help, the limit of points its options
// set (asked before any design is read), and the maker of the further
// columns from the parsed options (it reads CAnalysisOptions::flags) and the
// number of points the sweep will have.
struct CSweepExtension {
    std::vector<std::string> flags;
    std::string help;
    // A sweep that runs longer than this reports its progress on standard
    // error (unless its columns report their own).
    std::chrono::milliseconds progressAfter{1000};
    std::function<CSweepLimit(const CAnalysisOptions& options)> limit;
    // The columns for a design's sweep (dual: a symmetric supply's).
    std::function<CSweepColumns(const CAnalysisOptions& options, std::size_t pointCount, bool dual)>
        columns;
};

int RunSweepCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                    std::ostream& err, const CSweepExtension& extension = {});

}  // namespace ohmrada::cli
