// SPDX-License-Identifier: GPL-3.0-or-later
#include "PlotWidget.h"

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
    // Plots are looked at, not typed into: the focus stays where it is.
    setFocusPolicy(Qt::NoFocus);
}

void CPlotWidget::ShowAll() {
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
