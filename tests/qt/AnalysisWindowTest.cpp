// SPDX-License-Identifier: GPL-3.0-or-later
// The menu "&Analyse" on the real window: its four windows beside the form,
// the form's warning colours and the report, driven as a user drives them
// and held against ohmrada-calc and the analysis library for the same design.
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFileDialog>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include "AnalysisTexts.h"
#include "AnalysisWindows.h"
#include "FormLabels.h"
#include "HelpViewer.h"
#include "LimitsWindow.h"
#include "NumberText.h"
#include "PlotWidget.h"
#include "QtTestEnvironment.h"
#include "SaveAtomically.h"
#include "Simulator.h"
#include "SweepWindow.h"
#include "TimeDomainWindow.h"
#include "ToleranceWindow.h"
#include "support/StartUpForm.h"

namespace ohmrada::qt::test {

namespace {

namespace ta = texts::analysis;
using EKind = CFormWarnings::EKind;

// ohmrada-calc's JSON answer for the start-up design with the given
// arguments: the object of the one input.
QJsonObject Calc(const QStringList& arguments) {
    QProcess calc;
    calc.start(QStringLiteral(OHMRADA_CALC_PATH), arguments);
    EXPECT_TRUE(calc.waitForFinished(20000));
    EXPECT_EQ(calc.exitCode(), 0) << calc.readAllStandardError().toStdString();
    const QJsonDocument document = QJsonDocument::fromJson(calc.readAllStandardOutput());
    EXPECT_TRUE(document.isArray());
    return document.array().at(0).toObject();
}

QString Shown(double value) {
    return FormatNumber(value, 3);
}

class AnalysisWindowTest : public QtWindowTest {
protected:
    CAnalysisWindows& Analysis() const { return *m_platform->Analysis(); }

    // Types text into a field and leaves it with Tab, as a user does.
    void Enter(int id, const QString& text) {
        // A click into a field of an inactive form activates it on a desktop.
        EXPECT_TRUE(WaitForActiveWindow());
        TypeInto(id, text);
        PressTab();
    }

    // The same typing on the reference form.
    static void Enter(CReferenceForm& reference, int id, const std::string& text) {
        reference.platform.SetItemText(id, text);
        reference.dialog.OnKillFocus(id);
    }

    CDesign FormDesign() const { return CDesign::TakeFrom(m_dialog->Supply()); }

