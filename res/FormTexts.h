// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdlib>
#include <string_view>
#include <vector>

#include "FormTemplate.h"

// The texts the form shows beside each of its value controls, found in the
// form template by position, so that the template stays their one source:
// every front end that names a field the way the window does (ohmrada-calc's
// table, the analysis windows, the report) asks here.

namespace ohmrada::res {

struct CFieldTexts {
    std::string_view label;  // the field's label, or the button's own text
    std::string_view unit;   // empty for the check box and the radio buttons
    std::string_view group;  // the caption of the group box around it
};

namespace detail {

constexpr bool Contains(const CControlTemplate& box, const CControlTemplate& control) {
    return control.x >= box.x && control.y >= box.y &&
           control.x + control.width <= box.x + box.width &&
           control.y + control.height <= box.y + box.height;
}

constexpr const CControlTemplate* GroupBoxOf(const CControlTemplate& control) {
    for (const CControlTemplate& box : form::kControls) {
        if (box.kind == EControlKind::kGroupBox && Contains(box, control)) {
            return &box;
        }
    }
    return nullptr;
}

constexpr int VerticalDistance(const CControlTemplate& a, const CControlTemplate& b) {
    const int d = (a.y + a.height / 2) - (b.y + b.height / 2);
    return d < 0 ? -d : d;
}

}  // namespace detail

// The value controls (fields, the check box, the radio buttons) in the
// template's order: the tab order of the inputs, then the results from top
// to bottom.
inline std::vector<const CControlTemplate*> ValueControls() {
    std::vector<const CControlTemplate*> controls;
    for (const CControlTemplate& control : form::kControls) {
        if (control.kind == EControlKind::kEdit || control.kind == EControlKind::kCheckBox ||
            control.kind == EControlKind::kRadioButton) {
            controls.push_back(&control);
        }
    }
    return controls;
}

// The texts of a value control. A field's unit stands right of it on the
// same line; its label is the lowest other text of its group box, left of
// the unit column, that starts no lower than the field's middle (beside the
// field or just above it). A button's label is its own text.
constexpr CFieldTexts FieldTextsOf(int id) {
    const CControlTemplate* control = nullptr;
    for (const CControlTemplate& candidate : form::kControls) {
        if (candidate.id == id && candidate.kind != EControlKind::kSpin &&
            candidate.kind != EControlKind::kGroupBox) {
            control = &candidate;
        }
    }
    CFieldTexts texts;
    if (control == nullptr) {
        return texts;
    }
    const CControlTemplate* group = detail::GroupBoxOf(*control);
    if (group != nullptr) {
        texts.group = group->text;
    }
    if (control->kind != EControlKind::kEdit) {
        texts.label = control->text;
        return texts;
    }
    const CControlTemplate* label = nullptr;
    const CControlTemplate* unit = nullptr;
    for (const CControlTemplate& text : form::kControls) {
        if (text.kind != EControlKind::kText || detail::GroupBoxOf(text) != group) {
            continue;
        }
        if (text.x >= control->x + control->width) {
            const int distance = detail::VerticalDistance(text, *control);
            if (distance <= control->height / 2 &&
                (unit == nullptr || distance < detail::VerticalDistance(*unit, *control))) {
                unit = &text;
            }
        } else if (text.y <= control->y + control->height / 2 &&
                   (label == nullptr || text.y > label->y)) {
            label = &text;
        }
    }
    if (label != nullptr) {
        texts.label = label->text;
    }
    if (unit != nullptr) {
        texts.unit = unit->text;
    }
    return texts;
}

}  // namespace ohmrada::res
