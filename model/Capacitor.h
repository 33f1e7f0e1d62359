// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Component.h"

namespace ohmrada {

// The reservoir capacitor. KondC is entered and stored in microfarads.
class CCapacitor : public CComponent {
public:
    CCapacitor() = default;

    void SetCapacitance(float microfarads) { m_capacitance = ApplyFloor(microfarads); }

    // KondC in microfarads as stored (inFarads cleared) or times 1e-6, in
    // farads (inFarads set).
    double GetCapacitance(bool inFarads) const {
        return inFarads ? static_cast<double>(m_capacitance) * 1e-6
                        : static_cast<double>(m_capacitance);
    }

private:
    float m_capacitance = 0.0f;  // KondC, set before the first result is asked for
};

}  // namespace ohmrada
