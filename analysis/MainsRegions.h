// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

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
    const char* id;  // as files and the command line name it ("ansi-a")
};

// The regions the tolerance window offers, the first being the default.
//   EN 50160 (public low-voltage networks in Europe): 230 V +/-10 % for 95 %
//     of the week's 10-minute means.
//   ANSI C84.1 (North America, 120 V service): range A 114-126 V (-5/+5 %),
//     range B 110-127 V (-8.3/+5.8 %).
std::span<const CMainsRegion> MainsRegions();

// The region whose band the settings hold, if any.
std::optional<std::size_t> MainsRegionOf(const CAnalysisSettings& settings);
// The region of an id ("en50160", "ansi-a", "ansi-b"), if any.
std::optional<std::size_t> MainsRegionById(std::string_view id);

// The settings' mains tolerances as a design file's optional line holds
// them: empty for the default band (EN 50160, not written), a region's id,
// or the two percentages ("7.5 5").
std::string TolerancesForFile(const CAnalysisSettings& settings);
// Sets the mains tolerances from such a text; an empty text sets the
// default band. False, with settings unchanged, for a text that holds none.
bool ApplyTolerancesOfFile(std::string_view text, CAnalysisSettings& settings);

}  // namespace ohmrada
