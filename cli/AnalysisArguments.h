// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <iosfwd>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "AnalysisSettings.h"
#include "Arguments.h"
#include "Design.h"
#include "FormRun.h"
#include "Sweep.h"

namespace ohmrada::cli {

// The options the analysis commands (worst-case, limits, sweep) share:
//   --mains-tolerance PCT --capacitor-tolerance PCT --tj-max DEGC
//   --set NAME=TEXT... --format FMT, inputs.
// Each problem is a sentence that names the argument.
struct CAnalysisOptions {
    EFormat format = EFormat::kTable;
    CAnalysisSettings settings;
    std::vector<CSetting> entries;  // --set, in order
    // Arguments that are not options: the inputs (for sweep, the range first).
    std::vector<std::string> operands;
    std::set<std::string, std::less<>> flags;  // the grammar's flags that were given
    bool help = false;
    bool tolerances = true;  // the command takes the settings (and checks Tj,max)
};

struct CAnalysisGrammar {
    std::vector<EFormat> formats;  // offered, the first is the default
    bool tolerances = true;        // --mains-tolerance, --capacitor-tolerance, --tj-max
    // Options without a value a command adds ("--simulate").
    std::vector<std::string> flags;
};

CParsed<CAnalysisOptions> ParseAnalysisArguments(const std::vector<std::string>& args,
                                                 const CAnalysisGrammar& grammar);

// A whole argument as a finite number, read the same in every locale.
std::optional<double> ParseFiniteNumber(const std::string& text);
// The mains tolerance as the tables show it: "±10" or "−8.3/+5.8" (percent).
std::string MainsToleranceText(const CAnalysisSettings& settings);

// NAME=FROM:TO:COUNT[:log], NAME one of the twelve input keys.
CParsed<CSweepSpec> ParseSweepRange(const std::string& text);

// One input as the analyses see it: the design the form holds once it has
// opened the file ("-": the configuration on `in`; nothing: the start-up
// design) and applied the --set entries. Without a design, the diagnostics
// (ending in a newline) say why.
struct CLoadedDesign {
    std::optional<CDesign> design;
    std::string diagnostics;
};
CLoadedDesign LoadDesign(const std::optional<std::string>& input,
                         const std::vector<CSetting>& settings, std::istream& in);

// A design the settings cannot be applied to (Tj,max not above its ambient
// temperature): the diagnostic line for that input; empty when fine.
std::string SettingsProblem(const CAnalysisSettings& settings, const CDesign& design,
                            const std::optional<std::string>& input);

// Loads every input in turn (the start-up design when there is none), checks
// the settings against its design and hands it to `analyse`, which renders
// that input's whole output. An input that cannot be loaded or analysed is
// reported on `err` and gives no output at all. False when any failed.
using FAnalyse =
    std::function<void(const std::optional<std::string>& input, const CDesign& design)>;
bool ForEachDesign(const CAnalysisOptions& options, std::istream& in, std::ostream& err,
                   const FAnalyse& analyse);

// The usage error of a command: the problem, its usage and where help is.
int ReportUsageError(std::string_view command, std::string_view usage, const std::string& problem,
                     std::ostream& err);

// Writes the text, and the exit status: 2 when the output failed or `ok` is
// false, else 0.
int FinishOutput(const std::string& text, bool ok, std::ostream& out, std::ostream& err);

// A JSON array of already rendered elements, each on its own lines.
std::string JsonArray(const std::vector<std::string>& elements);

}  // namespace ohmrada::cli
