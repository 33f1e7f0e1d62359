// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "LineIo.h"

namespace ohmrada {

// The configuration file: exactly 14 lines, each a seven-character key
// followed by a value text. Lines are told apart by their position alone; the
// keys are written but never checked when reading.
//
//   1 "Mitte: "  centre-tap flag, "1" or "0"      8 "KondC: "  capacitance, uF
//   2 "NennU: "  rated voltage (as shown)        9 "Ubger: "  target voltage
//   3 "LeerU: "  no-load voltage (as shown)     10 "Ib   : "  load current
//   4 "NennI: "  rated current                  11 "Rja  : "  thermal resistance
//   5 "GR_Sg: "  circuit name, taken verbatim   12 "Tu   : "  ambient temperature
//   6 "DiffU: "  diffusion voltage              13 "DeltU: "  dropout voltage
//   7 "BahnR: "  bulk resistance                14 "ReglR: "  regulator resistance
enum EConfigLine {
    kLineMitte,
    kLineNennU,
    kLineLeerU,
    kLineNennI,
    kLineGR_Sg,
    kLineDiffU,
    kLineBahnR,
    kLineKondC,
    kLineUbger,
    kLineIb,
    kLineRja,
    kLineTu,
    kLineDeltU,
    kLineReglR,
    kConfigLineCount
};

// The key of each line, seven characters with its padding, colon and blank.
extern const std::array<std::string_view, kConfigLineCount> kConfigKeys;

// The number of characters dropped from the start of every line when reading.
inline constexpr std::size_t kConfigKeyLength = 7;

// A configuration as read from a file: every number already narrowed to
// single precision, the circuit as the text of line 5.
struct CConfiguration {
    int centreTap = 0;                              // 1 if line 1's number equals exactly 1, else 0
    std::array<float, kConfigLineCount> numbers{};  // by EConfigLine; unused for lines 1 and 5
    std::string circuit;
    // How many of the fourteen lines the file really had: 0 for an empty
    // file, less than kConfigLineCount for one that ended early (the missing
    // lines read as empty texts).
    int lineCount = 0;
};

// Writes the 14 lines: each key followed by values[line]. values[kLineMitte]
// is "1" or "0". A CR or LF inside a value would split the line and shift every
// line after it, so each is written as a blank. False when the sink failed.
bool WriteConfiguration(CLineSink& sink, const std::array<std::string, kConfigLineCount>& values);

// Reads exactly 14 lines; whatever follows is never read. Missing lines read
// as empty texts. False, with configuration unspecified, when the medium
// failed before all 14 lines were read.
bool ReadConfiguration(CLineSource& source, CConfiguration& configuration);

// Reads one line, drops its first seven characters and converts the rest as
// atof does (see ReadNumber). False when the medium failed.
bool ReadLineValue(CLineSource& source, float& value);

// Reads one line and drops its first seven characters. False when the medium
// failed.
bool ReadLineText(CLineSource& source, std::string& text);

}  // namespace ohmrada
