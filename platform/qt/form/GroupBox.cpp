// SPDX-License-Identifier: GPL-3.0-or-later
#include "GroupBox.h"

#include <algorithm>

#include <qdrawutil.h>
#include <QPainter>
#include <QStyle>

namespace ohmrada::qt {

namespace {

// The room left free on either side of the title where it breaks the line.
constexpr int kTitleGap = 2;

}  // namespace

int CGroupBox::FrameTop() const {
    return fontMetrics().height() / 2;
}

QRect CGroupBox::TitleRect() const {
    const QFontMetrics metrics = fontMetrics();
    const int inset = metrics.averageCharWidth() + kTitleGap;
    const int width = std::min(metrics.horizontalAdvance(title()), this->width() - 2 * inset);
    return {inset, 0, std::max(width, 0), metrics.height()};
}

void CGroupBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const int top = FrameTop();
    qDrawShadeRect(&painter, QRect(0, top, width(), height() - top), palette(), true, 1, 0);
    const QRect where = TitleRect();
    if (where.isEmpty()) {
        return;
    }
    painter.fillRect(where.adjusted(-kTitleGap, 0, kTitleGap, 0),
                     palette().brush(QPalette::Window));
    style()->drawItemText(&painter, where, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                          palette(), isEnabled(), title(), QPalette::WindowText);
}

}  // namespace ohmrada::qt
