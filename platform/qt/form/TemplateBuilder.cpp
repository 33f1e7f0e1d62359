// SPDX-License-Identifier: GPL-3.0-or-later
#include "TemplateBuilder.h"

#include <algorithm>

#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "FieldEdit.h"
#include "GroupBox.h"
#include "QtTexts.h"
#include "SpinButton.h"

namespace ohmrada::qt {

namespace {

using res::EControlKind;

QString TextOf(const res::CControlTemplate& row) {
    return Tr(row.text);
}

QWidget* CreateControl(const res::CControlTemplate& row, QWidget* parent) {
    switch (row.kind) {
        case EControlKind::kGroupBox:
            return new CGroupBox(TextOf(row), parent);
        case EControlKind::kText: {
            auto* label = new QLabel(TextOf(row), parent);
            label->setTextFormat(Qt::PlainText);
            label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            return label;
        }
        case EControlKind::kEdit: {
            auto* edit = new CFieldEdit(TextOf(row), parent);
            edit->setAlignment((row.style & res::kAlignRight) != 0
                                   ? Qt::AlignRight | Qt::AlignVCenter
                                   : Qt::AlignLeft | Qt::AlignVCenter);
            edit->setFrame((row.style & res::kBorder) != 0);
            if ((row.style & res::kReadOnly) != 0) {
                edit->setReadOnly(true);
                // Read-only fields stand on the window's colour, as on a form
                // that cannot be typed into.
                QPalette palette = edit->palette();
                palette.setBrush(QPalette::Base, palette.brush(QPalette::Window));
                edit->setPalette(palette);
            }
            return edit;
        }
        case EControlKind::kCheckBox:
            return new QCheckBox(TextOf(row), parent);
        case EControlKind::kRadioButton: {
            auto* radio = new QRadioButton(TextOf(row), parent);
            radio->setAutoExclusive(true);
            return radio;
        }
        case EControlKind::kSpin:
            return new CSpinButton(parent);  // its text is never shown
        case EControlKind::kPushButton: {
            auto* button = new QPushButton(TextOf(row), parent);
            button->setDefault((row.style & res::kDefaultButton) != 0);
            button->setAutoDefault(false);
            return button;
        }
    }
    return nullptr;
}

Qt::FocusPolicy FocusPolicyOf(const res::CControlTemplate& row) {
    if ((row.style & res::kTabStop) != 0) {
        return Qt::StrongFocus;
    }
    switch (row.kind) {
        // Clicked, these take the focus all the same; Tab passes them by.
        case EControlKind::kEdit:
        case EControlKind::kCheckBox:
        case EControlKind::kRadioButton:
        case EControlKind::kPushButton:
            return Qt::ClickFocus;
        case EControlKind::kGroupBox:
        case EControlKind::kText:
        case EControlKind::kSpin:
            break;
    }
    return Qt::NoFocus;
}

// A sunken edge around a control: the frame carries the rectangle and the
// control fills it.
QWidget* Framed(QWidget* control, QFrame::Shape shape, QWidget* parent) {
    auto* frame = new QFrame(parent);
    frame->setFrameStyle(shape | QFrame::Sunken);
    if (shape == QFrame::Panel) {
        frame->setLineWidth(1);
    }
    auto* layout = new QVBoxLayout(frame);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    control->setParent(frame);
    layout->addWidget(control);
    return frame;
}

// True when a one-line label's text surely fits width, so that its size
// hint (a full layout of the text, the dearer measure) need not be asked.
// The hint's width is the text's advance rounded up, horizontalAdvance the
// same advance rounded to the nearest pixel: at most one pixel less. Only
// plain text on one line without tabs or length variants (U+009C) is
// measured alike by both.
bool FitsItsRectangle(const QLabel& label, int width) {
    const QString text = label.text();
    const bool plainLine = std::none_of(text.begin(), text.end(), [](QChar c) {
        return c == u'\t' || c == u'\n' || c == QChar::LineSeparator || c == QChar(0x9c);
    });
    if (!plainLine || label.textFormat() != Qt::PlainText || label.margin() != 0 ||
        label.indent() > 0 || label.frameWidth() != 0 || label.contentsMargins() != QMargins()) {
        return false;
    }
    return label.fontMetrics().horizontalAdvance(text) + 1 <= width;
}

bool OverlapVertically(const res::CControlTemplate& a, const res::CControlTemplate& b) {
    return a.y < b.y + b.height && b.y < a.y + a.height;
}

bool Holds(const res::CControlTemplate& group, const res::CControlTemplate& row) {
    return row.x >= group.x && row.y >= group.y && row.x + row.width <= group.x + group.width &&
           row.y + row.height <= group.y + group.height;
}

// The edit control whose text a static text stands beside: the nearest
// field in the same group box that shares some of its height. A text above
// its field has none.
const CBuiltControl* FieldBeside(const CBuiltControl& text, std::span<const CBuiltControl> built) {
    const res::CControlTemplate* group = nullptr;
    for (const CBuiltControl& control : built) {
        if (control.row->kind == EControlKind::kGroupBox && Holds(*control.row, *text.row)) {
            group = control.row;
        }
    }
    const CBuiltControl* nearest = nullptr;
    int nearestGap = 0;
    for (const CBuiltControl& control : built) {
        const res::CControlTemplate& row = *control.row;
        if (row.kind != EControlKind::kEdit || !OverlapVertically(row, *text.row) ||
            (group != nullptr && !Holds(*group, row))) {
            continue;
        }
        const int gap = row.x >= text.row->x + text.row->width
                            ? row.x - (text.row->x + text.row->width)
                            : text.row->x - (row.x + row.width);
        if (nearest == nullptr || gap < nearestGap) {
            nearest = &control;
            nearestGap = gap;
        }
    }
    return nearest;
}

// Moves each static text that stands beside a field so that its text sits
// on the baseline of the field's text, as the eye reads a form line by line.
void AlignTextsWithFields(std::span<const CBuiltControl> built) {
    for (const CBuiltControl& text : built) {
        if (text.row->kind != EControlKind::kText) {
            continue;
        }
        const CBuiltControl* field = FieldBeside(text, built);
        if (field == nullptr) {
            continue;
        }
        auto* edit = static_cast<CFieldEdit*>(field->widget);
        QRect at = field->outer->geometry();
        if (field->outer != field->widget) {
            // The field fills the sunken frame around it.
            const int edge = static_cast<QFrame*>(field->outer)->frameWidth();
            at.adjust(edge, edge, -edge, -edge);
            edit->setGeometry(QRect(QPoint(edge, edge), at.size()));
        }
        const int baseline = at.y() + edit->TextLine().y() + edit->fontMetrics().ascent();
        auto* label = static_cast<QLabel*>(text.widget);
        const int labelTop = baseline - label->contentsRect().y() - label->fontMetrics().ascent();
        label->move(label->x(), labelTop);
    }
}

}  // namespace

std::vector<CBuiltControl> BuildControls(std::span<const res::CControlTemplate> controls,
                                         QWidget* parent, const CDialogBaseUnits& units,
                                         QPoint origin) {
    std::vector<CBuiltControl> built;
    built.reserve(controls.size());
    QWidget* previousTabStop = nullptr;
    for (const res::CControlTemplate& row : controls) {
        QWidget* widget = CreateControl(row, parent);
        widget->setFocusPolicy(FocusPolicyOf(row));
        QWidget* outer = widget;
        if ((row.style & res::kClientEdge) != 0) {
            outer = Framed(widget, QFrame::WinPanel, parent);
        } else if ((row.style & res::kStaticEdge) != 0) {
            outer = Framed(widget, QFrame::Panel, parent);
        }
        QRect rect = units.ToPixels(row.x, row.y, row.width, row.height).translated(origin);
        if (row.kind == EControlKind::kText) {
            auto* label = static_cast<QLabel*>(widget);
            if (rect.height() < 2 * label->fontMetrics().height()) {
                // A one-line text keeps its whole line: the substituted font
                // may be a little wider than the one the form was drawn for,
                // and the labels stand clear of their fields.
                if (!FitsItsRectangle(*label, rect.width())) {
                    rect.setWidth(std::max(rect.width(), label->sizeHint().width()));
                }
            } else {
                label->setWordWrap(true);
            }
        }
        outer->setGeometry(rect);
        if ((row.style & res::kTabStop) != 0) {
            if (previousTabStop != nullptr) {
                QWidget::setTabOrder(previousTabStop, widget);
            }
            previousTabStop = widget;
        }
        built.push_back({&row, widget, outer});
    }
    AlignTextsWithFields(built);
    return built;
}

Qt::WindowFlags WindowFlagsOf(unsigned windowStyle) {
    Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint;
    if ((windowStyle & res::kAppWindow) != 0) {
        flags = Qt::Window | Qt::CustomizeWindowHint;
    }
    if ((windowStyle & res::kCaption) != 0) {
        flags |= Qt::WindowTitleHint;
    }
    if ((windowStyle & res::kSystemMenu) != 0) {
        flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    }
    if ((windowStyle & res::kMinimizeBox) != 0) {
        flags |= Qt::WindowMinimizeButtonHint;
    }
    if ((windowStyle & res::kMaximizeBox) != 0) {
        flags |= Qt::WindowMaximizeButtonHint;
    }
    return flags;
}

}  // namespace ohmrada::qt
