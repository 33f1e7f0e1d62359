// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>

#include <QLineEdit>

namespace ohmrada::qt {

// An edit control of a template. It reports every loss of the keyboard focus
// after it has finished losing it, whether or not its text changed: to Tab, a
// click elsewhere, a message box or another window. A popup menu over the
// field does not take the focus from it and is not reported.
class CFieldEdit : public QLineEdit {
public:
    using Handler = std::function<void()>;

    using QLineEdit::QLineEdit;

    void SetFocusLostHandler(Handler handler) { m_focusLost = std::move(handler); }

protected:
    void focusOutEvent(QFocusEvent* event) override;

private:
    Handler m_focusLost;
};

}  // namespace ohmrada::qt
