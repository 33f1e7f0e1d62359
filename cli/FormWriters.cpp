// SPDX-License-Identifier: GPL-3.0-or-later
#include "FormWriters.h"

#include <ostream>
#include <string_view>

#include "ControlIds.h"
#include "Evaluation.h"
#include "FormText.h"
#include "FormTexts.h"
#include "NamedValues.h"
#include "NumberText.h"
#include "TextEscape.h"
#include "TextTable.h"

namespace ohmrada::cli {

namespace {

using res::CControlTemplate;
using res::EControlKind;

}  // namespace

void WriteFormTable(const std::vector<CFormView>& views, std::ostream& out) {
    constexpr std::size_t kLabelWidth = 28;
    constexpr std::size_t kValueWidth = 10;
    const std::vector<const CControlTemplate*> controls = res::ValueControls();
    std::string text;
    for (std::size_t index = 0; index < views.size(); ++index) {
        const CFormView& view = views[index];
        if (index != 0) {
            text.push_back('\n');
        }
        text.append(Tr(kInputPrefix)).append(InputTitle(view.input)).push_back('\n');
        // A 50 Hz design is shown as it always was; another frequency says so.
        if (view.design.mainsFrequency != kDefaultMainsFrequency) {
            text.append(Tr(kMainsFrequencyPrefix))
                .append(std::to_string(static_cast<long long>(view.design.mainsFrequency)))
                .append(" Hz\n");
        }
        std::string_view group;
        for (std::size_t row = 0; row < controls.size(); ++row) {
            const CControlTemplate& control = *controls[row];
            const res::CFieldTexts texts = res::FieldTextsOf(control.id);
            if (texts.group != group) {
                group = texts.group;
                text.push_back('\n');
                text.append(Tr(group)).push_back('\n');
            }
            text.append("  ");
            switch (control.kind) {
                case EControlKind::kCheckBox:
                    text.append(view.centreTapChecked ? "[x] " : "[ ] ").append(Tr(texts.label));
                    break;
                case EControlKind::kRadioButton:
                    text.append(view.rectifierButton == control.id ? "(*) " : "( ) ")
                        .append(Tr(texts.label));
                    if (control.id == kIdCentreTapCircuit && !view.centreTapEnabled) {
                        text.append(Tr(kDisabledMark));
                    }
                    break;
                default: {
                    const std::string& value = view.texts[row];
                    AppendLeft(text, Tr(texts.label), kLabelWidth);
                    AppendRight(text, ShownValue(value), kValueWidth, 0);
                    text.push_back(' ');
                    text.append(Tr(texts.unit));
                    break;
                }
            }
            text.push_back('\n');
        }
        text.push_back('\n');
        for (const std::string& message : view.messages) {
            text.append(Tr(kMessagePrefix)).append(message).push_back('\n');
        }
        text.append(Tr(kBeepsPrefix)).append(std::to_string(view.beeps)).push_back('\n');
    }
    out << text;
}

void WriteFormJson(const std::vector<CFormView>& views, std::ostream& out) {
    const std::vector<const CControlTemplate*> controls = res::ValueControls();
    std::string text = "[";
    for (std::size_t index = 0; index < views.size(); ++index) {
        const CFormView& view = views[index];
        text.append(index == 0 ? "\n" : ",\n");
        text.append("  {\n    \"input\": ");
        text.append(JsonStringOrNull(view.input));
        text.append(",\n    \"fields\": {");
        bool first = true;
        for (std::size_t row = 0; row < controls.size(); ++row) {
            if (controls[row]->kind != EControlKind::kEdit) {
                continue;
            }
            text.append(first ? "\n      " : ",\n      ");
            first = false;
            text.append(JsonString(std::to_string(controls[row]->id)))
                .append(": ")
                .append(JsonString(view.texts[row]));
        }
        text.append("\n    },\n    \"inputs\": ").append(JsonObject(InputsAsJson(view.design), 6));
        text.append(",\n    \"mains_frequency_hz\": ")
            .append(JsonNumber(view.design.mainsFrequency));
        text.append(",\n    \"results\": ")
            .append(JsonObject(ResultsAsJson(Evaluate(view.design)), 6));
        text.append(",\n    \"centre_tap_checked\": ").append(BoolText(view.centreTapChecked));
        text.append(",\n    \"centre_tap_button_enabled\": ")
            .append(BoolText(view.centreTapEnabled));
        text.append(",\n    \"rectifier_button\": ")
            .append(view.rectifierButton ? std::to_string(*view.rectifierButton) : "null");
        text.append(",\n    \"messages\": ")
            .append(std::to_string(static_cast<long long>(view.messages.size())));
        text.append(",\n    \"beeps\": ").append(std::to_string(view.beeps));
        text.append("\n  }");
    }
    text.append(views.empty() ? "]\n" : "\n]\n");
    out << text;
}

void WriteFormCsv(const std::vector<CFormView>& views, std::ostream& out) {
    const std::vector<const CControlTemplate*> controls = res::ValueControls();
    // RFC 4180: CR LF after every record.
    std::string text = "input";
    for (const CControlTemplate* control : controls) {
        if (control->kind == EControlKind::kEdit) {
            text.append(",").append(std::to_string(control->id));
        }
    }
    text.append(",centre_tap_checked,centre_tap_button_enabled,rectifier_button,messages,beeps");
    const CDesign startUp = CDesign::StartUp();
    for (const auto& [name, value] : InputsAsCsv(startUp)) {
        text.append(",").append(name);
    }
    for (const auto& [name, value] : ResultsAsCsv(Evaluate(startUp))) {
        text.append(",").append(name);
    }
    text.append("\r\n");
    for (const CFormView& view : views) {
        text.append(view.input ? CsvField(*view.input) : std::string());
        for (std::size_t row = 0; row < controls.size(); ++row) {
            if (controls[row]->kind == EControlKind::kEdit) {
                text.append(",").append(CsvField(view.texts[row]));
            }
        }
        text.append(",").append(BoolText(view.centreTapChecked));
        text.append(",").append(BoolText(view.centreTapEnabled));
        text.append(",").append(view.rectifierButton ? std::to_string(*view.rectifierButton) : "");
        text.append(",").append(std::to_string(static_cast<long long>(view.messages.size())));
        text.append(",").append(std::to_string(view.beeps));
        for (const auto& [name, value] : InputsAsCsv(view.design)) {
            text.append(",").append(value);
        }
        for (const auto& [name, value] : ResultsAsCsv(Evaluate(view.design))) {
            text.append(",").append(value);
        }
        text.append("\r\n");
    }
    out << text;
}

}  // namespace ohmrada::cli
