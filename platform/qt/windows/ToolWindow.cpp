// SPDX-License-Identifier: GPL-3.0-or-later
#include "ToolWindow.h"

#include <QHideEvent>
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
        // The first time: where it was last time, or beside the form.
        m_placed = true;
        setGeometry(m_owner.PlaceOf(*this));
    }
    show();
    raise();
}

QString CToolWindow::PlaceKey() const {
    return QString::fromUtf8(m_helpPage).section(QLatin1Char('.'), 0, 0);
}

void CToolWindow::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (m_placed && !event->spontaneous()) {
        m_owner.RememberPlace(*this);
    }
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
