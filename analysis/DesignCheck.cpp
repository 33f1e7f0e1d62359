// SPDX-License-Identifier: GPL-3.0-or-later
#include "DesignCheck.h"

namespace ohmrada {

bool CDesignCheck::Exceeds(EResult result) const {
    switch (result) {
        case EResult::kMinimumVoltage:
            return targetNotHeld;
        case EResult::kInputPower:
            return overloaded;
        case EResult::kJunctionTemperature:
            return junctionOverLimit;
        default:
            return false;
    }
}

CDesignCheck CheckDesign(const CEvaluation& evaluation, double ratedPowerW, double junctionLimitC) {
    CDesignCheck check;
    check.targetNotHeld = !evaluation.TargetHeld();
    // The same comparison as the transformer's beep: strictly above.
    check.overloaded = ratedPowerW < static_cast<double>(evaluation[EResult::kInputPower]);
    check.junctionOverLimit =
        static_cast<double>(evaluation[EResult::kJunctionTemperature]) > junctionLimitC;
    return check;
}

}  // namespace ohmrada
