// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace ohmrada {

// The limits every analysis of a design is measured against: how far the
// mains may sag or swell, how much capacitance the electrolytic may have lost,
// and how hot the regulator's junction may run.
struct CAnalysisSettings {
    // The mains factor runs from 1 - low / 100 to 1 + high / 100.
    double mainsLowTolerancePct = 10.0;
    double mainsHighTolerancePct = 10.0;
    double capacitorTolerancePct = 20.0;  // the low corner has KondC x (1 - this)
    double junctionLimitC = 125.0;        // Tj,max
    // The transformer's leakage inductance per source (per half with the
    // centre tap) in the circuit the verdicts come from; 0 leaves it out.
    double leakageInductanceH = 0.0;

    bool operator==(const CAnalysisSettings&) const = default;
};

// What every front end accepts for the settings: both tolerances from 0 to
// 50 %, and Tj,max above the ambient temperature of the design.
inline constexpr double kMaxTolerancePct = 50.0;
// And the leakage inductance from 0 to 1 H.
inline constexpr double kMaxLeakageInductanceH = 1.0;

// A mains or capacitor tolerance in percent that the analysis accepts.
constexpr bool IsValidTolerance(double percent) {
    return percent >= 0.0 && percent <= kMaxTolerancePct;
}

// Tj,max for a design whose regulator stands in ambientC: only a limit above
// the ambient temperature leaves the regulator any power to dissipate.
constexpr bool IsValidJunctionLimit(double limitC, double ambientC) {
    return limitC > ambientC;
}

// Every setting valid for a design whose ambient temperature is ambientC.
constexpr bool AreValidSettings(const CAnalysisSettings& settings, double ambientC) {
    return IsValidTolerance(settings.mainsLowTolerancePct) &&
           IsValidTolerance(settings.mainsHighTolerancePct) &&
           IsValidTolerance(settings.capacitorTolerancePct) &&
           IsValidJunctionLimit(settings.junctionLimitC, ambientC);
}

}  // namespace ohmrada
