// SPDX-License-Identifier: GPL-3.0-or-later
#include "Rectifier.h"

#include <cmath>
#include <limits>

namespace ohmrada {

namespace {
const double kSqrt2 = std::sqrt(2.0);
}

double CRectifier::GetDiodeDrop() const {
    const float oneDiode =
        ToSingle(static_cast<double>(m_diffusionVoltage) +
                 static_cast<double>(m_bulkResistance) * static_cast<double>(m_loadCurrent));
    return IsBridge() ? 2.0 * oneDiode : static_cast<double>(oneDiode);
}

float CRectifier::PeakVoltage() const {
    return ToSingle(kSqrt2 * static_cast<double>(m_sourceVoltage));
}

double CRectifier::GetNoLoadOutputVoltage() const {
    const double peak = PeakVoltage();
    const double drop = GetDiodeDrop();
    if (drop > peak) {
        return FloorValue();
    }
    return peak - drop;
}

double CRectifier::GetDiodePower() const {
    return GetDiodeDrop() * static_cast<double>(m_loadCurrent);
}

double CRectifier::GetMeanCurrent() const {
    const float half = ToSingle(static_cast<double>(m_loadCurrent) * 0.5);
    return IsHalfWave() ? 2.0 * half : static_cast<double>(half);
}

double CRectifier::GetPeakReverseVoltage() const {
    const float twice = ToSingle(2.0 * kSqrt2 * static_cast<double>(m_sourceVoltage));
    return IsBridge() ? 0.5 * twice : static_cast<double>(twice);
}

CRectifier::CLoadedPoint CRectifier::SolveLoadedPoint() const {
    const double noLoad = GetNoLoadOutputVoltage();
    const double pulses = PulsesPerPeriod();
    const double source = m_sourceResistance;
    double voltage = noLoad;
    float resistance = 0.0f;
    // A fixed number of steps on purpose: no convergence test, no early exit.
    for (int step = 0; step < kIterationSteps; ++step) {
        resistance = ToSingle(voltage / static_cast<double>(m_loadCurrent));
        if (pulses * resistance > source) {
            voltage = noLoad * (1.0 - std::sqrt(source / (pulses * resistance)));
        } else {
            voltage = FloorValue();
            resistance = ToSingle(source / pulses);
        }
    }
    return {voltage, resistance};
}

double CRectifier::GetLoadedVoltage(bool loadResistance) const {
    const CLoadedPoint point = GetLoadedPoint();
    return loadResistance ? static_cast<double>(point.resistance) : point.voltage;
}

double CRectifier::GetPeakCurrent() const {
    if (m_sourceResistance == 0.0f) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    const double noLoad = ToSingle(GetNoLoadOutputVoltage());
    return (noLoad - GetLoadedVoltage(false)) / static_cast<double>(m_sourceResistance);
}

}  // namespace ohmrada
