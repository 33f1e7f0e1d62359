// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <iterator>

#include "ResourceTypes.h"
#include "Texts.h"

// Template 130: the main form. The left half holds the inputs in five group
// boxes, the right half the sixteen results. The order of the rows is the
// order of the controls: the tab stops, in this order, are the check box and
// the twelve input fields from top to bottom, and a spin control follows the
// field it overlaps so that it lies above it.

namespace ohmrada::res {

namespace form {

using enum EControlKind;

// An input field: thin border, reached by Tab, right-aligned.
inline constexpr unsigned kInput = kBorder | kTabStop | kAlignRight | kAutoHScroll;
// An input field that a spin control overlaps.
inline constexpr unsigned kInputUnderSpin = kInput | kTransparent;
// A result field: read-only, no border but a sunken edge, not reached by Tab.
inline constexpr unsigned kResult = kReadOnly | kAlignRight | kAutoHScroll | kClientEdge;
inline constexpr unsigned kSpinStyle = kArrowKeys | kStaticEdge | kClientEdge;
inline constexpr unsigned kLabel = 0;

// clang-format off
inline constexpr CControlTemplate kControls[] = {
    // id    kind          style             text                            x    y    w    h
    {1032,  kGroupBox,    0,                "Transformatordaten",            0,   0, 185,  70},
    {1028,  kCheckBox,    kAutoCheck | kTabStop, "nur bis Mittelpunkt",     10,  10,  73,  10},
    {kNoId, kText,        kLabel,           "Nennspannung:",                 5,  26,  52,   8},
    {1024,  kEdit,        kInput,           "",                            110,  20,  40,  14},
    {kNoId, kText,        kLabel,           "Volt",                        155,  26,  13,  10},
    {kNoId, kText,        kLabel,           "Nennstrom:",                    5,  42,  37,   8},
    {1021,  kEdit,        kInput,           "",                            110,  35,  40,  14},
    {kNoId, kText,        kLabel,           "Ampere",                      155,  40,  25,   8},
    {kNoId, kText,        kLabel,           "Leerlaufspannung:",             5,  56,  60,   8},
    {1013,  kEdit,        kInput,           "",                            110,  50,  40,  14},
    {kNoId, kText,        kLabel,           "Volt",                        155,  56,  13,   8},

    {1033,  kGroupBox,    0,                "Gleichrichterschaltung",        0,  74, 185,  70},
    {1029,  kRadioButton, kAutoCheck,       "Einweg (eine Diode)",           5,  90,  79,  10},
    {1030,  kRadioButton, kAutoCheck,       "Brücke (vier Dioden)",          5, 106,  81,  10},
    {1031,  kRadioButton, kAutoCheck,       "Mittelpunkt (zwei Dioden)",     5, 120,  95,  10},
    {kNoId, kText,        kLabel,           "Diffusionsspannung:",         110,  86,  65,   8},
    {1025,  kEdit,        kInput,           "",                            110,  95,  40,  14},
    {kNoId, kText,        kLabel,           "Volt",                        155, 101,  13,   8},
    {kNoId, kText,        kLabel,           "Bahnwiderstand:",             110, 114,  54,   8},
    {1019,  kEdit,        kInput,           "",                            110, 125,  40,  14},
    {kNoId, kText,        kLabel,           "Ohm",                         155, 130,  16,   8},

    {kNoId, kGroupBox,    0,                "Ladekondensator",               0, 150, 185,  30},
    {kNoId, kText,        kLabel,           "Kapazität:",                    5, 165,  32,   8},
    {1020,  kEdit,        kInput,           "",                            110, 160,  40,  14},
    {kNoId, kText,        kLabel,           "µF",                          155, 166,   9,   8},

    {kNoId, kGroupBox,    0,                "Betriebspunkt",                 0, 186, 185,  45},
    {kNoId, kText,        kLabel,           "ger.  Ausgangssollspannung:",   5, 200,  92,   8},
    {1026,  kEdit,        kInputUnderSpin,  "",                            110, 195,  40,  14},
    {1040,  kSpin,        kSpinStyle,       "Spin2",                       101, 195,  11,  15},
    {kNoId, kText,        kLabel,           "Volt",                        155, 200,  13,  10},
    {kNoId, kText,        kLabel,           "Lastgleichstrom:",              5, 216,  52,   8},
    {1018,  kEdit,        kInputUnderSpin,  "",                            110, 210,  40,  14},
    {1037,  kSpin,        kSpinStyle,       "Spin1",                       101, 210,  11,  14},
    {kNoId, kText,        kLabel,           "Ampere",                      155, 216,  25,   8},

    {kNoId, kGroupBox,    0,                "Spannungsregler",               0, 234, 185,  76},
    {kNoId, kText,        kLabel,           "Wärmewiderstand:",              5, 250,  60,   8},
    {1009,  kEdit,        kInput,           "",                            110, 246,  40,  14},
    {kNoId, kText,        kLabel,           "K/W",                         155, 250,  16,   8},
    {kNoId, kText,        kLabel,           "Umgebungstemperatur:",          5, 266,  74,   8},
    {1010,  kEdit,        kInput,           "",                            110, 260,  40,  14},
    {kNoId, kText,        kLabel,           "GradCs.",                     155, 266,  26,   8},
    {kNoId, kText,        kLabel,           "Differenzspannung:",            5, 280,  62,   8},
    {1015,  kEdit,        kInput,           "",                            110, 275,  40,  14},
    {kNoId, kText,        kLabel,           "Volt",                        155, 280,  15,   8},
    {kNoId, kText,        kLabel,           "Innenwiderstand:",              5, 296,  55,   8},
    {1023,  kEdit,        kInput,           "",                            110, 290,  40,  14},
    {kNoId, kText,        kLabel,           "Ohm",                         155, 296,  16,   8},

    {kNoId, kGroupBox,    0,                "berechnete Größen",           190,   0, 170, 310},
    {kNoId, kText,        kLabel,           "Innenwiderstand:",            195,  26,  55,   8},
    {1022,  kEdit,        kResult,          "",                            285,  20,  40,  15},
    {kNoId, kText,        kLabel,           "Ohm",                         330,  26,  16,   8},
    {kNoId, kText,        kLabel,           "Leistungaufnahme:",           195,  40,  61,   8},
    {1027,  kEdit,        kResult,          "",                            285,  35,  40,  15},
    {kNoId, kText,        kLabel,           "Watt",                        330,  40,  16,   8},
    {kNoId, kText,        kLabel,           "Nennleistung:",               195,  56,  44,   8},
    {1001,  kEdit,        kResult,          "",                            285,  50,  40,  15},
    {kNoId, kText,        kLabel,           "Watt",                        330,  56,  16,   8},
    {kNoId, kText,        kLabel,           "Verlustleistung:",            195,  80,  48,   8},
    {1004,  kEdit,        kResult,          "",                            285,  75,  40,  14},
    {kNoId, kText,        kLabel,           "Watt",                        330,  80,  16,   8},
    {kNoId, kText,        kLabel,           "Spitzensperrspannung:",       195,  96,  73,   8},
    {1014,  kEdit,        kResult,          "",                            285,  90,  40,  14},
    {kNoId, kText,        kLabel,           "Volt",                        330,  96,  13,  10},
    {kNoId, kText,        kLabel,           "Spitzenstrom:",               195, 110,  43,   8},
    {1002,  kEdit,        kResult,          "",                            285, 105,  40,  14},
    {kNoId, kText,        kLabel,           "Ampere",                      330, 110,  25,   8},
    {kNoId, kText,        kLabel,           "Mittlerer Strom:",            195, 125,  48,   8},
    {1005,  kEdit,        kResult,          "",                            285, 120,  40,  14},
    {kNoId, kText,        kLabel,           "Ampere",                      330, 126,  25,   8},
    {kNoId, kText,        kLabel,           "Ausgangsleerlaufspannung:",   195, 150,  88,   8},
    {1008,  kEdit,        kResult,          "",                            285, 145,  40,  14},
    {kNoId, kText,        kLabel,           "Volt",                        330, 150,  13,   8},
    {kNoId, kText,        kLabel,           "Ausgangsspg.(c= unendl):",    195, 166,  83,   8},
    {1011,  kEdit,        kResult,          "",                            285, 160,  40,  14},
    {kNoId, kText,        kLabel,           "Volt",                        330, 166,  13,   8},
    {kNoId, kText,        kLabel,           "Spannungsminimum:",           195, 181,  66,   8},
    {1017,  kEdit,        kResult,          "",                            285, 175,  40,  14},
    {kNoId, kText,        kLabel,           "Volt",                        330, 181,  13,   8},
    {kNoId, kText,        kLabel,           "Brummspannung (ss):",         195, 194,  68,   8},
    {1000,  kEdit,        kResult,          "",                            285, 190,  40,  14},
    {kNoId, kText,        kLabel,           "Volt",                        330, 194,  13,   8},
    {kNoId, kText,        kLabel,           "Gleichstromleistung:",        195, 220,  64,   8},
    {1012,  kEdit,        kResult,          "",                            285, 215,  40,  14},
    {kNoId, kText,        kLabel,           "Watt",                        330, 221,  16,   8},
    {kNoId, kText,        kLabel,           "Reglerverlustleitsung:",      195, 235,  68,   8},
    {1003,  kEdit,        kResult,          "",                            285, 230,  40,  14},
    {kNoId, kText,        kLabel,           "Watt",                        330, 234,  16,   8},
    {kNoId, kText,        kLabel,           "Sperrschichttemperatur:",     195, 250,  76,   8},
    {1016,  kEdit,        kResult,          "",                            285, 245,  40,  14},
    {kNoId, kText,        kLabel,           "GradCs.",                     330, 250,  26,   8},
    {kNoId, kText,        kLabel,           "Ausgangsspannung, bel.:",     195, 266,  81,   8},
    {1006,  kEdit,        kResult,          "",                            285, 260,  40,  14},
    {kNoId, kText,        kLabel,           "Volt",                        330, 266,  13,   8},
    {kNoId, kText,        kLabel,           "Wirkungsgrad:",               195, 285,  47,   8},
    {1007,  kEdit,        kResult,          "",                            285, 280,  40,  14},
    {kNoId, kText,        kLabel,           "%",                           330, 286,   8,   8},
};
// clang-format on

static_assert(std::size(kControls) == 96, "the form has 96 controls");

}  // namespace form

inline constexpr CDialogTemplate kFormTemplate = {
    kIdFormTemplate,
    texts::kWindowTitle,
    361,
    311,
    "MS Sans Serif",
    8,
    // No maximise box: the form has a fixed size.
    kCaption | kSystemMenu | kMinimizeBox | kModalFrame | kAppWindow | kWindowClientEdge,
    kIdMainMenu,
    form::kControls,
};

// The tooltips of the form, in the order they are added.
inline constexpr CToolTip kFormToolTips[] = {
    {1024, "Klemmenspannung, die der Trafo bei Nennstrom hat"},
    {1021, "Nennstromangabe des Trafos"},
    {1013, "Klemmenspannung im unbelasteten Zustand"},
    {1025, "Diffusionsspannung der verwendeten Diode"},
    {1019, "der Bahnwiderstand nähert reale Diodenkennlinie an"},
    {1020,
     "geben Sie hier die Kapazität des Ladekondensators hinter dem Gleichrichter in Mikrofarad "
     "an"},
};

}  // namespace ohmrada::res
