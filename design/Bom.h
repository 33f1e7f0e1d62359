// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "Catalogue.h"
#include "Circuit.h"
#include "Configuration.h"
#include "Design.h"

namespace ohmrada {

// The parts list of a design: what one orders to build it. The design
// search makes one for every candidate (from its choice of catalogue parts
// and the currents its circuit draws); a design in the form gets one from
// the parts its file names, and lines without a part where it names none.
// The list takes the small parts (fuse, inrush limiter, the regulator's
// capacitors and resistors) from the catalogue's accessories by the rules
// below, each the rule of a maker named where it is applied.

// One line of a parts list.
struct CBomLine {
    std::string reference;  // "T1", "F1", "RT1", "D1-D4" or "B1", "C1", "C2", "C3", "U1", "R1",
                            // "R2", "HS1", "P1"
    int quantity = 1;
    std::string value;        // "2x15 V 50 VA", "T 315 mA", "4700 uF 35 V", "240 R", ...
    std::string description;  // English, short
    std::string manufacturer;
    std::string mpn;         // maker's part number
    double unitPrice = 0.0;  // typical single-unit price in EUR (catalogue's dated figure)
};

struct CBom {
    std::vector<CBomLine> lines;
    double Cost() const;  // sum of quantity x unitPrice
};

// CSV with the header "reference,quantity,value,description,manufacturer,mpn",
// text cells neutralised like every CSV the program writes.
std::string BomCsv(const CBom& bom);

// The two resistors that set an adjustable regulator's output:
// U = Uref (1 + R2 / R1) + Iadj R2.
struct CDivider {
    double r1Ohm = 0.0;
    double r2Ohm = 0.0;
    double nominalV = 0.0;  // at the typical reference, no adjustment current
    double lowV = 0.0;      // least reference, resistors at their tolerance apart
    double highV = 0.0;     // greatest reference and adjustment current
    double tolerancePct = 1.0;
};

// The E96 value nearest ohms (the series' own decade steps).
double NearestE96(double ohms);
// R1 as the regulator's application circuit has it (or an E96 value below
// it, so that R1 still draws the regulator's least load current) and R2
// from E96, the pair whose nominal output lies nearest targetV.
CDivider ChooseDivider(const CRegulatorPart& regulator, double targetV, double tolerancePct = 1.0);

// "240R", "2K21", "10K": a resistance in the RKM code part numbers use.
std::string ResistanceCode(double ohms);

// The mains primary a design is wound for: 120 V where its tolerances are
// those of ANSI C84.1 (North America), else 230 V.
double PrimaryVoltage(const std::string& regionOfFile);

// The time-lag fuse of the primary: the smallest standard rating of at
// least kFuseFactor times the RMS current the primary draws, the rule of
// the fuse makers' transformer tables (Eaton Bussmann, "Transformers 600 V
// or less": time-delay fuses sized at 125 % of the transformer's current).
inline constexpr double kFuseFactor = 1.25;
std::optional<std::size_t> ChooseFuse(const CCatalogue& catalogue, double primaryCurrentA);

// Whether a transformer needs an inrush limiter: a toroid of at least
// kInrushLimiterVa (Powertronix, "Inrush current protection": below 300 VA
// a slow fuse suffices, above it inrush limiting is recommended).
inline constexpr double kInrushLimiterVa = 300.0;
bool NeedsInrushLimiter(const CTransformerPart& transformer);

// What the parts list takes from the circuit besides the parts.
struct CBomCircuit {
    double primaryV = 230.0;
    double primaryCurrentA = 0.0;      // RMS, at nominal mains
    double outputV = 0.0;              // the regulator's target
    double regulatorInputPeakV = 0.0;  // the high corner's no-load peak (small capacitors' rating)
    std::string connection;            // "secondaries in series", ...
    // A symmetric supply: four diodes (or a bridge) on the centre-tapped
    // winding, a reservoir per rail, and the negative rail's regulator with
    // its parts (CBomParts::negative...): C1-C2 the reservoirs, C3/C4 and
    // U1, R1/R2, HS1, P1 the positive rail's, C5/C6 and U2, R3/R4, HS2, P2
    // the negative rail's, HS3 the bridge's heat sink.
    bool dual = false;
};

// The parts of a design, each possibly unknown (nullptr): a line without a
// part states its value from the design and leaves maker and mpn empty.
struct CBomParts {
    const CTransformerPart* transformer = nullptr;
    const CRectifierPart* rectifier = nullptr;
    const CCapacitorPart* capacitor = nullptr;
    const CRegulatorPart* regulator = nullptr;
    const CHeatSinkPart* heatSink = nullptr;
    const CHeatSinkPart* pad = nullptr;
    const CHeatSinkPart* rectifierSink = nullptr;
    const CRegulatorPart* negativeRegulator = nullptr;  // a symmetric supply's
    const CHeatSinkPart* negativeHeatSink = nullptr;
    const CHeatSinkPart* negativePad = nullptr;
};

CBom MakeBom(const CCatalogue& catalogue, const CBomParts& parts, const CDesign& design,
             const CBomCircuit& circuit);

// The parts list of a design as the form holds it, with the parts its file
// names (extras: kExtraTransformer... by catalogue id) where the catalogue
// has them. A symmetric supply's list has both rails' lines; its file
// names one regulator, the positive rail's, so U2 states only its values.
CBom BomOfDesign(const CCatalogue& catalogue, const CDesign& design, const CConfigExtras& extras);

// The RMS current the primary draws: each source's winding current brought
// over by the turns ratio (the source's no-load voltage to the primary's),
// the two halves of a centre tap in turn; a symmetric supply's halves carry
// their rails' pulses at once, so the whole winding's current, twice each
// half's voltage.
double PrimaryCurrent(const CCircuitParameters& circuit, double windingRmsCurrentA,
                      double primaryV);

}  // namespace ohmrada
