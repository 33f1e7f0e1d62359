// SPDX-License-Identifier: GPL-3.0-or-later
// The group "Schaltung" in the analysis windows: it sets the design's
// circuit (its optional file lines, saved with it), every open window
// follows at once, refused values change nothing, and a plain design's file
// stays as it was.
#include <algorithm>
#include <optional>
#include <string>

#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include "AnalysisWindows.h"
#include "CircuitPanel.h"
#include "CircuitText.h"
#include "ControlIds.h"
#include "DesignScaling.h"
#include "FormLabels.h"
#include "LimitsWindow.h"
#include "QtTestEnvironment.h"
#include "Schematic.h"
#include "SweepWindow.h"
#include "TimeDomainWindow.h"
#include "ToleranceWindow.h"
#include "WorstCase.h"
#include "support/StartUpForm.h"

namespace ohmrada::qt::test {

namespace {

class CircuitPanelTest : public QtWindowTest {
protected:
    CAnalysisWindows& Analysis() const { return *m_platform->Analysis(); }

    CCircuitPanel& PanelOf(EAnalysisWindow which) {
        CToolWindow* window = Analysis().Open(which);
        EXPECT_NE(window, nullptr);
        EXPECT_NE(window->CircuitPanel(), nullptr);
        return *window->CircuitPanel();
    }

    // A choice from a list, as a click into it makes it.
    static void Choose(QComboBox& box, int index) {
        box.setCurrentIndex(index);
        Q_EMIT box.activated(index);
    }
    // A value typed and finished, as Enter or leaving the field finishes it.
    static void Type(QLineEdit& box, const QString& text) {
        box.setText(text);
        Q_EMIT box.editingFinished();
    }

    CCircuitChoice Choice() const { return Analysis().State().design.circuitChoice; }

    QString WriteStartUpFile(const QString& name) const {
        const QString path = m_folder.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(ohmrada::test::kStartUpFile.data(),
                   static_cast<qint64>(ohmrada::test::kStartUpFile.size()));
        return path;
    }

