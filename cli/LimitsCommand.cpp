// SPDX-License-Identifier: GPL-3.0-or-later
// ohmrada-calc limits: the five searches of the menu "Suchen".
#include <ostream>
#include <string_view>

#include "AnalysisCommands.h"
#include "FormText.h"
#include "Limits.h"
#include "NamedValues.h"
#include "NumberText.h"
#include "TextEscape.h"
#include "Texts.h"

namespace ohmrada::cli {

namespace {

constexpr std::string_view kCommand = "limits";

constexpr std::string_view kUsage =
    "Usage: ohmrada-calc limits [--mains-tolerance PCT|LOW:HIGH] [--capacitor-tolerance PCT]\n"
    "                           [--tj-max DEGC] [--set NAME=TEXT]...\n"
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
    "Options:\n"
    "  --mains-tolerance PCT|LOW:HIGH  0 to 50 each, default 10\n"
    "  --capacitor-tolerance PCT  0 to 50, default 20\n"
    "  --tj-max DEGC              Tj,max, default 125; must lie above Tu\n"
    "  --set NAME=TEXT            as for the form command (repeatable, in order)\n"
    "  --format FMT               table (default; German, for people) or json\n"
    "                             (an array with an object per input)\n"
    "\n"
    "Exit status: 0 on success; 2 on a usage error, or when an input cannot be\n"
    "read or analysed (it gives no output; the others are still printed).\n";

constexpr std::string_view kAtLimitMark = " (Suchgrenze)";

std::string_view BoolText(bool value) {
    return value ? "true" : "false";
}

std::string OptionalNumber(const std::optional<float>& value) {
    return value ? JsonNumber(*value) : std::string("null");
}

std::string Json(const std::optional<std::string>& input, const CDesign& design,
                 const CLimits& limits, const CAnalysisSettings& settings) {
    constexpr int kIndent = 6;
    const auto& regulated = limits.maxRegulatedCurrent;
    const auto& load = limits.maxTransformerLoad;
    const auto& regulator = limits.maxRegulatorPower;
    const auto& best = limits.bestEfficiency;
    return JsonObject(
        {
            {"input", input ? JsonString(*input) : std::string("null")},
            {"mains_frequency_hz", JsonNumber(design.mainsFrequency)},
            {"mains_tolerance_pct", settings.mainsLowTolerancePct == settings.mainsHighTolerancePct
                                        ? JsonNumber(settings.mainsLowTolerancePct)
                                        : std::string("null")},
            {"mains_low_tolerance_pct", JsonNumber(settings.mainsLowTolerancePct)},
            {"mains_high_tolerance_pct", JsonNumber(settings.mainsHighTolerancePct)},
            {"capacitor_tolerance_pct", JsonNumber(settings.capacitorTolerancePct)},
            {"tj_max_c", JsonNumber(settings.junctionLimitC)},
            {"max_regulated_current",
             JsonObject(
                 {{"nominal_a", JsonNumber(regulated.nominal.value)},
                  {"low_mains_a", JsonNumber(regulated.lowMains.value)},
                  {"at_search_limit", std::string(BoolText(regulated.nominal.atSearchLimit ||
                                                           regulated.lowMains.atSearchLimit))}},
                 kIndent)},
            {"highest_voltage",
             JsonObject({{"nominal_v", JsonNumber(limits.highestVoltage.nominalV)},
                         {"low_mains_v", JsonNumber(limits.highestVoltage.lowMainsV)}},
                        kIndent)},
            {"max_transformer_load",
             JsonObject({{"current_a", JsonNumber(load.current.value)},
                         {"power_w", JsonNumber(ToSingle(load.powerW))},
                         {"at_search_limit", std::string(BoolText(load.current.atSearchLimit))}},
                        kIndent)},
            {"max_regulator_power",
             JsonObject(
                 {{"power_w", JsonNumber(ToSingle(regulator.powerW))},
                  {"current_a", JsonNumber(regulator.current.value)},
                  {"thermal_resistance_k_per_w",
                   regulator.thermalResistanceKPerW
                       ? JsonNumber(ToSingle(*regulator.thermalResistanceKPerW))
                       : std::string("null")},
                  {"at_search_limit", std::string(BoolText(regulator.current.atSearchLimit))}},
                 kIndent)},
            {"best_efficiency",
             JsonObject({{"scale", JsonNumber(best.scale.value)},
                         {"NennU", OptionalNumber(best.ratedVoltage)},
                         {"LeerU", OptionalNumber(best.noLoadVoltage)},
                         {"NennI", OptionalNumber(best.ratedCurrent)},
                         {"efficiency_pct", OptionalNumber(best.efficiencyPct)},
                         {"design_efficiency_pct", JsonNumber(best.designEfficiencyPct)},
                         {"at_search_limit", std::string(BoolText(best.scale.atSearchLimit))}},
                        kIndent)},
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
        const std::string shown =
            value ? FormatFieldValue(static_cast<float>(*value), decimals) : texts::kUndefinedValue;
        m_text.append("  ").append(label);
        Pad(DisplayWidth(label), kLabelWidth);
        Pad(DisplayWidth(shown), kValueWidth);
        m_text.append(shown);
        if (!unit.empty()) {
            m_text.append(" ").append(unit);
        }
        if (atLimit) {
            m_text.append(kAtLimitMark);
        }
        m_text.push_back('\n');
    }

    void Append(std::string_view text) { m_text.append(text); }
    const std::string& Text() const { return m_text; }

private:
    void Pad(std::size_t width, std::size_t to) {
        if (width < to) {
            m_text.append(to - width, ' ');
        }
    }

    std::string m_text;
};

std::optional<double> Wide(const std::optional<float>& value) {
    return value ? std::optional<double>(*value) : std::nullopt;
}

std::string Table(const std::optional<std::string>& input, const CLimits& limits,
                  const CAnalysisSettings& settings) {
    CTable table;
    table.Append(std::string(kInputPrefix) + InputTitle(input) + '\n');
    table.Append("Netztoleranz " + MainsToleranceText(settings) + " %, Kondensatortoleranz " +
                 ShortestNumber(settings.capacitorTolerancePct) + " %, Tj,max " +
                 ShortestNumber(settings.junctionLimitC) + " \xC2\xB0" + "C\n\n");
    const auto& regulated = limits.maxRegulatedCurrent;
    table.Heading("maximal regelbarer Strom");
    table.Line("bei Nennspannung des Netzes:", regulated.nominal.value, 3, "Ampere",
               regulated.nominal.atSearchLimit);
    table.Line("bei Unterspannung:", regulated.lowMains.value, 3, "Ampere",
               regulated.lowMains.atSearchLimit);
    table.Heading(
        "h\xC3\xB6"
        "chste Spannung");
    table.Line("bei Nennspannung des Netzes:", limits.highestVoltage.nominalV, 3, "Volt");
    table.Line("bei Unterspannung:", limits.highestVoltage.lowMainsV, 3, "Volt");
    const auto& load = limits.maxTransformerLoad;
    table.Heading("maximale Trafonennleistung");
    table.Line("Nennleistung:", load.powerW, 3, "Watt");
    table.Line("gr\xC3\xB6\xC3\x9Fter Lastgleichstrom:", load.current.value, 3, "Ampere",
               load.current.atSearchLimit);
    const auto& regulator = limits.maxRegulatorPower;
    table.Heading("maximale Reglerverlustleistung");
    table.Line("Verlustleistung bei Tj,max:", regulator.powerW, 3, "Watt");
    table.Line("gr\xC3\xB6\xC3\x9Fter Lastgleichstrom:", regulator.current.value, 3, "Ampere",
               regulator.current.atSearchLimit);
    table.Line("gr\xC3\xB6\xC3\x9Fter W\xC3\xA4rmewiderstand:", regulator.thermalResistanceKPerW, 3,
               "K/W");
    const auto& best = limits.bestEfficiency;
    table.Heading("optimaler Wirkungsgrad");
    table.Line("Faktor der Trafospannung:", best.scale.value, 3, "", best.scale.atSearchLimit);
    table.Line("Nennspannung:", Wide(best.ratedVoltage), 3, "Volt");
    table.Line("Leerlaufspannung:", Wide(best.noLoadVoltage), 3, "Volt");
    table.Line("Nennstrom:", Wide(best.ratedCurrent), 3, "Ampere");
    table.Line("Wirkungsgrad damit:", Wide(best.efficiencyPct), 3, "%");
    table.Line("Wirkungsgrad des Entwurfs:", best.designEfficiencyPct, 3, "%");
    return table.Text();
}

}  // namespace

int RunLimitsCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                     std::ostream& err) {
    const CParsed<CAnalysisOptions> parsed =
        ParseAnalysisArguments(args, {{EFormat::kTable, EFormat::kJson}, true, {}});
    if (!parsed.value) {
        return ReportUsageError(kCommand, kUsage, parsed.problem, err);
    }
    const CAnalysisOptions& options = *parsed.value;
    if (options.help) {
        return FinishOutput(std::string(kUsage) + '\n' + std::string(kHelp), true, out, err);
    }
    std::vector<std::string> pieces;
    const bool ok = ForEachDesign(
        options, in, err, [&](const std::optional<std::string>& input, const CDesign& design) {
            const CLimits limits = FindLimits(design, options.settings);
            pieces.push_back(options.format == EFormat::kJson
                                 ? Json(input, design, limits, options.settings)
                                 : Table(input, limits, options.settings));
        });
    std::string text;
    if (options.format == EFormat::kJson) {
        text = JsonArray(pieces);
    } else {
        for (std::size_t i = 0; i < pieces.size(); ++i) {
            text.append(i == 0 ? "" : "\n").append(pieces[i]);
        }
    }
    return FinishOutput(text, ok, out, err);
}

}  // namespace ohmrada::cli
