// SPDX-License-Identifier: GPL-3.0-or-later
// The symmetric supply: a centre-tapped winding, four diodes (or a bridge),
// a reservoir per rail and a positive and a negative regulator. Its search
// and the proof of a candidate, both from the circuit's two rails.
#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <map>
#include <numeric>

#include "Bom.h"
#include "DesignCircuit.h"
#include "DesignRules.h"
#include "DesignSearch.h"
#include "Ranking.h"
#include "SteadyState.h"
#include "WorstCase.h"

namespace ohmrada {

using namespace design_rules;

bool RegulatorPairGives(const CRegulatorPart& positive, const CRegulatorPart& negative,
                        double outputV) {
    if (positive.negative || !negative.negative) {
        return false;
    }
    if (positive.Adjustable() || negative.Adjustable()) {
        return positive.Adjustable() && negative.Adjustable() && outputV >= kAdjustableMinimumV;
    }
    return std::fabs(positive.outputV - outputV) <= kFixedOutputToleranceV &&
           std::fabs(negative.outputV - outputV) <= kFixedOutputToleranceV;
}

namespace {

// The rails of a solved symmetric circuit: the positive one first, then the
// negative one (as magnitudes).
struct CRailFigures {
    const CCircuitMeasurements* m;
    double meanAbove;  // of the level asked for
};
std::vector<CRailFigures> RailsOf(const CSteadyState& state, double level) {
    std::vector<CRailFigures> rails = {{&state.measurements, state.MeanAbove(level)}};
    for (const CRailResult& rail : state.otherRails) {
        rails.push_back({&rail.measurements, rail.MeanAbove(level)});
    }
    return rails;
}

// The lower of the two rails' minimum.
double LowestMinimum(const CSteadyState& state) {
    double minimum = std::numeric_limits<double>::infinity();
    for (const CRailFigures& rail : RailsOf(state, 0.0)) {
        minimum = std::min(minimum, rail.m->minimumVoltage);
    }
    return minimum;
}

// What a regulator dissipates on a rail whose input stands meanAbove over
// its target plus dropout on average: Ib (dropout + meanAbove), as the
// analysis judges a design.
double RailPower(double currentA, double dropoutV, double meanAbove) {
    return currentA * (dropoutV + meanAbove);
}

// The regulators' thermal paths on one heat sink model each (with the
// catalogue's first pad) and the greater of the two.
double PairThermal(const CCatalogue& catalogue, const CRegulatorPart& positive,
                   const CRegulatorPart& negative, int sink) {
    const int pad = sink < 0 ? -1 : FirstPad(catalogue);
    return std::max(ThermalResistance(catalogue, positive, sink, pad),
                    ThermalResistance(catalogue, negative, sink, pad));
}

// The smallest heat sink (none first), the same model on both regulators,
// that keeps both junctions within their limits with the greater path at
// the greater rail's power; nothing when none does.
std::optional<int> ChoosePairSink(const CCatalogue& catalogue, const CRegulatorPart& positive,
                                  const CRegulatorPart& negative, double powerW,
                                  const CRequirements& q) {
    const double allowed =
        std::min(positive.junctionMaxC, negative.junctionMaxC) - q.junctionMarginK;
    const auto fits = [&](int sink) {
        return q.ambientC + PairThermal(catalogue, positive, negative, sink) * powerW <= allowed;
    };
    return SmallestSink(catalogue, fits);
}

// The search's working state for one requirement.
class CDualSearch {
public:
    CDualSearch(const CCatalogue& catalogue, const CRequirements& requirements)
        : m_catalogue(catalogue), m_q(requirements) {
        CSearchOrder order = SearchOrderOf(catalogue);
        m_capacitances = std::move(order.capacitances);
        m_capacitorOrder = std::move(order.capacitors);
        m_rectifierOrder = std::move(order.rectifiers);
        for (std::size_t p = 0; p < catalogue.regulators.size(); ++p) {
            for (std::size_t n = 0; n < catalogue.regulators.size(); ++n) {
                if (RegulatorPairGives(catalogue.regulators[p], catalogue.regulators[n],
                                       requirements.outputV)) {
                    m_pairs.emplace_back(p, n);
                }
            }
        }
        m_pad = FirstPad(catalogue);
    }

