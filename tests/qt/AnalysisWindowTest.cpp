// SPDX-License-Identifier: GPL-3.0-or-later
// The menu "&Analyse" on the real window: its four windows beside the form,
// the form's warning colours and the report, driven as a user drives them
// and held against ohmrada-calc and the analysis library for the same design.
#include <sys/stat.h>

#include <signal.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QHeaderView>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

#include "AnalysisTexts.h"
#include "AnalysisWindowTable.h"
#include "AnalysisWindows.h"
#include "CircuitText.h"
#include "DesignCircuit.h"
#include "FieldVerdicts.h"
#include "FormLabels.h"
#include "HelpViewer.h"
#include "LimitsWindow.h"
#include "NetlistExport.h"
#include "NetlistSave.h"
#include "NumberText.h"
#include "Palette.h"
#include "PlotWidget.h"
#include "QtTestEnvironment.h"
#include "ReportWriter.h"
#include "SaveAtomically.h"
#include "Simulator.h"
#include "SweepWindow.h"
#include "Texts.h"
#include "TimeDomainWindow.h"
#include "ToleranceWindow.h"
#include "ToolWindow.h"
#include "WorstCase.h"
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

    // Makes a window beside the form the active one, as a click into it
    // does. (A tool window counts as active while the form is, so wait for
    // the application's active window.)
    static bool ActivateWindow(QWidget& window) {
        return QTest::qWaitFor(
            [&window] {
                if (QApplication::activeWindow() != &window) {
                    window.windowHandle()->requestActivate();
                }
                return QApplication::activeWindow() == &window;
            },
            5000);
    }

    // Opens a window from the menu and goes back to the form. (The offscreen
    // platform activates every window it shows; a desktop does not activate
    // a window shown without activation.)
    void Open(int command) {
        Trigger(command);
        ASSERT_TRUE(WaitForActiveWindow());
    }
};

// The cells of a CSV text with CR LF line ends and no quoted fields.
std::vector<std::vector<std::string>> CsvCells(const std::string& text) {
    std::vector<std::vector<std::string>> rows;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::vector<std::string> cells;
        std::size_t cell = start;
        while (true) {
            const std::size_t comma = text.find(',', cell);
            if (comma == std::string::npos || comma >= end) {
                cells.push_back(text.substr(cell, end - cell));
                break;
            }
            cells.push_back(text.substr(cell, comma - cell));
            cell = comma + 1;
        }
        rows.push_back(std::move(cells));
        start = end + 2;
    }
    return rows;
}

double ReadCell(const std::string& cell) {
    double value = std::numeric_limits<double>::quiet_NaN();
    std::from_chars(cell.data(), cell.data() + cell.size(), value);
    return value;
}

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

// The verdicts are the circuit's, as ohmrada-calc worst-case gives them; the
// closed form's stand in brackets where they differ.
TEST_F(AnalysisWindowTest, TolerancesFollowTheFormAndAgreeWithOhmradaCalc) {
    Open(kCmdAnalyseTolerances);
    CToleranceWindow& window = *Analysis().Tolerances();
    Enter(kIdLoadCurrent, QStringLiteral("3"));
    window.JunctionLimit()->setText(QStringLiteral("110"));
    QTest::keyClick(window.JunctionLimit(), Qt::Key_Return);

    const QJsonObject calc =
        Calc({QStringLiteral("worst-case"), QStringLiteral("--format"), QStringLiteral("json"),
              QStringLiteral("--set"), QStringLiteral("Ib=3"), QStringLiteral("--tj-max"),
              QStringLiteral("110")});
    const QJsonArray corners = calc.value(QStringLiteral("corners")).toArray();
    ASSERT_EQ(corners.size(), 3);
    const QTableWidget& table = *window.Table();
    for (int row = 0; row < 3; ++row) {
        const QJsonObject corner = corners.at(row).toObject();
        const QJsonObject circuit = corner.value(QStringLiteral("circuit")).toObject();
        SCOPED_TRACE(corner.value(QStringLiteral("corner")).toString().toStdString());
        auto cell = [&](int column) { return table.item(row, column)->text(); };
        auto broken = [&](int column) {
            return table.item(row, column)->background().color() == CFormWarnings::LimitColour();
        };
        const auto value = [&](const QJsonObject& object, const char* name) {
            return Shown(object.value(QString::fromUtf8(name)).toDouble());
        };
        EXPECT_TRUE(cell(CToleranceWindow::kColumnMinimum)
                        .startsWith(value(circuit, "sim_minimum_voltage_v")));
        EXPECT_TRUE(cell(CToleranceWindow::kColumnPower)
                        .contains(value(circuit, "sim_winding_rms_current_a")));
        EXPECT_TRUE(cell(CToleranceWindow::kColumnTarget).contains(value(corner, "headroom_v")));
        const auto verdict = [&](const char* name) {
            return corner.value(QString::fromUtf8(name)).toBool();
        };
        const bool held = verdict("target_held");
        EXPECT_EQ(cell(CToleranceWindow::kColumnTarget).startsWith(QStringLiteral("gehalten")),
                  held);
        EXPECT_EQ(broken(CToleranceWindow::kColumnTarget), !held);
        // The closed form's verdict stands beside exactly where it differs.
        EXPECT_EQ(cell(CToleranceWindow::kColumnTarget).contains(QStringLiteral("geschl. Form")),
                  held != verdict("closed_form_target_held"));
        EXPECT_EQ(broken(CToleranceWindow::kColumnPower), verdict("overloaded"));
        EXPECT_EQ(cell(CToleranceWindow::kColumnPower).contains(QStringLiteral("geschl. Form")),
                  verdict("overloaded") != verdict("closed_form_overloaded"));
        const bool hot = verdict("junction_over_limit");
        EXPECT_EQ(cell(CToleranceWindow::kColumnJunction).startsWith(QStringLiteral("zu hei")),
                  hot);
        EXPECT_EQ(broken(CToleranceWindow::kColumnJunction), hot);
        EXPECT_TRUE(cell(CToleranceWindow::kColumnJunction)
                        .contains(value(corner, "junction_temperature_c")));
    }
    // At Ib = 3 the winding runs above its rated current (its limit is
    // about 2.8 A), which the form's rated power shows.
    EXPECT_TRUE(corners.at(0).toObject().value(QStringLiteral("overloaded")).toBool());
    EXPECT_EQ(Analysis().Warnings().KindOf(kIdRatedPower), EKind::kLimit);
}

TEST_F(AnalysisWindowTest, LimitsAgreeWithOhmradaCalcAndTheirButtonsTypeIntoTheForm) {
    Open(kCmdAnalyseLimits);
    CLimitsWindow& window = *Analysis().Limits();
    ASSERT_TRUE(QTest::qWaitFor([&window] { return !window.Pending(); }, 20000));
    // The circuit's limits, as ohmrada-calc limits reports them.
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
        const CLimits limits = WithCircuitLimits(
            FindLimits(FormDesign(), Analysis().Settings().analysis), FormDesign());
        const float values[] = {limits.maxRegulatedCurrent.nominal.value,
                                limits.highestVoltage.nominalV,
                                limits.bestEfficiency.ratedVoltage.value_or(0.0f),
                                limits.bestEfficiency.noLoadVoltage.value_or(0.0f),
                                limits.bestEfficiency.ratedCurrent.value_or(0.0f)};
        const std::size_t first = button.entry == CLimitsWindow::kEnterCurrent   ? 0
                                  : button.entry == CLimitsWindow::kEnterVoltage ? 1
                                                                                 : 2;
        // The buttons wait for the search of the form's design.
        ASSERT_TRUE(QTest::qWaitFor([&window] { return !window.Pending(); }, 20000));
        ASSERT_TRUE(window.EntryButton(button.entry)->isEnabled());
        QTest::mouseClick(window.EntryButton(button.entry), Qt::LeftButton);
        for (std::size_t i = 0; i < button.fields.size(); ++i) {
            const int id = button.fields[i];
            EXPECT_EQ(Text(id), FormatFieldValue(values[first + i], 3)) << "field " << id;
            Enter(reference, id, CAnalysisWindows::TextToType(values[first + i]));
        }
        ExpectSameFields(reference);
        if (button.entry == CLimitsWindow::kEnterTransformer) {
            // The best transformer holds the target in the low corner, by
            // the circuit's steady state.
            const CWorstCase worstCase =
                AnalyseWorstCase(FormDesign(), Analysis().Settings().analysis);
            EXPECT_TRUE(worstCase.corners[1].verdict.targetHeld);
        }
    }
}

