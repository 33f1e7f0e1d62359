// SPDX-License-Identifier: GPL-3.0-or-later
// The main window driven as a user drives it: keys, clicks, menu entries and
// the modal windows they bring up.
#include <map>
#include <string>
#include <vector>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCompleter>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>

#include "AboutTemplate.h"
#include "AnalysisWindows.h"
#include "DialogUnits.h"
#include "FieldEdit.h"
#include "FieldTable.h"
#include "NumberText.h"
#include "QtTestEnvironment.h"
#include "SpinButton.h"
#include "SupplyApp.h"
#include "Texts.h"
#include "support/StartUpForm.h"

namespace ohmrada::qt::test {

namespace {

using ohmrada::test::kStartUpFile;
using ohmrada::test::kStartUpTexts;

constexpr const char* kRegulationText =
    "die Sollspannung kann nicht mehr geregelt werden!\n es wird daher die maximal mögliche "
    "eingestellt";

QMessageBox* AsMessageBox(QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    EXPECT_NE(box, nullptr) << "not a message box: " << modal->metaObject()->className();
    return box;
}

// Closes a message box with its OK button after checking its icon and text.
std::function<void(QWidget*)> AcknowledgeMessage(QMessageBox::Icon icon, std::string text) {
    return [icon, text](QWidget* modal) {
        QMessageBox* box = AsMessageBox(modal);
        if (box == nullptr) {
            modal->close();
            return;
        }
        EXPECT_EQ(box->icon(), icon);
        EXPECT_EQ(box->text().toStdString(), text);
        EXPECT_EQ(box->windowTitle(), ApplicationTitle());
        box->button(QMessageBox::Ok)->click();
    };
}

void PressSpin(CSpinButton& spin, bool up) {
    const QPoint at(spin.width() / 2, up ? spin.height() / 4 : spin.height() * 3 / 4);
    QTest::mouseClick(&spin, Qt::LeftButton, Qt::NoModifier, at);
}

}  // namespace

TEST_F(QtWindowTest, StartsWithTheFirstCycleAndTheFocusOnTheCheckBox) {
    EXPECT_EQ(ShownTitle(Window()).toStdString(), texts::kWindowTitle);
    EXPECT_TRUE(ShownTitle(Window()).startsWith(QStringLiteral("Ohmrada -- Version 3.0")));
    for (const auto& [id, text] : kStartUpTexts) {
        EXPECT_EQ(Text(id), text) << "field " << id;
    }
    EXPECT_TRUE(Button(kIdCentreTap).isChecked());
    EXPECT_FALSE(Button(kIdHalfWave).isChecked());
    EXPECT_FALSE(Button(kIdBridge).isChecked());
    EXPECT_TRUE(Button(kIdCentreTapCircuit).isChecked());
    EXPECT_TRUE(Button(kIdCentreTapCircuit).isEnabled());
    EXPECT_EQ(Window().Spin(kIdTargetVoltageSpin)->Position(), 50);
    EXPECT_EQ(Window().Spin(kIdLoadCurrentSpin)->Position(), 50);
    EXPECT_EQ(FocusedId(), kIdCentreTap);
}

TEST_F(QtWindowTest, TypingAndLeavingAFieldAppliesItsText) {
    struct CEntry {
        int id;
        const char* typed;
        const char* shownAfter;
    };
    // Each entry is applied on top of the ones before.
    constexpr CEntry kEntries[] = {
        {1021, "4", "4.000"},     {1025, "1,5", "1.000"},  // a comma ends the number
        {1020, "2e4", "20000"},                            // an exponent is read
        {1018, "4.5 A", "4.500"},                          // text after the number is ignored
        {1010, "", "0.000"},     // nothing reads as 0, raised to the floor
        {1023, "abc", "0.000"},  // so do letters
        {1009, "-3", "0.000"},   // the floor holds a negative entry too
        {1024, "19", "19.000"},  // the half winding, doubled by the model
    };
    CReferenceForm reference;
    for (const CEntry& entry : kEntries) {
        SCOPED_TRACE(::testing::Message()
                     << "field " << entry.id << " typed \"" << entry.typed << "\"");
        TypeInto(entry.id, QString::fromUtf8(entry.typed));
        EXPECT_EQ(Text(entry.id), entry.typed) << "applied before the focus left";
        PressTab();
        EXPECT_EQ(Text(entry.id), entry.shownAfter);
        reference.platform.Enter(entry.id, entry.typed);
        ExpectSameFields(reference);
    }
}

TEST_F(QtWindowTest, FocusPassingThroughAFieldReappliesItsShownText) {
    QTest::mouseClick(&Field(kIdRatedCurrent), Qt::LeftButton);
    PressTab();
    EXPECT_EQ(FocusedId(), kIdNoLoadVoltage);
    EXPECT_EQ(Text(kIdRatedCurrent), "3.333");
    EXPECT_EQ(m_dialog->Supply().GetTransformer()->GetRatedCurrent(), 3.333f);
    // The rated power follows: 36 V x 3.333 A.
    EXPECT_EQ(Text(kIdRatedPower), "119.988");
}

TEST_F(QtWindowTest, TabVisitsTheCheckBoxAndTheInputFieldsOnly) {
    const std::vector<int> expected = {1024, 1021, 1013, 1025, 1019, 1020, 1026,
                                       1018, 1009, 1010, 1015, 1023, 1028};
    std::vector<int> visited;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        PressTab();
        visited.push_back(FocusedId());
    }
    EXPECT_EQ(visited, expected);
}

