// SPDX-License-Identifier: GPL-3.0-or-later
#include "SimulateCommand.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <limits>
#include <memory>
#include <optional>
#include <ostream>
#include <sstream>
#include <string_view>

#include "AnalysisArguments.h"
#include "AnalysisCommands.h"
#include "AnalysisTexts.h"
#include "Arguments.h"
#include "CalcTool.h"
#include "Comparison.h"
#include "DesignCircuit.h"
#include "Evaluation.h"
#include "FormRun.h"
#include "FormText.h"
#include "Measurements.h"
#include "SafeFile.h"
#include "Simulator.h"
#include "SteadyState.h"
#include "TextEscape.h"
#include "TextTable.h"
#include "Texts.h"

namespace ohmrada::cli {

namespace {

constexpr std::string_view kUsage =
    "Usage: ohmrada-calc simulate [--solver ngspice|circuit]\n"
    "                             [--leakage-inductance MH] [--waveforms FILE.csv]\n"
    "                             [--set NAME=TEXT]... [--format table|json|csv]\n"
    "                             [--] [FILE|-]...\n";

constexpr std::string_view kHelp =
    "Simulates the design of each input in the time domain with ngspice and sets\n"
    "the results beside the form's. ngspice (libngspice.so.0) runs only in the\n"
    "program's worker process, ohmrada-simulation-worker, in a private folder\n"
    "with a cleaned environment: no ngspice start-up file (.spiceinit) of yours\n"
    "is read. Each simulation has a budget of 10 s; past it the worker is ended\n"
    "and the simulation fails with a message.\n"
    "\n"
    "The circuit holds exactly the form's quantities: a sine at the design's\n"
    "mains frequency of the shown no-load voltage behind the shown internal\n"
    "resistance (two in antiphase for the centre-tap circuit), diodes of\n"
    "threshold DiffU and bulk resistance BahnR, the capacitor KondC and the\n"
    "regulator's load current Ib, which falls to zero with the output below 1 V.\n"
    "An output that falls there has collapsed, whichever solver found it: the\n"
    "table says so under its title, JSON and CSV mark it (collapsed), and the\n"
    "run fails. It is run from the native circuit's periodic state (the\n"
    "capacitor and the inductances) until the output's mean changes by less\n"
    "than 0.01 % a mains period, with a longest step of a quarter of the\n"
    "circuit's time constant where that is short, then once more from an\n"
    "empty capacitor switched on at the\n"
    "phase the native circuit finds worst (the highest diode current; the\n"
    "crest without leakage inductance). Inputs and --set as for the form\n"
    "command.\n"
    "\n"
    "Options:\n"
    "  --solver S       ngspice (default) or circuit: the same circuit's periodic\n"
    "                   steady state solved natively (exactly between diode\n"
    "                   events, Newton on the period map; the load falls to zero\n"
    "                   below 1 V), its switch-on peak at the worst phase of the\n"
    "                   period; the table is titled by the solver, sim_periods\n"
    "                   is null (it runs no periods) and there are no waveforms\n"
    "  --topology, --filter, --load  a symmetric supply, a filter after the\n"
    "                   reservoir, a resistive load, as for worst-case, with\n"
    "                   either solver; the sim_* figures are then the regulator's\n"
    "                   input's (after the filter; a symmetric supply's positive\n"
    "                   rail, and its negative rail's as sim_negative_*)\n"
    "  --leakage-inductance MH  the transformer's leakage inductance per source in\n"
    "                   millihenries (default 0); ngspice puts a critically\n"
    "                   damped 1 nF snubber across the winding, which moves no\n"
    "                   figure by more than a few hundredths of a percent\n"
    "  --waveforms FILE write the last two steady-state periods and the first\n"
    "                   two after switching on as CSV: run (steady_state or\n"
    "                   switch_on), time_s, output_voltage_v, each diode's\n"
    "                   current, each source's current (a symmetric supply:\n"
    "                   negative_output_voltage_v, its negative rail's as a\n"
    "                   magnitude, last); only with at most one input\n"
    "  --set NAME=TEXT  as for the form command\n"
    "  --format FMT     table (default, for people, in German like the form);\n"
    "                   json: an array with an object per input: \"input\",\n"
    "                   \"solver\", \"collapsed\", \"simulation\" (the\n"
    "                   measurements by name), \"comparison\" (per quantity\n"
    "                   \"form\", \"simulated\", \"deviation_pct\"),\n"
    "                   \"winding_load_ratio\"; csv: a header row and a row per\n"
    "                   input, ending in solver and collapsed\n"
    "  --help           show this help\n"
    "\n"
    "Measurements: sim_mean_voltage_v, sim_minimum_voltage_v,\n"
    "sim_maximum_voltage_v, sim_ripple_voltage_v (peak to peak),\n"
    "sim_peak_current_a, sim_mean_current_a, sim_rms_current_a (per diode),\n"
    "sim_winding_rms_current_a (per source, per half for centre-tap),\n"
    "sim_capacitor_rms_current_a, sim_diode_power_w (per diode),\n"
    "sim_peak_reverse_voltage_v, sim_input_power_w (into the rectifier),\n"
    "sim_copper_loss_w (in the internal resistances), sim_periods,\n"
    "sim_switch_on_peak_current_a. A symmetric supply adds its negative rail's\n"
    "own as magnitudes: sim_negative_mean_voltage_v,\n"
    "sim_negative_minimum_voltage_v, sim_negative_maximum_voltage_v,\n"
    "sim_negative_ripple_voltage_v, sim_negative_capacitor_rms_current_a (the\n"
    "diodes', windings' and powers are the whole circuit's, above).\n"
    "winding_load_ratio is the winding's RMS\n"
    "current over NennI; above 1 the transformer's copper runs above its rated\n"
    "loss by the ratio squared.\n"
    "\n"
    "Exit status: 0 on success; 2 on a usage error, an input that cannot be\n"
    "read, a --set that cannot be applied, a failed simulation (ngspice missing,\n"
    "a design that cannot be simulated, no steady state, an ngspice error, a\n"
    "collapsed output, a run past its budget, a worker that broke off) or\n"
    "waveforms that cannot be written. The other inputs are still simulated.\n";

struct COptions {
    CCommonOptions common;
    double leakageInductanceH = 0.0;
    std::optional<std::string> waveformsPath;
    bool circuit = false;                  // --solver circuit
    std::optional<CCircuitChoice> choice;  // --topology, --filter, --load
};

// The circuit's steady state in the simulation's terms. It counts no
// periods (it solves the period map, it does not run into the steady
// state): none is given.
CSimulationResult SolveNatively(const CSimulationRequest& request) {
    CSimulationResult result;
    if (std::string problem = request.Problem(); !problem.empty()) {
        result.error = ESimulationError::kCannotSimulate;
        result.message = std::move(problem);
        return result;
    }
    const CSteadyState state = SolveSteadyState(request.circuit, {.switchOn = true});
    if (!state.Solved()) {
        result.error = state.status == ESteadyStateStatus::kCannotSolve
                           ? ESimulationError::kCannotSimulate
                           : ESimulationError::kNoSteadyState;
        result.message = state.reason;
        return result;
    }
    static_cast<CCircuitMeasurements&>(result.measurements) = state.measurements;
    result.measurements.periods = std::numeric_limits<double>::quiet_NaN();
    for (const CRailResult& rail : state.otherRails) {
        result.measurements.otherRails.push_back(rail.measurements);
    }
    result.MarkIfCollapsed();
    return result;
}

CParsed<COptions> ParseArguments(const std::vector<std::string>& args) {
    COptions options;
    const auto own = [&options](const CArgumentReader::CItem& option, CArgumentReader& reader) {
        if (option.text == "--solver") {
            const std::optional<std::string> solver = reader.ValueOf(option);
            if (!solver || (*solver != "ngspice" && *solver != "circuit")) {
                return COwnOption::Problem("--solver takes ngspice or circuit");
            }
            options.circuit = *solver == "circuit";
            return COwnOption::Taken();
        }
        if (option.text == "--waveforms") {
            return TakeFileName(option, reader, options.waveformsPath);
        }
        if (IsCircuitOption(option.text)) {
            return TakeCircuitOption(option, reader, options.choice);
        }
        return TakeLeakageInductance(option, reader, options.leakageInductanceH);
    };
    CParsed<CCommonOptions> common =
        ParseWithFileOption(args, own, "--waveforms", options.waveformsPath);
    if (!common.value) {
        return {std::nullopt, common.problem};
    }
    options.common = std::move(*common.value);
    if (options.waveformsPath && options.circuit && !options.common.help) {
        return {std::nullopt, "--waveforms needs the ngspice solver"};
    }
    return {options, {}};
}

// One input's simulation beside its form.
struct CSimulated {
    std::optional<std::string> input;
    bool circuit = false;  // solved natively, not by ngspice
    CSimulationRequest request;
    CSimulationResult result;
    CComparison comparison;
};

// A number with a fixed count of decimals and "." as the point, as the form
// shows its fields (no sign on a zero, nor on what rounds to one: no
// "-0.0 %"); room for the largest double.
std::string Fixed(double value, int decimals) {
    if (!std::isfinite(value)) {
        return Tr(texts::kUndefinedValue);
    }
    if (std::fabs(value) < 0.5 * std::pow(10.0, -decimals)) {
        value = 0.0;
    }
    char buffer[512];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    return result.ec == std::errc() ? std::string(buffer, result.ptr) : Tr(texts::kUndefinedValue);
}

namespace ta = texts::analysis;
namespace tc = texts::calc;

static_assert(std::size(tc::kMeasurementLabels) == kMeasurementCount);

// The comparison's rows by the form's result name.
std::string_view ComparisonLabel(std::string_view name) {
    for (const tc::CNamedLabel& entry : tc::kComparisonLabels) {
        if (name == entry.name) {
            return entry.label;  // translated by the caller
        }
    }
    return name;
}

std::string_view UnitOf(std::string_view name) {
    if (name.ends_with("_v"))
        return "V";
    if (name.ends_with("_a"))
        return "A";
    if (name.ends_with("_w"))
        return "W";
    return "";
}

// The measurements that are a rail's own (its regulator input's voltage and
// its reservoir's current), by their rows in kMeasurements; the rest are the
// whole circuit's.
std::vector<std::size_t> RailRows() {
    std::vector<std::size_t> rows;
    for (std::size_t row = 0; row < kMeasurementCount; ++row) {
        const CCircuitMeasurementSpec* own = CircuitMeasurementOfName(kMeasurements[row].name);
        if (own != nullptr && IsRailOwn(own->member)) {
            rows.push_back(row);
        }
    }
    return rows;
}

// A rail measurement's place in a rail's own figures.
double CCircuitMeasurements::*RailMember(const CMeasurementSpec& spec) {
    for (const CCircuitMeasurementSpec& own : kCircuitMeasurements) {
        if (own.name == spec.name) {
            return own.member;
        }
    }
    return &CCircuitMeasurements::meanVoltage;
}

// "sim_mean_voltage_v" of the negative rail: "sim_negative_mean_voltage_v".
std::string NegativeRailName(std::string_view name) {
    constexpr std::string_view kPrefix = "sim_";
    return "sim_negative_" + std::string(name.substr(kPrefix.size()));
}

void WriteTable(const std::vector<CSimulated>& runs, std::ostream& out) {
    std::string text;
    for (std::size_t index = 0; index < runs.size(); ++index) {
        const CSimulated& run = runs[index];
        const CMeasurements& m = run.result.measurements;
        if (index != 0) {
            text.push_back('\n');
        }
        text.append(Tr(kInputPrefix)).append(InputTitle(run.input)).push_back('\n');
        text.append(run.circuit ? Tr(tc::kCircuitTitle) : Tr(tc::kSimulationTitle)).push_back('\n');
        if (run.result.Collapsed()) {
            text.append(
                    FillIn(Tr(ta::kOutputCollapses), {Fixed(std::max(0.0, m.minimumVoltage), 3)}))
                .push_back('\n');
        }
        for (std::size_t row = 0; row < kMeasurementCount; ++row) {
            const CMeasurementSpec& spec = kMeasurements[row];
            const std::string_view label = Tr(tc::kMeasurementLabels[row]);
            if (!std::isfinite(m.*spec.member)) {
                continue;  // the circuit's solver counts no periods
            }
            text.append("  ");
            AppendLeft(text, label, 36);
            const std::string value =
                spec.unit.empty() ? Fixed(m.*spec.member, 0) : Fixed(m.*spec.member, 3);
            AppendRight(text, value, 10, 0);
            if (!spec.unit.empty()) {
                text.append(" ").append(spec.unit);
            }
            text.push_back('\n');
        }
        for (const CCircuitMeasurements& rail : m.otherRails) {
            text.append("  ").append(Tr(tc::kNegativeRail)).push_back('\n');
            for (std::size_t row : RailRows()) {
                const CMeasurementSpec& spec = kMeasurements[row];
                text.append("    ");
                AppendLeft(text, Tr(tc::kMeasurementLabels[row]), 34);
                AppendRight(text, Fixed(rail.*RailMember(spec), 3), 10, 0);
                text.append(" ").append(spec.unit).push_back('\n');
            }
        }
        // Columns as wide as their widest value: an absurd deviation widens
        // its column instead of breaking the table.
        CTextTable comparison({32, 14, 12, 12});
        comparison.Row({Tr(tc::kComparisonTitle), Tr(ta::kComparisonForm),
                        Tr(ta::kComparisonSimulated), Tr(tc::kDeviation)});
        for (const CComparisonRow& row : run.comparison.rows) {
            const std::string unit(UnitOf(row.name));
            // The form's peak reverse voltage is the no-load one: no deviation.
            comparison.Row({"  " + Tr(ComparisonLabel(row.name)), Fixed(row.form, 3) + " " + unit,
                            Fixed(row.simulated, 3) + " " + unit,
                            row.underLoadOnly ? std::string(Tr(texts::analysis::kUnderLoad))
                                              : Fixed(row.deviationPct, 1) + " %"});
        }
        text.append(comparison.Render());
        const CComparison& c = run.comparison;
        text.append(FillIn(Tr(tc::kWindingLoad),
                           {Fixed(m.windingRmsCurrent, 3), Fixed(run.request.ratedCurrentA, 3),
                            Fixed(c.windingLoadRatio, 2)}));
        text.push_back('\n');
        text.append(c.WindingOverloaded()
                        ? FillIn(Tr(tc::kWindingOverloaded), {Fixed(c.CopperLossFactor(), 2)})
                        : std::string(Tr(tc::kWindingWithin)));
        text.push_back('\n');
    }
    out << text;
}

std::string MeasurementsJson(const CMeasurements& m) {
    std::string text = "{";
    for (std::size_t row = 0; row < kMeasurementCount; ++row) {
        text.append(row == 0 ? "\n      " : ",\n      ");
        text.append(JsonString(kMeasurements[row].name))
            .append(": ")
            .append(JsonNumber(m.*kMeasurements[row].member));
    }
    for (const CCircuitMeasurements& rail : m.otherRails) {
        for (std::size_t row : RailRows()) {
            const CMeasurementSpec& spec = kMeasurements[row];
            text.append(",\n      ")
                .append(JsonString(NegativeRailName(spec.name)))
                .append(": ")
                .append(JsonNumber(rail.*RailMember(spec)));
        }
    }
    return text.append("\n    }");
}

void WriteJson(const std::vector<CSimulated>& runs, std::ostream& out) {
    std::string text = "[";
    for (std::size_t index = 0; index < runs.size(); ++index) {
        const CSimulated& run = runs[index];
        text.append(index == 0 ? "\n" : ",\n");
        text.append("  {\n    \"input\": ");
        text.append(JsonStringOrNull(run.input));
        text.append(",\n    \"solver\": ").append(run.circuit ? "\"circuit\"" : "\"ngspice\"");
        text.append(",\n    \"collapsed\": ").append(run.result.Collapsed() ? "true" : "false");
        text.append(",\n    \"simulation\": ").append(MeasurementsJson(run.result.measurements));
        text.append(",\n    \"comparison\": {");
        bool first = true;
        for (const CComparisonRow& row : run.comparison.rows) {
            text.append(first ? "\n      " : ",\n      ");
            first = false;
            text.append(JsonString(row.name))
                .append(": {\"form\": ")
                .append(JsonNumber(row.form))
                .append(", \"simulated\": ")
                .append(JsonNumber(row.simulated))
                .append(", \"deviation_pct\": ")
                .append(JsonNumber(row.deviationPct))
                .append("}");
        }
        text.append("\n    },\n    \"winding_load_ratio\": ")
            .append(JsonNumber(run.comparison.windingLoadRatio));
        text.append("\n  }");
    }
    text.append(runs.empty() ? "]\n" : "\n]\n");
    out << text;
}

void WriteCsv(const std::vector<CSimulated>& runs, std::ostream& out) {
    // RFC 4180: CR LF after every record.
    std::string text = "input";
    for (const CMeasurementSpec& spec : kMeasurements) {
        text.append(",").append(spec.name);
    }
    // A symmetric supply's negative rail: columns only where an input has one.
    const bool negative = std::any_of(runs.begin(), runs.end(), [](const CSimulated& run) {
        return !run.result.measurements.otherRails.empty();
    });
    if (negative) {
        for (std::size_t row : RailRows()) {
            text.append(",").append(NegativeRailName(kMeasurements[row].name));
        }
    }
    const CComparison names =
        CComparison::Make(CEvaluation{}, CMeasurements{}, CSimulationRequest{});
    for (const CComparisonRow& row : names.rows) {
        text.append(",").append(row.name).append("_form");
        text.append(",").append(row.name).append("_simulated");
        text.append(",").append(row.name).append("_deviation_pct");
    }
    text.append(",winding_load_ratio,solver,collapsed\r\n");
    for (const CSimulated& run : runs) {
        text.append(run.input ? CsvField(*run.input) : std::string());
        for (const CMeasurementSpec& spec : kMeasurements) {
            text.append(",").append(ShortestNumber(run.result.measurements.*spec.member));
        }
        if (negative) {
            const auto& rails = run.result.measurements.otherRails;
            for (std::size_t row : RailRows()) {
                text.append(",");
                if (!rails.empty()) {
                    text.append(ShortestNumber(rails.front().*RailMember(kMeasurements[row])));
                }
            }
        }
        for (const CComparisonRow& row : run.comparison.rows) {
            text.append(",").append(ShortestNumber(row.form));
            text.append(",").append(ShortestNumber(row.simulated));
            text.append(",").append(ShortestNumber(row.deviationPct));
        }
        text.append(",").append(ShortestNumber(run.comparison.windingLoadRatio));
        text.append(run.circuit ? ",circuit" : ",ngspice");
        text.append(run.result.Collapsed() ? ",true\r\n" : ",false\r\n");
    }
    out << text;
}

// Writes the last periods and the switch-on into a file prepared with
// CSafeFile; false when that failed (the file that was there is kept).
bool WriteWaveforms(const CSimulationResult& result, CSafeFile& file) {
    std::string text = "run," + result.steadyState.CsvHeader() + '\n';
    const auto rows = [&text](const CWaveforms& waves, std::string_view run) {
        std::ostringstream block;
        waves.WriteCsvRows(block);
        std::istringstream lines(block.str());
        std::string line;
        while (std::getline(lines, line)) {
            text.append(run).append(",").append(line).push_back('\n');
        }
    };
    rows(result.steadyState, "steady_state");
    rows(result.switchOn, "switch_on");
    return file.Write(text) && file.Commit();
}

// Prepares the waveforms file before anything is simulated, so that a target
// that is refused (a link, a FIFO, the input itself, ...) costs no run.
std::unique_ptr<CSafeFile> PrepareWaveforms(const std::string& path,
                                            const std::vector<std::string>& inputs,
                                            std::ostream& err) {
    std::vector<std::filesystem::path> read;
    for (const std::string& input : inputs) {
        // Standard input by what it is open on: a redirected file is an input too.
        read.emplace_back(input == kStandardInput ? std::string("/dev/stdin") : input);
    }
    std::error_code error;
    std::unique_ptr<CSafeFile> file = CSafeFile::Create(path, error, read);
    if (!file) {
        err << kProgram << ": cannot write the waveforms to " << QuoteForDiagnostic(path) << ": "
            << ReasonText(error) << '\n';
    }
    return file;
}

}  // namespace

COwnOption TakeLeakageInductance(const CArgumentReader::CItem& option, CArgumentReader& reader,
                                 double& henries) {
    if (option.text != "--leakage-inductance") {
        return COwnOption::Unknown();
    }
    const std::optional<std::string> value = reader.ValueOf(option);
    if (!value) {
        return COwnOption::Problem(option.text + " needs a value");
    }
    const std::optional<double> millihenries = ParseFiniteNumber(*value);
    if (!millihenries || *millihenries < 0.0) {
        return COwnOption::Problem(
            "--leakage-inductance needs millihenries, a number of 0 or more, not " +
            QuoteForDiagnostic(*value));
    }
    henries = *millihenries * 1e-3;
    return COwnOption::Taken();
}

int RunSimulateCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                       std::ostream& err) {
    const CParsed<COptions> parsed = ParseArguments(args);
    if (!parsed.value) {
        return ReportUsageError("simulate", kUsage, parsed.problem, err);
    }
    const COptions& options = *parsed.value;
    if (options.common.help) {
        return ShowHelp({kUsage, "\n", kHelp}, out, err);
    }

    std::unique_ptr<CSafeFile> waveforms;
    if (options.waveformsPath) {
        waveforms = PrepareWaveforms(*options.waveformsPath, options.common.inputs, err);
        if (!waveforms) {
            return 2;
        }
    }
    int status = 0;
    std::vector<CSimulated> runs;
    for (const std::optional<std::string>& input : InputsOrStartUp(options.common.inputs)) {
        CFormRun form = RunForm(input, options.common.settings, std::nullopt, in);
        err << form.diagnostics;
        if (!form.view) {
            status = 2;
            continue;
        }
        CSimulated run;
        run.input = input;
        run.circuit = options.circuit;
        // The options' circuit in place of the file's, for either solver.
        CDesign design = form.view->design;
        if (options.choice) {
            design.circuitChoice = *options.choice;
        }
        run.request = CSimulationRequest::FromDesign(design, options.leakageInductanceH);
        run.result = options.circuit ? SolveNatively(run.request) : Simulate(run.request);
        if (!run.result.Ok()) {
            // A collapsed output is measured and shown as what it is, and
            // fails the run all the same.
            err << kProgram << ": " << DescribeInput(input) << ": " << run.result.message << '\n';
            status = 2;
            if (!run.result.Collapsed()) {
                continue;
            }
        }
        run.comparison =
            CComparison::Make(Evaluate(form.view->design), run.result.measurements, run.request);
        if (waveforms && !WriteWaveforms(run.result, *waveforms)) {
            err << kProgram << ": cannot write the waveforms to "
                << QuoteForDiagnostic(*options.waveformsPath) << ": "
                << ReasonText(waveforms->Error()) << '\n';
            status = 2;
        }
        runs.push_back(std::move(run));
    }

    return WriteInFormat(
        options.common.format, [&](std::ostream& o) { WriteTable(runs, o); },
        [&](std::ostream& o) { WriteJson(runs, o); }, [&](std::ostream& o) { WriteCsv(runs, o); },
        status, out, err);
}

