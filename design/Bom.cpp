// SPDX-License-Identifier: GPL-3.0-or-later
#include "Bom.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>

#include "CsvText.h"
#include "DesignCircuit.h"
#include "InputTable.h"
#include "NumberText.h"
#include "SteadyState.h"

namespace ohmrada {

namespace {

// IEC 60063's E96 series, one decade.
constexpr std::array<int, 96> kE96 = {
    100, 102, 105, 107, 110, 113, 115, 118, 121, 124, 127, 130, 133, 137, 140, 143,
    147, 150, 154, 158, 162, 165, 169, 174, 178, 182, 187, 191, 196, 200, 205, 210,
    215, 221, 226, 232, 237, 243, 249, 255, 261, 267, 274, 280, 287, 294, 301, 309,
    316, 324, 332, 340, 348, 357, 365, 374, 383, 392, 402, 412, 422, 432, 442, 453,
    464, 475, 487, 499, 511, 523, 536, 549, 562, 576, 590, 604, 619, 634, 649, 665,
    681, 698, 715, 732, 750, 768, 787, 806, 825, 845, 866, 887, 909, 931, 953, 976};

// The application circuit's R1 is kept while R2 alone brings the nominal
// output this near the target.
constexpr double kMakersR1Within = 0.005;

// The shortest text of a value rounded to three significant digits.
// The text with its first letter in lower case ("Linear ..." within a sentence).
std::string Lowered(std::string text) {
    if (!text.empty() && text.front() >= 'A' && text.front() <= 'Z') {
        text.front() = static_cast<char>(text.front() - 'A' + 'a');
    }
    return text;
}

std::string Short(double value) {
    if (value == 0.0 || !std::isfinite(value)) {
        return ShortestNumber(value);
    }
    const double scale = std::pow(10.0, 2 - std::floor(std::log10(std::fabs(value))));
    return ShortestNumber(std::round(value * scale) / scale);
}

// The output of a divider: U = Uref (1 + R2 / R1) + Iadj R2.
double DividerOutput(double referenceV, double r1, double r2, double adjustA) {
    return referenceV * (1.0 + r2 / r1) + adjustA * r2;
}

// The E96 values of a few decades, rising.
std::vector<double> E96Values(double low, double high) {
    std::vector<double> values;
    for (double decade = std::pow(10.0, std::floor(std::log10(low)) - 2.0); decade <= high;
         decade *= 10.0) {
        for (int step : kE96) {
            const double value = std::round(step * decade * 1000.0) / 1000.0;
            if (value >= low * (1.0 - 1e-9) && value <= high * (1.0 + 1e-9)) {
                values.push_back(value);
            }
        }
    }
    return values;
}

std::string CapacitanceText(double uf) {
    return Short(uf) + " uF";
}

// The accessory capacitor of the regulator: the smallest value of at least
// uf, rated for volts; of equal values the first in the catalogue (the
// file's order is its preference: tantalum before aluminium).
const CAccessoryPart* SmallCapacitor(const CCatalogue& catalogue, double uf, double volts) {
    const CAccessoryPart* best = nullptr;
    for (const CAccessoryPart& part : catalogue.accessories) {
        if (part.kind != EAccessory::kCapacitor || part.value < uf * (1.0 - 1e-9) ||
            part.rating < volts) {
            continue;
        }
        if (best == nullptr || part.value < best->value) {
            best = &part;
        }
    }
    return best;
}

const CAccessoryPart* InrushLimiter(const CCatalogue& catalogue, double ratedPrimaryA) {
    const CAccessoryPart* best = nullptr;
    for (const CAccessoryPart& part : catalogue.accessories) {
        if (part.kind == EAccessory::kInrushLimiter && part.rating >= ratedPrimaryA &&
            (best == nullptr || part.rating < best->rating ||
             (part.rating == best->rating && part.priceEur < best->priceEur))) {
            best = &part;
        }
    }
    return best;
}

const CAccessoryPart* ResistorSeries(const CCatalogue& catalogue) {
    for (const CAccessoryPart& part : catalogue.accessories) {
        if (part.kind == EAccessory::kResistor) {
            return &part;
        }
    }
    return nullptr;
}

std::string FuseText(double amperes) {
    return amperes < 1.0 ? "T " + Short(amperes * 1000.0) + " mA" : "T " + Short(amperes) + " A";
}

template <class T>
CBomLine LineOf(const T* part, std::string reference, int quantity, std::string value,
                std::string description) {
    CBomLine line;
    line.reference = std::move(reference);
    line.quantity = quantity;
    line.value = std::move(value);
    line.description = std::move(description);
    if (part != nullptr) {
        line.manufacturer = part->manufacturer;
        line.mpn = part->mpn;
        line.unitPrice = part->priceEur;
    }
    return line;
}

const char* SeriesName(const std::string& series) {
    if (series == "toroid") {
        return "toroidal";
    }
    if (series == "ei") {
        return "EI core";
    }
    if (series == "pcb") {
        return "PCB";
    }
    return nullptr;
}

}  // namespace

double CBom::Cost() const {
    double cost = 0.0;
    for (const CBomLine& line : lines) {
        cost += line.quantity * line.unitPrice;
    }
    return cost;
}

std::string BomCsv(const CBom& bom) {
    std::string text = "reference,quantity,value,description,manufacturer,mpn\n";
    for (const CBomLine& line : bom.lines) {
        text += CsvField(line.reference) + ',' + std::to_string(line.quantity) + ',' +
                CsvField(line.value) + ',' + CsvField(line.description) + ',' +
                CsvField(line.manufacturer) + ',' + CsvField(line.mpn) + '\n';
    }
    return text;
}

double NearestE96(double ohms) {
    if (!(ohms > 0.0) || !std::isfinite(ohms)) {
        return 0.0;
    }
    const std::vector<double> values = E96Values(ohms / 1.1, ohms * 1.1);
    double best = 0.0;
    for (double value : values) {
        if (best == 0.0 || std::fabs(std::log(value / ohms)) < std::fabs(std::log(best / ohms))) {
            best = value;
        }
    }
    return best;
}

CDivider ChooseDivider(const CRegulatorPart& regulator, double targetV, double tolerancePct) {
    const double reference = regulator.referenceV;
    std::vector<double> r1s = {regulator.r1Ohm};
    for (double value : E96Values(regulator.r1Ohm / 2.0, regulator.r1Ohm)) {
        r1s.push_back(value);
    }
    CDivider best;
    best.tolerancePct = tolerancePct;
    double bestError = std::numeric_limits<double>::infinity();
    for (std::size_t i = 0; i < r1s.size(); ++i) {
        const double r1 = r1s[i];
        const double ideal = r1 * std::max(0.0, targetV / reference - 1.0);
        std::vector<double> r2s = {0.0};
        if (ideal > 0.0) {
            r2s = E96Values(ideal / 1.05, ideal * 1.05);
        }
        for (double r2 : r2s) {
            const double error = std::fabs(DividerOutput(reference, r1, r2, 0.0) - targetV);
            // The application circuit's R1 while it gets within 0.5 %.
            const bool keepsMakers = i == 0 && error <= kMakersR1Within * targetV;
            if (error < bestError || keepsMakers) {
                bestError = error;
                best.r1Ohm = r1;
                best.r2Ohm = r2;
            }
        }
        if (i == 0 && bestError <= kMakersR1Within * targetV) {
            break;
        }
    }
    const double t = tolerancePct / 100.0;
    best.nominalV = DividerOutput(reference, best.r1Ohm, best.r2Ohm, 0.0);
    best.lowV =
        DividerOutput(regulator.referenceMinV, best.r1Ohm * (1.0 + t), best.r2Ohm * (1.0 - t), 0.0);
    best.highV = DividerOutput(regulator.referenceMaxV, best.r1Ohm * (1.0 - t),
                               best.r2Ohm * (1.0 + t), regulator.adjustCurrentUa * 1e-6);
    return best;
}

std::string ResistanceCode(double ohms) {
    const char* unit = "R";
    double scaled = ohms;
    if (ohms >= 1e6) {
        unit = "M";
        scaled = ohms / 1e6;
    } else if (ohms >= 1e3) {
        unit = "K";
        scaled = ohms / 1e3;
    }
    std::string text = Short(scaled);
    const std::size_t point = text.find('.');
    if (point == std::string::npos) {
        return text + unit;
    }
    text.replace(point, 1, unit);
    return text;
}

double PrimaryVoltage(const std::string& regionOfFile) {
    return regionOfFile == "ansi-a" || regionOfFile == "ansi-b" ? 120.0 : 230.0;
}

std::optional<std::size_t> ChooseFuse(const CCatalogue& catalogue, double primaryCurrentA) {
    std::optional<std::size_t> best;
    const double need = kFuseFactor * primaryCurrentA;
    for (std::size_t i = 0; i < catalogue.accessories.size(); ++i) {
        const CAccessoryPart& part = catalogue.accessories[i];
        if (part.kind != EAccessory::kFuse || part.value < need) {
            continue;
        }
        const CAccessoryPart* have = best ? &catalogue.accessories[*best] : nullptr;
        if (have == nullptr || part.value < have->value ||
            (part.value == have->value && part.priceEur < have->priceEur)) {
            best = i;
        }
    }
    return best;
}

bool NeedsInrushLimiter(const CTransformerPart& transformer) {
    return transformer.series == "toroid" && transformer.va >= kInrushLimiterVa;
}

double PrimaryCurrent(const CCircuitParameters& circuit, double windingRmsCurrentA,
                      double primaryV) {
    // The two halves of a symmetric supply's winding carry the same current
    // in the same sense (one rail's pulse out of one end while the other
    // rail's goes into the other end): the primary sees the whole winding.
    const double halves =
        circuit.Dual() ? 2.0 : std::sqrt(static_cast<double>(circuit.SourceCount()));
    return halves * windingRmsCurrentA * circuit.sourceVoltageRms / primaryV;
}

CBom MakeBom(const CCatalogue& catalogue, const CBomParts& parts, const CDesign& design,
             const CBomCircuit& circuit) {
    CBom bom;
    std::vector<CBomLine>& lines = bom.lines;
    const double nennU = static_cast<double>(design[EInput::kNennU]);
    const double nennI = static_cast<double>(design[EInput::kNennI]);

    // T1: the transformer as catalogued, or as the design's plate data.
    const std::string primary = Short(circuit.primaryV) + " V primary";
    if (const CTransformerPart* t = parts.transformer) {
        const char* kind = SeriesName(t->series);
        // The shipped part numbers name the makers' 230 V types; a design for
        // other mains says which version of the type to order.
        const std::string version = t->origin == "shipped" && circuit.primaryV != 230.0
                                        ? primary + " version of the type"
                                        : primary;
        lines.push_back(LineOf(
            t, "T1", 1,
            (t->windings == 2 ? "2x" : "") + Short(t->secondaryV) + " V " + Short(t->va) + " VA",
            std::string("Mains transformer") +
                (kind != nullptr ? std::string(", ") + kind : std::string()) + ", " + version +
                (circuit.connection.empty() ? std::string() : ", " + circuit.connection)));
    } else {
        lines.push_back(LineOf<CTransformerPart>(
            nullptr, "T1", 1, Short(nennU) + " V " + Short(nennU * nennI) + " VA",
            "Mains transformer, " + primary));
    }

    // F1: the time-lag fuse by the makers' rule from the current drawn.
    {
        const std::optional<std::size_t> fuse = ChooseFuse(catalogue, circuit.primaryCurrentA);
        const CAccessoryPart* part = fuse ? &catalogue.accessories[*fuse] : nullptr;
        const std::string rule =
            "primary " + Short(circuit.primaryCurrentA) + " A x " + Short(kFuseFactor);
        lines.push_back(LineOf(part, "F1", 1,
                               part != nullptr
                                   ? FuseText(part->value)
                                   : "T " + Short(kFuseFactor * circuit.primaryCurrentA) + " A",
                               "Fuse 5x20 mm time-lag (IEC 60127-2), " + rule));
    }

    // RT1: an inrush limiter where the toroid makers' rule asks for one.
    if (parts.transformer != nullptr && NeedsInrushLimiter(*parts.transformer)) {
        const double rated = parts.transformer->va / circuit.primaryV;
        const CAccessoryPart* part = InrushLimiter(catalogue, rated);
        lines.push_back(LineOf(
            part, "RT1", 1,
            part != nullptr ? Short(part->value) + " R " + Short(part->rating) + " A"
                            : "NTC for " + Short(rated) + " A",
            "Inrush current limiter (NTC), toroid of " + Short(parts.transformer->va) + " VA"));
    }

    // D1-D4 or B1: the rectifier.
    const std::string circuitName = design.circuit;
    const int diodes = circuit.dual               ? 4
                       : circuitName == "bruecke" ? 4
                       : circuitName == "einweg"  ? 1
                                                  : 2;
    if (const CRectifierPart* r = parts.rectifier; r != nullptr && r->bridge) {
        lines.push_back(LineOf(r, "B1", 1, r->id, "Bridge rectifier " + r->name));
    } else {
        const std::string reference = diodes == 1 ? "D1" : "D1-D" + std::to_string(diodes);
        lines.push_back(
            r != nullptr ? LineOf(r, reference, diodes, r->id, "Rectifier diode " + r->name)
                         : LineOf<CRectifierPart>(
                               nullptr, reference, diodes,
                               "U_T " + Short(static_cast<double>(design[EInput::kDiffU])) + " V",
                               "Rectifier diode"));
    }
    if (parts.rectifierSink != nullptr) {
        lines.push_back(LineOf(parts.rectifierSink, circuit.dual ? "HS3" : "HS2", 1,
                               parts.rectifierSink->id, "Heat sink of the bridge rectifier"));
    }

    // C1: the reservoir.
    const char* reservoir = circuit.dual ? "C1-C2" : "C1";
    const int reservoirs = circuit.dual ? 2 : 1;
    const std::string perRail = circuit.dual ? ", one per rail" : "";
    if (const CCapacitorPart* c = parts.capacitor) {
        lines.push_back(LineOf(c, reservoir, reservoirs,
                               CapacitanceText(c->capacitanceUf) + " " + Short(c->voltageV) + " V",
                               "Aluminium electrolytic capacitor, reservoir" + perRail + ", " +
                                   Short(c->temperatureC) + " C " + Short(c->lifeH) + " h"));
    } else {
        lines.push_back(
            LineOf<CCapacitorPart>(nullptr, reservoir, reservoirs,
                                   CapacitanceText(static_cast<double>(design[EInput::kKondC])),
                                   "Aluminium electrolytic capacitor, reservoir" + perRail));
    }

    // U1 with its datasheet's capacitors and, adjustable, its resistors; a
    // symmetric supply's U2 the same for the negative rail.
    struct CRegulatorRefs {
        const char* input;
        const char* output;
        const char* regulator;
        const char* r1;
        const char* r2;
        const char* sink;
        const char* pad;
    };
    const auto addRegulator = [&](const CRegulatorPart* g, const CRegulatorRefs& refs,
                                  const std::string& rail, const CHeatSinkPart* heatSink,
                                  const CHeatSinkPart* pad) {
        if (g != nullptr && g->inputCapacitorUf > 0.0) {
            const CAccessoryPart* part =
                SmallCapacitor(catalogue, g->inputCapacitorUf, circuit.regulatorInputPeakV);
            lines.push_back(LineOf(
                part, refs.input, 1,
                part != nullptr ? CapacitanceText(part->value) + " " + Short(part->rating) + " V"
                                : CapacitanceText(g->inputCapacitorUf),
                "Regulator input capacitor" + rail +
                    (part != nullptr ? ", " + part->description : std::string())));
        }
        if (g != nullptr && g->outputCapacitorUf > 0.0) {
            const CAccessoryPart* part =
                SmallCapacitor(catalogue, g->outputCapacitorUf, circuit.outputV * 1.25);
            lines.push_back(LineOf(
                part, refs.output, 1,
                part != nullptr ? CapacitanceText(part->value) + " " + Short(part->rating) + " V"
                                : CapacitanceText(g->outputCapacitorUf),
                "Regulator output capacitor" + rail +
                    (part != nullptr ? ", " + part->description : std::string())));
        }
        if (g != nullptr) {
            const std::string kind =
                g->negative ? "Negative linear regulator"
                            : (circuit.dual ? "Positive linear regulator" : "Linear regulator");
            lines.push_back(LineOf(g, refs.regulator, 1, g->name,
                                   g->Adjustable()
                                       ? "Adjustable " + Lowered(kind) + rail
                                       : kind + ", fixed " + Short(g->outputV) + " V" + rail));
        } else {
            lines.push_back(LineOf<CRegulatorPart>(
                nullptr, refs.regulator, 1,
                Short(static_cast<double>(design[EInput::kUbger])) + " V, dropout " +
                    Short(static_cast<double>(design[EInput::kDeltU])) + " V",
                "Linear regulator" + rail));
        }
        if (g != nullptr && g->Adjustable()) {
            const CDivider divider = ChooseDivider(*g, circuit.outputV);
            const CAccessoryPart* series = ResistorSeries(catalogue);
            const auto volts = [](double v) {
                return ShortestNumber(std::round(v * 100.0) / 100.0);
            };
            const std::string setting = "sets " + volts(divider.nominalV) + " V (" +
                                        volts(divider.lowV) + "-" + volts(divider.highV) + " V)";
            for (const auto& [reference, ohms] :
                 {std::pair<const char*, double>{refs.r1, divider.r1Ohm},
                  {refs.r2, divider.r2Ohm}}) {
                CBomLine line = LineOf(
                    series, reference, 1, ResistanceCode(ohms),
                    (series != nullptr ? series->description + " " + Short(series->value) + " %"
                                       : std::string("Resistor 1 %")) +
                        ", " + setting + rail);
                line.mpn = Filled(line.mpn, "r", ResistanceCode(ohms));
                lines.push_back(line);
            }
        }
        if (heatSink != nullptr) {
            lines.push_back(LineOf(
                heatSink, refs.sink, 1, heatSink->id,
                "Heat sink of the regulator" + rail + ", " + Short(heatSink->thetaKPerW) + " K/W"));
            if (pad != nullptr) {
                lines.push_back(
                    LineOf(pad, refs.pad, 1, pad->id, "Insulating pad of the regulator" + rail));
            }
        }
    };
    if (!circuit.dual) {
        addRegulator(parts.regulator, {"C2", "C3", "U1", "R1", "R2", "HS1", "P1"}, "",
                     parts.heatSink, parts.pad);
    } else {
        const std::string volts = Short(circuit.outputV);
        addRegulator(parts.regulator, {"C3", "C4", "U1", "R1", "R2", "HS1", "P1"},
                     ", rail +" + volts + " V", parts.heatSink, parts.pad);
        addRegulator(parts.negativeRegulator, {"C5", "C6", "U2", "R3", "R4", "HS2", "P2"},
                     ", rail -" + volts + " V", parts.negativeHeatSink, parts.negativePad);
    }
    return bom;
}

CBom BomOfDesign(const CCatalogue& catalogue, const CDesign& design, const CConfigExtras& extras) {
    // The part of the line's first id, or its second (a symmetric supply's
    // negative rail).
    const auto byId = [](const auto& parts, const std::string& text, bool second = false) {
        const std::size_t blank = text.find(' ');
        std::string id = text.substr(0, blank);
        if (second) {
            id = blank == std::string::npos ? std::string() : text.substr(blank + 1);
            id = id.substr(0, id.find(' '));
        }
        using T = std::remove_cvref_t<decltype(parts.front())>;
        const T* found = nullptr;
        for (const T& part : parts) {
            if (!id.empty() && part.id == id) {
                found = &part;
            }
        }
        return found;
    };
    CBomParts parts;
    parts.transformer = byId(catalogue.transformers, extras.values[kExtraTransformer]);
    parts.rectifier = byId(catalogue.rectifiers, extras.values[kExtraRectifier]);
    parts.capacitor = byId(catalogue.capacitors, extras.values[kExtraCapacitor]);
    parts.regulator = byId(catalogue.regulators, extras.values[kExtraRegulator]);
    parts.heatSink = byId(catalogue.heatSinks, extras.values[kExtraHeatSink]);
    parts.negativeRegulator = byId(catalogue.regulators, extras.values[kExtraRegulator], true);
    parts.negativeHeatSink = byId(catalogue.heatSinks, extras.values[kExtraHeatSink], true);
    const CHeatSinkPart* pad = nullptr;
    for (const CHeatSinkPart& part : catalogue.heatSinks) {
        if (part.pad) {
            pad = &part;
            break;
        }
    }
    for (auto [sink, sinkPad] : {std::pair{&parts.heatSink, &parts.pad},
                                 std::pair{&parts.negativeHeatSink, &parts.negativePad}}) {
        if (*sink != nullptr && (*sink)->pad) {
            *sink = nullptr;
        }
        if (*sink != nullptr) {
            *sinkPad = pad;
        }
    }
    CBomCircuit circuit;
    circuit.primaryV = PrimaryVoltage(extras.values[kExtraRegion]);
    circuit.outputV = static_cast<double>(design[EInput::kUbger]);
    // The design's whole circuit (a symmetric supply's two rails draw on the
    // winding at once), without leakage inductance.
    CAnalysisSettings settings;
    settings.leakageInductanceH = 0.0;
    const CCircuitParameters parameters = CircuitOfDesign(design, settings);
    circuit.dual = parameters.Dual();
    const CSteadyState state = SolveSteadyState(parameters);
    if (state.Solved()) {
        circuit.primaryCurrentA =
            PrimaryCurrent(parameters, state.measurements.windingRmsCurrent, circuit.primaryV);
    }
    circuit.regulatorInputPeakV = parameters.PeakVoltage() * 1.1;
    const std::string& transformer = extras.values[kExtraTransformer];
    if (const std::size_t blank = transformer.find(' '); blank != std::string::npos) {
        const std::string connection = transformer.substr(blank + 1);
        circuit.connection = connection == "parallel" ? "secondaries in parallel"
                             : connection == "reihe"  ? "secondaries in series"
                             : connection == "mitte"  ? "centre tap"
                                                      : "one secondary";
    }
    return MakeBom(catalogue, parts, design, circuit);
}

}  // namespace ohmrada
