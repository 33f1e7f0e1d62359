// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstddef>

#include "ControlIds.h"

// The analysis windows beside the form, in the order of the menu "&Analyse":
// the command that opens each, its menu entry, its title, its help page and
// the line the help's contents say of it. The menu, the desktop program's
// window registry, the report's headings and the help's lists of the
// windows (res/tools/MakeHelpPages.cpp) are made from this one table.

namespace ohmrada::res {

struct CAnalysisWindowEntry {
    int command;
    const char* menuText;  // "&" marks the access key
    const char* title;
    const char* helpPage;
    const char* helpSummary;  // HTML, after the linked title and a dash
};

inline constexpr std::size_t kAnalysisWindowEntryCount = 4;

// clang-format off
inline constexpr std::array<CAnalysisWindowEntry, kAnalysisWindowEntryCount> kAnalysisWindowTable = {{
    {kCmdAnalyseTolerances, "&Toleranzen...",       "Toleranzen",       "toleranzen.html",
     "der Entwurf bei Unter- und Überspannung und mit gealtertem Kondensator"},
    {kCmdAnalyseLimits,     "&Grenzwerte...",       "Grenzwerte",       "grenzwerte.html",
     "die fünf Suchen des Menüs „Suchen“, mit Knöpfen, die einen gefundenen Wert ins "
     "Formular eintragen"},
    {kCmdAnalyseSweep,      "&Parameterverlauf...", "Parameterverlauf", "parameterverlauf.html",
     "eine Eingabe über einen Bereich, die Ergebnisse als Kurven"},
    {kCmdAnalyseTimeDomain, "&Zeitbereich...",      "Zeitbereich",      "zeitbereich.html",
     "dieselbe Schaltung mit ngspice simuliert: Kurvenformen, Einschaltstrom, Vergleich mit "
     "dem Formular"},
}};
// clang-format on

}  // namespace ohmrada::res
