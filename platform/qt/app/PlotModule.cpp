// SPDX-License-Identifier: GPL-3.0-or-later
#include "PlotModule.h"

#include <vector>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibrary>

#include "AnalysisTexts.h"
#include "FormLabels.h"
#include "PlotModuleBuild.h"
#include "QtTexts.h"

#ifndef OHMRADA_BUILD_TREE
#error "OHMRADA_BUILD_TREE names the build tree the program was built in"
#endif
#ifndef OHMRADA_PLOT_MODULE_IN_BUILD
#error "OHMRADA_PLOT_MODULE_IN_BUILD names the module in the build tree"
#endif
#ifndef OHMRADA_PLOT_MODULE_FROM_BIN
#error "OHMRADA_PLOT_MODULE_FROM_BIN names the installed module relative to the program"
#endif

namespace ohmrada::qt {

namespace ta = texts::analysis;

namespace {

struct CLoaded {
    const CPlotModule* module = nullptr;
    bool tried = false;
    QString problem;
};

CLoaded& Loaded() {
    static CLoaded loaded;
    return loaded;
}

// Every library loaded, kept for the rest of the program (windows of it
// live on; unloading code that may have registered anything with Qt is not
// safe). Reachable from here, they are no leak.
std::vector<QLibrary*>& Libraries() {
    static auto* libraries = new std::vector<QLibrary*>;  // outlives the exit
    return *libraries;
}

}  // namespace

const CPlotModule* LoadPlotModule(const QString& path, QString& problem) {
    // Only ever by its absolute path: never a file that the working folder
    // or the library search path happens to hold.
    const QFileInfo file(path);
    if (!file.isAbsolute() || !file.isFile()) {
        problem = Fill(ta::kPlotModuleMissing, QDir::toNativeSeparators(path));
        return nullptr;
    }
    auto* library = new QLibrary(file.absoluteFilePath());
    // Every symbol resolved now: a module that does not fit this program
    // fails here, not in the middle of drawing.
    library->setLoadHints(QLibrary::ResolveAllSymbolsHint);
    if (!library->load()) {
        problem =
            Fill(ta::kPlotModuleUnusable, QDir::toNativeSeparators(path), library->errorString());
        delete library;
        return nullptr;
    }
    Libraries().push_back(library);
    const auto entry = reinterpret_cast<FPlotModuleEntry>(library->resolve(kPlotModuleEntry));
    const CPlotModule* module = entry != nullptr ? entry() : nullptr;
    if (module == nullptr || !module->build.Matches(ThisPlotModuleBuild()) ||
        module->makeSweep == nullptr || module->makeTimeDomain == nullptr ||
        module->makeReport == nullptr) {
        problem = Fill(ta::kPlotModuleUnusable, QDir::toNativeSeparators(path),
                       Tr(ta::kPlotModuleOtherBuild));
        return nullptr;
    }
    return module;
}

void UseBuiltInPlotModule(const CPlotModule& module) {
    CLoaded& loaded = Loaded();
    loaded.module = &module;
    loaded.tried = true;
    loaded.problem.clear();
}

QString PlotModulePath(const QString& programDir) {
    const QString buildTree = QDir::cleanPath(QStringLiteral(OHMRADA_BUILD_TREE));
    const QString dir = QDir::cleanPath(QDir(programDir).absolutePath());
    if (dir == buildTree || dir.startsWith(buildTree + QLatin1Char('/'))) {
        return QStringLiteral(OHMRADA_PLOT_MODULE_IN_BUILD);
    }
    return QDir::cleanPath(dir + QLatin1Char('/') + QStringLiteral(OHMRADA_PLOT_MODULE_FROM_BIN));
}

const CPlotModule* PlotModule(QString* problem) {
    CLoaded& loaded = Loaded();
    if (!loaded.tried) {
        loaded.tried = true;
        loaded.module =
            LoadPlotModule(PlotModulePath(QCoreApplication::applicationDirPath()), loaded.problem);
    }
    if (problem != nullptr) {
        *problem = loaded.problem;
    }
    return loaded.module;
}

}  // namespace ohmrada::qt
