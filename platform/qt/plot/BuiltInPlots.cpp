// SPDX-License-Identifier: GPL-3.0-or-later
// Linked into the programs that carry the plot windows and the report
// themselves (the tests and benchmarks): they use these instead of loading
// the module.
#include "PlotModuleEntry.h"

namespace {

const bool kBuiltIn = [] {
    ohmrada::qt::UseBuiltInPlotModule(ohmrada::qt::PlotWindows());
    return true;
}();

}  // namespace
