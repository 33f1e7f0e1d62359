// SPDX-License-Identifier: GPL-3.0-or-later
#include "AnalysisArguments.h"

#include <charconv>
#include <cmath>
#include <ostream>
#include <string_view>

#include "CalcTool.h"
#include "CircuitText.h"
#include "FormRun.h"
#include "FormText.h"
#include "InputTable.h"
#include "MainsRegions.h"
#include "TextEscape.h"

namespace ohmrada::cli {

namespace {

constexpr std::string_view kMainsTolerance = "--mains-tolerance";
constexpr std::string_view kCapacitorTolerance = "--capacitor-tolerance";
constexpr std::string_view kJunctionLimit = "--tj-max";
constexpr std::string_view kLeakageInductance = "--leakage-inductance";
constexpr std::string_view kRegion = "--region";
constexpr std::string_view kTopology = "--topology";
constexpr std::string_view kFilter = "--filter";
constexpr std::string_view kLoad = "--load";

std::optional<long long> ParseWholeNumber(std::string_view text) {
    long long value = 0;
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value);
    if (result.ec != std::errc() || result.ptr != end) {
        return std::nullopt;
    }
    return value;
}

CParsed<double> ParseTolerance(std::string_view name, const std::string& text) {
    const std::optional<double> value = ParseFiniteNumber(text);
    if (!value || !IsValidTolerance(*value)) {
        return {std::nullopt, std::string(name) + " takes a percentage from 0 to 50, not " +
                                  QuoteForDiagnostic(text)};
    }
    return {value, {}};
}

CParsed<double> ParseJunctionLimit(const std::string& text) {
    const std::optional<double> value = ParseFiniteNumber(text);
    if (!value) {
        return {std::nullopt, std::string(kJunctionLimit) +
                                  " takes a temperature in degrees Celsius, not " +
                                  QuoteForDiagnostic(text)};
    }
    return {value, {}};
}

// PCT for the same tolerance below and above the nominal mains, LOW:HIGH for
// two: the band below and above, in percent.
CParsed<std::pair<double, double>> ParseMainsTolerance(std::string_view name,
                                                       const std::string& text) {
    const std::size_t colon = text.find(':');
    if (colon == std::string::npos) {
        const CParsed<double> both = ParseTolerance(name, text);
        if (!both.value) {
            return {std::nullopt, both.problem};
        }
        return {std::pair{*both.value, *both.value}, {}};
    }
    const CParsed<double> low = ParseTolerance(name, text.substr(0, colon));
    const CParsed<double> high = ParseTolerance(name, text.substr(colon + 1));
    if (!low.value || !high.value) {
        return {std::nullopt, std::string(name) +
                                  " takes PCT or LOW:HIGH, percentages from 0 to 50, not " +
                                  QuoteForDiagnostic(text)};
    }
    return {std::pair{*low.value, *high.value}, {}};
}

// The design's circuit as one line of a table ("symmetrisch ±, RC-Filter 2 Ω,
// 1000 µF"); empty for the plain circuit.
std::string CircuitChoiceText(const CCircuitChoice& choice) {
    std::vector<std::string> parts;
    if (choice.topology == ETopology::kDual) {
        parts.emplace_back(Tr(texts::calc::kCircuitDual));
    }
    std::vector<std::string> values;
    for (double value : FilterValues(choice)) {
        values.push_back(ShortestNumber(value));
    }
    switch (choice.filter) {
        case EFilter::kRc:
            parts.push_back(FillIn(Tr(texts::calc::kCircuitRc), {values[0], values[1]}));
            break;
        case EFilter::kLc:
            parts.push_back(FillIn(Tr(texts::calc::kCircuitLc), {values[0], values[1], values[2]}));
            break;
        case EFilter::kChoke:
            parts.push_back(FillIn(Tr(texts::calc::kCircuitChoke), {values[0], values[1]}));
            break;
        case EFilter::kNone:
            break;
    }
    if (choice.load == ELoad::kResistive) {
        parts.emplace_back(Tr(texts::calc::kCircuitResistive));
    }
    std::string text;
    for (const std::string& part : parts) {
        text += text.empty() ? part : ", " + part;
    }
    return text;
}

}  // namespace

