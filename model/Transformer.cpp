// SPDX-License-Identifier: GPL-3.0-or-later
#include "Transformer.h"

#include <limits>

namespace ohmrada {

float CTransformer::WindingValue(float shown) const {
    if (m_centreTap == 0) {
        return shown;
    }
    // Doubling the largest finite float would overflow; such an entry is held
    // as the largest finite value of its sign instead of infinity.
    const double doubled = 2.0 * static_cast<double>(shown);
    constexpr double kMax = std::numeric_limits<float>::max();
    if (doubled > kMax) {
        return std::numeric_limits<float>::max();
    }
    if (doubled < -kMax) {
        return -std::numeric_limits<float>::max();
    }
    return ToSingle(doubled);
}

float CTransformer::ShownValue(float winding) const {
    return m_centreTap != 0 ? ToSingle(static_cast<double>(winding) * 0.5) : winding;
}

float CTransformer::JustAboveRatedVoltage() const {
    return ToSingle(static_cast<double>(m_ratedVoltage) + static_cast<double>(FloorValue()));
}

void CTransformer::SetRatedVoltage(float voltage) {
    m_ratedVoltage = ApplyFloor(WindingValue(voltage));
    if (m_ratedVoltage > m_noLoadVoltage) {
        m_noLoadVoltage = JustAboveRatedVoltage();
    }
}

float CTransformer::GetRatedVoltage() const {
    return ShownValue(m_ratedVoltage);
}

void CTransformer::SetNoLoadVoltage(float voltage) {
    const float winding = WindingValue(voltage);
    m_noLoadVoltage = winding > m_ratedVoltage ? winding : JustAboveRatedVoltage();
}

float CTransformer::GetNoLoadVoltage() const {
    return ShownValue(m_noLoadVoltage);
}

double CTransformer::GetInternalResistance() const {
    const float difference =
        ToSingle(static_cast<double>(GetNoLoadVoltage()) - static_cast<double>(GetRatedVoltage()));
    return static_cast<double>(difference) / static_cast<double>(m_ratedCurrent);
}

double CTransformer::GetRatedPower() const {
    const double power =
        static_cast<double>(GetRatedVoltage()) * static_cast<double>(m_ratedCurrent);
    return m_centreTap != 0 ? power * 2.0 : power;
}

}  // namespace ohmrada