    // Opens a window from the menu and goes back to the form. (The offscreen
    // platform activates every window it shows; a desktop does not activate
    // a window shown without activation.)
    void Open(int command) {
        Trigger(command);
        ASSERT_TRUE(WaitForActiveWindow());
    }
};

TEST_F(AnalysisWindowTest, EachWindowOpensBesideTheFormWithoutTakingTheFocus) {
    struct CCase {
        int command;
        std::function<QWidget*(const CAnalysisWindows&)> window;
        const char* title;
        const char* helpPage;
    };
    const CCase kCases[] = {
        {kCmdAnalyseTolerances, [](const CAnalysisWindows& a) { return a.Tolerances(); },
         ta::kTolerancesTitle, ta::kTolerancesHelp},
        {kCmdAnalyseLimits, [](const CAnalysisWindows& a) { return a.Limits(); }, ta::kLimitsTitle,
         ta::kLimitsHelp},
        {kCmdAnalyseSweep, [](const CAnalysisWindows& a) { return a.Sweep(); }, ta::kSweepTitle,
         ta::kSweepHelp},
        {kCmdAnalyseTimeDomain, [](const CAnalysisWindows& a) { return a.TimeDomain(); },
         ta::kTimeDomainTitle, ta::kTimeDomainHelp},
    };
    Field(kIdCapacitance).setFocus();
    const CReferenceForm reference;
    for (const CCase& c : kCases) {
        SCOPED_TRACE(c.title);
        EXPECT_EQ(c.window(Analysis()), nullptr);
        Trigger(c.command);
        QWidget* window = c.window(Analysis());
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
        EXPECT_EQ(window->windowTitle().toStdString(), c.title);
        EXPECT_EQ(window->parentWidget(), &Window()) << "belongs to the form";
        EXPECT_TRUE(window->testAttribute(Qt::WA_ShowWithoutActivating));
        EXPECT_TRUE(window->windowFlags().testFlag(Qt::Tool));
        // The form keeps its focus field and shows what it showed.
        EXPECT_EQ(Window().focusWidget(), &Field(kIdCapacitance));
        ExpectSameFields(reference);
        // Again: the same window, raised.
        Trigger(c.command);
        EXPECT_EQ(c.window(Analysis()), window);
        // F1 in the window: its own help page.
        QTest::keyClick(window, Qt::Key_F1);
        ASSERT_NE(m_platform->HelpViewer(), nullptr);
        EXPECT_EQ(m_platform->HelpViewer()->CurrentPage().toStdString(), c.helpPage);
    }
    // The windows close with the form.
    m_platform->EndDialog(kCmdCancel);
    for (const CCase& c : kCases) {
        EXPECT_FALSE(c.window(Analysis())->isVisible()) << c.title;
    }
}

TEST_F(AnalysisWindowTest, TolerancesFollowTheFormAndAgreeWithOhmradaCalc) {
    Open(kCmdAnalyseTolerances);
    CToleranceWindow& window = *Analysis().Tolerances();
    Enter(kIdLoadCurrent, QStringLiteral("3"));
    window.JunctionLimit()->setValue(110.0);

    const QJsonObject calc =
        Calc({QStringLiteral("worst-case"), QStringLiteral("--format"), QStringLiteral("json"),
              QStringLiteral("--set"), QStringLiteral("Ib=3"), QStringLiteral("--tj-max"),
              QStringLiteral("110")});
    const QJsonArray corners = calc.value(QStringLiteral("corners")).toArray();
    ASSERT_EQ(corners.size(), 3);
    const QTableWidget& table = *window.Table();
    for (int row = 0; row < 3; ++row) {
        const QJsonObject corner = corners.at(row).toObject();
        const QJsonObject results = corner.value(QStringLiteral("results")).toObject();
        SCOPED_TRACE(corner.value(QStringLiteral("corner")).toString().toStdString());
        auto cell = [&](int column) { return table.item(row, column)->text(); };
        auto broken = [&](int column) {
            return table.item(row, column)->background().color() == CFormWarnings::LimitColour();
        };
        EXPECT_EQ(cell(CToleranceWindow::kColumnMinimum),
                  Shown(results.value(QStringLiteral("minimum_voltage_v")).toDouble()));
        EXPECT_TRUE(
            cell(CToleranceWindow::kColumnPower)
                .endsWith(Shown(results.value(QStringLiteral("input_power_w")).toDouble())));
        EXPECT_TRUE(cell(CToleranceWindow::kColumnTarget)
                        .endsWith(Shown(corner.value(QStringLiteral("headroom_v")).toDouble())));
        const bool held = corner.value(QStringLiteral("target_held")).toBool();
        EXPECT_EQ(cell(CToleranceWindow::kColumnTarget).startsWith(QStringLiteral("gehalten")),
                  held);
        EXPECT_EQ(broken(CToleranceWindow::kColumnTarget), !held);
        const bool hot = corner.value(QStringLiteral("junction_over_limit")).toBool();
        EXPECT_EQ(cell(CToleranceWindow::kColumnJunction).startsWith(QStringLiteral("zu hei")),
                  hot);
        EXPECT_EQ(broken(CToleranceWindow::kColumnJunction), hot);
    }
    // The nominal corner is the form itself.
    EXPECT_EQ(table.item(0, CToleranceWindow::kColumnMinimum)->text().toStdString(),
              Text(kIdMinimumVoltage));
    // At Ib = 3 the junction runs at 117.3 °C: above Tj,max 110 in the
    // nominal corner, and the form's field says so.
    EXPECT_TRUE(corners.at(0).toObject().value(QStringLiteral("junction_over_limit")).toBool());
    EXPECT_EQ(Analysis().Warnings().KindOf(kIdJunctionTemperature), EKind::kLimit);
}

TEST_F(AnalysisWindowTest, LimitsAgreeWithOhmradaCalcAndTheirButtonsTypeIntoTheForm) {
    Open(kCmdAnalyseLimits);
    CLimitsWindow& window = *Analysis().Limits();
    const QJsonObject calc =
        Calc({QStringLiteral("limits"), QStringLiteral("--format"), QStringLiteral("json")});
    auto number = [&](const char* search, const char* name) {
        return calc.value(QString::fromUtf8(search))
            .toObject()
            .value(QString::fromUtf8(name))
            .toDouble();
    };
    const QStringList texts = window.ValueTexts();
    const std::vector<std::pair<const char*, const char*>> kShown = {
        {"max_transformer_load", "current_a"},
        {"max_transformer_load", "power_w"},
        {"max_regulated_current", "nominal_a"},
        {"max_regulated_current", "low_mains_a"},
        {"max_regulator_power", "power_w"},
        {"max_regulator_power", "current_a"},
        {"max_regulator_power", "thermal_resistance_k_per_w"},
        {"best_efficiency", "scale"},
    };
    ASSERT_GE(texts.size(), static_cast<qsizetype>(kShown.size()));
    for (std::size_t i = 0; i < kShown.size(); ++i) {
        EXPECT_TRUE(texts[static_cast<qsizetype>(i)].startsWith(
            Shown(number(kShown[i].first, kShown[i].second))))
            << kShown[i].first << "." << kShown[i].second;
    }

    // Each button types its value and leaves the field; the form's own cycle
    // runs and shows what a form given the same typing shows, without the
    // regulation message (the watchdog would catch it).
    struct CButton {
        CLimitsWindow::EEntry entry;
        std::vector<int> fields;
    };
    const CButton kButtons[] = {
        {CLimitsWindow::kEnterTransformer, {kIdRatedVoltage, kIdNoLoadVoltage, kIdRatedCurrent}},
        {CLimitsWindow::kEnterCurrent, {kIdLoadCurrent}},
        {CLimitsWindow::kEnterVoltage, {kIdTargetVoltage}},
    };
    CReferenceForm reference;
    for (const CButton& button : kButtons) {
        SCOPED_TRACE(static_cast<int>(button.entry));
        const CLimits limits = FindLimits(FormDesign(), Analysis().Settings().analysis);
        const float values[] = {limits.maxRegulatedCurrent.nominal.value,
                                limits.highestVoltage.nominalV,
                                limits.bestEfficiency.ratedVoltage.value_or(0.0f),
                                limits.bestEfficiency.noLoadVoltage.value_or(0.0f),
                                limits.bestEfficiency.ratedCurrent.value_or(0.0f)};
        const std::size_t first = button.entry == CLimitsWindow::kEnterCurrent   ? 0
                                  : button.entry == CLimitsWindow::kEnterVoltage ? 1
                                                                                 : 2;
        ASSERT_TRUE(window.EntryButton(button.entry)->isEnabled());
        QTest::mouseClick(window.EntryButton(button.entry), Qt::LeftButton);
        for (std::size_t i = 0; i < button.fields.size(); ++i) {
            const int id = button.fields[i];
            EXPECT_EQ(Text(id), FormatFieldValue(values[first + i], 3)) << "field " << id;
            Enter(reference, id, CAnalysisWindows::TextToType(values[first + i]));
        }
        ExpectSameFields(reference);
        if (button.entry == CLimitsWindow::kEnterTransformer) {
            // The best transformer holds the target in the low corner.
            const CWorstCase worstCase =
                AnalyseWorstCase(FormDesign(), Analysis().Settings().analysis);
            EXPECT_FALSE(worstCase.corners[1].check.targetNotHeld);
        }
    }
}

TEST_F(AnalysisWindowTest, ColoursComeAndGoWithTheirConditions) {
    struct CStep {
        const char* name;
        int field;
        const char* text;
        bool message;  // the regulation message comes up
        EKind junction, inputPower, minimum;
    };
    const CStep kSteps[] = {
        {"start-up: the junction at 144.9 above Tj,max 125", 0, "", false, EKind::kLimit,
         EKind::kNone, EKind::kNone},
        {"a larger heat sink cools it", kIdThermalResistance, "2", false, EKind::kNone,
         EKind::kNone, EKind::kNone},
        {"7 A draw more than the rated power: the beep", kIdLoadCurrent, "7", false, EKind::kNone,
         EKind::kLimit, EKind::kNone},
        {"back to 5 A", kIdLoadCurrent, "5", false, EKind::kNone, EKind::kNone, EKind::kNone},
        {"30 V cannot be held: the message", kIdTargetVoltage, "30", true, EKind::kNone,
         EKind::kNone, EKind::kLimit},
        {"the next cycle without message", kIdLoadCurrent, "4", false, EKind::kNone, EKind::kNone,
         EKind::kNone},
    };
    for (const CStep& step : kSteps) {
        SCOPED_TRACE(step.name);
        if (step.message) {
            ExpectModal([](QWidget* modal) {
                auto* box = qobject_cast<QMessageBox*>(modal);
                ASSERT_NE(box, nullptr);
                box->button(QMessageBox::Ok)->click();
            });
        }
        if (step.field != 0) {
            Enter(step.field, QString::fromUtf8(step.text));
        }
        ASSERT_TRUE(WaitForExpectedModals());
        const CFormWarnings& warnings = Analysis().Warnings();
        EXPECT_EQ(warnings.KindOf(kIdJunctionTemperature), step.junction);
        EXPECT_EQ(warnings.KindOf(kIdInputPower), step.inputPower);
        EXPECT_EQ(warnings.KindOf(kIdMinimumVoltage), step.minimum);
        EXPECT_EQ(warnings.KindOf(kIdRatedPower), EKind::kNone);
        const QColor base = Field(kIdMinimumVoltage).palette().color(QPalette::Base);
        EXPECT_EQ(base == CFormWarnings::LimitColour(), step.minimum == EKind::kLimit);
        ASSERT_TRUE(WaitForActiveWindow());
    }
    // The texts are the form's own, colours or not.
    CReferenceForm reference;
    Enter(reference, kIdThermalResistance, "2");
    Enter(reference, kIdLoadCurrent, "7");
    Enter(reference, kIdLoadCurrent, "5");
    Enter(reference, kIdTargetVoltage, "30");
    Enter(reference, kIdLoadCurrent, "4");
    ExpectSameFields(reference);
}

TEST_F(AnalysisWindowTest, SweepFollowsTheFormAndExportsPngPdfAndCsv) {
    Open(kCmdAnalyseSweep);
    CSweepWindow& window = *Analysis().Sweep();
    window.SetInput(EInput::kIb);
    window.SetRange(1.0, 7.0, 13, ESpacing::kLinear);
    for (const char* nennI : {"", "4"}) {
        SCOPED_TRACE(nennI);
        if (*nennI != '\0') {
            Enter(kIdRatedCurrent, QString::fromUtf8(nennI));
        }
        // The library's sweep of the design the form holds.
        std::vector<CSweepPoint> expected;
        RunSweep(FormDesign(), window.Spec(), [&](const CSweepPoint& point) {
            expected.push_back(point);
            return true;
        });
        ASSERT_EQ(window.Points().size(), 13u);
        ASSERT_EQ(expected.size(), 13u);
        for (std::size_t i = 0; i < expected.size(); ++i) {
            EXPECT_EQ(window.Points()[i].evaluation.results, expected[i].evaluation.results);
            EXPECT_EQ(window.Points()[i].targetHeld, expected[i].targetHeld);
        }
    }
    // Marks: the current design and, at 7 A, the overload.
    EXPECT_GT(window.Plot()->graphCount(), 2);

    QTemporaryDir folder;
    const QString png = folder.filePath(QStringLiteral("verlauf.png"));
    const QString pdf = folder.filePath(QStringLiteral("verlauf.pdf"));
    const QString csv = folder.filePath(QStringLiteral("verlauf.csv"));
    ASSERT_TRUE(window.ExportTo(png));
    ASSERT_TRUE(window.ExportTo(pdf));
    ASSERT_TRUE(window.ExportTo(csv));
    EXPECT_FALSE(QImage(png).isNull());
    QFile pdfFile(pdf);
    ASSERT_TRUE(pdfFile.open(QIODevice::ReadOnly));
    EXPECT_TRUE(pdfFile.read(5).startsWith("%PDF"));
    QFile csvFile(csv);
    ASSERT_TRUE(csvFile.open(QIODevice::ReadOnly));
    const QByteArray written = csvFile.readAll();
    EXPECT_EQ(written.trimmed().split('\n').size(), 14);
    // ohmrada-calc writes the same table for the same design.
    QProcess calc;
    calc.start(QStringLiteral(OHMRADA_CALC_PATH),
               {QStringLiteral("sweep"), QStringLiteral("Ib=1:7:13"), QStringLiteral("--set"),
                QStringLiteral("NennI=4")});
    ASSERT_TRUE(calc.waitForFinished(20000));
    EXPECT_EQ(written.toStdString(), calc.readAllStandardOutput().toStdString());
    // A file that cannot be written is reported as such.
    EXPECT_FALSE(window.ExportTo(folder.filePath(QStringLiteral("fehlt/verlauf.png"))));

    // Logarithmic: evenly spaced on a log axis; a bound of 0 is refused.
    window.SetRange(0.1, 10.0, 3, ESpacing::kLog);
    ASSERT_EQ(window.Points().size(), 3u);
    EXPECT_FLOAT_EQ(window.Points()[1].typed, 1.0f);
    EXPECT_EQ(window.Plot()->xAxis->scaleType(), QCPAxis::stLogarithmic);
    window.SetRange(0.0, 10.0, 3, ESpacing::kLog);
    EXPECT_TRUE(window.Points().empty());
}

TEST_F(AnalysisWindowTest, SweepSimulatesBesideTheFormAndCanBeCancelled) {
    Open(kCmdAnalyseSweep);
    CSweepWindow& window = *Analysis().Sweep();
    window.SetInput(EInput::kIb);
    window.SetRange(2.0, 6.0, 5, ESpacing::kLinear);
    const int drawn = window.Plot()->graphCount();
    window.SetSimulate(true);
    EXPECT_TRUE(window.Simulating());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window.Simulating(); }, 60000));
    if (window.SimulatedPoints().empty()) {
        GTEST_SKIP() << "ngspice is not installed";
    }
    ASSERT_EQ(window.SimulatedPoints().size(), 5u);
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_DOUBLE_EQ(window.SimulatedPoints()[i].x, 2.0 + static_cast<double>(i));
        // The time domain's minimum lies below the form's approximation here.
        EXPECT_LT(window.SimulatedPoints()[i].measurements.minimumVoltage,
                  window.Points()[i].evaluation[EResult::kMinimumVoltage]);
    }
    EXPECT_EQ(window.Plot()->graphCount(), drawn + 2) << "two simulated curves";

    // A change of the form starts it again; cancelling ends it.
    Enter(kIdRatedCurrent, QStringLiteral("4"));
    EXPECT_TRUE(window.Simulating());
    window.CancelSimulation();
    EXPECT_FALSE(window.Simulating());
}

