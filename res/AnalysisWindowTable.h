// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstddef>

#include "ControlIds.h"

// The analysis windows beside the form, in the order of the menu "&Analyse":
// the command that opens each, its menu entry, its title and its help page.
// The menu, the desktop program's window registry, the report's headings
// and the help index are made from this one table.

namespace ohmrada::res {

struct CAnalysisWindowEntry {
    int command;
    const char* menuText;  // "&" marks the access key
    const char* title;
    const char* helpPage;
};

inline constexpr std::size_t kAnalysisWindowEntryCount = 4;

// clang-format off
inline constexpr std::array<CAnalysisWindowEntry, kAnalysisWindowEntryCount> kAnalysisWindowTable = {{
    {kCmdAnalyseTolerances, "&Toleranzen...",       "Toleranzen",       "toleranzen.html"},
    {kCmdAnalyseLimits,     "&Grenzwerte...",       "Grenzwerte",       "grenzwerte.html"},
    {kCmdAnalyseSweep,      "&Parameterverlauf...", "Parameterverlauf", "parameterverlauf.html"},
    {kCmdAnalyseTimeDomain, "&Zeitbereich...",      "Zeitbereich",      "zeitbereich.html"},
}};
// clang-format on

}  // namespace ohmrada::res
