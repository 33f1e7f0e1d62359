// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "PlotModule.h"

namespace ohmrada::qt {

// The plot windows and the report of this build.
const CPlotModule& PlotWindows();

}  // namespace ohmrada::qt

extern "C" const ohmrada::qt::CPlotModule* OhmradaPlotModule();
