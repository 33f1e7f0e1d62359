// SPDX-License-Identifier: GPL-3.0-or-later
#include "CalcTool.h"

#include <array>
#include <charconv>
#include <cstring>
#include <istream>
#include <memory>
#include <optional>
#include <ostream>
#include <string_view>
#include <system_error>

#include "Configuration.h"
#include "FieldTable.h"
#include "FormText.h"
#include "MainDialog.h"
#include "MemoryPlatform.h"
#include "Rectifier.h"
#include "TextEscape.h"

#ifndef OHMRADA_VERSION
#error "OHMRADA_VERSION must name the project's version"
#endif

namespace ohmrada::cli {

namespace {

constexpr std::string_view kProgram = "ohmrada-calc";
constexpr std::string_view kStandardInput = "-";

constexpr std::string_view kUsage =
    "Usage: ohmrada-calc [--format table|json|csv] [--set NAME=TEXT]... [--save FILE]\n"
    "                    [--] [FILE|-]...\n";

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
    "  --help           show this help\n"
    "  --version        show the version\n"
    "\n"
    "Exit status: 0 on success; 2 on a usage error, an input that cannot be\n"
    "read, a --set that cannot be applied, or a failed --save. The other inputs\n"
    "are still evaluated and printed.\n";

enum class EFormat { kTable, kJson, kCsv };

// One --set entry, checked when the arguments are read.
struct CSetting {
    enum class EKind { kField, kCentreTap, kCircuit };
    EKind kind = EKind::kField;
    int id = 0;            // the field, or the rectifier button to click
    bool flag = false;     // Mitte
    std::string text;      // what is typed into the field
    std::string argument;  // NAME=TEXT as given, for diagnostics
};

struct COptions {
    EFormat format = EFormat::kTable;
    std::vector<CSetting> settings;
    std::optional<std::string> savePath;
    std::vector<std::string> inputs;
    bool help = false;
    bool version = false;
};

// A configuration key without its padding, colon and blank: "Ib   : " is Ib.
std::string_view KeyName(EConfigLine line) {
    std::string_view key = kConfigKeys[static_cast<std::size_t>(line)];
    const std::size_t end = key.find_first_of(" :");
    return key.substr(0, end);
}

struct CCircuitName {
    std::string_view name;
    int buttonId;
};

constexpr std::array<CCircuitName, 3> kCircuitNames = {{
    {CRectifier::kHalfWave, kIdHalfWave},
    {CRectifier::kBridge, kIdBridge},
    {CRectifier::kCentreTap, kIdCentreTapCircuit},
}};

std::string ToText(long long value) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

// The reason of a failed open in English whatever the process locale is
// (strerror follows LC_MESSAGES).
std::string ReasonText(const std::error_code& error) {
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 32))
    if (error.category() == std::generic_category() || error.category() == std::system_category()) {
        if (const char* description = strerrordesc_np(error.value())) {
            return description;
        }
    }
#endif
    return error.message();
}

bool ParseSetting(const std::string& argument, CSetting& setting, std::string& problem) {
    const std::size_t equals = argument.find('=');
    if (equals == std::string::npos) {
        problem = "--set needs NAME=TEXT: " + QuoteForDiagnostic(argument);
        return false;
    }
    const std::string_view name = std::string_view(argument).substr(0, equals);
    const std::string_view text = std::string_view(argument).substr(equals + 1);
    setting.argument = argument;
    if (name == KeyName(kLineMitte)) {
        if (text != "0" && text != "1") {
            problem = "--set Mitte takes 0 or 1, not " + QuoteForDiagnostic(text);
            return false;
        }
        setting.kind = CSetting::EKind::kCentreTap;
        setting.flag = text == "1";
        return true;
    }
    if (name == KeyName(kLineGR_Sg)) {
        for (const CCircuitName& circuit : kCircuitNames) {
            if (text == circuit.name) {
                setting.kind = CSetting::EKind::kCircuit;
                setting.id = circuit.buttonId;
                return true;
            }
        }
        problem =
            "--set GR_Sg takes einweg, bruecke or mittelpunkt, not " + QuoteForDiagnostic(text);
        return false;
    }
    if (const CInputSpec* input = InputOfKey(name)) {
        setting.kind = CSetting::EKind::kField;
        setting.id = input->fieldId;
        setting.text = std::string(text);
        return true;
    }
    problem = "unknown --set name " + QuoteForDiagnostic(name);
    return false;
}

