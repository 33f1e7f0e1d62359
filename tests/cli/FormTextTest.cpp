// SPDX-License-Identifier: GPL-3.0-or-later
// ohmrada-calc's table of labels, units and group captions is written out
// by hand; these tests hold it to the form the window is built from.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "FormTemplate.h"
#include "FormText.h"

namespace ohmrada::cli {
namespace {

using res::CControlTemplate;
using res::EControlKind;

const CControlTemplate* ControlOf(int id) {
    for (const CControlTemplate& control : res::form::kControls) {
        if (control.id == id && control.kind != EControlKind::kSpin) {
            return &control;
        }
    }
    return nullptr;
}

bool Contains(const CControlTemplate& box, const CControlTemplate& control) {
    return control.x >= box.x && control.y >= box.y &&
           control.x + control.width <= box.x + box.width &&
           control.y + control.height <= box.y + box.height;
}

std::optional<std::string> GroupOf(const CControlTemplate& control) {
    for (const CControlTemplate& box : res::form::kControls) {
        if (box.kind == EControlKind::kGroupBox && Contains(box, control)) {
            return box.text;
        }
    }
    return std::nullopt;
}

// The static texts that belong to a field: its unit stands right of it on
// the same line; its label is the nearest other text of its group box in
// the columns left of the unit (beside the field or just above it).
struct CFieldTexts {
    std::string label;
    std::string unit;
};

CFieldTexts TextsOf(const CControlTemplate& field) {
    CFieldTexts found;
    const CControlTemplate* label = nullptr;
    const CControlTemplate* unit = nullptr;
    const std::optional<std::string> group = GroupOf(field);
    for (const CControlTemplate& text : res::form::kControls) {
        if (text.kind != EControlKind::kText || GroupOf(text) != group) {
            continue;
        }
        const int distance = std::abs((text.y + text.height / 2) - (field.y + field.height / 2));
        if (text.x >= field.x + field.width) {
            if (distance <= field.height / 2 &&
                (unit == nullptr || distance < std::abs((unit->y + unit->height / 2) -
                                                        (field.y + field.height / 2)))) {
                unit = &text;
            }
        } else if (text.y <= field.y + field.height / 2 &&
                   (label == nullptr || text.y > label->y)) {
            // The lowest text that starts no lower than the field's middle.
            label = &text;
        }
    }
    if (label != nullptr) {
        found.label = label->text;
    }
    if (unit != nullptr) {
        found.unit = unit->text;
    }
    return found;
}

TEST(FormTextTest, EveryRowMatchesTheFormTemplate) {
    for (const CFormRow& row : kFormRows) {
        SCOPED_TRACE(row.id);
        const CControlTemplate* control = ControlOf(row.id);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(GroupOf(*control), std::string(row.group));
        switch (row.kind) {
            case ERowKind::kCheckBox:
                EXPECT_EQ(control->kind, EControlKind::kCheckBox);
                EXPECT_EQ(control->text, row.label);
                break;
            case ERowKind::kRadioButton:
                EXPECT_EQ(control->kind, EControlKind::kRadioButton);
                EXPECT_EQ(control->text, row.label);
                break;
            case ERowKind::kField: {
                EXPECT_EQ(control->kind, EControlKind::kEdit);
                const CFieldTexts texts = TextsOf(*control);
                EXPECT_EQ(texts.label, row.label);
                EXPECT_EQ(texts.unit, row.unit);
                break;
            }
        }
    }
}

TEST(FormTextTest, ListsEveryValueControlOnceInTheFormsOrder) {
    // The template's order is the tab order of the inputs, then the results
    // from top to bottom.
    std::vector<int> listed;
    for (const CFormRow& row : kFormRows) {
        listed.push_back(row.id);
    }
    std::vector<int> shown;
    for (const CControlTemplate& control : res::form::kControls) {
        if (control.kind == EControlKind::kEdit || control.kind == EControlKind::kCheckBox ||
            control.kind == EControlKind::kRadioButton) {
            shown.push_back(control.id);
        }
    }
    EXPECT_EQ(listed, shown);
}

}  // namespace
}  // namespace ohmrada::cli
