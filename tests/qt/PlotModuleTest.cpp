// SPDX-License-Identifier: GPL-3.0-or-later
// The plot windows and the report as the program has them: in the module
// ohmrada-plots, loaded on first use. This test program is linked as the
// program is (the plots are not in it), and loads the module the build wrote.
#include <link.h>

#include <string>

#include <QAction>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTest>

#include "AnalysisTexts.h"
#include "AnalysisWindows.h"
#include "ControlIds.h"
#include "PlotModule.h"
#include "QtTestEnvironment.h"
#include "ToolWindow.h"

namespace ohmrada::qt::test {
namespace {

namespace ta = texts::analysis;

// Whether a library whose file name contains part is loaded in this process.
bool IsLoaded(const char* part) {
    struct CSearch {
        const char* part;
        bool found;
    } search{part, false};
    dl_iterate_phdr(
        [](dl_phdr_info* info, std::size_t, void* data) {
            auto* wanted = static_cast<CSearch*>(data);
            if (info->dlpi_name != nullptr &&
                std::string(info->dlpi_name).find(wanted->part) != std::string::npos) {
                wanted->found = true;
            }
            return 0;
        },
        &search);
    return search.found;
}

const QString kBuiltModule = QStringLiteral(OHMRADA_TEST_PLOT_MODULE);

class PlotModuleWindowTest : public QtWindowTest {
protected:
    CAnalysisWindows& Analysis() const { return *m_platform->Analysis(); }
    void Trigger(int command) const {
        QAction* action = Window().Action(command);
        ASSERT_NE(action, nullptr);
        action->trigger();
    }
};

// (First in this file: the libraries are checked before anything loaded
// the module into the process.)
TEST_F(PlotModuleWindowTest, PlotLibrariesAreLoadedOnlyWhenAPlotWindowOrTheReportIsFirstUsed) {
    // The form and the windows without plots need neither library.
    ASSERT_FALSE(IsLoaded("QCustomPlot")) << "the program itself linked the plot library";
    Trigger(kCmdAnalyseTolerances);
    Trigger(kCmdAnalyseLimits);
    EXPECT_FALSE(IsLoaded("QCustomPlot"));
    EXPECT_FALSE(IsLoaded("PrintSupport"));
    EXPECT_FALSE(IsLoaded("ohmrada-plots"));

    Trigger(kCmdAnalyseSweep);
    ASSERT_NE(Analysis().Window(EAnalysisWindow::kSweep), nullptr);
    EXPECT_TRUE(Analysis().Window(EAnalysisWindow::kSweep)->isVisible());
    EXPECT_EQ(Analysis().Window(EAnalysisWindow::kSweep)->windowTitle().toStdString(),
              ta::kSweepTitle);
    EXPECT_TRUE(IsLoaded("ohmrada-plots"));
    EXPECT_TRUE(IsLoaded("QCustomPlot"));

    Trigger(kCmdAnalyseTimeDomain);
    ASSERT_NE(Analysis().Window(EAnalysisWindow::kTimeDomain), nullptr);
    EXPECT_EQ(Analysis().Window(EAnalysisWindow::kTimeDomain)->windowTitle().toStdString(),
              ta::kTimeDomainTitle);

    // The report's writer comes from the module too; its file dialog is
    // cancelled here.
    ExpectModal([](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        dialog->reject();
    });
    Trigger(kCmdAnalyseReport);
    EXPECT_TRUE(WaitForExpectedModals());
    EXPECT_TRUE(Analysis().HasReport());
    // Closing the form's windows goes through the module's code as well.
    Analysis().CloseAll();
    EXPECT_FALSE(Analysis().Window(EAnalysisWindow::kSweep)->isVisible());
}

TEST(PlotModuleLoad, OnlyThisBuildsModuleByItsAbsolutePathIsTaken) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString text = folder.filePath(QStringLiteral("text.so"));
    {
        QFile file(text);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("not a library\n");
    }
    // The real module, copied into the working folder and named relatively.
    const QString copied = folder.filePath(QStringLiteral("ohmrada-plots.so"));
    ASSERT_TRUE(QFile::copy(kBuiltModule, copied));
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(folder.path()));

    struct CCase {
        const char* name;
        QString path;
        bool taken;
    };
    const CCase cases[] = {
        {"the module the build wrote", kBuiltModule, true},
        {"a name relative to the working folder", QStringLiteral("ohmrada-plots.so"), false},
        {"a relative path into the working folder", QStringLiteral("./ohmrada-plots.so"), false},
        {"a missing file", folder.filePath(QStringLiteral("missing.so")), false},
        {"a folder", folder.path(), false},
        {"a text file", text, false},
        {"a module of another build", QStringLiteral(OHMRADA_TEST_OTHER_MODULE), false},
    };
    for (const CCase& c : cases) {
        QString problem;
        const CPlotModule* module = LoadPlotModule(c.path, problem);
        EXPECT_EQ(module != nullptr, c.taken) << c.name;
        if (c.taken) {
            EXPECT_TRUE(problem.isEmpty()) << c.name;
            ASSERT_NE(module, nullptr);
            EXPECT_NE(module->makeSweep, nullptr);
        } else {
            // The message names the file (as the user would look for it).
            EXPECT_TRUE(problem.contains(QDir::toNativeSeparators(c.path))) << c.name;
        }
    }
    ASSERT_TRUE(QDir::setCurrent(previous));
}

TEST(PlotModuleLoad, TheInstalledModuleIsLookedForBesideTheInstalledProgramOnly) {
    // Wherever the program is installed, the module is under the same
    // prefix, by an absolute path; the build tree's program uses the build's
    // module.
    const struct {
        const char* name;
        QString programDir;
        QString prefix;
    } cases[] = {
        {"/usr", QStringLiteral("/usr/bin"), QStringLiteral("/usr/")},
        {"/opt", QStringLiteral("/opt/ohmrada/bin"), QStringLiteral("/opt/ohmrada/")},
        {"a home folder", QStringLiteral("/home/user/.local/bin"),
         QStringLiteral("/home/user/.local/")},
    };
    for (const auto& c : cases) {
        const QString path = PlotModulePath(c.programDir);
        EXPECT_TRUE(QDir::isAbsolutePath(path)) << c.name;
        EXPECT_TRUE(path.startsWith(c.prefix)) << c.name << ": " << path.toStdString();
        EXPECT_TRUE(path.endsWith(QStringLiteral("/ohmrada-plots.so"))) << c.name;
        EXPECT_EQ(path, QDir::cleanPath(path)) << c.name;
    }
    EXPECT_EQ(PlotModulePath(QFileInfo(kBuiltModule).path()), kBuiltModule);
}

}  // namespace
}  // namespace ohmrada::qt::test
