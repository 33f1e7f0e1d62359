// SPDX-License-Identifier: GPL-3.0-or-later
#include "Configuration.h"

#include "NumberText.h"

namespace ohmrada {

const std::array<std::string_view, kConfigLineCount> kConfigKeys = {
    "Mitte: ", "NennU: ", "LeerU: ", "NennI: ", "GR_Sg: ", "DiffU: ", "BahnR: ",
    "KondC: ", "Ubger: ", "Ib   : ", "Rja  : ", "Tu   : ", "DeltU: ", "ReglR: ",
};

bool WriteConfiguration(CLineSink& sink, const std::array<std::string, kConfigLineCount>& values) {
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
    return true;
}

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
    return true;
}

}  // namespace ohmrada
