// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "Design.h"
#include "Evaluation.h"

namespace ohmrada::cli {

// A design's fourteen inputs and an evaluation's sixteen results by their
// names outside the form, as (name, value) pairs in file and form order:
// numbers as JSON numbers (null where undefined), the circuit as a JSON
// string. The JSON and CSV writers of every command name values this way.
std::vector<std::pair<std::string_view, std::string>> InputsAsJson(const CDesign& design);
std::vector<std::pair<std::string_view, std::string>> ResultsAsJson(const CEvaluation& evaluation);

// The same values as CSV fields: numbers in their shortest form, empty where
// undefined, the circuit quoted where it must be.
std::vector<std::pair<std::string_view, std::string>> InputsAsCsv(const CDesign& design);
std::vector<std::pair<std::string_view, std::string>> ResultsAsCsv(const CEvaluation& evaluation);

// A JSON object of (name, JSON value) pairs, each member on its own line
// indented by `indent` blanks, the closing brace by indent - 2.
std::string JsonObject(const std::vector<std::pair<std::string_view, std::string>>& members,
                       int indent);

}  // namespace ohmrada::cli
