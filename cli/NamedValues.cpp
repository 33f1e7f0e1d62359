// SPDX-License-Identifier: GPL-3.0-or-later
#include "NamedValues.h"

#include "TextEscape.h"

namespace ohmrada::cli {

namespace {

constexpr std::string_view kCentreTapKey = "Mitte";
constexpr std::string_view kCircuitKey = "GR_Sg";

// Inputs in file order: Mitte, the three transformer numbers, GR_Sg, the rest.
template <class Number, class Text>
std::vector<std::pair<std::string_view, std::string>> Inputs(const CDesign& design, Number number,
                                                             Text text) {
    std::vector<std::pair<std::string_view, std::string>> members;
    members.emplace_back(kCentreTapKey, design.centreTap != 0 ? "1" : "0");
    for (const CInputSpec& spec : kInputs) {
        if (spec.line == kLineDiffU) {
            members.emplace_back(kCircuitKey, text(design.circuit));
        }
        members.emplace_back(spec.key, number(design[spec.input]));
    }
    return members;
}

template <class Number>
std::vector<std::pair<std::string_view, std::string>> Results(const CEvaluation& evaluation,
                                                              Number number) {
    std::vector<std::pair<std::string_view, std::string>> members;
    for (const CResultSpec& spec : kResults) {
        members.emplace_back(spec.name, number(evaluation[spec.result]));
    }
    return members;
}

std::string JsonFloat(float value) {
    return JsonNumber(value);
}
std::string CsvFloat(float value) {
    return ShortestNumber(value);
}
std::string JsonText(const std::string& text) {
    return JsonString(text);
}
std::string CsvText(const std::string& text) {
    return CsvField(text);
}

}  // namespace

std::vector<std::pair<std::string_view, std::string>> InputsAsJson(const CDesign& design) {
    return Inputs(design, JsonFloat, JsonText);
}

std::vector<std::pair<std::string_view, std::string>> ResultsAsJson(const CEvaluation& evaluation) {
    return Results(evaluation, JsonFloat);
}

std::vector<std::pair<std::string_view, std::string>> InputsAsCsv(const CDesign& design) {
    return Inputs(design, CsvFloat, CsvText);
}

std::vector<std::pair<std::string_view, std::string>> ResultsAsCsv(const CEvaluation& evaluation) {
    return Results(evaluation, CsvFloat);
}

std::string JsonObject(const std::vector<std::pair<std::string_view, std::string>>& members,
                       int indent) {
    const std::string pad(static_cast<std::size_t>(indent), ' ');
    std::string text = "{";
    for (std::size_t i = 0; i < members.size(); ++i) {
        text.append(i == 0 ? "\n" : ",\n").append(pad);
        text.append(JsonString(members[i].first)).append(": ").append(members[i].second);
    }
    text.append("\n").append(pad.substr(0, pad.size() >= 2 ? pad.size() - 2 : 0)).append("}");
    return text;
}

}  // namespace ohmrada::cli