TEST_F(AnalysisWindowTest, ColoursComeAndGoWithTheirConditions) {
    struct CStep {
        const char* name;
        int field;
        const char* text;
        bool message;  // the regulation message comes up
        EKind junction, inputPower, minimum, ratedPower;
    };
    // The start-up transformer's winding reaches its rated current at about
    // 2.8 A of load: above it the circuit finds the winding overloaded.
    const CStep kSteps[] = {
        {"start-up: the junction at 144.9 above Tj,max 125", 0, "", false, EKind::kLimit,
         EKind::kNone, EKind::kNone, EKind::kLimit},
        {"a larger heat sink cools it", kIdThermalResistance, "2", false, EKind::kNone,
         EKind::kNone, EKind::kNone, EKind::kLimit},
        {"7 A draw more than the rated power: the beep", kIdLoadCurrent, "7", false, EKind::kNone,
         EKind::kLimit, EKind::kNone, EKind::kLimit},
        {"back to 5 A", kIdLoadCurrent, "5", false, EKind::kNone, EKind::kNone, EKind::kNone,
         EKind::kLimit},
        {"30 V cannot be held: the message", kIdTargetVoltage, "30", true, EKind::kNone,
         EKind::kNone, EKind::kLimit, EKind::kLimit},
        {"the next cycle without message", kIdLoadCurrent, "4", false, EKind::kNone, EKind::kNone,
         EKind::kNone, EKind::kLimit},
        {"2 A keep the winding within its rated current", kIdLoadCurrent, "2", false, EKind::kNone,
         EKind::kNone, EKind::kNone, EKind::kNone},
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
        EXPECT_EQ(warnings.KindOf(kIdRatedPower), step.ratedPower);
        const QColor base = Field(kIdMinimumVoltage).palette().color(QPalette::Base);
        EXPECT_EQ(base == CFormWarnings::LimitColour(), step.minimum == EKind::kLimit);
        // A result without its colour is grey as every result is (the
        // window's colour behind it), never white as an input.
        for (const int id : {kIdJunctionTemperature, kIdInputPower, kIdMinimumVoltage}) {
            if (warnings.KindOf(id) == EKind::kNone) {
                const QPalette colours = Field(id).palette();
                EXPECT_EQ(colours.color(QPalette::Base),
                          Field(kIdEfficiency).palette().color(QPalette::Base))
                    << "field " << id;
                EXPECT_NE(colours.color(QPalette::Base),
                          Field(kIdLoadCurrent).palette().color(QPalette::Base))
                    << "field " << id << " looks like an input";
            }
        }
        ASSERT_TRUE(WaitForActiveWindow());
    }
    // The texts are the form's own, colours or not.
    CReferenceForm reference;
    Enter(reference, kIdThermalResistance, "2");
    Enter(reference, kIdLoadCurrent, "7");
    Enter(reference, kIdLoadCurrent, "5");
    Enter(reference, kIdTargetVoltage, "30");
    Enter(reference, kIdLoadCurrent, "4");
    Enter(reference, kIdLoadCurrent, "2");
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
    // The circuit's steady states come from a job of their own, one per point.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window.CircuitPending(); }, 20000));
    ASSERT_EQ(window.CircuitPoints().size(), 13u);

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
    // ohmrada-calc writes the same table for the same design, the circuit's
    // columns included.
    QProcess calc;
    calc.start(QStringLiteral(OHMRADA_CALC_PATH),
               {QStringLiteral("sweep"), QStringLiteral("Ib=1:7:13"), QStringLiteral("--set"),
                QStringLiteral("NennI=4")});
    ASSERT_TRUE(calc.waitForFinished(20000));
    EXPECT_EQ(written.toStdString(), calc.readAllStandardOutput().toStdString());
    // A winding voltage under the centre tap (the start-up design has it) is
    // written as typed and shown, by both.
    ASSERT_EQ(FormDesign().centreTap, 1);
    window.SetInput(EInput::kNennU);
    window.SetRange(17.0, 19.0, 3, ESpacing::kLinear);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window.CircuitPending(); }, 20000));
    const QString tapped = folder.filePath(QStringLiteral("nennu.csv"));
    ASSERT_TRUE(window.ExportTo(tapped));
    QFile tappedFile(tapped);
    ASSERT_TRUE(tappedFile.open(QIODevice::ReadOnly));
    const std::string tappedCsv = tappedFile.readAll().toStdString();
    QProcess tappedCalc;
    tappedCalc.start(QStringLiteral(OHMRADA_CALC_PATH),
                     {QStringLiteral("sweep"), QStringLiteral("NennU=17:19:3"),
                      QStringLiteral("--set"), QStringLiteral("NennI=4")});
    ASSERT_TRUE(tappedCalc.waitForFinished(20000));
    EXPECT_EQ(tappedCsv, tappedCalc.readAllStandardOutput().toStdString());
    EXPECT_NE(tappedCsv.find("\r\n17,"), std::string::npos) << tappedCsv;
    EXPECT_NE(tappedCsv.find("\r\n19,"), std::string::npos) << tappedCsv;
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

// At the size it opens with, the plot shows all of its legend and its axis
// labels whole, however many curves it draws.
TEST_F(AnalysisWindowTest, SweepAtItsDefaultSizeCutsNothingOff) {
    Open(kCmdAnalyseSweep);
    CSweepWindow& window = *Analysis().Sweep();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    // With the circuit's curves and the closed form's beside them.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window.CircuitPending(); }, 20000));
    ASSERT_TRUE(window.ClosedFormBox()->isChecked());
    const std::vector<std::vector<EResult>> choices = {
        {EResult::kMinimumVoltage, EResult::kJunctionTemperature},
        {EResult::kMinimumVoltage, EResult::kLoadedVoltage, EResult::kNoLoadOutputVoltage,
         EResult::kJunctionTemperature},
        {EResult::kMinimumVoltage, EResult::kRippleVoltage, EResult::kOutputVoltage,
         EResult::kInputPower, EResult::kRegulatorPower, EResult::kDcPower},
    };
    for (const std::vector<EResult>& results : choices) {
        SCOPED_TRACE(results.size());
        window.SelectResults(results);
        CPlotWidget& plot = *window.Plot();
        plot.replot();
        QApplication::processEvents();
        const QRect whole = plot.rect();
        const QCPLegend& legend = *plot.legend;
        ASSERT_GT(legend.itemCount(), 0);
        for (int i = 0; i < legend.itemCount(); ++i) {
            if (const QCPAbstractLegendItem* item = legend.item(i)) {
                EXPECT_TRUE(whole.contains(item->outerRect()))
                    << "legend entry " << i << " is cut off";
            }
        }
        for (QCPAxis* axis : {plot.yAxis, plot.yAxis2, plot.xAxis}) {
            if (!axis->visible()) {
                continue;
            }
            const QFontMetrics metrics(axis->labelFont());
            const int along = axis->orientation() == Qt::Vertical
                                  ? plot.axisRect()->outerRect().height()
                                  : plot.axisRect()->outerRect().width();
            EXPECT_LE(metrics.horizontalAdvance(axis->label()), along)
                << axis->label().toStdString();
            EXPECT_FALSE(axis->label().isEmpty());
        }
    }
}

// A range that cannot be swept leaves nothing of the last one: no points, no
// curve, no export, and the field says so; a range the model narrows says
// what is drawn.
TEST_F(AnalysisWindowTest, SweepRangesThatAreRefusedOrNarrowedSaySo) {
    Open(kCmdAnalyseSweep);
    CSweepWindow& window = *Analysis().Sweep();
    window.SetInput(EInput::kIb);
    window.SetRange(1.0, 7.0, 13, ESpacing::kLog);
    ASSERT_FALSE(window.Points().empty());
    // Export waits for the circuit's columns.
    EXPECT_EQ(window.ExportButton()->isEnabled(), !window.CircuitPending());
    ASSERT_TRUE(QTest::qWaitFor([&window] { return !window.CircuitPending(); }, 20000));
    ASSERT_TRUE(window.ExportButton()->isEnabled());

    struct CCase {
        const char* from;
        const char* to;
        bool refused;
    };
    const CCase kCases[] = {{"abc", "7", true},
                            {"-5", "7", true},
                            {"1,5", "7", true},
                            {"1", "", true},
                            {"1", "7", false}};
    for (const CCase& c : kCases) {
        SCOPED_TRACE(std::string(c.from) + " .. " + c.to);
        window.From()->setText(QString::fromUtf8(c.from));
        window.To()->setText(QString::fromUtf8(c.to));
        Q_EMIT window.From()->editingFinished();
        EXPECT_EQ(window.Points().empty(), c.refused);
        ASSERT_TRUE(QTest::qWaitFor([&window] { return !window.CircuitPending(); }, 20000));
        EXPECT_EQ(window.ExportButton()->isEnabled(), !c.refused);
        const bool marked = window.From()->palette().color(QPalette::Base) == palette::Limit() ||
                            window.To()->palette().color(QPalette::Base) == palette::Limit();
        EXPECT_EQ(marked, c.refused);
        EXPECT_EQ(window.Note().isEmpty(), !c.refused) << window.Note().toStdString();
        if (c.refused) {
            for (int i = 0; i < window.Plot()->graphCount(); ++i) {
                EXPECT_TRUE(window.Plot()->graph(i)->data()->isEmpty()) << "graph " << i;
            }
        }
    }

    // Linear from -5 A: the model raises Ib to its floor, and the window
    // says which range it draws.
    window.SetRange(-5.0, 7.0, 13, ESpacing::kLinear);
    ASSERT_FALSE(window.Points().empty());
    const double first = window.Points().front().design[EInput::kIb];
    EXPECT_GT(first, 0.0);
    EXPECT_TRUE(window.Note().contains(FormatNumber(first, 4))) << window.Note().toStdString();
    EXPECT_FALSE(window.From()->toolTip().isEmpty());
    EXPECT_TRUE(window.To()->toolTip().isEmpty());
}