    static QByteArray ReadAll(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir m_folder;
};

// What the user does in the panel, and the circuit and file lines that
// must come of it (the lines as the file format states them).
struct CEditCase {
    const char* name;
    int topology;  // list index: einfach, symmetrisch
    int filter;    // keiner, RC, LC, Drossel
    const char* resistance;
    const char* inductance;
    const char* capacitance;
    int load;  // Konstantstrom, Widerstand
    const char* topologyLine;
    const char* filterLine;
    const char* loadLine;
};

const CEditCase kEditCases[] = {
    {"symmetric", 1, 0, "1", "10", "1000", 0, "symmetrisch", "", ""},
    {"rc filter", 0, 1, "2.5", "10", "2200", 0, "", "rc 2.5 2200", ""},
    {"lc filter", 0, 2, "0.2", "10", "1000", 0, "", "lc 10 0.2 1000", ""},
    {"choke with a winding of no resistance", 0, 3, "0", "50", "1000", 0, "", "drossel 50 0", ""},
    {"resistive load", 0, 0, "1", "10", "1000", 1, "", "", "widerstand"},
    {"symmetric clc, resistive", 1, 2, "0.5", "5", "470", 1, "symmetrisch", "lc 5 0.5 470",
     "widerstand"},
};

}  // namespace

TEST_F(CircuitPanelTest, EveryAnalysisWindowHasThePanelAndTheDesignWindowNone) {
    for (const EAnalysisWindow which : {EAnalysisWindow::kTolerances, EAnalysisWindow::kLimits,
                                        EAnalysisWindow::kSweep, EAnalysisWindow::kTimeDomain}) {
        CToolWindow* window = Analysis().Open(which);
        ASSERT_NE(window, nullptr);
        ASSERT_NE(window->CircuitPanel(), nullptr);
        EXPECT_EQ(window->CircuitPanel()->title(), QStringLiteral("Schaltung"));
        EXPECT_TRUE(window->CircuitPanel()->isVisible());
    }
    CToolWindow* design = Analysis().Open(EAnalysisWindow::kDesign);
    ASSERT_NE(design, nullptr);
    EXPECT_EQ(design->CircuitPanel(), nullptr);
}

TEST_F(CircuitPanelTest, EditsSetTheDesignsCircuitAndItsFileLines) {
    for (const CEditCase& c : kEditCases) {
        SCOPED_TRACE(c.name);
        // Each case from the plain circuit of an unchanged design.
        Analysis().SetCircuitChoice(CCircuitChoice{});
        CCircuitPanel& panel = PanelOf(EAnalysisWindow::kTolerances);
        ASSERT_TRUE(Choice().Plain());

        Type(*panel.Value(CCircuitPanel::kResistance), QString::fromLatin1(c.resistance));
        Type(*panel.Value(CCircuitPanel::kInductance), QString::fromLatin1(c.inductance));
        Type(*panel.Value(CCircuitPanel::kCapacitance), QString::fromLatin1(c.capacitance));
        Choose(*panel.Topology(), c.topology);
        Choose(*panel.Filter(), c.filter);
        Choose(*panel.Load(), c.load);

        const CConfigExtras& extras = m_dialog->Extras();
        EXPECT_EQ(extras.values[kExtraTopology], c.topologyLine);
        EXPECT_EQ(extras.values[kExtraFilter], c.filterLine);
        EXPECT_EQ(extras.values[kExtraLoad], c.loadLine);
        // The design the windows solve is the one its file lines give back.
        const std::optional<CCircuitChoice> read = ReadCircuitChoice(extras);
        ASSERT_TRUE(read.has_value());
        EXPECT_EQ(*read, Choice());
        EXPECT_FALSE(Choice().Plain());
        EXPECT_TRUE(panel.Problems().isEmpty()) << panel.Problems().toStdString();
        // Only the fields of the chosen filter are shown.
        for (const auto value : {CCircuitPanel::kResistance, CCircuitPanel::kInductance,
                                 CCircuitPanel::kCapacitance}) {
            EXPECT_EQ(panel.Value(value)->isVisible(), CCircuitPanel::Uses(Choice().filter, value));
        }
        // A changed circuit is a changed design: the title says so.
        EXPECT_TRUE(m_dialog->IsModified());
        EXPECT_TRUE(ShownTitle(Window()).endsWith(QLatin1Char('*')));
    }
}

TEST_F(CircuitPanelTest, APlainDesignsFileStaysByteForByteAndAChosenCircuitIsSavedAndReadBack) {
    const QString path = WriteStartUpFile(QStringLiteral("netzteil.odr"));
    const QByteArray original = ReadAll(path);
    ASSERT_TRUE(m_dialog->OpenFileAsked(path.toStdString()));
    ASSERT_FALSE(m_dialog->IsModified());
    CCircuitPanel& panel = PanelOf(EAnalysisWindow::kTolerances);

    // A symmetric CLC supply, saved: its lines follow the fourteen.
    Type(*panel.Value(CCircuitPanel::kInductance), QStringLiteral("4.7"));
    Type(*panel.Value(CCircuitPanel::kResistance), QStringLiteral("0.3"));
    Type(*panel.Value(CCircuitPanel::kCapacitance), QStringLiteral("0.1"));
    Choose(*panel.Topology(), 1);
    Choose(*panel.Filter(), 2);
    const CCircuitChoice chosen = Choice();
    Trigger(kCmdFileSave);
    const QByteArray saved = ReadAll(path);
    EXPECT_TRUE(saved.startsWith(original));
    EXPECT_TRUE(saved.contains("Topo : symmetrisch\r\n"));
    EXPECT_TRUE(saved.contains("Filt : lc 4.7 0.3 "));
    EXPECT_FALSE(m_dialog->IsModified());

    const QString copy = m_folder.filePath(QStringLiteral("clc.odr"));
    ASSERT_TRUE(QFile::copy(path, copy));

    // Back to the plain circuit: the file is the one there was, byte for byte.
    Choose(*panel.Topology(), 0);
    Choose(*panel.Filter(), 0);
    EXPECT_TRUE(m_dialog->IsModified());
    Trigger(kCmdFileSave);
    EXPECT_EQ(ReadAll(path), original);
    EXPECT_FALSE(m_dialog->IsModified());

    // The saved circuit opened into a form that holds the plain one: the
    // same circuit, exactly, in the design and in the panel.
    ASSERT_TRUE(m_dialog->OpenFileAsked(copy.toStdString()));
    EXPECT_EQ(Choice(), chosen);
    EXPECT_EQ(panel.Filter()->currentIndex(), 2);
    EXPECT_EQ(panel.Topology()->currentIndex(), 1);
    EXPECT_EQ(panel.Value(CCircuitPanel::kCapacitance)->text(), QStringLiteral("0.1"));
    EXPECT_FALSE(m_dialog->IsModified());
}

TEST_F(CircuitPanelTest, RefusedValuesAreMarkedAndChangeNothing) {
    struct CCase {
        const char* name;
        int filter;
        CCircuitPanel::EValue field;
        const char* text;
    };
    const CCase kCases[] = {
        {"an RC filter without resistance", 1, CCircuitPanel::kResistance, "0"},
        {"a negative resistance", 2, CCircuitPanel::kResistance, "-1"},
        {"no number", 1, CCircuitPanel::kCapacitance, "viel"},
        {"a number and more", 1, CCircuitPanel::kCapacitance, "100uF"},
        {"a capacitance beyond any part", 2, CCircuitPanel::kCapacitance, "1e9"},
        {"no inductance", 3, CCircuitPanel::kInductance, "0"},
        {"an inductance beyond any choke", 3, CCircuitPanel::kInductance, "2000"},
        {"not finite", 2, CCircuitPanel::kInductance, "inf"},
    };
    CCircuitPanel& panel = PanelOf(EAnalysisWindow::kLimits);
    for (const CCase& c : kCases) {
        SCOPED_TRACE(c.name);
        Analysis().SetCircuitChoice(CCircuitChoice{});
        Type(*panel.Value(c.field), QStringLiteral("1"));
        const CConfigExtras before = m_dialog->Extras();
        const CCircuitChoice choiceBefore = Choice();
        Choose(*panel.Filter(), c.filter);
        ASSERT_TRUE(panel.Problems().isEmpty());
        const CCircuitChoice withFilter = Choice();
        EXPECT_NE(withFilter, choiceBefore);

        Type(*panel.Value(c.field), QString::fromLatin1(c.text));
        EXPECT_EQ(Choice(), withFilter);
        EXPECT_FALSE(panel.Problems().isEmpty());
        // The text stays as typed, for the user to mend.
        EXPECT_EQ(panel.Value(c.field)->text(), QString::fromLatin1(c.text));
        // Another choice is not taken either while a shown value is refused.
        Choose(*panel.Load(), 1);
        EXPECT_EQ(Choice(), withFilter);
        Choose(*panel.Load(), 0);

        // Mended, it is taken and the mark goes.
        Type(*panel.Value(c.field), QStringLiteral("2"));
        EXPECT_TRUE(panel.Problems().isEmpty());
        EXPECT_NE(Choice(), withFilter);
        Analysis().SetCircuitChoice(CCircuitChoice{});
        EXPECT_EQ(m_dialog->Extras(), before);
    }
}

TEST_F(CircuitPanelTest, EveryOpenWindowFollowsAChangeAtOnce) {
    CToleranceWindow* tolerances =
        static_cast<CToleranceWindow*>(Analysis().Open(EAnalysisWindow::kTolerances));
    ASSERT_NE(tolerances, nullptr);
    CCircuitPanel& limitsPanel = PanelOf(EAnalysisWindow::kLimits);
    CCircuitPanel& sweepPanel = PanelOf(EAnalysisWindow::kSweep);
    const double plainMean = tolerances->Shown().corners[0].circuit.measurements.meanVoltage;
    const QString plainCell =
        tolerances->Table()->item(0, CToleranceWindow::kColumnMinimum)->text();

    // An RC filter chosen in Grenzwerte: Toleranzen recomputes at once,
    // and the other panels show the choice.
    Type(*limitsPanel.Value(CCircuitPanel::kResistance), QStringLiteral("0.5"));
    Type(*limitsPanel.Value(CCircuitPanel::kCapacitance), QStringLiteral("4700"));
    Choose(*limitsPanel.Filter(), 1);
    EXPECT_EQ(sweepPanel.Filter()->currentIndex(), 1);
    EXPECT_EQ(sweepPanel.Value(CCircuitPanel::kResistance)->text(), QStringLiteral("0.5"));
    EXPECT_EQ(tolerances->CircuitPanel()->Filter()->currentIndex(), 1);

    const CCorner& nominal = tolerances->Shown().corners[0];
    ASSERT_TRUE(nominal.circuit.Solved());
    // What the table shows is the filtered circuit's, as the analysis
    // library solves the design with that circuit on its own.
    CDesign design = Analysis().State().design;
    ASSERT_EQ(design.circuitChoice.filter, EFilter::kRc);
    const CCorner own = AnalyseCorner(design, ECorner::kNominal, Analysis().Settings().analysis,
                                      RatedPower(design));
    EXPECT_EQ(nominal.circuit.measurements.minimumVoltage, own.circuit.measurements.minimumVoltage);
    CWorstCase ownCase;
    ownCase.corners[0] = own;
    EXPECT_EQ(tolerances->Table()->item(0, CToleranceWindow::kColumnMinimum)->text(),
              WorstCaseCells(ownCase)[0][CToleranceWindow::kColumnMinimum].text);
    EXPECT_NE(tolerances->Table()->item(0, CToleranceWindow::kColumnMinimum)->text(), plainCell);
    // The resistor drops the load's mean current: the mean at the regulator
    // lies below the reservoir's by R x Ib, and below the plain circuit's.
    const double loadCurrent = design[EInput::kIb];
    EXPECT_NEAR(nominal.circuit.measurements.meanVoltage,
                nominal.circuit.filter.reservoirMeanV - 0.5 * loadCurrent, 1e-3);
    EXPECT_LT(nominal.circuit.measurements.meanVoltage, plainMean);
}

TEST_F(CircuitPanelTest, ZeitbereichListsBothRailsOfASymmetricSupply) {
    // Chosen before the window opens: the window shows it when it opens.
    CCircuitChoice dual;
    dual.topology = ETopology::kDual;
    dual.filter = EFilter::kLc;
    dual.filterInductanceH = 0.01;
    dual.filterResistanceOhm = 0.2;
    dual.filterCapacitanceF = 0.001;
    Analysis().SetCircuitChoice(dual);
    auto* timeDomain =
        static_cast<CTimeDomainWindow*>(Analysis().Open(EAnalysisWindow::kTimeDomain));
    ASSERT_NE(timeDomain, nullptr);
    EXPECT_EQ(timeDomain->CircuitPanel()->Topology()->currentIndex(), 1);
    QLabel* figures = timeDomain->CircuitFiguresLabel();
    ASSERT_TRUE(figures->isVisible());
    const QString text = figures->text();
    EXPECT_TRUE(text.contains(QStringLiteral("negative Schiene")));
    EXPECT_TRUE(text.contains(QStringLiteral("Drosselstrom")));
    // With equal loads the two rails mirror each other: the same mean at
    // each regulator's input, each the rail's own figure.
    const CSteadyState& state = Analysis().State().worstCase.corners[0].circuit;
    ASSERT_EQ(state.otherRails.size(), 1U);
    const QString positive = FormatNumber(state.measurements.meanVoltage, 3);
    const QString negative = FormatNumber(state.otherRails[0].measurements.meanVoltage, 3);
    EXPECT_EQ(positive, negative);
    EXPECT_GE(text.count(QStringLiteral(">%1<").arg(positive)), 2);

    // Back to the plain rail: nothing beyond the comparison.
    Choose(*timeDomain->CircuitPanel()->Topology(), 0);
    Choose(*timeDomain->CircuitPanel()->Filter(), 0);
    EXPECT_FALSE(figures->isVisible());
    timeDomain->close();
}

// Parameterverlauf's export of a symmetric supply's sweep ends its circuit
// columns with the negative rail's, as ohmrada-calc sweep writes them.
TEST_F(CircuitPanelTest, ParameterverlaufExportsBothRailsOfASymmetricSupply) {
    CCircuitChoice dual;
    dual.topology = ETopology::kDual;
    Analysis().SetCircuitChoice(dual);
    ASSERT_NE(Analysis().Open(EAnalysisWindow::kSweep), nullptr);
    CSweepWindow& window = *Analysis().Sweep();
    window.SetInput(EInput::kIb);
    window.SetRange(0.2, 0.6, 3, ESpacing::kLinear);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window.CircuitPending(); }, 20000));
    const std::string csv = window.Csv().toStdString();
    const std::string header = csv.substr(0, csv.find('\n'));
    EXPECT_NE(header.find(",circuit_headroom_v,circuit_negative_mean_voltage_v,"),
              std::string::npos)
        << header;
    EXPECT_NE(header.find("circuit_negative_capacitor_rms_current_a"), std::string::npos);
    // Every row has as many cells as the header: the negative rail's values
    // follow each point's.
    std::size_t start = csv.find('\n') + 1;
    const auto cells = [](const std::string& line) {
        return std::count(line.begin(), line.end(), ',');
    };
    int rows = 0;
    while (start < csv.size()) {
        const std::size_t end = csv.find('\n', start);
        EXPECT_EQ(cells(csv.substr(start, end - start)), cells(header));
        start = end + 1;
        ++rows;
    }
    EXPECT_EQ(rows, 3);
}

