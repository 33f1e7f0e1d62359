// SPDX-License-Identifier: GPL-3.0-or-later
#include <filesystem>
#include <memory>
#include <optional>
#include <ostream>
#include <string_view>

#include "AnalysisArguments.h"
#include "Arguments.h"
#include "CalcTool.h"
#include "FormRun.h"
#include "NetlistExport.h"
#include "SafeFile.h"
#include "SimulateCommand.h"
#include "SimulationRequest.h"
#include "TextEscape.h"

namespace ohmrada::cli {

namespace {

constexpr std::string_view kUsage =
    "Usage: ohmrada-calc netlist [--leakage-inductance MH] [--output FILE]\n"
    "                            [--topology T] [--filter F] [--load L]\n"
    "                            [--set NAME=TEXT]... [--] [FILE|-]\n";

constexpr std::string_view kHelp =
    "Writes the design of the input (without one, the start-up design) as a\n"
    "SPICE netlist for a simulator of your own: the same circuit the program's\n"
    "simulation runs, written by the same code, of standard elements only, so\n"
    "that ngspice (ngspice -b FILE) and LTspice both read it without a control\n"
    "block. Its comment lines say what the circuit is: the sources (two in\n"
    "antiphase for the centre-tap circuit) of the shown no-load voltage behind\n"
    "the shown internal resistance, each diode as the form's threshold DiffU\n"
    "(a DC source) in series with a near-ideal junction whose series\n"
    "resistance is BahnR, the capacitor KondC at node out and the regulator's\n"
    "load current Ib as a constant current source (the program's own\n"
    "simulation lets it fall to zero below 1 V, which a working design never\n"
    "reaches). A symmetric supply, a filter after the reservoir and a resistive\n"
    "load (the design file's lines, or the options below) are written as they\n"
    "are, from the same list of elements the program's own solver solves, each\n"
    "element under its name there (VS1, D1, C1, LF1, IL1, ...).\n"
    "\n"
    "The transient run starts from the circuit's periodic steady state and\n"
    "runs as many mains periods as it would take to settle from any start\n"
    "(at least 5, at most 100); its .meas lines give, over the last period:\n"
    "  mean_v         the regulator's input voltage, mean\n"
    "  min_v          the regulator's input voltage, minimum\n"
    "  peak_diode_a   the peak current of diode D1 (the diodes carry alike)\n"
    "  winding_rms_a  the RMS current of source VS1 (a winding, or half of a\n"
    "                 centre-tapped one)\n"
    "and of a symmetric supply's negative rail (below zero):\n"
    "  mean_neg_v     its regulator's input voltage, mean\n"
    "  max_neg_v      its regulator's input voltage, maximum (least magnitude)\n"
    "\n"
    "Options:\n"
    "  --leakage-inductance MH  the transformer's leakage inductance per source\n"
    "                   in millihenries (default 0), with the critically damped\n"
    "                   1 nF snubber of the program's simulation across it\n"
    "  --output FILE    write the netlist to FILE instead of standard output,\n"
    "                   replacing it only once all is written; never onto the\n"
    "                   input, a symbolic link, a folder or a device\n"
    "  --topology, --filter, --load  a symmetric supply, a filter after the\n"
    "                   reservoir, a resistive load, as for worst-case, in place\n"
    "                   of the design file's lines\n"
    "  --set NAME=TEXT  as for the form command\n"
    "  --help           show this help\n"
    "\n"
    "Exit status: 0 on success; 2 on a usage error, an input that cannot be\n"
    "read, a --set that cannot be applied, a design that cannot be simulated\n"
    "or an output that cannot be written.\n";

struct COptions {
    CCommonOptions common;
    double leakageInductanceH = 0.0;
    std::optional<std::string> outputPath;
    std::optional<CCircuitChoice> choice;  // --topology, --filter, --load
};

CParsed<COptions> ParseArguments(const std::vector<std::string>& args) {
    COptions options;
    const auto own = [&options](const CArgumentReader::CItem& option, CArgumentReader& reader) {
        if (option.text == "--output") {
            return TakeFileName(option, reader, options.outputPath);
        }
        if (IsCircuitOption(option.text)) {
            return TakeCircuitOption(option, reader, options.choice);
        }
        return TakeLeakageInductance(option, reader, options.leakageInductanceH);
    };
    CParsed<CCommonOptions> common = ParseCommonOptions(args, {EFormat::kTable}, own);
    if (!common.value) {
        return {std::nullopt, common.problem};
    }
    options.common = std::move(*common.value);
    if (options.common.inputs.size() > 1 && !options.common.help) {
        return {std::nullopt, "netlist takes at most one input"};
    }
    return {options, {}};
}

}  // namespace

int RunNetlistCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                      std::ostream& err) {
    const CParsed<COptions> parsed = ParseArguments(args);
    if (!parsed.value) {
        return ReportUsageError("netlist", kUsage, parsed.problem, err);
    }
    const COptions& options = *parsed.value;
    if (options.common.help) {
        return ShowHelp({kUsage, "\n", kHelp}, out, err);
    }

    // The target is checked before anything else, so that a refused one (a
    // link, a FIFO, the input itself) is reported at once.
    std::unique_ptr<CSafeFile> file;
    if (options.outputPath) {
        std::vector<std::filesystem::path> read;
        for (const std::string& input : options.common.inputs) {
            read.emplace_back(input == kStandardInput ? std::string("/dev/stdin") : input);
        }
        std::error_code error;
        file = CSafeFile::Create(*options.outputPath, error, read);
        if (!file) {
            err << kProgram << ": cannot write the netlist to "
                << QuoteForDiagnostic(*options.outputPath) << ": " << ReasonText(error) << '\n';
            return 2;
        }
    }

    const std::optional<std::string> input =
        options.common.inputs.empty() ? std::nullopt
                                      : std::optional<std::string>(options.common.inputs.front());
    const CLoadedDesign loaded = LoadDesign(input, options.common.settings, in);
    err << loaded.diagnostics;
    if (!loaded.design) {
        return 2;
    }
    CDesign design = *loaded.design;
    if (options.choice) {
        design.circuitChoice = *options.choice;
    }
    const CNetlistExport netlist =
        ExportNetlist(CSimulationRequest::FromDesign(design, options.leakageInductanceH));
    if (!netlist.problem.empty()) {
        err << kProgram << ": " << DescribeInput(input) << ": " << netlist.problem << '\n';
        return 2;
    }
    if (!file) {
        return FinishOutput(netlist.text, true, out, err);
    }
    if (!file->Write(netlist.text) || !file->Commit()) {
        err << kProgram << ": cannot write the netlist to "
            << QuoteForDiagnostic(*options.outputPath) << ": " << ReasonText(file->Error()) << '\n';
        return 2;
    }
    return 0;
}

}  // namespace ohmrada::cli
