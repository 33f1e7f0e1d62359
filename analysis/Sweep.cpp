// SPDX-License-Identifier: GPL-3.0-or-later
#include "Sweep.h"

#include <cmath>

#include "NumberText.h"
#include "PowerSupply.h"

namespace ohmrada {

bool IsValid(const CSweepSpec& spec) {
    if (!std::isfinite(spec.from) || !std::isfinite(spec.to)) {
        return false;
    }
    if (spec.count < kMinSweepPoints || spec.count > kMaxSweepPoints) {
        return false;
    }
    return spec.spacing == ESpacing::kLinear || (spec.from > 0.0 && spec.to > 0.0);
}

float SweepValue(const CSweepSpec& spec, std::size_t index) {
    if (index + 1 >= spec.count) {
        return ToSingleClamped(spec.to);
    }
    const double fraction = static_cast<double>(index) / static_cast<double>(spec.count - 1);
    if (spec.spacing == ESpacing::kLog) {
        // In log space: the ratio of the bounds may lie beyond the doubles
        // (1e-300 to 1e300) although every point lies within them.
        const double low = std::log(spec.from);
        const double high = std::log(spec.to);
        return ToSingleClamped(std::exp(low + (high - low) * fraction));
    }
    const double span = spec.to - spec.from;
    if (!std::isfinite(span)) {
        // Bounds near the largest double on both sides of zero.
        return ToSingleClamped(spec.from * (1.0 - fraction) + spec.to * fraction);
    }
    return ToSingleClamped(spec.from + span * fraction);
}

CSweepRun RunSweep(const CDesign& design, const CSweepSpec& spec, const FSweepVisitor& visit,
                   const std::atomic<bool>* cancel) {
    CSweepRun run;
    if (!IsValid(spec)) {
        return run;
    }
    const CInputSpec& input = InputSpec(spec.input);
    CSweepPoint point;
    for (std::size_t index = 0; index < spec.count; ++index) {
        if (cancel != nullptr && cancel->load(std::memory_order_relaxed)) {
            run.stopped = true;
            break;
        }
        // The design on a fresh supply, then the typed value through the
        // input's setter, exactly as a focus change on the form hands it over;
        // what the supply then holds is the point's design.
        point.index = index;
        point.typed = SweepValue(spec, index);
        {
            CPowerSupply supply;
            design.ApplyTo(supply);
            input.set(supply, point.typed);
            point.design = CDesign::TakeFrom(supply);
        }
        // The supply holds the form's inputs only: the circuit is the design's.
        point.design.circuitChoice = design.circuitChoice;
        point.held = point.design[spec.input];
        point.evaluation = Evaluate(point.design);
        point.targetHeld = point.evaluation.TargetHeld();
        point.overloaded = point.evaluation.beeps > 0;
        ++run.points;
        if (visit && !visit(point)) {
            run.stopped = index + 1 < spec.count;
            break;
        }
    }
    return run;
}

std::vector<CSweepPoint> SweepPoints(const CDesign& design, const CSweepSpec& spec) {
    std::vector<CSweepPoint> points;
    if (IsValid(spec)) {
        points.reserve(spec.count);
    }
    RunSweep(design, spec, [&points](const CSweepPoint& point) {
        points.push_back(point);
        return true;
    });
    return points;
}

}  // namespace ohmrada
