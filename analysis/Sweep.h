// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <vector>

#include "Design.h"
#include "Evaluation.h"
#include "InputTable.h"

namespace ohmrada {

// One input from `from` to `to` in `count` points, evenly spaced or evenly
// spaced on a logarithmic scale. Each point is a fresh copy of the design
// with the point's value handed to the input's setter as the form hands it a
// typed number (so the floor rule applies, and a winding voltage is doubled
// while the centre tap is set), followed by one recalculation cycle.
enum class ESpacing { kLinear, kLog };

struct CSweepSpec {
    EInput input = EInput::kIb;
    double from = 0.0;
    double to = 0.0;
    std::size_t count = 0;
    ESpacing spacing = ESpacing::kLinear;
};

inline constexpr std::size_t kMinSweepPoints = 2;
inline constexpr std::size_t kMaxSweepPoints = 1000000;

// Finite bounds, a count from 2 to 1,000,000, and positive bounds for the
// logarithmic spacing.
bool IsValid(const CSweepSpec& spec);

// The value of point `index` as the form reads it from a typed number (in
// single precision, beyond the largest float held at it): the first is
// `from`, the last is `to`.
float SweepValue(const CSweepSpec& spec, std::size_t index);

struct CSweepPoint {
    std::size_t index = 0;
    float typed = 0.0f;  // the value handed to the setter
    float held = 0.0f;   // the input's value as the model then holds it
    CDesign design;      // the point's design, as the model holds it
    CEvaluation evaluation;
    bool targetHeld = false;
    // The power drawn exceeds the point's own rated power (the cycle beeped).
    bool overloaded = false;
};

// Called after every point; returning false stops the sweep there.
using FSweepVisitor = std::function<bool(const CSweepPoint& point)>;

struct CSweepRun {
    std::size_t points = 0;  // how many were evaluated and visited
    bool stopped = false;    // the visitor or the cancel flag ended it early
};

// Runs the sweep point by point, handing each to `visit` as soon as it is
// evaluated (so a caller can add its own work per point, write it out or show
// progress) and checking `cancel`, when given, before each point. An invalid
// spec runs no point.
CSweepRun RunSweep(const CDesign& design, const CSweepSpec& spec, const FSweepVisitor& visit,
                   const std::atomic<bool>* cancel = nullptr);

// Every point of a sweep, kept.
std::vector<CSweepPoint> SweepPoints(const CDesign& design, const CSweepSpec& spec);

}  // namespace ohmrada
