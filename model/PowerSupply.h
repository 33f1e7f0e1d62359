// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>

#include "Capacitor.h"
#include "Component.h"
#include "Rectifier.h"
#include "Regulator.h"
#include "SupplyAlerts.h"
#include "Transformer.h"

namespace ohmrada {

// The supply assembly. It owns its four components for its whole life
// (created transformer, rectifier, capacitor, regulator; destroyed in the
// reverse order) and holds the operating point: the load current Ib and the
// target output voltage Ubger. The components never see each other; the
// supply copies Ib into the rectifier, and the recalculation cycle copies the
// transformer's shown no-load voltage and internal resistance into it.
//
// Every result is recomputed from the current inputs on each call. Two of them
// act on the user through the alert sink handed to SetAlerts():
// GetMinimumVoltage() lowers Ubger and sends the regulation message when the
// regulator cannot hold the target, and GetInputPower() beeps when the
// transformer is overloaded.
class CPowerSupply : public CComponent {
public:
    // The regulation message, exactly as the user sees it.
    static constexpr const char* kRegulationMessage =
        "die Sollspannung kann nicht mehr geregelt werden!\n"
        " es wird daher die maximal m\xC3\xB6gliche eingestellt";

    CPowerSupply();
    ~CPowerSupply() override;
    CPowerSupply(const CPowerSupply&) = delete;
    CPowerSupply& operator=(const CPowerSupply&) = delete;

    // The sink for the message and the beep; nullptr (the default) signals
    // nothing. The supply does not own it.
    void SetAlerts(CSupplyAlerts* alerts) { m_alerts = alerts; }

    CTransformer* GetTransformer() const { return m_transformer.get(); }
    CRectifier* GetRectifier() const { return m_rectifier.get(); }
    CCapacitor* GetCapacitor() const { return m_capacitor.get(); }
    CRegulator* GetRegulator() const { return m_regulator.get(); }

    // Floor rule; the stored value is copied into the rectifier.
    void SetLoadCurrent(float current);
    float GetLoadCurrent() const { return m_loadCurrent; }

    void SetTargetVoltage(float voltage) { m_targetVoltage = ApplyFloor(voltage); }
    float GetTargetVoltage() const { return m_targetVoltage; }

    // The mains frequency of this supply, Hz: 50 (every supply starts there)
    // or 60. Any other value is refused and leaves the frequency as it was;
    // false then. Everything the supply computes uses it; CComponent's
    // MainsFrequency() stays every component's fixed default of 50 Hz, under
    // a name of its own so that no call can take the one for the other.
    bool SetMainsFrequency(float hertz);
    float GetMainsFrequency() const { return m_mainsFrequency; }

    // Peak-to-peak ripple on the reservoir capacitor, at most 1.5 x the loaded
    // voltage, V.
    double GetRippleVoltage() const;
    // Voltage minimum, V. Lowers Ubger to what the regulator can still hold and
    // sends the regulation message when the target is out of reach.
    double GetMinimumVoltage();
    // Regulated output voltage under load, V.
    double GetOutputVoltage() const;
    // DC output power, W.
    double GetDcPower() const;
    // Regulator dissipation, W; negative when the output exceeds the loaded
    // voltage.
    double GetRegulatorPower() const;
    // Power drawn from the transformer, W. Beeps when it exceeds the
    // transformer's rated power.
    double GetInputPower() const;
    // Efficiency in percent; evaluates the power drawn again, beep included.
    // With a power drawn of zero or below (only possible with a negative diode
    // drop) an efficiency is not defined and the result is NaN, which the form
    // shows as a placeholder.
    double GetEfficiency() const;

private:
    // The loaded voltage of the rectifier rounded to single precision.
    float LoadedVoltage() const;

    // Declared in creation order, so that members are destroyed regulator
    // first and transformer last.
    std::unique_ptr<CTransformer> m_transformer;
    std::unique_ptr<CRectifier> m_rectifier;
    std::unique_ptr<CCapacitor> m_capacitor;
    std::unique_ptr<CRegulator> m_regulator;
    float m_loadCurrent = 1.0f;     // Ib
    float m_targetVoltage = 10.0f;  // Ubger
    float m_mainsFrequency = kDefaultMainsFrequency;
    CSupplyAlerts* m_alerts = nullptr;
};

}  // namespace ohmrada
