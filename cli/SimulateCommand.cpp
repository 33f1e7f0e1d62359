// SPDX-License-Identifier: GPL-3.0-or-later
#include "SimulateCommand.h"

#include <charconv>
#include <cmath>
#include <fstream>
#include <limits>
#include <optional>
#include <ostream>
#include <string_view>

#include "AnalysisCommands.h"
#include "Arguments.h"
#include "CalcTool.h"
#include "Comparison.h"
#include "Evaluation.h"
#include "FormRun.h"
#include "FormText.h"
#include "Measurements.h"
#include "Simulator.h"
#include "TextEscape.h"

namespace ohmrada::cli {

namespace {

constexpr std::string_view kUsage =
    "Usage: ohmrada-calc simulate [--leakage-inductance MH] [--waveforms FILE.csv]\n"
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
    "The circuit holds exactly the form's quantities: a 50 Hz sine of the shown\n"
    "no-load voltage behind the shown internal resistance (two in antiphase for\n"
    "the centre-tap circuit), diodes of threshold DiffU and bulk resistance BahnR,\n"
    "the capacitor KondC and the regulator's load current Ib, which falls to\n"
    "zero with the output below 1 V (an output that falls there has collapsed:\n"
    "a failure). It is run from a\n"
    "precharged capacitor until the output's mean changes by less than 0.01 % a\n"
    "mains period, then once more from an empty capacitor switched on at the\n"
    "mains crest. Inputs and --set as for the form command.\n"
    "\n"
    "Options:\n"
    "  --leakage-inductance MH  the transformer's leakage inductance per source in\n"
    "                   millihenries (default 0); a series RC across the winding\n"
    "                   damps its ringing\n"
    "  --waveforms FILE write the last two steady-state periods and the first\n"
    "                   two after switching on as CSV: run (steady_state or\n"
    "                   switch_on), time_s, output_voltage_v, each diode's\n"
    "                   current, each source's current; only with at most one\n"
    "                   input\n"
    "  --set NAME=TEXT  as for the form command\n"
    "  --format FMT     table (default, for people, in German like the form);\n"
    "                   json: an array with an object per input: \"input\",\n"
    "                   \"simulation\" (the measurements by name), \"comparison\"\n"
    "                   (per quantity \"form\", \"simulated\", \"deviation_pct\"),\n"
    "                   \"winding_load_ratio\"; csv: a header row and a row per\n"
    "                   input\n"
    "  --help           show this help\n"
    "\n"
    "Measurements: sim_mean_voltage_v, sim_minimum_voltage_v,\n"
    "sim_maximum_voltage_v, sim_ripple_voltage_v (peak to peak),\n"
    "sim_peak_current_a, sim_mean_current_a, sim_rms_current_a (per diode),\n"
    "sim_winding_rms_current_a (per source, per half for centre-tap),\n"
    "sim_capacitor_rms_current_a, sim_diode_power_w (per diode),\n"
    "sim_peak_reverse_voltage_v, sim_input_power_w (into the rectifier),\n"
    "sim_copper_loss_w (in the internal resistances), sim_periods,\n"
    "sim_switch_on_peak_current_a. winding_load_ratio is the winding's RMS\n"
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
};

CParsed<COptions> ParseArguments(const std::vector<std::string>& args) {
    COptions options;
    const auto own = [&options](const CArgumentReader::CItem& option, CArgumentReader& reader) {
        const std::string& name = option.text;
        if (name != "--leakage-inductance" && name != "--waveforms") {
            return COwnOption::Unknown();
        }
        if (name == "--waveforms") {
            const CParsed<std::string> path =
                ReadFileName(option, reader, options.waveformsPath.has_value());
            if (!path.value) {
                return COwnOption::Problem(path.problem);
            }
            options.waveformsPath = *path.value;
            return COwnOption::Taken();
        }
        const std::optional<std::string> value = reader.ValueOf(option);
        if (!value) {
            return COwnOption::Problem(name + " needs a value");
        }
        double millihenries = 0.0;
        const char* end = value->data() + value->size();
        const auto parsed = std::from_chars(value->data(), end, millihenries);
        if (parsed.ec != std::errc() || parsed.ptr != end || !std::isfinite(millihenries) ||
            millihenries < 0.0) {
            return COwnOption::Problem(
                "--leakage-inductance needs millihenries, a number of 0 or more, not " +
                QuoteForDiagnostic(*value));
        }
        options.leakageInductanceH = millihenries * 1e-3;
        return COwnOption::Taken();
    };
    CParsed<CCommonOptions> common =
        ParseCommonOptions(args, {EFormat::kTable, EFormat::kJson, EFormat::kCsv}, own);
    if (!common.value) {
        return {std::nullopt, common.problem};
    }
    options.common = std::move(*common.value);
    if (options.waveformsPath && options.common.inputs.size() > 1 && !options.common.help) {
        return {std::nullopt, "--waveforms takes at most one input"};
    }
    return {options, {}};
}

// One input's simulation beside its form.
struct CSimulated {
    std::optional<std::string> input;
    CSimulationRequest request;
    CSimulationResult result;
    CComparison comparison;
};

// A number with a fixed count of decimals and "." as the point.
std::string Fixed(double value, int decimals) {
    if (!std::isfinite(value)) {
        return "n. def.";
    }
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    return std::string(buffer, result.ptr);
}

// The German labels of the table, in the order of kMeasurements.
constexpr std::array<std::string_view, kMeasurementCount> kMeasurementLabels = {
    "Ladespannung Mittelwert",       "Ladespannung Minimum",
    "Ladespannung Maximum",          "Brummspannung (Spitze-Spitze)",
    "Spitzenstrom je Diode",         "Mittelwert Strom je Diode",
    "Effektivstrom je Diode",        "Effektivstrom je Wicklung(shälfte)",
    "Effektivstrom Ladekondensator", "Verlustleistung je Diode",
    "Sperrspannung je Diode",        "Leistung in den Gleichrichter",
    "Kupferverluste im Trafo",       "Perioden bis eingeschwungen",
    "Einschaltstromspitze je Diode",
};

// The comparison's rows by the form's result name.
std::string_view ComparisonLabel(std::string_view name) {
    if (name == "loaded_voltage_v")
        return "Ladespannung (Mittelwert)";
    if (name == "minimum_voltage_v")
        return "Spannungsminimum";
    if (name == "ripple_voltage_v")
        return "Brummspannung";
    if (name == "peak_current_a")
        return "Spitzenstrom Diode";
    if (name == "mean_current_a")
        return "Mittelwert Strom Diode";
    if (name == "diode_power_w")
        return "Verlustleistung Dioden";
    if (name == "peak_reverse_voltage_v")
        return "Sperrspannung Diode";
    if (name == "input_power_w")
        return "aufgenommene Leistung";
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

void Pad(std::string& text, std::size_t width, std::size_t to) {
    if (width < to) {
        text.append(to - width, ' ');
    }
}

void WriteTable(const std::vector<CSimulated>& runs, std::ostream& out) {
    std::string text;
    for (std::size_t index = 0; index < runs.size(); ++index) {
        const CSimulated& run = runs[index];
        const CMeasurements& m = run.result.measurements;
        if (index != 0) {
            text.push_back('\n');
        }
        text.append(kInputPrefix).append(InputTitle(run.input)).push_back('\n');
        text.append("Simulation (ngspice)\n");
        for (std::size_t row = 0; row < kMeasurementCount; ++row) {
            const CMeasurementSpec& spec = kMeasurements[row];
            const std::string_view label = kMeasurementLabels[row];
            text.append("  ").append(label);
            Pad(text, DisplayWidth(label), 36);
            const std::string value =
                spec.unit.empty() ? Fixed(m.*spec.member, 0) : Fixed(m.*spec.member, 3);
            Pad(text, value.size(), 10);
            text.append(value);
            if (!spec.unit.empty()) {
                text.append(" ").append(spec.unit);
            }
            text.push_back('\n');
        }
        text.append("Vergleich mit dem Formular");
        Pad(text, 26, 38);
        text.append("Formular  Simulation  Abweichung\n");
        for (const CComparisonRow& row : run.comparison.rows) {
            const std::string_view label = ComparisonLabel(row.name);
            const std::string_view unit = UnitOf(row.name);
            text.append("  ").append(label);
            Pad(text, DisplayWidth(label), 30);
            const std::string form = Fixed(row.form, 3).append(" ").append(unit);
            Pad(text, form.size(), 14);
            text.append(form);
            const std::string simulated = Fixed(row.simulated, 3).append(" ").append(unit);
            Pad(text, simulated.size(), 12);
            text.append(simulated);
            // The form's peak reverse voltage is the no-load one: no deviation.
            const std::string deviation =
                row.underLoadOnly ? std::string("unter Last") : Fixed(row.deviationPct, 1) + " %";
            Pad(text, deviation.size(), 12);
            text.append(deviation).push_back('\n');
        }
        const CComparison& c = run.comparison;
        text.append("Wicklungsbelastung: Effektivstrom ")
            .append(Fixed(m.windingRmsCurrent, 3))
            .append(" A / Nennstrom ")
            .append(Fixed(run.request.ratedCurrentA, 3))
            .append(" A = ")
            .append(Fixed(c.windingLoadRatio, 2))
            .push_back('\n');
        if (c.WindingOverloaded()) {
            text.append(
                    "  \xC3\xBC"
                    "berlastet: die Kupferverluste des Trafos betragen das ")
                .append(Fixed(c.CopperLossFactor(), 2))
                .append("-fache der Nennverluste\n");
        } else {
            text.append("  innerhalb des Nennstroms\n");
        }
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
    return text.append("\n    }");
}

void WriteJson(const std::vector<CSimulated>& runs, std::ostream& out) {
    std::string text = "[";
    for (std::size_t index = 0; index < runs.size(); ++index) {
        const CSimulated& run = runs[index];
        text.append(index == 0 ? "\n" : ",\n");
        text.append("  {\n    \"input\": ");
        text.append(run.input ? JsonString(*run.input) : std::string("null"));
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
    const CComparison names =
        CComparison::Make(CEvaluation{}, CMeasurements{}, CSimulationRequest{});
    for (const CComparisonRow& row : names.rows) {
        text.append(",").append(row.name).append("_form");
        text.append(",").append(row.name).append("_simulated");
        text.append(",").append(row.name).append("_deviation_pct");
    }
    text.append(",winding_load_ratio\r\n");
    for (const CSimulated& run : runs) {
        text.append(run.input ? CsvField(*run.input) : std::string());
        for (const CMeasurementSpec& spec : kMeasurements) {
            text.append(",").append(ShortestNumber(run.result.measurements.*spec.member));
        }
        for (const CComparisonRow& row : run.comparison.rows) {
            text.append(",").append(ShortestNumber(row.form));
            text.append(",").append(ShortestNumber(row.simulated));
            text.append(",").append(ShortestNumber(row.deviationPct));
        }
        text.append(",").append(ShortestNumber(run.comparison.windingLoadRatio)).append("\r\n");
    }
    out << text;
}

bool WriteWaveforms(const CSimulationResult& result, const std::string& path) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << "run," << result.steadyState.CsvHeader() << '\n';
    const auto rows = [&file](const CWaveforms& waves, std::string_view run) {
        std::ostringstream block;
        waves.WriteCsvRows(block);
        std::istringstream lines(block.str());
        std::string line;
        while (std::getline(lines, line)) {
            file << run << ',' << line << '\n';
        }
    };
    rows(result.steadyState, "steady_state");
    rows(result.switchOn, "switch_on");
    file.close();
    return static_cast<bool>(file);
}

}  // namespace

int RunSimulateCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                       std::ostream& err) {
    const CParsed<COptions> parsed = ParseArguments(args);
    if (!parsed.value) {
        err << kProgram << " simulate: " << parsed.problem << '\n'
            << kUsage << "Try 'ohmrada-calc simulate --help'.\n";
        return 2;
    }
    const COptions& options = *parsed.value;
    if (options.common.help) {
        out << kUsage << '\n' << kHelp;
        return out ? 0 : 2;
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
        run.request = CSimulationRequest::FromDesign(form.view->design, options.leakageInductanceH);
        run.result = Simulate(run.request);
        if (!run.result.Ok()) {
            err << kProgram << ": " << DescribeInput(input) << ": " << run.result.message << '\n';
            status = 2;
            continue;
        }
        run.comparison =
            CComparison::Make(Evaluate(form.view->design), run.result.measurements, run.request);
        if (options.waveformsPath && !WriteWaveforms(run.result, *options.waveformsPath)) {
            err << kProgram << ": cannot write the waveforms to "
                << QuoteForDiagnostic(*options.waveformsPath) << '\n';
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

// The measurements as further sweep columns, one simulation per point.
CSweepExtension SimulationSweepExtension(std::ostream& err, bool& failed) {
    CSweepExtension extension;
    extension.flags = {std::string(kSimulateFlag)};
    extension.help =
        "\n"
        "  --simulate  also simulate every point in the time domain with ngspice and\n"
        "              add its measurements (sim_mean_voltage_v, ...) as further\n"
        "              columns; progress is reported on standard error, and a\n"
        "              point whose simulation fails has empty values (null in\n"
        "              JSON), is reported, and makes the exit status 2\n";
    extension.columns = [&err, &failed](const CAnalysisOptions& options, std::size_t pointCount) {
        CSweepColumns columns;
        if (options.flags.count(kSimulateFlag) == 0) {
            return columns;
        }
        for (const CMeasurementSpec& spec : kMeasurements) {
            columns.names.emplace_back(spec.name);
        }
        columns.measure = [&err, &failed, pointCount](const CSweepPoint& point) {
            const CSimulationResult result = SimulateDesign(point.design);
            const std::size_t done = point.index + 1;
            if (!result.Ok()) {
                failed = true;
                err << kProgram << ": sweep --simulate: point " << done << ": " << result.message
                    << '\n';
            }
            // About ten progress lines, and one at the end.
            const std::size_t every = pointCount >= 10 ? pointCount / 10 : 1;
            if (done % every == 0 || done == pointCount) {
                err << kProgram << ": sweep --simulate: " << done << " of " << pointCount
                    << " points simulated\n";
            }
            std::vector<double> values;
            for (const CMeasurementSpec& spec : kMeasurements) {
                values.push_back(result.Ok() ? result.measurements.*spec.member
                                             : std::numeric_limits<double>::quiet_NaN());
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
