// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Evaluation.h"
#include "Results.h"

namespace ohmrada {

// Which of the form's results lie beyond a limit: the windows mark them, the
// worst case reports them per corner.
struct CDesignCheck {
    bool targetNotHeld = false;      // the cycle had to lower the target: minimum_voltage_v
    bool overloaded = false;         // power drawn above the rated power: input_power_w
    bool junctionOverLimit = false;  // junction temperature above Tj,max: junction_temperature_c

    // True for the result that shows a limit this check found broken.
    bool Exceeds(EResult result) const;
    bool Any() const { return targetNotHeld || overloaded || junctionOverLimit; }
};

// Checks one evaluation against the rated power the overload is judged by
// (the nominal design's for a mains corner) and Tj,max.
CDesignCheck CheckDesign(const CEvaluation& evaluation, double ratedPowerW, double junctionLimitC);

}  // namespace ohmrada
