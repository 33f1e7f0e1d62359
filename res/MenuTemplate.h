// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

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
    {"Ö&ffnen",             1067},
    {"&Speichern unter...", 1070},
    {"&Beenden",            8},
};

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
inline constexpr CMenuEntry kAnalyse[] = {
    {"&Toleranzen...",        40010},
    {"&Grenzwerte...",        40011},
    {"&Parameterverlauf...",  40012},
    {"&Zeitbereich...",       40013},
    {"&Bericht speichern...", 40014},
    {"Netz&frequenz",         0, kMainsFrequency},
};

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
