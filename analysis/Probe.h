// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AlertCounter.h"
#include "Design.h"
#include "PowerSupply.h"

namespace ohmrada {

// Quick verdicts for the limit searches, which evaluate a design hundreds of
// times and need only one or two of its results. A probe applies the design
// to a supply it keeps (CDesign::ApplyTo sets every input, so the supply then
// holds exactly what a fresh one would), copies the transformer's no-load
// voltage and internal resistance into the rectifier as the cycle's first two
// steps do, and then runs only the cycle's steps a verdict needs. Every step
// before the voltage minimum and between it and the junction temperature only
// reads, so each value equals what Evaluate() gives for the same design; the
// tests hold the two together over many random designs.
class CProbe {
public:
    CProbe();
    CProbe(const CProbe&) = delete;
    CProbe& operator=(const CProbe&) = delete;

    struct CMinimum {
        float minimumVoltage;  // the cycle's minimum_voltage_v
        bool targetHeld;       // no regulation message
    };
    // The voltage minimum and the regulation check (the cycle's step for field
    // 1017).
    CMinimum Minimum(const CDesign& design);

    struct CHeat {
        bool targetHeld;
        float junctionTemperature;  // the cycle's junction_temperature_c
    };
    // The regulation check followed by the junction temperature, which sees
    // the target the check may have lowered.
    CHeat Heat(const CDesign& design);

    // The power drawn, the cycle's input_power_w.
    float InputPower(const CDesign& design);

private:
    // Applies the design and runs the cycle's two copy steps.
    void Prepare(const CDesign& design);

    CPowerSupply m_supply;
    CAlertCounter m_alerts;
};

}  // namespace ohmrada