namespace {

constexpr std::string_view kSimulateFlag = "--simulate";

// A point takes some tens of milliseconds to simulate: ten thousand are
// several minutes, more is no sweep anyone waits for.
constexpr std::size_t kMaxSimulatedPoints = 10000;

// When a progress line is due: every 1 % of the points or after a second
// without one, whichever comes first, and at the end.
struct CProgress {
    explicit CProgress(std::size_t count)
        : total(count), every(count >= 100 ? count / 100 : 1), last(Clock::now()) {}
    bool Due(std::size_t done) {
        const Clock::time_point now = Clock::now();
        if (done % every == 0 || done == total || now - last >= std::chrono::seconds(1)) {
            last = now;
            return true;
        }
        return false;
    }
    using Clock = std::chrono::steady_clock;
    std::size_t total;
    std::size_t every;
    Clock::time_point last;
};

// The measurements as further sweep columns, one simulation per point.
CSweepExtension SimulationSweepExtension(std::ostream& err, bool& failed) {
    CSweepExtension extension;
    extension.flags = {std::string(kSimulateFlag)};
    extension.help =
        "\n"
        "  --simulate  also simulate every point in the time domain with ngspice and\n"
        "              add its measurements (sim_mean_voltage_v, ...; a symmetric\n"
        "              supply's negative rail as sim_negative_mean_voltage_v, ...)\n"
        "              as further columns; progress is reported on standard\n"
        "              error, and a point whose simulation fails has empty\n"
        "              values (null in JSON), is reported, and makes the exit\n"
        "              status 2. Each point is written as soon as it is\n"
        "              simulated; COUNT is at most 10000\n";
    extension.limit = [](const CAnalysisOptions& options) {
        return options.flags.count(kSimulateFlag) != 0
                   ? CSweepLimit{kMaxSimulatedPoints, std::string(kSimulateFlag)}
                   : CSweepLimit{};
    };
    extension.columns = [&err, &failed](const CAnalysisOptions& options, std::size_t pointCount,
                                        bool dual) {
        CSweepColumns columns;
        if (options.flags.count(kSimulateFlag) == 0) {
            return columns;
        }
        for (const CMeasurementSpec& spec : kMeasurements) {
            columns.names.emplace_back(spec.name);
        }
        // A symmetric supply's negative rail, as simulate names it.
        if (dual) {
            for (std::size_t row : RailRows()) {
                columns.names.push_back(NegativeRailName(kMeasurements[row].name));
            }
        }
        columns.streaming = true;
        auto progress = std::make_shared<CProgress>(pointCount);
        // The same leakage inductance as the circuit's columns.
        const double leakageH = options.settings.leakageInductanceH;
        columns.measure = [&err, &failed, progress, leakageH, dual](const CSweepPoint& point) {
            const CSimulationResult result = SimulateDesign(point.design, leakageH);
            const std::size_t done = point.index + 1;
            if (!result.Ok()) {
                failed = true;
                err << kProgram << ": sweep --simulate: point " << done << ": " << result.message
                    << '\n';
            }
            if (progress->Due(done)) {
                err << kProgram << ": sweep --simulate: " << done << " of " << progress->total
                    << " points simulated" << std::endl;
            }
            const double none = std::numeric_limits<double>::quiet_NaN();
            std::vector<double> values;
            for (const CMeasurementSpec& spec : kMeasurements) {
                values.push_back(result.Ok() ? result.measurements.*spec.member : none);
            }
            if (dual) {
                const auto& rails = result.measurements.otherRails;
                const bool negative = result.Ok() && !rails.empty();
                for (std::size_t row : RailRows()) {
                    values.push_back(negative ? rails.front().*RailMember(kMeasurements[row])
                                              : none);
                }
            }
            return values;
        };
        return columns;
    };
    return extension;
}

}  // namespace

int RunSweepCommandWithSimulation(const std::vector<std::string>& args, std::istream& in,
                                  std::ostream& out, std::ostream& err) {
    bool failed = false;
    const int status = RunSweepCommand(args, in, out, err, SimulationSweepExtension(err, failed));
    return status == 0 && failed ? 2 : status;
}

}  // namespace ohmrada::cli
