// SPDX-License-Identifier: GPL-3.0-or-later
#include "CalcTool.h"

#include <array>
#include <cstddef>
#include <istream>
#include <optional>
#include <ostream>
#include <string_view>

#include "AnalysisCommands.h"
#include "Arguments.h"
#include "DesignCommand.h"
#include "FormRun.h"
#include "FormWriters.h"
#include "Language.h"
#include "SimulateCommand.h"
#include "TextEscape.h"

#ifndef OHMRADA_VERSION
#error "OHMRADA_VERSION must name the project's version"
#endif

namespace ohmrada::cli {

namespace {

constexpr std::string_view kUsage =
    "Usage: ohmrada-calc [--format table|json|csv] [--set NAME=TEXT]... [--save FILE]\n"
    "                    [--] [FILE|-]...\n"
    "       ohmrada-calc worst-case|limits|sweep|simulate|netlist|design ... (see ohmrada-calc\n"
    "       COMMAND --help)\n";

constexpr std::string_view kHelp =
    "Evaluates Ohmrada configuration files (.odr) without a window, exactly as\n"
    "the form loads and shows them.\n"
    "\n"
    "Each FILE is opened in a freshly started form; '-' reads the configuration\n"
    "from standard input (write ./- for a file named '-'). Without FILE the\n"
    "start-up configuration is shown.\n"
    "\n"
    "Options:\n"
    "  --format FMT     table (default): the form as text, with the messages and\n"
    "                   the number of warning beeps; json: one array with an\n"
    "                   object per input; csv: a header row and one row per input\n"
    "  --set NAME=TEXT  after loading, as on the form (repeatable, in order):\n"
    "                   NennU LeerU NennI DiffU BahnR KondC Ubger Ib Rja Tu\n"
    "                   DeltU ReglR: TEXT is typed into the field, which then\n"
    "                   loses the focus;\n"
    "                   Mitte=0|1: the check box is clicked if it differs;\n"
    "                   GR_Sg=einweg|bruecke|mittelpunkt: that button is clicked\n"
    "                   (mittelpunkt needs the check box set at that point, for\n"
    "                   example by an earlier --set Mitte=1)\n"
    "  --save FILE      save the result through Save As, replacing FILE; only\n"
    "                   with at most one input\n"
    "  --language LANG  the language of the tables and the form's messages, for\n"
    "                   every command: de (German, the default) or en (English);\n"
    "                   JSON keys and CSV headers are the same in every language\n"
    "  --help           show this help\n"
    "  --version        show the version\n"
    "\n"
    "A file that ends before its fourteenth line is evaluated as the form loads\n"
    "it, the missing values read as 0; a notice on standard error and the form's\n"
    "message say how many lines were missing.\n"
    "\n"
    "Exit status: 0 on success; 2 on a usage error, an input that cannot be\n"
    "read or is empty, a --set that cannot be applied, or a failed --save. The\n"
    "other inputs are still evaluated and printed.\n"
    "\n"
    "Commands (each analyses copies of the design the form holds after loading\n"
    "and --set; the form itself is never changed):\n"
    "  worst-case  the design at nominal mains, at low mains with the\n"
    "              capacitor's tolerance, and at high mains\n"
    "  limits      the five searches of the menu \"Suchen\": the largest\n"
    "              regulated current, the highest voltage, the transformer's\n"
    "              and the regulator's limits, the best transformer voltage\n"
    "  sweep       one input over a range, one recalculation cycle per point\n"
    "  simulate    the design in the time domain with ngspice, beside the\n"
    "              form's values\n"
    "  netlist     the design's circuit as a SPICE netlist for ngspice or\n"
    "              LTspice, with the measurements of its steady state\n"
    "  design      transformer, rectifier, capacitor, regulator and heat sink\n"
    "              from the parts catalogues for a required output\n"
    "See ohmrada-calc COMMAND --help for each command's definitions.\n";

struct COptions {
    CCommonOptions common;
    std::optional<std::string> savePath;
    bool version = false;
};

// Reads the arguments of the form command; the problem when they are not
// usable.
CParsed<COptions> ParseArguments(const std::vector<std::string>& args) {
    COptions options;
    const auto own = [&options](const CArgumentReader::CItem& option, CArgumentReader& reader) {
        if (option.text == "--version") {
            options.version = true;
            return COwnOption::Done();
        }
        if (option.text == "--save") {
            return TakeFileName(option, reader, options.savePath);
        }
        return COwnOption::Unknown();
    };
    CParsed<CCommonOptions> common = ParseWithFileOption(args, own, "--save", options.savePath);
    if (!common.value) {
        return {std::nullopt, common.problem};
    }
    options.common = std::move(*common.value);
    return {options, {}};
}

// The form command: every input through a fresh form, then one view of all.
int RunFormCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                   std::ostream& err) {
    const CParsed<COptions> parsed = ParseArguments(args);
    if (!parsed.value) {
        return ReportUsageError({}, kUsage, parsed.problem, err);
    }
    const COptions& options = *parsed.value;
    if (options.common.help) {
        return ShowHelp({kUsage, "\n", kHelp}, out, err);
    }
    if (options.version) {
        return FinishOutput(std::string(kProgram) + ' ' + Version() + '\n', true, out, err);
    }

    int status = 0;
    std::vector<CFormView> views;
    for (const std::optional<std::string>& input : InputsOrStartUp(options.common.inputs)) {
        CFormRun run = RunForm(input, options.common.settings, options.savePath, in);
        err << run.diagnostics;
        if (run.view) {
            views.push_back(std::move(*run.view));
        }
        if (!run.view || run.saveFailed) {
            status = 2;
        }
    }

    return WriteInFormat(
        options.common.format, [&](std::ostream& o) { WriteFormTable(views, o); },
        [&](std::ostream& o) { WriteFormJson(views, o); },
        [&](std::ostream& o) { WriteFormCsv(views, o); }, status, out, err);
}

// The subcommands, each given the arguments after its name.
struct CCommand {
    std::string_view name;
    int (*run)(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
               std::ostream& err);
};

constexpr std::array<CCommand, 6> kCommands = {{
    {"design", RunDesignCommand},
    {"worst-case", RunWorstCaseCommand},
    {"limits", RunLimitsCommand},
    {"sweep", RunSweepCommandWithSimulation},
    {"simulate", RunSimulateCommand},
    {"netlist", RunNetlistCommand},
}};

}  // namespace

