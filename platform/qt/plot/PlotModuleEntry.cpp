// SPDX-License-Identifier: GPL-3.0-or-later
// The table of the plot windows and the report, as the module hands it to
// the program (PlotModule.h).
#include "PlotModuleEntry.h"

#include "PlotModuleBuild.h"
#include "ReportWriter.h"
#include "SweepWindow.h"
#include "TimeDomainWindow.h"

namespace ohmrada::qt {

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
