// SPDX-License-Identifier: GPL-3.0-or-later
// ohmrada-calc limits: the five searches of the menu "Suchen".
#include <ostream>
#include <string_view>

#include "AnalysisCommands.h"
#include "AnalysisTexts.h"
#include "DesignScaling.h"
#include "Evaluation.h"
#include "FormText.h"
#include "Limits.h"
#include "NamedValues.h"
#include "NumberText.h"
#include "TextEscape.h"
#include "TextTable.h"
#include "Texts.h"

namespace ohmrada::cli {

namespace {

constexpr std::string_view kCommand = "limits";

constexpr std::string_view kUsage =
    "Usage: ohmrada-calc limits [--mains-tolerance PCT|LOW:HIGH] [--capacitor-tolerance PCT]\n"
    "                           [--tj-max DEGC] [--leakage-inductance MH]\n"
    "                           [--closed-form] [--set NAME=TEXT]...\n"
    "                           [--format table|json] [--] [FILE|-]...\n";

constexpr std::string_view kHelp =
    "Runs the five searches on each design (the file as the form opens it,\n"
    "after --set; without FILE the start-up design), each over one input with\n"
    "everything else fixed, on copies of the design. \"Held\" means one\n"
    "recalculation cycle showed no regulation message; the low corner and the\n"
    "mains factor are those of worst-case (see ohmrada-calc worst-case --help).\n"
    "\n"
    "The conditions are not monotonic over the whole range, so each search\n"
    "finds the first change: it walks up from a small value (currents from\n"
    "0.1 % of NennI in steps of 10 %, up to 100 x NennI; the transformer scale\n"
    "from 0.05 in steps of 2 %, up to 10) until the condition first changes,\n"
    "then bisects between the last two values to 0.05 %. A result at the end of\n"
    "its range says so (at_search_limit); a condition that fails already at\n"
    "the start gives 0.\n"
    "\n"
    "  max_regulated_current  (maximal regelbarer Strom) the largest Ib at\n"
    "      which the target is held: nominal_a at nominal mains, low_mains_a in\n"
    "      the low corner\n"
    "  highest_voltage  (h\xC3\xB6"
    "chste Spannung) the highest target held at the set\n"
    "      Ib, minimum voltage - DeltU (0 when not even 0.0001 V is held):\n"
    "      nominal_v, low_mains_v\n"
    "  max_transformer_load  (maximale Trafonennleistung) the largest Ib at\n"
    "      which the power drawn stays within the rated power (current_a), and\n"
    "      that rated power (power_w)\n"
    "  max_regulator_power  (maximale Reglerverlustleistung) the dissipation at\n"
    "      which the junction reaches Tj,max, (Tj,max - Tu) / Rja (power_w); the\n"
    "      largest Ib at which the target is held and the junction stays within\n"
    "      Tj,max (current_a); the largest Rja that keeps the set Ib within\n"
    "      Tj,max, (Tj,max - Tu) / regulator dissipation\n"
    "      (thermal_resistance_k_per_w; null when nothing is dissipated)\n"
    "  best_efficiency  (optimaler Wirkungsgrad) a transformer of the same\n"
    "      rating and relative regulation with its secondary scaled by s\n"
    "      (LeerU and NennU x s, NennI / s): the smallest s at which the target\n"
    "      is held in the low corner (scale; 0 and nulls when none up to 10),\n"
    "      its NennU, LeerU, NennI as the form shows them, the efficiency at\n"
    "      nominal mains with it (efficiency_pct) and the design's own\n"
    "      (design_efficiency_pct)\n"
    "at_search_limit is true when a searched number of that object lies at the\n"
    "end of its range.\n"
    "\n"
    "max_regulated_current, highest_voltage, max_regulator_power's current_a\n"
    "and thermal_resistance_k_per_w and best_efficiency come from the\n"
    "rectifier circuit's periodic steady state (see worst-case --help): \"held\"\n"
    "there means the circuit's minimum - DeltU reaches Ubger without collapsing,\n"
    "and the regulator dissipates Ib x the mean of input - output, its output\n"
    "the target or, in drop-out, the input less DeltU; its walks take steps of\n"
    "25 % (currents) and 10 % (scale). max_transformer_load current_a is the\n"
    "largest Ib at which the winding's RMS current (per half with the centre\n"
    "tap) stays within NennI, the transformer's thermal limit.\n"
    "The closed form's values stand beside them as closed_form_*; --closed-form\n"
    "reports the closed form's alone.\n"
    "\n"
    "Options:\n";

constexpr std::string_view kFormatHelp =
    "  --format FMT               table (default; German, for people) or json\n"
    "                             (an array with an object per input)\n";

namespace ta = texts::analysis;
namespace tc = texts::calc;

std::string OptionalNumber(const std::optional<float>& value) {
    return value ? JsonNumber(*value) : std::string("null");
}

std::string OptionalWide(const std::optional<double>& value) {
    return value ? JsonNumber(ToSingle(*value)) : std::string("null");
}

// The limits as reported: the circuit's in place of the closed form's
// (unless closedForm).
CLimits Presented(const CLimits& closed, const CDesign& design, bool closedForm) {
    return closedForm ? closed : WithCircuitLimits(closed, design);
}

std::string Json(const std::optional<std::string>& input, const CLimits& closed,
                 const CDesign& design, const CAnalysisSettings& settings, bool closedForm) {
    constexpr int kIndent = 6;
    const CLimits limits = Presented(closed, design, closedForm);
    // The closed form's values beside the circuit's.
    const auto beside = [closedForm](std::vector<std::pair<std::string_view, std::string>> members,
                                     std::vector<std::pair<std::string_view, std::string>> more) {
        if (!closedForm) {
            members.insert(members.end(), more.begin(), more.end());
        }
        return JsonObject(members, kIndent);
    };
    const auto& regulated = limits.maxRegulatedCurrent;
    const auto& load = limits.maxTransformerLoad;
    const auto& regulator = limits.maxRegulatorPower;
    const auto& best = limits.bestEfficiency;
    return JsonObject(
        {
            {"input", JsonStringOrNull(input)},
            {"mains_frequency_hz", JsonNumber(design.mainsFrequency)},
            {"mains_tolerance_pct", settings.mainsLowTolerancePct == settings.mainsHighTolerancePct
                                        ? JsonNumber(settings.mainsLowTolerancePct)
                                        : std::string("null")},
            {"mains_low_tolerance_pct", JsonNumber(settings.mainsLowTolerancePct)},
            {"mains_high_tolerance_pct", JsonNumber(settings.mainsHighTolerancePct)},
            {"capacitor_tolerance_pct", JsonNumber(settings.capacitorTolerancePct)},
            {"tj_max_c", JsonNumber(settings.junctionLimitC)},
            {"leakage_inductance_h", JsonNumber(settings.leakageInductanceH)},
            {"verdicts", JsonString(closedForm ? "closed_form" : "circuit")},
            {"max_regulated_current",
             beside(
                 {{"nominal_a", JsonNumber(regulated.nominal.value)},
                  {"low_mains_a", JsonNumber(regulated.lowMains.value)},
                  {"at_search_limit", std::string(BoolText(regulated.nominal.atSearchLimit ||
                                                           regulated.lowMains.atSearchLimit))}},
                 {{"closed_form_nominal_a", JsonNumber(closed.maxRegulatedCurrent.nominal.value)},
                  {"closed_form_low_mains_a",
                   JsonNumber(closed.maxRegulatedCurrent.lowMains.value)}})},
            {"highest_voltage",
             beside({{"nominal_v", JsonNumber(limits.highestVoltage.nominalV)},
                     {"low_mains_v", JsonNumber(limits.highestVoltage.lowMainsV)}},
                    {{"closed_form_nominal_v", JsonNumber(closed.highestVoltage.nominalV)},
                     {"closed_form_low_mains_v", JsonNumber(closed.highestVoltage.lowMainsV)}})},
            {"max_transformer_load",
             beside(
                 {{"current_a", JsonNumber(load.current.value)},
                  {"power_w", JsonNumber(ToSingle(load.powerW))},
                  {"at_search_limit", std::string(BoolText(load.current.atSearchLimit))}},
                 {{"closed_form_current_a", JsonNumber(closed.maxTransformerLoad.current.value)}})},
            {"max_regulator_power",
             beside({{"power_w", JsonNumber(ToSingle(regulator.powerW))},
                     {"current_a", JsonNumber(regulator.current.value)},
                     {"thermal_resistance_k_per_w", OptionalWide(regulator.thermalResistanceKPerW)},
                     {"at_search_limit", std::string(BoolText(regulator.current.atSearchLimit))}},
                    {{"closed_form_current_a", JsonNumber(closed.maxRegulatorPower.current.value)},
                     {"closed_form_thermal_resistance_k_per_w",
                      OptionalWide(closed.maxRegulatorPower.thermalResistanceKPerW)}})},
            {"best_efficiency",
             beside({{"scale", JsonNumber(best.scale.value)},
                     {"NennU", OptionalNumber(best.ratedVoltage)},
                     {"LeerU", OptionalNumber(best.noLoadVoltage)},
                     {"NennI", OptionalNumber(best.ratedCurrent)},
                     {"efficiency_pct", OptionalNumber(best.efficiencyPct)},
                     {"design_efficiency_pct", JsonNumber(best.designEfficiencyPct)},
                     {"at_search_limit", std::string(BoolText(best.scale.atSearchLimit))}},
                    {{"closed_form_scale", JsonNumber(closed.bestEfficiency.scale.value)}})},
        },
        4);
}

class CTable {
public:
    void Heading(std::string_view heading) { m_text.append(heading).push_back('\n'); }