COwnOption TakeCircuitOption(const CArgumentReader::CItem& option, CArgumentReader& reader,
                             std::optional<CCircuitChoice>& given) {
    const std::string& name = option.text;
    if (!given) {
        given.emplace();
    }
    CCircuitChoice& choice = *given;
    const std::optional<std::string> value = reader.ValueOf(option);
    if (!value) {
        return COwnOption::Problem(name + " needs a value");
    }
    if (name == kTopology) {
        const std::optional<ETopology> topology = TopologyOfText(*value);
        if (!topology) {
            return COwnOption::Problem(name + " takes single or dual, not " +
                                       QuoteForDiagnostic(*value));
        }
        choice.topology = *topology;
        return COwnOption::Taken();
    }
    if (name == kLoad) {
        const std::optional<ELoad> load = LoadOfText(*value);
        if (!load) {
            return COwnOption::Problem(name + " takes current or resistive, not " +
                                       QuoteForDiagnostic(*value));
        }
        choice.load = *load;
        return COwnOption::Taken();
    }
    const std::optional<CCircuitChoice> filter = FilterOfText(*value);
    if (!filter) {
        return COwnOption::Problem(
            name + " takes none, rc:R,C, lc:L,R,C or choke:L,R (R in ohms, C in microfarads, " +
            "L in millihenries, each 0 or more), not " + QuoteForDiagnostic(*value));
    }
    choice.filter = filter->filter;
    choice.filterResistanceOhm = filter->filterResistanceOhm;
    choice.filterInductanceH = filter->filterInductanceH;
    choice.filterCapacitanceF = filter->filterCapacitanceF;
    return COwnOption::Taken();
}

bool IsCircuitOption(std::string_view name) {
    return name == kTopology || name == kFilter || name == kLoad;
}

std::string MainsToleranceText(const CAnalysisSettings& settings) {
    if (settings.mainsLowTolerancePct == settings.mainsHighTolerancePct) {
        return "\xC2\xB1" + ShortestNumber(settings.mainsLowTolerancePct);
    }
    return "\xE2\x88\x92" + ShortestNumber(settings.mainsLowTolerancePct) + "/+" +
           ShortestNumber(settings.mainsHighTolerancePct);
}

