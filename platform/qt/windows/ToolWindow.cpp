// SPDX-License-Identifier: GPL-3.0-or-later
#include "ToolWindow.h"

#include <algorithm>

#include <QHeaderView>
#include <QScreen>
#include <QScrollBar>
#include <QTableView>

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

void CToolWindow::WidenForHeaders() {
    // Every column of every table at least as wide as its header's text,
    // and the window as wide as that takes (within the screen).
    int extra = 0;
    for (QTableView* table : findChildren<QTableView*>()) {
        QHeaderView* header = table->horizontalHeader();
        if (header == nullptr || !header->isVisibleTo(this)) {
            continue;
        }
        int need = 2 * table->frameWidth() + table->verticalScrollBar()->sizeHint().width();
        if (table->verticalHeader()->isVisibleTo(this)) {
            need += table->verticalHeader()->sizeHint().width();
        }
        for (int column = 0; column < header->count(); ++column) {
            if (header->isSectionHidden(column)) {
                continue;
            }
            const int wanted =
                std::max(header->sectionSize(column), header->sectionSizeHint(column));
            if (header->sectionResizeMode(column) == QHeaderView::Interactive &&
                header->sectionSize(column) < wanted) {
                header->resizeSection(column, wanted);
            }
            need += wanted;
        }
        extra = std::max(extra, need - table->sizeHint().width());
    }
    if (extra <= 0) {
        return;
    }
    QSize size = sizeHint();
    size.rwidth() += extra;
    // Never wider than the room beside the form (the table scrolls beyond
    // that), so that it still opens beside the form, not over it.
    if (const QWidget* form = parentWidget(); form != nullptr && form->screen() != nullptr) {
        const QRect available = form->screen()->availableGeometry();
        constexpr int kGap = 24;
        const int room = std::max(available.right() - form->frameGeometry().right(),
                                  form->frameGeometry().left() - available.left()) -
                         kGap;
        size.setWidth(std::max(sizeHint().width(), std::min(size.width(), room)));
    }
    resize(size);
}

void CToolWindow::ShowBesideForm() {
    if (!m_placed && parentWidget() != nullptr) {
        // The first time: where it was last time, or beside the form, wide
        // enough for its tables' headers.
        WidenForHeaders();
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
