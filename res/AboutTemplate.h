// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <iterator>

#include "ResourceTypes.h"

// Template 9: the about box.

namespace ohmrada::res {

namespace about {

using enum EControlKind;

// clang-format off
inline constexpr CControlTemplate kControls[] = {
    // id    kind         style                       text                                     x    y    w    h
    {1,     kPushButton, kDefaultButton | kTabStop, "OK",                                   211, 101,  50,  14},
    {kNoId, kText,       0, "Ohmrada -- Berechnung linearer Netzgeräte, vom Ohmrada-Team",    7,   7, 254,  16},
    {kNoId, kText,       0, "Version 3.0 für Qt 6",                                           7,  23, 234,  18},
    {kNoId, kText,       0, "bei Fragen bitte E-Mailen:",                                    39,  45, 180,  20},
    {kNoId, kText,       0, "Hilfe: Menü „?“",                                                 71,  75, 118,   8},
};
// clang-format on

}  // namespace about

inline constexpr CDialogTemplate kAboutTemplate = {
    kIdAboutTemplate,
    "Ohmrada Version 3.0",
    268,
    122,
    "MS Sans Serif",
    8,
    kCaption | kSystemMenu | kModalFrame,
    0,
    about::kControls,
};

}  // namespace ohmrada::res
