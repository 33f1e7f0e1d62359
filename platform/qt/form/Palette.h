// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>

// The program's colours, in one place: the palette of Okabe and Ito, whose
// colours people with the common colour-vision deficiencies tell apart. The
// warnings (form fields, tables, marks in plots) use the first three; the
// curves of the plots the rest. Every colour that fills a background is read
// with dark text.
namespace ohmrada::qt::palette {

inline QColor Limit() {
    return {0xE6, 0x9F, 0x00};  // orange: a limit is broken
}
inline QColor Simulation() {
    return {0xCC, 0x79, 0xA7};  // reddish purple: the simulation found it
}
inline QColor NotHeld() {
    return {0xD5, 0x5E, 0x00};  // vermillion: the target is not held
}
inline QColor WarningText() {
    return {0x00, 0x00, 0x00};
}
// A row the user asked for (Grenzwerte opened from the menu "S&uchen").
inline QColor Marked() {
    return {0x56, 0xB4, 0xE9};  // sky blue
}

// The curves, in the order they are given out.
inline constexpr int kCurveCount = 6;
inline QColor Curve(int index) {
    static const QColor kCurves[kCurveCount] = {{0x00, 0x72, 0xB2}, {0x00, 0x9E, 0x73},
                                                {0x56, 0xB4, 0xE9}, {0xCC, 0x79, 0xA7},
                                                {0x00, 0x00, 0x00}, {0x88, 0x88, 0x88}};
    return kCurves[((index % kCurveCount) + kCurveCount) % kCurveCount];
}

}  // namespace ohmrada::qt::palette
