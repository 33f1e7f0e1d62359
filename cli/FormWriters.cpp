// SPDX-License-Identifier: GPL-3.0-or-later
#include "FormWriters.h"

#include <charconv>
#include <ostream>
#include <string_view>

#include "ControlIds.h"
#include "Evaluation.h"
#include "FormText.h"
#include "FormTexts.h"
#include "NamedValues.h"
#include "TextEscape.h"

namespace ohmrada::cli {

namespace {

using res::CControlTemplate;
using res::EControlKind;

std::string ToText(long long value) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string_view BoolText(bool value) {
    return value ? "true" : "false";
}

void Pad(std::string& out, std::size_t width, std::size_t to) {
    if (width < to) {
        out.append(to - width, ' ');
    }
}

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
        text.append(kInputPrefix).append(InputTitle(view.input)).push_back('\n');
        // A 50 Hz design is shown as it always was; another frequency says so.
        if (view.design.mainsFrequency != kDefaultMainsFrequency) {
            text.append(kMainsFrequencyPrefix)
                .append(ToText(static_cast<long long>(view.design.mainsFrequency)))
                .append(" Hz\n");
        }
        std::string_view group;
        for (std::size_t row = 0; row < controls.size(); ++row) {
            const CControlTemplate& control = *controls[row];
            const res::CFieldTexts texts = res::FieldTextsOf(control.id);
            if (texts.group != group) {
                group = texts.group;
                text.push_back('\n');
                text.append(group).push_back('\n');
            }
            text.append("  ");
            switch (control.kind) {
                case EControlKind::kCheckBox:
                    text.append(view.centreTapChecked ? "[x] " : "[ ] ").append(texts.label);
                    break;
                case EControlKind::kRadioButton:
                    text.append(view.rectifierButton == control.id ? "(*) " : "( ) ")
                        .append(texts.label);
                    if (control.id == kIdCentreTapCircuit && !view.centreTapEnabled) {
                        text.append(kDisabledMark);
                    }
                    break;
                default: {
                    const std::string& value = view.texts[row];
                    text.append(texts.label);
                    Pad(text, DisplayWidth(texts.label), kLabelWidth);
                    Pad(text, DisplayWidth(value), kValueWidth);
                    text.append(value).push_back(' ');
                    text.append(texts.unit);
                    break;
                }
            }
            text.push_back('\n');
        }
        text.push_back('\n');
        for (const std::string& message : view.messages) {
            text.append(kMessagePrefix).append(message).push_back('\n');
        }
        text.append(kBeepsPrefix).append(ToText(view.beeps)).push_back('\n');
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
        text.append(view.input ? JsonString(*view.input) : std::string("null"));
        text.append(",\n    \"fields\": {");
        bool first = true;
        for (std::size_t row = 0; row < controls.size(); ++row) {
            if (controls[row]->kind != EControlKind::kEdit) {
                continue;
            }
            text.append(first ? "\n      " : ",\n      ");
            first = false;
            text.append(JsonString(ToText(controls[row]->id)))
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
            .append(view.rectifierButton ? ToText(*view.rectifierButton) : "null");
        text.append(",\n    \"messages\": ")
            .append(ToText(static_cast<long long>(view.messages.size())));
        text.append(",\n    \"beeps\": ").append(ToText(view.beeps));
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
            text.append(",").append(ToText(control->id));
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
        text.append(",").append(view.rectifierButton ? ToText(*view.rectifierButton) : "");
        text.append(",").append(ToText(static_cast<long long>(view.messages.size())));
        text.append(",").append(ToText(view.beeps));
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