// Reads the arguments; false with the problem when they are not usable.
bool ParseArguments(const std::vector<std::string>& args, COptions& options, std::string& problem) {
    bool onlyInputs = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (onlyInputs || arg == kStandardInput || arg.empty() || arg[0] != '-') {
            options.inputs.push_back(arg);
            continue;
        }
        if (arg == "--") {
            onlyInputs = true;
            continue;
        }
        if (arg == "--help" || arg == "-h") {
            options.help = true;
            return true;
        }
        if (arg == "--version") {
            options.version = true;
            return true;
        }
        // An option with a value: "--name value" or "--name=value".
        std::string name = arg;
        std::optional<std::string> value;
        if (const std::size_t equals = arg.find('='); equals != std::string::npos) {
            name = arg.substr(0, equals);
            value = arg.substr(equals + 1);
        }
        if (name != "--format" && name != "--set" && name != "--save") {
            problem = "unknown option " + QuoteForDiagnostic(arg);
            return false;
        }
        if (!value) {
            if (i + 1 == args.size()) {
                problem = name + " needs a value";
                return false;
            }
            value = args[++i];
        }
        if (name == "--format") {
            if (*value == "table") {
                options.format = EFormat::kTable;
            } else if (*value == "json") {
                options.format = EFormat::kJson;
            } else if (*value == "csv") {
                options.format = EFormat::kCsv;
            } else {
                problem = "--format takes table, json or csv, not " + QuoteForDiagnostic(*value);
                return false;
            }
        } else if (name == "--set") {
            CSetting setting;
            if (!ParseSetting(*value, setting, problem)) {
                return false;
            }
            options.settings.push_back(std::move(setting));
        } else {
            if (options.savePath) {
                problem = "--save given more than once";
                return false;
            }
            if (value->empty() || *value == kStandardInput) {
                problem = "--save needs a file name";
                return false;
            }
            options.savePath = *value;
        }
    }
    if (options.savePath && options.inputs.size() > 1) {
        problem = "--save takes at most one input";
        return false;
    }
    return true;
}

// The in-memory form with the files ohmrada-calc needs: "-" opens the given
// stream as the configuration, and the reason of a file that cannot be opened
// is kept for the diagnostic.
class CCalcPlatform : public CMemoryPlatform {
public:
    explicit CCalcPlatform(std::istream& in) : m_in(in) {}

    std::unique_ptr<CLineSource> OpenForReading(const std::string& path,
                                                std::error_code& error) override {
        m_openError.clear();
        if (path == kStandardInput) {
            error.clear();
            return std::make_unique<CStreamLineSource>(m_in.rdbuf());
        }
        std::unique_ptr<CLineSource> source = CMemoryPlatform::OpenForReading(path, error);
        if (!source) {
            m_openError = error;
        }
        return source;
    }

    std::unique_ptr<CLineSink> OpenForWriting(const std::string& path,
                                              std::error_code& error) override {
        m_openError.clear();
        std::unique_ptr<CLineSink> sink = CMemoryPlatform::OpenForWriting(path, error);
        if (!sink) {
            m_openError = error;
        }
        return sink;
    }

    // The reason the last file open failed; empty after a successful one.
    const std::error_code& OpenError() const { return m_openError; }

private:
    std::istream& m_in;
    std::error_code m_openError;
};

// What the form shows after one input.
struct CResult {
    std::optional<std::string> input;
    std::array<std::string, kFormRows.size()> texts;  // by row; fields only
    bool centreTapChecked = false;
    bool centreTapEnabled = false;
    std::optional<int> rectifierButton;
    std::vector<std::string> messages;
    int beeps = 0;
};

bool StopMessageSince(const CMemoryPlatform& form, std::size_t since) {
    const auto& messages = form.Messages();
    for (std::size_t i = since; i < messages.size(); ++i) {
        if (messages[i].icon == CPlatform::EIcon::kStop) {
            return true;
        }
    }
    return false;
}

std::string DescribeInput(const std::optional<std::string>& input) {
    return input ? QuoteForDiagnostic(*input) : std::string("the start-up configuration");
}

