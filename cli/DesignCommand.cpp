// SPDX-License-Identifier: GPL-3.0-or-later
#include "DesignCommand.h"

#include <cmath>
#include <filesystem>
#include <istream>
#include <optional>
#include <ostream>
#include <sstream>
#include <string_view>

#include "AnalysisArguments.h"
#include "Configuration.h"
#include "DesignSearch.h"
#include "FormRun.h"
#include "LineIo.h"
#include "MainsRegions.h"
#include "NamedValues.h"
#include "NgspiceCrossCheck.h"
#include "SafeFile.h"
#include "TextEscape.h"

namespace ohmrada::cli {

namespace {

constexpr std::string_view kCommand = "design";
constexpr std::string_view kDesignUsage =
    "Usage: ohmrada-calc design --voltage V --current A [--dual] [--mains-frequency 50|60]\n"
    "           [--mains-tolerance PCT|LOW:HIGH] [--region en50160|ansi-a|ansi-b]\n"
    "           [--capacitor-tolerance PCT] [--ambient C]\n"
    "           [--circuit einweg|bruecke|mittelpunkt] [--max-va VA] [--count N]\n"
    "           [--rank cost|loss|size] [--format table|json|csv] [--save FILE.odr]\n"
    "           [--bom FILE.csv] [--catalog FILE]...\n";

constexpr std::string_view kDesignHelp =
    "Proposes designs from the parts catalogues (transformer, rectifier,\n"
    "reservoir capacitor, regulator, heat sink) that deliver the output voltage\n"
    "at the output current, each with its parts list, best first: by default\n"
    "the lowest estimated cost of the parts list (ties: the least dissipation\n"
    "at nominal mains); --rank loss puts the least dissipation first, --rank size\n"
    "the smallest transformer VA, then capacitor C x U, then heat sink. Designs\n"
    "that make the same circuit are shown once (the cheaper), and a regulator\n"
    "rated above three times the load current only where no smaller one serves.\n"
    "Each candidate is proved by the circuit's periodic steady state at the\n"
    "worst-case corners:\n"
    "  low_minimum_voltage_v        low mains, capacitance less its tolerance:\n"
    "                               minimum >= output + dropout + 0.3 V\n"
    "  high_winding_rms_current_a   high mains: winding RMS <= rated current\n"
    "  regulator_current_a          output current <= the regulator's maximum\n"
    "  high_junction_temperature_c  high mains: Tj <= Tj,max - 10 K with the heat sink\n"
    "  high_regulator_input_v       no-load peak <= the regulator's input limit\n"
    "  capacitor_voltage_v          high-mains no-load peak + 10 % <= rated voltage\n"
    "  high_capacitor_ripple_current_a  ripple current <= the capacitor's rating\n"
    "  rectifier_current_a          mean current <= 80 % of the rating\n"
    "  high_rectifier_reverse_voltage_v  peak reverse voltage <= VRRM\n"
    "  rectifier_junction_temperature_c  high mains: Tj of the rectifier (each\n"
    "                               diode U_T I_mean + R I_rms^2 of the circuit's\n"
    "                               currents) <= Tj,max - 10 K, on a heat sink\n"
    "                               (HS2) where a bridge needs one\n"
    "  high_regulator_power_w       high mains: the regulator's loss <= the power\n"
    "                               its package's thermal data hold for\n"
    "  capacitor_life_h             L0 2^((T0 - Ta)/10) 2^((5 K - dT)/5 K), the\n"
    "                               ripple's rise dT = 5 K (I/Irated)^2, at most\n"
    "                               15 years, >= 20000 h\n"
    "  high_switch_on_surge_a       switch-on peak at the worst phase <= IFSM\n"
    "The parts list (table: \"parts\"; JSON: \"bom\") names every part with its\n"
    "maker and part number: T1 for a 230 V primary (120 V with --region ansi-a\n"
    "or ansi-b), F1 a 5x20 mm time-lag fuse of the next standard rating above\n"
    "1.25 times the primary's RMS current at nominal mains, RT1 an inrush\n"
    "limiter for toroids from 300 VA, D1-D4 or B1, C1 the reservoir, C2/C3 the\n"
    "regulator's capacitors from its datasheet, U1, R1/R2 (E96; R1 as the\n"
    "datasheet's circuit has it) within 1 % of the output, HS1 and P1.\n"
    "With --dual the design is a symmetric supply, +V and -V at the current on\n"
    "each rail: two equal secondaries in series with the tap between them as\n"
    "the ground, four diodes or a bridge, a reservoir on each rail (the same\n"
    "part, C1-C2), a positive regulator (U1) and the negative one of the same\n"
    "output (7815 and 7915; or two adjustables, LM317 and LM337), each with its\n"
    "heat sink (HS1, HS2). Each candidate is proved by the symmetric circuit at\n"
    "the corners; the checks named negative_... are the negative rail's, the\n"
    "others the positive rail's or the whole circuit's; the design saved (--save)\n"
    "states \"Topo : symmetrisch\", so that every analysis reads it as the same\n"
    "circuit. --circuit takes only bruecke or mittelpunkt with it.\n"
    "Where ngspice (libngspice.so.0) is installed, the three best are simulated\n"
    "once more at the low and the high corner (table: the line \"ngspice\";\n"
    "JSON: \"ngspice\"): the minimum against output + dropout, and the winding's\n"
    "RMS current against its rating. Shown, never required.\n"
    "\n"
    "Options:\n"
    "  --voltage V          the regulated output voltage (required)\n"
    "  --current A          the output current (required)\n"
    "  --mains-frequency F  50 (default) or 60 Hz\n"
    "  --mains-tolerance T  PCT or LOW:HIGH percent (default 10, EN 50160)\n"
    "  --region R           en50160 (+/-10 %), ansi-a (-5/+5 %) or ansi-b\n"
    "                       (-8.3/+5.8 %): the mains band of that standard\n"
    "  --capacitor-tolerance PCT  the capacitor's loss at the low corner (20)\n"
    "  --ambient C          ambient temperature (default 25)\n"
    "  --circuit NAME       only einweg, bruecke or mittelpunkt\n"
    "  --dual               a symmetric supply: +V and -V, each at the current\n"
    "  --max-va VA          the largest transformer to consider\n"
    "  --count N            candidates to show (default 3, at most 20)\n"
    "  --format FMT         table (default), json or csv\n"
    "  --rank R             cost (default), loss or size\n"
    "  --save FILE          save the first candidate as a configuration (.odr)\n"
    "  --bom FILE           write the first candidate's parts list as CSV\n"
    "                       (reference,quantity,value,description,manufacturer,mpn)\n"
    "  --catalog FILE       read a catalogue file besides the shipped ones and\n"
    "                       those in $XDG_DATA_HOME/ohmrada/catalog (repeatable)\n"
    "\n"
    "Exit status: 0 when a candidate passes, 1 when none does (the reasons and\n"
    "the nearest failures on standard error), 2 on a usage error or a catalogue\n"
    "file that cannot be used.\n";

// How many of the best candidates ngspice checks once more.
constexpr std::size_t kNgspiceChecked = 3;

struct CDesignOptions {
    CRequirements requirements;
    bool voltageGiven = false;
    bool currentGiven = false;
    std::optional<std::string> savePath;
    std::optional<std::string> bomPath;
    std::vector<std::string> catalogues;
    std::optional<std::string> circuitName;  // --circuit as given
    EFormat format = EFormat::kTable;
    bool help = false;
};

std::optional<std::string> ReadNumberOption(const std::string& name, const std::string& value,
                                            double low, double high, double& target) {
    const std::optional<double> number = ParseFiniteNumber(value);
    if (!number || *number < low || *number > high) {
        return name + " takes a number from " + ShortestNumber(low) + " to " +
               ShortestNumber(high) + ", not " + QuoteForDiagnostic(value);
    }
    target = *number;
    return std::nullopt;
}

// " (ansi-a)" when the mains band is a standard's, else nothing.
std::string RegionNote(const CAnalysisSettings& settings) {
    const std::optional<std::size_t> region = MainsRegionOf(settings);
    return region ? std::string(" (") + MainsRegions()[*region].id + ")" : std::string();
}

// One of design's own options with its value; the problem, if any.
std::optional<std::string> ReadDesignOption(const std::string& name, const std::string& value,
                                            CDesignOptions& options) {
    CRequirements& q = options.requirements;
    std::optional<std::string> problem;
    if (name == "--voltage") {
        problem = ReadNumberOption(name, value, 1.25, 1000.0, q.outputV);
        options.voltageGiven = true;
    } else if (name == "--current") {
        problem = ReadNumberOption(name, value, 0.001, 1000.0, q.currentA);
        options.currentGiven = true;
    } else if (name == "--ambient") {
        problem = ReadNumberOption(name, value, -40.0, 100.0, q.ambientC);
    } else if (name == "--max-va") {
        problem = ReadNumberOption(name, value, 0.1, 1e6, q.maxVa);
    } else if (name == "--count") {
        double count = 0.0;
        problem = ReadNumberOption(name, value, 1.0, 20.0, count);
        if (!problem && count != std::floor(count)) {
            problem = name + " takes a whole number from 1 to 20, not " + QuoteForDiagnostic(value);
        }
        q.count = static_cast<std::size_t>(count);
    } else if (name == "--circuit") {
        options.circuitName = value;
        if (value == "einweg") {
            q.circuit = ECircuitKind::kHalfWave;
        } else if (value == "bruecke") {
            q.circuit = ECircuitKind::kBridge;
        } else if (value == "mittelpunkt") {
            q.circuit = ECircuitKind::kCentreTap;
        } else {
            problem =
                name + " takes einweg, bruecke or mittelpunkt, not " + QuoteForDiagnostic(value);
        }
    } else if (name == "--save") {
        if (options.savePath || value.empty() || value == "-") {
            problem = "--save takes one file name";
        }
        options.savePath = value;
    } else if (name == "--bom") {
        if (options.bomPath || value.empty() || value == "-") {
            problem = "--bom takes one file name";
        }
        options.bomPath = value;
    } else if (name == "--rank") {
        if (const std::optional<ERank> rank = RankOfName(value)) {
            q.rank = *rank;
        } else {
            problem = name + " takes cost, loss or size, not " + QuoteForDiagnostic(value);
        }
    } else {
        options.catalogues.push_back(value);
    }
    return problem;
}

// The options design shares with the analysis commands (format, mains
// tolerance, capacitor tolerance, mains frequency); the problem, if any.
std::optional<std::string> ReadCommonOptions(const std::vector<std::string>& rest,
                                             CDesignOptions& options) {
    CAnalysisGrammar grammar;
    grammar.formats = {EFormat::kTable, EFormat::kJson, EFormat::kCsv};
    CParsed<CAnalysisOptions> common = ParseAnalysisArguments(rest, grammar);
    if (!common.value) {
        return common.problem;
    }
    options.help = common.value->help;
    options.format = common.value->format;
    options.requirements.mainsLowTolerancePct = common.value->settings.mainsLowTolerancePct;
    options.requirements.mainsHighTolerancePct = common.value->settings.mainsHighTolerancePct;
    options.requirements.capacitorTolerancePct = common.value->settings.capacitorTolerancePct;
    if (!common.value->operands.empty()) {
        return "design reads no configuration file: " +
               QuoteForDiagnostic(common.value->operands.front());
    }
    for (const CSetting& setting : common.value->entries) {
        if (setting.kind != CSetting::EKind::kCommand) {
            return "design takes no --set: " + QuoteForDiagnostic(setting.argument);
        }
        options.requirements.mainsFrequencyHz = setting.argument.ends_with("60") ? 60 : 50;
    }
    return std::nullopt;
}

CParsed<CDesignOptions> ParseDesignArguments(const std::vector<std::string>& args) {
    CDesignOptions options;
    std::vector<std::string> rest;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::optional<std::string> inlineValue;
        if (const std::size_t equals = name.find('=');
            name.rfind("--", 0) == 0 && equals != std::string::npos) {
            inlineValue = name.substr(equals + 1);
            name.resize(equals);
        }
        static const std::vector<std::string> own = {
            "--voltage", "--current", "--ambient", "--circuit", "--max-va", "--count",
            "--save",    "--bom",     "--rank",    "--catalog", "--tj-max", "--leakage-inductance",
            "--dual"};
        if (std::find(own.begin(), own.end(), name) == own.end()) {
            rest.push_back(args[i]);
            if (name == "--") {
                rest.insert(rest.end(), args.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                            args.end());
                break;
            }
            continue;
        }
        if (name == "--dual") {
            if (inlineValue) {
                return {std::nullopt, "--dual takes no value"};
            }
            options.requirements.dual = true;
            continue;
        }
        if (name == "--tj-max") {
            return {std::nullopt,
                    "design takes each regulator's own Tj,max from the catalogue; "
                    "--tj-max does not apply"};
        }
        if (!inlineValue && i + 1 >= args.size()) {
            return {std::nullopt, name + " needs a value"};
        }
        const std::string value = inlineValue ? *inlineValue : args[++i];
        if (const std::optional<std::string> problem = ReadDesignOption(name, value, options)) {
            return {std::nullopt, *problem};
        }
    }
    if (const std::optional<std::string> problem = ReadCommonOptions(rest, options)) {
        return {std::nullopt, *problem};
    }
    if (!options.help && (!options.voltageGiven || !options.currentGiven)) {
        return {std::nullopt, "design needs --voltage and --current"};
    }
    if (options.requirements.dual && options.requirements.circuit == ECircuitKind::kHalfWave) {
        return {std::nullopt, "--circuit " + QuoteForDiagnostic(options.circuitName.value_or("")) +
                                  " does not apply with --dual: a symmetric supply rectifies its "
                                  "centre-tapped winding with four diodes (--circuit bruecke or "
                                  "mittelpunkt)"};
    }
    if (options.bomPath && options.savePath && *options.bomPath == *options.savePath) {
        return {std::nullopt, "--bom and --save name the same file"};
    }
    return {options, {}};
}

std::string Number(double value) {
    if (!std::isfinite(value)) {
        return value > 0 ? "inf" : "n. def.";
    }
    const double rounded = std::round(value * 1000.0) / 1000.0;
    return ShortestNumber(rounded == 0.0 ? 0.0 : rounded);
}

std::string HeatSinkText(const CCatalogue& catalogue, int heatSink, int pad) {
    if (heatSink < 0) {
        return "no heat sink";
    }
    std::string text = catalogue.heatSinks[static_cast<std::size_t>(heatSink)].id;
    if (pad >= 0) {
        text += " + " + catalogue.heatSinks[static_cast<std::size_t>(pad)].id;
    }
    return text;
}

// A symmetric supply's rails by name: "+15 V", "-15 V".
std::string RailName(double outputV, bool negative) {
    return (negative ? "-" : "+") + ShortestNumber(outputV) + " V";
}

// The circuit of a candidate: the rectifier's name, or "symmetrisch" (the
// word of the design's file) for a symmetric supply.
std::string CircuitText(const CPartChoice& choice) {
    return choice.dual ? std::string(kDualTopology) : std::string(CircuitName(choice.circuit));
}

// A price to the cent.
std::string Money(double eur) {
    if (!std::isfinite(eur)) {
        return "n. def.";
    }
    std::string text = ShortestNumber(std::round(eur * 100.0) / 100.0);
    const std::size_t point = text.find('.');
    if (point == std::string::npos) {
        return text + ".00";
    }
    return text.append(2 - std::min<std::size_t>(2, text.size() - point - 1), '0');
}

std::string BomJson(const CBom& bom) {
    std::vector<std::string> lines;
    for (const CBomLine& line : bom.lines) {
        lines.push_back(JsonObject({{"reference", JsonString(line.reference)},
                                    {"quantity", std::to_string(line.quantity)},
                                    {"value", JsonString(line.value)},
                                    {"description", JsonString(line.description)},
                                    {"manufacturer", JsonString(line.manufacturer)},
                                    {"mpn", JsonString(line.mpn)},
                                    {"unit_price_eur", JsonNumber(line.unitPrice)}},
                                   6));
    }
    return JsonArray(lines);
}

std::string CheckLine(const CCheck& check) {
    if (!check.evaluated) {
        return check.name + ": not evaluated";
    }
    return check.name + ": " + Number(check.value) + (check.atLeast ? " >= " : " <= ") +
           Number(check.limit) + " " + check.unit + ", margin " + Number(check.margin) +
           (check.passed ? " ok" : " FAILED");
}

// The ngspice line of a candidate checked: the low corner's minimum against
// what the regulator needs, the high corner's winding current.
std::string NgspiceLine(const CNgspiceCrossCheck& check) {
    if (!check.simulated) {
        return "ngspice      not simulated: " + check.message;
    }
    return "ngspice      low minimum " + Number(check.lowMinimumV) + " V (needs " +
           Number(check.targetV) + " V, " + (check.TargetHeld() ? "held" : "NOT HELD") +
           "), high winding " + Number(check.highWindingRmsA) + " A (rated " +
           Number(check.windingRatedA) + " A, " +
           (check.WindingWithinRating() ? "within" : "ABOVE") + ")";
}

std::string NgspiceJson(const CNgspiceCrossCheck& check) {
    if (!check.simulated) {
        return JsonObject({{"simulated", "false"}, {"message", JsonString(check.message)}}, 4);
    }
    return JsonObject({{"simulated", "true"},
                       {"low_minimum_voltage_v", JsonNumber(check.lowMinimumV)},
                       {"needed_voltage_v", JsonNumber(check.targetV)},
                       {"target_held", check.TargetHeld() ? "true" : "false"},
                       {"high_winding_rms_current_a", JsonNumber(check.highWindingRmsA)},
                       {"winding_rated_current_a", JsonNumber(check.windingRatedA)},
                       {"winding_within_rating", check.WindingWithinRating() ? "true" : "false"}},
                      4);
}

void WriteCandidateTable(const CCatalogue& catalogue, const CCandidate& c,
                         const CNgspiceCrossCheck* ngspice, const CRequirements& q,
                         std::ostream& out) {
    const CPartChoice& p = c.choice;
    const CTransformerPart& t = catalogue.transformers[p.transformer];
    const CCapacitorPart& cap = catalogue.capacitors[p.capacitor];
    out << "transformer  " << t.id << " (" << ConnectionText(catalogue, p) << ", " << CircuitText(p)
        << "), " << Number(t.va) << " VA, regulation " << Number(t.regulationPct) << " %\n"
        << "rectifier    " << catalogue.rectifiers[p.rectifier].name << '\n'
        << "capacitor    " << cap.id << ", ripple rating " << Number(cap.rippleA) << " A, life "
        << Number(std::round(c.capacitorLifeH)) << " h at the ambient\n"
        << "regulator    " << (p.dual ? RailName(q.outputV, false) + ": " : std::string())
        << catalogue.regulators[p.regulator].name << ", "
        << HeatSinkText(catalogue, p.heatSink, p.pad);
    if (p.dual) {
        out << "; " << RailName(q.outputV, true) << ": "
            << catalogue.regulators[p.negativeRegulator].name << ", "
            << HeatSinkText(catalogue, p.negativeHeatSink, p.negativePad);
    }
    out << ", Rja " << Number(c.rjaKPerW) << " K/W\n";
    const CCheck& binding = c.checks[c.binding];
    out << "binding      " << binding.name << " (margin " << Number(binding.margin) << ' '
        << binding.unit << ")\n";
    for (const CCheck& check : c.checks) {
        out << "  " << CheckLine(check) << '\n';
    }
    if (ngspice != nullptr) {
        out << NgspiceLine(*ngspice) << '\n';
    }
    out << "parts        about " << Money(c.costEur) << " EUR, primary "
        << Number(c.primaryCurrentA) << " A, loss " << Number(c.lossW) << " W at nominal mains\n";
    for (const CBomLine& line : c.bom.lines) {
        out << "  " << line.reference << "  " << line.quantity << " x " << line.value << "  "
            << (line.mpn.empty() ? std::string("(no part number)")
                                 : line.manufacturer + " " + line.mpn)
            << "  " << line.description << '\n';
    }
}

std::string PartsJson(const CCatalogue& catalogue, const CPartChoice& p, const CRequirements& q) {
    const auto part = [](std::string_view id, std::string_view name, std::string_view origin) {
        return JsonObject(
            {{"id", JsonString(id)}, {"name", JsonString(name)}, {"origin", JsonString(origin)}},
            6);
    };
    const CTransformerPart& t = catalogue.transformers[p.transformer];
    const CRectifierPart& r = catalogue.rectifiers[p.rectifier];
    const CCapacitorPart& c = catalogue.capacitors[p.capacitor];
    const CRegulatorPart& g = catalogue.regulators[p.regulator];
    std::vector<std::pair<std::string_view, std::string>> members = {
        {"transformer", part(t.id, t.series + " " + ConnectionText(catalogue, p), t.origin)},
        {"circuit", JsonString(CircuitText(p))},
        {"rectifier", part(r.id, r.name, r.origin)},
        {"capacitor", part(c.id, c.name, c.origin)},
        {"regulator", part(g.id, g.name, g.origin)},
    };
    if (p.heatSink >= 0) {
        const CHeatSinkPart& s = catalogue.heatSinks[static_cast<std::size_t>(p.heatSink)];
        members.emplace_back("heat_sink", part(s.id, s.name, s.origin));
    } else {
        members.emplace_back("heat_sink", "null");
    }
    if (p.pad >= 0) {
        const CHeatSinkPart& s = catalogue.heatSinks[static_cast<std::size_t>(p.pad)];
        members.emplace_back("pad", part(s.id, s.name, s.origin));
    } else {
        members.emplace_back("pad", "null");
    }
    if (p.dual) {
        // The rails by name, and the negative rail's regulator and sink.
        const CRegulatorPart& n = catalogue.regulators[p.negativeRegulator];
        members.emplace_back("rails", JsonArray({JsonString(RailName(q.outputV, false)),
                                                 JsonString(RailName(q.outputV, true))}));
        members.emplace_back("negative_regulator", part(n.id, n.name, n.origin));
        if (p.negativeHeatSink >= 0) {
            const CHeatSinkPart& s =
                catalogue.heatSinks[static_cast<std::size_t>(p.negativeHeatSink)];
            members.emplace_back("negative_heat_sink", part(s.id, s.name, s.origin));
        } else {
            members.emplace_back("negative_heat_sink", "null");
        }
    }
    return JsonObject(members, 4);
}

std::string CandidateJson(const CCatalogue& catalogue, const CCandidate& c,
                          const CNgspiceCrossCheck* ngspice, const CRequirements& q) {
    std::vector<std::string> checks;
    for (const CCheck& check : c.checks) {
        checks.push_back(JsonObject({{"name", JsonString(check.name)},
                                     {"unit", JsonString(check.unit)},
                                     {"value", JsonNumber(check.value)},
                                     {"limit", JsonNumber(check.limit)},
                                     {"margin", JsonNumber(check.margin)},
                                     {"passed", check.passed ? "true" : "false"}},
                                    4));
    }
    std::vector<std::pair<std::string_view, std::string>> members = {
        {"rank", std::to_string(c.rank)},
        {"passed", c.passed ? "true" : "false"},
        {"inputs", JsonObject(InputsAsJson(c.design), 6)},
        {"parts", PartsJson(catalogue, c.choice, q)},
        {"checks", JsonArray(checks)},
        {"binding", JsonString(c.checks[c.binding].name)},
        {"cost_eur", JsonNumber(c.costEur)},
        {"loss_w", JsonNumber(c.lossW)},
        {"primary_current_a", JsonNumber(c.primaryCurrentA)},
        {"bom", BomJson(c.bom)},
        // What the candidate was proved at.
        {"mains_frequency_hz", std::to_string(q.mainsFrequencyHz)},
        {"mains_low_tolerance_pct", JsonNumber(q.mainsLowTolerancePct)},
        {"mains_high_tolerance_pct", JsonNumber(q.mainsHighTolerancePct)},
        {"ambient_c", JsonNumber(q.ambientC)}};
    if (ngspice != nullptr) {
        members.emplace_back("ngspice", NgspiceJson(*ngspice));
    }
    return JsonObject(members, 2);
}

void WriteCsv(const CCatalogue& catalogue, const std::vector<CCandidate>& candidates,
              const CRequirements& q, std::ostream& out) {
    // A symmetric supply's rows name the rails and the negative rail's parts
    // in three more columns after the heat sink.
    out << "rank,transformer,connection,rectifier,capacitor,regulator,heat_sink,"
        << (q.dual ? "rails,negative_regulator,negative_heat_sink," : "")
        << "binding,binding_margin";
    if (!candidates.empty()) {
        for (const auto& [name, value] : InputsAsCsv(candidates.front().design)) {
            out << ',' << name;
        }
    }
    out << ",cost_eur,loss_w\n";
    for (const CCandidate& c : candidates) {
        const CPartChoice& p = c.choice;
        out << c.rank << ',' << CsvField(catalogue.transformers[p.transformer].id) << ','
            << CsvField(ConnectionText(catalogue, p)) << ','
            << CsvField(catalogue.rectifiers[p.rectifier].id) << ','
            << CsvField(catalogue.capacitors[p.capacitor].id) << ','
            << CsvField(catalogue.regulators[p.regulator].id) << ','
            << CsvField(p.heatSink < 0
                            ? ""
                            : catalogue.heatSinks[static_cast<std::size_t>(p.heatSink)].id);
        if (q.dual) {
            // "±15 V": a cell starting with "+" would be neutralised as a formula.
            out << ',' << CsvField("\u00B1" + ShortestNumber(q.outputV) + " V") << ','
                << CsvField(catalogue.regulators[p.negativeRegulator].id) << ','
                << CsvField(
                       p.negativeHeatSink < 0
                           ? ""
                           : catalogue.heatSinks[static_cast<std::size_t>(p.negativeHeatSink)].id);
        }
        out << ',' << c.checks[c.binding].name << ',' << ShortestNumber(c.checks[c.binding].margin);
        for (const auto& [name, value] : InputsAsCsv(c.design)) {
            out << ',' << value;
        }
        out << ',' << ShortestNumber(c.costEur) << ',' << ShortestNumber(c.lossW) << '\n';
    }
}

}  // namespace

int RunDesignCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                     std::ostream& err) {
    (void)in;
    const CParsed<CDesignOptions> parsed = ParseDesignArguments(args);
    if (!parsed.value) {
        return ReportUsageError(kCommand, kDesignUsage, parsed.problem, err);
    }
    const CDesignOptions& options = *parsed.value;
    if (options.help) {
        out << kDesignUsage << '\n' << kDesignHelp;
        return out ? 0 : 2;
    }
    CCatalogue catalogue = LoadCatalogue();
    bool cataloguesOk = true;
    for (const std::string& file : options.catalogues) {
        cataloguesOk = AddCatalogueFile(catalogue, file) && cataloguesOk;
    }
    for (const CCatalogueProblem& problem : catalogue.problems) {
        err << kProgram << ": catalogue " << problem.Text() << '\n';
    }
    if (!cataloguesOk) {
        return 2;
    }
    // The parts list's file is prepared before the search, so that a target
    // refused (a link, a FIFO, a catalogue read) costs no search.
    std::unique_ptr<CSafeFile> bomFile;
    if (options.bomPath) {
        std::vector<std::filesystem::path> inputs(options.catalogues.begin(),
                                                  options.catalogues.end());
        if (options.savePath) {
            inputs.emplace_back(*options.savePath);
        }
        std::error_code error;
        bomFile = CSafeFile::Create(*options.bomPath, error, inputs);
        if (!bomFile) {
            err << kProgram << ": cannot write the parts list to "
                << QuoteForDiagnostic(*options.bomPath) << ": " << ReasonText(error) << '\n';
            return 2;
        }
    }
    const CRequirements& q = options.requirements;
    const CDesignSearchResult result = SearchDesigns(catalogue, q);
    if (result.candidates.empty()) {
        err << kProgram << ": no design from the catalogues gives "
            << (q.dual ? RailName(q.outputV, false) + " and " + RailName(q.outputV, true)
                       : Number(q.outputV) + " V")
            << " at " << Number(q.currentA) << " A\n";
        if (const std::string binding = BindingText(catalogue, q, result); !binding.empty()) {
            err << "  " << binding << '\n';
        }
        for (const CRuledOut& reason : result.reasons) {
            err << "  ruled out: " << RuledOutText(reason) << '\n';
        }
        for (const CCandidate& near : result.nearest) {
            const CPartChoice& p = near.choice;
            err << "  nearest: " << catalogue.transformers[p.transformer].id << " ("
                << ConnectionText(catalogue, p) << ", " << CircuitText(p) << "), "
                << catalogue.capacitors[p.capacitor].id << ", "
                << catalogue.regulators[p.regulator].id
                << (p.dual ? " and " + catalogue.regulators[p.negativeRegulator].id : "") << '\n';
            for (const CCheck& check : near.checks) {
                if (!check.passed && check.evaluated) {
                    err << "    " << CheckLine(check) << '\n';
                }
            }
        }
        return 1;
    }
    int status = 0;
    if (bomFile && !(bomFile->Write(BomCsv(result.candidates.front().bom)) && bomFile->Commit())) {
        err << kProgram << ": cannot write the parts list to "
            << QuoteForDiagnostic(*options.bomPath) << ": " << ReasonText(bomFile->Error()) << '\n';
        status = 2;
    }
    if (options.savePath) {
        std::istringstream configuration(result.candidates.front().design.FileText());
        // Opened in a fresh form and saved through its Save As.
        const CFormRun run =
            RunForm(std::string(kStandardInput), {}, options.savePath, configuration);
        err << run.diagnostics;
        if (!run.view || run.saveFailed) {
            status = 2;
        }
    }
    // The three best once more through ngspice, where it is installed.
    std::vector<CNgspiceCrossCheck> ngspice;
    if (options.format != EFormat::kCsv) {
        for (std::size_t i = 0; i < result.candidates.size() && i < kNgspiceChecked; ++i) {
            ngspice.push_back(CrossCheckWithNgspice(result.candidates[i], q));
            if (!ngspice.back().available) {
                ngspice.clear();
                break;
            }
        }
    }
    const auto ngspiceOf = [&ngspice](std::size_t i) {
        return i < ngspice.size() ? &ngspice[i] : nullptr;
    };
    return WriteInFormat(
        options.format,
        [&](std::ostream& o) {
            o << "Design for "
              << (q.dual ? RailName(q.outputV, false) + " and " + RailName(q.outputV, true) +
                               " (symmetric supply)"
                         : Number(q.outputV) + " V")
              << " at " << Number(q.currentA) << (q.dual ? " A each" : " A") << ", mains "
              << q.mainsFrequencyHz << " Hz " << MainsToleranceText(q.Settings(125.0)) << " %"
              << RegionNote(q.Settings(125.0)) << ", ambient " << Number(q.ambientC) << " C ("
              << result.solved << " steady states solved)\n";
            for (std::size_t i = 0; i < result.candidates.size(); ++i) {
                o << "\n#" << result.candidates[i].rank << '\n';
                WriteCandidateTable(catalogue, result.candidates[i], ngspiceOf(i), q, o);
            }
        },
        [&](std::ostream& o) {
            std::vector<std::string> elements;
            for (std::size_t i = 0; i < result.candidates.size(); ++i) {
                elements.push_back(CandidateJson(catalogue, result.candidates[i], ngspiceOf(i), q));
            }
            o << JsonArray(elements);
        },
        [&](std::ostream& o) { WriteCsv(catalogue, result.candidates, q, o); }, status, out, err);
}

}  // namespace ohmrada::cli