// Every circuit's schematic lies within the area the report gives it (its
// aspect's), and fills it from top to bottom: nothing runs off the page,
// and a symmetric supply's negative rail is drawn below the common one.
TEST(SchematicTest, EveryCircuitFitsItsAreaAndFillsIt) {
    CDesign design;
    for (const ETopology topology : {ETopology::kSingle, ETopology::kDual}) {
        for (const EFilter filter : {EFilter::kNone, EFilter::kRc, EFilter::kLc, EFilter::kChoke}) {
            for (const ELoad load : {ELoad::kCurrent, ELoad::kResistive}) {
                for (const bool adjustable : {false, true}) {
                    for (const ECircuitKind kind : {ECircuitKind::kHalfWave, ECircuitKind::kBridge,
                                                    ECircuitKind::kCentreTap}) {
                        CSchematic schematic = SchematicOfDesign(design, adjustable);
                        schematic.circuit = kind;
                        schematic.topology = topology;
                        schematic.filter = filter;
                        schematic.load = load;
                        schematic.values.emplace_back("RL", "1000.5 Ω");
                        schematic.values.emplace_back("RL1", "1000.5 Ω");
                        schematic.values.emplace_back("RL2", "1000.5 Ω");
                        SCOPED_TRACE(::testing::Message()
                                     << "topology " << static_cast<int>(topology) << " filter "
                                     << static_cast<int>(filter) << " load "
                                     << static_cast<int>(load) << " adjustable " << adjustable
                                     << " kind " << static_cast<int>(kind));
                        constexpr int kWidth = 1020;
                        constexpr int kMargin = 40;
                        const int height = static_cast<int>(kWidth / SchematicAspect(schematic));
                        QImage image(kWidth + 2 * kMargin, height + 2 * kMargin,
                                     QImage::Format_RGB32);
                        image.fill(Qt::white);
                        {
                            QPainter painter(&image);
                            DrawSchematic(painter, QRectF(kMargin, kMargin, kWidth, height),
                                          schematic);
                        }
                        int top = image.height();
                        int bottom = -1;
                        int left = image.width();
                        int right = -1;
                        for (int y = 0; y < image.height(); ++y) {
                            for (int x = 0; x < image.width(); ++x) {
                                if (image.pixel(x, y) != qRgb(255, 255, 255)) {
                                    top = std::min(top, y);
                                    bottom = std::max(bottom, y);
                                    left = std::min(left, x);
                                    right = std::max(right, x);
                                }
                            }
                        }
                        // Within the area, a pixel of antialiasing aside.
                        EXPECT_GE(top, kMargin - 1);
                        EXPECT_LE(bottom, kMargin + height + 1);
                        EXPECT_GE(left, kMargin - 1);
                        EXPECT_LE(right, kMargin + kWidth + 1);
                        // From its top tenth to its bottom fifth.
                        EXPECT_LE(top, kMargin + height / 10);
                        EXPECT_GE(bottom, kMargin + height * 8 / 10);
                    }
                }
            }
        }
    }
}

}  // namespace ohmrada::qt::test