TEST_F(QtWindowTest, EnterNeitherAppliesNorCloses) {
    TypeInto(kIdLoadCurrent, QStringLiteral("4"));
    QTest::keyClick(&Field(kIdLoadCurrent), Qt::Key_Return);
    QTest::keyClick(&Field(kIdLoadCurrent), Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_TRUE(Window().isVisible());
    EXPECT_FALSE(m_platform->Result().has_value());
    EXPECT_EQ(Text(kIdLoadCurrent), "4");
    EXPECT_EQ(m_dialog->Supply().GetLoadCurrent(), 5.0f);
    EXPECT_EQ(Text(kIdDcPower), "71.350");
    PressTab();
    EXPECT_EQ(Text(kIdLoadCurrent), "4.000");
}

TEST_F(QtWindowTest, EscapeAndTheCloseBoxEndAtOnceWithoutClosingTheHelp) {
    struct CWay {
        const char* name;
        std::function<void(CFormWindow&)> close;
    };
    const CWay ways[] = {
        {"Esc", [](CFormWindow& window) { QTest::keyClick(&window, Qt::Key_Escape); }},
        {"close box", [](CFormWindow& window) { window.close(); }},
    };
    for (const CWay& way : ways) {
        SCOPED_TRACE(way.name);
        m_platform->Show(*m_dialog);
        ASSERT_TRUE(WaitForActiveWindow());
        QTest::keyClick(&Field(kIdRatedVoltage), Qt::Key_F1);
        QWidget* help = m_platform->HelpViewer();
        ASSERT_NE(help, nullptr);
        ASSERT_TRUE(help->isVisible());
        way.close(Window());
        EXPECT_FALSE(Window().isVisible());
        EXPECT_EQ(m_platform->Result(), kCmdCancel);
        ASSERT_EQ(m_platform->HelpViewer(), help);
        EXPECT_TRUE(help->isVisible()) << "the help was told to close";
        help->close();
    }
}

TEST_F(QtWindowTest, ExitClosesTheHelpAndThenEnds) {
    Trigger(kCmdHelpUsage);
    QWidget* help = m_platform->HelpViewer();
    ASSERT_NE(help, nullptr);
    ASSERT_TRUE(help->isVisible());
    Trigger(kCmdFileExit);
    ASSERT_EQ(m_platform->HelpViewer(), help);
    EXPECT_FALSE(help->isVisible());
    EXPECT_FALSE(Window().isVisible());
    EXPECT_EQ(m_platform->Result(), kCmdOk);
}

TEST_F(QtWindowTest, CentreTapCheckBoxSwitchesTheWindingAndTheCircuit) {
    Click(kIdCentreTap);
    EXPECT_FALSE(Button(kIdCentreTap).isChecked());
    EXPECT_TRUE(Button(kIdHalfWave).isChecked());
    EXPECT_FALSE(Button(kIdCentreTapCircuit).isChecked());
    EXPECT_FALSE(Button(kIdCentreTapCircuit).isEnabled());
    EXPECT_EQ(Text(kIdRatedVoltage), "36.000");
    EXPECT_EQ(Text(kIdNoLoadVoltage), "40.000");

    // Half-wave rectification of the half winding cannot hold the target
    // voltage.
    ExpectModal(AcknowledgeMessage(QMessageBox::Warning, kRegulationText));
    Click(kIdCentreTap);
    ASSERT_TRUE(WaitForExpectedModals());
    EXPECT_TRUE(Button(kIdCentreTap).isChecked());
    EXPECT_TRUE(Button(kIdCentreTapCircuit).isEnabled());
    EXPECT_TRUE(Button(kIdHalfWave).isChecked()) << "setting the flag keeps the circuit";
    EXPECT_EQ(Text(kIdRatedVoltage), "18.000");
}

TEST_F(QtWindowTest, ButtonsChangeTheirMarkBeforeTheCycleRuns) {
    struct CClick {
        int id;
        int checkedAfter;
        const char* loadedVoltage;  // field 1011
    };
    constexpr CClick kClicks[] = {
        {kIdBridge, kIdBridge, "19.858"},
        // Already checked: the cycle runs all the same.
        {kIdBridge, kIdBridge, "19.858"},
        {kIdCentreTapCircuit, kIdCentreTapCircuit, "20.261"},
    };
    for (const CClick& click : kClicks) {
        SCOPED_TRACE(::testing::Message() << "button " << click.id);
        Field(kIdLoadedVoltage).setText(QStringLiteral("stale"));
        bool markedAtCycleStart = false;
        m_platform->AtNextText([&] { markedAtCycleStart = Button(click.id).isChecked(); });
        Click(click.id);
        EXPECT_TRUE(markedAtCycleStart);
        for (const int id : {kIdHalfWave, kIdBridge, kIdCentreTapCircuit}) {
            EXPECT_EQ(Button(id).isChecked(), id == click.checkedAfter) << "button " << id;
        }
        EXPECT_EQ(Text(kIdLoadedVoltage), click.loadedVoltage);
    }
    bool checkBoxMarked = true;
    m_platform->AtNextText([&] { checkBoxMarked = Button(kIdCentreTap).isChecked(); });
    Click(kIdCentreTap);
    EXPECT_FALSE(checkBoxMarked) << "the check box cleared its mark before the handler";
}

TEST_F(QtWindowTest, EachSpinPressStepsItsValueOnceAndRestsAtFifty) {
    struct CPress {
        int spin;
        bool up;
        int field;
        const char* shown;
    };
    constexpr CPress kPresses[] = {
        {kIdTargetVoltageSpin, true, kIdTargetVoltage, "14.870"},
        {kIdTargetVoltageSpin, false, kIdTargetVoltage, "14.820"},
        {kIdTargetVoltageSpin, false, kIdTargetVoltage, "14.770"},
        {kIdLoadCurrentSpin, false, kIdLoadCurrent, "4.950"},
        {kIdLoadCurrentSpin, true, kIdLoadCurrent, "5.000"},
    };
    for (const CPress& press : kPresses) {
        SCOPED_TRACE(::testing::Message() << "spin " << press.spin << (press.up ? " up" : " down"));
        CSpinButton* spin = Window().Spin(press.spin);
        ASSERT_NE(spin, nullptr);
        PressSpin(*spin, press.up);
        EXPECT_EQ(Text(press.field), press.shown);
        EXPECT_EQ(spin->Position(), 50);
        EXPECT_EQ(FocusedId(), kIdCentreTap) << "a spin control never takes the focus";
    }
}

TEST_F(QtWindowTest, HoldingASpinArrowRepeatsItsStepOneCycleEach) {
    CSpinButton* spin = Window().Spin(kIdLoadCurrentSpin);
    ASSERT_NE(spin, nullptr);
    const QPoint up(spin->width() / 2, spin->height() / 4);
    const int cyclesBefore = m_platform->Cycles();
    QTest::mousePress(spin, Qt::LeftButton, Qt::NoModifier, up);
    EXPECT_EQ(m_platform->Cycles(), cyclesBefore + 1) << "the press itself is one step";
    EXPECT_TRUE(spin->Repeating());
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_platform->Cycles() >= cyclesBefore + 3; }, 5000));
    QTest::mouseRelease(spin, Qt::LeftButton, Qt::NoModifier, up);
    EXPECT_FALSE(spin->Repeating()) << "no step after the release";
    const int steps = m_platform->Cycles() - cyclesBefore;
    // Each step was one press worth 0.05 with one cycle of its own.
    float expected = 5.0f;
    for (int i = 0; i < steps; ++i) {
        expected = ToSingle(static_cast<double>(expected) + 0.05);
    }
    EXPECT_EQ(m_dialog->Supply().GetLoadCurrent(), expected);
    EXPECT_EQ(Text(kIdLoadCurrent), FormatFieldValue(expected, 3));
    EXPECT_EQ(spin->Position(), 50);
    EXPECT_EQ(FocusedId(), kIdCentreTap);
}