TEST_F(AnalysisWindowTest, SweepSimulatesBesideTheFormAndCanBeCancelled) {
    Open(kCmdAnalyseSweep);
    CSweepWindow& window = *Analysis().Sweep();
    window.SetInput(EInput::kIb);
    window.SetRange(2.0, 6.0, 5, ESpacing::kLinear);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window.CircuitPending(); }, 20000));
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

    // The export carries the simulated curves as sweep --simulate names and
    // measures them.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window.CircuitPending(); }, 20000));
    const std::vector<std::vector<std::string>> exported = CsvCells(window.Csv().toStdString());
    QProcess calc;
    calc.start(QStringLiteral(OHMRADA_CALC_PATH),
               {QStringLiteral("sweep"), QStringLiteral("Ib=2:6:5"), QStringLiteral("--simulate")});
    ASSERT_TRUE(calc.waitForFinished(120000));
    const std::vector<std::vector<std::string>> simulated =
        CsvCells(calc.readAllStandardOutput().toStdString());
    ASSERT_EQ(exported.size(), 6u);
    ASSERT_EQ(simulated.size(), 6u);
    for (const char* name : {"sim_minimum_voltage_v", "sim_ripple_voltage_v"}) {
        SCOPED_TRACE(name);
        const auto column = [name](const std::vector<std::string>& header) {
            return static_cast<std::size_t>(std::find(header.begin(), header.end(), name) -
                                            header.begin());
        };
        const std::size_t ours = column(exported[0]);
        const std::size_t theirs = column(simulated[0]);
        ASSERT_LT(ours, exported[0].size());
        ASSERT_LT(theirs, simulated[0].size());
        for (std::size_t row = 1; row < exported.size(); ++row) {
            const double mine = ReadCell(exported[row][ours]);
            EXPECT_NEAR(mine, ReadCell(simulated[row][theirs]), 1e-6 * std::abs(mine) + 1e-9);
        }
    }
    // Every other column is that of sweep without the simulation.
    for (std::size_t col = 0; col + 2 < exported[0].size(); ++col) {
        EXPECT_EQ(exported[0][col], simulated[0][col]);
    }

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
        for (QLineEdit* box : {window.MainsLowTolerance(), window.MainsHighTolerance()}) {
            box->setText(QString::number(c.mains));
            QTest::keyClick(box, Qt::Key_Return);
        }
        window.CapacitorTolerance()->setText(QString::number(c.capacitor));
        QTest::keyClick(window.CapacitorTolerance(), Qt::Key_Return);
        const QTableWidget& table = *window.Table();
        EXPECT_EQ(table.item(1, CToleranceWindow::kColumnMains)->text().toStdString(), c.lowMains);
        EXPECT_EQ(table.item(2, CToleranceWindow::kColumnMains)->text().toStdString(), c.highMains);
        EXPECT_EQ(table.item(1, CToleranceWindow::kColumnCapacitance)->text().toStdString(),
                  c.lowCapacitance);
        EXPECT_EQ(Analysis().Settings().analysis.mainsLowTolerancePct, c.mains);
        EXPECT_EQ(Analysis().Settings().analysis.mainsHighTolerancePct, c.mains);
    }
    // Without tolerance every corner is the nominal one.
    for (int row = 1; row < 3; ++row) {
        for (int column = 0; column < CToleranceWindow::kColumnCount; ++column) {
            EXPECT_EQ(window.Table()->item(row, column)->text(),
                      window.Table()->item(0, column)->text());
        }
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
    const auto type = [](QLineEdit* box, const char* text) {
        box->setText(QString::fromUtf8(text));
        QTest::keyClick(box, Qt::Key_Return);
    };
    type(window.MainsHighTolerance(), "7");
    EXPECT_EQ(region.currentText(), QStringLiteral("eigene"));
    EXPECT_DOUBLE_EQ(Analysis().Settings().analysis.mainsLowTolerancePct, 8.3);
    type(window.MainsLowTolerance(), "5");
    type(window.MainsHighTolerance(), "5");
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

// A design the regulator cannot hold in any cycle: moving from a field into
// an analysis window runs no cycle, so no message comes between the user and
// the window; a text changed in the field is still applied.
TEST_F(AnalysisWindowTest, AnUnchangedFieldLeftForAWindowRunsNoCycle) {
    ExpectModal([](QWidget* modal) { qobject_cast<QMessageBox*>(modal)->accept(); });
    Enter(kIdLoadCurrent, QStringLiteral("1e9"));
    ASSERT_TRUE(WaitForExpectedModals());
    Open(kCmdAnalyseTolerances);
    QWidget* tolerances = Analysis().Tolerances();
    ASSERT_NE(tolerances, nullptr);

    // Back and forth between the form (the focus returns to the field it
    // left, Rja after the Tab) and the window, as a user clicks.
    const int focused = FocusedId();
    ASSERT_EQ(focused, kIdThermalResistance);
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        ASSERT_TRUE(WaitForActiveWindow());
        ASSERT_EQ(FocusedId(), focused);
        const int cycles = m_platform->Cycles();
        // The click into the window: the watchdog fails on any message box.
        ASSERT_TRUE(ActivateWindow(*tolerances));
        EXPECT_EQ(m_platform->Cycles(), cycles);
    }

    // Within the form a field is applied as always: the message once more.
    ASSERT_TRUE(WaitForActiveWindow());
    ExpectModal([](QWidget* modal) { qobject_cast<QMessageBox*>(modal)->accept(); });
    QTest::mouseClick(&Field(kIdLoadCurrent), Qt::LeftButton);
    ASSERT_TRUE(WaitForExpectedModals());
    ASSERT_TRUE(WaitForActiveWindow());
    TypeInto(kIdLoadCurrent, QStringLiteral("2"));
    const int cycles = m_platform->Cycles();
    ASSERT_TRUE(ActivateWindow(*tolerances));
    EXPECT_EQ(m_platform->Cycles(), cycles + 1);
    EXPECT_EQ(m_dialog->Supply().GetLoadCurrent(), 2.0f);
}

// Each entry of the menu "S&uchen" opens Grenzwerte with exactly its search
// marked, the one that carries the entry's name.
TEST_F(AnalysisWindowTest, EachSearchEntryOpensGrenzwerteAtItsSearch) {
    for (int command = kCmdSearchLast; command >= kCmdSearchFirst; --command) {
        SCOPED_TRACE(command);
        Trigger(command);
        CLimitsWindow* window = Analysis().Limits();
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
        const auto search = static_cast<CLimitsWindow::ESearch>(command - kCmdSearchFirst);
        EXPECT_EQ(window->MarkedSearch(), search);
        for (int other = 0; other < CLimitsWindow::kSearchCount; ++other) {
            const QWidget* title = window->SearchTitle(static_cast<CLimitsWindow::ESearch>(other));
            EXPECT_EQ(title->autoFillBackground(), other == search) << other;
        }
        const auto* title = qobject_cast<const QLabel*>(window->SearchTitle(search));
        ASSERT_NE(title, nullptr);
        EXPECT_TRUE(title->text().contains(Window().Action(command)->text()));
        ASSERT_TRUE(WaitForActiveWindow());
    }
}

// The settings are judged as ohmrada-calc judges them; a refused entry stays
// as typed, is marked with the allowed range, and the value in use stays.
TEST_F(AnalysisWindowTest, ToleranceEntriesOutsideTheirRangeStayTypedAndAreRefused) {
    Open(kCmdAnalyseTolerances);
    CToleranceWindow& window = *Analysis().Tolerances();
    struct CCase {
        const char* name;
        QLineEdit* box;
        const char* typed;
        bool taken;
    };
    const CCase kCases[] = {
        {"mains 60", window.MainsLowTolerance(), "60", false},
        {"mains 100", window.MainsLowTolerance(), "100", false},
        {"capacitor 99.9", window.CapacitorTolerance(), "99.9", false},
        {"capacitor -5", window.CapacitorTolerance(), "-5", false},
        {"letters", window.MainsLowTolerance(), "abc", false},
        {"mains 50", window.MainsLowTolerance(), "50", true},
        {"capacitor 0", window.CapacitorTolerance(), "0", true},
        {"Tj,max at Tu", window.JunctionLimit(), "20", false},
        {"Tj,max just above Tu", window.JunctionLimit(), "20.5", true},
    };
    for (const CCase& c : kCases) {
        SCOPED_TRACE(c.name);
        const CAnalysisSettings before = Analysis().Settings().analysis;
        c.box->selectAll();
        QTest::keyClicks(c.box, QString::fromUtf8(c.typed));
        QTest::keyClick(c.box, Qt::Key_Return);
        EXPECT_EQ(c.box->text().toStdString(), c.typed) << "kept as typed";
        const CAnalysisSettings after = Analysis().Settings().analysis;
        // The window's verdict is the one every front end uses.
        // Read locale-free: under a German locale strtod stops at the point.
        double typed = 0.0;
        std::from_chars(c.typed, c.typed + std::strlen(c.typed), typed);
        CAnalysisSettings probe = before;
        if (c.box == window.MainsLowTolerance()) {
            probe.mainsLowTolerancePct = typed;
        } else if (c.box == window.MainsHighTolerance()) {
            probe.mainsHighTolerancePct = typed;
        } else if (c.box == window.CapacitorTolerance()) {
            probe.capacitorTolerancePct = typed;
        } else {
            probe.junctionLimitC = typed;
        }
        const bool number = std::string(c.typed) != "abc";
        EXPECT_EQ(number && AreValidSettings(probe, FormDesign()[EInput::kTu]), c.taken);
        if (c.taken) {
            EXPECT_TRUE(after.mainsLowTolerancePct == typed ||
                        after.mainsHighTolerancePct == typed ||
                        after.capacitorTolerancePct == typed || after.junctionLimitC == typed);
            EXPECT_NE(c.box->palette().color(QPalette::Base), palette::Limit());
        } else {
            EXPECT_EQ(after.mainsLowTolerancePct, before.mainsLowTolerancePct);
            EXPECT_EQ(after.mainsHighTolerancePct, before.mainsHighTolerancePct);
            EXPECT_EQ(after.capacitorTolerancePct, before.capacitorTolerancePct);
            EXPECT_EQ(after.junctionLimitC, before.junctionLimitC);
            EXPECT_EQ(c.box->palette().color(QPalette::Base), palette::Limit());
            EXPECT_TRUE(window.Problems().contains(QStringLiteral("erlaubt")))
                << window.Problems().toStdString();
        }
    }

    EXPECT_TRUE(window.Problems().isEmpty()) << window.Problems().toStdString();

    // Tu raised in the form above the Tj,max in use: the box is marked and
    // Grenzwerte says why its regulator values are missing.
    Enter(kIdAmbientTemperature, QStringLiteral("30"));
    EXPECT_EQ(window.JunctionLimit()->palette().color(QPalette::Base), palette::Limit());
    Open(kCmdAnalyseLimits);
    const CLimitsWindow& limits = *Analysis().Limits();
    ASSERT_TRUE(QTest::qWaitFor([&limits] { return !limits.Pending(); }, 20000));
    EXPECT_FALSE(limits.Note(CLimitsWindow::kSearchRegulatorPower).isEmpty());
    for (const QString& text : limits.ValueTexts()) {
        EXPECT_FALSE(text.startsWith(QLatin1Char('-'))) << text.toStdString();
    }
}

