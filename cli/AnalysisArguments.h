// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <iosfwd>
#include <optional>
#include <set>
#include <string>
#include <string_view>
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
    // --topology, --filter, --load: when any is given, the circuit every
    // input is solved as, in place of the one its file states.
    std::optional<CCircuitChoice> circuit;
};

// The --help lines of the options worst-case and limits share.
inline constexpr std::string_view kAnalysisOptionsHelp =
    "  --mains-tolerance PCT|LOW:HIGH  0 to 50 each (below:above the nominal),\n"
    "                             default 10 (EN 50160)\n"
    "  --region en50160|ansi-a|ansi-b  the mains band of a standard: EN 50160\n"
    "                             +/-10 %, ANSI C84.1 range A -5/+5 %, range B\n"
    "                             -8.3/+5.8 %; the later of it and\n"
    "                             --mains-tolerance counts\n"
    "  --capacitor-tolerance PCT  0 to 50, default 20\n"
    "  --tj-max DEGC              Tj,max, default 125; must lie above Tu\n"
    "  --leakage-inductance MH    the transformer's leakage inductance per\n"
    "                             winding (per half with the centre tap) in\n"
    "                             millihenries, 0 to 1000, default 0\n"
    "  --topology single|dual     one rail, or a symmetric supply (a centre-tapped\n"
    "                             winding, a bridge, two rails, each with the\n"
    "                             design's reservoir, regulator and load)\n"
    "  --filter none|rc:R,C|lc:L,R,C|choke:L,R  a filter after each reservoir:\n"
    "                             R in ohms, C in microfarads, L in millihenries\n"
    "                             (choke: a choke-input filter, the reservoir\n"
    "                             behind it); the circuit's figures are then the\n"
    "                             regulator's input's\n"
    "  --load current|resistive   the regulator feeds a constant current (default)\n"
    "                             or a resistor taking Ib at Ubger\n"
    "  --closed-form              the closed form's verdicts only\n"
    "  --mains-frequency HZ       50 or 60: the design's mains frequency\n"
    "  --set NAME=TEXT            as for the form command (repeatable, in order)\n";

// The exit status worst-case and limits document.
inline constexpr std::string_view kAnalysisExitStatus =
    "\n"
    "Exit status: 0 on success; 2 on a usage error, or when an input cannot be\n"
    "read or analysed (it gives no output; the others are still printed).\n";

// The flag of worst-case, limits and sweep that asks for the closed form's
// verdicts only, and whether it was given.
inline constexpr std::string_view kClosedForm = "--closed-form";
inline bool ClosedForm(const CAnalysisOptions& options) {
    return options.flags.count(std::string(kClosedForm)) > 0;
}

struct CAnalysisGrammar {
    std::vector<EFormat> formats;  // offered, the first is the default
    bool tolerances = true;        // --mains-tolerance, --capacitor-tolerance, --tj-max
    // Options without a value a command adds ("--simulate").
    std::vector<std::string> flags;
};

CParsed<CAnalysisOptions> ParseAnalysisArguments(const std::vector<std::string>& args,
                                                 const CAnalysisGrammar& grammar);

// --topology, --filter and --load: whether the option is one of them, and
// taking its value into the circuit choice.
bool IsCircuitOption(std::string_view name);
COwnOption TakeCircuitOption(const CArgumentReader::CItem& option, CArgumentReader& reader,
                             std::optional<CCircuitChoice>& choice);

// What a command says of itself: its name, usage and the parts of its help.
struct CCommandTexts {
    std::string_view command;
    std::string_view usage;
    std::vector<std::string_view> help;
};

// The exit status when the arguments end the command before any analysis (a
// usage error, reported; or --help, shown); nothing when it goes on.
std::optional<int> EndsBeforeAnalysis(const CParsed<CAnalysisOptions>& parsed,
                                      const CCommandTexts& texts, std::ostream& out,
                                      std::ostream& err);

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

// The design when the settings can be applied to it; else the diagnostic
// line for that input (Tj,max not above its ambient temperature).
CParsed<CDesign> CheckSettings(const CAnalysisSettings& settings, const CDesign& design,
                               const std::optional<std::string>& input);

// Loads every input in turn (the start-up design when there is none), checks
// the settings against its design and hands it to `analyse`, which renders
// that input's whole output. An input that cannot be loaded or analysed is
// reported on `err` and gives no output at all. False when any failed.
using FAnalyse =
    std::function<void(const std::optional<std::string>& input, const CDesign& design)>;
bool ForEachDesign(const CAnalysisOptions& options, std::istream& in, std::ostream& err,
                   const FAnalyse& analyse);

// The settings as the tables show them, one line with its line end, and a
// second naming the design's circuit where it is more than one rail behind
// one reservoir with a constant-current load.
std::string SettingsLine(const CAnalysisSettings& settings, const CDesign& design);

// A JSON array of already rendered elements, each on its own lines.
std::string JsonArray(const std::vector<std::string>& elements);

// The run of a command that renders each input on its own (worst-case,
// limits): the arguments read by grammar (ending early as
// EndsBeforeAnalysis says), every input rendered by `render`, the pieces
// joined as the format joins them (tables a blank line apart, JSON as one
// array, CSV rows under the header `csvHeader` makes) and the output
// finished. The exit status.
using FRender =
    std::function<std::string(const CAnalysisOptions& options,
                              const std::optional<std::string>& input, const CDesign& design)>;
using FCsvHeader = std::function<std::string(const CAnalysisOptions& options)>;
int RunPerDesignCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                        std::ostream& err, const CAnalysisGrammar& grammar,
                        const CCommandTexts& texts, const FRender& render,
                        const FCsvHeader& csvHeader = {});

}  // namespace ohmrada::cli
