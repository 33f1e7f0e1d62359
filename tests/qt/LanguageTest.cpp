// SPDX-License-Identifier: GPL-3.0-or-later
// The desktop program in English: every window, menu, plot and the report
// without a German text; the menu "Sprache / Language" and the choice kept
// for the next start.
#include <QAbstractButton>
#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProcess>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "AnalysisWindows.h"
#include "Application.h"
#include "ControlIds.h"
#include "DesignWindow.h"
#include "HelpViewer.h"
#include "Language.h"
#include "LanguageChoice.h"
#include "LimitsWindow.h"
#include "QCustomPlotInclude.h"
#include "QtTestEnvironment.h"
#include "ReportWriter.h"
#include "TimeDomainWindow.h"
#include "support/GermanTexts.h"

namespace ohmrada::qt::test {
namespace {

// Every text a widget shows (its own, its tooltip, its items and headers).
void CollectTexts(const QWidget& widget, QStringList& texts) {
    if (widget.isWindow()) {
        texts << widget.windowTitle();
    }
    texts << widget.toolTip();
    if (const auto* label = qobject_cast<const QLabel*>(&widget)) {
        texts << label->text();
    }
    if (const auto* button = qobject_cast<const QAbstractButton*>(&widget)) {
        texts << button->text();
    }
    if (const auto* box = qobject_cast<const QGroupBox*>(&widget)) {
        texts << box->title();
    }
    if (const auto* edit = qobject_cast<const QLineEdit*>(&widget)) {
        texts << edit->text();
    }
    if (const auto* combo = qobject_cast<const QComboBox*>(&widget)) {
        for (int k = 0; k < combo->count(); ++k) {
            texts << combo->itemText(k);
        }
    }
    if (const auto* table = qobject_cast<const QTableWidget*>(&widget)) {
        for (int c = 0; c < table->columnCount(); ++c) {
            if (const QTableWidgetItem* header = table->horizontalHeaderItem(c)) {
                texts << header->text();
            }
            for (int r = 0; r < table->rowCount(); ++r) {
                if (const QTableWidgetItem* item = table->item(r, c)) {
                    texts << item->text() << item->toolTip();
                }
            }
        }
    }
    if (const auto* menu = qobject_cast<const QMenu*>(&widget)) {
        texts << menu->title();
        for (const QAction* action : menu->actions()) {
            texts << action->text();
        }
    }
    if (const auto* bar = qobject_cast<const QMenuBar*>(&widget)) {
        for (const QAction* action : bar->actions()) {
            texts << action->text();
        }
    }
    // QCustomPlot's getters are not const.
    if (auto* plot = qobject_cast<QCustomPlot*>(const_cast<QWidget*>(&widget))) {
        for (const QCPAxisRect* rect : plot->axisRects()) {
            for (const QCPAxis* axis : rect->axes()) {
                texts << axis->label();
            }
        }
        for (int k = 0; k < plot->plottableCount(); ++k) {
            texts << plot->plottable(k)->name();
        }
        for (int k = 0; k < plot->plotLayout()->elementCount(); ++k) {
            if (const auto* text =
                    qobject_cast<QCPTextElement*>(plot->plotLayout()->elementAt(k))) {
                texts << text->text();
            }
        }
    }
}

std::string AllTexts() {
    QStringList texts;
    for (const QWidget* widget : QApplication::allWidgets()) {
        CollectTexts(*widget, texts);
    }
    // Access keys and soft line breaks are not part of the words.
    return texts.join(QLatin1Char('\n')).remove(QLatin1Char('&')).toStdString();
}

QString PdfText(const QString& path) {
    QProcess pdftotext;
    pdftotext.start(QStringLiteral("pdftotext"), {path, QStringLiteral("-")});
    if (!pdftotext.waitForFinished(20000)) {
        return {};
    }
    return QString::fromUtf8(pdftotext.readAllStandardOutput());
}

// The form and every window in English, chosen before the form is built.
class EnglishWindowTest : public QtWindowTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(UseLanguage("en"));
        QtWindowTest::SetUp();
    }
    void TearDown() override {
        QtWindowTest::TearDown();
        UseLanguage(std::string(texts::kSourceLanguage));
    }

    CAnalysisWindows& Analysis() const { return *m_platform->Analysis(); }

    QTemporaryDir m_folder;
};

