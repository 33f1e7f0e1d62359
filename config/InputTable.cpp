// SPDX-License-Identifier: GPL-3.0-or-later
#include "InputTable.h"

namespace ohmrada {

namespace {

CTransformer& Transformer(CPowerSupply& s) {
    return *s.GetTransformer();
}
CRectifier& Rectifier(CPowerSupply& s) {
    return *s.GetRectifier();
}
CRegulator& Regulator(CPowerSupply& s) {
    return *s.GetRegulator();
}
const CTransformer& Transformer(const CPowerSupply& s) {
    return *s.GetTransformer();
}
const CRectifier& Rectifier(const CPowerSupply& s) {
    return *s.GetRectifier();
}
const CRegulator& Regulator(const CPowerSupply& s) {
    return *s.GetRegulator();
}

}  // namespace

// clang-format off
const std::array<CInputSpec, kInputCount> kInputs = {{
    {EInput::kNennU, kLineNennU, kIdRatedVoltage, "NennU", 3, 36.0f,
     [](CPowerSupply& s, float v) { Transformer(s).SetRatedVoltage(v); },
     [](const CPowerSupply& s) { return Transformer(s).GetRatedVoltage(); }},
    {EInput::kLeerU, kLineLeerU, kIdNoLoadVoltage, "LeerU", 3, 40.0f,
     [](CPowerSupply& s, float v) { Transformer(s).SetNoLoadVoltage(v); },
     [](const CPowerSupply& s) { return Transformer(s).GetNoLoadVoltage(); }},
    {EInput::kNennI, kLineNennI, kIdRatedCurrent, "NennI", 3, 10.0f / 3.0f,
     [](CPowerSupply& s, float v) { Transformer(s).SetRatedCurrent(v); },
     [](const CPowerSupply& s) { return Transformer(s).GetRatedCurrent(); }},
    {EInput::kDiffU, kLineDiffU, kIdDiffusionVoltage, "DiffU", 3, 0.35f,
     [](CPowerSupply& s, float v) { Rectifier(s).SetDiffusionVoltage(v); },
     [](const CPowerSupply& s) { return Rectifier(s).GetDiffusionVoltage(); }},
    {EInput::kBahnR, kLineBahnR, kIdBulkResistance, "BahnR", 3, 0.02f,
     [](CPowerSupply& s, float v) { Rectifier(s).SetBulkResistance(v); },
     [](const CPowerSupply& s) { return Rectifier(s).GetBulkResistance(); }},
    {EInput::kKondC, kLineKondC, kIdCapacitance, "KondC", 0, 30000.0f,
     [](CPowerSupply& s, float v) { s.GetCapacitor()->SetCapacitance(v); },
     [](const CPowerSupply& s) { return static_cast<float>(s.GetCapacitor()->GetCapacitance(false)); }},
    {EInput::kUbger, kLineUbger, kIdTargetVoltage, "Ubger", 3, 14.82f,
     [](CPowerSupply& s, float v) { s.SetTargetVoltage(v); },
     [](const CPowerSupply& s) { return s.GetTargetVoltage(); }},
    {EInput::kIb, kLineIb, kIdLoadCurrent, "Ib", 3, 5.0f,
     [](CPowerSupply& s, float v) { s.SetLoadCurrent(v); },
     [](const CPowerSupply& s) { return s.GetLoadCurrent(); }},
    {EInput::kRja, kLineRja, kIdThermalResistance, "Rja", 3, 4.17f,
     [](CPowerSupply& s, float v) { Regulator(s).SetThermalResistance(v); },
     [](const CPowerSupply& s) { return Regulator(s).GetThermalResistance(); }},
    {EInput::kTu, kLineTu, kIdAmbientTemperature, "Tu", 3, 20.0f,
     [](CPowerSupply& s, float v) { Regulator(s).SetAmbientTemperature(v); },
     [](const CPowerSupply& s) { return Regulator(s).GetAmbientTemperature(); }},
    {EInput::kDeltU, kLineDeltU, kIdDropoutVoltage, "DeltU", 3, 1.1f,
     [](CPowerSupply& s, float v) { Regulator(s).SetDropoutVoltage(v); },
     [](const CPowerSupply& s) { return Regulator(s).GetDropoutVoltage(); }},
    {EInput::kReglR, kLineReglR, kIdRegulatorResistance, "ReglR", 3, 0.11f,
     [](CPowerSupply& s, float v) { Regulator(s).SetInternalResistance(v); },
     [](const CPowerSupply& s) { return Regulator(s).GetInternalResistance(); }},
}};

const std::array<EConfigLine, kConfigLineCount> kStartUpOrder = {
    kLineIb,    kLineUbger, kLineNennI, kLineNennU, kLineLeerU, kLineMitte, kLineGR_Sg,
    kLineDiffU, kLineBahnR, kLineKondC, kLineDeltU, kLineReglR, kLineRja,   kLineTu,
};
// clang-format on

namespace {

// The numeric input of a configuration line; nullptr for lines 1 and 5.
const CInputSpec* InputOfLine(EConfigLine line) {
    for (const CInputSpec& spec : kInputs) {
        if (spec.line == line) {
            return &spec;
        }
    }
    return nullptr;
}

}  // namespace

const CInputSpec* InputOfField(int fieldId) {
    for (const CInputSpec& spec : kInputs) {
        if (spec.fieldId == fieldId) {
            return &spec;
        }
    }
    return nullptr;
}

const CInputSpec* InputOfKey(std::string_view key) {
    for (const CInputSpec& spec : kInputs) {
        if (spec.key == key) {
            return &spec;
        }
    }
    return nullptr;
}

void ApplyStartUpValues(CPowerSupply& supply) {
    for (const EConfigLine line : kStartUpOrder) {
        if (line == kLineMitte) {
            supply.GetTransformer()->SetCentreTap(kStartUpCentreTap);
        } else if (line == kLineGR_Sg) {
            supply.GetRectifier()->SetCircuit(kStartUpCircuit);
        } else if (const CInputSpec* spec = InputOfLine(line)) {
            spec->set(supply, spec->startUpValue);
        }
    }
}

void ApplyConfiguration(CPowerSupply& supply, const CConfiguration& configuration) {
    for (std::size_t index = 0; index < kConfigLineCount; ++index) {
        const auto line = static_cast<EConfigLine>(index);
        if (line == kLineMitte) {
            supply.GetTransformer()->SetCentreTap(configuration.centreTap);
        } else if (line == kLineGR_Sg) {
            supply.GetRectifier()->SetCircuit(configuration.circuit);
        } else if (const CInputSpec* spec = InputOfLine(line)) {
            spec->set(supply, configuration.numbers[index]);
        }
    }
    supply.SetMainsFrequency(configuration.mainsFrequency);
}

}  // namespace ohmrada
