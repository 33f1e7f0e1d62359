// SPDX-License-Identifier: GPL-3.0-or-later
// The enumeration of candidates: transformer configurations smallest first,
// each with its rectifiers, regulators, capacitors and heat sinks, pruned by
// what the circuit's steady states (cached by capacitance) rule out.
#include "DesignSearch.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <numeric>
#include <tuple>

#include "DesignCircuit.h"
#include "DesignRules.h"
#include "Ranking.h"
#include "SteadyState.h"
#include "WorstCase.h"

namespace ohmrada {

using namespace design_rules;

namespace {

// The search's working state for one requirement.
class CSearch {
public:
    CSearch(const CCatalogue& catalogue, const CRequirements& requirements)
        : m_catalogue(catalogue), m_requirements(requirements) {
        CSearchOrder order = SearchOrderOf(catalogue);
        m_capacitances = std::move(order.capacitances);
        m_capacitorOrder = std::move(order.capacitors);
        m_rectifierOrder = std::move(order.rectifiers);
        m_pad = FirstPad(catalogue);
    }

    CDesignSearchResult Run(const std::stop_token& stop, const CSearchProgress& progress);

private:
    struct CConfig {
        std::size_t transformer;
        EConnection connection;
        ECircuitKind circuit;

        // The choice of this configuration with a rectifier and a regulator
        // (capacitor and heat sink still to choose).
        CPartChoice With(std::size_t rectifier, std::size_t regulator) const {
            CPartChoice choice;
            choice.transformer = transformer;
            choice.connection = connection;
            choice.circuit = circuit;
            choice.rectifier = rectifier;
            choice.regulator = regulator;
            return choice;
        }
    };
    // Steady states of one transformer configuration with one rectifier, by
    // capacitance (the only part of the circuit the remaining choices change).
    struct CCache {
        std::map<std::size_t, double> lowMinimum;  // -inf: collapsed or unsolved
        std::map<std::size_t, CSteadyState> high;
        std::map<std::size_t, double> surge;
    };

    std::vector<CConfig> Configs(CDesignSearchResult& result) const;
    void ExplainFailure(CDesignSearchResult& result) const;
    bool TransformerVaBinds(const CDesignSearchResult& result) const;
    std::optional<CCandidate> SearchConfig(const CConfig& config);
    std::optional<CCandidate> SearchRectifier(const CConfig& config, std::size_t rectifier);
    // What one configuration with one rectifier must meet, or nothing when
    // no choice of the remaining parts can (the reason counted).
    struct CBounds {
        double lowPeak;           // the low corner's output with an infinite capacitor
        double highPeak;          // the high corner's no-load peak
        double capacitorVoltage;  // the rating a capacitor needs
        double nennI;             // the winding's rated current as connected
    };
    std::optional<CBounds> BoundsOf(const CConfig& config, std::size_t rectifier);
    // The smallest capacitance (index) that holds need at the low corner;
    // nothing (a near miss noted) when the largest does not.
    std::optional<std::size_t> SmallestCapacitance(const CConfig& config, CPartChoice choice,
                                                   double need, const CBounds& bounds);
    // The cheapest capacitor of at least the capacitance of index lo that
    // passes the high corner's checks with the choice's regulator; best and
    // bestKey hold the cheapest choice of the rectifier so far.
    void CheapestCapacitor(const CConfig& config, CPartChoice choice, std::size_t lo,
                           const CBounds& bounds, std::optional<CPartChoice>& best,
                           std::optional<CRankKey>& bestKey);
    CDesign BaseDesign(const CConfig& config, std::size_t rectifier, double capacitanceUf) const;
    double LowMinimum(const CConfig& config, std::size_t rectifier, std::size_t cIndex);
    const CSteadyState& High(const CConfig& config, std::size_t rectifier, std::size_t cIndex);
    double Surge(const CConfig& config, std::size_t rectifier, std::size_t cIndex);
    void Reason(ERuledOut why) { ++m_reasons[static_cast<std::size_t>(why)]; }
    void NearMiss(const CPartChoice& choice, double shortfall);
    std::size_t CapacitorWithValue(std::size_t cIndex, double voltage) const;
    int LargestSink() const;

