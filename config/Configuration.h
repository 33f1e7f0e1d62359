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
    // The mains frequency, Hz: 50 unless a fifteenth line "NetzF: 60" says
    // otherwise.
    float mainsFrequency = 50.0f;
    // False when the fifteenth line is a frequency line ("NetzF:") whose value
    // is neither 50 nor 60: such a file is refused as a whole.
    bool frequencyLineValid = true;
};

// The optional fifteenth line, written only for a design at 60 Hz so that a
// 50 Hz design is saved exactly as before and a reader that stops after
// fourteen lines still reads either.
inline constexpr std::string_view kFrequencyKey = "NetzF: ";
inline constexpr int kFrequencyLineNumber = kConfigLineCount + 1;

// Writes the 14 lines: each key followed by values[line]. values[kLineMitte]
// is "1" or "0". A CR or LF inside a value would split the line and shift every
// line after it, so each is written as a blank. A mains frequency other than
// 50 Hz adds the fifteenth line "NetzF: 60". False when the sink failed.
bool WriteConfiguration(CLineSink& sink, const std::array<std::string, kConfigLineCount>& values,
                        float mainsFrequency = 50.0f);
// Reads the 14 lines, and a fifteenth when the file has all fourteen: a line
// beginning with "NetzF:" sets the mains frequency (its value 50 or 60, blanks
// around it ignored; any other value marks the configuration invalid), any
// other fifteenth line is ignored, and whatever follows is never read.
// Missing lines read as empty texts. False, with configuration unspecified,
// when the medium failed before the lines were read.
bool ReadConfiguration(CLineSource& source, CConfiguration& configuration);

// Reads one line, drops its first seven characters and converts the rest as
// atof does (see ReadNumber). False when the medium failed.
bool ReadLineValue(CLineSource& source, float& value);

// Reads one line and drops its first seven characters. False when the medium
// failed.
bool ReadLineText(CLineSource& source, std::string& text);

}  // namespace ohmrada
