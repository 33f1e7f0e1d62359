// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

#include "InputTable.h"
#include "Sweep.h"

namespace ohmrada {

// The sweep's CSV, the same bytes from every front end (RFC 4180, CR LF after
// every record): the swept input by its key with its value as the form shows
// it (CDesign::Shown), the sixteen results by name, target_held, overloaded,
// and any further columns a caller adds (plain lower-case names; a value
// that is not finite is an empty field). Numbers are the shortest texts that
// read back as the same value.
std::string SweepCsvHeader(EInput input, const std::vector<std::string>& extra = {});
std::string SweepCsvRow(const CSweepPoint& point, EInput input,
                        const std::vector<double>& extra = {});

}  // namespace ohmrada
