// SPDX-License-Identifier: GPL-3.0-or-later
#include "SweepTable.h"

#include "NumberText.h"
#include "Results.h"

namespace ohmrada {

std::string SweepCsvHeader(EInput input, const std::vector<std::string>& extra) {
    std::string text(InputSpec(input).key);
    for (const CResultSpec& result : kResults) {
        text.append(",").append(result.name);
    }
    text.append(",target_held,overloaded");
    for (const std::string& name : extra) {
        text.append(",").append(name);
    }
    return text.append("\r\n");
}

std::string SweepCsvRow(const CSweepPoint& point, EInput input, const std::vector<double>& extra) {
    std::string text = ShortestNumber(point.design.Shown(input));
    for (const CResultSpec& result : kResults) {
        text.append(",").append(ShortestNumber(point.evaluation[result.result]));
    }
    text.append(",").append(BoolText(point.targetHeld));
    text.append(",").append(BoolText(point.overloaded));
    for (const double value : extra) {
        text.append(",").append(ShortestNumber(value));
    }
    return text.append("\r\n");
}

}  // namespace ohmrada
