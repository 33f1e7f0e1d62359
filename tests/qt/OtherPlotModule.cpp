// SPDX-License-Identifier: GPL-3.0-or-later
// A module with the plot module's entry point from another build of the
// program: the program must refuse it before calling anything in it.
#include "PlotModule.h"

extern "C" Q_DECL_EXPORT const ohmrada::qt::CPlotModule* OhmradaPlotModule() {
    static const ohmrada::qt::CPlotModule kOther = {
        ohmrada::qt::CPlotModuleBuild{0, "0.0.0", {}},
        nullptr,
        nullptr,
        nullptr,
    };
    return &kOther;
}
