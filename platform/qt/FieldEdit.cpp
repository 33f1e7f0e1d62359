// SPDX-License-Identifier: GPL-3.0-or-later
#include "FieldEdit.h"

#include <QFocusEvent>

namespace ohmrada::qt {

void CFieldEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    if (event->reason() != Qt::PopupFocusReason && m_focusLost) {
        m_focusLost();
    }
}

}  // namespace ohmrada::qt
