// SPDX-License-Identifier: GPL-3.0-or-later
#include "Probe.h"

namespace ohmrada {

CProbe::CProbe() {
    m_supply.SetAlerts(&m_alerts);
}

void CProbe::Prepare(const CDesign& design) {
    m_alerts.messages = 0;
    m_alerts.beeps = 0;
    design.ApplyTo(m_supply);
    const CTransformer& transformer = *m_supply.GetTransformer();
    CRectifier& rectifier = *m_supply.GetRectifier();
    rectifier.SetSourceVoltage(transformer.GetNoLoadVoltage());
    rectifier.SetSourceResistance(ToSingle(transformer.GetInternalResistance()));
}

CProbe::CMinimum CProbe::Minimum(const CDesign& design) {
    Prepare(design);
    const float minimum = ToSingle(m_supply.GetMinimumVoltage());
    return {minimum, m_alerts.messages == 0};
}

CProbe::CHeat CProbe::Heat(const CDesign& design) {
    Prepare(design);
    m_supply.GetMinimumVoltage();
    const double junction =
        m_supply.GetRegulator()->GetJunctionTemperature(ToSingle(m_supply.GetRegulatorPower()));
    return {m_alerts.messages == 0, ToSingle(junction)};
}

float CProbe::InputPower(const CDesign& design) {
    Prepare(design);
    return ToSingle(m_supply.GetInputPower());
}

}  // namespace ohmrada