    const CCatalogue& m_catalogue;
    const CRequirements& m_requirements;
    std::vector<double> m_capacitances;
    std::vector<std::size_t> m_capacitorOrder;
    std::vector<std::size_t> m_rectifierOrder;
    int m_pad = -1;
    // By the rectifier's threshold and bulk resistance: parts with the same
    // forward fit give the same circuit.
    std::map<std::pair<double, double>, CCache> m_caches;
    CCache* m_cache = nullptr;
    std::array<std::size_t, kRuledOutCount> m_reasons{};
    std::vector<std::pair<double, CPartChoice>> m_nearMisses;
    std::size_t m_solved = 0;
};

// The capacitor of that value with the lowest rating of at least voltage
// (the highest when none reaches it).
std::size_t CSearch::CapacitorWithValue(std::size_t cIndex, double voltage) const {
    std::optional<std::size_t> best;
    for (std::size_t i = 0; i < m_catalogue.capacitors.size(); ++i) {
        const CCapacitorPart& c = m_catalogue.capacitors[i];
        if (c.capacitanceUf != m_capacitances[cIndex]) {
            continue;
        }
        const double have = best ? m_catalogue.capacitors[*best].voltageV : 0.0;
        const bool better = !best || (have < voltage ? c.voltageV > have
                                                     : c.voltageV >= voltage && c.voltageV < have);
        if (better) {
            best = i;
        }
    }
    return best.value_or(0);
}

int CSearch::LargestSink() const {
    int best = -1;
    for (std::size_t i = 0; i < m_catalogue.heatSinks.size(); ++i) {
        const CHeatSinkPart& s = m_catalogue.heatSinks[i];
        if (!s.pad &&
            (best < 0 ||
             s.thetaKPerW < m_catalogue.heatSinks[static_cast<std::size_t>(best)].thetaKPerW)) {
            best = static_cast<int>(i);
        }
    }
    return best;
}

CDesign CSearch::BaseDesign(const CConfig& config, std::size_t rectifier,
                            double capacitanceUf) const {
    // Only its circuit is read, which no choice of regulator changes.
    CDesign design = DesignOfChoice(m_catalogue, config.With(rectifier, 0), m_requirements);
    design[EInput::kKondC] = static_cast<float>(capacitanceUf);
    return design;
}

double CSearch::LowMinimum(const CConfig& config, std::size_t rectifier, std::size_t cIndex) {
    const auto found = m_cache->lowMinimum.find(cIndex);
    if (found != m_cache->lowMinimum.end()) {
        return found->second;
    }
    const CAnalysisSettings settings = m_requirements.Settings(125.0);
    const CDesign low = CornerDesign(BaseDesign(config, rectifier, m_capacitances[cIndex]),
                                     ECorner::kLow, settings);
    const CSteadyState state = SolveSteadyState(CircuitOfDesign(low, 0.0));
    ++m_solved;
    const double minimum = state.Solved() && !state.Collapsed()
                               ? state.measurements.minimumVoltage
                               : -std::numeric_limits<double>::infinity();
    m_cache->lowMinimum.emplace(cIndex, minimum);
    return minimum;
}

const CSteadyState& CSearch::High(const CConfig& config, std::size_t rectifier,
                                  std::size_t cIndex) {
    const auto found = m_cache->high.find(cIndex);
    if (found != m_cache->high.end()) {
        return found->second;
    }
    const CAnalysisSettings settings = m_requirements.Settings(125.0);
    const CDesign high = CornerDesign(BaseDesign(config, rectifier, m_capacitances[cIndex]),
                                      ECorner::kHigh, settings);
    ++m_solved;
    return m_cache->high.emplace(cIndex, SolveSteadyState(CircuitOfDesign(high, 0.0)))
        .first->second;
}

double CSearch::Surge(const CConfig& config, std::size_t rectifier, std::size_t cIndex) {
    const auto found = m_cache->surge.find(cIndex);
    if (found != m_cache->surge.end()) {
        return found->second;
    }
    const CAnalysisSettings settings = m_requirements.Settings(125.0);
    const CDesign high = CornerDesign(BaseDesign(config, rectifier, m_capacitances[cIndex]),
                                      ECorner::kHigh, settings);
    ++m_solved;
    return m_cache->surge.emplace(cIndex, SwitchOnPeakCurrent(CircuitOfDesign(high, 0.0)))
        .first->second;
}

void CSearch::NearMiss(const CPartChoice& choice, double shortfall) {
    constexpr std::size_t kKept = 32;
    m_nearMisses.emplace_back(shortfall, choice);
    std::sort(m_nearMisses.begin(), m_nearMisses.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    if (m_nearMisses.size() > kKept) {
        m_nearMisses.resize(kKept);
    }
}

std::optional<CCandidate> CSearch::SearchConfig(const CConfig& config) {
    m_caches.clear();
    for (std::size_t rectifier : m_rectifierOrder) {
        const CRectifierPart& r = m_catalogue.rectifiers[rectifier];
        if (r.bridge && config.circuit != ECircuitKind::kBridge) {
            continue;
        }
        if (RectifierMeanCurrent(r, config.circuit, m_requirements.currentA) >
            kRectifierDerating * r.currentA) {
            Reason(ERuledOut::kRectifierCurrent);
            continue;
        }
        m_cache = &m_caches[{r.thresholdV, r.bulkOhm}];
        if (std::optional<CCandidate> found = SearchRectifier(config, rectifier)) {
            return found;
        }
    }
    return std::nullopt;
}

std::optional<CSearch::CBounds> CSearch::BoundsOf(const CConfig& config, std::size_t rectifier) {
    const CRequirements& q = m_requirements;
    const CCorners corners =
        CornersOf(BaseDesign(config, rectifier, m_capacitances.back()), q.Settings(125.0));
    CBounds bounds{};
    bounds.lowPeak = InfiniteCapacitorVoltage(corners.lowCircuit);
    bounds.highPeak = NoLoadPeak(corners.highCircuit);
    bounds.capacitorVoltage = bounds.highPeak * (1.0 + q.capacitorVoltageReservePct / 100.0);
    bounds.nennI = static_cast<double>(BaseDesign(config, rectifier, 1.0)[EInput::kNennI]);
    // The winding's RMS current is at least the mean of its current's magnitude.
    const double windingMean =
        config.circuit == ECircuitKind::kCentreTap ? q.currentA / 2.0 : q.currentA;
    if (windingMean > bounds.nennI) {
        Reason(ERuledOut::kTransformerCurrent);
        // A near miss by how far the winding falls short, with the largest
        // capacitor and heat sink and a regulator that serves.
        std::optional<std::size_t> strongest;
        for (std::size_t g = 0; g < m_catalogue.regulators.size(); ++g) {
            const CRegulatorPart& regulator = m_catalogue.regulators[g];
            if (RegulatorGives(regulator, q.outputV) &&
                (!strongest ||
                 regulator.maxCurrentA > m_catalogue.regulators[*strongest].maxCurrentA)) {
                strongest = g;
            }
        }
        if (strongest) {
            {
                CPartChoice choice = config.With(rectifier, *strongest);
                choice.capacitor = CapacitorWithValue(m_capacitances.size() - 1,
                                                      NoLoadPeak(corners.highCircuit) * 1.1);
                choice.heatSink = LargestSink();
                choice.pad = choice.heatSink < 0 ? -1 : m_pad;
                NearMiss(choice, (windingMean - bounds.nennI) / bounds.nennI);
            }
        }
        return std::nullopt;
    }
    if (corners.lowCircuit.Problem().size() != 0 || corners.highCircuit.Problem().size() != 0) {
        Reason(ERuledOut::kCannotSolve);
        return std::nullopt;
    }
    const bool anyCapacitorRating =
        std::any_of(m_catalogue.capacitors.begin(), m_catalogue.capacitors.end(),
                    [&](const CCapacitorPart& c) { return c.voltageV >= bounds.capacitorVoltage; });
    if (!anyCapacitorRating) {
        Reason(ERuledOut::kCapacitorVoltage);
        return std::nullopt;
    }
    return bounds;
}

std::optional<std::size_t> CSearch::SmallestCapacitance(const CConfig& config, CPartChoice choice,
                                                        double need, const CBounds& bounds) {
    if (bounds.lowPeak < need) {
        Reason(ERuledOut::kTransformerVoltage);
        return std::nullopt;
    }
    const std::size_t last = m_capacitances.size() - 1;
    const double largest = LowMinimum(config, choice.rectifier, last);
    if (largest < need) {
        Reason(ERuledOut::kTargetNotHeld);
        choice.capacitor = CapacitorWithValue(last, bounds.capacitorVoltage);
        choice.heatSink = LargestSink();
        choice.pad = choice.heatSink < 0 ? -1 : m_pad;
        NearMiss(choice, (need - largest) / need);
        return std::nullopt;
    }
    std::size_t lo = 0;
    std::size_t hi = last;  // holds the target
    while (lo < hi) {
        const std::size_t mid = (lo + hi) / 2;
        if (LowMinimum(config, choice.rectifier, mid) >= need) {
            hi = mid;
        } else {
            lo = mid + 1;
        }
    }
    return lo;
}

void CSearch::CheapestCapacitor(const CConfig& config, CPartChoice choice, std::size_t lo,
                                const CBounds& bounds, std::optional<CPartChoice>& best,
                                std::optional<CRankKey>& bestKey) {
    const CRequirements& q = m_requirements;
    const CRectifierPart& r = m_catalogue.rectifiers[choice.rectifier];
    const CRegulatorPart& g = m_catalogue.regulators[choice.regulator];
    const double minimumC = m_capacitances[lo];
    double ceiling = std::numeric_limits<double>::infinity();
    for (std::size_t capacitor : m_capacitorOrder) {
        const CCapacitorPart& c = m_catalogue.capacitors[capacitor];
        if (c.capacitanceUf < minimumC || c.capacitanceUf >= ceiling ||
            c.voltageV < bounds.capacitorVoltage) {
            continue;
        }
        if (bestKey && q.rank == ERank::kSize && c.capacitanceUf * c.voltageV > bestKey->volume) {
            return;  // already beaten on the capacitor
        }
        const std::size_t cIndex = static_cast<std::size_t>(
            std::lower_bound(m_capacitances.begin(), m_capacitances.end(), c.capacitanceUf) -
            m_capacitances.begin());
        const CSteadyState& high = High(config, choice.rectifier, cIndex);
        choice.capacitor = capacitor;
        if (!high.Solved()) {
            continue;
        }
        const CCircuitMeasurements& m = high.measurements;
        if (m.windingRmsCurrent > bounds.nennI) {
            Reason(ERuledOut::kWindingCurrent);
            NearMiss(choice, (m.windingRmsCurrent - bounds.nennI) / bounds.nennI);
            ceiling = c.capacitanceUf;  // grows with the capacitance
            continue;
        }
        const double power = q.currentA * std::max(0.0, m.meanVoltage - q.outputV);
        const std::optional<int> sink = ChooseHeatSink(m_catalogue, g, power, q);
        if (!sink) {
            Reason(ERuledOut::kJunction);
            NearMiss(choice, 0.5);
            ceiling = c.capacitanceUf;  // the mean voltage grows with it
            continue;
        }
        choice.heatSink = *sink;
        choice.pad = *sink < 0 ? -1 : m_pad;
        if (power > RegulatorPowerLimit(g)) {
            Reason(ERuledOut::kRegulatorPower);
            NearMiss(choice, (power - RegulatorPowerLimit(g)) / RegulatorPowerLimit(g));
            ceiling = c.capacitanceUf;  // the mean voltage grows with it
            continue;
        }
        const std::optional<int> rectifierSink =
            ChooseRectifierSink(m_catalogue, r, RectifierPackagePower(r, m), q);
        if (!rectifierSink) {
            Reason(ERuledOut::kRectifierJunction);
            NearMiss(choice, 0.5);
            ceiling = c.capacitanceUf;  // the diodes' RMS current grows with it
            continue;
        }
        choice.rectifierSink = *rectifierSink;
        if (CapacitorLife(c, q.ambientC, m.capacitorRmsCurrent, RippleRating(c, config.circuit)) <
            q.capacitorLifeH) {
            Reason(ERuledOut::kCapacitorLife);
            continue;
        }
        if (m.capacitorRmsCurrent > RippleRating(c, config.circuit)) {
            Reason(ERuledOut::kRippleCurrent);
            NearMiss(choice, (m.capacitorRmsCurrent - RippleRating(c, config.circuit)) /
                                 RippleRating(c, config.circuit));
            continue;
        }
        if (m.peakReverseVoltage > r.reverseV) {
            Reason(ERuledOut::kReverseVoltage);
            continue;
        }
        const double surge = Surge(config, choice.rectifier, cIndex);
        if (!(surge <= r.surgeA)) {
            Reason(ERuledOut::kSurge);
            NearMiss(choice, (surge - r.surgeA) / r.surgeA);
            ceiling = c.capacitanceUf;  // the surge grows with the capacitance
            continue;
        }
        const CRankKey key{q.rank == ERank::kSize ? 0.0 : ChoicePartsCost(m_catalogue, choice),
                           c.capacitanceUf * c.voltageV, SinkSize(m_catalogue, choice.heatSink),
                           r.currentA};
        if (!bestKey || key < *bestKey) {
            bestKey = key;
            best = choice;
        }
        return;
    }
}

std::optional<CCandidate> CSearch::SearchRectifier(const CConfig& config, std::size_t rectifier) {
    const CRequirements& q = m_requirements;
    const std::optional<CBounds> bounds = BoundsOf(config, rectifier);
    if (!bounds) {
        return std::nullopt;
    }
    std::optional<CPartChoice> best;
    std::optional<CRankKey> bestKey;
    // Regulators rated for at most kRegulatorOversize times the load first;
    // a larger one only where none of those serves.
    for (int pass = 0; pass < 2 && !best; ++pass) {
        for (std::size_t regulator = 0; regulator < m_catalogue.regulators.size(); ++regulator) {
            const CRegulatorPart& g = m_catalogue.regulators[regulator];
            if (!RegulatorGives(g, q.outputV) ||
                (g.maxCurrentA > kRegulatorOversize * q.currentA) != (pass == 1)) {
                continue;
            }
            if (g.maxCurrentA < q.currentA) {
                Reason(ERuledOut::kRegulatorCurrent);
                continue;
            }
            if (bounds->highPeak > RegulatorInputLimit(g, q.outputV)) {
                Reason(ERuledOut::kRegulatorInput);
                continue;
            }
            const CPartChoice choice = config.With(rectifier, regulator);
            const double need = q.outputV + g.dropoutV + q.targetMarginV;
            if (const std::optional<std::size_t> lo =
                    SmallestCapacitance(config, choice, need, *bounds)) {
                CheapestCapacitor(config, choice, *lo, *bounds, best, bestKey);
            }
        }
    }
    if (!best) {
        return std::nullopt;
    }
    // The one evaluation that decides: every check from the circuit afresh.
    CCandidate candidate = EvaluateCandidate(m_catalogue, *best, q, true);
    m_solved += 4;  // the two corners, the surge and nominal mains
    if (!candidate.passed) {
        Reason(ERuledOut::kReevaluated);
        return std::nullopt;
    }
    return candidate;
}

// The transformer configurations within the largest VA, smallest first;
// none (the reason in result) where the catalogue cannot serve at all.
std::vector<CSearch::CConfig> CSearch::Configs(CDesignSearchResult& result) const {
    std::vector<CConfig> configs;
    for (std::size_t t = 0; t < m_catalogue.transformers.size(); ++t) {
        const CTransformerPart& transformer = m_catalogue.transformers[t];
        if (transformer.va > m_requirements.maxVa) {
            continue;
        }
        for (const auto& [connection, circuit] : Connections(transformer, m_requirements)) {
            configs.push_back({t, connection, circuit});
        }
    }
    std::stable_sort(configs.begin(), configs.end(), [&](const CConfig& a, const CConfig& b) {
        return m_catalogue.transformers[a.transformer].va <
               m_catalogue.transformers[b.transformer].va;
    });
    if (configs.empty()) {
        result.reasons.push_back({m_catalogue.transformers.empty()
                                      ? ERuledOut::kNoTransformer
                                      : ERuledOut::kNoTransformerWithinVa,
                                  0,
                                  {}});
    }
    const bool anyRegulator = std::any_of(
        m_catalogue.regulators.begin(), m_catalogue.regulators.end(),
        [&](const CRegulatorPart& g) { return RegulatorGives(g, m_requirements.outputV); });
    if (!anyRegulator) {
        result.reasons.push_back({ERuledOut::kNoRegulator, 0, {}});
        configs.clear();
    }
    if (m_capacitances.empty() || m_catalogue.rectifiers.empty()) {
        result.reasons.push_back({ERuledOut::kNoCapacitorOrRectifier, 0, {}});
        configs.clear();
    }
    return configs;
}

// Whether the largest VA allowed is what keeps the requirements from a
// design: it leaves out transformers of the catalogue, and within it either
// the output alone takes more than it, or no transformer carried the load
// current, or every nearest design fails on its transformer (the winding's
// current, or its voltage at low mains).
bool CSearch::TransformerVaBinds(const CDesignSearchResult& result) const {
    const CRequirements& q = m_requirements;
    const bool leavesOut =
        std::any_of(m_catalogue.transformers.begin(), m_catalogue.transformers.end(),
                    [&](const CTransformerPart& t) { return t.va > q.maxVa; });
    if (!leavesOut) {
        return false;
    }
    if (q.outputV * q.currentA >= q.maxVa) {
        return true;
    }
    const std::size_t transformerReasons =
        m_reasons[static_cast<std::size_t>(ERuledOut::kTransformerCurrent)] +
        m_reasons[static_cast<std::size_t>(ERuledOut::kWindingCurrent)] +
        m_reasons[static_cast<std::size_t>(ERuledOut::kTransformerVoltage)] +
        m_reasons[static_cast<std::size_t>(ERuledOut::kTargetNotHeld)];
    if (result.nearest.empty()) {
        return transformerReasons > 0;
    }
    return std::all_of(result.nearest.begin(), result.nearest.end(), [](const CCandidate& near) {
        const std::string& name = near.checks[near.binding].name;
        return name == "high_winding_rms_current_a" || name == "low_minimum_voltage_v";
    });
}

// When nothing passed: the nearest failures and the reasons counted.
void CSearch::ExplainFailure(CDesignSearchResult& result) const {
    for (std::size_t k = 0; k < m_nearMisses.size() && result.nearest.size() < 3; ++k) {
        const CPartChoice& c = m_nearMisses[k].second;
        const bool seen =
            std::any_of(result.nearest.begin(), result.nearest.end(), [&c](const CCandidate& n) {
                return n.choice.transformer == c.transformer &&
                       n.choice.connection == c.connection && n.choice.circuit == c.circuit;
            });
        if (seen) {
            continue;
        }
        CCandidate miss =
            EvaluateCandidate(m_catalogue, m_nearMisses[k].second, m_requirements, false);
        bool othersPassed = true;
        for (const CCheck& check : miss.checks) {
            othersPassed = othersPassed && (check.passed || !check.evaluated);
        }
        if (othersPassed) {
            miss = EvaluateCandidate(m_catalogue, m_nearMisses[k].second, m_requirements, true);
        }
        result.nearest.push_back(std::move(miss));
    }
    result.transformerVaBinds = TransformerVaBinds(result);
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

CDesignSearchResult CSearch::Run(const std::stop_token& stop, const CSearchProgress& progress) {
    CDesignSearchResult result;
    const std::vector<CConfig> configs = Configs(result);
    CollectCandidates(
        m_catalogue, m_requirements, configs.size(),
        [&](std::size_t k) { return configs[k].transformer; },
        [&](std::size_t k) { return SearchConfig(configs[k]); }, stop, progress, result);
    if (result.candidates.empty() && !result.stopped) {
        ExplainFailure(result);
    }
    result.solved = m_solved;
    return result;
}

}  // namespace

CDesignSearchResult SearchDesigns(const CCatalogue& catalogue, const CRequirements& requirements,
                                  std::stop_token stop, const CSearchProgress& progress) {
    if (requirements.dual) {
        return SearchDualDesigns(catalogue, requirements, stop, progress);
    }
    if (const ERequirementProblem problem = requirements.Problem();
        problem != ERequirementProblem::kNone) {
        CDesignSearchResult result;
        result.reasons.push_back({ERuledOut::kRequirements, 0, problem});
        return result;
    }
    return CSearch(catalogue, requirements).Run(stop, progress);
}

std::string RuledOutText(const CRuledOut& reason) {
    static constexpr std::array<const char*, kRuledOutCount> kTexts = {
        "",
        "the catalogue holds no transformer",
        "no transformer of the catalogue within the largest VA",
        "no regulator of the catalogue gives the output voltage",
        "the catalogue holds no capacitor or no rectifier",
        "rectifier current above 80 % of its rating",
        "transformer current rating below the load current",
        "circuit cannot be solved",
        "no capacitor rated for the no-load peak at high mains plus reserve",
        "regulator current rating below the load current",
        "regulator input above its rating at high mains",
        "transformer voltage too low at low mains under load",
        "target not held at low mains with the largest capacitor",
        "winding RMS current above the rating at high mains",
        "junction too hot at high mains with the largest heat sink",
        "capacitor ripple current above its rating",
        "rectifier reverse voltage above its rating",
        "switch-on surge above the rectifier's rating",
        "failed on evaluation afresh",
        "rectifier too hot, with a heat sink where it takes one",
        "regulator dissipation above its package's stated power at high mains",
        "capacitor life estimate below the life asked for",
        "no negative regulator of the catalogue pairs with a positive one for the output voltage",
        "no transformer of the catalogue has two equal secondaries for a centre tap",
    };
    std::string text = reason.why == ERuledOut::kRequirements
                           ? RequirementProblemText(reason.requirement)
                           : kTexts[static_cast<std::size_t>(reason.why)];
    if (reason.combinations > 0) {
        text += " (" + std::to_string(reason.combinations) + " combinations)";
    }
    return text;
}

}  // namespace ohmrada