std::vector<std::optional<std::string>> InputsOrStartUp(const std::vector<std::string>& inputs) {
    std::vector<std::optional<std::string>> list;
    if (inputs.empty()) {
        list.emplace_back(std::nullopt);
    }
    for (const std::string& input : inputs) {
        list.emplace_back(input);
    }
    return list;
}

const char* Version() {
    return OHMRADA_VERSION;
}

int RunCalc(const std::vector<std::string>& argsGiven, std::istream& in, std::ostream& out,
            std::ostream& err) {
    // The language of the tables and the form's messages, for every command:
    // taken out before the command reads its own options.
    std::vector<std::string> args;
    std::optional<std::string> language;
    for (std::size_t k = 0; k < argsGiven.size(); ++k) {
        const std::string& arg = argsGiven[k];
        if (arg == "--") {
            args.insert(args.end(), argsGiven.begin() + static_cast<std::ptrdiff_t>(k),
                        argsGiven.end());
            break;
        }
        if (arg == "--language" || arg.starts_with("--language=")) {
            if (arg == "--language" && k + 1 == argsGiven.size()) {
                err << kProgram << ": --language needs a value (" << texts::LanguageCodes()
                    << ")\n";
                return 2;
            }
            language = arg == "--language" ? argsGiven[++k] : arg.substr(11);
            continue;
        }
        args.push_back(arg);
    }
    const texts::CLanguageScope scope(language.value_or(std::string(texts::CurrentLanguage())));
    if (!scope.Chosen()) {
        err << kProgram << ": --language: unknown language '" << *language << "' (one of "
            << texts::LanguageCodes() << ")\n";
        return 2;
    }
    if (!args.empty()) {
        for (const CCommand& command : kCommands) {
            if (args[0] == command.name) {
                return command.run(std::vector<std::string>(args.begin() + 1, args.end()), in, out,
                                   err);
            }
        }
    }
    return RunFormCommand(args, in, out, err);
}

}  // namespace ohmrada::cli