// At its first size every window shows every column of its tables, each at
// least as wide as its header, with no need to scroll across, as long as the
// screen is as wide as the headers.
TEST_F(AnalysisWindowTest, EveryColumnAndHeaderIsWholeAtTheFirstSize) {
    const QRect screen = Window().screen()->availableGeometry();
    for (const CAnalysisWindowSpec& spec : AnalysisWindowSpecs()) {
        SCOPED_TRACE(spec.title);
        CToolWindow* window = Analysis().Open(spec.window);
        ASSERT_TRUE(WaitForActiveWindow());
        QApplication::processEvents();
        const QList<QTableView*> tables = window->findChildren<QTableView*>();
        for (const QTableView* table : tables) {
            const QHeaderView& header = *table->horizontalHeader();
            if (!header.isVisibleTo(window)) {
                continue;
            }
            int headers = 0;
            for (int column = 0; column < header.count(); ++column) {
                if (header.isSectionHidden(column)) {
                    continue;
                }
                headers += header.sectionSizeHint(column);
                EXPECT_GE(header.sectionSize(column), header.sectionSizeHint(column))
                    << "column " << column << " cuts its header "
                    << table->model()->headerData(column, Qt::Horizontal).toString().toStdString();
            }
            if (headers + 200 < screen.width()) {
                EXPECT_EQ(table->horizontalScrollBar()->maximum(), 0)
                    << "columns beyond the window: " << header.length() << " in "
                    << table->viewport()->width();
            }
        }
    }
}

// On a 1366 pixel wide screen, with the form where it first opens (at the
// left edge), the room to its right takes every analysis window with all
// columns of its tables at their headers' widths: nothing needs to open
// over the form, nor scroll across.
TEST_F(AnalysisWindowTest, EveryWindowsColumnsFitBesideTheFormOnA1366PixelScreen) {
    // The room as the placement leaves it: the form 8 px from the left edge,
    // 8 px between the form and the window.
    const int room = 1366 - 8 - Window().frameGeometry().width() - 8;
    for (const CAnalysisWindowSpec& spec : AnalysisWindowSpecs()) {
        if (spec.window == EAnalysisWindow::kDesign) {
            continue;  // opened from "Suchen", at its own size
        }
        SCOPED_TRACE(spec.title);
        CToolWindow* window = Analysis().Open(spec.window);
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(WaitForActiveWindow());
        QApplication::processEvents();
        EXPECT_LE(window->minimumSizeHint().width(), room);
        for (const QTableView* table : window->findChildren<QTableView*>()) {
            const QHeaderView& header = *table->horizontalHeader();
            if (!header.isVisibleTo(window) || table->parentWidget() != window) {
                continue;
            }
            // What the window adds around the table, while the table takes
            // the window's width, and the headers side by side.
            if (table->width() + 40 < window->width()) {
                continue;  // shares its width (Zeitbereich: see below)
            }
            int headers = 0;
            for (int column = 0; column < header.count(); ++column) {
                headers += header.isSectionHidden(column) ? 0 : header.sectionSizeHint(column);
            }
            EXPECT_LE(window->width() - table->viewport()->width() + headers, room)
                << "headers " << headers << " in a window " << window->width() << " wide";
        }
    }
}

// One change is judged once: the form's colours and Toleranzen read the same
// corners, which agree with the design solved on its own; the low and high
// corners are solved only while a window shows them.
TEST_F(AnalysisWindowTest, TheFormsColoursAndToleranzenShareOneJudgement) {
    struct CRow {
        const char* name;
        const char* current;
        bool tolerancesOpen;
    };
    const CRow rows[] = {
        {"form alone", "4.5", false},
        {"Toleranzen open", "5", true},
        {"after another change", "2", true},
    };
    for (const CRow& row : rows) {
        SCOPED_TRACE(row.name);
        if (row.tolerancesOpen && Analysis().Tolerances() == nullptr) {
            Open(kCmdAnalyseTolerances);
        }
        Enter(kIdLoadCurrent, QString::fromUtf8(row.current));
        const CFormState& state = Analysis().State();
        ASSERT_EQ(state.design, FormDesign());
        EXPECT_EQ(state.cornersJudged, row.tolerancesOpen ? 3u : 1u);
        // The nominal corner as the design solved on its own gives it.
        const CAnalysisSettings& settings = Analysis().Settings().analysis;
        const CWorstCase alone = AnalyseWorstCase(FormDesign(), settings);
        const CCircuitVerdict& shared = state.worstCase.corners[0].verdict;
        EXPECT_EQ(shared.targetHeld, alone.corners[0].verdict.targetHeld);
        EXPECT_EQ(shared.headroomV, alone.corners[0].verdict.headroomV);
        EXPECT_EQ(shared.overloaded, alone.corners[0].verdict.overloaded);
        EXPECT_EQ(shared.junctionTemperatureC, alone.corners[0].verdict.junctionTemperatureC);
        // The colours are the policy's answer to that verdict.
        CFieldVerdictInputs inputs;
        inputs.evaluation = &state.evaluation;
        inputs.messages = state.alerts.messages;
        inputs.beeps = state.alerts.beeps;
        inputs.circuit = &alone.corners[0].verdict;
        inputs.targetV = static_cast<double>(FormDesign()[EInput::kUbger]);
        inputs.junctionLimitC = settings.junctionLimitC;
        EXPECT_EQ(Analysis().Warnings().Verdicts(), JudgeFields(inputs));
        if (row.tolerancesOpen) {
            const CWorstCase& shown = Analysis().Tolerances()->Shown();
            for (std::size_t corner = 0; corner < kCorners.size(); ++corner) {
                SCOPED_TRACE(corner);
                EXPECT_EQ(shown.corners[corner].design, alone.corners[corner].design);
                EXPECT_EQ(shown.corners[corner].verdict.headroomV,
                          alone.corners[corner].verdict.headroomV);
                EXPECT_EQ(shown.corners[corner].verdict.overloaded,
                          alone.corners[corner].verdict.overloaded);
            }
        }
    }
}

// A window opens where it was closed, in the size it had, the next time the
// program runs; without a remembered place it opens on the screen and off
// the form's menu bar. The program starts with the form alone all the same.
TEST_F(AnalysisWindowTest, AWindowOpensWhereItWasLastClosed) {
    QTemporaryDir folder;
    const QString places = folder.filePath(QStringLiteral("fenster.ini"));
    Analysis().SetPlacesFile(places);
    const QRect screen = Window().screen()->availableGeometry();
    const QRect menu(Window().MenuBar()->mapToGlobal(QPoint(0, 0)), Window().MenuBar()->size());
    // Every window opens on the screen, off the form's menu bar, as far as
    // its smallest size fits the (small) test screen.
    std::optional<EAnalysisWindow> movable;
    QSize movableSize;
    for (const CAnalysisWindowSpec& spec : AnalysisWindowSpecs()) {
        SCOPED_TRACE(spec.title);
        const CToolWindow* window = Analysis().Open(spec.window);
        ASSERT_TRUE(WaitForActiveWindow());
        const QSize smallest = window->minimumSizeHint().expandedTo(window->minimumSize());
        if (smallest.width() > screen.width() || smallest.height() > screen.height()) {
            continue;
        }
        EXPECT_TRUE(screen.contains(window->frameGeometry()));
        EXPECT_FALSE(window->frameGeometry().intersects(menu));
        // The lowest that the user can move to the screen's bottom left
        // corner, clear of the form's menu bar.
        if ((!movable || smallest.height() < movableSize.height()) &&
            smallest.width() <= screen.width() - 20 &&
            smallest.height() <= screen.bottom() - menu.bottom() - 20) {
            movable = spec.window;
            movableSize = smallest;
        }
    }
    ASSERT_TRUE(movable.has_value()) << "no window fits the test screen";

    // Moved and made smaller by the user, then closed with the program.
    CToolWindow* window = Analysis().Window(*movable);
    const QRect chosen(QPoint(screen.left() + 10, screen.bottom() - movableSize.height() - 9),
                       movableSize);
    ASSERT_FALSE(chosen.intersects(menu));
    window->setGeometry(chosen);
    QApplication::processEvents();
    const QRect left = window->geometry();
    m_platform->EndDialog(kCmdCancel);

    // The next run: the form alone, then the window where it was.
    m_platform->SetPlacesFile(places);
    m_platform->Show(*m_dialog);
    ASSERT_TRUE(WaitForActiveWindow());
    EXPECT_EQ(Analysis().Window(*movable), nullptr);
    Analysis().Open(*movable);
    EXPECT_EQ(Analysis().Window(*movable)->geometry(), left);
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

// The comparison's names are never cut short: at the window's first size
// each fits its cell, on one line or wrapped at its spaces, and the window
// still fits beside the form on a 1366 pixel wide screen.
TEST_F(TimeDomainTest, TheComparisonsNamesAreWholeAtTheFirstSize) {
    CTimeDomainWindow& window = OpenTimeDomain();
    ASSERT_TRUE(WaitForEnd(window));
    ASSERT_TRUE(window.Result().has_value());
    if (window.Result()->error == ESimulationError::kNgspiceMissing) {
        GTEST_SKIP() << "ngspice is not installed";
    }
    ASSERT_TRUE(window.Result()->Ok()) << window.Result()->message;
    QApplication::processEvents();
    const QTableWidget& table = *window.ComparisonTable();
    ASSERT_GT(table.rowCount(), 0);
    // What the cell keeps free beside its text (as the item delegate does).
    const int margin =
        2 * (table.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &table) + 1);
    const int width = table.horizontalHeader()->sectionSize(0) - margin;
    const QFontMetrics metrics = table.fontMetrics();
    for (int row = 0; row < table.rowCount(); ++row) {
        const QString name = table.item(row, 0)->text();
        SCOPED_TRACE(name.toStdString());
        for (const QString& word : name.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            EXPECT_LE(metrics.horizontalAdvance(word), width) << word.toStdString();
        }
        const QRect wrapped =
            metrics.boundingRect(QRect(0, 0, width, 10000), Qt::TextWordWrap, name);
        EXPECT_LE(wrapped.height(), table.rowHeight(row));
    }
    // Every column in view.
    EXPECT_EQ(table.horizontalScrollBar()->maximum(), 0);
    EXPECT_LE(window.minimumSizeHint().width(), 1366 - 8 - Window().frameGeometry().width() - 8);
}