    CDesignSearchResult Run(const std::stop_token& stop, const CSearchProgress& progress);

private:
    // Steady states of one transformer with one rectifier's forward fit, by
    // capacitance index.
    struct CCache {
        std::map<std::size_t, double> lowMinimum;  // -inf: collapsed or unsolved
        std::map<std::size_t, CSteadyState> high;
        std::map<std::size_t, double> surge;
    };

    CPartChoice Choice(std::size_t transformer, std::size_t rectifier, std::size_t positive,
                       std::size_t negative) const {
        CPartChoice choice;
        choice.transformer = transformer;
        choice.connection = EConnection::kCentreTap;
        choice.circuit = ECircuitKind::kCentreTap;
        choice.rectifier = rectifier;
        choice.regulator = positive;
        choice.negativeRegulator = negative;
        choice.dual = true;
        return choice;
    }
    CCircuitParameters Corner(std::size_t transformer, std::size_t rectifier, double capacitanceUf,
                              ECorner corner) const {
        CPartChoice choice =
            Choice(transformer, rectifier, m_pairs.front().first, m_pairs.front().second);
        CDesign design = DesignOfChoice(m_catalogue, choice, m_q);
        design[EInput::kKondC] = static_cast<float>(capacitanceUf);
        const CAnalysisSettings settings = m_q.Settings(125.0);
        return CircuitOfDesign(CornerDesign(design, corner, settings), settings);
    }
    double LowMinimum(std::size_t t, std::size_t r, std::size_t cIndex) {
        const auto found = m_cache->lowMinimum.find(cIndex);
        if (found != m_cache->lowMinimum.end()) {
            return found->second;
        }
        const CSteadyState state =
            SolveSteadyState(Corner(t, r, m_capacitances[cIndex], ECorner::kLow));
        ++m_solved;
        const double minimum = state.Solved() && !state.Collapsed()
                                   ? LowestMinimum(state)
                                   : -std::numeric_limits<double>::infinity();
        m_cache->lowMinimum.emplace(cIndex, minimum);
        return minimum;
    }
    const CSteadyState& High(std::size_t t, std::size_t r, std::size_t cIndex) {
        const auto found = m_cache->high.find(cIndex);
        if (found != m_cache->high.end()) {
            return found->second;
        }
        ++m_solved;
        return m_cache->high
            .emplace(cIndex, SolveSteadyState(Corner(t, r, m_capacitances[cIndex], ECorner::kHigh)))
            .first->second;
    }
    double Surge(std::size_t t, std::size_t r, std::size_t cIndex) {
        const auto found = m_cache->surge.find(cIndex);
        if (found != m_cache->surge.end()) {
            return found->second;
        }
        ++m_solved;
        return m_cache->surge
            .emplace(cIndex,
                     SwitchOnPeakCurrent(Corner(t, r, m_capacitances[cIndex], ECorner::kHigh)))
            .first->second;
    }
    void Reason(ERuledOut why) { ++m_reasons[static_cast<std::size_t>(why)]; }
    void NearMiss(const CPartChoice& choice, double shortfall) {
        constexpr std::size_t kKept = 16;
        m_nearMisses.emplace_back(shortfall, choice);
        std::stable_sort(m_nearMisses.begin(), m_nearMisses.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        if (m_nearMisses.size() > kKept) {
            m_nearMisses.resize(kKept);
        }
    }
    std::size_t LargestCapacitor(double voltage) const {
        std::size_t best = 0;
        for (std::size_t i = 0; i < m_catalogue.capacitors.size(); ++i) {
            const CCapacitorPart& c = m_catalogue.capacitors[i];
            const CCapacitorPart& b = m_catalogue.capacitors[best];
            if (c.capacitanceUf > b.capacitanceUf ||
                (c.capacitanceUf == b.capacitanceUf && b.voltageV < voltage &&
                 c.voltageV > b.voltageV)) {
                best = i;
            }
        }
        return best;
    }
    std::optional<CCandidate> SearchTransformer(std::size_t t);
    std::optional<CCandidate> SearchRectifier(std::size_t t, std::size_t r);
    void CheapestCapacitor(CPartChoice choice, std::size_t lo, double capacitorVoltage,
                           double nennI, std::optional<CPartChoice>& best,
                           std::optional<CRankKey>& bestKey);
    void ExplainFailure(CDesignSearchResult& result) const;

    const CCatalogue& m_catalogue;
    const CRequirements& m_q;
    std::vector<double> m_capacitances;
    std::vector<std::size_t> m_capacitorOrder;
    std::vector<std::size_t> m_rectifierOrder;
    std::vector<std::pair<std::size_t, std::size_t>> m_pairs;  // positive, negative
    int m_pad = -1;
    std::map<std::pair<double, double>, CCache> m_caches;
    CCache* m_cache = nullptr;
    std::array<std::size_t, kRuledOutCount> m_reasons{};
    std::vector<std::pair<double, CPartChoice>> m_nearMisses;
    std::size_t m_solved = 0;
};

std::optional<CCandidate> CDualSearch::SearchTransformer(std::size_t t) {
    m_caches.clear();
    for (std::size_t r : m_rectifierOrder) {
        const CRectifierPart& rectifier = m_catalogue.rectifiers[r];
        // Each diode carries half a rail's current; a bridge part is rated
        // by its output, one rail's current.
        if (RectifierMeanCurrent(rectifier, ECircuitKind::kCentreTap, m_q.currentA) >
            kRectifierDerating * rectifier.currentA) {
            Reason(ERuledOut::kRectifierCurrent);
            continue;
        }
        m_cache = &m_caches[{rectifier.thresholdV, rectifier.bulkOhm}];
        if (std::optional<CCandidate> found = SearchRectifier(t, r)) {
            return found;
        }
    }
    return std::nullopt;
}

std::optional<CCandidate> CDualSearch::SearchRectifier(std::size_t t, std::size_t r) {
    const CCircuitParameters low = Corner(t, r, m_capacitances.back(), ECorner::kLow);
    const CCircuitParameters high = Corner(t, r, m_capacitances.back(), ECorner::kHigh);
    if (!low.Problem().empty() || !high.Problem().empty()) {
        Reason(ERuledOut::kCannotSolve);
        return std::nullopt;
    }
    const double lowPeak = InfiniteCapacitorVoltage(low);
    const double highPeak = NoLoadPeak(high);
    const double capacitorVoltage = highPeak * (1.0 + m_q.capacitorVoltageReservePct / 100.0);
    const CTransformerPart& transformer = m_catalogue.transformers[t];
    const double nennI = transformer.va / (2.0 * transformer.secondaryV);
    // Each half of the winding carries both rails' pulses: its current's
    // mean magnitude is the load current.
    if (m_q.currentA > nennI) {
        Reason(ERuledOut::kTransformerCurrent);
        CPartChoice choice = Choice(t, r, m_pairs.front().first, m_pairs.front().second);
        choice.capacitor = LargestCapacitor(capacitorVoltage);
        NearMiss(choice, (m_q.currentA - nennI) / nennI);
        return std::nullopt;
    }
    if (std::none_of(m_catalogue.capacitors.begin(), m_catalogue.capacitors.end(),
                     [&](const CCapacitorPart& c) { return c.voltageV >= capacitorVoltage; })) {
        Reason(ERuledOut::kCapacitorVoltage);
        return std::nullopt;
    }
    std::optional<CPartChoice> best;
    std::optional<CRankKey> bestKey;
    for (int pass = 0; pass < 2 && !best; ++pass) {
        for (const auto& [p, n] : m_pairs) {
            const CRegulatorPart& positive = m_catalogue.regulators[p];
            const CRegulatorPart& negative = m_catalogue.regulators[n];
            const double rating = std::min(positive.maxCurrentA, negative.maxCurrentA);
            if ((std::max(positive.maxCurrentA, negative.maxCurrentA) >
                 kRegulatorOversize * m_q.currentA) != (pass == 1)) {
                continue;
            }
            if (rating < m_q.currentA) {
                Reason(ERuledOut::kRegulatorCurrent);
                continue;
            }
            if (highPeak > std::min(RegulatorInputLimit(positive, m_q.outputV),
                                    RegulatorInputLimit(negative, m_q.outputV))) {
                Reason(ERuledOut::kRegulatorInput);
                continue;
            }
            const CPartChoice choice = Choice(t, r, p, n);
            const double need =
                m_q.outputV + std::max(positive.dropoutV, negative.dropoutV) + m_q.targetMarginV;
            if (lowPeak < need) {
                Reason(ERuledOut::kTransformerVoltage);
                continue;
            }
            const std::size_t last = m_capacitances.size() - 1;
            const double largest = LowMinimum(t, r, last);
            if (largest < need) {
                Reason(ERuledOut::kTargetNotHeld);
                CPartChoice miss = choice;
                miss.capacitor = LargestCapacitor(capacitorVoltage);
                NearMiss(miss, (need - largest) / need);
                continue;
            }
            std::size_t lo = 0;
            std::size_t hi = last;
            while (lo < hi) {
                const std::size_t mid = (lo + hi) / 2;
                if (LowMinimum(t, r, mid) >= need) {
                    hi = mid;
                } else {
                    lo = mid + 1;
                }
            }
            CheapestCapacitor(choice, lo, capacitorVoltage, nennI, best, bestKey);
        }
    }
    if (!best) {
        return std::nullopt;
    }
    CCandidate candidate = EvaluateDualCandidate(m_catalogue, *best, m_q, true);
    m_solved += 4;
    if (!candidate.passed) {
        Reason(ERuledOut::kReevaluated);
        NearMiss(*best, 0.0);
        return std::nullopt;
    }
    return candidate;
}

void CDualSearch::CheapestCapacitor(CPartChoice choice, std::size_t lo, double capacitorVoltage,
                                    double nennI, std::optional<CPartChoice>& best,
                                    std::optional<CRankKey>& bestKey) {
    const CRectifierPart& r = m_catalogue.rectifiers[choice.rectifier];
    const CRegulatorPart& positive = m_catalogue.regulators[choice.regulator];
    const CRegulatorPart& negative = m_catalogue.regulators[choice.negativeRegulator];
    const double dropout = std::max(positive.dropoutV, negative.dropoutV);
    const double powerLimit =
        std::min(RegulatorPowerLimit(positive), RegulatorPowerLimit(negative));
    double ceiling = std::numeric_limits<double>::infinity();
    for (std::size_t capacitor : m_capacitorOrder) {
        const CCapacitorPart& c = m_catalogue.capacitors[capacitor];
        if (c.capacitanceUf < m_capacitances[lo] || c.capacitanceUf >= ceiling ||
            c.voltageV < capacitorVoltage) {
            continue;
        }
        const std::size_t cIndex = static_cast<std::size_t>(
            std::lower_bound(m_capacitances.begin(), m_capacitances.end(), c.capacitanceUf) -
            m_capacitances.begin());
        const CSteadyState& high = High(choice.transformer, choice.rectifier, cIndex);
        choice.capacitor = capacitor;
        if (!high.Solved()) {
            continue;
        }
        const CCircuitMeasurements& m = high.measurements;
        if (m.windingRmsCurrent > nennI) {
            Reason(ERuledOut::kWindingCurrent);
            NearMiss(choice, (m.windingRmsCurrent - nennI) / nennI);
            ceiling = c.capacitanceUf;
            continue;
        }
        double power = 0.0;
        double ripple = 0.0;
        for (const CRailFigures& rail : RailsOf(high, m_q.outputV + dropout)) {
            power = std::max(power, RailPower(m_q.currentA, dropout, rail.meanAbove));
            ripple = std::max(ripple, rail.m->capacitorRmsCurrent);
        }
        const std::optional<int> sink = ChoosePairSink(m_catalogue, positive, negative, power, m_q);
        if (!sink) {
            Reason(ERuledOut::kJunction);
            NearMiss(choice, 0.5);
            ceiling = c.capacitanceUf;
            continue;
        }
        choice.heatSink = choice.negativeHeatSink = *sink;
        choice.pad = choice.negativePad = *sink < 0 ? -1 : m_pad;
        if (power > powerLimit) {
            Reason(ERuledOut::kRegulatorPower);
            NearMiss(choice, (power - powerLimit) / powerLimit);
            ceiling = c.capacitanceUf;
            continue;
        }
        const std::optional<int> rectifierSink =
            ChooseRectifierSink(m_catalogue, r, RectifierPackagePower(r, m), m_q);
        if (!rectifierSink) {
            Reason(ERuledOut::kRectifierJunction);
            NearMiss(choice, 0.5);
            ceiling = c.capacitanceUf;
            continue;
        }
        choice.rectifierSink = *rectifierSink;
        const double rating = RippleRating(c, ECircuitKind::kCentreTap);
        if (CapacitorLife(c, m_q.ambientC, ripple, rating) < m_q.capacitorLifeH) {
            Reason(ERuledOut::kCapacitorLife);
            continue;
        }
        if (ripple > rating) {
            Reason(ERuledOut::kRippleCurrent);
            NearMiss(choice, (ripple - rating) / rating);
            continue;
        }
        if (m.peakReverseVoltage > r.reverseV) {
            Reason(ERuledOut::kReverseVoltage);
            continue;
        }
        const double surge = Surge(choice.transformer, choice.rectifier, cIndex);
        if (!(surge <= r.surgeA)) {
            Reason(ERuledOut::kSurge);
            NearMiss(choice, (surge - r.surgeA) / r.surgeA);
            ceiling = c.capacitanceUf;
            continue;
        }
        const CRankKey key{m_q.rank == ERank::kSize ? 0.0 : ChoicePartsCost(m_catalogue, choice),
                           c.capacitanceUf * c.voltageV, SinkSize(m_catalogue, choice.heatSink),
                           r.currentA};
        if (!bestKey || key < *bestKey) {
            bestKey = key;
            best = choice;
        }
        return;
    }
}

void CDualSearch::ExplainFailure(CDesignSearchResult& result) const {
    for (std::size_t k = 0; k < m_nearMisses.size() && result.nearest.size() < 3; ++k) {
        const CPartChoice& c = m_nearMisses[k].second;
        const bool seen = std::any_of(
            result.nearest.begin(), result.nearest.end(),
            [&c](const CCandidate& n) { return n.choice.transformer == c.transformer; });
        if (!seen) {
            result.nearest.push_back(EvaluateDualCandidate(m_catalogue, c, m_q, false));
        }
    }
    std::vector<CRuledOut> reasons;
    for (std::size_t k = 0; k < kRuledOutCount; ++k) {
        if (m_reasons[k] > 0) {
            reasons.push_back({static_cast<ERuledOut>(k), m_reasons[k], {}});
        }
    }
    std::stable_sort(reasons.begin(), reasons.end(),
                     [](const auto& a, const auto& b) { return a.combinations > b.combinations; });
    result.reasons.insert(result.reasons.end(), reasons.begin(), reasons.end());
}

CDesignSearchResult CDualSearch::Run(const std::stop_token& stop, const CSearchProgress& progress) {
    CDesignSearchResult result;
    std::vector<std::size_t> transformers;
    bool anyCentreTap = false;
    for (std::size_t t = 0; t < m_catalogue.transformers.size(); ++t) {
        const CTransformerPart& transformer = m_catalogue.transformers[t];
        if (transformer.windings == 2) {
            anyCentreTap = true;
            if (transformer.va <= m_q.maxVa) {
                transformers.push_back(t);
            }
        }
    }
    std::stable_sort(transformers.begin(), transformers.end(), [&](std::size_t a, std::size_t b) {
        return m_catalogue.transformers[a].va < m_catalogue.transformers[b].va;
    });
    if (transformers.empty()) {
        result.reasons.push_back({m_catalogue.transformers.empty() ? ERuledOut::kNoTransformer
                                  : !anyCentreTap                  ? ERuledOut::kNoCentreTap
                                                  : ERuledOut::kNoTransformerWithinVa,
                                  0,
                                  {}});
    }
    const bool anyPositive =
        std::any_of(m_catalogue.regulators.begin(), m_catalogue.regulators.end(),
                    [&](const CRegulatorPart& g) { return RegulatorGives(g, m_q.outputV); });
    if (!anyPositive) {
        result.reasons.push_back({ERuledOut::kNoRegulator, 0, {}});
    } else if (m_pairs.empty()) {
        result.reasons.push_back({ERuledOut::kNoNegativeRegulator, 0, {}});
    }
    if (m_capacitances.empty() || m_catalogue.rectifiers.empty()) {
        result.reasons.push_back({ERuledOut::kNoCapacitorOrRectifier, 0, {}});
    }
    if (m_pairs.empty() || m_capacitances.empty() || m_catalogue.rectifiers.empty()) {
        transformers.clear();
    }
    CollectCandidates(
        m_catalogue, m_q, transformers.size(), [&](std::size_t k) { return transformers[k]; },
        [&](std::size_t k) { return SearchTransformer(transformers[k]); }, stop, progress, result);
    if (result.candidates.empty() && !result.stopped) {
        ExplainFailure(result);
    }
    result.solved = m_solved;
    return result;
}

}  // namespace

CDesignSearchResult SearchDualDesigns(const CCatalogue& catalogue,
                                      const CRequirements& requirements, std::stop_token stop,
                                      const CSearchProgress& progress) {
    if (const ERequirementProblem problem = requirements.Problem();
        problem != ERequirementProblem::kNone) {
        CDesignSearchResult result;
        result.reasons.push_back({ERuledOut::kRequirements, 0, problem});
        return result;
    }
    return CDualSearch(catalogue, requirements).Run(stop, progress);
}

namespace design_rules {

double DualThermalResistance(const CCatalogue& catalogue, const CPartChoice& choice) {
    return std::max(ThermalResistance(catalogue, catalogue.regulators[choice.regulator],
                                      choice.heatSink, choice.pad),
                    ThermalResistance(catalogue, catalogue.regulators[choice.negativeRegulator],
                                      choice.negativeHeatSink, choice.negativePad));
}

CCandidate EvaluateDualCandidate(const CCatalogue& catalogue, const CPartChoice& choice,
                                 const CRequirements& requirements, bool surge) {
    const CRectifierPart& r = catalogue.rectifiers[choice.rectifier];
    const CCapacitorPart& c = catalogue.capacitors[choice.capacitor];
    const std::array<const CRegulatorPart*, 2> regulators = {
        &catalogue.regulators[choice.regulator], &catalogue.regulators[choice.negativeRegulator]};
    const std::array<const char*, 2> prefix = {"", "negative_"};
    const double junctionLimit =
        std::min(regulators[0]->junctionMaxC, regulators[1]->junctionMaxC) -
        requirements.junctionMarginK;
    const CAnalysisSettings settings = requirements.Settings(junctionLimit);
    const double nan = std::nan("");

    CCandidate candidate;
    candidate.choice = choice;
    candidate.design = DesignOfChoice(catalogue, choice, requirements);
    candidate.rjaKPerW = static_cast<double>(candidate.design[EInput::kRja]);
    candidate.capacitorVolume = c.capacitanceUf * c.voltageV;
    const double dropout = static_cast<double>(candidate.design[EInput::kDeltU]);
    const double target = static_cast<double>(candidate.design[EInput::kUbger]);
    const CCorners corners = CornersOf(candidate.design, settings);
    const CSteadyState low = SolveSteadyState(corners.lowCircuit);
    const CSteadyState high = SolveSteadyState(corners.highCircuit);
    const bool lowHeld = low.Solved() && !low.Collapsed() && low.otherRails.size() == 1;
    const bool highSolved = high.Solved() && high.otherRails.size() == 1;
    const std::vector<CRailFigures> lowRails = RailsOf(low, target + dropout);
    const std::vector<CRailFigures> highRails = RailsOf(high, target + dropout);
    const double noLoadPeak = NoLoadPeak(corners.highCircuit);
    const CCircuitMeasurements& hm = high.measurements;

    std::vector<CCheck>& checks = candidate.checks;
    const auto rail = [](const std::vector<CRailFigures>& rails, std::size_t k) {
        return k < rails.size() ? &rails[k] : nullptr;
    };
    double ripple = 0.0;
    for (std::size_t k = 0; k < 2; ++k) {
        const std::string p = prefix[k];
        const CRegulatorPart& g = *regulators[k];
        const CRailFigures* lowRail = rail(lowRails, k);
        const CRailFigures* highRail = rail(highRails, k);
        checks.push_back(MakeCheck(
            p + "low_minimum_voltage_v", "V", lowHeld && lowRail ? lowRail->m->minimumVoltage : nan,
            requirements.outputV + dropout + requirements.targetMarginV, true));
        checks.push_back(
            MakeCheck(p + "regulator_current_a", "A", requirements.currentA, g.maxCurrentA, false));
        const double power = highSolved && highRail
                                 ? RailPower(requirements.currentA, dropout, highRail->meanAbove)
                                 : nan;
        checks.push_back(MakeCheck(p + "high_junction_temperature_c", "C",
                                   requirements.ambientC + candidate.rjaKPerW * power,
                                   g.junctionMaxC - requirements.junctionMarginK, false));
        checks.push_back(MakeCheck(p + "high_regulator_input_v", "V", noLoadPeak,
                                   RegulatorInputLimit(g, requirements.outputV), false));
        checks.push_back(
            MakeCheck(p + "high_regulator_power_w", "W", power, RegulatorPowerLimit(g), false));
        const double railRipple = highSolved && highRail ? highRail->m->capacitorRmsCurrent : nan;
        checks.push_back(MakeCheck(p + "high_capacitor_ripple_current_a", "A", railRipple,
                                   RippleRating(c, ECircuitKind::kCentreTap), false));
        ripple = std::isnan(railRipple) || std::isnan(ripple) ? nan : std::max(ripple, railRipple);
    }
    checks.push_back(MakeCheck("high_winding_rms_current_a", "A",
                               highSolved ? hm.windingRmsCurrent : nan,
                               static_cast<double>(candidate.design[EInput::kNennI]), false));
    checks.push_back(MakeCheck("capacitor_voltage_v", "V",
                               noLoadPeak * (1.0 + requirements.capacitorVoltageReservePct / 100.0),
                               c.voltageV, false));
    checks.push_back(
        MakeCheck("rectifier_current_a", "A",
                  RectifierMeanCurrent(r, ECircuitKind::kCentreTap, requirements.currentA),
                  kRectifierDerating * r.currentA, false));
    checks.push_back(MakeCheck("high_rectifier_reverse_voltage_v", "V",
                               highSolved ? hm.peakReverseVoltage : nan, r.reverseV, false));
    const double rectifierPower = highSolved ? RectifierPackagePower(r, hm) : nan;
    const std::optional<int> rectifierSink =
        highSolved ? ChooseRectifierSink(catalogue, r, rectifierPower, requirements) : std::nullopt;
    candidate.choice.rectifierSink = rectifierSink.value_or(-1);
    checks.push_back(MakeCheck(
        "rectifier_junction_temperature_c", "C",
        highSolved ? RectifierJunction(catalogue, r, rectifierPower, candidate.choice.rectifierSink,
                                       requirements.ambientC)
                   : nan,
        RectifierJunctionLimit(r, requirements), false));
    candidate.capacitorLifeH = highSolved ? CapacitorLife(c, requirements.ambientC, ripple,
                                                          RippleRating(c, ECircuitKind::kCentreTap))
                                          : nan;
    checks.push_back(MakeCheck("capacitor_life_h", "h", candidate.capacitorLifeH,
                               requirements.capacitorLifeH, true));
    CloseChecks(candidate, surge, corners.highCircuit, r.surgeA);

    // At nominal mains: the primary's current, the loss (both rails'
    // outputs delivered), the parts list.
    const CCircuitParameters nominalCircuit = CircuitOfDesign(candidate.design, settings);
    const CSteadyState nominal = SolveSteadyState(nominalCircuit);
    const double primaryV = PrimaryVoltageOf(requirements);
    if (nominal.Solved()) {
        const CCircuitMeasurements& nm = nominal.measurements;
        candidate.primaryCurrentA = PrimaryCurrent(nominalCircuit, nm.windingRmsCurrent, primaryV);
        candidate.lossW =
            nm.inputPower + nm.copperLoss - 2.0 * requirements.outputV * requirements.currentA;
    } else {
        candidate.primaryCurrentA = nan;
        candidate.lossW = nan;
    }
    CBomParts parts;
    parts.transformer = &catalogue.transformers[choice.transformer];
    parts.rectifier = &r;
    parts.capacitor = &c;
    parts.regulator = regulators[0];
    parts.heatSink = HeatSinkAt(catalogue, choice.heatSink);
    parts.pad = HeatSinkAt(catalogue, choice.pad);
    parts.negativeRegulator = regulators[1];
    parts.negativeHeatSink = HeatSinkAt(catalogue, choice.negativeHeatSink);
    parts.negativePad = HeatSinkAt(catalogue, choice.negativePad);
    parts.rectifierSink = HeatSinkAt(catalogue, candidate.choice.rectifierSink);
    CBomCircuit bomCircuit;
    bomCircuit.primaryV = primaryV;
    bomCircuit.primaryCurrentA = candidate.primaryCurrentA;
    bomCircuit.outputV = requirements.outputV;
    bomCircuit.regulatorInputPeakV = noLoadPeak;
    bomCircuit.connection = ConnectionText(catalogue, choice);
    bomCircuit.dual = true;
    candidate.bom = MakeBom(catalogue, parts, candidate.design, bomCircuit);
    candidate.costEur = candidate.bom.Cost();
    return candidate;
}

}  // namespace design_rules

}  // namespace ohmrada