    void Line(std::string_view label, const std::optional<double>& value, int decimals,
              std::string_view unit, bool atLimit = false) {
        constexpr std::size_t kLabelWidth = 34;
        constexpr std::size_t kValueWidth = 10;
        const std::string shown = value ? FormatFieldValue(static_cast<float>(*value), decimals)
                                        : Tr(texts::kUndefinedValue);
        m_text.append("  ");
        AppendLeft(m_text, label, kLabelWidth);
        AppendRight(m_text, shown, kValueWidth, 0);
        if (!unit.empty()) {
            m_text.append(" ").append(unit);
        }
        if (atLimit) {
            m_text.append(Tr(ta::kAtSearchLimit));
        }
        m_text.push_back('\n');
    }

    void Append(std::string_view text) { m_text.append(text); }
    const std::string& Text() const { return m_text; }

private:
    std::string m_text;
};

std::optional<double> Wide(const std::optional<float>& value) {
    return value ? std::optional<double>(*value) : std::nullopt;
}

std::string Table(const std::optional<std::string>& input, const CLimits& closed,
                  const CDesign& design, const CAnalysisSettings& settings, bool closedForm) {
    const CLimits limits = Presented(closed, design, closedForm);
    CTable table;
    table.Append(std::string(Tr(kInputPrefix)) + InputTitle(input) + '\n');
    table.Append(SettingsLine(settings, design) + '\n');
    const auto& regulated = limits.maxRegulatedCurrent;
    table.Heading(Tr(ta::kLimitMaxRegulatedCurrent));
    table.Line(Tr(tc::kAtNominalMains), regulated.nominal.value, 3, "Ampere",
               regulated.nominal.atSearchLimit);
    table.Line(Tr(ta::kAtLowMains), regulated.lowMains.value, 3, "Ampere",
               regulated.lowMains.atSearchLimit);
    table.Heading(Tr(ta::kLimitHighestVoltage));
    table.Line(Tr(tc::kAtNominalMains), limits.highestVoltage.nominalV, 3, "Volt");
    table.Line(Tr(ta::kAtLowMains), limits.highestVoltage.lowMainsV, 3, "Volt");
    const auto& load = limits.maxTransformerLoad;
    table.Heading(Tr(ta::kLimitMaxTransformerLoad));
    table.Line(Tr(ta::kRatedPowerLabel), load.powerW, 3, "Watt");
    table.Line(Tr(tc::kLargestCurrent), load.current.value, 3, "Ampere",
               load.current.atSearchLimit);
    if (!closedForm) {
        table.Line(Tr(tc::kByRatedPowerClosedForm), closed.maxTransformerLoad.current.value, 3,
                   "Ampere", closed.maxTransformerLoad.current.atSearchLimit);
    }
    const auto& regulator = limits.maxRegulatorPower;
    table.Heading(Tr(ta::kLimitMaxRegulatorPower));
    table.Line(Tr(ta::kRegulatorPowerLabel), regulator.powerW, 3, "Watt");
    table.Line(Tr(tc::kLargestCurrent), regulator.current.value, 3, "Ampere",
               regulator.current.atSearchLimit);
    table.Line(Tr(tc::kLargestThermalResistance), regulator.thermalResistanceKPerW, 3, "K/W");
    const auto& best = limits.bestEfficiency;
    table.Heading(Tr(ta::kLimitBestEfficiency));
    table.Line(Tr(tc::kScale), best.scale.value, 3, "", best.scale.atSearchLimit);
    table.Line(Tr(tc::kRatedVoltage), Wide(best.ratedVoltage), 3, "Volt");
    table.Line(Tr(tc::kNoLoadVoltage), Wide(best.noLoadVoltage), 3, "Volt");
    table.Line(Tr(tc::kRatedCurrent), Wide(best.ratedCurrent), 3, "Ampere");
    table.Line(Tr(tc::kEfficiencyWith), Wide(best.efficiencyPct), 3, "%");
    table.Line(Tr(tc::kDesignEfficiency), best.designEfficiencyPct, 3, "%");
    return table.Text();
}

}  // namespace

int RunLimitsCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                     std::ostream& err) {
    return RunPerDesignCommand(
        args, in, out, err, {{EFormat::kTable, EFormat::kJson}, true, {std::string(kClosedForm)}},
        {kCommand, kUsage, {kHelp, kAnalysisOptionsHelp, kFormatHelp, kAnalysisExitStatus}},
        [](const CAnalysisOptions& options, const std::optional<std::string>& input,
           const CDesign& design) {
            const bool closedForm = ClosedForm(options);
            const CLimits limits = FindLimits(design, options.settings);
            return options.format == EFormat::kJson
                       ? Json(input, limits, design, options.settings, closedForm)
                       : Table(input, limits, design, options.settings, closedForm);
        });
}

}  // namespace ohmrada::cli