TEST_F(QtWindowTest, RegulationMessageComesInsideTheCycle) {
    std::string targetWhileOpen;
    std::string minimumWhileOpen;
    ExpectModal([&](QWidget* modal) {
        targetWhileOpen = Text(kIdTargetVoltage);
        minimumWhileOpen = Text(kIdMinimumVoltage);
        AcknowledgeMessage(QMessageBox::Warning, kRegulationText)(modal);
    });
    Click(kIdHalfWave);
    ASSERT_TRUE(WaitForExpectedModals());
    // The lowered target shows as the box comes; the voltage minimum is
    // written after the box closes.
    EXPECT_EQ(targetWhileOpen, "13.794");
    EXPECT_EQ(minimumWhileOpen, "19.729");
    EXPECT_EQ(Text(kIdTargetVoltage), "13.794");
    EXPECT_EQ(Text(kIdMinimumVoltage), "14.894");
    EXPECT_EQ(Text(kIdOutputVoltage), "13.244");
    EXPECT_EQ(Text(kIdEfficiency), "82.283");
    EXPECT_NEAR(m_dialog->Supply().GetTargetVoltage(), 13.794, 0.0005);
}

TEST_F(QtWindowTest, FieldLosingTheFocusToTheMessageRunsNoCycle) {
    CReferenceForm reference;
    reference.platform.Type(kIdTargetVoltage, "30");
    reference.platform.Focus(kIdLoadCurrent);
    ASSERT_EQ(reference.platform.Messages().size(), 1u);

    std::string efficiencyInBox;
    ExpectModal([&](QWidget* modal) {
        // Field 1018 held the focus and lost it to the box: no cycle ran, so
        // the efficiency, written after the box, still shows the last cycle's.
        EXPECT_FALSE(Field(kIdLoadCurrent).hasFocus());
        efficiencyInBox = Text(kIdEfficiency);
        AcknowledgeMessage(QMessageBox::Warning, kRegulationText)(modal);
    });
    TypeInto(kIdTargetVoltage, QStringLiteral("30"));
    PressTab();
    ASSERT_TRUE(WaitForExpectedModals());
    EXPECT_EQ(efficiencyInBox, "68.901");
    ASSERT_TRUE(WaitForActiveWindow());
    EXPECT_EQ(FocusedId(), kIdLoadCurrent) << "the focus returns to the field";
    ExpectSameFields(reference);
}

TEST_F(QtWindowTest, OneMessageForKondC1000AndTabAndTheFieldShowsTheLoweredTarget) {
    std::string targetInBox;
    ExpectModal([&](QWidget* modal) {
        targetInBox = Text(kIdTargetVoltage);
        AcknowledgeMessage(QMessageBox::Warning, kRegulationText)(modal);
    });
    TypeInto(kIdCapacitance, QStringLiteral("1000"));
    PressTab();
    ASSERT_TRUE(WaitForExpectedModals());
    ASSERT_TRUE(WaitForActiveWindow());
    // A second box would reach the watchdog as an unexpected modal window.
    QTest::qWait(100);
    const std::string lowered = FormatFieldValue(m_dialog->Supply().GetTargetVoltage(), 3);
    EXPECT_EQ(targetInBox, lowered);
    EXPECT_EQ(Text(kIdTargetVoltage), lowered);
    EXPECT_EQ(Text(kIdOutputVoltage), "2.665");
    EXPECT_EQ(FocusedId(), kIdTargetVoltage);
}

TEST_F(QtWindowTest, PassingThroughTheLoweredTargetChangesNothing) {
    ExpectModal(AcknowledgeMessage(QMessageBox::Warning, kRegulationText));
    TypeInto(kIdTargetVoltage, QStringLiteral("30"));
    PressTab();
    ASSERT_TRUE(WaitForExpectedModals());
    ASSERT_TRUE(WaitForActiveWindow());
    const float lowered = m_dialog->Supply().GetTargetVoltage();
    std::map<int, std::string> before;
    for (const int id : kResultFieldIds) {
        before[id] = Text(id);
    }
    // Back into the target field and out again, twice; a message box would
    // reach the watchdog as an unexpected modal window.
    for (int pass = 0; pass < 2; ++pass) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
        ASSERT_EQ(FocusedId(), kIdTargetVoltage);
        PressTab();
    }
    QTest::qWait(100);
    EXPECT_EQ(m_dialog->Supply().GetTargetVoltage(), lowered);
    EXPECT_EQ(Text(kIdTargetVoltage), FormatFieldValue(lowered, 3));
    for (const int id : kResultFieldIds) {
        EXPECT_EQ(Text(id), before[id]) << "field " << id;
    }
}

