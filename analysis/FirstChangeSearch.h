// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>

namespace ohmrada {

// The search behind every limit. A condition over one input is rarely
// monotonic over the whole range (at very large currents the loaded voltage
// collapses and the power drawn falls again), so the search finds its first
// change: it walks up from `start`, multiplying by `step` (never past `end`),
// until the condition differs from its value at the start, and then bisects
// between the last two values until they lie within 0.05 % of each other.
// Every value tried is a single-precision number, as the model holds it.
struct CSearchRange {
    float start;
    float end;
    double step;  // factor between two values of the walk, > 1
};

// What is sought: the last value at which the condition still holds (it must
// hold at the start), or the first value at which it holds (it must not hold
// at the start).
enum class ESeek { kLastHolding, kFirstHolding };

struct CSearchResult {
    // The value found: always one the condition was tried at and gave the
    // sought verdict. 0 when there is none: for kLastHolding the condition
    // fails at the start, for kFirstHolding it never holds up to the end.
    float value = 0.0f;
    // The value lies at the end of the range (kLastHolding: it still holds at
    // `end`; kFirstHolding: it already holds at `start`), so the limit lies
    // beyond what was searched.
    bool atSearchLimit = false;
    int evaluations = 0;  // how often the condition was tried
};

inline constexpr double kSearchPrecision = 0.0005;  // 0.05 %

using FCondition = std::function<bool(float value)>;

CSearchResult FindFirstChange(const CSearchRange& range, ESeek seek, const FCondition& holds);

}  // namespace ohmrada
