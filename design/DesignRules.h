// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "CircuitMeasurements.h"
#include "DesignSearch.h"

// The rules the design search and the proof of a candidate share: what the
// parts' ratings allow, the thermal paths of regulator and rectifier, the
// worst-case corners. Internal to design/.
namespace ohmrada::design_rules {

inline constexpr double kRectifierDerating = 0.8;  // of the rated current, for a capacitive load
inline constexpr double kFixedOutputToleranceV = 0.01;
inline constexpr double kAdjustableMinimumV = 1.25;
inline constexpr double kPi = 3.14159265358979323846;

// A design at its low and high corner, and their circuits.
struct CCorners {
    CDesign low;
    CDesign high;
    CCircuitParameters lowCircuit;
    CCircuitParameters highCircuit;
};
CCorners CornersOf(const CDesign& design, const CAnalysisSettings& settings);

// The output's peak without load: the source's peak less the threshold of
// the diodes in the path.
double NoLoadPeak(const CCircuitParameters& circuit);
// The output's mean with an infinite capacitor under the load current: a
// target above it is out of reach for any capacitance.
double InfiniteCapacitorVoltage(const CCircuitParameters& circuit);

double RegulatorInputLimit(const CRegulatorPart& regulator, double outputV);
// The mean current a rectifier part carries (a bridge: its output).
double RectifierMeanCurrent(const CRectifierPart& rectifier, ECircuitKind circuit,
                            double loadCurrentA);
// The capacitor's ripple rating at the circuit's ripple frequency.
double RippleRating(const CCapacitorPart& capacitor, ECircuitKind circuit);
// The catalogue's first pad, -1 for none.
int FirstPad(const CCatalogue& catalogue);
// The regulator's junction to ambient on a sink with a pad, or theta_ja.
double ThermalResistance(const CCatalogue& catalogue, const CRegulatorPart& regulator, int sink,
                         int pad);
double SinkSize(const CCatalogue& catalogue, int sink);
// The smallest heat sink (none first) that keeps the junction at or below
// its limit with the regulator dissipating powerW; nullopt when none does.
std::optional<int> ChooseHeatSink(const CCatalogue& catalogue, const CRegulatorPart& regulator,
                                  double powerW, const CRequirements& requirements);
// None (-1) when fits(-1), else the smallest heat sink of the catalogue that
// fits; nullopt when none does.
std::optional<int> SmallestSink(const CCatalogue& catalogue, const std::function<bool(int)>& fits);

// The power of one rectifier package at a corner: each diode's U_T I_mean +
// R I_rms^2 (the circuit's currents), four of them in a bridge.
double RectifierPackagePower(const CRectifierPart& rectifier, const CCircuitMeasurements& m);
// The rectifier's junction temperature in free air (sink -1) or on a heat
// sink with the catalogue's first pad.
double RectifierJunction(const CCatalogue& catalogue, const CRectifierPart& rectifier,
                         double powerW, int sink, double ambientC);
double RectifierJunctionLimit(const CRectifierPart& rectifier, const CRequirements& requirements);
// None (-1) when free air keeps the rectifier within its limit, else the
// cheapest heat sink that does (a bridge only); nullopt when none does.
std::optional<int> ChooseRectifierSink(const CCatalogue& catalogue, const CRectifierPart& rectifier,
                                       double powerW, const CRequirements& requirements);
// The package's stated power; where none is stated, its rating with the case
// at kPackageRatingCaseC: (Tj,max - 25 C) / theta_jc.
inline constexpr double kPackageRatingCaseC = 25.0;
double RegulatorPowerLimit(const CRegulatorPart& regulator);
const CHeatSinkPart* HeatSinkAt(const CCatalogue& catalogue, int index);
// What the main parts of a choice cost.
double ChoicePartsCost(const CCatalogue& catalogue, const CPartChoice& choice);

CCheck MakeCheck(std::string name, std::string unit, double value, double limit, bool atLeast);

// The catalogue as the searches walk it: its capacitances (each once,
// ascending), its capacitors by C x U and its rectifiers by current.
struct CSearchOrder {
    std::vector<double> capacitances;
    std::vector<std::size_t> capacitors;
    std::vector<std::size_t> rectifiers;
};
CSearchOrder SearchOrderOf(const CCatalogue& catalogue);

// The last check of a candidate, the switch-on surge at the high corner
// (left unevaluated, and so failed, without `surge`: it costs most), then
// whether the candidate passed and the check nearest its limit among those
// evaluated (one left out has no margin to bind by).
void CloseChecks(CCandidate& candidate, bool surge, const CCircuitParameters& highCircuit,
                 double surgeA);
// How far inside its limit a check is, relative to the limit.
double RelativeMargin(const CCheck& check);
// The connections and circuits a transformer allows.
std::vector<std::pair<EConnection, ECircuitKind>> Connections(const CTransformerPart& transformer,
                                                              const CRequirements& requirements);
// A fixed or adjustable positive regulator that gives outputV.
bool RegulatorGives(const CRegulatorPart& regulator, double outputV);

// A symmetric supply's design Rja: the greater of its two regulators' paths.
double DualThermalResistance(const CCatalogue& catalogue, const CPartChoice& choice);
// Every check of a symmetric supply's choice, both rails' (EvaluateCandidate
// for a choice with dual set).
CCandidate EvaluateDualCandidate(const CCatalogue& catalogue, const CPartChoice& choice,
                                 const CRequirements& requirements, bool surge);

}  // namespace ohmrada::design_rules
