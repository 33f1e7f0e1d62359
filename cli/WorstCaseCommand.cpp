// SPDX-License-Identifier: GPL-3.0-or-later
// ohmrada-calc worst-case: the three corners of a design.
#include <array>
#include <ostream>
#include <string_view>

#include "AnalysisCommands.h"
#include "CircuitMeasurements.h"
#include "FormText.h"
#include "FormTexts.h"
#include "NamedValues.h"
#include "NumberText.h"
#include "TextEscape.h"
#include "WorstCase.h"

namespace ohmrada::cli {

namespace {

constexpr std::string_view kCommand = "worst-case";
constexpr std::string_view kClosedForm = "--closed-form";

constexpr std::string_view kUsage =
    "Usage: ohmrada-calc worst-case [--mains-tolerance PCT|LOW:HIGH] [--capacitor-tolerance PCT]\n"
    "                               [--tj-max DEGC] [--leakage-inductance H]\n"
    "                               [--closed-form] [--set NAME=TEXT]...\n"
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
    "For each corner: the sixteen results of one recalculation cycle, and the\n"
    "rectifier circuit's periodic steady state (\"circuit\": the sim_* names,\n"
    "solved natively: sources behind the internal resistance and the leakage\n"
    "inductance, diodes as DiffU plus BahnR, KondC, the load Ib). The verdicts\n"
    "come from the circuit: target_held and headroom_v = the circuit's minimum\n"
    "- DeltU - Ubger (a minimum below 1 V: collapsed, not held); overloaded\n"
    "(the winding's RMS current, per half with the centre tap, above NennI);\n"
    "junction_temperature_c and junction_over_limit from the regulator's loss\n"
    "Ib x (the circuit's mean voltage - output voltage). Beside them the closed\n"
    "form's: closed_form_target_held, closed_form_headroom_v (the cycle's\n"
    "minimum voltage), closed_form_overloaded (power drawn above the nominal\n"
    "rated power), closed_form_junction_over_limit. --closed-form reports the\n"
    "closed form's verdicts alone, as before the circuit.\n"
    "\n"
    "Options:\n"
    "  --mains-tolerance PCT|LOW:HIGH  0 to 50 each, default 10\n"
    "  --capacitor-tolerance PCT  0 to 50, default 20\n"
    "  --tj-max DEGC              Tj,max, default 125; must lie above Tu\n"
    "  --leakage-inductance H     the transformer's leakage inductance per\n"
    "                             winding (per half with the centre tap), 0 to\n"
    "                             1 H, default 0\n"
    "  --closed-form              the closed form's verdicts only\n"
    "  --set NAME=TEXT            as for the form command (repeatable, in order)\n"
    "  --format FMT               table (default; German, for people), json (an\n"
    "                             array with an object per input and its\n"
    "                             \"corners\"), csv (a row per input and corner)\n"
    "\n"
    "Exit status: 0 on success; 2 on a usage error, or when an input cannot be\n"
    "read or analysed (it gives no output; the others are still printed).\n";

// Table labels beyond the form's own.
constexpr std::string_view kCornerTitles[] = {"Nennwert", "Unterspannung",
                                              "\xC3\x9C"
                                              "berspannung"};
constexpr std::string_view kYes = "ja";
constexpr std::string_view kNo = "nein";

std::string_view BoolText(bool value) {
    return value ? "true" : "false";
}

// The verdicts reported for a corner: the circuit's, or with --closed-form
// the closed form's.
struct CReported {
    bool targetHeld;
    double headroomV;
    bool overloaded;
    bool junctionOverLimit;
};

CReported Reported(const CCorner& corner, bool closedForm) {
    if (closedForm || !corner.verdict.solved) {
        return {!corner.check.targetNotHeld, corner.headroomV, corner.check.overloaded,
                corner.check.junctionOverLimit};
    }
    return {corner.verdict.targetHeld, corner.verdict.headroomV, corner.verdict.overloaded,
            corner.verdict.junctionOverLimit};
}

std::string CircuitJson(const CSteadyState& state) {
    std::vector<std::pair<std::string_view, std::string>> fields;
    fields.emplace_back("solved", std::string(state.Solved() ? "true" : "false"));
    fields.emplace_back("collapsed", std::string(state.Collapsed() ? "true" : "false"));
    if (!state.Solved()) {
        fields.emplace_back("reason", JsonString(state.reason));
        return JsonObject(fields, 10);
    }
    for (const CCircuitMeasurementSpec& spec : kCircuitMeasurements) {
        if (spec.member == &CCircuitMeasurements::switchOnPeakCurrent) {
            continue;  // not searched for the corners
        }
        fields.emplace_back(spec.name, JsonNumber(state.measurements.*spec.member));
    }
    return JsonObject(fields, 10);
}

std::string SettingsLine(const CAnalysisSettings& settings) {
    return "Netztoleranz " + MainsToleranceText(settings) + " %, Kondensatortoleranz " +
           ShortestNumber(settings.capacitorTolerancePct) + " %, Tj,max " +
           ShortestNumber(settings.junctionLimitC) + " \xC2\xB0" + "C\n";
}

void Pad(std::string& text, std::size_t width, std::size_t to) {
    if (width < to) {
        text.append(to - width, ' ');
    }
}

// One row of the table: label, a value per corner, unit.
void Row(std::string& text, std::string_view label, const std::array<std::string, 3>& values,
         std::string_view unit) {
    constexpr std::size_t kLabelWidth = 28;
    constexpr std::size_t kValueWidth = 15;
    text.append("  ").append(label);
    Pad(text, DisplayWidth(label), kLabelWidth);
    for (const std::string& value : values) {
        Pad(text, DisplayWidth(value), kValueWidth);
        text.append(value);
    }
    if (!unit.empty()) {
        text.append("  ").append(unit);
    }
    text.push_back('\n');
}

std::string Table(const std::optional<std::string>& input, const CWorstCase& worstCase,
                  const CAnalysisSettings& settings, bool closedForm) {
    std::string text;
    text.append(kInputPrefix).append(InputTitle(input)).push_back('\n');
    text.append(SettingsLine(settings)).push_back('\n');
    Row(text, "",
        {std::string(kCornerTitles[0]), std::string(kCornerTitles[1]),
         std::string(kCornerTitles[2])},
        "");
    const auto row = [&](std::string_view label, auto value, std::string_view unit) {
        std::array<std::string, 3> values;
        for (std::size_t i = 0; i < values.size(); ++i) {
            values[i] = value(worstCase.corners[i]);
        }
        Row(text, label, values, unit);
    };
    row("Netzfaktor:",
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
    const auto yesNo = [](bool value) { return std::string(value ? kYes : kNo); };
    if (!closedForm) {
        const auto measured = [](double CCircuitMeasurements::*member) {
            return [member](const CCorner& c) {
                return c.circuit.Solved()
                           ? FormatFieldValue(ToSingle(c.circuit.measurements.*member), 3)
                           : std::string("-");
            };
        };
        row("Schaltung Minimum:", measured(&CCircuitMeasurements::minimumVoltage), "Volt");
        row("Schaltung Mittelwert:", measured(&CCircuitMeasurements::meanVoltage), "Volt");
        row("Wicklungsstrom eff.:", measured(&CCircuitMeasurements::windingRmsCurrent), "Ampere");
    }
    row("Sollspannung gehalten:",
        ([&](const CCorner& c) { return yesNo(Reported(c, closedForm).targetHeld); }), "");
    row("Regelreserve:", ([&](const CCorner& c) {
            return FormatFieldValue(ToSingle(Reported(c, closedForm).headroomV), 3);
        }),
        "Volt");
    row("\xC3\x9C"
        "berlast:",
        ([&](const CCorner& c) { return yesNo(Reported(c, closedForm).overloaded); }), "");
    row("Tj \xC3\xBC"
        "ber Tj,max:",
        ([&](const CCorner& c) { return yesNo(Reported(c, closedForm).junctionOverLimit); }), "");
    return text;
}

std::string Json(const std::optional<std::string>& input, const CWorstCase& worstCase,
                 const CAnalysisSettings& settings, bool closedForm) {
    std::string corners = "[";
    for (std::size_t i = 0; i < worstCase.corners.size(); ++i) {
        const CCorner& corner = worstCase.corners[i];
        const CReported reported = Reported(corner, closedForm);
        std::vector<std::pair<std::string_view, std::string>> members = {
            {"corner", JsonString(CornerName(corner.corner))},
            {"mains_factor", JsonNumber(corner.mainsFactor)},
            {"KondC", JsonNumber(corner.design[EInput::kKondC])},
            {"results", JsonObject(ResultsAsJson(corner.evaluation), 10)},
        };
        if (!closedForm) {
            members.emplace_back("circuit", CircuitJson(corner.circuit));
        }
        members.emplace_back("target_held", std::string(BoolText(reported.targetHeld)));
        members.emplace_back("headroom_v", JsonNumber(ToSingle(reported.headroomV)));
        members.emplace_back("overloaded", std::string(BoolText(reported.overloaded)));
        if (!closedForm) {
            members.emplace_back("junction_temperature_c",
                                 JsonNumber(corner.verdict.junctionTemperatureC));
        }
        members.emplace_back("junction_over_limit",
                             std::string(BoolText(reported.junctionOverLimit)));
        if (!closedForm) {
            members.emplace_back("closed_form_target_held",
                                 std::string(BoolText(!corner.check.targetNotHeld)));
            members.emplace_back("closed_form_headroom_v", JsonNumber(ToSingle(corner.headroomV)));
            members.emplace_back("closed_form_overloaded",
                                 std::string(BoolText(corner.check.overloaded)));
            members.emplace_back("closed_form_junction_over_limit",
                                 std::string(BoolText(corner.check.junctionOverLimit)));
        }
        const std::string object = JsonObject(members, 8);
        corners.append(i == 0 ? "\n      " : ",\n      ").append(object);
    }
    corners.append("\n    ]");
    return JsonObject(
        {
            {"input", input ? JsonString(*input) : std::string("null")},
            {"mains_frequency_hz", JsonNumber(worstCase.corners[0].design.mainsFrequency)},
            {"mains_tolerance_pct", settings.mainsLowTolerancePct == settings.mainsHighTolerancePct
                                        ? JsonNumber(settings.mainsLowTolerancePct)
                                        : std::string("null")},
            {"mains_low_tolerance_pct", JsonNumber(settings.mainsLowTolerancePct)},
            {"mains_high_tolerance_pct", JsonNumber(settings.mainsHighTolerancePct)},
            {"capacitor_tolerance_pct", JsonNumber(settings.capacitorTolerancePct)},
            {"tj_max_c", JsonNumber(settings.junctionLimitC)},
            {"leakage_inductance_h", JsonNumber(settings.leakageInductanceH)},
            {"verdicts", JsonString(closedForm ? "closed_form" : "circuit")},
            {"rated_power_w", JsonNumber(ToSingle(worstCase.ratedPowerW))},
            {"corners", corners},
        },
        4);
}

std::string CsvHeader(bool closedForm) {
    std::string text = "input,corner,mains_factor,KondC";
    for (const CResultSpec& result : kResults) {
        text.append(",").append(result.name);
    }
    text.append(",target_held,headroom_v,overloaded,junction_over_limit");
    if (!closedForm) {
        text.append(
            ",closed_form_target_held,closed_form_headroom_v,closed_form_overloaded,"
            "closed_form_junction_over_limit,collapsed");
        for (const CCircuitMeasurementSpec& spec : kCircuitMeasurements) {
            if (spec.member != &CCircuitMeasurements::switchOnPeakCurrent) {
                text.append(",").append(spec.name);
            }
        }
    }
    text.append("\r\n");
    return text;
}

std::string CsvRows(const std::optional<std::string>& input, const CWorstCase& worstCase,
                    bool closedForm) {
    std::string text;
    for (const CCorner& corner : worstCase.corners) {
        text.append(input ? CsvField(*input) : std::string());
        text.append(",").append(CornerName(corner.corner));
        text.append(",").append(ShortestNumber(corner.mainsFactor));
        text.append(",").append(ShortestNumber(corner.design[EInput::kKondC]));
        for (const auto& [name, value] : ResultsAsCsv(corner.evaluation)) {
            text.append(",").append(value);
        }
        const CReported reported = Reported(corner, closedForm);
        text.append(",").append(BoolText(reported.targetHeld));
        text.append(",").append(ShortestNumber(ToSingle(reported.headroomV)));
        text.append(",").append(BoolText(reported.overloaded));
        text.append(",").append(BoolText(reported.junctionOverLimit));
        if (!closedForm) {
            text.append(",").append(BoolText(!corner.check.targetNotHeld));
            text.append(",").append(ShortestNumber(ToSingle(corner.headroomV)));
            text.append(",").append(BoolText(corner.check.overloaded));
            text.append(",").append(BoolText(corner.check.junctionOverLimit));
            text.append(",").append(BoolText(corner.circuit.Collapsed()));
            for (const CCircuitMeasurementSpec& spec : kCircuitMeasurements) {
                if (spec.member != &CCircuitMeasurements::switchOnPeakCurrent) {
                    text.append(",");
                    if (corner.circuit.Solved()) {
                        text.append(ShortestNumber(corner.circuit.measurements.*spec.member));
                    }
                }
            }
        }
        text.append("\r\n");
    }
    return text;
}

}  // namespace

int RunWorstCaseCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                        std::ostream& err) {
    const CParsed<CAnalysisOptions> parsed = ParseAnalysisArguments(
        args, {{EFormat::kTable, EFormat::kJson, EFormat::kCsv}, true, {std::string(kClosedForm)}});
    if (!parsed.value) {
        return ReportUsageError(kCommand, kUsage, parsed.problem, err);
    }
    const CAnalysisOptions& options = *parsed.value;
    if (options.help) {
        return FinishOutput(std::string(kUsage) + '\n' + std::string(kHelp), true, out, err);
    }
    const bool closedForm = options.flags.count(std::string(kClosedForm)) > 0;
    std::vector<std::string> pieces;
    const bool ok = ForEachDesign(
        options, in, err, [&](const std::optional<std::string>& input, const CDesign& design) {
            const CWorstCase worstCase = AnalyseWorstCase(design, options.settings);
            switch (options.format) {
                case EFormat::kTable:
                    pieces.push_back(Table(input, worstCase, options.settings, closedForm));
                    break;
                case EFormat::kJson:
                    pieces.push_back(Json(input, worstCase, options.settings, closedForm));
                    break;
                case EFormat::kCsv:
                    pieces.push_back(CsvRows(input, worstCase, closedForm));
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
            text = CsvHeader(closedForm);
            for (const std::string& piece : pieces) {
                text.append(piece);
            }
            break;
    }
    return FinishOutput(text, ok, out, err);
}

}  // namespace ohmrada::cli