// Runs one input through a fresh form; false, after a diagnostic on err,
// when it could not be evaluated as asked. A failed --save is reported and
// sets saveFailed, but the form was evaluated.
bool Evaluate(const std::optional<std::string>& input, const COptions& options, std::istream& in,
              CResult& result, bool& saveFailed, std::ostream& err) {
    saveFailed = false;
    CCalcPlatform form(in);
    CMainDialog dialog(form);
    form.DoModal(dialog);
    const std::size_t messagesAtStart = form.Messages().size();
    const int beepsAtStart = form.Beeps();

    if (input) {
        form.QueueFileDialogAnswer(*input);
        dialog.OnFileOpen();
        if (StopMessageSince(form, messagesAtStart)) {
            const std::string reason =
                form.OpenError() ? ReasonText(form.OpenError()) : std::string("read error");
            err << kProgram << ": cannot read " << QuoteForDiagnostic(*input) << ": " << reason
                << '\n';
            return false;
        }
    }

    for (const CSetting& setting : options.settings) {
        switch (setting.kind) {
            case CSetting::EKind::kField:
                form.Enter(setting.id, setting.text);
                break;
            case CSetting::EKind::kCentreTap:
                if (form.IsChecked(kIdCentreTap) != setting.flag) {
                    form.ClickCentreTap();
                }
                break;
            case CSetting::EKind::kCircuit:
                if (!form.IsEnabled(setting.id)) {
                    err << kProgram << ": " << DescribeInput(input) << ": --set "
                        << setting.argument
                        << ": the button is disabled while Mitte is 0; set Mitte=1 first\n";
                    return false;
                }
                form.ClickRectifierButton(setting.id);
                break;
        }
    }

    result.input = input;
    for (std::size_t row = 0; row < kFormRows.size(); ++row) {
        if (kFormRows[row].kind == ERowKind::kField) {
            result.texts[row] = form.GetItemText(kFormRows[row].id);
        }
    }
    result.centreTapChecked = form.IsChecked(kIdCentreTap);
    result.centreTapEnabled = form.IsEnabled(kIdCentreTapCircuit);
    result.rectifierButton.reset();
    for (const CCircuitName& circuit : kCircuitNames) {
        if (form.IsChecked(circuit.buttonId)) {
            result.rectifierButton = circuit.buttonId;
        }
    }
    const auto& messages = form.Messages();
    for (std::size_t i = messagesAtStart; i < messages.size(); ++i) {
        result.messages.push_back(messages[i].text);
    }
    result.beeps = form.Beeps() - beepsAtStart;

    if (options.savePath) {
        const std::size_t messagesBeforeSave = form.Messages().size();
        form.QueueFileDialogAnswer(*options.savePath);
        dialog.OnFileSaveAs();
        if (StopMessageSince(form, messagesBeforeSave)) {
            const std::string reason =
                form.OpenError() ? ReasonText(form.OpenError()) : std::string("write error");
            err << kProgram << ": cannot save " << QuoteForDiagnostic(*options.savePath) << ": "
                << reason << '\n';
            saveFailed = true;
        }
    }
    return true;
}

std::string_view BoolText(bool value) {
    return value ? "true" : "false";
}

void Pad(std::string& out, std::size_t width, std::size_t to) {
    if (width < to) {
        out.append(to - width, ' ');
    }
}

std::string InputName(const std::optional<std::string>& input) {
    if (!input) {
        return std::string(kStartUpName);
    }
    if (*input == kStandardInput) {
        return std::string(kStandardInputName);
    }
    return QuoteForDiagnostic(*input);
}

void WriteTable(const std::vector<CResult>& results, std::ostream& out) {
    constexpr std::size_t kLabelWidth = 28;
    constexpr std::size_t kValueWidth = 10;
    std::string text;
    for (std::size_t index = 0; index < results.size(); ++index) {
        const CResult& result = results[index];
        if (index != 0) {
            text.push_back('\n');
        }
        text.append(kInputPrefix).append(InputName(result.input)).push_back('\n');
        std::string_view group;
        for (std::size_t row = 0; row < kFormRows.size(); ++row) {
            const CFormRow& form = kFormRows[row];
            if (form.group != group) {
                group = form.group;
                text.push_back('\n');
                text.append(group).push_back('\n');
            }
            text.append("  ");
            switch (form.kind) {
                case ERowKind::kCheckBox:
                    text.append(result.centreTapChecked ? "[x] " : "[ ] ").append(form.label);
                    break;
                case ERowKind::kRadioButton:
                    text.append(result.rectifierButton == form.id ? "(*) " : "( ) ")
                        .append(form.label);
                    if (form.id == kIdCentreTapCircuit && !result.centreTapEnabled) {
                        text.append(kDisabledMark);
                    }
                    break;
                case ERowKind::kField: {
                    const std::string& value = result.texts[row];
                    text.append(form.label);
                    Pad(text, DisplayWidth(form.label), kLabelWidth);
                    Pad(text, DisplayWidth(value), kValueWidth);
                    text.append(value).push_back(' ');
                    text.append(form.unit);
                    break;
                }
            }
            text.push_back('\n');
        }
        text.push_back('\n');
        for (const std::string& message : result.messages) {
            text.append(kMessagePrefix).append(message).push_back('\n');
        }
        text.append(kBeepsPrefix).append(ToText(result.beeps)).push_back('\n');
    }
    out << text;
}