std::optional<double> ParseFiniteNumber(const std::string& text) {
    std::string_view digits = text;
    // from_chars takes no leading '+'.
    if (!digits.empty() && digits.front() == '+') {
        digits.remove_prefix(1);
        if (!digits.empty() && (digits.front() == '-' || digits.front() == '+')) {
            return std::nullopt;
        }
    }
    double value = 0.0;
    const char* end = digits.data() + digits.size();
    const auto result = std::from_chars(digits.data(), end, value);
    if (digits.empty() || result.ec != std::errc() || result.ptr != end || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

CParsed<CAnalysisOptions> ParseAnalysisArguments(const std::vector<std::string>& args,
                                                 const CAnalysisGrammar& grammar) {
    CAnalysisOptions options;
    options.tolerances = grammar.tolerances;
    const auto own = [&](const CArgumentReader::CItem& option, CArgumentReader& reader) {
        const std::string& name = option.text;
        for (const std::string& flag : grammar.flags) {
            if (flag == name) {
                if (option.inlineValue) {
                    return COwnOption::Problem(name + " takes no value");
                }
                options.flags.insert(name);
                return COwnOption::Taken();
            }
        }
        if (name == kLeakageInductance) {
            const std::optional<std::string> value = reader.ValueOf(option);
            if (!value) {
                return COwnOption::Problem(name + " needs a value");
            }
            const std::optional<double> millihenries = ParseFiniteNumber(*value);
            if (!millihenries || *millihenries < 0.0 ||
                *millihenries > kMaxLeakageInductanceH * 1e3) {
                return COwnOption::Problem(name + " takes millihenries from 0 to 1000, not " +
                                           QuoteForDiagnostic(*value));
            }
            options.settings.leakageInductanceH = *millihenries * 1e-3;
            return COwnOption::Taken();
        }
        if (name == kTopology || name == kFilter || name == kLoad) {
            return TakeCircuitOption(option, reader, options.circuit);
        }
        const bool tolerance = name == kMainsTolerance || name == kCapacitorTolerance ||
                               name == kJunctionLimit || name == kRegion;
        if (!tolerance || !grammar.tolerances) {
            return COwnOption::Unknown();
        }
        const std::optional<std::string> value = reader.ValueOf(option);
        if (!value) {
            return COwnOption::Problem(name + " needs a value");
        }
        CAnalysisSettings& settings = options.settings;
        if (name == kRegion) {
            // The band of a mains standard, as the tolerance window offers it.
            const std::optional<std::size_t> region = MainsRegionById(*value);
            if (!region) {
                return COwnOption::Problem(name + " takes en50160, ansi-a or ansi-b, not " +
                                           QuoteForDiagnostic(*value));
            }
            settings.mainsLowTolerancePct = MainsRegions()[*region].lowPct;
            settings.mainsHighTolerancePct = MainsRegions()[*region].highPct;
            return COwnOption::Taken();
        }
        if (name == kMainsTolerance) {
            const CParsed<std::pair<double, double>> band = ParseMainsTolerance(name, *value);
            if (!band.value) {
                return COwnOption::Problem(band.problem);
            }
            settings.mainsLowTolerancePct = band.value->first;
            settings.mainsHighTolerancePct = band.value->second;
            return COwnOption::Taken();
        }
        double& target =
            name == kCapacitorTolerance ? settings.capacitorTolerancePct : settings.junctionLimitC;
        const CParsed<double> parsed =
            name == kJunctionLimit ? ParseJunctionLimit(*value) : ParseTolerance(name, *value);
        if (!parsed.value) {
            return COwnOption::Problem(parsed.problem);
        }
        target = *parsed.value;
        return COwnOption::Taken();
    };
    CParsed<CCommonOptions> common = ParseCommonOptions(args, grammar.formats, own);
    if (!common.value) {
        return {std::nullopt, common.problem};
    }
    options.format = common.value->format;
    options.entries = std::move(common.value->settings);
    options.operands = std::move(common.value->inputs);
    options.help = common.value->help;
    return {options, {}};
}

std::optional<int> EndsBeforeAnalysis(const CParsed<CAnalysisOptions>& parsed,
                                      const CCommandTexts& texts, std::ostream& out,
                                      std::ostream& err) {
    if (!parsed.value) {
        return ReportUsageError(texts.command, texts.usage, parsed.problem, err);
    }
    if (!parsed.value->help) {
        return std::nullopt;
    }
    std::string text(texts.usage);
    text.push_back('\n');
    for (const std::string_view part : texts.help) {
        text.append(part);
    }
    return FinishOutput(text, true, out, err);
}

CParsed<CSweepSpec> ParseSweepRange(const std::string& text) {
    const std::string expected = "the sweep range " + QuoteForDiagnostic(text) +
                                 " is not NAME=FROM:TO:COUNT or NAME=FROM:TO:COUNT:log";
    const std::size_t equals = text.find('=');
    if (equals == std::string::npos) {
        return {std::nullopt, expected};
    }
    const std::string_view name = std::string_view(text).substr(0, equals);
    const CInputSpec* input = InputOfKey(name);
    if (input == nullptr) {
        return {std::nullopt, "unknown sweep name " + QuoteForDiagnostic(name) +
                                  " (one of NennU LeerU NennI DiffU BahnR KondC Ubger Ib Rja "
                                  "Tu DeltU ReglR)"};
    }
    std::vector<std::string> parts;
    std::size_t start = equals + 1;
    while (true) {
        const std::size_t colon = text.find(':', start);
        parts.push_back(text.substr(start, colon == std::string::npos ? colon : colon - start));
        if (colon == std::string::npos) {
            break;
        }
        start = colon + 1;
    }
    if (parts.size() != 3 && !(parts.size() == 4 && parts[3] == "log")) {
        return {std::nullopt, expected};
    }
    CSweepSpec spec;
    spec.input = input->input;
    spec.spacing = parts.size() == 4 ? ESpacing::kLog : ESpacing::kLinear;
    const std::optional<double> from = ParseFiniteNumber(parts[0]);
    const std::optional<double> to = ParseFiniteNumber(parts[1]);
    if (!from || !to) {
        return {std::nullopt, "the sweep range " + QuoteForDiagnostic(text) + ": " +
                                  QuoteForDiagnostic(!from ? parts[0] : parts[1]) +
                                  " is not a number"};
    }
    spec.from = *from;
    spec.to = *to;
    const std::optional<long long> count = ParseWholeNumber(parts[2]);
    if (!count || *count < static_cast<long long>(kMinSweepPoints) ||
        *count > static_cast<long long>(kMaxSweepPoints)) {
        return {std::nullopt, "the sweep range " + QuoteForDiagnostic(text) +
                                  ": COUNT must be a whole number from 2 to 1000000, not " +
                                  QuoteForDiagnostic(parts[2])};
    }
    spec.count = static_cast<std::size_t>(*count);
    if (spec.spacing == ESpacing::kLog && !(spec.from > 0.0 && spec.to > 0.0)) {
        return {std::nullopt, "the sweep range " + QuoteForDiagnostic(text) +
                                  ": a log sweep needs FROM and TO above zero"};
    }
    return {spec, {}};
}

CLoadedDesign LoadDesign(const std::optional<std::string>& input,
                         const std::vector<CSetting>& settings, std::istream& in) {
    CFormRun run = RunForm(input, settings, std::nullopt, in);
    CLoadedDesign loaded;
    loaded.diagnostics = std::move(run.diagnostics);
    if (run.view) {
        loaded.design = std::move(run.view->design);
    }
    return loaded;
}

CParsed<CDesign> CheckSettings(const CAnalysisSettings& settings, const CDesign& design,
                               const std::optional<std::string>& input) {
    if (IsValidJunctionLimit(settings.junctionLimitC, design[EInput::kTu])) {
        return {design, {}};
    }
    return {std::nullopt, std::string(kProgram) + ": " + DescribeInput(input) + ": --tj-max " +
                              ShortestNumber(settings.junctionLimitC) +
                              " is not above the ambient temperature Tu = " +
                              ShortestNumber(design[EInput::kTu]) + '\n'};
}

bool ForEachDesign(const CAnalysisOptions& options, std::istream& in, std::ostream& err,
                   const FAnalyse& analyse) {
    bool ok = true;
    for (const std::optional<std::string>& input : InputsOrStartUp(options.operands)) {
        const CLoadedDesign loaded = LoadDesign(input, options.entries, in);
        err << loaded.diagnostics;
        if (!loaded.design) {
            ok = false;
            continue;
        }
        const CParsed<CDesign> checked =
            options.tolerances ? CheckSettings(options.settings, *loaded.design, input)
                               : CParsed<CDesign>{loaded.design, {}};
        if (!checked.value) {
            err << checked.problem;
            ok = false;
            continue;
        }
        CDesign design = *checked.value;
        if (options.circuit) {
            design.circuitChoice = *options.circuit;
        }
        analyse(input, design);
    }
    return ok;
}

std::string SettingsLine(const CAnalysisSettings& settings, const CDesign& design) {
    std::string line =
        FillIn(Tr(texts::calc::kSettingsLine),
               {MainsToleranceText(settings), ShortestNumber(settings.capacitorTolerancePct),
                ShortestNumber(settings.junctionLimitC)}) +
        '\n';
    // A circuit beyond the plain one says what it is, on a line of its own.
    if (!design.circuitChoice.Plain()) {
        line +=
            FillIn(Tr(texts::calc::kCircuitLine), {CircuitChoiceText(design.circuitChoice)}) + '\n';
    }
    return line;
}

std::string JsonArray(const std::vector<std::string>& elements) {
    std::string text = "[";
    for (std::size_t i = 0; i < elements.size(); ++i) {
        text.append(i == 0 ? "\n  " : ",\n  ").append(elements[i]);
    }
    text.append(elements.empty() ? "]\n" : "\n]\n");
    return text;
}

int RunPerDesignCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                        std::ostream& err, const CAnalysisGrammar& grammar,
                        const CCommandTexts& texts, const FRender& render,
                        const FCsvHeader& csvHeader) {
    const CParsed<CAnalysisOptions> parsed = ParseAnalysisArguments(args, grammar);
    if (const std::optional<int> status = EndsBeforeAnalysis(parsed, texts, out, err)) {
        return *status;
    }
    const CAnalysisOptions& options = *parsed.value;
    std::vector<std::string> pieces;
    const bool ok = ForEachDesign(
        options, in, err, [&](const std::optional<std::string>& input, const CDesign& design) {
            pieces.push_back(render(options, input, design));
        });
    std::string text;
    switch (options.format) {
        case EFormat::kJson:
            text = JsonArray(pieces);
            break;
        case EFormat::kCsv:
            text = csvHeader ? csvHeader(options) : std::string();
            for (const std::string& piece : pieces) {
                text.append(piece);
            }
            break;
        default:
            for (std::size_t i = 0; i < pieces.size(); ++i) {
                text.append(i == 0 ? "" : "\n").append(pieces[i]);
            }
            break;
    }
    return FinishOutput(text, ok, out, err);
}

}  // namespace ohmrada::cli
