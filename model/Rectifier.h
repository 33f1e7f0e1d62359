// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <bit>
#include <cstdint>
#include <string>
#include <type_traits>

#include "Component.h"

namespace ohmrada {

// The diode rectifier feeding the reservoir capacitor. It works on its own
// copies of the transformer's shown no-load voltage and internal resistance
// (refreshed by the recalculation cycle) and of the load current (refreshed by
// CPowerSupply::SetLoadCurrent); it reads nothing from the other components.
//
// The circuit is one of "einweg" (half-wave), "bruecke" (bridge) and
// "mittelpunkt" (centre-tap). Each formula compares it exactly with one name;
// any other text, the empty one included, behaves as the centre-tap circuit.
class CRectifier : public CComponent {
public:
    static constexpr const char* kHalfWave = "einweg";
    static constexpr const char* kBridge = "bruecke";
    static constexpr const char* kCentreTap = "mittelpunkt";

    CRectifier() { UpdateLoadedPoint(); }

    // Each setter that changes an input solves the loaded point afresh, so
    // that the cycle's many readers of it share one solution.
    void SetCircuit(const std::string& circuit) { Set(m_circuit, circuit); }
    std::string GetCircuit() const { return m_circuit; }

    void SetDiffusionVoltage(float voltage) { Set(m_diffusionVoltage, voltage); }
    float GetDiffusionVoltage() const { return m_diffusionVoltage; }

    void SetBulkResistance(float resistance) { Set(m_bulkResistance, resistance); }
    float GetBulkResistance() const { return m_bulkResistance; }

    void SetSourceVoltage(float voltage) { Set(m_sourceVoltage, voltage); }
    void SetSourceResistance(float resistance) { Set(m_sourceResistance, resistance); }
    void SetLoadCurrent(float current) { Set(m_loadCurrent, current); }

    // Forward drop of the conducting diodes at the load current (two in series
    // for the bridge), V.
    double GetDiodeDrop() const;
    // Peak of the source voltage less the diode drop; FloorValue() when the
    // drop exceeds the peak, V.
    double GetNoLoadOutputVoltage() const;
    // Diode losses of the whole rectifier, W.
    double GetDiodePower() const;
    // Mean current of one diode, A.
    double GetMeanCurrent() const;
    // Peak reverse voltage of one diode, V.
    double GetPeakReverseVoltage() const;
    // The loaded voltage with an infinitely large capacitor (flag cleared, V)
    // or the load resistance that goes with it (flag set, ohm): a fixed-point
    // iteration of exactly 15 steps.
    double GetLoadedVoltage(bool loadResistance) const;

    // Both results of that iteration from one run of it: the loaded voltage
    // and the load resistance of the fifteenth step.
    struct CLoadedPoint {
        double voltage;
        float resistance;
    };
    CLoadedPoint GetLoadedPoint() const { return m_loaded; }
    // Peak diode current, A. With a source resistance of zero the peak current
    // of an ideal source is unbounded; the result is then NaN ("not defined"),
    // which the form shows as a placeholder.
    double GetPeakCurrent() const;

    // 1 for the half-wave circuit, 2 for every other.
    int PulsesPerPeriod() const { return IsHalfWave() ? 1 : 2; }
    bool IsHalfWave() const { return m_circuit == kHalfWave; }
    bool IsBridge() const { return m_circuit == kBridge; }

private:
    static constexpr int kIterationSteps = 15;

    // Peak of the source voltage, sqrt(2) x U0, rounded to single precision.
    float PeakVoltage() const;

    // The iteration behind GetLoadedPoint, run on the inputs as they are.
    CLoadedPoint SolveLoadedPoint() const;
    void UpdateLoadedPoint() { m_loaded = SolveLoadedPoint(); }
    // Numbers are compared bit for bit: -0 is not 0 here, and the same NaN
    // is the same input.
    template <class T>
    void Set(T& input, const T& value) {
        bool same = false;
        if constexpr (std::is_same_v<T, float>) {
            same = std::bit_cast<std::uint32_t>(input) == std::bit_cast<std::uint32_t>(value);
        } else {
            same = input == value;
        }
        if (!same) {
            input = value;
            UpdateLoadedPoint();
        }
    }

    float m_sourceVoltage = 0.0f;
    float m_sourceResistance = 0.0f;
    float m_loadCurrent = 0.0f;
    float m_diffusionVoltage = 0.35f;  // DiffU
    float m_bulkResistance = 0.02f;    // BahnR
    std::string m_circuit;             // GR_Sg
    CLoadedPoint m_loaded{};           // of the inputs above
};

}  // namespace ohmrada
