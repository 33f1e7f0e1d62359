// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace ohmrada::cli {

inline constexpr std::string_view kProgram = "ohmrada-calc";
inline constexpr std::string_view kStandardInput = "-";

enum class EFormat { kTable, kJson, kCsv };

// One --set entry, checked when the arguments are read: a text typed into a
// field that then loses the focus, a click on the check box when it differs,
// or a click on a rectifier button.
struct CSetting {
    // kCommand: a menu command of the form (--mains-frequency).
    enum class EKind { kField, kCentreTap, kCircuit, kCommand };
    EKind kind = EKind::kField;
    int id = 0;            // the field, the rectifier button to click, or the command
    bool flag = false;     // Mitte
    std::string text;      // what is typed into the field
    std::string argument;  // NAME=TEXT as given, for diagnostics
};

// A value read from the arguments, or the problem that kept it from being
// read (a sentence naming the argument).
template <class T>
struct CParsed {
    std::optional<T> value;
    std::string problem;
};

CParsed<CSetting> ParseSetting(const std::string& argument);
// --mains-frequency, which every command takes: the design's mains frequency,
// set after the input was opened as the menu entry sets it.
inline constexpr std::string_view kMainsFrequencyOption = "--mains-frequency";
CParsed<CSetting> ParseMainsFrequency(const std::string& text);

// "table", "json" or "csv", as far as the command offers them.
CParsed<EFormat> ParseFormat(const std::string& text, const std::vector<EFormat>& offered);

// Walks the arguments of one command: options ("--name value" or
// "--name=value") and inputs (anything not starting with "-", "-" itself,
// and everything after "--").
class CArgumentReader {
public:
    explicit CArgumentReader(const std::vector<std::string>& args, std::size_t first = 0)
        : m_args(args), m_next(first) {}

    struct CItem {
        bool isInput = false;
        std::string text;                        // the input, or the option's name
        std::optional<std::string> inlineValue;  // "--name=value"
    };

    // The next option or input; nothing when the arguments end.
    std::optional<CItem> Next();
    // The option's value: its inline value, or else the next argument;
    // nothing when the arguments end.
    std::optional<std::string> ValueOf(const CItem& option);

private:
    bool AtEnd() const { return m_next >= m_args.size(); }

    const std::vector<std::string>& m_args;
    std::size_t m_next;
    bool m_onlyInputs = false;
};

// What every command takes: --help (or -h), --format, --set and the inputs.
struct CCommonOptions {
    EFormat format = EFormat::kTable;
    std::vector<CSetting> settings;  // --set, in order
    std::vector<std::string> inputs;
    bool help = false;
};

// What a command's own option handler made of an option: not one of its
// own, taken, taken and the end of reading (--version), or a problem.
struct COwnOption {
    enum class EKind { kUnknown, kTaken, kTakenAndDone, kProblem };
    EKind kind = EKind::kUnknown;
    std::string problem;

    static COwnOption Unknown() { return {}; }
    static COwnOption Taken() { return {EKind::kTaken, {}}; }
    static COwnOption Done() { return {EKind::kTakenAndDone, {}}; }
    static COwnOption Problem(std::string text) { return {EKind::kProblem, std::move(text)}; }
};

// A command's own options: given the option and the reader (ValueOf fetches
// its value).
using FOwnOption =
    std::function<COwnOption(const CArgumentReader::CItem& option, CArgumentReader& reader)>;

// Reads a command's arguments: the shared options here, every other option
// through `own`; the first format offered is the default. --help ends the
// reading. The problem names the argument.
CParsed<CCommonOptions> ParseCommonOptions(const std::vector<std::string>& args,
                                           const std::vector<EFormat>& formats,
                                           const FOwnOption& own);

// The file name an option such as --save takes: its value, not empty and
// not "-", and the option given only once.
CParsed<std::string> ReadFileName(const CArgumentReader::CItem& option, CArgumentReader& reader,
                                  bool alreadyGiven);

// Writes the output with the writer of the format, and gives the exit
// status: 2 when the output could not be written (said on err), else status.
template <class FTable, class FJson, class FCsv>
int WriteInFormat(EFormat format, const FTable& table, const FJson& json, const FCsv& csv,
                  int status, std::ostream& out, std::ostream& err) {
    switch (format) {
        case EFormat::kTable:
            table(out);
            break;
        case EFormat::kJson:
            json(out);
            break;
        case EFormat::kCsv:
            csv(out);
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
