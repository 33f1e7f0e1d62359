// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Component.h"

namespace ohmrada {

// The mains transformer, described by its plate data. The stored voltages
// always belong to the whole secondary winding; while the centre-tap flag is
// set the setters take and the getters give half of each (one half of the
// winding), the current is never scaled.
//
// Invariant kept by the setters: LeerU >= NennU >= FloorValue().
class CTransformer : public CComponent {
public:
    CTransformer() = default;

    void SetCentreTap(int flag) { m_centreTap = flag; }
    int GetCentreTap() const { return m_centreTap; }

    // The shown rated voltage; doubled while the flag is set, floored, and
    // lifts LeerU to NennU + 0.0001 when it would otherwise lie below NennU.
    void SetRatedVoltage(float voltage);
    float GetRatedVoltage() const;

    // The shown no-load voltage; doubled while the flag is set, and replaced by
    // NennU + 0.0001 when it is not above NennU.
    void SetNoLoadVoltage(float voltage);
    float GetNoLoadVoltage() const;

    void SetRatedCurrent(float current) { m_ratedCurrent = ApplyFloor(current); }
    float GetRatedCurrent() const { return m_ratedCurrent; }

    // (shown no-load voltage - shown rated voltage) / NennI, in ohms. It is
    // zero when the two voltages are equal.
    double GetInternalResistance() const;

    // Shown rated voltage x NennI, doubled while the flag is set: the whole
    // winding's NennU x NennI, in watts.
    double GetRatedPower() const;

private:
    // Takes a shown voltage to the whole winding's value.
    float WindingValue(float shown) const;
    // Applied to a shown value while the flag is set.
    float ShownValue(float winding) const;
    // NennU + 0.0001, rounded to single precision.
    float JustAboveRatedVoltage() const;

    int m_centreTap = 0;
    float m_noLoadVoltage = 20.0f;  // LeerU
    float m_ratedVoltage = 18.0f;   // NennU
    float m_ratedCurrent = 3.33f;   // NennI
};

}  // namespace ohmrada
