// SPDX-License-Identifier: GPL-3.0-or-later
// ohmrada-calc worst-case: the three corners of a design.
#include <array>
#include <optional>
#include <ostream>
#include <string_view>

#include "AnalysisCommands.h"
#include "AnalysisTexts.h"
#include "CircuitMeasurements.h"
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
    "Usage: ohmrada-calc worst-case [--mains-tolerance PCT|LOW:HIGH] [--capacitor-tolerance PCT]\n"
    "                               [--tj-max DEGC] [--leakage-inductance MH]\n"
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
    "regulator_power_w, junction_temperature_c and junction_over_limit from\n"
    "the regulator's loss: Ib x the period's mean of input - output, the\n"
    "output the target or, in drop-out, the input less DeltU (so Ib x (the\n"
    "circuit's mean voltage - output voltage) while the target is held, and at\n"
    "least Ib x DeltU). The table shows these in the rows of the regulator's\n"
    "loss and the junction temperature. target_judged_v (\"beurteilte\n"
    "Sollspannung\") is the target judged: the design's Ubger after the form\n"
    "read it, which the form lowers when the design cannot hold it. Beside\n"
    "them the closed form's: closed_form_target_held, closed_form_headroom_v\n"
    "(the cycle's minimum voltage), closed_form_overloaded (power drawn above\n"
    "the nominal rated power), closed_form_junction_over_limit. --closed-form\n"
    "reports the closed form's verdicts alone, as before the circuit.\n"
    "\n"
    "Options:\n";

constexpr std::string_view kFormatHelp =
    "  --format FMT               table (default; German, for people), json (an\n"
    "                             array with an object per input and its\n"
    "                             \"corners\"), csv (a row per input and corner)\n";

namespace ta = texts::analysis;
namespace tc = texts::calc;

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

// What the corners were taken at: the mains frequency, both sides of the
// mains tolerance and the design's ambient temperature.
std::string ConditionsLine(const CWorstCase& worstCase, const CAnalysisSettings& settings) {
    const CDesign& design = worstCase.corners[0].design;
    return FillIn(Tr(tc::kConditionsLine), {ShortestNumber(design.mainsFrequency),
                                            ShortestNumber(settings.mainsLowTolerancePct),
                                            ShortestNumber(settings.mainsHighTolerancePct),
                                            ShortestNumber(design[EInput::kTu])}) +
           '\n';
}