TEST_F(QtWindowTest, ANumberWiderThanItsFieldShowsItsBeginningAndAMark) {
    struct CCase {
        int id;
        const char* typed;
        const char* text;  // the field's text, unchanged by the drawing
    };
    const CCase cases[] = {
        {kIdRatedVoltage, "1000000", "1000000.000"},
        {kIdDiffusionVoltage, "-1e400", "-340282346638528859811704183484516925440.000"},
    };
    for (const CCase& c : cases) {
        SCOPED_TRACE(c.typed);
        TypeInto(c.id, QString::fromUtf8(c.typed));
        PressTab();
        auto& field = static_cast<CFieldEdit&>(Field(c.id));
        ASSERT_FALSE(field.hasFocus());
        EXPECT_EQ(Text(c.id), c.text);
        const QString shown = field.ShownText();
        const QString text = QString::fromUtf8(c.text);
        // The beginning, sign included, and the mark that the text goes on.
        ASSERT_TRUE(shown.endsWith(QChar(0x2026))) << shown.toStdString();
        const QString beginning = shown.chopped(1);
        EXPECT_GE(beginning.size(), 3);
        EXPECT_TRUE(text.startsWith(beginning)) << shown.toStdString();
        EXPECT_LE(field.fontMetrics().horizontalAdvance(shown), field.contentsRect().width());
    }
    // A result that outgrows its field is drawn the same way.
    auto& power = static_cast<CFieldEdit&>(Field(kIdRatedPower));
    EXPECT_TRUE(power.ShownText().endsWith(QChar(0x2026))) << Text(kIdRatedPower);
    EXPECT_TRUE(power.text().startsWith(power.ShownText().chopped(1)));
    // A text that fits is shown whole.
    EXPECT_EQ(static_cast<CFieldEdit&>(Field(kIdRatedCurrent)).ShownText(),
              QStringLiteral("3.333"));
}

TEST_F(QtWindowTest, ExactlyTheSixFieldsHaveTooltips) {
    const std::map<int, std::string> expected = {
        {1024, "Klemmenspannung, die der Trafo bei Nennstrom hat"},
        {1021, "Nennstromangabe des Trafos"},
        {1013, "Klemmenspannung im unbelasteten Zustand"},
        {1025, "Diffusionsspannung der verwendeten Diode"},
        {1019, "der Bahnwiderstand nähert reale Diodenkennlinie an"},
        {1020,
         "geben Sie hier die Kapazität des Ladekondensators hinter dem Gleichrichter in "
         "Mikrofarad an"},
    };
    std::map<int, std::string> found;
    for (const CBuiltControl& control : Window().Controls()) {
        for (const QWidget* widget : {control.widget, control.outer}) {
            if (widget->toolTip().isEmpty()) {
                continue;
            }
            // Beside the six, a result field wears a tooltip exactly while it
            // wears a warning colour: it says what the colour means.
            const auto kind = m_platform->Analysis()->Warnings().KindOf(control.row->id);
            if (kind != CFormWarnings::EKind::kNone) {
                EXPECT_TRUE(widget->toolTip().startsWith(QStringLiteral("Orange")) ||
                            widget->toolTip().startsWith(QStringLiteral("Purpur")))
                    << control.row->id;
                continue;
            }
            found[control.row->id] = widget->toolTip().toStdString();
        }
    }
    EXPECT_EQ(found, expected);
}

TEST_F(QtWindowTest, AboutBoxOpensAsOftenAsAsked) {
    for (int time = 1; time <= 2; ++time) {
        SCOPED_TRACE(::testing::Message() << "time " << time);
        ExpectModal([](QWidget* modal) {
            EXPECT_EQ(modal->windowTitle(), QStringLiteral("Ohmrada Version 3.0"));
            QStringList texts;
            for (const QLabel* label : modal->findChildren<QLabel*>()) {
                texts << label->text();
            }
            EXPECT_EQ(texts.size(), 4);
            EXPECT_TRUE(texts.contains(QStringLiteral("bei Fragen bitte E-Mailen:")));
            // Every text and the button stand where the template puts them.
            const CDialogBaseUnits units = CDialogBaseUnits::Of(modal->font());
            for (const res::CControlTemplate& row : res::kAboutTemplate.controls) {
                const QRect at = units.ToPixels(row.x, row.y, row.width, row.height);
                bool found = false;
                for (const QWidget* child : modal->findChildren<QWidget*>()) {
                    const auto* label = qobject_cast<const QLabel*>(child);
                    const auto* button = qobject_cast<const QPushButton*>(child);
                    const QString text = label != nullptr    ? label->text()
                                         : button != nullptr ? button->text()
                                                             : QString();
                    if (text == QString::fromUtf8(row.text)) {
                        found = true;
                        EXPECT_EQ(child->pos(), at.topLeft()) << row.text;
                        EXPECT_GE(child->width(), at.width()) << row.text;
                    }
                }
                EXPECT_TRUE(found) << row.text;
            }
            const QList<QPushButton*> buttons = modal->findChildren<QPushButton*>();
            ASSERT_EQ(buttons.size(), 1);
            EXPECT_EQ(buttons.front()->text(), QStringLiteral("OK"));
            QTest::mouseClick(buttons.front(), Qt::LeftButton);
        });
        Trigger(kCmdHelpAbout);
        EXPECT_TRUE(WaitForExpectedModals());
        EXPECT_TRUE(WaitForActiveWindow());
    }
}

TEST_F(QtWindowTest, HelpOpensAtTheContentsAndF1AtTheFormPage) {
    Trigger(kCmdHelpUsage);
    CHelpViewer* viewer = m_platform->HelpViewer();
    ASSERT_NE(viewer, nullptr);
    EXPECT_TRUE(viewer->isVisible());
    EXPECT_FALSE(viewer->isModal());
    EXPECT_EQ(viewer->CurrentPage(), QStringLiteral("index.html"));
    EXPECT_FALSE(viewer->Browser()->toPlainText().isEmpty());

    Window().activateWindow();
    ASSERT_TRUE(WaitForActiveWindow());
    QTest::keyClick(&Field(kIdCapacitance), Qt::Key_F1);
    EXPECT_EQ(m_platform->HelpViewer(), viewer) << "one viewer";
    EXPECT_EQ(viewer->CurrentPage(), QStringLiteral("formular.html"));
}

