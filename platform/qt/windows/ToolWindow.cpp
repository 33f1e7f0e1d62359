// SPDX-License-Identifier: GPL-3.0-or-later
#include "ToolWindow.h"

#include <algorithm>
#include <vector>

#include <QHeaderView>
#include <QScreen>
#include <QScrollBar>
#include <QTableView>

#include <QHideEvent>
#include <QKeyEvent>
#include <QLayout>

#include "AnalysisWindows.h"
#include "CircuitPanel.h"
#include "QtTexts.h"
#include "WindowPlacement.h"

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

namespace {

constexpr int kRoomGap = 24;

// What a table needs across: every visible column at least as wide as its
// header and, where there is room, as its contents.
struct CTableNeed {
    QTableView* table = nullptr;
    int overhead = 0;               // frame, row header, vertical scroll bar
    int headers = 0;                // the visible columns at their headers' widths
    int contents = 0;               // the same at the widths their contents want
    std::vector<int> headerWidths;  // per column, 0 for a hidden one
    std::vector<int> wantedWidths;
};

std::vector<CTableNeed> TableNeeds(const QWidget& window) {
    std::vector<CTableNeed> needs;
    for (QTableView* table : window.findChildren<QTableView*>()) {
        QHeaderView* header = table->horizontalHeader();
        if (header == nullptr || !header->isVisibleTo(&window)) {
            continue;
        }
        CTableNeed need;
        need.table = table;
        need.overhead = 2 * table->frameWidth();
        if (table->verticalScrollBarPolicy() != Qt::ScrollBarAlwaysOff) {
            need.overhead += table->verticalScrollBar()->sizeHint().width();
        }
        if (table->verticalHeader()->isVisibleTo(&window)) {
            need.overhead += table->verticalHeader()->sizeHint().width();
        }
        for (int column = 0; column < header->count(); ++column) {
            if (header->isSectionHidden(column)) {
                need.headerWidths.push_back(0);
                need.wantedWidths.push_back(0);
                continue;
            }
            const int own = header->sectionSizeHint(column);
            const QAbstractItemView& view = *table;  // where the column's hint is public
            const int wanted = std::max(own, view.sizeHintForColumn(column));
            need.headerWidths.push_back(own);
            need.wantedWidths.push_back(wanted);
            need.headers += own;
            need.contents += wanted;
        }
        needs.push_back(std::move(need));
    }
    return needs;
}

}  // namespace

int CToolWindow::RoomBesideForm() const {
    const QWidget* form = parentWidget();
    if (form == nullptr || form->screen() == nullptr) {
        return QWIDGETSIZE_MAX;
    }
    const QRect available = form->screen()->availableGeometry();
    const int frame = form->frameGeometry().width() - form->width();
    return std::max(available.right() - form->frameGeometry().right(),
                    form->frameGeometry().left() - available.left()) -
           kRoomGap - std::max(0, frame);
}

void CToolWindow::WidenForColumns() {
    // As wide as every table's columns want (within the room beside the
    // form, so that it still opens beside the form, not over it), and at
    // least as wide as their headers.
    if (QLayout* own = layout()) {
        own->activate();
    }
    int wanted = 0;
    int least = 0;
    for (const CTableNeed& need : TableNeeds(*this)) {
        const int viewport = need.table->width() - need.overhead;
        wanted = std::max(wanted, need.contents - viewport);
        least = std::max(least, need.headers - viewport);
    }
    if (wanted <= 0) {
        return;
    }
    const int widest = std::max(RoomBesideForm(), width() + least);
    resize(std::max(width(), std::min(width() + wanted, widest)), height());
}

void CToolWindow::FitColumns() {
    // The columns shared out over the width the window has: each its header
    // at least; what is left goes to the columns whose contents want more,
    // in proportion to what they miss (their texts wrap or are cut short
    // within it). Only where the headers alone are wider does the table
    // scroll.
    if (QLayout* own = layout()) {
        own->activate();
    }
    for (const CTableNeed& need : TableNeeds(*this)) {
        QHeaderView* header = need.table->horizontalHeader();
        const int viewport = need.table->width() - need.overhead;
        const long long spare = viewport - need.headers;
        const long long missing = need.contents - need.headers;
        for (int column = 0; column < header->count(); ++column) {
            const auto index = static_cast<std::size_t>(column);
            if (header->isSectionHidden(column)) {
                continue;
            }
            int width = need.wantedWidths[index];
            if (need.contents > viewport) {
                width = need.headerWidths[index];
                if (spare > 0 && missing > 0) {
                    width += static_cast<int>(
                        spare * (need.wantedWidths[index] - need.headerWidths[index]) / missing);
                }
            }
            if (header->sectionResizeMode(column) == QHeaderView::ResizeToContents) {
                header->setSectionResizeMode(column, QHeaderView::Interactive);
            }
            if (header->sectionResizeMode(column) == QHeaderView::Interactive &&
                !(header->stretchLastSection() && column == header->count() - 1)) {
                header->resizeSection(column, width);
            }
        }
    }
    ColumnsFitted();
    GrowToContents();
}

void CToolWindow::GrowToContents() {
    // Rows made higher by wrapped texts, a message shown: the window as high
    // as its contents then need, kept on the screen. (Never lower: that is
    // the user's to choose.)
    if (QLayout* own = layout(); own != nullptr && isVisible() && !m_growing) {
        m_growing = true;
        own->activate();
        // (Wrapped labels count by their height at this width.)
        const int needed =
            std::max(minimumSizeHint().height(),
                     own->hasHeightForWidth() ? own->totalHeightForWidth(width()) : 0);
        if (needed > height()) {
            QRect higher = geometry();
            higher.setHeight(needed);
            setGeometry(KeepOnScreen(higher, m_owner.PlacementRequestFor(*this)));
        }
        m_growing = false;
    }
}

void CToolWindow::ShowBesideForm() {
    if (!m_placed && parentWidget() != nullptr) {
        // The first time: with the form's design in it, where it was last
        // time or beside the form, wide enough for its tables' columns.
        m_placed = true;
        FollowForm(m_owner.State());
        m_followed = true;
        WidenForColumns();
        setGeometry(m_owner.PlaceOf(*this));
        show();
        // Laid out at its place now (a hidden window's layout is not).
        FitColumns();
    }
    show();
    raise();
}

CCircuitPanel* CToolWindow::MakeCircuitPanel() {
    m_circuitPanel = new CCircuitPanel(m_owner, this);
    return m_circuitPanel;
}

void CToolWindow::FollowForm(const CFormState& state) {
    if (m_circuitPanel != nullptr) {
        m_circuitPanel->Show(state.design.circuitChoice);
    }
    Follow(state);
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
    // Followed just before its first show; after that, each show catches up
    // with the form.
    if (!m_followed) {
        FollowForm(m_owner.State());
    }
    m_followed = false;
}

bool CToolWindow::event(QEvent* event) {
    if (event->type() == QEvent::LayoutRequest && m_placed) {
        const bool handled = QWidget::event(event);
        GrowToContents();
        return handled;
    }
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
