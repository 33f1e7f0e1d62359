// SPDX-License-Identifier: GPL-3.0-or-later
#include "MainsRegions.h"

#include <array>

namespace ohmrada {

namespace {

constexpr std::array<CMainsRegion, 3> kRegions = {{
    {"EN 50160 (\xC2\xB1"
     "10 %)",
     10.0, 10.0},
    {"ANSI C84.1 A (\xE2\x88\x92"
     "5/+5 %)",
     5.0, 5.0},
    {"ANSI C84.1 B (\xE2\x88\x92"
     "8.3/+5.8 %)",
     8.3, 5.8},
}};

}  // namespace

std::span<const CMainsRegion> MainsRegions() {
    return kRegions;
}

std::optional<std::size_t> MainsRegionOf(const CAnalysisSettings& settings) {
    for (std::size_t i = 0; i < kRegions.size(); ++i) {
        if (settings.mainsLowTolerancePct == kRegions[i].lowPct &&
            settings.mainsHighTolerancePct == kRegions[i].highPct) {
            return i;
        }
    }
    return std::nullopt;
}

}  // namespace ohmrada