// "Netzliste exportieren...": the dialog offers SPICE netlists, a name
// without an extension gets ".cir", and the file holds what ohmrada-calc
// netlist writes for the form's design with the window's leakage
// inductance. A target that cannot be written is said in German and left
// as it was.
TEST_F(TimeDomainTest, ExportsTheFormsDesignAsANetlist) {
    CTimeDomainWindow& window = OpenTimeDomain();
    window.LeakageInductance()->setValue(1.5);
    QTemporaryDir folder;
    const QString chosen = folder.filePath(QStringLiteral("netzteil"));
    ExpectModal([chosen](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->windowTitle().toStdString(), ta::kNetlistDialogTitle);
        EXPECT_EQ(dialog->nameFilters(), QStringList{QString::fromUtf8(ta::kNetlistFilter)});
        ASSERT_TRUE(QTest::qWaitForWindowActive(dialog));
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(name, nullptr);
        name->setText(chosen);
        QTest::keyClick(name, Qt::Key_Return);
    });
    QTest::mouseClick(window.NetlistButton(), Qt::LeftButton);
    ASSERT_TRUE(WaitForExpectedModals());
    QFile file(chosen + QStringLiteral(".cir"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << "written with .cir appended";
    EXPECT_EQ(file.readAll().toStdString(),
              ExportNetlist(CSimulationRequest::FromDesign(FormDesign(), 1.5e-3)).text);
    EXPECT_EQ(NetlistPath(QStringLiteral("a/b.net")), QStringLiteral("a/b.net"));
    EXPECT_EQ(NetlistPath(QStringLiteral("a.b/c")), QStringLiteral("a.b/c.cir"));

    const QString victim = folder.filePath(QStringLiteral("fremd.txt"));
    {
        QFile other(victim);
        ASSERT_TRUE(other.open(QIODevice::WriteOnly));
        other.write("fremd");
    }
    const QString link = folder.filePath(QStringLiteral("verweis.cir"));
    ASSERT_TRUE(QFile::link(victim, link));
    const struct {
        const char* name;
        QString path;
    } rows[] = {{"link", link}, {"folder", folder.path()}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(SaveNetlist(row.path, FormDesign(), 0.0), Fill(ta::kNetlistFailed, row.path));
    }
    QFile kept(victim);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), QByteArray("fremd"));
    // A design whose circuit cannot be simulated gives no netlist, and says so.
    CDesign absurd = FormDesign();
    absurd[EInput::kDiffU] = 1e9F;
    const QString target = folder.filePath(QStringLiteral("leer.cir"));
    EXPECT_EQ(SaveNetlist(target, absurd, 0.0), QString::fromUtf8(ta::kNetlistImpossible));
    EXPECT_FALSE(QFile::exists(target));
}

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
    // current: the circuit's verdict already marks the rated-power field,
    // and the simulation confirms it.
    EXPECT_GT(window.Result()->measurements.windingRmsCurrent, 3.333);
    EXPECT_EQ(Analysis().Warnings().KindOf(kIdRatedPower), EKind::kLimit);

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

// A stand-in for the simulation worker, a shell script: it notes its
// process id and then hangs or crashes, as ngspice may.
class CStandInWorker {
public:
    explicit CStandInWorker(const char* body) {
        m_script = m_folder.filePath(QStringLiteral("worker"));
        m_pidFile = m_folder.filePath(QStringLiteral("pid"));
        QFile script(m_script);
        EXPECT_TRUE(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\necho $$ > '" + m_pidFile.toUtf8() + "'\n" + body);
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("OHMRADA_SIMULATION_WORKER", m_script.toUtf8());
        UnloadSimulator();
    }
    ~CStandInWorker() { Release(); }
    CStandInWorker(const CStandInWorker&) = delete;
    CStandInWorker& operator=(const CStandInWorker&) = delete;

    // The real worker again for the next simulation.
    void Release() { qunsetenv("OHMRADA_SIMULATION_WORKER"); }
    bool Started() const { return Pid() > 0; }
    bool Alive() const { return Pid() > 0 && kill(Pid(), 0) == 0; }

private:
    pid_t Pid() const {
        QFile file(m_pidFile);
        return file.open(QIODevice::ReadOnly) ? file.readAll().trimmed().toInt() : 0;
    }

    QTemporaryDir m_folder;
    QString m_script;
    QString m_pidFile;
};

TEST_F(TimeDomainTest, CancelEndsAHangingRunAtOnceAndRestartGivesAResult) {
    CStandInWorker hanging("exec sleep 100\n");
    CTimeDomainWindow& window = OpenTimeDomain();
    ASSERT_TRUE(QTest::qWaitFor([&] { return hanging.Started(); }, 5000));
    QTest::mouseClick(window.CancelButton(), Qt::LeftButton);
    EXPECT_FALSE(window.Running());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !hanging.Alive(); }, 1000)) << "the run goes on";
    hanging.Release();
    QPushButton* restart = nullptr;
    for (QPushButton* button : window.findChildren<QPushButton*>()) {
        restart = button->text() == QString::fromUtf8(ta::kRestart) ? button : restart;
    }
    ASSERT_NE(restart, nullptr);
    QTest::mouseClick(restart, Qt::LeftButton);
    EXPECT_TRUE(window.Running());
    ASSERT_TRUE(WaitForEnd(window));
    if (window.Result()->error == ESimulationError::kNgspiceMissing) {
        GTEST_SKIP() << "ngspice is not installed";
    }
    EXPECT_TRUE(window.Result()->Ok()) << window.Result()->message;
}

// Curves that coincide are one legend entry named after all of them: the
// bridge's two diodes of each half wave; a diode and the winding (or half
// winding) that feeds it alone. The centre tap's two halves alternate and
// stay apart.
TEST_F(TimeDomainTest, LegendListsOnlyCurvesThatCanBeToldApart) {
    struct CRow {
        const char* name;
        int button;        // 0: the start-up circuit
        const char* load;  // typed into Ib first, when given
        QStringList steadyState;
    };
    const QString voltage = QString::fromUtf8(ta::kOutputVoltageCurve);
    const auto diode = [](const char* numbers) {
        return Fill(ta::kDiodeCurrentCurve, QString::fromUtf8(numbers));
    };
    const auto winding = [](const char* number) {
        return Fill(ta::kWindingCurrentCurve, QString::fromUtf8(number));
    };
    const QString is = QStringLiteral(" = ");
    const CRow kRows[] = {
        {"centre tap",
         0,
         nullptr,
         {voltage, diode("1") + is + winding("1"), diode("2") + is + winding("2")}},
        {"bridge", kIdBridge, nullptr, {voltage, diode("1, 4"), diode("2, 3"), winding("1")}},
        // One diode holds the start-up target only at a smaller load.
        {"half wave", kIdHalfWave, "1", {voltage, diode("1") + is + winding("1")}},
    };
    CTimeDomainWindow& window = OpenTimeDomain();
    for (const CRow& row : kRows) {
        SCOPED_TRACE(row.name);
        if (row.load != nullptr) {
            Enter(kIdLoadCurrent, QString::fromUtf8(row.load));
        }
        if (row.button != 0) {
            QTest::mouseClick(&Button(row.button), Qt::LeftButton);
            ASSERT_TRUE(
                QTest::qWaitFor([&] { return window.Pending() || window.Running(); }, 5000));
        }
        ASSERT_TRUE(WaitForEnd(window));
        if (window.Result()->error == ESimulationError::kNgspiceMissing) {
            GTEST_SKIP() << "ngspice is not installed";
        }
        ASSERT_TRUE(window.Result()->Ok()) << window.Result()->message;
        const CPlotWidget& plot = *window.WaveformPlot();
        QStringList names;
        for (int i = 0; i < plot.graphCount(); ++i) {
            names << plot.graph(i)->name();
        }
        EXPECT_EQ(names.join(QLatin1Char('|')).toStdString(),
                  row.steadyState.join(QLatin1Char('|')).toStdString());
        EXPECT_EQ(plot.legend->itemCount(), row.steadyState.size());
    }
}