TEST_F(EnglishWindowTest, NoWindowMenuPlotOrReportShowsGerman) {
    ASSERT_TRUE(m_folder.isValid());
    // The form with a warning colour's tooltip and an undefined result.
    TypeInto(kIdLoadCurrent, QStringLiteral("0"));
    PressTab();
    for (const int command : {kCmdAnalyseTolerances, kCmdAnalyseLimits, kCmdAnalyseSweep,
                              kCmdAnalyseTimeDomain, kCmdSearchDesign}) {
        Trigger(command);
    }
    auto* design = dynamic_cast<CDesignWindow*>(Analysis().Window(EAnalysisWindow::kDesign));
    ASSERT_NE(design, nullptr);
    design->Search();
    CTimeDomainWindow* timeDomain = Analysis().TimeDomain();
    CLimitsWindow* limits = Analysis().Limits();
    ASSERT_NE(timeDomain, nullptr);
    ASSERT_NE(limits, nullptr);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return !design->Searching() && !design->NgspiceChecking() && !limits->Pending() &&
                   !timeDomain->Pending() && !timeDomain->Running();
        },
        120000));

    const std::string shown = AllTexts();
    EXPECT_THAT(shown, ::testing::HasSubstr("Tolerances")) << "the windows were walked";
    EXPECT_THAT(ohmrada::test::GermanFound(shown, "en"), ::testing::IsEmpty()) << shown;

    // The report, through its dialog in English.
    const QString path = m_folder.filePath(QStringLiteral("report.pdf"));
    ExpectModal([path](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Save report"));
        ASSERT_TRUE(QTest::qWaitForWindowActive(dialog));
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(name, nullptr);
        name->setText(path);
        QTest::keyClick(name, Qt::Key_Return);
    });
    Trigger(kCmdAnalyseReport);
    ASSERT_TRUE(WaitForExpectedModals());
    CReportWriter* writer = Analysis().Report();
    ASSERT_NE(writer, nullptr);
    ASSERT_TRUE(QTest::qWaitFor(
        [writer] { return writer->Outcome() != CReportWriter::EOutcome::kRunning; }, 120000));
    ASSERT_EQ(writer->Outcome(), CReportWriter::EOutcome::kWritten);
    const std::string report = PdfText(path).toStdString();
    ASSERT_THAT(report, ::testing::HasSubstr("Page 1 of"));
    EXPECT_THAT(ohmrada::test::GermanFound(report, "en"), ::testing::IsEmpty()) << report;
}

// The modal windows: the about box and the question on leaving.
TEST_F(EnglishWindowTest, AboutBoxAndTheQuestionOnLeavingSpeakEnglish) {
    QStringList texts;
    const auto collect = [&texts](QWidget* modal) {
        CollectTexts(*modal, texts);
        for (const QWidget* child : modal->findChildren<QWidget*>()) {
            CollectTexts(*child, texts);
        }
    };
    ExpectModal([&](QWidget* modal) {
        collect(modal);
        modal->close();
    });
    Trigger(kCmdHelpAbout);
    ASSERT_TRUE(WaitForExpectedModals());
    EXPECT_TRUE(texts.contains(QStringLiteral("Version 3.0 for Qt 6")));

    ASSERT_TRUE(WaitForActiveWindow());
    TypeInto(kIdLoadCurrent, QStringLiteral("4"));
    QString question;
    ExpectModal([&](QWidget* modal) {
        collect(modal);
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        question = box->text();
        EXPECT_EQ(box->button(QMessageBox::Yes)->text(), QStringLiteral("&Yes"));
        box->button(QMessageBox::Cancel)->click();
    });
    QTest::keyClick(&Field(kIdLoadCurrent), Qt::Key_Escape);
    ASSERT_TRUE(WaitForExpectedModals());
    EXPECT_EQ(question, QStringLiteral("Save changes?"));
    const std::string shown = texts.join(QLatin1Char('\n')).remove(QLatin1Char('&')).toStdString();
    EXPECT_THAT(ohmrada::test::GermanFound(shown, "en"), ::testing::IsEmpty()) << shown;
}

TEST_F(EnglishWindowTest, HelpAndF1OpenTheEnglishPages) {
    Trigger(kCmdHelpUsage);
    CHelpViewer* viewer = m_platform->HelpViewer();
    ASSERT_NE(viewer, nullptr);
    EXPECT_EQ(viewer->windowTitle(), QStringLiteral("Ohmrada Help"));
    EXPECT_TRUE(viewer->Browser()->source().path().endsWith(QStringLiteral("/en/index.html")))
        << viewer->Browser()->source().toString().toStdString();
    EXPECT_TRUE(viewer->Browser()->toPlainText().contains(QStringLiteral("Contents")));
    // The windows' list made by the build, in English.
    EXPECT_TRUE(viewer->Browser()->toPlainText().contains(QStringLiteral("Time domain")));

    Window().activateWindow();
    ASSERT_TRUE(WaitForActiveWindow());
    QTest::keyClick(&Field(kIdCapacitance), Qt::Key_F1);
    EXPECT_TRUE(viewer->Browser()->source().path().endsWith(QStringLiteral("/en/formular.html")));
}

