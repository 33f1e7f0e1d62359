// SPDX-License-Identifier: GPL-3.0-or-later
#include "PowerSupply.h"

#include <cmath>
#include <limits>

namespace ohmrada {

CSupplyAlerts::~CSupplyAlerts() = default;

CPowerSupply::CPowerSupply()
    : m_transformer(std::make_unique<CTransformer>()),
      m_rectifier(std::make_unique<CRectifier>()),
      m_capacitor(std::make_unique<CCapacitor>()),
      m_regulator(std::make_unique<CRegulator>()) {
    m_rectifier->SetLoadCurrent(m_loadCurrent);
}

CPowerSupply::~CPowerSupply() {
    m_regulator.reset();
    m_capacitor.reset();
    m_rectifier.reset();
    m_transformer.reset();
}

void CPowerSupply::SetLoadCurrent(float current) {
    m_loadCurrent = ApplyFloor(current);
    m_rectifier->SetLoadCurrent(m_loadCurrent);
}

bool CPowerSupply::SetMainsFrequency(float hertz) {
    if (hertz != kDefaultMainsFrequency && hertz != kAlternativeMainsFrequency) {
        return false;
    }
    m_mainsFrequency = hertz;
    return true;
}

float CPowerSupply::LoadedVoltage() const {
    return ToSingle(m_rectifier->GetLoadedVoltage(false));
}

double CPowerSupply::GetRippleVoltage() const {
    const double capacitance = ToSingle(m_capacitor->GetCapacitance(true));
    const double source = ToSingle(m_transformer->GetInternalResistance());
    // Load resistance and loaded voltage come from the same iteration.
    const CRectifier::CLoadedPoint point = m_rectifier->GetLoadedPoint();
    const double load = point.resistance;
    const double loaded = ToSingle(point.voltage);
    const double pulses = m_rectifier->PulsesPerPeriod();

    // The fourth root as two successive square roots.
    const double factor = 1.0 - std::sqrt(std::sqrt(source / (pulses * load)));
    const double ripple =
        ToSingle(static_cast<double>(m_loadCurrent) /
                 (pulses * static_cast<double>(GetMainsFrequency()) * capacitance) * factor);
    const double limit = 1.5 * loaded;
    return ripple > limit ? limit : ripple;
}

double CPowerSupply::GetMinimumVoltage() {
    const double loaded = m_rectifier->GetLoadedVoltage(false);
    // The decimal constant 0.6666667, not an exact two thirds.
    float minimum = ToSingle(loaded - 0.6666667 * GetRippleVoltage());
    if (minimum < FloorValue()) {
        minimum = FloorValue();
    }
    const double headroom =
        static_cast<double>(minimum) - static_cast<double>(m_regulator->GetDropoutVoltage());
    if (headroom < static_cast<double>(m_targetVoltage)) {
        // The largest single-precision value not above the limit: the nearest
        // one may lie just above it, and the regulator could then not hold
        // the very target it was lowered to, so the check would fire again in
        // every later cycle with nothing changed.
        float lowered = ToSingle(headroom);
        if (static_cast<double>(lowered) > headroom) {
            lowered = std::nextafter(lowered, -std::numeric_limits<float>::infinity());
        }
        SetTargetVoltage(lowered);
        if (m_alerts != nullptr) {
            m_alerts->Message(kRegulationMessage);
        }
    }
    return minimum;
}

double CPowerSupply::GetOutputVoltage() const {
    const double loss = m_regulator->GetVoltageLoss(m_loadCurrent);
    const double target = m_targetVoltage;
    return loss < target ? target - loss : static_cast<double>(FloorValue());
}

double CPowerSupply::GetDcPower() const {
    return static_cast<double>(m_loadCurrent) * GetOutputVoltage();
}

double CPowerSupply::GetRegulatorPower() const {
    const float difference = ToSingle(static_cast<double>(LoadedVoltage()) - GetOutputVoltage());
    return static_cast<double>(m_loadCurrent) * static_cast<double>(difference);
}

double CPowerSupply::GetInputPower() const {
    const float drawn =
        ToSingle(static_cast<double>(m_loadCurrent) * static_cast<double>(LoadedVoltage()));
    const float total = ToSingle(static_cast<double>(drawn) + m_rectifier->GetDiodePower());
    if (m_transformer->GetRatedPower() < static_cast<double>(total) && m_alerts != nullptr) {
        m_alerts->Beep();
    }
    return total;
}

double CPowerSupply::GetEfficiency() const {
    const double dcPower = ToSingle(GetDcPower());
    const double drawn = GetInputPower();
    if (!(drawn > 0.0)) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    return 100.0 * dcPower / drawn;
}

}  // namespace ohmrada
