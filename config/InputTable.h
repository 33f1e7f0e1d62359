// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

#include "Configuration.h"
#include "ControlIds.h"
#include "PowerSupply.h"

namespace ohmrada {

// The twelve numeric inputs, in the order of their configuration lines. The
// centre-tap flag (line 1) and the circuit (line 5) are the two inputs that
// are not numbers and have no field of their own.
enum class EInput : std::size_t {
    kNennU,
    kLeerU,
    kNennI,
    kDiffU,
    kBahnR,
    kKondC,
    kUbger,
    kIb,
    kRja,
    kTu,
    kDeltU,
    kReglR,
};
inline constexpr std::size_t kInputCount = 12;

// Everything the program knows about one numeric input: where the form shows
// it, which line of the file holds it, its name outside the form, how the
// model takes and gives it, and what it holds at start-up. The form's
// start-up sequence, its focus handlers, Open and Save As, ohmrada-calc,
// the analysis, the tests, the benchmarks and the fuzzers all take the
// inputs from this one table.
struct CInputSpec {
    EInput input;
    EConfigLine line;      // its line in the configuration file
    int fieldId;           // its field on the form
    std::string_view key;  // the configuration key without padding: its name outside the form
    int decimals;          // digits after the point the field shows
    float startUpValue;    // what the start-up sequence hands the setter
    // The model's setter, given the value as the form shows it (the transformer
    // doubles a winding voltage while the centre-tap flag is set).
    void (*set)(CPowerSupply& supply, float value);
    // The value as the form shows it.
    float (*get)(const CPowerSupply& supply);
};

extern const std::array<CInputSpec, kInputCount> kInputs;

inline const CInputSpec& InputSpec(EInput input) {
    return kInputs[static_cast<std::size_t>(input)];
}

// The input shown in a field, or nullptr for any other id.
const CInputSpec* InputOfField(int fieldId);
// The input of a configuration key ("Ib", "NennU"), or nullptr.
const CInputSpec* InputOfKey(std::string_view key);

// The start-up values of the two inputs that are not numbers.
inline constexpr int kStartUpCentreTap = 1;
inline constexpr const char* kStartUpCircuit = CRectifier::kCentreTap;

// The start-up sequence, one configuration line a step. The order decides
// the start-up state: the winding voltages are set while the centre-tap flag
// is still 0, so they are taken as the whole winding's, and NennU before
// LeerU, so that LeerU ends at its own value.
extern const std::array<EConfigLine, kConfigLineCount> kStartUpOrder;

// Fills a freshly made supply with the start-up values in the start-up order.
void ApplyStartUpValues(CPowerSupply& supply);

// Applies a configuration read from a file to the model, in file order: the
// flag first, since the voltages are stored as shown and the transformer must
// know whether to double them.
void ApplyConfiguration(CPowerSupply& supply, const CConfiguration& configuration);

}  // namespace ohmrada
