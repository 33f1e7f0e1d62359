// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>

#include "Design.h"
#include "Results.h"

namespace ohmrada {

// What one recalculation cycle of a design gives: the sixteen results as the
// cycle hands them to the form (single precision; NaN where the form shows
// "n. def."), how often it sent the regulation message and beeped, and the
// target voltage it ended with (lowered when the regulator could not hold it).
struct CEvaluation {
    std::array<float, kResultCount> results{};  // by EResult
    int messages = 0;
    int beeps = 0;
    float targetVoltage = 0.0f;

    float operator[](EResult result) const { return results[static_cast<std::size_t>(result)]; }
    // True when the cycle showed no regulation message.
    bool TargetHeld() const { return messages == 0; }
};

// Runs one recalculation cycle of the design on a fresh supply, in the
// cycle's order and rounding, exactly as the form does after opening a file
// that holds the design.
CEvaluation Evaluate(const CDesign& design);

}  // namespace ohmrada