TEST_F(AnalysisWindowTest, TolerancesEnteredMoveTheCorners) {
    Open(kCmdAnalyseTolerances);
    CToleranceWindow& window = *Analysis().Tolerances();
    struct CCase {
        double mains;
        double capacitor;
        const char* lowMains;
        const char* highMains;
        const char* lowCapacitance;
    };
    const CCase kCases[] = {
        {15.0, 30.0, "85", "115", "21000"},
        {0.0, 0.0, "100", "100", "30000"},
    };
    for (const CCase& c : kCases) {
        SCOPED_TRACE(c.mains);
        window.MainsLowTolerance()->setValue(c.mains);
        window.MainsHighTolerance()->setValue(c.mains);
        window.CapacitorTolerance()->setValue(c.capacitor);
        const QTableWidget& table = *window.Table();
        EXPECT_EQ(table.item(1, CToleranceWindow::kColumnMains)->text().toStdString(), c.lowMains);
        EXPECT_EQ(table.item(2, CToleranceWindow::kColumnMains)->text().toStdString(), c.highMains);
        EXPECT_EQ(table.item(1, CToleranceWindow::kColumnCapacitance)->text().toStdString(),
                  c.lowCapacitance);
        EXPECT_EQ(Analysis().Settings().analysis.mainsLowTolerancePct, c.mains);
        EXPECT_EQ(Analysis().Settings().analysis.mainsHighTolerancePct, c.mains);
    }
    // Without tolerance every corner is the form.
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(window.Table()->item(row, CToleranceWindow::kColumnMinimum)->text().toStdString(),
                  Text(kIdMinimumVoltage));
    }
}

