// SPDX-License-Identifier: GPL-3.0-or-later
#include "FirstChangeSearch.h"

#include <cmath>

namespace ohmrada {

namespace {

// Guards against a range that no longer moves (a non-finite end, a step that
// does not change a float); the real walks take at most a few hundred steps.
constexpr int kMaxWalkSteps = 100000;
constexpr int kMaxBisections = 200;

// Narrows [last, next] down to the search's precision: `last` keeps the
// verdict it had (sameAsLast), `next` the other.
template <typename FSame>
void Bisect(float& last, float& next, const FSame& sameAsLast) {
    for (int step = 0; step < kMaxBisections; ++step) {
        if (static_cast<double>(next) - static_cast<double>(last) <=
            kSearchPrecision * std::fabs(static_cast<double>(last))) {
            return;
        }
        const float middle =
            static_cast<float>(0.5 * (static_cast<double>(last) + static_cast<double>(next)));
        if (!(middle > last && middle < next)) {
            return;
        }
        if (sameAsLast(middle)) {
            last = middle;
        } else {
            next = middle;
        }
    }
}

}  // namespace

CSearchResult FindFirstChange(const CSearchRange& range, ESeek seek, const FCondition& holds) {
    CSearchResult result;
    const auto tryAt = [&](float value) {
        ++result.evaluations;
        return holds(value);
    };
    const bool wantHolding = seek == ESeek::kLastHolding;
    float last = range.start;
    const bool atStart = tryAt(last);
    if (atStart != wantHolding) {
        // kLastHolding: fails already at the start. kFirstHolding: holds
        // already at the start, so the sought value is the start or below.
        if (seek == ESeek::kFirstHolding) {
            result.value = range.start;
            result.atSearchLimit = true;
        }
        return result;
    }

    // Walk up until the verdict changes. `last` keeps the start's verdict,
    // `next` has the other one.
    float next = last;
    bool changed = false;
    for (int step = 0; step < kMaxWalkSteps && last < range.end; ++step) {
        next = static_cast<float>(static_cast<double>(last) * range.step);
        if (!(next < range.end)) {
            next = range.end;
        }
        if (!(next > last)) {
            break;
        }
        if (tryAt(next) != atStart) {
            changed = true;
            break;
        }
        last = next;
    }
    if (!changed) {
        if (seek == ESeek::kLastHolding) {
            result.value = last;
            result.atSearchLimit = true;
        }
        return result;
    }

    // Bisect between the two.
    Bisect(last, next, [&](float value) { return tryAt(value) == atStart; });
    result.value = seek == ESeek::kLastHolding ? last : next;
    return result;
}

}  // namespace ohmrada