// A symmetric supply's waveforms show its negative rail beside the positive
// one, as a magnitude: with equal loads the two curves mirror each other.
TEST_F(TimeDomainTest, ASymmetricSupplyDrawsBothRails) {
    CCircuitChoice dual;
    dual.topology = ETopology::kDual;
    Analysis().SetCircuitChoice(dual);
    CTimeDomainWindow& window = OpenTimeDomain();
    ASSERT_TRUE(WaitForEnd(window));
    if (window.Result()->error == ESimulationError::kNgspiceMissing) {
        GTEST_SKIP() << "ngspice is not installed";
    }
    ASSERT_TRUE(window.Result()->Ok()) << window.Result()->message;
    const CPlotWidget& plot = *window.WaveformPlot();
    ASSERT_GE(plot.graphCount(), 2);
    EXPECT_EQ(plot.graph(0)->name(), QString::fromUtf8(ta::kOutputVoltageCurve));
    EXPECT_EQ(plot.graph(1)->name(), QString::fromUtf8(ta::kNegativeOutputVoltageCurve));
    const auto mean = [](const QCPGraph& graph) {
        double sum = 0.0;
        for (auto it = graph.data()->constBegin(); it != graph.data()->constEnd(); ++it) {
            sum += it->value;
        }
        return sum / graph.data()->size();
    };
    const double positive = mean(*plot.graph(0));
    EXPECT_GT(positive, 1.0);
    EXPECT_NEAR(mean(*plot.graph(1)), positive, 1e-2 * positive);
}

// The leakage inductance is one setting of every window, kept in the file
// the windows' places are kept in, and back at the next start.
TEST_F(TimeDomainTest, LeakageInductanceIsRememberedAcrossStarts) {
    QTemporaryDir folder;
    const QString places = folder.filePath(QStringLiteral("fenster.ini"));
    Analysis().SetPlacesFile(places);
    EXPECT_EQ(Analysis().Settings().leakageInductanceMh, 0.0) << "nothing kept yet";
    CWindowSettings settings = Analysis().Settings();
    settings.leakageInductanceMh = 2.5;
    Analysis().SetSettings(settings);
    EXPECT_DOUBLE_EQ(Analysis().Settings().analysis.leakageInductanceH, 2.5e-3)
        << "the circuit's verdicts use the same inductance";

    // The next run: the form anew, its windows reading the same file.
    m_platform->EndDialog(kCmdCancel);
    m_platform->SetPlacesFile(places);
    m_platform->Show(*m_dialog);
    ASSERT_TRUE(WaitForActiveWindow());
    EXPECT_DOUBLE_EQ(Analysis().Settings().leakageInductanceMh, 2.5);
    EXPECT_DOUBLE_EQ(Analysis().Settings().analysis.leakageInductanceH, 2.5e-3);
    CTimeDomainWindow& window = OpenTimeDomain();
    EXPECT_DOUBLE_EQ(window.LeakageInductance()->value(), 2.5);
}

TEST_F(TimeDomainTest, QuittingWithARunInFlightEndsWithinASecond) {
    CStandInWorker hanging("exec sleep 100\n");
    CTimeDomainWindow& window = OpenTimeDomain();
    ASSERT_TRUE(QTest::qWaitFor([&] { return hanging.Started(); }, 5000));
    ASSERT_TRUE(window.Running());
    // Quitting deletes the windows; the run must not hold the program.
    QElapsedTimer clock;
    clock.start();
    delete &window;
    EXPECT_LT(clock.elapsed(), 1000);
    EXPECT_FALSE(hanging.Alive());
    EXPECT_EQ(Analysis().TimeDomain(), nullptr);
}

TEST_F(TimeDomainTest, AFailureKeepsTheLastGoodResultGreyedUnderAGermanText) {
    CTimeDomainWindow& window = OpenTimeDomain();
    ASSERT_TRUE(WaitForEnd(window));
    if (window.Result()->error == ESimulationError::kNgspiceMissing) {
        GTEST_SKIP() << "ngspice is not installed";
    }
    ASSERT_TRUE(window.Result()->Ok()) << window.Result()->message;
    const int graphs = window.WaveformPlot()->graphCount();
    const QSize size = window.WaveformPlot()->size();
    {
        CStandInWorker crashing("kill -SEGV $$\n");
        window.Restart();
        ASSERT_TRUE(WaitForEnd(window));
    }
    EXPECT_EQ(window.Result()->error, ESimulationError::kWorkerFailed);
    EXPECT_EQ(window.StatusText(),
              Fill(ta::kSimulationBrokeOff, QString::fromUtf8(ta::kWorkerEnded)));
    EXPECT_TRUE(window.ShowsStaleResult());
    EXPECT_EQ(window.WaveformPlot()->graphCount(), graphs);
    EXPECT_EQ(window.WaveformPlot()->size(), size);
    EXPECT_FALSE(window.HasResultFor(FormDesign())) << "a failed run is no result for the report";
    // The next run works again.
    window.Restart();
    ASSERT_TRUE(WaitForEnd(window));
    EXPECT_TRUE(window.Result()->Ok()) << window.Result()->message;
    EXPECT_FALSE(window.ShowsStaleResult());
}