void WriteJson(const std::vector<CResult>& results, std::ostream& out) {
    std::string text = "[";
    for (std::size_t index = 0; index < results.size(); ++index) {
        const CResult& result = results[index];
        text.append(index == 0 ? "\n" : ",\n");
        text.append("  {\n    \"input\": ");
        text.append(result.input ? JsonString(*result.input) : std::string("null"));
        text.append(",\n    \"fields\": {");
        bool first = true;
        for (std::size_t row = 0; row < kFormRows.size(); ++row) {
            if (kFormRows[row].kind != ERowKind::kField) {
                continue;
            }
            text.append(first ? "\n      " : ",\n      ");
            first = false;
            text.append(JsonString(ToText(kFormRows[row].id)))
                .append(": ")
                .append(JsonString(result.texts[row]));
        }
        text.append("\n    },\n    \"centre_tap_checked\": ")
            .append(BoolText(result.centreTapChecked));
        text.append(",\n    \"centre_tap_button_enabled\": ")
            .append(BoolText(result.centreTapEnabled));
        text.append(",\n    \"rectifier_button\": ")
            .append(result.rectifierButton ? ToText(*result.rectifierButton) : "null");
        text.append(",\n    \"messages\": ")
            .append(ToText(static_cast<long long>(result.messages.size())));
        text.append(",\n    \"beeps\": ").append(ToText(result.beeps));
        text.append("\n  }");
    }
    text.append(results.empty() ? "]\n" : "\n]\n");
    out << text;
}

void WriteCsv(const std::vector<CResult>& results, std::ostream& out) {
    // RFC 4180: CR LF after every record.
    std::string text = "input";
    for (const CFormRow& row : kFormRows) {
        if (row.kind == ERowKind::kField) {
            text.append(",").append(ToText(row.id));
        }
    }
    text.append(
        ",centre_tap_checked,centre_tap_button_enabled,rectifier_button,messages,beeps\r\n");
    for (const CResult& result : results) {
        text.append(result.input ? CsvField(*result.input) : std::string());
        for (std::size_t row = 0; row < kFormRows.size(); ++row) {
            if (kFormRows[row].kind == ERowKind::kField) {
                text.append(",").append(CsvField(result.texts[row]));
            }
        }
        text.append(",").append(BoolText(result.centreTapChecked));
        text.append(",").append(BoolText(result.centreTapEnabled));
        text.append(",").append(result.rectifierButton ? ToText(*result.rectifierButton) : "");
        text.append(",").append(ToText(static_cast<long long>(result.messages.size())));
        text.append(",").append(ToText(result.beeps)).append("\r\n");
    }
    out << text;
}

}  // namespace

const char* Version() {
    return OHMRADA_VERSION;
}

int RunCalc(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
            std::ostream& err) {
    COptions options;
    std::string problem;
    if (!ParseArguments(args, options, problem)) {
        err << kProgram << ": " << problem << '\n' << kUsage << "Try 'ohmrada-calc --help'.\n";
        return 2;
    }
    if (options.help) {
        out << kUsage << '\n' << kHelp;
        return out ? 0 : 2;
    }
    if (options.version) {
        out << kProgram << ' ' << Version() << '\n';
        return out ? 0 : 2;
    }

    std::vector<std::optional<std::string>> inputs;
    if (options.inputs.empty()) {
        inputs.emplace_back(std::nullopt);
    }
    for (const std::string& input : options.inputs) {
        inputs.emplace_back(input);
    }

    int status = 0;
    std::vector<CResult> results;
    for (const std::optional<std::string>& input : inputs) {
        CResult result;
        bool saveFailed = false;
        if (Evaluate(input, options, in, result, saveFailed, err)) {
            results.push_back(std::move(result));
        } else {
            status = 2;
        }
        if (saveFailed) {
            status = 2;
        }
    }

    switch (options.format) {
        case EFormat::kTable:
            WriteTable(results, out);
            break;
        case EFormat::kJson:
            WriteJson(results, out);
            break;
        case EFormat::kCsv:
            WriteCsv(results, out);
            break;
    }
    out.flush();
    if (!out) {
        err << kProgram << ": cannot write the output\n";
        return 2;
    }
    return status;
}

}  // namespace ohmrada::cli
