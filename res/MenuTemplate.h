// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstddef>

#include "AnalysisWindowTable.h"
#include "ResourceTypes.h"

// Menu 135 of the main form. Every entry is enabled; the form logic gives the
// search entries no function, the desktop program opens Grenzwerte at each
// entry's search. "&Analyse" opens the analysis windows beside the form; the
// form logic does not know its commands, the desktop program's analysis
// windows take them, except "Netz&frequenz", whose two checkable entries set
// the design's mains frequency through the form logic.

namespace ohmrada::res {

namespace menu {

// clang-format off
inline constexpr CMenuEntry kFile[] = {
    {"&Neu",                40040, {}, false, "Ctrl+N"},
    {"Ö&ffnen",             1067,  {}, false, "Ctrl+O"},
    {"&Speichern",          40041, {}, false, "Ctrl+S"},
    {"&Speichern unter...", 1070},
    {"&Beenden",            8},
};
// The recently opened files: a submenu of "Datei" before "&Beenden", filled
// by the desktop program.
inline constexpr const char* kRecentFilesMenu = "&Zuletzt ge\xC3\xB6" "ffnet";
// The languages, each in its own name: a menu before "&?", filled by the
// desktop program from the catalogues. Its title is in both languages so
// that it can be found in either.
inline constexpr const char* kLanguageMenu = "&Sprache / Language";

inline constexpr CMenuEntry kSearch[] = {
    {"maximale Trafonennleistung",     40002},
    {"maximal regelbarer Strom",       40003},
    {"maximale Reglerverlustleistung", 40004},
    {"optimaler Wirkungsgrad",         40005},
    {"höchste Spannung",               40006},
    {"Entwurf aus Anforderungen...",   40030},
};

inline constexpr CMenuEntry kMainsFrequency[] = {
    {"50 Hz", 40020, {}, true},
    {"60 Hz", 40021, {}, true},
};
// clang-format on

// The analysis windows from their table, then the report and the mains
// frequency.
inline constexpr std::array<CMenuEntry, kAnalysisWindowEntryCount + 2> kAnalyse = [] {
    std::array<CMenuEntry, kAnalysisWindowEntryCount + 2> entries{};
    std::size_t k = 0;
    for (const CAnalysisWindowEntry& window : kAnalysisWindowTable) {
        entries[k++] = {window.menuText, window.command};
    }
    entries[k++] = {"&Bericht speichern...", kCmdAnalyseReport};
    entries[k] = {"Netz&frequenz", 0, kMainsFrequency};
    return entries;
}();

// clang-format off

inline constexpr CMenuEntry kHelp[] = {
    {"&Bedienung",  1068},
    {"I&nfo über",  1071},
};

inline constexpr CMenuPopup kPopups[] = {
    {"Datei",   kFile},
    {"S&uchen", kSearch},
    {"&Analyse", kAnalyse},
    {"&?",      kHelp},
};
// clang-format on

}  // namespace menu

inline constexpr CMenuTemplate kMainMenu = {kIdMainMenu, menu::kPopups};

}  // namespace ohmrada::res