TEST_F(QtWindowTest, MenuHoldsTheCommandsAndTheSearchEntriesLeaveTheFormAlone) {
    struct CEntry {
        const char* menu;
        const char* text;
        int command;
    };
    constexpr CEntry kMenu[] = {
        {"Datei", "&Neu", 40040},
        {"Datei", "Ö&ffnen", 1067},
        {"Datei", "&Speichern", 40041},
        {"Datei", "&Speichern unter...", 1070},
        {"Datei", "&Zuletzt geöffnet", 0},
        {"Datei", "&Beenden", 8},
        {"S&uchen", "maximale Trafonennleistung", 40002},
        {"S&uchen", "maximal regelbarer Strom", 40003},
        {"S&uchen", "maximale Reglerverlustleistung", 40004},
        {"S&uchen", "optimaler Wirkungsgrad", 40005},
        {"S&uchen", "höchste Spannung", 40006},
        {"S&uchen", "Entwurf aus Anforderungen...", 40030},
        {"&Analyse", "&Toleranzen...", 40010},
        {"&Analyse", "&Grenzwerte...", 40011},
        {"&Analyse", "&Parameterverlauf...", 40012},
        {"&Analyse", "&Zeitbereich...", 40013},
        {"&Analyse", "&Bericht speichern...", 40014},
        {"&Analyse", "Netz&frequenz", 0},
        {"&Sprache / Language", "Deutsch", 0},
        {"&Sprache / Language", "English", 0},
        {"&?", "&Bedienung", 1068},
        {"&?", "I&nfo über", 1071},
    };
    std::vector<std::string> shown;
    for (const QAction* menu : Window().MenuBar()->actions()) {
        for (const QAction* entry : menu->menu()->actions()) {
            shown.push_back(menu->text().toStdString() + "|" + entry->text().toStdString());
        }
    }
    std::vector<std::string> expected;
    for (const CEntry& entry : kMenu) {
        expected.push_back(std::string(entry.menu) + "|" + entry.text);
        if (entry.command == 0) {
            continue;  // a submenu
        }
        const QAction* action = Window().Action(entry.command);
        ASSERT_NE(action, nullptr) << entry.text;
        EXPECT_EQ(action->text().toStdString(), entry.text);
        EXPECT_TRUE(action->isEnabled());
    }
    EXPECT_EQ(shown, expected);
    // The mains frequency's two entries carry the form's mark.
    for (const int command : {kCmdMains50Hz, kCmdMains60Hz}) {
        const QAction* action = Window().Action(command);
        ASSERT_NE(action, nullptr);
        EXPECT_TRUE(action->isCheckable());
        EXPECT_EQ(action->isChecked(), command == kCmdMains50Hz);
    }
    Trigger(kCmdMains60Hz);
    EXPECT_TRUE(Window().Action(kCmdMains60Hz)->isChecked());
    EXPECT_FALSE(Window().Action(kCmdMains50Hz)->isChecked());
    // 60 Hz is a change of the design: the title marks it.
    EXPECT_TRUE(ShownTitle(Window()).endsWith(QStringLiteral(" (60 Hz)*")));
    Trigger(kCmdMains50Hz);
    EXPECT_EQ(ShownTitle(Window()).toStdString(), texts::kWindowTitle);

    for (int command = kCmdSearchFirst; command <= kCmdSearchLast; ++command) {
        Trigger(command);
    }
    QTest::qWait(50);  // a modal window would be found by the watchdog
    EXPECT_TRUE(Window().isVisible());
    // They open Grenzwerte beside the form and change nothing in it.
    CReferenceForm reference;
    ExpectSameFields(reference);
}

TEST_F(QtWindowTest, MessageBoxesCarryTheirIconAndTheProgramName) {
    struct CCase {
        CPlatform::EIcon icon;
        QMessageBox::Icon shown;
    };
    constexpr CCase kCases[] = {
        {CPlatform::EIcon::kExclamation, QMessageBox::Warning},
        {CPlatform::EIcon::kStop, QMessageBox::Critical},
        {CPlatform::EIcon::kInformation, QMessageBox::Information},
    };
    EXPECT_EQ(ApplicationTitle(), QStringLiteral("qt_tests"));
    for (const CCase& c : kCases) {
        ExpectModal(AcknowledgeMessage(c.shown, "Beim Zugriff auf /x/ü.odr ist etwas geschehen."));
        m_platform->MessageBox("Beim Zugriff auf /x/ü.odr ist etwas geschehen.", c.icon);
        EXPECT_TRUE(WaitForExpectedModals());
    }
}

// The form without its help pages.
class QtWindowWithoutHelpTest : public QtWindowTest {
protected:
    QString HelpFolder() const override { return m_missing.path(); }
    QTemporaryDir m_missing;
};

TEST_F(QtWindowWithoutHelpTest, HelpThatCannotBeShownIsReported) {
    const auto helpFailed = AcknowledgeMessage(QMessageBox::Warning, texts::kHelpFailedMessage);
    ExpectModal(helpFailed);
    Trigger(kCmdHelpUsage);
    ASSERT_TRUE(WaitForExpectedModals());
    ASSERT_TRUE(WaitForActiveWindow());
    ExpectModal(helpFailed);
    QTest::keyClick(&Window(), Qt::Key_F1);
    ASSERT_TRUE(WaitForExpectedModals());
    EXPECT_EQ(m_platform->HelpViewer(), nullptr);
    // Exit: nothing to close, so nothing to report; the program ends.
    Trigger(kCmdFileExit);
    EXPECT_EQ(m_platform->Result(), kCmdOk);
}

// The file dialogs, driven through their name field.
class QtFileDialogTest : public QtWindowTest {
protected:
    // Answers the next file dialog with path after checking its settings.
    void AnswerFileDialog(const QString& title, QFileDialog::AcceptMode mode, const QString& path) {
        ExpectModal([title, mode, path](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            ASSERT_NE(dialog, nullptr);
            EXPECT_EQ(dialog->windowTitle(), title);
            EXPECT_EQ(dialog->acceptMode(), mode);
            EXPECT_EQ(dialog->nameFilters(), QStringList{QStringLiteral("OhmradaDateien (*.odr)")});
            ASSERT_TRUE(QTest::qWaitForWindowActive(dialog));
            auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            ASSERT_NE(name, nullptr);
            EXPECT_EQ(name->text(), QStringLiteral("*.odr"));
            // The initial pattern is no name to take.
            QTest::keyClick(name, Qt::Key_Return);
            EXPECT_TRUE(dialog->isVisible());
            // The path arrives whole, as pasted: typed character by character,
            // the dialog would follow every "/" into that folder.
            name->setText(path);
            QTest::keyClick(name, Qt::Key_Return);
        });
    }

