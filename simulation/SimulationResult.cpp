// SPDX-License-Identifier: GPL-3.0-or-later
#include "SimulationResult.h"

#include <algorithm>
#include <charconv>

#include "Circuit.h"

namespace ohmrada {

void CSimulationResult::MarkIfCollapsed() {
    if (!Ok() || !(measurements.minimumVoltage < kCollapseVoltageV)) {
        return;
    }
    char buffer[64];
    const auto written =
        std::to_chars(buffer, buffer + sizeof buffer, std::max(0.0, measurements.minimumVoltage),
                      std::chars_format::fixed, 3);
    error = ESimulationError::kCollapsed;
    message = "the output collapses: its minimum falls to " + std::string(buffer, written.ptr) +
              " V, below the 1 V the regulator needs to draw its load current";
}

}  // namespace ohmrada
