// SPDX-License-Identifier: GPL-3.0-or-later
#include "CircuitMeasurements.h"

namespace ohmrada {

const CCircuitMeasurementSpec* CircuitMeasurementOfName(std::string_view name) {
    for (const CCircuitMeasurementSpec& spec : kCircuitMeasurements) {
        if (spec.name == name) {
            return &spec;
        }
    }
    return nullptr;
}

}  // namespace ohmrada
