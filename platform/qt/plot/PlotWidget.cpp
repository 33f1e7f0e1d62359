// SPDX-License-Identifier: GPL-3.0-or-later
#include "PlotWidget.h"

#include <algorithm>

#include <QFontMetrics>
#include <QPdfWriter>

#include "SaveAtomically.h"

namespace ohmrada::qt {

CPlotWidget::CPlotWidget(QWidget* parent) : QCustomPlot(parent) {
    setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
    axisRect()->setRangeDrag(Qt::Horizontal | Qt::Vertical);
    axisRect()->setRangeZoom(Qt::Horizontal | Qt::Vertical);
    // The legend below the axes, where it hides no curve.
    legend->setVisible(true);
    axisRect()->insetLayout()->take(legend);
    auto* legendRow = new QCPLayoutGrid;
    plotLayout()->addElement(plotLayout()->rowCount(), 0, legendRow);
    legendRow->addElement(0, 0, legend);
    legendRow->setMargins(QMargins(5, 0, 5, 5));
    legend->setFillOrder(QCPLegend::foColumnsFirst);
    legend->setWrap(3);
    legend->setBorderPen(Qt::NoPen);
    plotLayout()->setRowStretchFactor(plotLayout()->rowCount() - 1, 0.001);
    setMinimumSize(480, 320);
    // Whoever draws the plot, the legend and the labels fit it.
    connect(this, &QCustomPlot::beforeReplot, this, &CPlotWidget::FitToSize);
    // Plots are looked at, not typed into: the focus stays where it is.
    setFocusPolicy(Qt::NoFocus);
}

void CPlotWidget::SetAxisLabel(QCPAxis* axis, const QString& full, const QString& brief) {
    const auto known = std::find_if(m_labels.begin(), m_labels.end(),
                                    [axis](const CAxisLabel& label) { return label.axis == axis; });
    if (known != m_labels.end()) {
        *known = {axis, full, brief};
    } else {
        m_labels.push_back({axis, full, brief});
    }
    axis->setLabel(full);
}

void CPlotWidget::FitToSize() {
    // As many legend columns as the width holds, so that none is cut off.
    int widest = 1;
    for (int i = 0; i < legend->itemCount(); ++i) {
        // The legend's grid has empty cells where a row is not full.
        if (const QCPAbstractLegendItem* item = legend->item(i)) {
            widest = std::max(widest, item->minimumOuterSizeHint().width());
        }
    }
    const int room = width() - 2 * 5 - legend->margins().left() - legend->margins().right();
    const int columns =
        std::max(1, (room + legend->columnSpacing()) / (widest + legend->columnSpacing()));
    if (legend->wrap() != columns) {
        legend->setWrap(columns);
        // The wrap applies to the entries there already only when they are
        // arranged again.
        legend->setFillOrder(legend->fillOrder(), true);
    }
    // An axis label along the axis rectangle's height, if it fits there.
    const int along =
        axisRect()->outerRect().height() > 0 ? axisRect()->outerRect().height() : height() / 2;
    for (const CAxisLabel& label : m_labels) {
        const QFontMetrics metrics(label.axis->labelFont());
        const bool vertical = label.axis->orientation() == Qt::Vertical;
        const int length = vertical ? along : width();
        label.axis->setLabel(metrics.horizontalAdvance(label.full) <= length - 10 ? label.full
                                                                                  : label.brief);
    }
}

void CPlotWidget::resizeEvent(QResizeEvent* event) {
    QCustomPlot::resizeEvent(event);
    FitToSize();
    replot(QCustomPlot::rpQueuedReplot);
}

void CPlotWidget::ShowAll() {
    FitToSize();
    rescaleAxes(true);
    for (QCPAxis* axis : {xAxis, yAxis, yAxis2}) {
        const QCPRange range = axis->range();
        if (range.size() <= 0.0) {
            axis->setRange(range.lower - 1.0, range.upper + 1.0);
        } else if (axis != xAxis) {
            axis->scaleRange(1.08, range.center());
        }
    }
    replot(QCustomPlot::rpQueuedReplot);
}

void CPlotWidget::mouseDoubleClickEvent(QMouseEvent* event) {
    QCustomPlot::mouseDoubleClickEvent(event);
    ShowAll();
}

QImage CPlotWidget::ToImage(int width, int height) {
    return toPixmap(width, height, 2.0).toImage();
}

bool CPlotWidget::SavePng(const QString& path, int width, int height) {
    const QImage image = ToImage(width, height);
    return SaveAtomically(path, [&image](QIODevice& device) { return image.save(&device, "PNG"); });
}

bool CPlotWidget::SavePdf(const QString& path, int width, int height) {
    return SaveAtomically(path, [&](QIODevice& device) {
        QPdfWriter writer(&device);
        writer.setCreator(QStringLiteral("Ohmrada"));
        writer.setPageSize(QPageSize(QSizeF(width, height), QPageSize::Point));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        writer.setResolution(72);
        QCPPainter painter;
        if (!painter.begin(&writer)) {
            return false;
        }
        painter.setMode(QCPPainter::pmVectorized);
        painter.setMode(QCPPainter::pmNoCaching);
        toPainter(&painter, width, height);
        return painter.end();
    });
}

}  // namespace ohmrada::qt
