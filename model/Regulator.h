// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Component.h"

namespace ohmrada {

// The linear voltage regulator. Every input follows the floor rule, the
// ambient temperature included.
class CRegulator : public CComponent {
public:
    CRegulator() = default;

    void SetAmbientTemperature(float celsius) { m_ambientTemperature = ApplyFloor(celsius); }
    float GetAmbientTemperature() const { return m_ambientTemperature; }

    void SetThermalResistance(float kelvinPerWatt) {
        m_thermalResistance = ApplyFloor(kelvinPerWatt);
    }
    float GetThermalResistance() const { return m_thermalResistance; }

    void SetDropoutVoltage(float volts) { m_dropoutVoltage = ApplyFloor(volts); }
    float GetDropoutVoltage() const { return m_dropoutVoltage; }

    void SetInternalResistance(float ohms) { m_internalResistance = ApplyFloor(ohms); }
    float GetInternalResistance() const { return m_internalResistance; }

    // ReglR x current: how far the output falls under that load, V.
    double GetVoltageLoss(float current) const {
        return static_cast<double>(m_internalResistance) * static_cast<double>(current);
    }

    // Tu + Rja x power, the product rounded to single precision, degrees C.
    double GetJunctionTemperature(float power) const {
        return static_cast<double>(m_ambientTemperature) +
               static_cast<double>(
                   ToSingle(static_cast<double>(m_thermalResistance) * static_cast<double>(power)));
    }

private:
    // Set before the first result is asked for.
    float m_ambientTemperature = 0.0f;  // Tu
    float m_thermalResistance = 0.0f;   // Rja
    float m_dropoutVoltage = 0.0f;      // DeltU
    float m_internalResistance = 0.0f;  // ReglR
};

}  // namespace ohmrada
