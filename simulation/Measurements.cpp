// SPDX-License-Identifier: GPL-3.0-or-later
#include "Measurements.h"

namespace ohmrada {

const CMeasurementSpec* MeasurementOfName(std::string_view name) {
    for (const CMeasurementSpec& spec : kMeasurements) {
        if (spec.name == name) {
            return &spec;
        }
    }
    return nullptr;
}

}  // namespace ohmrada