std::string Table(const std::optional<std::string>& input, const CWorstCase& worstCase,
                  const CAnalysisSettings& settings, bool closedForm) {
    std::string text;
    text.append(Tr(kInputPrefix)).append(InputTitle(input)).push_back('\n');
    text.append(SettingsLine(settings, worstCase.corners[0].design));
    text.append(ConditionsLine(worstCase, settings)).push_back('\n');
    // The label column (with its indent) and a column per corner.
    CTextTable table({30, 15, 15, 15});
    table.Row({"", Tr(ta::kCornerNominal), Tr(ta::kCornerLow), Tr(ta::kCornerHigh)});
    const auto row = [&](std::string_view label, auto value, std::string_view unit) {
        std::vector<std::string> cells = {"  " + std::string(label)};
        for (const CCorner& corner : worstCase.corners) {
            cells.push_back(value(corner));
        }
        table.Row(std::move(cells), unit.empty() ? std::string() : "  " + std::string(unit));
    };
    row(Tr(tc::kMainsFactor),
        ([](const CCorner& c) { return FormatFieldValue(ToSingle(c.mainsFactor), 3); }), "");
    const res::CFieldTexts capacitance = res::FieldTextsOf(InputSpec(EInput::kKondC).fieldId);
    row(Tr(capacitance.label),
        ([](const CCorner& c) { return FormatFieldValue(c.design[EInput::kKondC], 0); }),
        Tr(capacitance.unit));
    // The regulator's loss and the junction temperature the verdicts rest
    // on: the circuit's (drop-out included) unless the closed form judges.
    const auto circuitValue = [closedForm](const CCorner& c,
                                           EResult result) -> std::optional<double> {
        if (closedForm || !c.verdict.solved) {
            return std::nullopt;
        }
        if (result == EResult::kRegulatorPower) {
            return c.verdict.regulatorPowerW;
        }
        if (result == EResult::kJunctionTemperature) {
            return c.verdict.junctionTemperatureC;
        }
        return std::nullopt;
    };
    for (const CResultSpec& result : kResults) {
        const res::CFieldTexts texts = res::FieldTextsOf(result.fieldId);
        row(Tr(texts.label), ([&](const CCorner& c) {
                const std::optional<double> circuit = circuitValue(c, result.result);
                return FormatFieldValue(circuit ? ToSingle(*circuit) : c.evaluation[result.result],
                                        3);
            }),
            Tr(texts.unit));
    }
    row(Tr(tc::kTargetJudged),
        ([](const CCorner& c) { return FormatFieldValue(c.design[EInput::kUbger], 3); }), "Volt");
    const auto yesNo = [](bool value) { return std::string(value ? Tr(ta::kYes) : Tr(ta::kNo)); };
    if (!closedForm) {
        const auto measured = [](double CCircuitMeasurements::*member) {
            return [member](const CCorner& c) {
                return c.circuit.Solved()
                           ? FormatFieldValue(ToSingle(c.circuit.measurements.*member), 3)
                           : std::string("-");
            };
        };
        row(Tr(tc::kCircuitMinimum), measured(&CCircuitMeasurements::minimumVoltage), "Volt");
        row(Tr(tc::kCircuitMean), measured(&CCircuitMeasurements::meanVoltage), "Volt");
        row(Tr(tc::kWindingRms), measured(&CCircuitMeasurements::windingRmsCurrent), "Ampere");
    }
    row(Tr(tc::kTargetHeld),
        ([&](const CCorner& c) { return yesNo(Reported(c, closedForm).targetHeld); }), "");
    row(Tr(tc::kHeadroom), ([&](const CCorner& c) {
            return FormatFieldValue(ToSingle(Reported(c, closedForm).headroomV), 3);
        }),
        "Volt");
    row(Tr(tc::kOverload),
        ([&](const CCorner& c) { return yesNo(Reported(c, closedForm).overloaded); }), "");
    row(Tr(tc::kJunctionOverLimit),
        ([&](const CCorner& c) { return yesNo(Reported(c, closedForm).junctionOverLimit); }), "");
    return text + table.Render();
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
        members.emplace_back("target_judged_v", JsonNumber(corner.design[EInput::kUbger]));
        if (!closedForm) {
            members.emplace_back("regulator_power_w", JsonNumber(corner.verdict.regulatorPowerW));
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
            {"input", JsonStringOrNull(input)},
            {"mains_frequency_hz", JsonNumber(worstCase.corners[0].design.mainsFrequency)},
            {"mains_tolerance_pct", settings.mainsLowTolerancePct == settings.mainsHighTolerancePct
                                        ? JsonNumber(settings.mainsLowTolerancePct)
                                        : std::string("null")},
            {"mains_low_tolerance_pct", JsonNumber(settings.mainsLowTolerancePct)},
            {"mains_high_tolerance_pct", JsonNumber(settings.mainsHighTolerancePct)},
            {"capacitor_tolerance_pct", JsonNumber(settings.capacitorTolerancePct)},
            {"ambient_c", JsonNumber(worstCase.corners[0].design[EInput::kTu])},
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
    return RunPerDesignCommand(
        args, in, out, err,
        {{EFormat::kTable, EFormat::kJson, EFormat::kCsv}, true, {std::string(kClosedForm)}},
        {kCommand, kUsage, {kHelp, kAnalysisOptionsHelp, kFormatHelp, kAnalysisExitStatus}},
        [](const CAnalysisOptions& options, const std::optional<std::string>& input,
           const CDesign& design) {
            const bool closedForm = ClosedForm(options);
            const CWorstCase worstCase = AnalyseWorstCase(design, options.settings);
            switch (options.format) {
                case EFormat::kJson:
                    return Json(input, worstCase, options.settings, closedForm);
                case EFormat::kCsv:
                    return CsvRows(input, worstCase, closedForm);
                default:
                    return Table(input, worstCase, options.settings, closedForm);
            }
        },
        [](const CAnalysisOptions& options) { return CsvHeader(ClosedForm(options)); });
}

}  // namespace ohmrada::cli
