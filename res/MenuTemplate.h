// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ResourceTypes.h"

// Menu 135 of the main form. Every entry is enabled; the search entries have
// no function.

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
};

inline constexpr CMenuEntry kHelp[] = {
    {"&Bedienung",  1068},
    {"I&nfo über",  1071},
};

inline constexpr CMenuPopup kPopups[] = {
    {"Datei",   kFile},
    {"S&uchen", kSearch},
    {"&?",      kHelp},
};
// clang-format on

}  // namespace menu

inline constexpr CMenuTemplate kMainMenu = {kIdMainMenu, menu::kPopups};

}  // namespace ohmrada::res
