// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Circuit.h"
#include "Configuration.h"

namespace ohmrada {

// The circuit choice in the design's file: the optional lines "Topo : ",
// "Filt : " and "Last : ", each written only when it differs from the plain
// circuit (one rail, no filter, a constant-current load), so that a design
// without them is saved exactly as before. R in ohms, C in microfarads, L in
// millihenries, as the command line takes them.
void WriteCircuitChoice(const CCircuitChoice& choice, CConfigExtras& extras);
// The choice the lines state; the plain circuit for lines not stated.
// Nothing when a stated line cannot be read (which a file the reader has
// accepted never has).
std::optional<CCircuitChoice> ReadCircuitChoice(const CConfigExtras& extras);

// The command line's texts: --topology single|dual, --filter
// none|rc:R,C|lc:L,R,C|choke:L,R, --load current|resistive. Nothing when the
// text is none of them (or a value is negative or not a number).
std::optional<ETopology> TopologyOfText(std::string_view text);
std::optional<CCircuitChoice> FilterOfText(std::string_view text);  // sets the filter's fields only
std::optional<ELoad> LoadOfText(std::string_view text);

// The filter's values in the order its texts give them, in their units (R
// in ohms, C in microfarads, L in millihenries); empty without a filter.
std::vector<double> FilterValues(const CCircuitChoice& choice);

}  // namespace ohmrada
