// SPDX-License-Identifier: GPL-3.0-or-later
#include "Configuration.h"

#include <algorithm>
#include <span>
#include <vector>

#include "NumberText.h"

namespace ohmrada {

const std::array<std::string_view, kConfigLineCount> kConfigKeys = {
    "Mitte: ", "NennU: ", "LeerU: ", "NennI: ", "GR_Sg: ", "DiffU: ", "BahnR: ",
    "KondC: ", "Ubger: ", "Ib   : ", "Rja  : ", "Tu   : ", "DeltU: ", "ReglR: ",
};

const std::array<std::string_view, kExtraLineCount> kExtraKeys = {
    "Netz : ", "Trafo: ", "Diode: ", "Elko : ", "Regl : ",
    "Kuehl: ", "Topo : ", "Filt : ", "Last : ",
};

bool CConfigExtras::Empty() const {
    for (const std::string& value : values) {
        if (!value.empty()) {
            return false;
        }
    }
    return true;
}

namespace {

bool Contains(std::span<const std::string_view> names, std::string_view text) {
    return std::find(names.begin(), names.end(), text) != names.end();
}

// The words of text, split at single blanks; empty when a word is empty.
std::vector<std::string_view> Words(std::string_view text) {
    std::vector<std::string_view> words;
    while (true) {
        const std::size_t blank = text.find(' ');
        words.push_back(text.substr(0, blank));
        if (words.back().empty()) {
            return {};
        }
        if (blank == std::string_view::npos) {
            return words;
        }
        text.remove_prefix(blank + 1);
    }
}

// A catalogue id: printable ASCII without blanks, as the catalogues write them.
bool IsPartId(std::string_view text) {
    constexpr std::size_t kMaxIdLength = 200;
    return !text.empty() && text.size() <= kMaxIdLength &&
           std::all_of(text.begin(), text.end(), [](char c) { return c > ' ' && c < 0x7f; });
}

// A tolerance in percent as the analysis takes it: a plain number, 0 to 50.
bool IsTolerance(std::string_view text) {
    if (text.empty() || text.size() > 16 || !std::all_of(text.begin(), text.end(), [](char c) {
            return (c >= '0' && c <= '9') || c == '.';
        })) {
        return false;
    }
    const float value = ReadNumber(std::string(text));
    return value >= 0.0f && value <= 50.0f;
}

// A filter's value: a number of 0 or more as the program writes it (digits, a
// point, an exponent), below a million.
bool IsFilterValue(std::string_view text) {
    if (text.empty() || text.size() > 24 || !std::all_of(text.begin(), text.end(), [](char c) {
            return (c >= '0' && c <= '9') || c == '.' || c == 'e' || c == '-' || c == '+';
        })) {
        return false;
    }
    const float value = ReadNumber(std::string(text));
    return value >= 0.0f && value < 1e6f;
}

// "rc R C", "lc L R C", "drossel L R".
bool IsFilter(const std::vector<std::string_view>& words) {
    if (words.empty()) {
        return false;
    }
    const std::size_t values = words[0] == kFilterNames[0]   ? 2
                               : words[0] == kFilterNames[1] ? 3
                               : words[0] == kFilterNames[2] ? 2
                                                             : 0;
    return values != 0 && words.size() == values + 1 &&
           std::all_of(words.begin() + 1, words.end(), IsFilterValue);
}

}  // namespace

bool IsValidExtraValue(EExtraLine line, std::string_view text) {
    const std::vector<std::string_view> words = Words(text);
    switch (line) {
        case kExtraRegion:
            return (words.size() == 1 && Contains(kMainsRegionIds, words[0])) ||
                   (words.size() == 2 && IsTolerance(words[0]) && IsTolerance(words[1]));
        case kExtraTransformer:
            return (words.size() == 1 || words.size() == 2) && IsPartId(words[0]) &&
                   (words.size() == 1 || Contains(kConnectionNames, words[1]));
        case kExtraRectifier:
        case kExtraCapacitor:
            return words.size() == 1 && IsPartId(words[0]);
        case kExtraRegulator:
        case kExtraHeatSink:
            // A symmetric supply's second: the negative rail's.
            return (words.size() == 1 || words.size() == 2) &&
                   std::all_of(words.begin(), words.end(), IsPartId);
        case kExtraTopology:
            return words.size() == 1 && words[0] == kDualTopology;
        case kExtraFilter:
            return IsFilter(words);
        case kExtraLoad:
            return words.size() == 1 && words[0] == kResistiveLoad;
        case kExtraLineCount:
            break;
    }
    return false;
}

bool WriteConfiguration(CLineSink& sink, const std::array<std::string, kConfigLineCount>& values,
                        float mainsFrequency, const CConfigExtras& extras) {
    std::string line;
    for (std::size_t i = 0; i < kConfigLineCount; ++i) {
        line.assign(kConfigKeys[i]);
        for (const char c : values[i]) {
            line.push_back(c == '\r' || c == '\n' ? ' ' : c);
        }
        if (!sink.WriteLine(line)) {
            return false;
        }
    }
    if (mainsFrequency != 50.0f) {
        line.assign(kFrequencyKey);
        line += FormatFieldValue(mainsFrequency, 0);
        if (!sink.WriteLine(line)) {
            return false;
        }
    }
    for (std::size_t i = 0; i < kExtraLineCount; ++i) {
        const std::string& value = extras.values[i];
        if (value.empty() || !IsValidExtraValue(static_cast<EExtraLine>(i), value)) {
            continue;
        }
        line.assign(kExtraKeys[i]);
        line += value;
        if (!sink.WriteLine(line)) {
            return false;
        }
    }
    return true;
}

namespace {

std::string_view Trimmed(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!text.empty() && blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && blank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// The fifteenth line, if it is a frequency line; false when it is none.
bool ReadFrequencyLine(const std::string& line, CConfiguration& configuration) {
    constexpr std::string_view kMarker = "NetzF:";
    if (line.compare(0, kMarker.size(), kMarker) != 0) {
        return false;
    }
    const std::string_view value = Trimmed(std::string_view(line).substr(kMarker.size()));
    if (value == "50") {
        configuration.mainsFrequency = 50.0f;
    } else if (value == "60") {
        configuration.mainsFrequency = 60.0f;
    } else {
        configuration.frequencyLineValid = false;
    }
    return true;
}

// One line after the fourteen and NetzF: an optional line later in the order
// than next (which it advances), or a blank line. False: refused.
bool ReadExtraLine(const std::string& line, std::size_t& next, CConfiguration& configuration) {
    if (Trimmed(line).empty()) {
        return true;
    }
    for (std::size_t i = next; i < kExtraLineCount; ++i) {
        if (line.compare(0, kExtraKeys[i].size(), kExtraKeys[i]) != 0) {
            continue;
        }
        const std::string_view value = Trimmed(std::string_view(line).substr(kExtraKeys[i].size()));
        if (!IsValidExtraValue(static_cast<EExtraLine>(i), value)) {
            return false;
        }
        configuration.extras.values[i] = std::string(value);
        next = i + 1;
        return true;
    }
    return false;
}

}  // namespace

bool ReadLineText(CLineSource& source, std::string& text) {
    const CLineSource::EResult result = source.ReadLine(text);
    if (result == CLineSource::EResult::kError) {
        return false;
    }
    text.erase(0, kConfigKeyLength);
    return true;
}

bool ReadLineValue(CLineSource& source, float& value) {
    std::string text;
    if (!ReadLineText(source, text)) {
        return false;
    }
    value = ReadNumber(text);
    return true;
}

bool ReadConfiguration(CLineSource& source, CConfiguration& configuration) {
    configuration.lineCount = 0;
    std::string text;
    for (std::size_t i = 0; i < kConfigLineCount; ++i) {
        const CLineSource::EResult result = source.ReadLine(text);
        if (result == CLineSource::EResult::kError) {
            return false;
        }
        if (result == CLineSource::EResult::kLine) {
            ++configuration.lineCount;
        }
        text.erase(0, kConfigKeyLength);
        if (i == kLineGR_Sg) {
            configuration.circuit = text;
            continue;
        }
        const float value = ReadNumber(text);
        configuration.numbers[i] = value;
        if (i == kLineMitte) {
            configuration.centreTap = value == 1.0f ? 1 : 0;
        }
    }
    configuration.mainsFrequency = 50.0f;
    configuration.frequencyLineValid = true;
    configuration.extras = {};
    configuration.refusedLineNumber = 0;
    configuration.refusedLine.clear();
    if (configuration.lineCount < static_cast<int>(kConfigLineCount)) {
        return true;
    }
    std::size_t nextExtra = 0;
    for (int number = kFrequencyLineNumber;; ++number) {
        const CLineSource::EResult result = source.ReadLine(text);
        if (result == CLineSource::EResult::kError) {
            return false;
        }
        if (result == CLineSource::EResult::kEnd) {
            return true;
        }
        if (number == kFrequencyLineNumber && ReadFrequencyLine(text, configuration)) {
            if (!configuration.frequencyLineValid) {
                return true;
            }
            continue;
        }
        if (number > static_cast<int>(kConfigLineCount) + kMaxExtraLines ||
            !ReadExtraLine(text, nextExtra, configuration)) {
            configuration.refusedLineNumber = number;
            configuration.refusedLine = text;
            return true;
        }
    }
}

}  // namespace ohmrada