// A region fills both mains tolerances; a value of the user's that matches
// no region is "eigene".
TEST_F(AnalysisWindowTest, AMainsRegionFillsTheTolerancesOfEachSide) {
    Open(kCmdAnalyseTolerances);
    CToleranceWindow& window = *Analysis().Tolerances();
    QComboBox& region = *window.MainsRegion();
    ASSERT_EQ(region.count(), 4);
    EXPECT_EQ(region.currentText(), QStringLiteral("EN 50160 (±10 %)"));
    const int rangeB = region.findText(QStringLiteral("ANSI C84.1 B (−8.3/+5.8 %)"));
    ASSERT_GE(rangeB, 0);
    region.setCurrentIndex(rangeB);
    Q_EMIT region.activated(rangeB);
    const CAnalysisSettings& settings = Analysis().Settings().analysis;
    EXPECT_DOUBLE_EQ(settings.mainsLowTolerancePct, 8.3);
    EXPECT_DOUBLE_EQ(settings.mainsHighTolerancePct, 5.8);
    EXPECT_EQ(window.Table()->item(1, CToleranceWindow::kColumnMains)->text(),
              QStringLiteral("92"));
    EXPECT_EQ(window.Table()->item(2, CToleranceWindow::kColumnMains)->text(),
              QStringLiteral("106"));
    window.MainsHighTolerance()->setValue(7.0);
    EXPECT_EQ(region.currentText(), QStringLiteral("eigene"));
    EXPECT_DOUBLE_EQ(Analysis().Settings().analysis.mainsLowTolerancePct, 8.3);
    window.MainsLowTolerance()->setValue(5.0);
    window.MainsHighTolerance()->setValue(5.0);
    EXPECT_EQ(region.currentText(), QStringLiteral("ANSI C84.1 A (−5/+5 %)"));
}