    static QByteArray ReadAll(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir m_folder;
};

TEST_F(QtFileDialogTest, SaveAsWritesTheFormThroughTheDialog) {
    const QString path = m_folder.filePath(QStringLiteral("netzteil.odr"));
    AnswerFileDialog(QStringLiteral("Netztgerätekonfiguration speichern"), QFileDialog::AcceptSave,
                     path);
    Trigger(kCmdFileSaveAs);
    ASSERT_TRUE(WaitForExpectedModals());
    EXPECT_EQ(ReadAll(path).toStdString(), kStartUpFile);
    // The title names the file saved, as after Open.
    EXPECT_EQ(ShownTitle(Window()), QStringLiteral("Ohmrada -- ") + path);
}

TEST_F(QtFileDialogTest, SaveAsAsksBeforeReplacingAFile) {
    const QString path = m_folder.filePath(QStringLiteral("alt.odr"));
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("alt\r\n");
    }
    struct CAnswer {
        QMessageBox::StandardButton button;
        const char* fileAfter;
    };
    const CAnswer answers[] = {{QMessageBox::No, "alt\r\n"},
                               {QMessageBox::Yes, kStartUpFile.c_str()}};
    for (const CAnswer& answer : answers) {
        SCOPED_TRACE(answer.button == QMessageBox::Yes ? "replace" : "keep");
        AnswerFileDialog(QStringLiteral("Netztgerätekonfiguration speichern"),
                         QFileDialog::AcceptSave, path);
        ExpectModal([&](QWidget* modal) {
            QMessageBox* box = AsMessageBox(modal);
            ASSERT_NE(box, nullptr);
            EXPECT_NE(qobject_cast<QFileDialog*>(box->parentWidget()), nullptr);
            box->button(answer.button)->click();
        });
        if (answer.button == QMessageBox::No) {
            // The dialog stays open for another name; cancel it.
            ExpectModal([](QWidget* modal) { qobject_cast<QDialog*>(modal)->reject(); });
        }
        Trigger(kCmdFileSaveAs);
        ASSERT_TRUE(WaitForExpectedModals());
        EXPECT_EQ(ReadAll(path).toStdString(), answer.fileAfter);
        ASSERT_TRUE(WaitForActiveWindow());
    }
}

TEST_F(QtFileDialogTest, OpenLoadsTheFileAndNamesItInTheTitle) {
    const QString path = m_folder.filePath(QStringLiteral("brücke.odr"));
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray::fromStdString(kStartUpFile)
                       .replace("Mitte: 1", "Mitte: 0")
                       .replace("mittelpunkt", "bruecke")
                       .replace("Ib   : 5.000", "Ib   : 2.000"));
    }
    AnswerFileDialog(QStringLiteral("Ohmrada laden"), QFileDialog::AcceptOpen, path);
    Trigger(kCmdFileOpen);
    ASSERT_TRUE(WaitForExpectedModals());
    EXPECT_EQ(ShownTitle(Window()), QStringLiteral("Ohmrada -- ") + path);
    EXPECT_FALSE(Button(kIdCentreTap).isChecked());
    EXPECT_TRUE(Button(kIdBridge).isChecked());
    EXPECT_FALSE(Button(kIdCentreTapCircuit).isEnabled());
    EXPECT_EQ(Text(kIdRatedVoltage), "18.000");
    EXPECT_EQ(Text(kIdLoadCurrent), "2.000");
}

TEST_F(QtFileDialogTest, AnEmptyFileIsRefusedWithAStopMessage) {
    const QString path = m_folder.filePath(QStringLiteral("leer.odr"));
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    Field(kIdDcPower).setText(QStringLiteral("stale"));
    AnswerFileDialog(QStringLiteral("Ohmrada laden"), QFileDialog::AcceptOpen, path);
    ExpectModal(AcknowledgeMessage(QMessageBox::Critical,
                                   "Die Datei " + path.toStdString() +
                                       " ist leer: Sie enthält keine Netzgerätekonfiguration."));
    Trigger(kCmdFileOpen);
    ASSERT_TRUE(WaitForExpectedModals());
    EXPECT_EQ(ShownTitle(Window()).toStdString(), texts::kWindowTitle);
    CReferenceForm reference;
    ExpectSameFields(reference);
}

TEST_F(QtFileDialogTest, AShortFileLoadsAndThenTellsWhatWasMissing) {
    const QString path = m_folder.filePath(QStringLiteral("kurz.odr"));
    QByteArray thirteen = QByteArray::fromStdString(kStartUpFile);
    thirteen.truncate(thirteen.lastIndexOf("ReglR"));
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(thirteen);
    }
    QString titleAtNotice;
    AnswerFileDialog(QStringLiteral("Ohmrada laden"), QFileDialog::AcceptOpen, path);
    ExpectModal([&](QWidget* modal) {
        titleAtNotice = ShownTitle(Window());
        AcknowledgeMessage(
            QMessageBox::Information,
            "In der Datei " + path.toStdString() +
                " fehlt die letzte der 14 Zeilen. Ihr Wert wurde als 0 gelesen.")(modal);
    });
    Trigger(kCmdFileOpen);
    ASSERT_TRUE(WaitForExpectedModals());
    EXPECT_EQ(titleAtNotice, QStringLiteral("Ohmrada -- ") + path);
    CReferenceForm reference;
    reference.platform.QueueFileDialogAnswer(path.toStdString());
    reference.dialog.OnFileOpen();
    ASSERT_EQ(reference.platform.Messages().size(), 1u);
    ExpectSameFields(reference);
    EXPECT_EQ(Text(kIdRegulatorResistance), "0.000");
}

