// SPDX-License-Identifier: GPL-3.0-or-later
#include "ToolWindow.h"

#include <QKeyEvent>
#include <QScreen>

#include "AnalysisWindows.h"

namespace ohmrada::qt {

CToolWindow::CToolWindow(CAnalysisWindows& owner, QWidget* form, const QString& title,
                         const char* helpPage)
    : QWidget(form, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                        Qt::WindowMinMaxButtonsHint),
      m_owner(owner),
      m_helpPage(helpPage) {
    setWindowTitle(title);
    setAttribute(Qt::WA_ShowWithoutActivating);
}

void CToolWindow::ShowBesideForm() {
    if (!m_placed && parentWidget() != nullptr) {
        // The first time beside the form, to its right, as far as the screen
        // allows.
        m_placed = true;
        const QRect form = parentWidget()->frameGeometry();
        QPoint at(form.right() + 8, form.top());
        if (const QScreen* screen = parentWidget()->screen()) {
            const QRect room = screen->availableGeometry();
            at.setX(std::max(room.left(), std::min(at.x(), room.right() - width())));
            at.setY(std::max(room.top(), std::min(at.y(), room.bottom() - height())));
        }
        move(at);
    }
    show();
    raise();
}

void CToolWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    Follow(m_owner.State());
}

bool CToolWindow::event(QEvent* event) {
    // F1 and Esc are this window's keys, not the form's shortcuts (a tool
    // window shares the shortcuts of the window it belongs to).
    if (event->type() == QEvent::ShortcutOverride) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_F1 || key->key() == Qt::Key_Escape) &&
            key->modifiers() == Qt::NoModifier) {
            event->accept();
            return true;
        }
    }
    return QWidget::event(event);
}

void CToolWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1 && event->modifiers() == Qt::NoModifier) {
        m_owner.ShowHelp(QString::fromUtf8(m_helpPage));
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

}  // namespace ohmrada::qt
