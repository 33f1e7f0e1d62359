// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <functional>
#include <limits>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

#include "AnalysisSettings.h"
#include "Bom.h"
#include "Catalogue.h"
#include "Circuit.h"
#include "Design.h"

namespace ohmrada {

// A design from requirements. The search enumerates transformer, circuit,
// rectifier, capacitor, regulator and heat sink from a catalogue, prunes with
// what the peak voltages and ratings alone rule out, and proves what is left
// with the circuit's steady state (circuit/) at the worst-case corners of
// analysis/ (low mains with the capacitor's tolerance; high mains). Every
// candidate it proposes is one EvaluateCandidate passed in full, with its
// parts list (Bom.h); they are ranked by the estimated cost of that list
// (ties by the dissipation at nominal mains), by the dissipation, or by size
// (transformer VA, then the capacitor's C x U, then the heat sink's size).
// Within one transformer configuration a regulator rated for more than
// kRegulatorOversize times the load current is chosen only where none
// rated within that serves: its price, dropout and size buy nothing the
// load uses.
// Candidates that make the same circuit (2 x 9 V in series and 2 x 18 V in
// parallel of the same VA) are shown once, the cheaper.

// What keeps requirements from being searched: a code each edge words in
// its own language (RequirementProblemText here, in English).
enum class ERequirementProblem {
    kNone,
    kOutputVoltage,   // outside 1.25 to 1000 V
    kOutputCurrent,   // not above 0 and up to 1000 A
    kMainsFrequency,  // neither 50 nor 60 Hz
    kMainsTolerance,  // a tolerance outside 0 to 50 %
    kAmbient,         // outside -40 to 100 C
    kMaxVa,           // the largest transformer not above 0 VA
    kCount,           // no candidate asked for
};
inline constexpr std::size_t kRequirementProblemCount = 8;

inline constexpr double kRegulatorOversize = 3.0;

// What orders the candidates.
enum class ERank {
    kCost,  // the parts list's estimated cost, ties by the loss at nominal mains
    kLoss,  // the dissipation at nominal mains, ties by cost
    kSize,  // transformer VA, capacitor C x U, heat sink size
};
// "cost", "loss", "size".
const char* RankName(ERank rank);
std::optional<ERank> RankOfName(std::string_view name);

// The reservoir capacitor's life estimate: L0 2^((T0 - Ta) / 10) x
// 2^((dT0 - dT) / 5), the core's rise by ripple dT = dT0 (I / Ir)^2 with
// dT0 = 5 K at the rated ripple current, at most kCapacitorLifeBoundH (the
// makers bound their estimates at 15 years).
inline constexpr double kCapacitorRippleRiseK = 5.0;
inline constexpr double kCapacitorLifeBoundH = 15.0 * 8760.0;
double CapacitorLife(const CCapacitorPart& capacitor, double ambientC, double rippleA,
                     double ratedRippleA);

struct CRequirements {
    double outputV = 12.0;
    double currentA = 2.0;
    int mainsFrequencyHz = 50;
    double mainsLowTolerancePct = 10.0;
    double mainsHighTolerancePct = 10.0;
    double ambientC = 25.0;
    std::optional<ECircuitKind> circuit;  // only this rectifier circuit
    double maxVa = std::numeric_limits<double>::infinity();
    double targetMarginV = 0.3;     // above Ubger + dropout at the low corner
    double junctionMarginK = 10.0;  // below the regulator's Tj,max
    double capacitorTolerancePct = 20.0;
    double capacitorVoltageReservePct = 10.0;  // above the high-corner no-load peak
    std::size_t count = 3;                     // candidates wanted
    ERank rank = ERank::kCost;
    double capacitorLifeH = 20000.0;  // the reservoir's life estimate must reach it
    // A symmetric supply: +outputV and -outputV, each rail at currentA, from
    // a centre-tapped winding (two equal secondaries in series, the tap
    // between them), four diodes or a bridge, a reservoir per rail (the same
    // part) and a positive and a negative regulator.
    bool dual = false;

