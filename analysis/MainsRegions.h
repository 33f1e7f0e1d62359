// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <span>

#include "AnalysisSettings.h"

namespace ohmrada {

// A mains supply standard and the band of voltage it allows around the
// nominal, in percent below and above it.
struct CMainsRegion {
    const char* name;  // as the window lists it
    double lowPct;
    double highPct;
};

// The regions the tolerance window offers, the first being the default.
//   EN 50160 (public low-voltage networks in Europe): 230 V +/-10 % for 95 %
//     of the week's 10-minute means.
//   ANSI C84.1 (North America, 120 V service): range A 114-126 V (-5/+5 %),
//     range B 110-127 V (-8.3/+5.8 %).
std::span<const CMainsRegion> MainsRegions();

// The region whose band the settings hold, if any.
std::optional<std::size_t> MainsRegionOf(const CAnalysisSettings& settings);

}  // namespace ohmrada