// The program started with a file: CSupplyApp runs the form on the window's
// platform until the test ends it.
TEST_F(QtFileDialogTest, TheProgramsFileArgumentOpensAsOpenDoes) {
    const QString file = m_folder.filePath(QStringLiteral("netzteil.odr"));
    {
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(QByteArray::fromStdString(kStartUpFile)
                      .replace("mittelpunkt", "bruecke")
                      .replace("Ib   : 5.000", "Ib   : 2.000"));
    }
    const QString missing = m_folder.filePath(QStringLiteral("fehlt.odr"));
    struct CCase {
        const char* name;
        QString path;
        bool opens;
    };
    const CCase cases[] = {{"a file", file, true}, {"a file that is not there", missing, false}};
    for (const CCase& c : cases) {
        SCOPED_TRACE(c.name);
        bool told = false;
        if (!c.opens) {
            ExpectModal([&](QWidget* modal) {
                AcknowledgeMessage(
                    QMessageBox::Critical,
                    "Die Datei " + missing.toStdString() + " konnte nicht geöffnet werden.")(modal);
                told = true;
            });
        }
        // Ends the program once the file was opened or refused.
        QTimer done;
        QElapsedTimer clock;
        clock.start();
        QObject::connect(&done, &QTimer::timeout, &done, [&] {
            const bool settled = c.opens ? ShownTitle(Window()).endsWith(c.path)
                                         : told && QApplication::activeModalWidget() == nullptr;
            if (settled || clock.elapsed() > 5000) {
                done.stop();
                m_platform->EndDialog(0);
            }
        });
        done.start(10);
        CSupplyApp app(*m_platform, c.path.toStdString());
        app.InitInstance();
        CReferenceForm reference;
        if (c.opens) {
            EXPECT_EQ(ShownTitle(Window()), QStringLiteral("Ohmrada -- ") + c.path);
            reference.platform.QueueFileDialogAnswer(c.path.toStdString());
            reference.dialog.OnFileOpen();
            EXPECT_TRUE(Button(kIdBridge).isChecked());
        } else {
            EXPECT_TRUE(told);
            EXPECT_EQ(ShownTitle(Window()).toStdString(), texts::kWindowTitle);
        }
        ExpectSameFields(reference);
    }
}

TEST_F(QtFileDialogTest, CancelledOpenStillRewritesTheForm) {
    Field(kIdDcPower).setText(QStringLiteral("stale"));
    ExpectModal([](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        dialog->reject();
    });
    Trigger(kCmdFileOpen);
    ASSERT_TRUE(WaitForExpectedModals());
    EXPECT_EQ(Text(kIdDcPower), "71.350");
    EXPECT_EQ(ShownTitle(Window()).toStdString(), texts::kWindowTitle);
}

}  // namespace ohmrada::qt::test

namespace ohmrada::qt::test {

namespace {

// Answers the question on leaving with one of its buttons after checking it.
std::function<void(QWidget*)> AnswerSaveQuestion(QMessageBox::StandardButton button) {
    return [button](QWidget* modal) {
        QMessageBox* box = AsMessageBox(modal);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->text().toStdString(), texts::kSaveChangesQuestion);
        EXPECT_EQ(box->windowTitle(), ApplicationTitle());
        EXPECT_EQ(box->button(QMessageBox::Yes)->text(), QStringLiteral("&Ja"));
        EXPECT_EQ(box->button(QMessageBox::No)->text(), QStringLiteral("&Nein"));
        EXPECT_EQ(box->button(QMessageBox::Cancel)->text(), QStringLiteral("Abbrechen"));
        box->button(button)->click();
    };
}

}  // namespace

// Every way out asks before a changed design is lost: Abbrechen and a
// cancelled file dialog keep the program open with the change, Ja saves
// under the proposed name and ends, Nein ends without a file.
TEST_F(QtFileDialogTest, LeavingAChangedDesignAsksByEveryWay) {
    struct CWay {
        const char* name;
        std::function<void(CFormWindow&)> leave;
        int result;
    };
    const CWay ways[] = {
        {"Esc in a field",
         [](CFormWindow& window) { QTest::keyClick(window.Field(kIdLoadCurrent), Qt::Key_Escape); },
         kCmdCancel},
        {"close box", [](CFormWindow& window) { window.close(); }, kCmdCancel},
        {"Beenden", [](CFormWindow& window) { window.Action(kCmdFileExit)->trigger(); }, kCmdOk},
    };
    int round = 0;
    for (const CWay& way : ways) {
        SCOPED_TRACE(way.name);
        if (round++ > 0) {
            m_platform->Show(*m_dialog);
            ASSERT_TRUE(WaitForActiveWindow());
        }
        TypeInto(kIdLoadCurrent, QStringLiteral("2"));
        PressTab();
        TypeInto(kIdLoadCurrent, QStringLiteral("3"));  // typed, not yet applied

        ExpectModal(AnswerSaveQuestion(QMessageBox::Cancel));
        way.leave(Window());
        ASSERT_TRUE(WaitForExpectedModals());
        EXPECT_TRUE(Window().isVisible());
        EXPECT_FALSE(m_platform->Result().has_value());
        ASSERT_TRUE(WaitForActiveWindow());
        EXPECT_EQ(Text(kIdLoadCurrent), "3") << "the typing is kept";

        const QString path = m_folder.filePath(
            QString::fromLatin1(way.name).replace(QLatin1Char(' '), '_') + QStringLiteral(".odr"));
        ExpectModal(AnswerSaveQuestion(QMessageBox::Yes));
        ExpectModal([](QWidget* modal) { qobject_cast<QDialog*>(modal)->reject(); });
        way.leave(Window());
        ASSERT_TRUE(WaitForExpectedModals());
        EXPECT_FALSE(m_platform->Result().has_value()) << "no file, so the program stays";
        ASSERT_TRUE(WaitForActiveWindow());

        ExpectModal(AnswerSaveQuestion(QMessageBox::Yes));
        ExpectModal([path](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            ASSERT_NE(dialog, nullptr);
            EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
            auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            ASSERT_NE(name, nullptr);
            name->setText(path);
            QTest::keyClick(name, Qt::Key_Return);
        });
        way.leave(Window());
        ASSERT_TRUE(WaitForExpectedModals());
        EXPECT_EQ(m_platform->Result(), way.result);
        EXPECT_FALSE(Window().isVisible());
        // Save As writes the fields' texts: the typed one as it stands.
        const QByteArray saved = ReadAll(path);
        EXPECT_TRUE(saved.contains("Ib   : 3\r\n")) << saved.toStdString();
    }

    // Nein: ends without a file; unchanged: ends at once without a question.
    m_platform->Show(*m_dialog);
    ASSERT_TRUE(WaitForActiveWindow());
    TypeInto(kIdCapacitance, QStringLiteral("4700"));
    ExpectModal(AnswerSaveQuestion(QMessageBox::No));
    QTest::keyClick(&Field(kIdCapacitance), Qt::Key_Escape);
    ASSERT_TRUE(WaitForExpectedModals());
    EXPECT_EQ(m_platform->Result(), kCmdCancel);

    m_platform->Show(*m_dialog);
    ASSERT_TRUE(WaitForActiveWindow());
    QTest::keyClick(&Window(), Qt::Key_Escape);
    EXPECT_EQ(m_platform->Result(), kCmdCancel);
}

}  // namespace ohmrada::qt::test

