// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstring>

#include <QString>
#include <QWidget>

namespace ohmrada::qt {

class CAnalysisWindows;
class CReport;
class CToolWindow;

// The windows that draw plots and the report: Parameterverlauf,
// Zeitbereich and the PDF report, with the plot library and Qt's printing
// behind them. The program starts without them and loads them on first use
// from a module of its own ("ohmrada-plots"), so that the form opens without
// the loader's work for those libraries. Programs that link them in
// (the tests) hand them over with UseBuiltInPlotModule.
// What the program and its module must agree on before anything of the
// module runs: the version, the shape of this table and the sizes of the
// objects they share (ThisPlotModuleBuild in PlotModuleBuild.h).
struct CPlotModuleBuild {
    int table = 0;
    const char* version = "";
    std::size_t sizes[4] = {};

    bool Matches(const CPlotModuleBuild& other) const {
        return table == other.table && std::strcmp(version, other.version) == 0 &&
               std::memcmp(sizes, other.sizes, sizeof(sizes)) == 0;
    }
};

struct CPlotModule {
    // The build the module was made in: a module of another build is
    // refused.
    CPlotModuleBuild build;
    CToolWindow* (*makeSweep)(CAnalysisWindows& owner, QWidget* form);
    CToolWindow* (*makeTimeDomain)(CAnalysisWindows& owner, QWidget* form);
    CReport* (*makeReport)(CAnalysisWindows& owner);
};

// The module's C entry point: returns its table.
inline constexpr const char* kPlotModuleEntry = "OhmradaPlotModule";
using FPlotModuleEntry = const CPlotModule* (*)();

// The windows' code linked into this program.
void UseBuiltInPlotModule(const CPlotModule& module);

// Where the module is: in this build tree the file the build wrote,
// otherwise the installed library folder relative to the running program.
// Never a relative path.
QString PlotModulePath(const QString& programDir);

// The module at path, loaded now (nothing is cached): nullptr when it is
// missing, not a library, not of this build, or path is relative, with the
// reason (in German) in problem.
const CPlotModule* LoadPlotModule(const QString& path, QString& problem);

// The module, loaded from PlotModulePath the first time; nullptr when it
// could not be loaded, with the reason (in German) in problem. A failure is
// remembered: the module is not tried again.
const CPlotModule* PlotModule(QString* problem = nullptr);

}  // namespace ohmrada::qt
