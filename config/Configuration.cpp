// SPDX-License-Identifier: GPL-3.0-or-later
#include "Configuration.h"

#include "NumberText.h"

namespace ohmrada {

const std::array<std::string_view, kConfigLineCount> kConfigKeys = {
    "Mitte: ", "NennU: ", "LeerU: ", "NennI: ", "GR_Sg: ", "DiffU: ", "BahnR: ",
    "KondC: ", "Ubger: ", "Ib   : ", "Rja  : ", "Tu   : ", "DeltU: ", "ReglR: ",
};

bool WriteConfiguration(CLineSink& sink, const std::array<std::string, kConfigLineCount>& values,
                        float mainsFrequency) {
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
        return sink.WriteLine(line);
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

// The fifteenth line, if it is a frequency line.
void ReadFrequencyLine(const std::string& line, CConfiguration& configuration) {
    constexpr std::string_view kMarker = "NetzF:";
    if (line.compare(0, kMarker.size(), kMarker) != 0) {
        return;
    }
    const std::string_view value = Trimmed(std::string_view(line).substr(kMarker.size()));
    if (value == "50") {
        configuration.mainsFrequency = 50.0f;
    } else if (value == "60") {
        configuration.mainsFrequency = 60.0f;
    } else {
        configuration.frequencyLineValid = false;
    }
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
    if (configuration.lineCount == static_cast<int>(kConfigLineCount)) {
        const CLineSource::EResult result = source.ReadLine(text);
        if (result == CLineSource::EResult::kError) {
            return false;
        }
        if (result == CLineSource::EResult::kLine) {
            ReadFrequencyLine(text, configuration);
        }
    }
    return true;
}

}  // namespace ohmrada