TEST_F(AnalysisWindowTest, EscClosesAWindowAndClosingStopsItsSimulation) {
    Open(kCmdAnalyseTimeDomain);
    CTimeDomainWindow& window = *Analysis().TimeDomain();
    window.Restart();
    EXPECT_TRUE(window.Running());
    QTest::keyClick(&window, Qt::Key_Escape);
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(window.Running());
    // The form is untouched by it.
    CReferenceForm reference;
    ExpectSameFields(reference);
}

TEST(SaveAtomicallyTest, AFailedWriteLeavesTheOldFileAndNoTrace) {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("alt.csv"));
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("alt");
    }
    struct CCase {
        const char* name;
        bool succeeds;
        const char* after;
    };
    const CCase kCases[] = {{"failing half-way", false, "alt"}, {"complete", true, "neu"}};
    for (const CCase& c : kCases) {
        SCOPED_TRACE(c.name);
        const bool saved = SaveAtomically(path, [&](QIODevice& device) {
            device.write(c.succeeds ? "neu" : "halb");
            return c.succeeds;
        });
        EXPECT_EQ(saved, c.succeeds);
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), QByteArray(c.after));
        EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files),
                  QStringList{QStringLiteral("alt.csv")})
            << "no temporary file left";
    }
}

// The time-domain window needs ngspice; without it, it says so.
class TimeDomainTest : public AnalysisWindowTest {
protected:
    CTimeDomainWindow& OpenTimeDomain() {
        Open(kCmdAnalyseTimeDomain);
        return *Analysis().TimeDomain();
    }
    static bool WaitForEnd(const CTimeDomainWindow& window) {
        return QTest::qWaitFor([&] { return !window.Running() && !window.Pending(); }, 60000);
    }
};

