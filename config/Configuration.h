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

// The optional lines that may follow the fourteen (and NetzF), in this order,
// each at most once: what a design is beyond its numbers. They are written
// only when stated, so a design without them is saved exactly as before, and
// a reader that stops after fourteen lines still reads the file.
//   "Netz : "  the mains tolerances: a region ("en50160", "ansi-a", "ansi-b")
//              or two percentages, below and above the nominal ("7.5 5")
//   "Trafo: "  the transformer's catalogue id, and how its secondaries are
//              connected ("einzeln", "parallel", "reihe", "mitte")
//   "Diode: ", "Elko : ", "Regl : ", "Kuehl: "  the rectifier's, capacitor's,
//              regulator's and heat sink's catalogue ids
//   "Topo : "  "symmetrisch": a symmetric supply (a centre-tapped winding, a
//              bridge, a positive and a negative rail)
//   "Filt : "  the filter after the reservoir: "rc R C", "lc L R C" or
//              "drossel L R" (a choke-input filter), R in ohms, C in
//              microfarads, L in millihenries
//   "Last : "  "widerstand": the regulator feeds a resistor, not a constant
//              current
enum EExtraLine {
    kExtraRegion,
    kExtraTransformer,
    kExtraRectifier,
    kExtraCapacitor,
    kExtraRegulator,
    kExtraHeatSink,
    kExtraTopology,
    kExtraFilter,
    kExtraLoad,
    kExtraLineCount
};
extern const std::array<std::string_view, kExtraLineCount> kExtraKeys;

// The mains regions a file may name, in the order the tolerance window lists
// them; the first is the default and is never written.
inline constexpr std::array<std::string_view, 3> kMainsRegionIds = {"en50160", "ansi-a", "ansi-b"};
// The values of the topology, filter and load lines.
inline constexpr std::string_view kDualTopology = "symmetrisch";
inline constexpr std::array<std::string_view, 3> kFilterNames = {"rc", "lc", "drossel"};
inline constexpr std::string_view kResistiveLoad = "widerstand";
// The connections the transformer line may name.
inline constexpr std::array<std::string_view, 4> kConnectionNames = {"einzeln", "parallel", "reihe",
                                                                     "mitte"};

struct CConfigExtras {
    std::array<std::string, kExtraLineCount> values;  // by EExtraLine; empty: not stated

    bool Empty() const;
    bool operator==(const CConfigExtras&) const = default;
};

// Whether text is a value the optional line may hold (see kExtraKeys).
bool IsValidExtraValue(EExtraLine line, std::string_view text);

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
    // The optional lines after the fourteen and NetzF (empty: not stated).
    CConfigExtras extras;
    // A line after the fourteen that is none of the optional lines, or one
    // with a value it cannot hold ("netzf: 60", "NetzF=60", "Trafo:" without
    // an id, a line given twice): the file is refused as a whole, and the
    // message names the line by its number and text. 0: none.
    int refusedLineNumber = 0;
    std::string refusedLine;

    bool Refused() const { return !frequencyLineValid || refusedLineNumber != 0; }
};

// The optional fifteenth line, written only for a design at 60 Hz so that a
// 50 Hz design is saved exactly as before and a reader that stops after
// fourteen lines still reads either.
inline constexpr std::string_view kFrequencyKey = "NetzF: ";
inline constexpr int kFrequencyLineNumber = kConfigLineCount + 1;
// At most this many lines after the fourteen are read.
inline constexpr int kMaxExtraLines = 16;

// Writes the 14 lines: each key followed by values[line]. values[kLineMitte]
// is "1" or "0". A CR or LF inside a value would split the line and shift every
// line after it, so each is written as a blank. A mains frequency other than
// 50 Hz adds the fifteenth line "NetzF: 60". False when the sink failed.
// The extras follow, each stated one on its own line (values that are not
// valid are not written).
bool WriteConfiguration(CLineSink& sink, const std::array<std::string, kConfigLineCount>& values,
                        float mainsFrequency = 50.0f, const CConfigExtras& extras = {});
// Reads the 14 lines, and what follows when the file has all fourteen: a
// fifteenth line beginning with "NetzF:" sets the mains frequency (its value
// 50 or 60, blanks around it ignored; any other value marks the
// configuration invalid), then the optional lines of kExtraKeys. Blank lines
// there are skipped; any other line, a key given twice or out of order, or
// more than kMaxExtraLines lines after the fourteen refuse the file
// (refusedLineNumber), and nothing after that line is read.
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