TEST_F(TimeDomainTest, LeakageInductanceAppliesWhenItsFieldLosesTheFocus) {
    CTimeDomainWindow& window = OpenTimeDomain();
    ASSERT_TRUE(WaitForEnd(window));
    QLineEdit* edit = window.LeakageInductance()->findChild<QLineEdit*>();
    ASSERT_NE(edit, nullptr);
    edit->setText(QStringLiteral("2.5 mH"));
    QFocusEvent tabbedAway(QEvent::FocusOut, Qt::TabFocusReason);
    QCoreApplication::sendEvent(window.LeakageInductance(), &tabbedAway);
    EXPECT_DOUBLE_EQ(Analysis().Settings().leakageInductanceMh, 2.5);
    EXPECT_TRUE(window.Pending()) << "a new run follows";
    window.Cancel();
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
class ReportTest : public TimeDomainTest {
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

    // Saves the report to path through the menu and waits until it is done.
    CReportWriter::EOutcome SaveReport(const QString& path) {
        AnswerReportDialog(path);
        Trigger(kCmdAnalyseReport);
        EXPECT_TRUE(WaitForExpectedModals());
        CReportWriter* writer = Analysis().Report();
        if (writer == nullptr) {
            return CReportWriter::EOutcome::kNone;
        }
        EXPECT_TRUE(QTest::qWaitFor(
            [writer] { return writer->Outcome() != CReportWriter::EOutcome::kRunning; }, 120000));
        return writer->Outcome();
    }

    // The text of each page, as pdftotext reads it (pages end with a form feed).
    static QStringList PdfPages(const QString& path) {
        QProcess pdftotext;
        pdftotext.start(QStringLiteral("pdftotext"), {path, QStringLiteral("-")});
        if (!pdftotext.waitForFinished(20000)) {
            return {};
        }
        QStringList pages =
            QString::fromUtf8(pdftotext.readAllStandardOutput()).split(QLatin1Char('\f'));
        if (!pages.isEmpty() && pages.back().trimmed().isEmpty()) {
            pages.removeLast();
        }
        return pages;
    }

    // Blanks and line breaks as single blanks: a sentence may break anywhere.
    static QString Flat(const QString& text) { return text.simplified(); }

    // The text of the circuit button the form has checked, as it reads.
    QString CheckedCircuitText() const {
        for (const QRadioButton* button : Window().findChildren<QRadioButton*>()) {
            if (button->isChecked()) {
                return button->text().remove(QLatin1Char('&'));
            }
        }
        return {};
    }

    QTemporaryDir m_folder;
};

// Whatever windows are open, the report holds every section, the design's
// own file name and circuit text, and "Seite N von M" on each of its M pages.
TEST_F(ReportTest, HoldsEverySectionAndNumbersItsPages) {
    struct CCase {
        const char* name;
        std::vector<int> open;
        const char* sweepNote;
    };
    const CCase kCases[] = {
        {"no window open: the report makes its own sweep", {}, nullptr},
        {"Parameterverlauf open: its sweep", {kCmdAnalyseSweep}, ta::kReportWindowSweep},
    };
    const QString design = m_folder.filePath(QStringLiteral("netzteil-12v.odr"));
    {
        QFile file(design);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(ohmrada::test::kStartUpFile.data(),
                   static_cast<qint64>(ohmrada::test::kStartUpFile.size()));
    }
    m_dialog->OpenFile(design.toStdString());
    for (const CCase& c : kCases) {
        SCOPED_TRACE(c.name);
        for (const int command : c.open) {
            Open(command);
        }
        const QString path = m_folder.filePath(QStringLiteral("bericht-%1.pdf").arg(&c - kCases));
        ASSERT_EQ(SaveReport(path), CReportWriter::EOutcome::kWritten);
        const QStringList pages = PdfPages(path);
        ASSERT_GE(pages.size(), 2) << "pdftotext read nothing";
        const QString count = QString::number(pages.size());
        for (qsizetype page = 0; page < pages.size(); ++page) {
            EXPECT_TRUE(
                Flat(pages[page]).contains(Fill(ta::kReportPage, QString::number(page + 1), count)))
                << "page " << page + 1;
        }
        const QString text = Flat(pages.join(QLatin1Char(' ')));
        std::vector<QString> expected = {
            Fill(ta::kReportFile, design),          CheckedCircuitText(),
            QString::fromUtf8(ta::kReportInputs),   QString::fromUtf8(ta::kReportResults),
            QString::fromUtf8(ta::kReportSettings), Flat(QString::fromUtf8(ta::kReportVerdicts)),
        };
        for (const res::CAnalysisWindowEntry& window : res::kAnalysisWindowTable) {
            expected.push_back(QString::fromUtf8(window.title));
        }
        if (c.sweepNote != nullptr) {
            expected.push_back(QString::fromUtf8(c.sweepNote));
        }
        for (const QString& part : expected) {
            EXPECT_FALSE(part.isEmpty());
            EXPECT_TRUE(text.contains(part)) << part.toStdString();
        }
        // The program's version: a number after the program's name.
        const QRegularExpression version(
            QRegularExpression::escape(Fill(ta::kReportProgram, QString())) +
            QStringLiteral("\\d+\\.\\d+"));
        EXPECT_TRUE(text.contains(version)) << version.pattern().toStdString();
        EXPECT_FALSE(text.contains(QStringLiteral("bericht"))) << "the PDF's own name";
        EXPECT_FALSE(text.contains(QString::fromStdString(FormDesign().circuit)))
            << "the circuit's stored token";
    }
}

// Page one opens with the overall verdict, naming exactly the checks the
// worst case finds failed, and the schematic of the circuit as it is, its
// labels selectable text: the rectifier's reference by the circuit, the
// capacitor's value, no divider for a regulator not known to be adjustable.
TEST_F(ReportTest, PageOneHoldsTheVerdictAndTheSchematic) {
    const struct {
        const char* name;
        int button;
        const char* rectifier;
        bool lowersTheTarget;  // the form says so in a message box
    } rows[] = {
        {"centre tap", kIdCentreTapCircuit, "D1-D2", false},
        {"bridge", kIdBridge, "D1-D4", false},
        {"half wave", kIdHalfWave, "D1", true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        if (row.lowersTheTarget) {
            ExpectModal([](QWidget* modal) { qobject_cast<QMessageBox*>(modal)->accept(); });
        }
        Click(row.button);
        ASSERT_TRUE(WaitForExpectedModals());
        const QString path = m_folder.filePath(QStringLiteral("seite1-%1.pdf").arg(row.button));
        ASSERT_EQ(SaveReport(path), CReportWriter::EOutcome::kWritten);
        const QStringList pages = PdfPages(path);
        ASSERT_GE(pages.size(), 2);
        const QString first = Flat(pages.front());
        QStringList failed;
        const CWorstCase worstCase = AnalyseWorstCase(FormDesign(), Analysis().Settings().analysis);
        for (const CCorner& corner : worstCase.corners) {
            ASSERT_TRUE(corner.verdict.solved);
            const QString where = CornerTitle(corner.corner);
            if (!corner.verdict.targetHeld) {
                failed << Fill(ta::kReportCheckTarget, where);
            }
            if (corner.verdict.overloaded) {
                failed << Fill(ta::kReportCheckWinding, where);
            }
            if (corner.verdict.junctionOverLimit) {
                failed << Fill(ta::kReportCheckJunction, where);
            }
        }
        // The start-up design's winding carries more than its rating.
        EXPECT_FALSE(failed.isEmpty());
        const QString verdict =
            Fill(ta::kReportOverall,
                 failed.isEmpty() ? QString::fromUtf8(ta::kReportAllPassed)
                                  : Fill(ta::kReportSomeFailed, failed.join(QStringLiteral(", "))));
        EXPECT_TRUE(first.contains(Flat(verdict))) << first.left(600).toStdString();
        EXPECT_FALSE(first.contains(QString::fromUtf8(ta::kReportAllPassed)));
        const QString capacitor =
            FormatNumber(FormDesign()[EInput::kKondC], 0) + QStringLiteral(" µF");
        for (const QString& label :
             {QStringLiteral("T1"), QStringLiteral("F1"), QStringLiteral("C1"),
              QStringLiteral("U1"), QString::fromUtf8(row.rectifier), capacitor}) {
            EXPECT_TRUE(first.contains(label)) << label.toStdString();
        }
        for (const char* other : {"D1-D2", "D1-D4", "R1", "R2"}) {
            if (std::strcmp(other, row.rectifier) != 0) {
                EXPECT_FALSE(first.contains(QString::fromUtf8(other))) << other;
            }
        }
    }
}

// The circuit chosen in the panel "Schaltung" is the one the report draws
// and lists: each rail's parts by their references, the filter's values,
// the kind of load, and the circuit's figures rail by rail.
TEST_F(ReportTest, DrawsAndListsTheCircuitChosenInThePanel) {
    // As the file's lines and the command line give them (values in their units).
    CCircuitChoice dualLc = FilterOfText("lc:10,0.2,2200").value();
    dualLc.topology = ETopology::kDual;
    dualLc.load = ELoad::kResistive;
    const CCircuitChoice rc = FilterOfText("rc:1.5,1000").value();
    const CCircuitChoice choke = FilterOfText("choke:50,0.5").value();
    const struct {
        const char* name;
        CCircuitChoice choice;
        std::vector<const char*> present;
        std::vector<const char*> absent;
    } rows[] = {
        {"symmetric LC, resistive",
         dualLc,
         {"C1", "C2", "C3", "C4", "L1", "L2", "U1", "U2", "RL1", "RL2", "10 mH, 0.2 Ω", "2200 µF",
          "negative Schiene", "Drosselstrom Spitze", "symmetrisch", "Widerstand"},
         {"R3", "R4"}},
        {"RC", rc, {"C1", "R3", "C3", "1.5 Ω", "1000 µF", "Verlust im Filter"}, {"U2", "L1", "RL"}},
        {"choke input",
         choke,
         {"C1", "L1", "50 mH, 0.5 Ω", "Drosselstrom Spitze"},
         {"C3", "U2", "Welligkeit am Ladekondensator"}},
        {"plain", CCircuitChoice{}, {"C1", "U1"}, {"U2", "L1", "R3", "C3", "negative Schiene"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Analysis().SetCircuitChoice(row.choice);
        ASSERT_EQ(Analysis().State().design.circuitChoice, row.choice);
        const QString path = m_folder.filePath(QStringLiteral("schaltung-%1.pdf").arg(&row - rows));
        ASSERT_EQ(SaveReport(path), CReportWriter::EOutcome::kWritten);
        const QString text = Flat(PdfPages(path).join(QLatin1Char(' ')));
        ASSERT_FALSE(text.isEmpty()) << "pdftotext read nothing";
        for (const char* part : row.present) {
            EXPECT_TRUE(text.contains(QString::fromUtf8(part))) << part;
        }
        for (const char* part : row.absent) {
            EXPECT_FALSE(text.contains(QRegularExpression(
                QStringLiteral("\\b") + QRegularExpression::escape(QString::fromUtf8(part)) +
                QStringLiteral("\\b"))))
                << part;
        }
    }
}

// The report and the exports propose names from the design's file, and the
// report does not pass a changed design off as the file's.
TEST_F(ReportTest, NamesComeFromTheDesignsFileAndAChangedDesignIsSaidToBeSo) {
    EXPECT_EQ(Analysis().ProposedName("-bericht.pdf", "ohmrada-bericht.pdf"),
              "ohmrada-bericht.pdf");
    const QString design = m_folder.filePath(QStringLiteral("netzteil-12v.odr"));
    {
        QFile file(design);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(ohmrada::test::kStartUpFile.data(),
                   static_cast<qint64>(ohmrada::test::kStartUpFile.size()));
    }
    m_dialog->OpenFile(design.toStdString());
    EXPECT_EQ(QString::fromStdString(Analysis().ProposedName("-bericht.pdf", "x")),
              m_folder.filePath(QStringLiteral("netzteil-12v-bericht.pdf")));
    const QString changed = Fill(ta::kReportFile, design) + QStringLiteral(" (") +
                            QString::fromUtf8(texts::kChangedNotSaved) + QLatin1Char(')');
    for (const bool change : {false, true}) {
        SCOPED_TRACE(change ? "changed" : "as the file holds it");
        if (change) {
            Enter(kIdLoadCurrent, QStringLiteral("2"));
        }
        const QString path =
            m_folder.filePath(change ? QStringLiteral("b1.pdf") : QStringLiteral("b0.pdf"));
        ASSERT_EQ(SaveReport(path), CReportWriter::EOutcome::kWritten);
        const QString text = Flat(PdfPages(path).join(QLatin1Char(' ')));
        EXPECT_TRUE(text.contains(Fill(ta::kReportFile, design))) << text.left(400).toStdString();
        EXPECT_EQ(text.contains(Flat(changed)), change);
    }
}

TEST_F(ReportTest, IsAPdfWhoseTextHoldsTheDesignsValues) {
    const QString path = m_folder.filePath(QStringLiteral("bericht.pdf"));
    ASSERT_EQ(SaveReport(path), CReportWriter::EOutcome::kWritten);
    const QString text = PdfPages(path).join(QLatin1Char(' '));
    ASSERT_FALSE(text.isEmpty()) << "pdftotext read nothing";
    const CLimits limits =
        WithCircuitLimits(FindLimits(FormDesign(), Analysis().Settings().analysis), FormDesign());
    const std::vector<QString> kExpected = {
        Fill(ta::kReportFile, QString::fromUtf8(ta::kReportNoFile)),
        QStringLiteral("Spannungsminimum"),
        QStringLiteral("30000"),
        QString::fromUtf8(ta::kLimitMaxRegulatedCurrent),
        Shown(limits.maxRegulatedCurrent.nominal.value),
    };
    for (const QString& expected : kExpected) {
        EXPECT_TRUE(Flat(text).contains(expected)) << expected.toStdString();
    }
    for (const auto& [id, shown] : ohmrada::test::kStartUpTexts) {
        EXPECT_TRUE(text.contains(QString::fromStdString(shown))) << "field " << id;
    }
}

// Cancelling while the report simulates: the run ends at once and no file,
// not even a temporary one, is left.
TEST_F(ReportTest, CancelWritesNothing) {
    CStandInWorker hanging("exec sleep 100\n");
    const QString path = m_folder.filePath(QStringLiteral("bericht.pdf"));
    AnswerReportDialog(path);
    Trigger(kCmdAnalyseReport);
    ASSERT_TRUE(WaitForExpectedModals());
    CReportWriter* writer = Analysis().Report();
    ASSERT_NE(writer, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return hanging.Started(); }, 20000));
    EXPECT_EQ(writer->Outcome(), CReportWriter::EOutcome::kRunning);
    ASSERT_NE(writer->Progress(), nullptr);
    EXPECT_TRUE(writer->Progress()->isVisible());
    EXPECT_TRUE(Window().isEnabled()) << "the form stays usable";
    auto* cancel = writer->Progress()->findChild<QPushButton*>();
    ASSERT_NE(cancel, nullptr);
    QTest::mouseClick(cancel, Qt::LeftButton);
    EXPECT_EQ(writer->Outcome(), CReportWriter::EOutcome::kCancelled);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !hanging.Alive(); }, 1000)) << "the run goes on";
    QTest::qWait(200);  // a result that still came in would be written now
    EXPECT_TRUE(QDir(m_folder.path()).entryList(QDir::Files).isEmpty());
}

