// SPDX-License-Identifier: GPL-3.0-or-later
#include "DesignScaling.h"

#include "Capacitor.h"
#include "NumberText.h"
#include "Transformer.h"

namespace ohmrada {

namespace {

// Sets the whole winding's voltages and current on a transformer without the
// centre tap, in the order CDesign::ApplyTo uses, and keeps what it holds.
CDesign WithWinding(const CDesign& design, double noLoad, double rated, double current) {
    CTransformer transformer;
    transformer.SetCentreTap(0);
    transformer.SetRatedCurrent(ToSingleClamped(current));
    transformer.SetRatedVoltage(0.0f);
    transformer.SetNoLoadVoltage(ToSingleClamped(noLoad));
    transformer.SetRatedVoltage(ToSingleClamped(rated));
    CDesign changed = design;
    changed[EInput::kLeerU] = transformer.GetNoLoadVoltage();
    changed[EInput::kNennU] = transformer.GetRatedVoltage();
    changed[EInput::kNennI] = transformer.GetRatedCurrent();
    return changed;
}

}  // namespace

CDesign AtMainsFactor(const CDesign& design, double factor) {
    const double noLoad = design[EInput::kLeerU];
    const double drop = noLoad - static_cast<double>(design[EInput::kNennU]);
    const double scaledNoLoad = ToSingleClamped(factor * noLoad);
    return WithWinding(design, scaledNoLoad, scaledNoLoad - drop, design[EInput::kNennI]);
}

CDesign WithCapacitanceFactor(const CDesign& design, double factor) {
    CCapacitor capacitor;
    capacitor.SetCapacitance(ToSingleClamped(factor * static_cast<double>(design[EInput::kKondC])));
    CDesign changed = design;
    changed[EInput::kKondC] = ToSingle(capacitor.GetCapacitance(false));
    return changed;
}

CDesign WithTransformerScale(const CDesign& design, double scale) {
    return WithWinding(design, scale * static_cast<double>(design[EInput::kLeerU]),
                       scale * static_cast<double>(design[EInput::kNennU]),
                       static_cast<double>(design[EInput::kNennI]) / scale);
}

double RatedPower(const CDesign& design) {
    CTransformer transformer;
    transformer.SetCentreTap(0);
    transformer.SetRatedCurrent(design[EInput::kNennI]);
    transformer.SetRatedVoltage(0.0f);
    transformer.SetNoLoadVoltage(design[EInput::kLeerU]);
    transformer.SetRatedVoltage(design[EInput::kNennU]);
    transformer.SetCentreTap(design.centreTap);
    return transformer.GetRatedPower();
}

}  // namespace ohmrada
