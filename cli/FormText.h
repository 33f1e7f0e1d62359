// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <string_view>

#include "FieldTable.h"

namespace ohmrada::cli {

// The main form as text: every control that shows a value or a mark, in the
// form's order (the inputs from top to bottom of the left half, then the
// results from top to bottom of the right half), with the German label, unit
// and group caption the window shows (UTF-8). ohmrada-calc prints the table
// view from these rows, and the JSON and CSV views list the fields in this
// order. tests/cli/FormTextTest.cpp holds the rows to the form template.
enum class ERowKind { kField, kCheckBox, kRadioButton };

struct CFormRow {
    ERowKind kind;
    int id;
    std::string_view label;
    std::string_view unit;  // empty for the check box and the radio buttons
    std::string_view group;
};

namespace group {
inline constexpr std::string_view kTransformer = "Transformatordaten";
inline constexpr std::string_view kRectifier = "Gleichrichterschaltung";
inline constexpr std::string_view kCapacitor = "Ladekondensator";
inline constexpr std::string_view kOperatingPoint = "Betriebspunkt";
inline constexpr std::string_view kRegulator = "Spannungsregler";
inline constexpr std::string_view kResults =
    "berechnete Gr\xC3\xB6\xC3\x9F"
    "en";
}  // namespace group

inline constexpr std::string_view kVolt = "Volt";
inline constexpr std::string_view kAmpere = "Ampere";
inline constexpr std::string_view kOhm = "Ohm";
inline constexpr std::string_view kWatt = "Watt";
inline constexpr std::string_view kDegrees = "GradCs.";

inline constexpr std::array<CFormRow, 32> kFormRows = {{
    {ERowKind::kCheckBox, kIdCentreTap, "nur bis Mittelpunkt", "", group::kTransformer},
    {ERowKind::kField, kIdRatedVoltage, "Nennspannung:", kVolt, group::kTransformer},
    {ERowKind::kField, kIdRatedCurrent, "Nennstrom:", kAmpere, group::kTransformer},
    {ERowKind::kField, kIdNoLoadVoltage, "Leerlaufspannung:", kVolt, group::kTransformer},
    {ERowKind::kRadioButton, kIdHalfWave, "Einweg (eine Diode)", "", group::kRectifier},
    {ERowKind::kRadioButton, kIdBridge,
     "Br\xC3\xBC"
     "cke (vier Dioden)",
     "", group::kRectifier},
    {ERowKind::kRadioButton, kIdCentreTapCircuit, "Mittelpunkt (zwei Dioden)", "",
     group::kRectifier},
    {ERowKind::kField, kIdDiffusionVoltage, "Diffusionsspannung:", kVolt, group::kRectifier},
    {ERowKind::kField, kIdBulkResistance, "Bahnwiderstand:", kOhm, group::kRectifier},
    {ERowKind::kField, kIdCapacitance, "Kapazit\xC3\xA4t:",
     "\xC2\xB5"
     "F",
     group::kCapacitor},
    {ERowKind::kField, kIdTargetVoltage, "ger.  Ausgangssollspannung:", kVolt,
     group::kOperatingPoint},
    {ERowKind::kField, kIdLoadCurrent, "Lastgleichstrom:", kAmpere, group::kOperatingPoint},
    {ERowKind::kField, kIdThermalResistance, "W\xC3\xA4rmewiderstand:", "K/W", group::kRegulator},
    {ERowKind::kField, kIdAmbientTemperature, "Umgebungstemperatur:", kDegrees, group::kRegulator},
    {ERowKind::kField, kIdDropoutVoltage, "Differenzspannung:", kVolt, group::kRegulator},
    {ERowKind::kField, kIdRegulatorResistance, "Innenwiderstand:", kOhm, group::kRegulator},
    {ERowKind::kField, kIdInternalResistance, "Innenwiderstand:", kOhm, group::kResults},
    {ERowKind::kField, kIdInputPower, "Leistungaufnahme:", kWatt, group::kResults},
    {ERowKind::kField, kIdRatedPower, "Nennleistung:", kWatt, group::kResults},
    {ERowKind::kField, kIdDiodePower, "Verlustleistung:", kWatt, group::kResults},
    {ERowKind::kField, kIdPeakReverseVoltage, "Spitzensperrspannung:", kVolt, group::kResults},
    {ERowKind::kField, kIdPeakCurrent, "Spitzenstrom:", kAmpere, group::kResults},
    {ERowKind::kField, kIdMeanCurrent, "Mittlerer Strom:", kAmpere, group::kResults},
    {ERowKind::kField, kIdNoLoadOutputVoltage, "Ausgangsleerlaufspannung:", kVolt, group::kResults},
    {ERowKind::kField, kIdLoadedVoltage, "Ausgangsspg.(c= unendl):", kVolt, group::kResults},
    {ERowKind::kField, kIdMinimumVoltage, "Spannungsminimum:", kVolt, group::kResults},
    {ERowKind::kField, kIdRippleVoltage, "Brummspannung (ss):", kVolt, group::kResults},
    {ERowKind::kField, kIdDcPower, "Gleichstromleistung:", kWatt, group::kResults},
    {ERowKind::kField, kIdRegulatorPower, "Reglerverlustleitsung:", kWatt, group::kResults},
    {ERowKind::kField, kIdJunctionTemperature, "Sperrschichttemperatur:", kDegrees,
     group::kResults},
    {ERowKind::kField, kIdOutputVoltage, "Ausgangsspannung, bel.:", kVolt, group::kResults},
    {ERowKind::kField, kIdEfficiency, "Wirkungsgrad:", "%", group::kResults},
}};

// The texts the table view adds below the form.
inline constexpr std::string_view kMessagePrefix = "Meldung: ";
inline constexpr std::string_view kBeepsPrefix = "Warnt\xC3\xB6ne: ";
inline constexpr std::string_view kDisabledMark = " (gesperrt)";
inline constexpr std::string_view kInputPrefix = "Eingabe: ";
inline constexpr std::string_view kStandardInputName = "(Standardeingabe)";
inline constexpr std::string_view kStartUpName = "(Startwerte)";

}  // namespace ohmrada::cli