// Without ngspice the report is written all the same and says why it holds
// no simulation.
TEST_F(ReportTest, WithoutNgspiceSaysWhyThereIsNoSimulation) {
    qputenv("OHMRADA_NGSPICE_LIBRARY", "/nonexistent/libngspice.so.0");
    UnloadSimulator();
    const QString path = m_folder.filePath(QStringLiteral("bericht.pdf"));
    const CReportWriter::EOutcome outcome = SaveReport(path);
    qunsetenv("OHMRADA_NGSPICE_LIBRARY");
    UnloadSimulator();
    ASSERT_EQ(outcome, CReportWriter::EOutcome::kWritten);
    const QString text = Flat(PdfPages(path).join(QLatin1Char(' ')));
    EXPECT_TRUE(text.contains(
        Flat(Fill(ta::kReportNoSimulationBecause, QString::fromUtf8(ta::kNgspiceMissing)))))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QString::fromUtf8(ta::kReportSettings)));
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
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return Analysis().Report()->Outcome() == CReportWriter::EOutcome::kWritten; },
        120000));
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_TRUE(old.read(5).startsWith("%PDF"));
    old.close();
    ASSERT_TRUE(WaitForActiveWindow());

    // A folder that does not exist: the message names the file and why.
    const QString missing = m_folder.filePath(QStringLiteral("fehlt/bericht.pdf"));
    AnswerReportDialog(missing);
    ExpectModal([missing](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->icon(), QMessageBox::Critical);
        EXPECT_EQ(box->text(),
                  Fill(ta::kReportRefused, missing, QString::fromUtf8(ta::kFileNoFolder)));
        box->button(QMessageBox::Ok)->click();
    });
    Trigger(kCmdAnalyseReport);
    ASSERT_TRUE(WaitForExpectedModals(120000));
    EXPECT_EQ(Analysis().Report()->Outcome(), CReportWriter::EOutcome::kFailed);
    EXPECT_FALSE(QFile::exists(missing));
}

// A link or a FIFO as the report's file is refused at once, with the
// reason, before anything is computed (a worker that would hang is never
// started), and neither the link's target nor the FIFO is touched.
TEST_F(ReportTest, ALinkOrAFifoIsRefusedBeforeAnythingIsComputed) {
    CStandInWorker hanging("exec sleep 100\n");
    const QString victim = m_folder.filePath(QStringLiteral("fremd.txt"));
    {
        QFile file(victim);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("fremd");
    }
    const QString link = m_folder.filePath(QStringLiteral("verweis.pdf"));
    ASSERT_TRUE(QFile::link(victim, link));
    const QString fifo = m_folder.filePath(QStringLiteral("fifo.pdf"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const struct {
        QString path;
        const char* reason;
    } rows[] = {{link, ta::kFileIsLink}, {fifo, ta::kFileNotRegular}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.path.toStdString());
        AnswerReportDialog(row.path);
        ExpectModal([](QWidget* modal) {  // the file is there: replace it?
            auto* box = qobject_cast<QMessageBox*>(modal);
            ASSERT_NE(box, nullptr);
            box->button(QMessageBox::Yes)->click();
        });
        ExpectModal([row](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            ASSERT_NE(box, nullptr);
            EXPECT_EQ(box->icon(), QMessageBox::Critical);
            EXPECT_EQ(box->text(),
                      Fill(ta::kReportRefused, row.path, QString::fromUtf8(row.reason)));
            box->button(QMessageBox::Ok)->click();
        });
        Trigger(kCmdAnalyseReport);
        ASSERT_TRUE(WaitForExpectedModals(20000));
        ASSERT_NE(Analysis().Report(), nullptr);
        EXPECT_EQ(Analysis().Report()->Outcome(), CReportWriter::EOutcome::kFailed);
        EXPECT_FALSE(hanging.Started()) << "the report was computed";
        ASSERT_TRUE(WaitForActiveWindow());
    }
    QFile kept(victim);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), QByteArray("fremd"));
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(QDir(m_folder.path()).entryList(QDir::Files | QDir::System).size(), 3);
}

}  // namespace

}  // namespace ohmrada::qt::test

namespace ohmrada::qt::test {
namespace {

// The leakage inductance applies when its field loses the focus, as every
// field does: typed, then Tab, or typed, then "Neu starten" clicked.
TEST_F(TimeDomainTest, LeakageAppliesWhenTheFocusReallyMovesOn) {
    CTimeDomainWindow& window = OpenTimeDomain();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QDoubleSpinBox& leakage = *window.LeakageInductance();
    const struct {
        const char* name;
        const char* typed;
        double expected;
        bool byClick;
    } cases[] = {
        {"Tab", "3", 3.0, false},
        {"a click on Neu starten", "4.5", 4.5, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        leakage.setFocus(Qt::TabFocusReason);
        ASSERT_TRUE(QTest::qWaitFor([&leakage] { return leakage.hasFocus(); }, 2000));
        leakage.selectAll();
        QTest::keyClicks(QApplication::focusWidget(), QString::fromLatin1(c.typed));
        EXPECT_NE(Analysis().Settings().leakageInductanceMh, c.expected) << "not before";
        // The focus really moves (the field is not told by a made-up event).
        if (c.byClick) {
            window.RestartButton()->setFocus(Qt::MouseFocusReason);
            QTest::mouseClick(window.RestartButton(), Qt::LeftButton);
        } else {
            window.RestartButton()->setFocus(Qt::TabFocusReason);
        }
        EXPECT_FALSE(leakage.hasFocus());
        EXPECT_DOUBLE_EQ(leakage.value(), c.expected);
        EXPECT_DOUBLE_EQ(Analysis().Settings().leakageInductanceMh, c.expected);
        EXPECT_DOUBLE_EQ(Analysis().Settings().analysis.leakageInductanceH, c.expected / 1000.0);
    }
    window.Cancel();
}

// A corner whose output collapses is shown as such, every cell greyed: its
// figures are no working supply's. The others keep their colours.
TEST(ToleranceCells, ACollapsedCornerSaysSoAndIsGreyed) {
    CDesign design = CDesign::StartUp();
    design[EInput::kKondC] = 1.0f;  // a microfarad: the output falls to zero each period
    const CWorstCase worstCase = AnalyseWorstCase(design, CAnalysisSettings{});
    const auto rows = WorstCaseCells(worstCase);
    for (std::size_t corner = 0; corner < rows.size(); ++corner) {
        const bool collapsed = worstCase.corners[corner].circuit.Collapsed();
        EXPECT_TRUE(collapsed) << corner;
        for (const CWorstCaseCell& cell : rows[corner]) {
            EXPECT_EQ(cell.collapsed, collapsed);
        }
        EXPECT_EQ(rows[corner][CToleranceWindow::kColumnTarget].text,
                  QString::fromUtf8("zusammengebrochen"));
    }
    const auto held = WorstCaseCells(AnalyseWorstCase(CDesign::StartUp(), CAnalysisSettings{}));
    for (const auto& row : held) {
        for (const CWorstCaseCell& cell : row) {
            EXPECT_FALSE(cell.collapsed);
        }
    }
}

}  // namespace
}  // namespace ohmrada::qt::test
