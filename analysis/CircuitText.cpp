// SPDX-License-Identifier: GPL-3.0-or-later
#include "CircuitText.h"

#include <array>
#include <charconv>
#include <cmath>
#include <vector>

#include "NumberText.h"

namespace ohmrada {

namespace {

// Parts of text split at any of the separators; an empty part stays.
std::vector<std::string_view> Split(std::string_view text, std::string_view separators) {
    std::vector<std::string_view> parts;
    while (true) {
        const std::size_t at = text.find_first_of(separators);
        parts.push_back(text.substr(0, at));
        if (at == std::string_view::npos) {
            return parts;
        }
        text.remove_prefix(at + 1);
    }
}

std::optional<double> Value(std::string_view text) {
    double value = 0.0;
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value);
    if (text.empty() || result.ec != std::errc() || result.ptr != end || !std::isfinite(value) ||
        value < 0.0 || value >= 1e6) {
        return std::nullopt;
    }
    return value;
}

// A filter of a name and its values (R ohm, C uF, L mH): rc R C, lc L R C,
// choke L R.
std::optional<CCircuitChoice> Filter(EFilter filter, const std::vector<std::string_view>& values) {
    const std::size_t wanted = filter == EFilter::kLc ? 3 : 2;
    if (values.size() != wanted) {
        return std::nullopt;
    }
    std::vector<double> numbers;
    for (std::string_view text : values) {
        const std::optional<double> value = Value(text);
        if (!value) {
            return std::nullopt;
        }
        numbers.push_back(*value);
    }
    CCircuitChoice choice;
    choice.filter = filter;
    switch (filter) {
        case EFilter::kRc:
            choice.filterResistanceOhm = numbers[0];
            choice.filterCapacitanceF = numbers[1] * 1e-6;
            break;
        case EFilter::kLc:
            choice.filterInductanceH = numbers[0] * 1e-3;
            choice.filterResistanceOhm = numbers[1];
            choice.filterCapacitanceF = numbers[2] * 1e-6;
            break;
        case EFilter::kChoke:
            choice.filterInductanceH = numbers[0] * 1e-3;
            choice.filterResistanceOhm = numbers[1];
            break;
        case EFilter::kNone:
            break;
    }
    return choice;
}

// The shortest text of a value in its unit that Filter reads back as
// exactly the value held: held is in SI units, fromUnit what Filter
// multiplies by. A capacitance typed as 2200 microfarads is held as
// 2200 x 1e-6 farads, and written as 2200 (its plain shortest text,
// 2199.9999999999995, would read back as the same farads but not as what
// was typed).
std::string UnitText(double held, double fromUnit) {
    const double inUnit = held / fromUnit;
    for (int precision = 1; precision <= 17; ++precision) {
        std::array<char, 40> text{};
        const auto written = std::to_chars(text.data(), text.data() + text.size(), inUnit,
                                           std::chars_format::general, precision);
        if (written.ec != std::errc()) {
            break;
        }
        // The value at this precision, written as the file writes numbers
        // (2980, not 2.98e+03).
        const std::optional<double> rounded = Value(
            std::string_view(text.data(), static_cast<std::size_t>(written.ptr - text.data())));
        if (!rounded) {
            continue;
        }
        std::string candidate = ShortestNumber(*rounded);
        const std::optional<double> read = Value(candidate);
        if (read && (fromUnit == 1.0 ? *read : *read * fromUnit) == held) {
            return candidate;
        }
    }
    return ShortestNumber(inUnit);
}

}  // namespace

std::vector<double> FilterValues(const CCircuitChoice& choice) {
    const double ohm = choice.filterResistanceOhm;
    const double microfarad = choice.filterCapacitanceF * 1e6;
    const double millihenry = choice.filterInductanceH * 1e3;
    switch (choice.filter) {
        case EFilter::kRc:
            return {ohm, microfarad};
        case EFilter::kLc:
            return {millihenry, ohm, microfarad};
        case EFilter::kChoke:
            return {millihenry, ohm};
        case EFilter::kNone:
            break;
    }
    return {};
}

