// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The German texts of ohmrada-calc's tables for people (UTF-8), beyond the
// form's own labels (FormTexts.h) and the analysis windows' texts
// (AnalysisTexts.h), which the tables use where they say the same.

namespace ohmrada::texts::calc {

// Around every table.
inline constexpr const char* kInputPrefix = "Eingabe: ";
// Under the input's title when the design is not at 50 Hz.
inline constexpr const char* kMainsFrequencyPrefix = "Netzfrequenz: ";
inline constexpr const char* kStandardInputName = "(Standardeingabe)";
inline constexpr const char* kStartUpName = "(Startwerte)";
inline constexpr const char* kMessagePrefix = "Meldung: ";
inline constexpr const char* kBeepsPrefix = "Warntöne: ";
inline constexpr const char* kDisabledMark = " (gesperrt)";
inline constexpr const char* kSettingsLine =
    "Netztoleranz %1 %, Kondensatortoleranz %2 %, Tj,max %3 °C";
// The circuit beyond one rail, one reservoir and a constant current, its
// parts joined by ", ".
inline constexpr const char* kCircuitLine = "Schaltung: %1";
inline constexpr const char* kCircuitDual = "symmetrisch ±";
inline constexpr const char* kCircuitRc = "RC-Filter %1 Ω, %2 µF";
inline constexpr const char* kCircuitLc = "LC-Filter %1 mH, %2 Ω, %3 µF";
inline constexpr const char* kCircuitChoke = "Drosseleingang %1 mH, %2 Ω";
inline constexpr const char* kCircuitResistive = "Widerstandslast";

// worst-case.
inline constexpr const char* kConditionsLine =
    "Netzfrequenz %1 Hz, Netz −%2 %/+%3 %, Umgebungstemperatur %4 °C";
inline constexpr const char* kMainsFactor = "Netzfaktor:";
inline constexpr const char* kTargetHeld = "Sollspannung gehalten:";
inline constexpr const char* kHeadroom = "Regelreserve:";
inline constexpr const char* kTargetJudged = "beurteilte Sollspannung:";
inline constexpr const char* kOverload = "Überlast:";
inline constexpr const char* kJunctionOverLimit = "Tj über Tj,max:";
inline constexpr const char* kCircuitMinimum = "Schaltung Minimum:";
inline constexpr const char* kCircuitMean = "Schaltung Mittelwert:";
inline constexpr const char* kWindingRms = "Wicklungsstrom eff.:";

// limits.
inline constexpr const char* kAtNominalMains = "bei Nennspannung des Netzes:";
inline constexpr const char* kLargestCurrent = "größter Lastgleichstrom:";
inline constexpr const char* kByRatedPowerClosedForm = "nach Nennleistung (geschl. Form):";
inline constexpr const char* kLargestThermalResistance = "größter Wärmewiderstand:";
inline constexpr const char* kScale = "Faktor der Trafospannung:";
inline constexpr const char* kRatedVoltage = "Nennspannung:";
inline constexpr const char* kNoLoadVoltage = "Leerlaufspannung:";
inline constexpr const char* kRatedCurrent = "Nennstrom:";
inline constexpr const char* kEfficiencyWith = "Wirkungsgrad damit:";
inline constexpr const char* kDesignEfficiency = "Wirkungsgrad des Entwurfs:";

// sweep.
inline constexpr const char* kHeldTitle = "gehalten";
inline constexpr const char* kOverloadTitle = "Überlast";
inline constexpr const char* kSweepLine = "Durchlauf: %1 von %2 bis %3, %4 Punkte";
inline constexpr const char* kSweepLogarithmic = ", logarithmisch";

// simulate.
inline constexpr const char* kSimulationTitle = "Simulation (ngspice)";
inline constexpr const char* kCircuitTitle =
    "Eingeschwungener Zustand der Schaltung (eigener Löser)";
inline constexpr const char* kComparisonTitle = "Vergleich mit dem Formular";
inline constexpr const char* kDeviation = "Abweichung";
inline constexpr const char* kWindingLoad =
    "Wicklungsbelastung: Effektivstrom %1 A / Nennstrom %2 A = %3";
inline constexpr const char* kWindingOverloaded =
    "  überlastet: die Kupferverluste des Trafos betragen das %1-fache der Nennverluste";
inline constexpr const char* kWindingWithin = "  innerhalb des Nennstroms";
// The heading of a symmetric supply's negative rail's own measurements.
inline constexpr const char* kNegativeRail = "Negativer Zweig (Beträge):";
// The measurements, in the order of the simulation's measurement table.
inline constexpr const char* kMeasurementLabels[] = {
    "Ladespannung Mittelwert",       "Ladespannung Minimum",
    "Ladespannung Maximum",          "Brummspannung (Spitze-Spitze)",
    "Spitzenstrom je Diode",         "Mittelwert Strom je Diode",
    "Effektivstrom je Diode",        "Effektivstrom je Wicklung(shälfte)",
    "Effektivstrom Ladekondensator", "Verlustleistung je Diode",
    "Sperrspannung je Diode",        "Leistung in den Gleichrichter",
    "Kupferverluste im Trafo",       "Perioden bis eingeschwungen",
    "Einschaltstromspitze je Diode",
};
// The compared quantities by the form's result name.
struct CNamedLabel {
    const char* name;
    const char* label;
};
inline constexpr CNamedLabel kComparisonLabels[] = {
    {"loaded_voltage_v", "Ladespannung (Mittelwert)"},
    {"minimum_voltage_v", "Spannungsminimum"},
    {"ripple_voltage_v", "Brummspannung"},
    {"peak_current_a", "Spitzenstrom Diode"},
    {"mean_current_a", "Mittelwert Strom Diode"},
    {"diode_power_w", "Verlustleistung Dioden"},
    {"peak_reverse_voltage_v", "Sperrspannung Diode"},
    {"input_power_w", "aufgenommene Leistung"},
};

}  // namespace ohmrada::texts::calc