    // kNone when the search can start, else why not.
    ERequirementProblem Problem() const;
    // The analysis settings of the corners these requirements define.
    CAnalysisSettings Settings(double junctionLimitC) const;
};

// How a transformer's secondaries are used.
enum class EConnection {
    kSingle,     // the one secondary
    kParallel,   // two equal secondaries in parallel: U, twice the current
    kSeries,     // in series: 2 U at the current of one
    kCentreTap,  // in series with the centre tap
};

// One choice of parts: indices into the catalogue (sink: -1 for none).
struct CPartChoice {
    std::size_t transformer = 0;
    EConnection connection = EConnection::kSingle;
    ECircuitKind circuit = ECircuitKind::kBridge;
    std::size_t rectifier = 0;
    std::size_t capacitor = 0;
    std::size_t regulator = 0;
    int heatSink = -1;
    int pad = -1;
    int rectifierSink = -1;  // a bridge's heat sink, -1: none
    // A symmetric supply (connection kCentreTap, circuit kCentreTap for each
    // rail): regulator is the positive rail's, these the negative rail's.
    bool dual = false;
    std::size_t negativeRegulator = 0;
    int negativeHeatSink = -1;
    int negativePad = -1;
};

// One check of a candidate: passed when value <= limit (or >= for a lower
// bound); the margin is how far inside the limit it is (negative: outside).
struct CCheck {
    std::string name;  // "target_headroom_v", ...
    std::string unit;
    double value = 0.0;
    double limit = 0.0;
    bool atLeast = false;  // the value must reach the limit
    double margin = 0.0;
    bool passed = false;
    bool evaluated = true;  // false: not computed (the surge of a failed candidate)
};

struct CCandidate {
    CPartChoice choice;
    CDesign design;  // the fourteen inputs
    std::vector<CCheck> checks;
    bool passed = false;
    std::size_t binding = 0;  // the check nearest its limit (relatively)
    std::size_t rank = 0;     // from 1
    double rjaKPerW = 0.0;
    double capacitorVolume = 0.0;  // C / uF x U / V
    double capacitorLifeH = 0.0;   // at the ambient temperature, with ripple heating
    double primaryCurrentA = 0.0;  // RMS, at nominal mains
    double lossW = 0.0;            // dissipated at nominal mains (all but the output)
    CBom bom;
    double costEur = 0.0;  // of the parts list
};

// The design of a choice: the plate data of the transformer as connected,
// the rectifier's threshold and bulk resistance, the capacitor, the
// regulator's dropout, Rja = theta_jc + theta_cs + theta_sa (theta_ja
// without a sink), the ambient, mains frequency and the target.
CDesign DesignOfChoice(const CCatalogue& catalogue, const CPartChoice& choice,
                       const CRequirements& requirements);

// Every check of a choice, each from the circuit at its corner. Without
// `surge` the switch-on surge (the costly one) is left unevaluated and
// counts as failed.
CCandidate EvaluateCandidate(const CCatalogue& catalogue, const CPartChoice& choice,
                             const CRequirements& requirements, bool surge = true);

// Whether the choice fits together at all: the circuit takes the connection,
// the rectifier kind fits the circuit, the regulator gives the output.
bool ChoiceFits(const CCatalogue& catalogue, const CPartChoice& choice,
                const CRequirements& requirements);

// Why candidates were ruled out before any passed, in the search's order of
// checks. Each front end says it in its own language.
enum class ERuledOut {
    kRequirements,            // the requirements themselves (CRequirements::Problem)
    kNoTransformer,           // the catalogue holds none
    kNoTransformerWithinVa,   // none within the largest VA
    kNoRegulator,             // none gives the output voltage
    kNoCapacitorOrRectifier,  // the catalogue holds none of either
    kRectifierCurrent,        // above 80 % of the rectifier's rating
    kTransformerCurrent,      // rating below the load current
    kCannotSolve,             // the circuit cannot be solved
    kCapacitorVoltage,        // none rated for the high-mains no-load peak plus reserve
    kRegulatorCurrent,        // rating below the load current
    kRegulatorInput,          // input above its rating at high mains
    kTransformerVoltage,      // too low at low mains under load
    kTargetNotHeld,           // at low mains with the largest capacitor
    kWindingCurrent,          // RMS above the rating at high mains
    kJunction,                // too hot at high mains with the largest heat sink
    kRippleCurrent,           // the capacitor's, above its rating
    kReverseVoltage,          // the rectifier's, above its rating
    kSurge,                   // switch-on surge above the rectifier's rating
    kReevaluated,             // failed when evaluated afresh
    kRectifierJunction,       // the rectifier too hot, with a heat sink where it takes one
    kRegulatorPower,          // above the package's stated power at high mains
    kCapacitorLife,           // the capacitor's life estimate below the life asked for
    kNoNegativeRegulator,     // a symmetric supply: no negative regulator pairs with a positive one
    kNoCentreTap,             // a symmetric supply: no transformer with two equal secondaries
};
inline constexpr std::size_t kRuledOutCount = 24;

struct CRuledOut {
    ERuledOut why = ERuledOut::kRequirements;
    std::size_t combinations = 0;  // of parts ruled out so (0: the whole search)
    ERequirementProblem requirement = ERequirementProblem::kNone;  // kRequirements: which
};

// Why requirements cannot be searched, in English.
const char* RequirementProblemText(ERequirementProblem problem);

// The reason in English, with its count ("... (12 combinations)").
std::string RuledOutText(const CRuledOut& reason);

struct CDesignSearchResult {
    std::vector<CCandidate> candidates;  // passed, best first
    // When none passed: the nearest failures (checks evaluated) and the
    // reasons whole groups were ruled out.
    std::vector<CCandidate> nearest;
    std::vector<CRuledOut> reasons;  // most combinations first
    // When none passed: true when the transformer's size binds (the largest
    // VA allowed leaves out catalogue transformers and no transformer within
    // it could deliver the output), else the check the nearest design fails.
    bool transformerVaBinds = false;
    std::size_t solved = 0;  // steady states solved
    bool stopped = false;    // asked to stop before it was through
};

// Called between transformer configurations: how many are done of how many.
using CSearchProgress = std::function<void(std::size_t done, std::size_t total)>;

// The search; stop is checked between transformer configurations, and a
// stopped search returns what it found so far (stopped set). Requirements
// with dual set are searched as a symmetric supply (SearchDualDesigns).
CDesignSearchResult SearchDesigns(const CCatalogue& catalogue, const CRequirements& requirements,
                                  std::stop_token stop = {}, const CSearchProgress& progress = {});

// The search for a symmetric supply: every transformer with two equal
// secondaries in series with the tap between them, each rectifier (four
// diodes, or a bridge part), a pair of regulators that give the same output
// (a positive and a negative fixed one, or two adjustables), the reservoir
// (the same part on both rails) and a heat sink per regulator. Each
// candidate is proved by the symmetric circuit's steady state at the
// corners, both rails' checks.
CDesignSearchResult SearchDualDesigns(const CCatalogue& catalogue,
                                      const CRequirements& requirements, std::stop_token stop = {},
                                      const CSearchProgress& progress = {});

// Whether a positive and a negative regulator make a pair for outputV: both
// fixed at it, or both adjustable.
bool RegulatorPairGives(const CRegulatorPart& positive, const CRegulatorPart& negative,
                        double outputV);

// The primary voltage of the requirements' mains (120 V for ANSI C84.1's
// bands, else 230 V).
double PrimaryVoltageOf(const CRequirements& requirements);

// What truly keeps the requirements from a design, in English, when none
// passed.
std::string BindingText(const CCatalogue& catalogue, const CRequirements& requirements,
                        const CDesignSearchResult& result);

// "halb", ...: texts for the parts.
std::string ConnectionText(const CCatalogue& catalogue, const CPartChoice& choice);
const char* CircuitName(ECircuitKind kind);  // "einweg", "bruecke", "mittelpunkt"

}  // namespace ohmrada