void WriteCircuitChoice(const CCircuitChoice& choice, CConfigExtras& extras) {
    extras.values[kExtraTopology] =
        choice.topology == ETopology::kDual ? std::string(kDualTopology) : std::string();
    extras.values[kExtraFilter].clear();
    if (choice.filter != EFilter::kNone) {
        const std::size_t name = choice.filter == EFilter::kRc   ? 0
                                 : choice.filter == EFilter::kLc ? 1
                                                                 : 2;
        // In the order and units FilterValues gives them.
        std::vector<std::string> values;
        const std::string ohm = UnitText(choice.filterResistanceOhm, 1.0);
        const std::string microfarad = UnitText(choice.filterCapacitanceF, 1e-6);
        const std::string millihenry = UnitText(choice.filterInductanceH, 1e-3);
        if (choice.filter == EFilter::kRc) {
            values = {ohm, microfarad};
        } else if (choice.filter == EFilter::kLc) {
            values = {millihenry, ohm, microfarad};
        } else {
            values = {millihenry, ohm};
        }
        std::string line(kFilterNames[name]);
        for (const std::string& value : values) {
            line += " " + value;
        }
        extras.values[kExtraFilter] = line;
    }
    extras.values[kExtraLoad] =
        choice.load == ELoad::kResistive ? std::string(kResistiveLoad) : std::string();
}

std::optional<CCircuitChoice> ReadCircuitChoice(const CConfigExtras& extras) {
    CCircuitChoice choice;
    const std::string& topology = extras.values[kExtraTopology];
    const std::string& load = extras.values[kExtraLoad];
    if (!topology.empty()) {
        if (topology != kDualTopology) {
            return std::nullopt;
        }
        choice.topology = ETopology::kDual;
    }
    if (!load.empty()) {
        if (load != kResistiveLoad) {
            return std::nullopt;
        }
        choice.load = ELoad::kResistive;
    }
    const std::string& filter = extras.values[kExtraFilter];
    if (!filter.empty()) {
        const std::vector<std::string_view> words = Split(filter, " ");
        const std::vector<std::string_view> values(words.begin() + 1, words.end());
        std::optional<CCircuitChoice> read;
        if (words[0] == kFilterNames[0]) {
            read = Filter(EFilter::kRc, values);
        } else if (words[0] == kFilterNames[1]) {
            read = Filter(EFilter::kLc, values);
        } else if (words[0] == kFilterNames[2]) {
            read = Filter(EFilter::kChoke, values);
        }
        if (!read) {
            return std::nullopt;
        }
        read->topology = choice.topology;
        read->load = choice.load;
        choice = *read;
    }
    return choice;
}

std::optional<ETopology> TopologyOfText(std::string_view text) {
    if (text == "single") {
        return ETopology::kSingle;
    }
    if (text == "dual") {
        return ETopology::kDual;
    }
    return std::nullopt;
}

std::optional<CCircuitChoice> FilterOfText(std::string_view text) {
    if (text == "none") {
        return CCircuitChoice{};
    }
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos) {
        return std::nullopt;
    }
    const std::string_view name = text.substr(0, colon);
    const std::vector<std::string_view> values = Split(text.substr(colon + 1), ",");
    if (name == "rc") {
        return Filter(EFilter::kRc, values);
    }
    if (name == "lc") {
        return Filter(EFilter::kLc, values);
    }
    if (name == "choke") {
        return Filter(EFilter::kChoke, values);
    }
    return std::nullopt;
}

std::optional<ELoad> LoadOfText(std::string_view text) {
    if (text == "current") {
        return ELoad::kCurrent;
    }
    if (text == "resistive") {
        return ELoad::kResistive;
    }
    return std::nullopt;
}

}  // namespace ohmrada
