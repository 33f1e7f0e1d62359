// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AnalysisWindows.h"
#include "PlotModule.h"
#include "Report.h"
#include "ToolWindow.h"

#ifndef OHMRADA_VERSION
#error "OHMRADA_VERSION names the program's version"
#endif

namespace ohmrada::qt {

// This build as the program and the module each see it (compiled into
// both).
inline CPlotModuleBuild ThisPlotModuleBuild() {
    CPlotModuleBuild build;
    build.table = 1;
    build.version = OHMRADA_VERSION;
    build.sizes[0] = sizeof(CAnalysisWindows);
    build.sizes[1] = sizeof(CFormState);
    build.sizes[2] = sizeof(CToolWindow);
    build.sizes[3] = sizeof(CPlotModule);
    return build;
}

}  // namespace ohmrada::qt