TEST_F(TimeDomainTest, RunsOffTheGuiThreadCancelsAndRestartsAfterAChange) {
    CTimeDomainWindow& window = OpenTimeDomain();
    EXPECT_TRUE(window.Running()) << "starts at once";
    EXPECT_TRUE(window.CancelButton()->isEnabled());
    QTest::mouseClick(window.CancelButton(), Qt::LeftButton);
    EXPECT_FALSE(window.Running());
    EXPECT_EQ(window.StatusText().toStdString(), ta::kSimulationCancelled);

    window.Restart();
    ASSERT_TRUE(WaitForEnd(window));
    ASSERT_TRUE(window.Result().has_value());
    if (window.Result()->error == ESimulationError::kNgspiceMissing) {
        GTEST_SKIP() << "ngspice is not installed";
    }
    ASSERT_TRUE(window.Result()->Ok()) << window.Result()->message;
    EXPECT_TRUE(window.HasResultFor(FormDesign()));
    EXPECT_EQ(window.ComparisonTable()->rowCount(), 8);
    // Each half of the start-up transformer carries more than its rated
    // current: the rated-power field shows it.
    EXPECT_GT(window.Result()->measurements.windingRmsCurrent, 3.333);
    EXPECT_EQ(Analysis().Warnings().KindOf(kIdRatedPower), EKind::kSimulation);

    // A change of the form: the colour goes at once (the simulation was of
    // another design), the new run starts after the pause.
    Enter(kIdLoadCurrent, QStringLiteral("1"));
    EXPECT_EQ(Analysis().Warnings().KindOf(kIdRatedPower), EKind::kNone);
    EXPECT_TRUE(window.Pending());
    EXPECT_FALSE(window.HasResultFor(FormDesign()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.Running(); }, 5000));
    ASSERT_TRUE(WaitForEnd(window));
    EXPECT_TRUE(window.HasResultFor(FormDesign()));
    EXPECT_EQ(Analysis().Warnings().KindOf(kIdRatedPower),
              window.Result()->measurements.windingRmsCurrent > 3.333 ? EKind::kSimulation
                                                                      : EKind::kNone);
}

