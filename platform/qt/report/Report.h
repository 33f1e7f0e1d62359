// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

namespace ohmrada::qt {

// The report as the form's menu uses it; the writer (CReportWriter) lives
// with the plots in the module loaded on first use (PlotModule.h).
class CReport : public QObject {
public:
    using QObject::QObject;
    // Asks for the file name, then writes the report.
    virtual void SaveWithDialog() = 0;
    // Stops a report being written; nothing is left behind.
    virtual void Cancel() = 0;
};

}  // namespace ohmrada::qt
