// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// CComponent is the common base of the power-supply model: the assembly
// CPowerSupply and its four parts CTransformer, CRectifier, CCapacitor and
// CRegulator. It holds no data; it gives every part the floor value that a
// clamped input may hold and the mains frequency.
//
// Every stored quantity of the model is a float. Formulas compute in double and
// round to float only at the points where a value is stored or where a formula
// says so; ToSingle() marks such a point.

namespace ohmrada {

// The mains frequencies a design may have, Hz.
inline constexpr float kDefaultMainsFrequency = 50.0f;
inline constexpr float kAlternativeMainsFrequency = 60.0f;

class CComponent {
public:
    CComponent() = default;
    CComponent(const CComponent&) = default;
    CComponent& operator=(const CComponent&) = default;
    virtual ~CComponent();

    // 0.0001 in single precision: the smallest value a clamped input may hold,
    // and the fallback result of several formulas.
    float FloorValue() const { return 0.0001f; }

    // Mains frequency in hertz: the default of every supply, always 50. A
    // supply's own frequency (50 or 60 Hz) is CPowerSupply::GetMainsFrequency().
    float MainsFrequency() const { return kDefaultMainsFrequency; }

protected:
    // The floor rule: the value if it is greater than FloorValue(), else
    // FloorValue(). A NaN fails the comparison and becomes the floor value too.
    float ApplyFloor(float value) const { return value > FloorValue() ? value : FloorValue(); }
};

// Rounds a double-precision intermediate to single precision.
inline float ToSingle(double value) {
    return static_cast<float>(value);
}

}  // namespace ohmrada
