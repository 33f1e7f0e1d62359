// SPDX-License-Identifier: GPL-3.0-or-later
// ohmrada-calc worst-case: the three corners of a design.
#include <array>
#include <ostream>
#include <string_view>

#include "AnalysisCommands.h"
#include "AnalysisTexts.h"
#include "FormText.h"
#include "FormTexts.h"
#include "NamedValues.h"
#include "NumberText.h"
#include "TextEscape.h"
#include "TextTable.h"
#include "WorstCase.h"

namespace ohmrada::cli {

namespace {

constexpr std::string_view kCommand = "worst-case";

constexpr std::string_view kUsage =
    "Usage: ohmrada-calc worst-case [--mains-tolerance PCT] [--capacitor-tolerance PCT]\n"
    "                               [--tj-max DEGC] [--set NAME=TEXT]...\n"
    "                               [--format table|json|csv] [--] [FILE|-]...\n";

constexpr std::string_view kHelp =
    "Evaluates each design (the file as the form opens it, after --set; without\n"
    "FILE the start-up design) in three corners, each with the design's own\n"
    "target voltage Ubger, on copies of the design:\n"
    "  nominal  mains factor 1, KondC as entered\n"
    "  low      mains factor 1 - mains tolerance, KondC x (1 - capacitor\n"
    "           tolerance): the dropout corner\n"
    "  high     mains factor 1 + mains tolerance, KondC as entered: the heat\n"
    "           corner\n"
    "\n"
    "Mains factor k: the transformer's EMF follows the mains, its copper does\n"
    "not. The no-load voltage becomes k x LeerU; the internal resistance and\n"
    "NennI stay, so the rated voltage becomes k x LeerU - internal resistance x\n"
    "NennI (never below the floor value 0.0001). The rated power for the\n"
    "overload verdict stays the nominal design's; the corner's rated_power_w is\n"
    "that of its scaled transformer.\n"
    "\n"
    "For each corner: the sixteen results of one recalculation cycle;\n"
    "target_held (the cycle showed no regulation message); headroom_v =\n"
    "minimum voltage - DeltU - Ubger (negative exactly when not held);\n"
    "overloaded (power drawn above the nominal rated power); and\n"
    "junction_over_limit (junction temperature above Tj,max).\n"
    "\n"
    "Options:\n";

constexpr std::string_view kFormatHelp =
    "  --format FMT               table (default; German, for people), json (an\n"
    "                             array with an object per input and its\n"
    "                             \"corners\"), csv (a row per input and corner)\n";

namespace ta = texts::analysis;
namespace tc = texts::calc;

std::string Table(const std::optional<std::string>& input, const CWorstCase& worstCase,
                  const CAnalysisSettings& settings) {
    std::string text;
    text.append(kInputPrefix).append(InputTitle(input)).push_back('\n');
    text.append(SettingsLine(settings)).push_back('\n');
    // The label column (with its indent) and a column per corner.
    CTextTable table({30, 15, 15, 15});
    table.Row({"", ta::kCornerNominal, ta::kCornerLow, ta::kCornerHigh});
    const auto row = [&](std::string_view label, auto value, std::string_view unit) {
        std::vector<std::string> cells = {"  " + std::string(label)};
        for (const CCorner& corner : worstCase.corners) {
            cells.push_back(value(corner));
        }
        table.Row(std::move(cells), unit.empty() ? std::string() : "  " + std::string(unit));
    };
    row(tc::kMainsFactor,
        ([](const CCorner& c) { return FormatFieldValue(ToSingle(c.mainsFactor), 3); }), "");
    const res::CFieldTexts capacitance = res::FieldTextsOf(InputSpec(EInput::kKondC).fieldId);
    row(capacitance.label,
        ([](const CCorner& c) { return FormatFieldValue(c.design[EInput::kKondC], 0); }),
        capacitance.unit);
    for (const CResultSpec& result : kResults) {
        const res::CFieldTexts texts = res::FieldTextsOf(result.fieldId);
        row(texts.label,
            ([&](const CCorner& c) { return FormatFieldValue(c.evaluation[result.result], 3); }),
            texts.unit);
    }
    const auto yesNo = [](bool value) { return std::string(value ? ta::kYes : ta::kNo); };
    row(tc::kTargetHeld, ([&](const CCorner& c) { return yesNo(!c.check.targetNotHeld); }), "");
    row(tc::kHeadroom,
        ([](const CCorner& c) { return FormatFieldValue(ToSingle(c.headroomV), 3); }), "Volt");
    row(tc::kOverload, ([&](const CCorner& c) { return yesNo(c.check.overloaded); }), "");
    row(tc::kJunctionOverLimit,
        ([&](const CCorner& c) { return yesNo(c.check.junctionOverLimit); }), "");
    return text + table.Render();
}

std::string Json(const std::optional<std::string>& input, const CWorstCase& worstCase,
                 const CAnalysisSettings& settings) {
    std::string corners = "[";
    for (std::size_t i = 0; i < worstCase.corners.size(); ++i) {
        const CCorner& corner = worstCase.corners[i];
        const std::string object = JsonObject(
            {
                {"corner", JsonString(CornerName(corner.corner))},
                {"mains_factor", JsonNumber(corner.mainsFactor)},
                {"KondC", JsonNumber(corner.design[EInput::kKondC])},
                {"results", JsonObject(ResultsAsJson(corner.evaluation), 10)},
                {"target_held", std::string(BoolText(!corner.check.targetNotHeld))},
                {"headroom_v", JsonNumber(ToSingle(corner.headroomV))},
                {"overloaded", std::string(BoolText(corner.check.overloaded))},
                {"junction_over_limit", std::string(BoolText(corner.check.junctionOverLimit))},
            },
            8);
        corners.append(i == 0 ? "\n      " : ",\n      ").append(object);
    }
    corners.append("\n    ]");
    return JsonObject(
        {
            {"input", JsonStringOrNull(input)},
            {"mains_tolerance_pct", JsonNumber(settings.mainsTolerancePct)},
            {"capacitor_tolerance_pct", JsonNumber(settings.capacitorTolerancePct)},
            {"tj_max_c", JsonNumber(settings.junctionLimitC)},
            {"rated_power_w", JsonNumber(ToSingle(worstCase.ratedPowerW))},
            {"corners", corners},
        },
        4);
}

std::string CsvHeader() {
    std::string text = "input,corner,mains_factor,KondC";
    for (const CResultSpec& result : kResults) {
        text.append(",").append(result.name);
    }
    text.append(",target_held,headroom_v,overloaded,junction_over_limit\r\n");
    return text;
}

std::string CsvRows(const std::optional<std::string>& input, const CWorstCase& worstCase) {
    std::string text;
    for (const CCorner& corner : worstCase.corners) {
        text.append(input ? CsvField(*input) : std::string());
        text.append(",").append(CornerName(corner.corner));
        text.append(",").append(ShortestNumber(corner.mainsFactor));
        text.append(",").append(ShortestNumber(corner.design[EInput::kKondC]));
        for (const auto& [name, value] : ResultsAsCsv(corner.evaluation)) {
            text.append(",").append(value);
        }
        text.append(",").append(BoolText(!corner.check.targetNotHeld));
        text.append(",").append(ShortestNumber(ToSingle(corner.headroomV)));
        text.append(",").append(BoolText(corner.check.overloaded));
        text.append(",").append(BoolText(corner.check.junctionOverLimit)).append("\r\n");
    }
    return text;
}

}  // namespace

int RunWorstCaseCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                        std::ostream& err) {
    const CParsed<CAnalysisOptions> parsed =
        ParseAnalysisArguments(args, {{EFormat::kTable, EFormat::kJson, EFormat::kCsv}, true, {}});
    if (const std::optional<int> status = EndsBeforeAnalysis(
            parsed,
            {kCommand, kUsage, {kHelp, kAnalysisOptionsHelp, kFormatHelp, kAnalysisExitStatus}},
            out, err)) {
        return *status;
    }
    const CAnalysisOptions& options = *parsed.value;
    std::vector<std::string> pieces;
    const bool ok = ForEachDesign(
        options, in, err, [&](const std::optional<std::string>& input, const CDesign& design) {
            const CWorstCase worstCase = AnalyseWorstCase(design, options.settings);
            switch (options.format) {
                case EFormat::kTable:
                    pieces.push_back(Table(input, worstCase, options.settings));
                    break;
                case EFormat::kJson:
                    pieces.push_back(Json(input, worstCase, options.settings));
                    break;
                case EFormat::kCsv:
                    pieces.push_back(CsvRows(input, worstCase));
                    break;
            }
        });
    std::string text;
    switch (options.format) {
        case EFormat::kTable:
            for (std::size_t i = 0; i < pieces.size(); ++i) {
                text.append(i == 0 ? "" : "\n").append(pieces[i]);
            }
            break;
        case EFormat::kJson:
            text = JsonArray(pieces);
            break;
        case EFormat::kCsv:
            text = CsvHeader();
            for (const std::string& piece : pieces) {
                text.append(piece);
            }
            break;
    }
    return FinishOutput(text, ok, out, err);
}

}  // namespace ohmrada::cli
