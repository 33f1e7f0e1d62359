// SPDX-License-Identifier: GPL-3.0-or-later
// The table of the plot windows and the report, as the module hands it to
// the program (PlotModule.h).
#include "PlotModuleEntry.h"

#include "AnalysisWindows.h"
#include "PlotModuleBuild.h"
#include "ReportWriter.h"
#include "SweepWindow.h"
#include "TimeDomainWindow.h"

namespace ohmrada::qt {

// The registry made each window of its own type, and the module the report's
// writer. (Here, where the types are: a checked cast needs their type
// information, which the program itself does not have.)
CSweepWindow* CAnalysisWindows::Sweep() const {
    return static_cast<CSweepWindow*>(Window(EAnalysisWindow::kSweep));
}
CTimeDomainWindow* CAnalysisWindows::TimeDomain() const {
    return static_cast<CTimeDomainWindow*>(Window(EAnalysisWindow::kTimeDomain));
}
CReportWriter* CAnalysisWindows::Report() const {
    return static_cast<CReportWriter*>(m_report.get());
}

const CPlotModule& PlotWindows() {
    static const CPlotModule kModule = {
        ThisPlotModuleBuild(),
        [](CAnalysisWindows& owner, QWidget* form) -> CToolWindow* {
            return new CSweepWindow(owner, form);
        },
        [](CAnalysisWindows& owner, QWidget* form) -> CToolWindow* {
            return new CTimeDomainWindow(owner, form);
        },
        [](CAnalysisWindows& owner) -> CReport* { return new CReportWriter(owner); },
    };
    return kModule;
}

}  // namespace ohmrada::qt

extern "C" Q_DECL_EXPORT const ohmrada::qt::CPlotModule* OhmradaPlotModule() {
    return &ohmrada::qt::PlotWindows();
}
