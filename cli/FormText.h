// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string_view>

namespace ohmrada::cli {

// The texts the table view adds around the form; the form's own labels,
// units and group captions come from its template (res/FormTexts.h).
inline constexpr std::string_view kMessagePrefix = "Meldung: ";
inline constexpr std::string_view kBeepsPrefix = "Warnt\xC3\xB6ne: ";
inline constexpr std::string_view kDisabledMark = " (gesperrt)";
inline constexpr std::string_view kInputPrefix = "Eingabe: ";
// Under the input's title when the design is not at 50 Hz.
inline constexpr std::string_view kMainsFrequencyPrefix = "Netzfrequenz: ";
inline constexpr std::string_view kStandardInputName = "(Standardeingabe)";
inline constexpr std::string_view kStartUpName = "(Startwerte)";

}  // namespace ohmrada::cli
