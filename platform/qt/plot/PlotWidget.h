// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <vector>

#include <QString>

#include "QCustomPlotInclude.h"

namespace ohmrada::qt {

// A QCustomPlot set up the way every plot of the program looks: zoom with
// the wheel and pan by dragging (both axes), a legend, and a double click
// that shows all the data again. Saving goes through SaveAtomically.
class CPlotWidget : public QCustomPlot {
public:
    explicit CPlotWidget(QWidget* parent = nullptr);

    // All data in view (both y axes when the second one is used).
    void ShowAll();
    // An axis's label: full while it fits along the axis, else brief.
    void SetAxisLabel(QCPAxis* axis, const QString& full, const QString& brief);
    // Fits the legend's columns to the plot's width and the axis labels to
    // their axes; done on every resize and by ShowAll.
    void FitToSize();
    // The plot as a PNG or PDF file of the given size in pixels (points for
    // PDF). False when the file could not be written; the file that was
    // there is then unchanged.
    bool SavePng(const QString& path, int width, int height);
    bool SavePdf(const QString& path, int width, int height);
    // The plot as an image, for the report.
    QImage ToImage(int width, int height);

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct CAxisLabel {
        QCPAxis* axis;
        QString full;
        QString brief;
    };
    std::vector<CAxisLabel> m_labels;
};

}  // namespace ohmrada::qt
