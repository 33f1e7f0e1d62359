// SPDX-License-Identifier: GPL-3.0-or-later
#include "Arguments.h"

#include <array>

#include "ControlIds.h"
#include "InputTable.h"
#include "Rectifier.h"
#include "TextEscape.h"

namespace ohmrada::cli {

namespace {

struct CCircuitName {
    std::string_view name;
    int buttonId;
};

constexpr std::array<CCircuitName, 3> kCircuitNames = {{
    {CRectifier::kHalfWave, kIdHalfWave},
    {CRectifier::kBridge, kIdBridge},
    {CRectifier::kCentreTap, kIdCentreTapCircuit},
}};

constexpr std::string_view kCentreTapKey = "Mitte";
constexpr std::string_view kCircuitKey = "GR_Sg";

}  // namespace

CParsed<CSetting> ParseMainsFrequency(const std::string& text) {
    CSetting setting;
    setting.kind = CSetting::EKind::kCommand;
    setting.argument = std::string(kMainsFrequencyOption) + ' ' + text;
    if (text == "50") {
        setting.id = kCmdMains50Hz;
    } else if (text == "60") {
        setting.id = kCmdMains60Hz;
    } else {
        return {std::nullopt, std::string(kMainsFrequencyOption) + " takes 50 or 60, not " +
                                  QuoteForDiagnostic(text)};
    }
    return {setting, {}};
}

CParsed<CSetting> ParseSetting(const std::string& argument) {
    const std::size_t equals = argument.find('=');
    if (equals == std::string::npos) {
        return {std::nullopt, "--set needs NAME=TEXT: " + QuoteForDiagnostic(argument)};
    }
    const std::string_view name = std::string_view(argument).substr(0, equals);
    const std::string_view text = std::string_view(argument).substr(equals + 1);
    CSetting setting;
    setting.argument = argument;
    if (name == kCentreTapKey) {
        if (text != "0" && text != "1") {
            return {std::nullopt, "--set Mitte takes 0 or 1, not " + QuoteForDiagnostic(text)};
        }
        setting.kind = CSetting::EKind::kCentreTap;
        setting.flag = text == "1";
        return {setting, {}};
    }
    if (name == kCircuitKey) {
        for (const CCircuitName& circuit : kCircuitNames) {
            if (text == circuit.name) {
                setting.kind = CSetting::EKind::kCircuit;
                setting.id = circuit.buttonId;
                return {setting, {}};
            }
        }
        return {std::nullopt, "--set GR_Sg takes einweg, bruecke or mittelpunkt, not " +
                                  QuoteForDiagnostic(text)};
    }
    if (const CInputSpec* input = InputOfKey(name)) {
        setting.kind = CSetting::EKind::kField;
        setting.id = input->fieldId;
        setting.text = std::string(text);
        return {setting, {}};
    }
    return {std::nullopt, "unknown --set name " + QuoteForDiagnostic(name)};
}

CParsed<EFormat> ParseFormat(const std::string& text, const std::vector<EFormat>& offered) {
    constexpr std::array<std::pair<std::string_view, EFormat>, 3> kNames = {{
        {"table", EFormat::kTable},
        {"json", EFormat::kJson},
        {"csv", EFormat::kCsv},
    }};
    std::string names;
    for (const auto& [name, format] : kNames) {
        bool isOffered = false;
        for (const EFormat o : offered) {
            isOffered = isOffered || o == format;
        }
        if (!isOffered) {
            continue;
        }
        if (text == name) {
            return {format, {}};
        }
        names.append(names.empty() ? "" : ", ").append(name);
    }
    const std::size_t last = names.rfind(", ");
    if (last != std::string::npos) {
        names.replace(last, 2, " or ");
    }
    return {std::nullopt, "--format takes " + names + ", not " + QuoteForDiagnostic(text)};
}

std::optional<CArgumentReader::CItem> CArgumentReader::Next() {
    if (AtEnd()) {
        return std::nullopt;
    }
    CItem item;
    const std::string& arg = m_args[m_next++];
    if (m_onlyInputs || arg == kStandardInput || arg.empty() || arg[0] != '-') {
        item.isInput = true;
        item.text = arg;
        return item;
    }
    if (arg == "--") {
        m_onlyInputs = true;
        return Next();
    }
    item.text = arg;
    if (const std::size_t equals = arg.find('='); equals != std::string::npos) {
        item.text = arg.substr(0, equals);
        item.inlineValue = arg.substr(equals + 1);
    }
    return item;
}

std::optional<std::string> CArgumentReader::ValueOf(const CItem& option) {
    if (option.inlineValue) {
        return option.inlineValue;
    }
    if (AtEnd()) {
        return std::nullopt;
    }
    return m_args[m_next++];
}

CParsed<CCommonOptions> ParseCommonOptions(const std::vector<std::string>& args,
                                           const std::vector<EFormat>& formats,
                                           const FOwnOption& own) {
    CCommonOptions options;
    options.format = formats.front();
    CArgumentReader reader(args);
    while (const std::optional<CArgumentReader::CItem> item = reader.Next()) {
        if (item->isInput) {
            options.inputs.push_back(item->text);
            continue;
        }
        const std::string& name = item->text;
        if (name == "--help" || name == "-h") {
            options.help = true;
            return {options, {}};
        }
        if (name != "--format" && name != "--set" && name != kMainsFrequencyOption) {
            const COwnOption outcome = own ? own(*item, reader) : COwnOption::Unknown();
            switch (outcome.kind) {
                case COwnOption::EKind::kUnknown:
                    return {std::nullopt, "unknown option " + QuoteForDiagnostic(name)};
                case COwnOption::EKind::kProblem:
                    return {std::nullopt, outcome.problem};
                case COwnOption::EKind::kTakenAndDone:
                    return {options, {}};
                case COwnOption::EKind::kTaken:
                    continue;
            }
        }
        const std::optional<std::string> value = reader.ValueOf(*item);
        if (!value) {
            return {std::nullopt, name + " needs a value"};
        }
        if (name == kMainsFrequencyOption) {
            CParsed<CSetting> setting = ParseMainsFrequency(*value);
            if (!setting.value) {
                return {std::nullopt, setting.problem};
            }
            options.settings.push_back(std::move(*setting.value));
        } else if (name == "--format") {
            const CParsed<EFormat> format = ParseFormat(*value, formats);
            if (!format.value) {
                return {std::nullopt, format.problem};
            }
            options.format = *format.value;
        } else {
            CParsed<CSetting> setting = ParseSetting(*value);
            if (!setting.value) {
                return {std::nullopt, setting.problem};
            }
            options.settings.push_back(std::move(*setting.value));
        }
    }
    return {options, {}};
}

CParsed<std::string> ReadFileName(const CArgumentReader::CItem& option, CArgumentReader& reader,
                                  bool alreadyGiven) {
    const std::optional<std::string> value = reader.ValueOf(option);
    if (!value) {
        return {std::nullopt, option.text + " needs a value"};
    }
    if (alreadyGiven) {
        return {std::nullopt, option.text + " given more than once"};
    }
    if (value->empty() || *value == kStandardInput) {
        return {std::nullopt, option.text + " needs a file name"};
    }
    return {*value, {}};
}

}  // namespace ohmrada::cli
