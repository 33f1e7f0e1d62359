// SPDX-License-Identifier: GPL-3.0-or-later
#include "Design.h"

#include "CircuitText.h"

#include "NumberText.h"

namespace ohmrada {

bool CDesign::IsWindingVoltage(EInput input) {
    return input == EInput::kNennU || input == EInput::kLeerU;
}

float CDesign::Shown(EInput input) const {
    // Halving a float is exact, so doubling the shown value gives it back.
    const float stored = (*this)[input];
    return centreTap != 0 && IsWindingVoltage(input) ? stored / 2.0f : stored;
}

CDesign CDesign::StartUp() {
    CPowerSupply supply;
    ApplyStartUpValues(supply);
    return TakeFrom(supply);
}

CDesign CDesign::TakeFrom(const CPowerSupply& supply) {
    CDesign design;
    design.centreTap = supply.GetTransformer()->GetCentreTap();
    design.circuit = supply.GetRectifier()->GetCircuit();
    design.mainsFrequency = supply.GetMainsFrequency();
    for (const CInputSpec& spec : kInputs) {
        float value = spec.get(supply);
        // The transformer shows half of each stored winding voltage while the
        // flag is set; halving a float is exact, so doubling gives it back.
        if (design.centreTap != 0 && IsWindingVoltage(spec.input)) {
            value *= 2.0f;
        }
        design[spec.input] = value;
    }
    return design;
}

CDesign CDesign::FromConfiguration(const CConfiguration& configuration) {
    CPowerSupply supply;
    ApplyConfiguration(supply, configuration);
    CDesign design = TakeFrom(supply);
    design.circuitChoice = ReadCircuitChoice(configuration.extras).value_or(CCircuitChoice{});
    return design;
}

void CDesign::ApplyTo(CPowerSupply& supply) const {
    // The winding voltages go in as stored, with the flag still clear. NennU is
    // first taken down to its floor so that LeerU can take its own value, then
    // set to its own: that reproduces every pair the setters can leave behind,
    // two equal voltages included, which setting them in file order would not.
    supply.SetMainsFrequency(mainsFrequency);
    CTransformer& transformer = *supply.GetTransformer();
    transformer.SetCentreTap(0);
    transformer.SetRatedVoltage(0.0f);
    transformer.SetNoLoadVoltage((*this)[EInput::kLeerU]);
    transformer.SetRatedVoltage((*this)[EInput::kNennU]);
    transformer.SetCentreTap(centreTap);
    // Everything else in file order.
    for (const CInputSpec& spec : kInputs) {
        if (spec.line == kLineDiffU) {
            supply.GetRectifier()->SetCircuit(circuit);
        }
        if (!IsWindingVoltage(spec.input)) {
            spec.set(supply, (*this)[spec.input]);
        }
    }
}

std::array<std::string, kConfigLineCount> CDesign::ToConfigurationTexts() const {
    CPowerSupply supply;
    ApplyTo(supply);
    std::array<std::string, kConfigLineCount> texts;
    texts[kLineMitte].assign(1, centreTap != 0 ? '1' : '0');
    texts[kLineGR_Sg] = circuit;
    for (const CInputSpec& spec : kInputs) {
        texts[spec.line] = FormatFieldValue(spec.get(supply), spec.decimals);
    }
    return texts;
}

bool CDesign::WriteTo(CLineSink& sink) const {
    CConfigExtras extras;
    WriteCircuitChoice(circuitChoice, extras);
    return WriteConfiguration(sink, ToConfigurationTexts(), mainsFrequency, extras);
}

std::string CDesign::FileText() const {
    CStringLineSink sink;
    WriteTo(sink);
    return sink.Text();
}

std::optional<CConfiguration> CDesign::ReadBack() const {
    CStringLineSource source(FileText());
    CConfiguration configuration;
    if (!ReadConfiguration(source, configuration)) {
        return std::nullopt;
    }
    return configuration;
}

}  // namespace ohmrada
