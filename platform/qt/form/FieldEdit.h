// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>

#include <QLineEdit>

namespace ohmrada::qt {

// An edit control of a template. It reports every loss of the keyboard focus
// after it has finished losing it, whether or not its text changed: to Tab, a
// click elsewhere, a message box or another window. A popup menu over the
// field does not take the focus from it and is not reported.
//
// A text wider than the field is drawn, while the field has no focus, as its
// beginning (sign and leading digits) followed by an ellipsis, whatever the
// alignment; with the focus the field scrolls through the whole text as any
// edit control does. The text itself is never changed for this.
class CFieldEdit : public QLineEdit {
public:
    using Handler = std::function<void()>;

    using QLineEdit::QLineEdit;

    void SetFocusLostHandler(Handler handler) { m_focusLost = std::move(handler); }

    // What the field shows of its text while it has no focus: the text
    // itself when it fits, else its beginning and an ellipsis.
    QString ShownText() const;
    // The rectangle the text line is drawn in, as QLineEdit places it; its
    // text stands on the line ascent() below its top.
    QRect TextLine() const;

protected:
    void focusOutEvent(QFocusEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    Handler m_focusLost;
};

}  // namespace ohmrada::qt
