// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace ohmrada {

// The parts catalogues the design search chooses from. Each kind is a CSV
// file: '#' lines are comments (the shipped files name the sources of their
// figures there), the first other line names the columns, one part (or one
// series of parts) a line. Every id names one part: a file that repeats an
// id, its own or the catalogue's, is refused, unless it says in a line of
// its own "# replaces shipped parts" and the id is a shipped part's of the
// same kind, which its part then replaces. Work is bounded: a list holds at
// most kMaxListValues values, a file at most kMaxPartsPerFile parts after
// its series are expanded, the user's folder at most kMaxUserFiles files,
// and all the user's files together at most kMaxUserParts parts. Numbers are read locale-free. A
// series row is expanded into its parts here (a transformer per secondary voltage, a capacitor per
// value and voltage). The shipped files are built into the program; the user's own files, in the
// same format, are read from $XDG_DATA_HOME/ohmrada/catalog/ (~/.local/share/...) and listed beside
// them, each part saying where it came from.
//
// Every kind has required columns and optional ones (the maker, the maker's
// part number, a price, thermal and application data): a user's file may
// leave the optional columns out, and its parts then take the defaults the
// members below name. A part number column may hold a pattern that the
// expansion of a series fills: "{va}" and "{v}" (a transformer's VA and
// secondary voltage), "{uf}", "{v}", "{ccode}" and "{vcode}" (a capacitor's
// value and voltage, and their three-character codes "472" and "1V").

inline constexpr std::size_t kMaxListValues = 32;
inline constexpr std::size_t kMaxPartsPerFile = 500;
inline constexpr std::size_t kMaxUserFiles = 32;
// All the user's files together, so that the search stays within seconds.
inline constexpr std::size_t kMaxUserParts = 2000;

struct CTransformerPart {
    std::string id;      // "toroid-50VA-2x15V"
    std::string series;  // "toroid", "ei", "pcb", or the user's
    double va = 0.0;
    double regulationPct = 0.0;  // (U0 - U) / U at rated load
    int windings = 1;            // 1, or 2 equal secondaries
    double secondaryV = 0.0;     // rated voltage of one secondary
    std::string manufacturer;    // empty: not given
    std::string mpn;             // the maker's part number, empty: not given
    double priceEur = 0.0;       // typical single-unit price, 0: not given
    std::string origin;
};

struct CRectifierPart {
    std::string id;
    std::string name;
    bool bridge = false;
    double currentA = 0.0;  // rated average current (a bridge: its output)
    double surgeA = 0.0;    // non-repetitive peak surge per diode
    double reverseV = 0.0;  // VRRM
    double thresholdV = 0.0;
    double bulkOhm = 0.0;
    double junctionMaxC = 150.0;  // Tj,max
    double thetaJaKPerW = 50.0;   // junction to ambient in free air (the package)
    double thetaJcKPerW = 0.0;    // junction to case (a bridge) or lead; 0: no heat sink
    std::string manufacturer;
    std::string mpn;
    double priceEur = 0.0;  // of one part (a bridge; one diode)
    std::string origin;

    // The diodes in one package: four in a bridge, else one.
    int DiodesPerPackage() const { return bridge ? 4 : 1; }
};

struct CCapacitorPart {
    std::string id;  // "gp105-4700uF-35V"
    std::string name;
    double capacitanceUf = 0.0;
    double voltageV = 0.0;
    double rippleA = 0.0;  // at 100/120 Hz and temperatureC
    double lowFrequencyFactor = 1.0;
    double temperatureC = 105.0;
    double lifeH = 0.0;
    std::string manufacturer;
    std::string mpn;
    double priceEur = 0.0;
    std::string origin;

    // The life at an ambient temperature: doubling per 10 K below its rating.
    double LifeAt(double ambientC) const;
};