namespace ohmrada::qt::test {
namespace {

// A name typed without an extension is saved with ".odr", so that the Open
// dialog lists it; Ctrl+S then saves to that file without a dialog, and the
// title's mark follows.
TEST_F(QtFileDialogTest, SaveAsAppendsTheExtensionAndCtrlSSavesToTheSameFile) {
    const QString typed = m_folder.filePath(QStringLiteral("netzteil-12v"));
    const QString saved = typed + QStringLiteral(".odr");
    AnswerFileDialog(QStringLiteral("Netztgerätekonfiguration speichern"), QFileDialog::AcceptSave,
                     typed);
    Trigger(kCmdFileSaveAs);
    ASSERT_TRUE(WaitForExpectedModals());
    EXPECT_FALSE(QFileInfo::exists(typed));
    EXPECT_EQ(ReadAll(saved).toStdString(), kStartUpFile);
    EXPECT_EQ(ShownTitle(Window()), QStringLiteral("Ohmrada -- ") + saved);

    Field(kIdLoadCurrent).setText(QStringLiteral("2"));
    m_dialog->OnKillFocus(kIdLoadCurrent);
    EXPECT_EQ(ShownTitle(Window()), QStringLiteral("Ohmrada -- ") + saved + QLatin1Char('*'));
    for (const auto& [command, keys] :
         {std::pair{kCmdFileNew, "Ctrl+N"}, std::pair{kCmdFileOpen, "Ctrl+O"},
          std::pair{kCmdFileSave, "Ctrl+S"}}) {
        ASSERT_NE(Window().Action(command), nullptr) << keys;
        EXPECT_EQ(Window().Action(command)->shortcut(), QKeySequence(QString::fromLatin1(keys)));
    }
    ASSERT_TRUE(WaitForActiveWindow());
    QTest::keySequence(&Window(), QKeySequence(QStringLiteral("Ctrl+S")));
    EXPECT_TRUE(ReadAll(saved).contains("Ib   : 2.000\r\n"));
    EXPECT_EQ(ShownTitle(Window()), QStringLiteral("Ohmrada -- ") + saved);
}

// The recently opened files: newest first, at most eight, kept in the
// windows' settings file, a missing one removed with a message.
TEST_F(QtFileDialogTest, RecentFilesAreKeptAndAMissingOneLeavesWithAMessage) {
    const QString places = m_folder.filePath(QStringLiteral("fenster.ini"));
    m_platform->SetPlacesFile(places);
    QStringList files;
    for (int k = 0; k < 10; ++k) {
        const QString path = m_folder.filePath(QStringLiteral("d%1.odr").arg(k));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(kStartUpFile.c_str());
        file.close();
        files.prepend(path);
        m_dialog->OpenFile(path.toStdString());
    }
    ASSERT_EQ(m_platform->RecentFiles().size(), CQtPlatform::kRecentFileCount);
    EXPECT_EQ(m_platform->RecentFiles(), files.mid(0, CQtPlatform::kRecentFileCount));
    // Opening one again moves it to the top, once.
    m_dialog->OpenFile(files[3].toStdString());
    EXPECT_EQ(m_platform->RecentFiles().front(), files[3]);
    EXPECT_EQ(m_platform->RecentFiles().count(files[3]), 1);

    // The menu's entry opens it; a file that is gone leaves the list.
    ASSERT_TRUE(QFile::remove(files[0]));
    const int index = static_cast<int>(m_platform->RecentFiles().indexOf(files[0]));
    ASSERT_GE(index, 0);
    ExpectModal([&](QWidget* modal) {
        QMessageBox* box = AsMessageBox(modal);
        ASSERT_NE(box, nullptr);
        EXPECT_TRUE(box->text().contains(files[0]));
        box->button(QMessageBox::Ok)->click();
    });
    m_platform->OpenRecent(index);
    ASSERT_TRUE(WaitForExpectedModals());
    EXPECT_FALSE(m_platform->RecentFiles().contains(files[0]));
    const QStringList kept = m_platform->RecentFiles();

    // The next start reads the same list.
    m_platform->EndDialog(kCmdCancel);
    CQtPlatform next;
    next.SetPlacesFile(places);
    EXPECT_EQ(next.RecentFiles(), kept);
}

}  // namespace
}  // namespace ohmrada::qt::test

namespace ohmrada::qt::test {
namespace {

// The form opens at the left of its screen, so that the tool windows find
// room to its right; where the user puts it is where it opens next time. The
// help viewer opens beside it, level with its top, never at 0,0.
TEST_F(QtFileDialogTest, FormOpensAtTheLeftAndTheHelpBesideIt) {
    const QRect available = Window().screen()->availableGeometry();
    EXPECT_LE(Window().frameGeometry().left() - available.left(), 16);
    EXPECT_GE(Window().frameGeometry().top(), available.top());

    ASSERT_TRUE(m_dialog != nullptr);
    m_dialog->OnHelpUsage();
    QWidget* help = m_platform->HelpViewer();
    ASSERT_NE(help, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(help));
    const QRect form = Window().frameGeometry();
    if (available.width() >= form.width() + help->frameGeometry().width() + 16) {
        EXPECT_FALSE(help->frameGeometry().intersects(form))
            << "form " << form.x() << "," << form.width() << " help " << help->x();
    }
    EXPECT_NE(help->pos(), QPoint(0, 0));
    EXPECT_TRUE(available.contains(help->geometry()));
    help->close();

    // Moved by the user and started again with the same settings file.
    const QString places = m_folder.filePath(QStringLiteral("fenster.ini"));
    m_platform->SetPlacesFile(places);
    const QPoint moved = available.topLeft() + QPoint(40, 30);
    Window().move(moved);
    m_platform->EndDialog(kCmdCancel);
    m_platform->SetPlacesFile(places);
    m_platform->Show(*m_dialog);
    ASSERT_TRUE(WaitForActiveWindow());
    EXPECT_EQ(Window().pos(), moved);
}

}  // namespace
}  // namespace ohmrada::qt::test
