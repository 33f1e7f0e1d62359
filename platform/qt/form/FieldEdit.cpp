// SPDX-License-Identifier: GPL-3.0-or-later
#include "FieldEdit.h"

#include <QFocusEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>

namespace ohmrada::qt {

namespace {

// QLineEdit keeps this much room left and right of its text line.
constexpr int kHorizontalMargin = 2;

}  // namespace

void CFieldEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    if (event->reason() != Qt::PopupFocusReason && m_focusLost) {
        m_focusLost();
    }
}

QRect CFieldEdit::TextLine() const {
    QStyleOptionFrame panel;
    initStyleOption(&panel);
    const QRect contents = style()
                               ->subElementRect(QStyle::SE_LineEditContents, &panel, this)
                               .marginsRemoved(textMargins());
    const int lineHeight = fontMetrics().height();
    const int top = contents.y() + (contents.height() - lineHeight + 1) / 2;
    return {contents.x() + kHorizontalMargin, top, contents.width() - 2 * kHorizontalMargin,
            lineHeight};
}

QString CFieldEdit::ShownText() const {
    const QString whole = displayText();
    const int room = TextLine().width();
    if (fontMetrics().horizontalAdvance(whole) <= room) {
        return whole;
    }
    return fontMetrics().elidedText(whole, Qt::ElideRight, room);
}

void CFieldEdit::paintEvent(QPaintEvent* event) {
    const QString shown = hasFocus() ? QString() : ShownText();
    if (hasFocus() || shown == displayText()) {
        QLineEdit::paintEvent(event);
        return;
    }
    // The panel as QLineEdit draws it, then the beginning of the text on the
    // line edit's own baseline.
    QPainter painter(this);
    QStyleOptionFrame panel;
    initStyleOption(&panel);
    style()->drawPrimitive(QStyle::PE_PanelLineEdit, &panel, &painter, this);
    const QRect line = TextLine();
    painter.setClipRect(line.adjusted(-kHorizontalMargin, 0, kHorizontalMargin, 0));
    painter.setPen(panel.palette.color(QPalette::Text));
    painter.drawText(line.x(), line.y() + fontMetrics().ascent(), shown);
}

}  // namespace ohmrada::qt
