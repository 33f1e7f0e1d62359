// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <stop_token>
#include <tuple>
#include <vector>

#include "DesignSearch.h"

// The order of the candidates and the same circuit shown once. Internal to
// design/.
namespace ohmrada::design_rules {

// How the search compares two choices of one transformer configuration:
// the parts' cost first (ranked by cost or loss), or the capacitor's C x U
// (ranked by size), then the heat sink's size and the rectifier's rating.
struct CRankKey {
    double cost;
    double volume;
    double sink;
    double rectifier;
    bool operator<(const CRankKey& other) const {
        return std::tie(cost, volume, sink, rectifier) <
               std::tie(other.cost, other.volume, other.sink, other.rectifier);
    }
};

// The key the candidates shown are ordered by.
std::tuple<double, double, double, double, double> RankOf(const CCatalogue& catalogue,
                                                          const CCandidate& candidate, ERank rank);

// Adds a candidate unless one of the same circuit (the same design: the
// same plate data, diodes, capacitor, regulator and thermal path) is there;
// of the two the cheaper stays.
void AddUnlessSameCircuit(std::vector<CCandidate>& candidates, CCandidate found);

// The walk both searches take: `count` transformer configurations in the
// order of their transformer's VA (transformerOf), each searched (search),
// stopping after the first VA that gives as many candidates as asked for,
// or when asked to stop; then the candidates ranked, as many kept as asked
// for, and numbered.
void CollectCandidates(const CCatalogue& catalogue, const CRequirements& requirements,
                       std::size_t count,
                       const std::function<std::size_t(std::size_t)>& transformerOf,
                       const std::function<std::optional<CCandidate>(std::size_t)>& search,
                       const std::stop_token& stop, const CSearchProgress& progress,
                       CDesignSearchResult& result);

}  // namespace ohmrada::design_rules
