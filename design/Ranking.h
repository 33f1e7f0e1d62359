// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

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

}  // namespace ohmrada::design_rules