// The language menu stands before "?", checks the language spoken and
// keeps the user's choice for the next start, which speaks it.
TEST(LanguageMenu, TheChoiceSurvivesARestart) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString settings = folder.filePath(QStringLiteral("fenster.ini"));
    ASSERT_EQ(StartLanguage(std::nullopt, settings), "de") << "German before any choice";

    QMenuBar bar;
    QMenu* help = bar.addMenu(QStringLiteral("&?"));
    QMenu* menu = AddLanguageMenu(bar, help, settings, nullptr);
    ASSERT_EQ(bar.actions().size(), 2);
    EXPECT_EQ(bar.actions().at(0), menu->menuAction());
    EXPECT_EQ(menu->title(), QStringLiteral("&Sprache / Language"));
    QStringList names;
    QAction* english = nullptr;
    for (QAction* action : menu->actions()) {
        names << action->text();
        EXPECT_EQ(action->isChecked(), action->data().toString() == QStringLiteral("de"));
        if (action->data().toString() == QStringLiteral("en")) {
            english = action;
        }
    }
    EXPECT_EQ(names, (QStringList{QStringLiteral("Deutsch"), QStringLiteral("English")}));
    ASSERT_NE(english, nullptr);

    // Chosen from German: the notice is in English, the language it names.
    QString notice;
    QTimer::singleShot(0, &bar, [&notice] {
        ASSERT_TRUE(QTest::qWaitFor([] { return QApplication::activeModalWidget() != nullptr; }));
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        notice = box->text();
        box->accept();
    });
    english->trigger();
    EXPECT_EQ(notice, QStringLiteral("Ohmrada speaks the chosen language from its next start on."));
    EXPECT_EQ(texts::CurrentLanguage(), "de") << "this run keeps its language";

    // The next start.
    EXPECT_EQ(StoredLanguage(settings), std::optional<std::string>("en"));
    EXPECT_EQ(StartLanguage(std::nullopt, settings), "en");
    EXPECT_EQ(StartLanguage(std::string("de"), settings), "de") << "the command line wins";
    const CCommandLine line = ParseCommandLine({"--language", "de", "netzteil.odr"});
    EXPECT_EQ(line.language, std::optional<std::string>("de"));
    EXPECT_EQ(line.file, std::optional<std::string>("netzteil.odr"));
}

TEST(LanguageMenu, AStoredLanguageTheProgramDoesNotKnowIsGerman) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString settings = folder.filePath(QStringLiteral("fenster.ini"));
    StoreLanguage(settings, "tlh");
    EXPECT_EQ(StoredLanguage(settings), std::nullopt);
    EXPECT_EQ(StartLanguage(std::nullopt, settings), "de");
}

struct CLineCase {
    const char* name;
    std::vector<std::string> arguments;
    std::optional<std::string> language;
    const char* error;  // a piece of the message, nullptr for none
};

class LanguageCommandLineTest : public ::testing::TestWithParam<CLineCase> {};

TEST_P(LanguageCommandLineTest, ReadsOrRefusesTheLanguage) {
    const CCommandLine line = ParseCommandLine(GetParam().arguments);
    EXPECT_EQ(line.language, GetParam().language);
    if (GetParam().error == nullptr) {
        EXPECT_FALSE(line.error) << *line.error;
    } else {
        ASSERT_TRUE(line.error);
        EXPECT_THAT(*line.error, ::testing::HasSubstr(GetParam().error));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, LanguageCommandLineTest,
    ::testing::Values(
        CLineCase{"English", {"--language", "en"}, "en", nullptr},
        CLineCase{"WithEquals", {"--language=de"}, "de", nullptr},
        CLineCase{"Unknown", {"--language", "fr"}, std::nullopt, "unknown language 'fr'"},
        CLineCase{"MissingValue", {"--language"}, std::nullopt, "--language needs a value"},
        CLineCase{"TwoFilesBesideIt",
                  {"a.odr", "--language", "en", "b.odr"},
                  "en",
                  "one file at most, not 2"}),
    [](const ::testing::TestParamInfo<CLineCase>& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace ohmrada::qt::test
