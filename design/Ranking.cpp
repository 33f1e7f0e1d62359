// SPDX-License-Identifier: GPL-3.0-or-later
// The order of the candidates, the same circuit shown once, and what binds
// when nothing passes.
#include "Ranking.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "DesignRules.h"
#include "NumberText.h"

namespace ohmrada {

using namespace design_rules;

const char* RankName(ERank rank) {
    switch (rank) {
        case ERank::kLoss:
            return "loss";
        case ERank::kSize:
            return "size";
        case ERank::kCost:
            break;
    }
    return "cost";
}

std::optional<ERank> RankOfName(std::string_view name) {
    for (ERank rank : {ERank::kCost, ERank::kLoss, ERank::kSize}) {
        if (name == RankName(rank)) {
            return rank;
        }
    }
    return std::nullopt;
}

namespace design_rules {

// The order of the candidates shown.
std::tuple<double, double, double, double, double> RankOf(const CCatalogue& catalogue,
                                                          const CCandidate& candidate, ERank rank) {
    const double va = catalogue.transformers[candidate.choice.transformer].va;
    const double sink = SinkSize(catalogue, candidate.choice.heatSink);
    const double loss =
        std::isnan(candidate.lossW) ? std::numeric_limits<double>::infinity() : candidate.lossW;
    switch (rank) {
        case ERank::kLoss:
            return {loss, candidate.costEur, va, candidate.capacitorVolume, sink};
        case ERank::kSize:
            return {va, candidate.capacitorVolume, sink,
                    catalogue.rectifiers[candidate.choice.rectifier].currentA, candidate.costEur};
        case ERank::kCost:
            break;
    }
    return {candidate.costEur, loss, va, candidate.capacitorVolume, sink};
}

// Adds a candidate unless one of the same circuit (the same design: the
// same plate data, diodes, capacitor, regulator and thermal path) is there;
// of the two the cheaper stays.
void AddUnlessSameCircuit(std::vector<CCandidate>& candidates, CCandidate found) {
    for (CCandidate& have : candidates) {
        if (have.design == found.design) {
            if (found.costEur < have.costEur) {
                have = std::move(found);
            }
            return;
        }
    }
    candidates.push_back(std::move(found));
}

}  // namespace design_rules

std::string BindingText(const CCatalogue& catalogue, const CRequirements& requirements,
                        const CDesignSearchResult& result) {
    const bool regulatorRated = std::any_of(
        catalogue.regulators.begin(), catalogue.regulators.end(), [&](const CRegulatorPart& g) {
            return RegulatorGives(g, requirements.outputV) &&
                   g.maxCurrentA >= requirements.currentA;
        });
    const std::string regulatorNote =
        regulatorRated
            ? std::string()
            : "; no regulator of the catalogue that gives " + ShortestNumber(requirements.outputV) +
                  " V is rated for " + ShortestNumber(requirements.currentA) + " A either";
    if (result.transformerVaBinds) {
        double larger = 0.0;
        for (const CTransformerPart& t : catalogue.transformers) {
            if (t.va > requirements.maxVa && (larger == 0.0 || t.va < larger)) {
                larger = t.va;
            }
        }
        return "the transformer binds: none of at most " + ShortestNumber(requirements.maxVa) +
               " VA delivers " + ShortestNumber(requirements.outputV) + " V at " +
               ShortestNumber(requirements.currentA) + " A (" +
               ShortestNumber(requirements.outputV * requirements.currentA) +
               " W at the output); the catalogue's next is " + ShortestNumber(larger) + " VA" +
               regulatorNote;
    }
    if (!result.nearest.empty()) {
        const CCandidate& near = result.nearest.front();
        const CCheck& check = near.checks[near.binding];
        return "the nearest design fails " + check.name + " by " +
               ShortestNumber(std::round(-check.margin * 1000.0) / 1000.0) + " " + check.unit +
               regulatorNote;
    }
    return regulatorNote.empty() ? std::string() : regulatorNote.substr(2);
}

void design_rules::CollectCandidates(
    const CCatalogue& catalogue, const CRequirements& requirements, std::size_t count,
    const std::function<std::size_t(std::size_t)>& transformerOf,
    const std::function<std::optional<CCandidate>(std::size_t)>& search,
    const std::stop_token& stop, const CSearchProgress& progress, CDesignSearchResult& result) {
    std::size_t i = 0;
    while (i < count && !result.stopped) {
        const double va = catalogue.transformers[transformerOf(i)].va;
        for (; i < count && catalogue.transformers[transformerOf(i)].va == va; ++i) {
            if (stop.stop_requested()) {
                result.stopped = true;
                break;
            }
            if (std::optional<CCandidate> found = search(i)) {
                AddUnlessSameCircuit(result.candidates, std::move(*found));
            }
            if (progress) {
                progress(i + 1, count);
            }
        }
        if (result.candidates.size() >= requirements.count) {
            break;
        }
    }
    std::stable_sort(result.candidates.begin(), result.candidates.end(),
                     [&](const CCandidate& a, const CCandidate& b) {
                         return RankOf(catalogue, a, requirements.rank) <
                                RankOf(catalogue, b, requirements.rank);
                     });
    if (result.candidates.size() > requirements.count) {
        result.candidates.resize(requirements.count);
    }
    for (std::size_t k = 0; k < result.candidates.size(); ++k) {
        result.candidates[k].rank = k + 1;
    }
}

}  // namespace ohmrada