TEST_F(TimeDomainTest, WithoutNgspiceSaysSoWhileTheFormWorks) {
    qputenv("OHMRADA_NGSPICE_LIBRARY", "/nonexistent/libngspice.so.0");
    UnloadSimulator();
    CTimeDomainWindow& window = OpenTimeDomain();
    ASSERT_TRUE(WaitForEnd(window));
    EXPECT_EQ(window.StatusText().toStdString(), ta::kNgspiceMissing);
    EXPECT_EQ(window.ComparisonTable()->rowCount(), 0);
    Enter(kIdLoadCurrent, QStringLiteral("4"));
    CReferenceForm reference;
    Enter(reference, kIdLoadCurrent, "4");
    ExpectSameFields(reference);
    ASSERT_TRUE(WaitForEnd(window));
    EXPECT_EQ(window.StatusText().toStdString(), ta::kNgspiceMissing);
    qunsetenv("OHMRADA_NGSPICE_LIBRARY");
    UnloadSimulator();
}

// The report, saved through its dialog.
class ReportTest : public AnalysisWindowTest {
protected:
    void AnswerReportDialog(const QString& path) {
        ExpectModal([path](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            ASSERT_NE(dialog, nullptr);
            EXPECT_EQ(dialog->windowTitle().toStdString(), ta::kReportDialogTitle);
            ASSERT_TRUE(QTest::qWaitForWindowActive(dialog));
            auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            ASSERT_NE(name, nullptr);
            name->setText(path);
            QTest::keyClick(name, Qt::Key_Return);
        });
    }

