// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>

#include "AnalysisSettings.h"
#include "Design.h"
#include "FirstChangeSearch.h"

namespace ohmrada {

// The five searches of the menu "Suchen", each over one input with everything
// else of the design fixed. The current searches walk Ib up from 0.1 % of
// NennI in steps of 10 % to 100 x NennI; the transformer search walks the
// scale up from 0.05 in steps of 2 % to 10 (FirstChangeSearch.h). "Held" means
// the cycle showed no regulation message; the low corner is that of the worst
// case (WorstCase.h).
struct CLimits {
    // "maximal regelbarer Strom": the largest Ib at which the target is held.
    struct CMaxRegulatedCurrent {
        CSearchResult nominal;   // at nominal mains
        CSearchResult lowMains;  // in the low corner
    } maxRegulatedCurrent;

    // "höchste Spannung": the highest target held at the set Ib, the largest
    // single-precision target not above minimum voltage - DeltU; 0 when not
    // even the floor value 0.0001 can be held. No search: the voltage minimum
    // does not depend on the target.
    struct CHighestVoltage {
        float nominalV = 0.0f;
        float lowMainsV = 0.0f;
    } highestVoltage;

    // "maximale Trafonennleistung": the largest Ib at which the power drawn
    // stays within the rated power, and that rated power.
    struct CMaxTransformerLoad {
        CSearchResult current;
        double powerW = 0.0;
    } maxTransformerLoad;

    // "maximale Reglerverlustleistung".
    struct CMaxRegulatorPower {
        // The dissipation at which the junction reaches Tj,max,
        // (Tj,max - Tu) / Rja.
        double powerW = 0.0;
        // The largest Ib at which the target is still held and the junction
        // stays within Tj,max.
        CSearchResult current;
        // The largest Rja that keeps the set Ib within Tj,max,
        // (Tj,max - Tu) / regulator dissipation; none when the regulator
        // dissipates nothing at the set Ib.
        std::optional<double> thermalResistanceKPerW;
    } maxRegulatorPower;

    // "optimaler Wirkungsgrad": the smallest transformer scale s
    // (WithTransformerScale) at which the target is still held in the low
    // corner, that transformer as the form would show it, and the efficiency
    // at nominal mains with it. Without such a scale up to 10 the scale is 0
    // and the rest is empty.
    struct CBestEfficiency {
        CSearchResult scale;
        std::optional<float> ratedVoltage;   // NennU as shown (half with the centre tap)
        std::optional<float> noLoadVoltage;  // LeerU as shown
        std::optional<float> ratedCurrent;   // NennI
        std::optional<float> efficiencyPct;
        float designEfficiencyPct = 0.0f;  // NaN when the form shows none
    } bestEfficiency;

    // The same limits from the rectifier circuit's steady state (the
    // settings' leakage inductance) instead of the closed form: "held" means
    // the circuit's minimum less DeltU reaches Ubger without collapsing. The
    // walks are coarser (kCircuitCurrentStep, kCircuitScaleStep), the
    // bisection as fine.
    struct CCircuitLimits {
        CSearchResult maxRegulatedNominal;
        CSearchResult maxRegulatedLowMains;
        float highestVoltageNominalV = 0.0f;  // circuit minimum - DeltU, 0 when none
        float highestVoltageLowMainsV = 0.0f;
        // The largest Ib at which the winding's RMS current (per half with
        // the centre tap) stays within NennI: the transformer's thermal limit.
        CSearchResult maxTransformerCurrent;
        // The smallest transformer scale at which the circuit holds the
        // target in the low corner, and the form's efficiency with it.
        CSearchResult bestScale;
        std::optional<float> bestEfficiencyPct;
        // The largest Ib at which the circuit holds the target and the
        // junction, heated by the circuit's regulator loss (drop-out
        // included), stays within Tj,max; and the largest Rja that keeps the
        // set Ib within Tj,max with that loss (none when it is zero).
        CSearchResult maxRegulatorCurrent;
        std::optional<double> thermalResistanceKPerW;
        double regulatorPowerW = 0.0;  // the circuit's loss at the set Ib
    } circuit;
};

// The limits as the circuit finds them, in the places of the closed form's:
// the regulated current, the highest voltage, the transformer's thermal load,
// the regulator's current and thermal resistance, and the best efficiency
// (with the scaled transformer's plate as the form would show it). The
// dissipation Tj,max allows, (Tj,max - Tu) / Rja, is no solver's.
CLimits WithCircuitLimits(const CLimits& limits, const CDesign& design);

inline constexpr double kCircuitCurrentStep = 1.25;
inline constexpr double kCircuitScaleStep = 1.1;

inline constexpr double kCurrentSearchStart = 0.001;  // x NennI
inline constexpr double kCurrentSearchEnd = 100.0;    // x NennI
inline constexpr double kCurrentSearchStep = 1.1;
inline constexpr float kScaleSearchStart = 0.05f;
inline constexpr float kScaleSearchEnd = 10.0f;
inline constexpr double kScaleSearchStep = 1.02;

// The range the current searches walk for a design.
CSearchRange CurrentSearchRange(const CDesign& design);
// The range of the transformer scale.
CSearchRange ScaleSearchRange();

CLimits FindLimits(const CDesign& design, const CAnalysisSettings& settings);

}  // namespace ohmrada