struct CRegulatorPart {
    std::string id;
    std::string name;
    double outputV = 0.0;  // 0: adjustable
    double maxCurrentA = 0.0;
    double dropoutV = 0.0;
    double junctionMaxC = 125.0;
    double thetaJcKPerW = 0.0;
    double thetaJaKPerW = 0.0;       // without a heat sink
    double maxInputV = 0.0;          // 0: none given
    double maxInOutV = 0.0;          // 0: none given
    double maxPowerW = 0.0;          // the package's thermal data hold up to this, 0: none given
    double inputCapacitorUf = 0.0;   // the datasheet's application circuit, 0: none
    double outputCapacitorUf = 0.0;  // likewise
    // An adjustable regulator: the application circuit's R1, the reference
    // (typical, and its least and greatest over line, load and temperature)
    // and the adjustment pin's greatest current.
    double r1Ohm = 240.0;
    double referenceV = 1.25;
    double referenceMinV = 1.2;
    double referenceMaxV = 1.3;
    double adjustCurrentUa = 100.0;
    std::string manufacturer;
    std::string mpn;
    double priceEur = 0.0;
    std::string origin;
    // The rail it regulates: a negative regulator (79xx, LM337) takes a
    // negative input and gives a negative output; its figures are the
    // magnitudes. Column polarity, "positive" (when left out) or "negative".
    bool negative = false;

    bool Adjustable() const { return outputV == 0.0; }
};

struct CHeatSinkPart {
    std::string id;
    std::string name;
    bool pad = false;         // an insulating pad rather than a sink
    double thetaKPerW = 0.0;  // theta_sa of a sink, theta_cs of a pad
    double sizeCm3 = 0.0;
    std::string manufacturer;
    std::string mpn;
    double priceEur = 0.0;
    std::string origin;
};

// The small parts around the main ones: fuses, inrush limiters, resistors
// and the regulator's small capacitors. One row a part, or (resistors) one
// row a series whose part number is a pattern over the value ("{r}": the
// value in the RKM code, "240R", "2K21").
enum class EAccessory { kFuse, kInrushLimiter, kResistor, kCapacitor };
struct CAccessoryPart {
    std::string id;
    EAccessory kind = EAccessory::kFuse;
    // A fuse's rated current (A), a limiter's cold resistance (ohm), a
    // resistor series' tolerance (%), a capacitor's capacitance (uF).
    double value = 0.0;
    // A limiter's greatest steady current (A), a capacitor's voltage (V),
    // a resistor's power (W), a fuse's voltage (V).
    double rating = 0.0;
    std::string description;
    std::string manufacturer;
    std::string mpn;
    double priceEur = 0.0;
    std::string origin;
};

// A catalogue file refused, or one of its lines: the window says which
// file and line in its own words, the command line adds the English why.
struct CCatalogueProblem {
    std::string file;
    int line = 0;     // 0: the file as a whole
    std::string why;  // English

    // "FILE:LINE: why" (or "FILE: why").
    std::string Text() const;
};

struct CCatalogue {
    std::vector<CTransformerPart> transformers;
    std::vector<CRectifierPart> rectifiers;
    std::vector<CCapacitorPart> capacitors;
    std::vector<CRegulatorPart> regulators;
    std::vector<CHeatSinkPart> heatSinks;  // sinks and pads
    std::vector<CAccessoryPart> accessories;
    // One per file refused.
    std::vector<CCatalogueProblem> problems;

    // Adds the parts of one file's text; a file with any bad line adds
    // nothing and says which line (file:line) and why. The kind of the file
    // follows from its column names. True when it was taken.
    bool AddText(std::string_view text, const std::string& fileName, const std::string& origin);
};

// A part-number pattern with every "{key}" replaced by value.
std::string Filled(std::string text, std::string_view key, std::string_view value);

// The catalogue built into the program (the shipped files).
CCatalogue ShippedCatalogue();

// $XDG_DATA_HOME/ohmrada/catalog, or ~/.local/share/ohmrada/catalog; empty
// when neither variable is set.
std::filesystem::path UserCatalogueFolder();

// Adds one user file: a regular file (a symbolic link is refused) of at most
// kMaxCatalogueFileBytes. True when taken; otherwise the problem is listed.
inline constexpr std::uintmax_t kMaxCatalogueFileBytes = 64 * 1024;
bool AddCatalogueFile(CCatalogue& catalogue, const std::filesystem::path& path);

// The shipped catalogue and every *.csv in the user's folder (in name order;
// the files past the first kMaxUserFiles are listed as problems, not read).
CCatalogue LoadCatalogue();

}  // namespace ohmrada