    static QString PdfText(const QString& path) {
        QProcess pdftotext;
        pdftotext.start(QStringLiteral("pdftotext"), {path, QStringLiteral("-")});
        if (!pdftotext.waitForFinished(20000)) {
            return {};
        }
        return QString::fromUtf8(pdftotext.readAllStandardOutput());
    }

    QTemporaryDir m_folder;
};

TEST_F(ReportTest, IsAPdfWhoseTextHoldsTheDesignsValues) {
    Open(kCmdAnalyseSweep);
    const QString path = m_folder.filePath(QStringLiteral("bericht.pdf"));
    AnswerReportDialog(path);
    Trigger(kCmdAnalyseReport);
    ASSERT_TRUE(WaitForExpectedModals());
    const QString text = PdfText(path);
    ASSERT_FALSE(text.isEmpty()) << "pdftotext read nothing";
    const CLimits limits = FindLimits(FormDesign(), Analysis().Settings().analysis);
    const std::vector<QString> kExpected = {
        QStringLiteral("bericht.pdf"),
        QString::fromUtf8(ta::kReportInputs),
        QString::fromUtf8(ta::kReportResults),
        QString::fromUtf8(ta::kReportWorstCase),
        QString::fromUtf8(ta::kReportLimits),
        QString::fromUtf8(ta::kReportSimulation),
        QString::fromUtf8(ta::kReportSweep),
        QStringLiteral("Spannungsminimum"),
        QStringLiteral("30000"),
        QString::fromUtf8(ta::kLimitMaxRegulatedCurrent),
        Shown(limits.maxRegulatedCurrent.nominal.value),
    };
    for (const QString& expected : kExpected) {
        EXPECT_TRUE(text.contains(expected)) << expected.toStdString();
    }
    for (const auto& [id, shown] : ohmrada::test::kStartUpTexts) {
        EXPECT_TRUE(text.contains(QString::fromStdString(shown))) << "field " << id;
    }
}

TEST_F(ReportTest, AsksBeforeReplacingAndAFailedWriteSaysSo) {
    const QString path = m_folder.filePath(QStringLiteral("alt.pdf"));
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("alt");
    }
    // Keeping the old file: the dialog stays for another name.
    AnswerReportDialog(path);
    ExpectModal([](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        box->button(QMessageBox::No)->click();
    });
    ExpectModal([](QWidget* modal) { qobject_cast<QDialog*>(modal)->reject(); });
    Trigger(kCmdAnalyseReport);
    ASSERT_TRUE(WaitForExpectedModals());
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), QByteArray("alt"));
    old.close();
    ASSERT_TRUE(WaitForActiveWindow());

    // Replacing it: the report takes its place.
    AnswerReportDialog(path);
    ExpectModal([](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        box->button(QMessageBox::Yes)->click();
    });
    Trigger(kCmdAnalyseReport);
    ASSERT_TRUE(WaitForExpectedModals());
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_TRUE(old.read(5).startsWith("%PDF"));
    old.close();
    ASSERT_TRUE(WaitForActiveWindow());

    // A folder that does not exist: the message names the file.
    const QString missing = m_folder.filePath(QStringLiteral("fehlt/bericht.pdf"));
    AnswerReportDialog(missing);
    ExpectModal([missing](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->icon(), QMessageBox::Critical);
        EXPECT_EQ(box->text(), Fill(ta::kReportFailed, missing));
        box->button(QMessageBox::Ok)->click();
    });
    Trigger(kCmdAnalyseReport);
    ASSERT_TRUE(WaitForExpectedModals());
    EXPECT_FALSE(QFile::exists(missing));
}

}  // namespace

}  // namespace ohmrada::qt::test
