// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "DialogFixture.h"
#include "FieldTable.h"
#include "MainDialog.h"
#include "MemoryPlatform.h"
#include "NumberText.h"
#include "SupplyApp.h"
#include "Texts.h"
#include "support/TestFiles.h"

namespace fs = std::filesystem;
using namespace ohmrada;

namespace {

using EIcon = CPlatform::EIcon;
using EHelpCommand = CPlatform::EHelpCommand;

using test::kStartUpTexts;

// A platform whose files can be made to fail.
class CTestPlatform : public CMemoryPlatform {
public:
    std::unique_ptr<CLineSource> OpenForReading(const std::string& path,
                                                std::error_code& error) override {
        if (readFailsAfter >= 0) {
            return std::make_unique<CFailingSource>(readFailsAfter);
        }
        return CMemoryPlatform::OpenForReading(path, error);
    }
    std::unique_ptr<CLineSink> OpenForWriting(const std::string& path,
                                              std::error_code& error) override {
        auto sink = CMemoryPlatform::OpenForWriting(path, error);
        if (sink && writeFailsAfter >= 0) {
            return std::make_unique<CFailingSink>(std::move(sink), writeFailsAfter);
        }
        return sink;
    }

    void CycleEnded(const CCycleAlerts& alerts) override {
        cycles.push_back(alerts);
        resultAtCycleEnd = GetItemText(kIdInputPower);
    }

    int readFailsAfter = -1;
    int writeFailsAfter = -1;
    std::vector<CCycleAlerts> cycles;  // as the form reported them
    std::string resultAtCycleEnd;

private:
    class CFailingSource : public CLineSource {
    public:
        explicit CFailingSource(int good) : m_left(good) {}
        EResult ReadLine(std::string& line) override {
            line = "Mitte: 0";
            return m_left-- > 0 ? EResult::kLine : EResult::kError;
        }

    private:
        int m_left;
    };
    // Passes lines on to a real file until the medium "fills up"; with all
    // fourteen lines written, closing the file fails.
    class CFailingSink : public CLineSink {
    public:
        CFailingSink(std::unique_ptr<CLineSink> inner, int good)
            : m_inner(std::move(inner)), m_left(good) {}
        bool WriteLine(std::string_view line) override {
            return m_left-- > 0 && m_inner->WriteLine(line);
        }
        bool Commit() override { return m_left > 0 && m_inner->Commit(); }

    private:
        std::unique_ptr<CLineSink> m_inner;
        int m_left;
    };
};

class MainDialogTest : public test::CDialogFixture<CTestPlatform> {
protected:
    std::string Text(int id) const { return m_platform.GetItemText(id); }
    std::size_t MessageCount() const { return m_platform.Messages().size(); }
    CPowerSupply& Supply() { return m_dialog.Supply(); }
    std::map<int, std::string> AllTexts() const {
        std::map<int, std::string> texts;
        for (int id : kInputFieldIds)
            texts[id] = Text(id);
        for (int id : kResultFieldIds)
            texts[id] = Text(id);
        return texts;
    }
};

// The end of every cycle is reported once, after the form shows its results,
// with exactly the messages and beeps that cycle sent.
TEST_F(MainDialogTest, EachCycleReportsItsOwnMessagesAndBeeps) {
    struct CCase {
        const char* name;
        int field;
        const char* text;
    };
    const CCase kCases[] = {
        {"a plain change", kIdLoadCurrent, "4"},
        {"an overload", kIdLoadCurrent, "7"},
        {"the same design again", kIdLoadCurrent, "7"},
        {"an unreachable target", kIdTargetVoltage, "30"},
        {"back to the start-up current", kIdLoadCurrent, "5"},
    };
    ASSERT_EQ(m_platform.cycles.size(), 1u) << "the first cycle at start";
    for (const CCase& c : kCases) {
        SCOPED_TRACE(c.name);
        const std::size_t cycles = m_platform.cycles.size();
        const int messages = static_cast<int>(MessageCount());
        const int beeps = m_platform.Beeps();
        m_platform.SetItemText(c.field, c.text);
        m_dialog.OnKillFocus(c.field);
        ASSERT_EQ(m_platform.cycles.size(), cycles + 1);
        EXPECT_EQ(m_platform.cycles.back().messages, static_cast<int>(MessageCount()) - messages);
        EXPECT_EQ(m_platform.cycles.back().beeps, m_platform.Beeps() - beeps);
        EXPECT_EQ(m_platform.resultAtCycleEnd, Text(kIdInputPower));
    }
    EXPECT_GT(m_platform.cycles[2].beeps, 0) << "7 A overload the transformer";
    EXPECT_EQ(m_platform.cycles[4].messages, 1) << "30 V cannot be held";
    EXPECT_EQ(m_platform.cycles[1].messages + m_platform.cycles[1].beeps, 0);
}

TEST_F(MainDialogTest, StartUpShowsTheWorkedExample) {
    EXPECT_EQ(AllTexts(), kStartUpTexts);
    EXPECT_TRUE(m_platform.IsChecked(kIdCentreTap));
    EXPECT_TRUE(m_platform.IsEnabled(kIdCentreTapCircuit));
    EXPECT_TRUE(m_platform.IsChecked(kIdCentreTapCircuit));
    EXPECT_FALSE(m_platform.IsChecked(kIdHalfWave));
    EXPECT_FALSE(m_platform.IsChecked(kIdBridge));
    EXPECT_EQ(m_platform.SpinPosition(kIdLoadCurrentSpin), kSpinRestPosition);
    EXPECT_EQ(m_platform.SpinPosition(kIdTargetVoltageSpin), kSpinRestPosition);
    EXPECT_EQ(m_platform.Title(), texts::kWindowTitle);
    EXPECT_EQ(std::string(texts::kWindowTitle).rfind("Ohmrada -- Version 3.0", 0), 0u);
    EXPECT_EQ(MessageCount(), 0u);
    EXPECT_EQ(m_platform.Beeps(), 0);
    EXPECT_EQ(m_platform.FocusedId(), kIdCentreTap);
}

TEST_F(MainDialogTest, LeavingAFieldReappliesItsShownText) {
    EXPECT_EQ(Supply().GetTransformer()->GetRatedCurrent(), 10.0f / 3.0f);
    m_platform.Focus(kIdRatedCurrent);
    m_platform.Focus(kIdNoLoadVoltage);
    EXPECT_EQ(Supply().GetTransformer()->GetRatedCurrent(), 3.333f);
    EXPECT_EQ(Text(kIdInternalResistance), "0.600");

    // With the centre tap the shown half is doubled again on the way in.
    m_platform.Focus(kIdRatedVoltage);
    m_platform.Focus(0);
    EXPECT_EQ(Supply().GetTransformer()->GetRatedVoltage(), 18.0f);
    EXPECT_EQ(Text(kIdNoLoadVoltage), "20.000");

    // The capacitance becomes a whole number of microfarads.
    m_platform.Enter(kIdCapacitance, "30000.6");
    EXPECT_EQ(Text(kIdCapacitance), "30001");
    EXPECT_EQ(Supply().GetCapacitor()->GetCapacitance(false), 30000.6f);
    m_platform.Focus(kIdCapacitance);
    m_platform.Focus(0);
    EXPECT_EQ(Supply().GetCapacitor()->GetCapacitance(false), 30001.0f);
}

TEST_F(MainDialogTest, TwoPassesThroughEveryFieldChangeNothingTheSecondTime) {
    for (int id : kInputFieldIds)
        m_platform.Focus(id);
    m_platform.Focus(0);
    const auto once = AllTexts();
    for (int id : kInputFieldIds)
        m_platform.Focus(id);
    m_platform.Focus(0);
    EXPECT_EQ(AllTexts(), once);
}

struct EntryCase {
    const char* typed;
    const char* shown;
};

TEST_F(MainDialogTest, FieldTextsAreReadAsAtofReadsThem) {
    const EntryCase cases[] = {
        {"1,5", "1.000"},
        {"2e3", "2000.000"},
        {"12 A", "12.000"},
        {"", "0.000"},
        {"Strom", "0.000"},
        {"-3", "0.000"},
        {" 0.25", "0.250"},
        // Beyond single precision: held at the largest float, never infinite.
        {"1e39", "340282346638528859811704183484516925440.000"},
    };
    for (const EntryCase& c : cases) {
        m_platform.Enter(kIdLoadCurrent, c.typed);
        EXPECT_EQ(Text(kIdLoadCurrent), c.shown) << '"' << c.typed << '"';
    }
}

TEST_F(MainDialogTest, NoFieldEverShowsInfOrNan) {
    const char* const entries[] = {"0", "-1", "1e-45", "3.4e38", "1e39", "1e400", "-1e400"};
    for (int circuit : {kIdHalfWave, kIdBridge, kIdCentreTapCircuit}) {
        for (int field : kInputFieldIds) {
            for (const char* entry : entries) {
                m_platform.ClickRectifierButton(circuit);
                m_platform.Enter(field, entry);
                for (const auto& [id, text] : AllTexts()) {
                    EXPECT_EQ(text.find("inf"), std::string::npos) << id << " after " << entry;
                    EXPECT_EQ(text.find("nan"), std::string::npos) << id << " after " << entry;
                    EXPECT_FALSE(text.empty()) << id;
                }
            }
        }
    }
}

TEST_F(MainDialogTest, UndefinedResultsShowAPlaceholder) {
    // Equal voltages leave the transformer without internal resistance.
    m_platform.Enter(kIdRatedVoltage, "20");
    EXPECT_EQ(Text(kIdInternalResistance), "0.000");
    EXPECT_EQ(Text(kIdPeakCurrent), texts::kUndefinedValue);
    // A drop so negative that no power is drawn leaves no efficiency.
    m_platform.Enter(kIdRatedVoltage, "18");
    m_platform.Enter(kIdDiffusionVoltage, "-1000");
    EXPECT_EQ(Text(kIdEfficiency), texts::kUndefinedValue);
}

TEST_F(MainDialogTest, CentreTapBoxSwitchesTheShownVoltagesAndTheCircuit) {
    m_platform.ClickCentreTap();
    EXPECT_FALSE(m_platform.IsChecked(kIdCentreTap));
    EXPECT_TRUE(m_platform.IsChecked(kIdHalfWave));
    EXPECT_FALSE(m_platform.IsChecked(kIdCentreTapCircuit));
    EXPECT_FALSE(m_platform.IsEnabled(kIdCentreTapCircuit));
    EXPECT_EQ(Text(kIdRatedVoltage), "36.000");
    EXPECT_EQ(Text(kIdNoLoadVoltage), "40.000");
    EXPECT_EQ(Text(kIdInternalResistance), "1.200");
    EXPECT_EQ(Text(kIdRatedPower), "120.000");

    // Disabled, the centre-tap button ignores clicks.
    m_platform.ClickRectifierButton(kIdCentreTapCircuit);
    EXPECT_EQ(Supply().GetRectifier()->GetCircuit(), "einweg");

    m_platform.ClickCentreTap();
    EXPECT_TRUE(m_platform.IsEnabled(kIdCentreTapCircuit));
    EXPECT_TRUE(m_platform.IsChecked(kIdHalfWave));
    EXPECT_EQ(Text(kIdRatedVoltage), "18.000");

    m_platform.ClickRectifierButton(kIdBridge);
    m_platform.ClickCentreTap();
    EXPECT_EQ(Supply().GetRectifier()->GetCircuit(), "bruecke");
    EXPECT_TRUE(m_platform.IsChecked(kIdBridge));
}

TEST_F(MainDialogTest, SpinPressesStepByOneTwentiethAndRest) {
    m_platform.Enter(kIdLoadCurrent, "0.03");
    m_platform.PressSpin(kIdLoadCurrentSpin, false);
    EXPECT_EQ(Text(kIdLoadCurrent), "0.000");
    EXPECT_EQ(Supply().GetLoadCurrent(), 0.0001f);
    m_platform.PressSpin(kIdLoadCurrentSpin, true);
    EXPECT_EQ(Text(kIdLoadCurrent), "0.050");
    EXPECT_EQ(m_platform.SpinPosition(kIdLoadCurrentSpin), kSpinRestPosition);

    m_platform.PressSpin(kIdTargetVoltageSpin, true);
    EXPECT_EQ(Text(kIdTargetVoltage), "14.870");
    m_platform.PressSpin(kIdTargetVoltageSpin, false);
    m_platform.PressSpin(kIdTargetVoltageSpin, false);
    EXPECT_EQ(Text(kIdTargetVoltage), "14.770");
    EXPECT_EQ(m_platform.SpinPosition(kIdTargetVoltageSpin), kSpinRestPosition);
}

TEST_F(MainDialogTest, ASpinNotificationAtRestStillRunsACycle) {
    m_platform.SetItemText(kIdDcPower, "stale");
    m_dialog.OnVScroll(kIdLoadCurrentSpin, kSpinRestPosition);
    EXPECT_EQ(Supply().GetLoadCurrent(), 5.0f);
    EXPECT_EQ(Text(kIdDcPower), "71.350");
}

TEST_F(MainDialogTest, UnreachableTargetIsLoweredWithOneMessage) {
    std::map<int, std::string> duringBox;
    m_platform.SetMessageBoxHook([&](const CMemoryPlatform::CMessage&) { duringBox = AllTexts(); });
    m_platform.ClickRectifierButton(kIdHalfWave);

    ASSERT_EQ(MessageCount(), 1u);
    EXPECT_EQ(m_platform.Messages()[0].text, CPowerSupply::kRegulationMessage);
    EXPECT_EQ(m_platform.Messages()[0].icon, EIcon::kExclamation);
    // While the box is open, fields up to the loaded voltage show the new
    // state and the later ones the previous cycle's.
    EXPECT_EQ(duringBox[kIdLoadedVoltage], "15.646");
    EXPECT_EQ(duringBox[kIdMinimumVoltage], "19.729");
    EXPECT_EQ(duringBox[kIdEfficiency], "68.901");
    // The target field shows the lowered target as soon as the message comes.
    EXPECT_EQ(duringBox[kIdTargetVoltage], "13.794");
    EXPECT_EQ(Text(kIdTargetVoltage), "13.794");
    EXPECT_EQ(Text(kIdMinimumVoltage), "14.894");
    EXPECT_EQ(Text(kIdRippleVoltage), "1.128");
    EXPECT_EQ(Text(kIdOutputVoltage), "13.244");
    EXPECT_EQ(Text(kIdDcPower), "66.222");
    EXPECT_EQ(Text(kIdRegulatorPower), "12.009");
    EXPECT_EQ(Text(kIdJunctionTemperature), "70.076");
    EXPECT_EQ(Text(kIdInputPower), "80.481");
    EXPECT_EQ(Text(kIdEfficiency), "82.283");

    m_dialog.Recalculate();
    EXPECT_EQ(Text(kIdTargetVoltage), "13.794");
    EXPECT_EQ(MessageCount(), 1u);
}

TEST_F(MainDialogTest, AFieldLosingTheFocusToTheMessageRunsNoCycle) {
    // With 10 uF the target can never be held: every cycle shows the message.
    m_platform.Enter(kIdCapacitance, "10");
    ASSERT_EQ(MessageCount(), 1u);
    EXPECT_EQ(Text(kIdRippleVoltage), "30.391");

    // The spin control takes no focus, so the load-current field keeps it
    // and loses it to the message box, which applies nothing.
    m_platform.Focus(kIdLoadCurrent);
    m_platform.Type(kIdLoadCurrent, "7");
    std::vector<std::string> loadCurrentInBox;
    m_platform.SetMessageBoxHook([&](const CMemoryPlatform::CMessage&) {
        loadCurrentInBox.push_back(Text(kIdLoadCurrent));
    });
    m_platform.PressSpin(kIdLoadCurrentSpin, true);
    EXPECT_EQ(MessageCount(), 2u);
    EXPECT_EQ(loadCurrentInBox, std::vector<std::string>{"5.050"});
    EXPECT_EQ(Supply().GetLoadCurrent(), ToSingle(5.0 + 0.05));
    EXPECT_EQ(m_platform.FocusedId(), kIdLoadCurrent);
    EXPECT_EQ(Text(kIdTargetVoltage), "0.000");
    // A design that no target satisfies warns in every cycle.
    m_platform.Focus(kIdTargetVoltage);
    m_platform.Focus(kIdLoadCurrent);
    EXPECT_EQ(MessageCount(), 4u);
}

// The lowered target, shown when the message comes, is the target the form
// goes on with: passing through its field changes nothing and warns no more.
struct LoweringCase {
    const char* name;
    std::function<void(CMemoryPlatform&)> lower;  // leaves the focus in the target field
};

void PrintTo(const LoweringCase& row, std::ostream* out) {
    *out << row.name;
}

class LoweredTargetTest : public MainDialogTest,
                          public ::testing::WithParamInterface<LoweringCase> {};

TEST_P(LoweredTargetTest, OneMessageAndTheFieldShowsTheTargetInUse) {
    std::string targetInBox;
    m_platform.SetMessageBoxHook(
        [&](const CMemoryPlatform::CMessage&) { targetInBox = Text(kIdTargetVoltage); });
    GetParam().lower(m_platform);
    ASSERT_EQ(MessageCount(), 1u);
    ASSERT_EQ(m_platform.FocusedId(), kIdTargetVoltage);
    const float lowered = Supply().GetTargetVoltage();
    const std::string shown = FormatFieldValue(lowered, 3);
    EXPECT_EQ(targetInBox, shown);
    EXPECT_EQ(Text(kIdTargetVoltage), shown);
    // Every result was computed for the target shown: a cycle run anew shows
    // the same texts.
    const auto afterLowering = AllTexts();
    m_dialog.Recalculate();
    EXPECT_EQ(AllTexts(), afterLowering);
    EXPECT_EQ(MessageCount(), 1u);
    EXPECT_EQ(Supply().GetTargetVoltage(), lowered);

    // Out of the target field and through it twice: three cycles that
    // change nothing and warn no more.
    m_platform.SetMessageBoxHook(nullptr);
    for (int pass = 0; pass < 2; ++pass) {
        m_platform.Focus(kIdLoadCurrent);
        m_platform.Focus(kIdTargetVoltage);
    }
    m_platform.Focus(kIdLoadCurrent);
    EXPECT_EQ(MessageCount(), 1u);
    EXPECT_EQ(Supply().GetTargetVoltage(), lowered);
    EXPECT_EQ(AllTexts(), afterLowering);

    // Typing the shown text again is no different from passing through; a
    // different text is applied as typed.
    m_platform.Enter(kIdTargetVoltage, shown);
    EXPECT_EQ(Supply().GetTargetVoltage(), lowered);
    m_platform.Enter(kIdTargetVoltage, "1");
    EXPECT_EQ(Supply().GetTargetVoltage(), 1.0f);
}

INSTANTIATE_TEST_SUITE_P(Lowerings, LoweredTargetTest,
                         ::testing::Values(
                             // Tab from the capacitance field leads into the target field, which
                             // loses the focus to the message.
                             LoweringCase{"CapacitanceThenTab",
                                          [](CMemoryPlatform& form) {
                                              form.Type(kIdCapacitance, "1000");
                                              form.Focus(kIdTargetVoltage);
                                          }},
                             LoweringCase{"TargetTypedTooHigh",
                                          [](CMemoryPlatform& form) {
                                              form.Type(kIdTargetVoltage, "30");
                                              form.Focus(kIdLoadCurrent);
                                              form.Focus(kIdTargetVoltage);
                                          }},
                             LoweringCase{"SpinAboveTheLimit",
                                          [](CMemoryPlatform& form) {
                                              form.Enter(kIdTargetVoltage, "18.62");
                                              form.Focus(kIdTargetVoltage);
                                              form.PressSpin(kIdTargetVoltageSpin, true);
                                          }}),
                         [](const ::testing::TestParamInfo<LoweringCase>& row) {
                             return row.param.name;
                         });

TEST_F(MainDialogTest, KondC1000LowersTheTargetToTheOutputOfTheWorkedCase) {
    m_platform.Type(kIdCapacitance, "1000");
    m_platform.Focus(kIdTargetVoltage);
    ASSERT_EQ(MessageCount(), 1u);
    EXPECT_EQ(Text(kIdOutputVoltage), "2.665");
    // The field shows the target in use, not the 14.820 from before.
    EXPECT_NE(Text(kIdTargetVoltage), "14.820");
    EXPECT_EQ(Text(kIdTargetVoltage), FormatFieldValue(Supply().GetTargetVoltage(), 3));
}

TEST_F(MainDialogTest, EachSpinPressBeyondTheLimitStartsFromTheHeldTarget) {
    m_platform.Enter(kIdTargetVoltage, "18.62");
    ASSERT_EQ(MessageCount(), 0u);
    m_platform.PressSpin(kIdTargetVoltageSpin, true);
    ASSERT_EQ(MessageCount(), 1u);
    const float held = Supply().GetTargetVoltage();
    EXPECT_LT(held, 18.67f);
    EXPECT_EQ(Text(kIdTargetVoltage), FormatFieldValue(held, 3));
    // The next press starts from the target held, and is lowered again.
    m_platform.PressSpin(kIdTargetVoltageSpin, true);
    EXPECT_EQ(MessageCount(), 2u);
    EXPECT_EQ(Supply().GetTargetVoltage(), held);
    m_platform.PressSpin(kIdTargetVoltageSpin, false);
    EXPECT_EQ(Supply().GetTargetVoltage(), ToSingle(static_cast<double>(held) - 0.05));
    EXPECT_EQ(Text(kIdTargetVoltage), FormatFieldValue(Supply().GetTargetVoltage(), 3));
    EXPECT_EQ(MessageCount(), 2u);
}

TEST_F(MainDialogTest, OverloadBeepsTwicePerCycle) {
    m_platform.Enter(kIdLoadCurrent, "6.5");
    EXPECT_EQ(m_platform.Beeps(), 2);
    EXPECT_EQ(MessageCount(), 0u);
    EXPECT_EQ(Text(kIdInputPower), "125.743");
    EXPECT_EQ(Text(kIdEfficiency), "72.913");
    EXPECT_EQ(Text(kIdMinimumVoltage), "18.240");
    m_platform.Focus(kIdLoadCurrent);
    m_platform.Focus(0);
    EXPECT_EQ(m_platform.Beeps(), 4);
}

TEST_F(MainDialogTest, SaveWritesTheFormAndOpenReadsItBack) {
    const std::string path = Path("start.odr");
    SaveAs(path);
    EXPECT_EQ(Contents(path), test::kStartUpFile);
    EXPECT_EQ(m_platform.Title(), "Ohmrada -- " + path);
    ASSERT_EQ(m_platform.FileDialogRequests().size(), 1u);
    const auto& save = m_platform.FileDialogRequests()[0];
    EXPECT_TRUE(save.save);
    EXPECT_TRUE(save.confirmOverwrite);
    EXPECT_EQ(save.title, "Netztger\xC3\xA4tekonfiguration speichern");
    EXPECT_EQ(save.initialName, "*.odr");
    EXPECT_EQ(save.filterLabel, "OhmradaDateien (*.odr)");

    m_platform.Enter(kIdLoadCurrent, "2");
    m_platform.ClickRectifierButton(kIdBridge);
    // A failed or cancelled save leaves the title naming the file saved.
    SaveAs(Path("nowhere/b.odr"));
    m_dialog.OnFileSaveAs();
    EXPECT_EQ(m_platform.Title(), "Ohmrada -- " + path);
    m_platform.SetTitle(texts::kWindowTitle);
    Open(path);
    EXPECT_EQ(m_platform.Title(), "Ohmrada -- " + path);
    EXPECT_EQ(m_platform.FileDialogRequests().back().title, "Ohmrada laden");
    EXPECT_FALSE(m_platform.FileDialogRequests().back().save);
    // The file keeps the precision of the display: the form is the start-up
    // form once the rated current has been re-entered as shown.
    CMemoryPlatform fresh;
    CMainDialog reference(fresh);
    fresh.DoModal(reference);
    fresh.Focus(kIdRatedCurrent);
    fresh.Focus(0);
    for (int id : kInputFieldIds) {
        EXPECT_EQ(Text(id), fresh.GetItemText(id)) << id;
    }
    for (int id : kResultFieldIds) {
        EXPECT_EQ(Text(id), fresh.GetItemText(id)) << id;
    }
    EXPECT_EQ(Text(kIdRatedPower), "119.988");
    EXPECT_EQ(Supply().GetTransformer()->GetRatedVoltage(), 18.0f);
    EXPECT_EQ(Supply().GetTransformer()->GetNoLoadVoltage(), 20.0f);
    EXPECT_TRUE(m_platform.IsChecked(kIdCentreTapCircuit));
    EXPECT_EQ(MessageCount(), 1u);  // the save that could not be written
}

TEST_F(MainDialogTest, FileWithoutCentreTapKeepsTheCentreTapCircuit) {
    const std::string path = Path("m0.odr");
    WriteFile(path, "Mitte: 0\nNennU: 18.000\nLeerU: 20.000\nNennI: 3.333\nGR_Sg: mittelpunkt\n");
    Open(path);
    EXPECT_FALSE(m_platform.IsChecked(kIdCentreTap));
    EXPECT_TRUE(m_platform.IsChecked(kIdCentreTapCircuit));
    EXPECT_FALSE(m_platform.IsEnabled(kIdCentreTapCircuit));
    EXPECT_EQ(Text(kIdRatedVoltage), "18.000");
    EXPECT_EQ(Supply().GetTransformer()->GetRatedVoltage(), 18.0f);
    EXPECT_EQ(Text(kIdDiffusionVoltage), "0.000");
    EXPECT_EQ(Text(kIdLoadCurrent), "0.000");
}

TEST_F(MainDialogTest, UnknownCircuitLeavesTheButtonsAsTheyWere) {
    m_platform.ClickRectifierButton(kIdBridge);
    const std::string path = Path("odd.odr");
    WriteFile(path, "Mitte: 1\nNennU: 18\nLeerU: 20\nNennI: 3\nGR_Sg: Bruecke\n");
    Open(path);
    EXPECT_EQ(Supply().GetRectifier()->GetCircuit(), "Bruecke");
    EXPECT_TRUE(m_platform.IsChecked(kIdBridge));
    EXPECT_FALSE(m_platform.IsChecked(kIdCentreTapCircuit));
}

TEST_F(MainDialogTest, CancelledOpenStillRewritesTheForm) {
    m_platform.SetItemText(kIdDcPower, "stale");
    m_platform.SetItemText(kIdLoadCurrent, "7");
    m_dialog.OnFileOpen();
    EXPECT_EQ(Text(kIdDcPower), "71.350");
    EXPECT_EQ(Text(kIdLoadCurrent), "5.000");
    EXPECT_EQ(m_platform.Title(), texts::kWindowTitle);
}

TEST_F(MainDialogTest, FilesThatCannotBeOpenedAreReported) {
    const std::string missing = Path("missing.odr");
    m_platform.SetItemText(kIdDcPower, "stale");
    Open(missing);
    ASSERT_EQ(MessageCount(), 1u);
    EXPECT_EQ(m_platform.Messages()[0].icon, EIcon::kStop);
    EXPECT_NE(m_platform.Messages()[0].text.find(missing), std::string::npos);
    EXPECT_EQ(m_platform.Title(), texts::kWindowTitle);
    EXPECT_EQ(Text(kIdDcPower), "71.350");

    const std::string noFolder = Path("nowhere/a.odr");
    SaveAs(noFolder);
    ASSERT_EQ(MessageCount(), 2u);
    EXPECT_EQ(m_platform.Messages()[1].icon, EIcon::kStop);
    EXPECT_EQ(m_platform.Messages()[1].text, "Die Datei " + noFolder +
                                                 " konnte nicht zum Schreiben ge\xC3\xB6"
                                                 "ffnet werden.");
    EXPECT_FALSE(fs::exists(noFolder));
}

TEST_F(MainDialogTest, AnEmptyFileIsRefusedAndChangesNothing) {
    const std::string path = Path("leer.odr");
    WriteFile(path, "");
    m_platform.Enter(kIdLoadCurrent, "2");
    const auto before = AllTexts();
    m_platform.SetItemText(kIdDcPower, "stale");
    Open(path);
    ASSERT_EQ(MessageCount(), 1u);
    EXPECT_EQ(m_platform.Messages()[0].icon, EIcon::kStop);
    EXPECT_EQ(m_platform.Messages()[0].text,
              "Die Datei " + path +
                  " ist leer: Sie enth\xC3\xA4lt keine Netzger\xC3\xA4tekonfiguration.");
    EXPECT_EQ(m_platform.Title(), texts::kWindowTitle);
    // The cycle ran and the design is the one before.
    EXPECT_EQ(AllTexts(), before);
    EXPECT_EQ(Supply().GetTransformer()->GetCentreTap(), 1);
}

struct ShortFileCase {
    int lines;
    const char* notice;  // with %1 for the path
};

TEST_F(MainDialogTest, AShortFileLoadsAndThenSaysHowManyLinesWereMissing) {
    const ShortFileCase cases[] = {
        {1,
         "In der Datei %1 fehlen die letzten 13 der 14 Zeilen. Ihre Werte wurden als 0 "
         "gelesen."},
        {5,
         "In der Datei %1 fehlen die letzten 9 der 14 Zeilen. Ihre Werte wurden als 0 "
         "gelesen."},
        {13, "In der Datei %1 fehlt die letzte der 14 Zeilen. Ihr Wert wurde als 0 gelesen."},
    };
    for (const ShortFileCase& c : cases) {
        SCOPED_TRACE(c.lines);
        std::string text;
        std::istringstream lines(test::kStartUpFile);
        std::string line;
        for (int i = 0; i < c.lines && std::getline(lines, line); ++i) {
            text += line + "\n";
        }
        const std::string path = Path("kurz" + std::to_string(c.lines) + ".odr");
        WriteFile(path, text);
        const std::size_t before = MessageCount();
        std::string titleAtNotice;
        std::string lastLineShown;
        m_platform.SetMessageBoxHook([&](const CMemoryPlatform::CMessage& message) {
            if (message.icon == EIcon::kInformation) {
                titleAtNotice = m_platform.Title();
                lastLineShown = Text(kIdRegulatorResistance);
            }
        });
        Open(path);
        m_platform.SetMessageBoxHook(nullptr);
        // One notice, the last message of the command, once the form shows
        // the file: its title and its values, the missing ones as 0.
        ASSERT_GT(MessageCount(), before);
        int notices = 0;
        for (std::size_t i = before; i < MessageCount(); ++i) {
            notices += m_platform.Messages()[i].icon == EIcon::kInformation ? 1 : 0;
        }
        EXPECT_EQ(notices, 1);
        std::string expected = c.notice;
        expected.replace(expected.find("%1"), 2, path);
        EXPECT_EQ(m_platform.Messages().back().text, expected);
        EXPECT_EQ(m_platform.Messages().back().icon, EIcon::kInformation);
        EXPECT_EQ(titleAtNotice, "Ohmrada -- " + path);
        EXPECT_EQ(lastLineShown, "0.000");
        EXPECT_EQ(Supply().GetRegulator()->GetInternalResistance(), Supply().FloorValue());
    }
}

TEST_F(MainDialogTest, AReadErrorAppliesNothing) {
    const std::string path = Path("damaged.odr");
    WriteFile(path, "");
    m_platform.readFailsAfter = 5;
    Open(path);
    ASSERT_EQ(MessageCount(), 1u);
    EXPECT_EQ(m_platform.Messages()[0].text,
              "Ein unbekannter Fehler ist beim Zugriff auf " + path + " aufgetreten.");
    EXPECT_EQ(m_platform.Messages()[0].icon, EIcon::kStop);
    EXPECT_EQ(m_platform.Title(), texts::kWindowTitle);
    EXPECT_EQ(AllTexts(), kStartUpTexts);
    EXPECT_EQ(Supply().GetTransformer()->GetCentreTap(), 1);
}

TEST_F(MainDialogTest, AFailedSaveLeavesTheOldFileWhole) {
    const std::string path = Path("kept.odr");
    WriteFile(path, "the saved design");
    for (int good : {0, 7, 14}) {
        m_platform.writeFailsAfter = good;
        SaveAs(path);
        EXPECT_EQ(Contents(path), "the saved design") << good;
        EXPECT_EQ(m_platform.Messages().back().text,
                  "Beim Zugriff auf " + path + " wurde ein voller Datentr\xC3\xA4ger gemeldet.");
    }
    EXPECT_EQ(MessageCount(), 3u);
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir), fs::directory_iterator()), 1);
}

TEST_F(MainDialogTest, ExitClosesTheHelpFirstEscDoesNot) {
    m_dialog.OnCommand(kCmdFileExit);
    ASSERT_EQ(m_platform.HelpCalls().size(), 1u);
    EXPECT_EQ(m_platform.HelpCalls()[0].first, EHelpCommand::kQuit);
    EXPECT_EQ(m_platform.EndResult(), kCmdOk);

    CMemoryPlatform other;
    CMainDialog dialog(other);
    other.DoModal(dialog);
    dialog.OnCommand(kCmdCancel);
    EXPECT_TRUE(other.HelpCalls().empty());
    EXPECT_EQ(other.EndResult(), kCmdCancel);
}

// Leaving the program by any way asks before a changed design is lost, and
// only then. Each row: what was done to the design, how the program is left,
// the answer to the question and to the file dialog it may open.
struct CLeaveCase {
    const char* name;
    std::function<void(CMemoryPlatform&)> edit;
    int command;
    std::optional<CPlatform::EAnswer> answer;  // nothing: no question expected
    bool saveDialogConfirmed;
    bool ends;
    bool saved;
};

class LeaveTest : public test::CDialogFixture<CTestPlatform>,
                  public ::testing::WithParamInterface<CLeaveCase> {};

void TypeLoadCurrent(CMemoryPlatform& form) {
    form.Enter(kIdLoadCurrent, "2");
}
void PassThroughEveryField(CMemoryPlatform& form) {
    for (int id : kInputFieldIds) {
        form.Focus(id);
    }
    form.Focus(0);
}
void TypeWithoutLeaving(CMemoryPlatform& form) {
    form.Type(kIdCapacitance, "4700");
}
void ChangeAndChangeBack(CMemoryPlatform& form) {
    form.Enter(kIdLoadCurrent, "2");
    form.ClickRectifierButton(kIdBridge);
    form.Enter(kIdLoadCurrent, "5");
    form.ClickRectifierButton(kIdCentreTapCircuit);
}

TEST_P(LeaveTest, AsksExactlyWhenTheDesignChanged) {
    const CLeaveCase& c = GetParam();
    c.edit(m_platform);
    const std::string path = Path("design.odr");
    if (c.answer) {
        m_platform.QueueAnswer(*c.answer);
    }
    m_platform.QueueFileDialogAnswer(c.saveDialogConfirmed ? std::optional<std::string>(path)
                                                           : std::nullopt);
    m_dialog.OnCommand(c.command);

    const bool asked = c.answer.has_value();
    ASSERT_EQ(m_platform.Questions().size(), asked ? 1u : 0u);
    if (asked) {
        EXPECT_EQ(m_platform.Questions()[0], "\xC3\x84nderungen speichern?");
    }
    EXPECT_EQ(m_platform.EndResult().has_value(), c.ends);
    EXPECT_EQ(fs::exists(path), c.saved);
    if (c.saved) {
        // The file holds the design the form shows, and reopening it shows
        // the same texts.
        const auto shown = m_dialog.ConfigurationTexts();
        CMemoryPlatform again;
        CMainDialog dialog(again);
        again.DoModal(dialog);
        again.QueueFileDialogAnswer(path);
        dialog.OnFileOpen();
        EXPECT_EQ(dialog.ConfigurationTexts(), shown);
        EXPECT_FALSE(dialog.IsModified());
    }
    if (!c.ends) {
        // Still open: the design and the question are as they were.
        EXPECT_EQ(m_dialog.IsModified(), !c.saved && asked);
    }
}

using EAnswer = CPlatform::EAnswer;
INSTANTIATE_TEST_SUITE_P(
    Ways, LeaveTest,
    ::testing::Values(CLeaveCase{"UnchangedEscEndsAtOnce", [](CMemoryPlatform&) {}, kCmdCancel,
                                 std::nullopt, false, true, false},
                      CLeaveCase{"UnchangedExitEndsAtOnce", [](CMemoryPlatform&) {}, kCmdFileExit,
                                 std::nullopt, false, true, false},
                      CLeaveCase{"PassingThroughFieldsIsNoChange", PassThroughEveryField,
                                 kCmdCancel, std::nullopt, false, true, false},
                      CLeaveCase{"BackToTheSameDesignIsNoChange", ChangeAndChangeBack, kCmdCancel,
                                 std::nullopt, false, true, false},
                      CLeaveCase{"EscNoLeaves", TypeLoadCurrent, kCmdCancel, EAnswer::kNo, false,
                                 true, false},
                      CLeaveCase{"EscCancelStays", TypeLoadCurrent, kCmdCancel, EAnswer::kCancel,
                                 false, false, false},
                      CLeaveCase{"EscYesSavesThenLeaves", TypeLoadCurrent, kCmdCancel,
                                 EAnswer::kYes, true, true, true},
                      CLeaveCase{"YesButFileDialogCancelledStays", TypeLoadCurrent, kCmdCancel,
                                 EAnswer::kYes, false, false, false},
                      CLeaveCase{"ExitYesSavesThenLeaves", TypeLoadCurrent, kCmdFileExit,
                                 EAnswer::kYes, true, true, true},
                      CLeaveCase{"ExitCancelStays", TypeLoadCurrent, kCmdFileExit, EAnswer::kCancel,
                                 false, false, false},
                      CLeaveCase{"TypedButNotLeftCountsAsChange", TypeWithoutLeaving, kCmdCancel,
                                 EAnswer::kYes, true, true, true}),
    [](const ::testing::TestParamInfo<CLeaveCase>& row) { return row.param.name; });

TEST_F(MainDialogTest, TheQuestionProposesTheDesignsFileAndSavingEndsTheQuestion) {
    const std::string path = Path("mine.odr");
    SaveAs(path);
    EXPECT_FALSE(m_dialog.IsModified());
    m_platform.Enter(kIdLoadCurrent, "3");
    ASSERT_TRUE(m_dialog.IsModified());
    m_platform.QueueAnswer(CPlatform::EAnswer::kYes);
    m_platform.QueueFileDialogAnswer(std::nullopt);
    m_dialog.OnCommand(kCmdCancel);
    ASSERT_EQ(m_platform.FileDialogRequests().size(), 2u);
    EXPECT_EQ(m_platform.FileDialogRequests().back().initialName, path);
    EXPECT_TRUE(m_platform.FileDialogRequests().back().save);
    EXPECT_FALSE(m_platform.EndResult().has_value());

    // Opening a file makes it the unchanged design.
    // (Opening over the changed design asks as well, and is told "Nein".)
    Open(path);
    EXPECT_FALSE(m_dialog.IsModified());
    EXPECT_EQ(Text(kIdLoadCurrent), "5.000");
    m_dialog.OnCommand(kCmdFileExit);
    EXPECT_EQ(m_platform.Questions().size(), 2u);
    EXPECT_EQ(m_platform.EndResult(), kCmdOk);
}

// A field whose focus goes to a window of the form's own runs its handler
// only when the user changed its text: an unchanged field can neither bring
// up the regulation message nor re-apply a rounded value.
TEST_F(MainDialogTest, FocusToAnOwnWindowAppliesOnlyAChangedText) {
    m_platform.Enter(kIdLoadCurrent, "1e9");
    ASSERT_EQ(MessageCount(), 1u) << "the regulator cannot hold any target";
    const std::size_t cycles = m_platform.cycles.size();
    for (int id : kInputFieldIds) {
        m_dialog.OnFocusToOwnWindow(id);
    }
    EXPECT_EQ(m_platform.cycles.size(), cycles) << "no cycle for unchanged fields";
    EXPECT_EQ(MessageCount(), 1u);

    m_platform.SetItemText(kIdLoadCurrent, "2");
    m_dialog.OnFocusToOwnWindow(kIdLoadCurrent);
    EXPECT_EQ(m_platform.cycles.size(), cycles + 1);
    EXPECT_EQ(Supply().GetLoadCurrent(), 2.0f);

    // Elsewhere the specified rule holds: leaving a field re-applies it.
    m_dialog.OnKillFocus(kIdLoadCurrent);
    EXPECT_EQ(m_platform.cycles.size(), cycles + 2);
}

TEST_F(MainDialogTest, HelpCommandsAndTheirFailure) {
    m_dialog.OnCommand(kCmdHelpUsage);
    m_dialog.OnHelp();
    ASSERT_EQ(m_platform.HelpCalls().size(), 2u);
    EXPECT_EQ(m_platform.HelpCalls()[0].first, EHelpCommand::kContents);
    EXPECT_EQ(m_platform.HelpCalls()[1], std::make_pair(EHelpCommand::kContext, 131202u));
    EXPECT_EQ(MessageCount(), 0u);

    m_platform.SetHelpAvailable(false);
    m_dialog.OnCommand(kCmdHelpUsage);
    m_dialog.OnCommand(kCmdFileExit);
    ASSERT_EQ(MessageCount(), 2u);
    EXPECT_EQ(m_platform.Messages()[0].text, "Die Hilfe konnte nicht aufgerufen werden.");
    EXPECT_EQ(m_platform.Messages()[0].icon, EIcon::kExclamation);
    EXPECT_EQ(m_platform.EndResult(), kCmdOk);
}

TEST_F(MainDialogTest, EnterAndTheSearchEntriesDoNothing) {
    m_platform.Type(kIdLoadCurrent, "2");
    const auto before = AllTexts();
    for (int command = kCmdSearchFirst; command <= kCmdSearchLast; ++command) {
        m_dialog.OnCommand(command);
    }
    m_dialog.OnCommand(kCmdOk);
    EXPECT_EQ(AllTexts(), before);
    EXPECT_FALSE(m_platform.EndResult().has_value());
    EXPECT_EQ(Supply().GetLoadCurrent(), 5.0f);
    EXPECT_EQ(MessageCount(), 0u);

    m_dialog.OnCommand(kCmdHelpAbout);
    m_dialog.OnCommand(kCmdHelpAbout);
    EXPECT_EQ(m_platform.AboutBoxes(), 2);
}

TEST_F(MainDialogTest, AStartUpFileOpensOnceTheFormIsShown) {
    const std::string path = Path("start.odr");
    WriteFile(path, "Mitte: 0\nNennU: 24\n");
    CMemoryPlatform platform;
    CSupplyApp app(platform, path);
    EXPECT_FALSE(app.InitInstance());
    EXPECT_EQ(platform.Title(), "Ohmrada -- " + path);
    EXPECT_EQ(platform.GetItemText(kIdRatedVoltage), "24.000");
    // As after Open: the cycle's message, then the notice of the short file.
    ASSERT_FALSE(platform.Messages().empty());
    EXPECT_EQ(platform.Messages().back().icon, EIcon::kInformation);
}

TEST(SupplyApp, RunsTheDialogAndEnds) {
    CMemoryPlatform platform;
    CSupplyApp app(platform);
    EXPECT_FALSE(app.InitInstance());
    EXPECT_EQ(platform.Title(), texts::kWindowTitle);
    EXPECT_EQ(platform.GetItemText(kIdEfficiency), "68.901");
}

}  // namespace

// The ripple is inversely proportional to the mains frequency: at 60 Hz the
// start-up design shows 0.797 x 50 / 60, and the minimum rises with it.
TEST_F(MainDialogTest, MainsFrequencyMenuRecalculatesAndMarksTheTitle) {
    const auto at50 = AllTexts();
    m_dialog.OnCommand(kCmdMains60Hz);
    EXPECT_EQ(Text(kIdRippleVoltage), "0.664");
    EXPECT_EQ(Text(kIdMinimumVoltage), "19.818");
    EXPECT_TRUE(m_platform.IsChecked(kCmdMains60Hz));
    EXPECT_FALSE(m_platform.IsChecked(kCmdMains50Hz));
    EXPECT_EQ(m_platform.Title(), std::string(texts::kWindowTitle) + " (60 Hz)");

    m_dialog.OnCommand(kCmdMains50Hz);
    EXPECT_EQ(AllTexts(), at50);
    EXPECT_TRUE(m_platform.IsChecked(kCmdMains50Hz));
    EXPECT_EQ(m_platform.Title(), texts::kWindowTitle);
}

TEST_F(MainDialogTest, MainsFrequencyRoundTripsThroughSaveAndOpen) {
    // At 50 Hz the file is the fourteen lines it always was.
    const std::string at50 = Path("50.odr");
    SaveAs(at50);
    const std::string fourteen = Contents(at50);
    EXPECT_EQ(fourteen.find("NetzF"), std::string::npos);
    EXPECT_EQ(std::count(fourteen.begin(), fourteen.end(), '\n'), 14);

    m_dialog.OnCommand(kCmdMains60Hz);
    const std::string at60 = Path("60.odr");
    SaveAs(at60);
    EXPECT_EQ(Contents(at60), fourteen + "NetzF: 60\r\n");
    EXPECT_EQ(m_platform.Title(), "Ohmrada -- " + at60 + " (60 Hz)");

    // The saved file differs from the start-up form in NennI's digits: compare
    // with the 50 Hz file opened and switched to 60 Hz.
    Open(at50);
    EXPECT_EQ(Supply().GetMainsFrequency(), 50.0f);
    EXPECT_EQ(m_platform.Title(), "Ohmrada -- " + at50);
    m_dialog.OnCommand(kCmdMains60Hz);
    const auto at60Texts = AllTexts();
    Open(at50);
    Open(at60);
    EXPECT_EQ(Supply().GetMainsFrequency(), 60.0f);
    EXPECT_EQ(AllTexts(), at60Texts);
    EXPECT_TRUE(m_platform.IsChecked(kCmdMains60Hz));
    EXPECT_EQ(MessageCount(), 0u);
}

TEST_F(MainDialogTest, AFifteenthLineIsAFrequencyOnlyWhenItSaysNetzF) {
    const std::string base = Path("base.odr");
    SaveAs(base);
    struct CCase {
        const char* line;
        bool refused;
        float frequency;
    };
    const CCase kCases[] = {
        {"NetzF: 60", false, 60.0f}, {"NetzF:60  ", false, 60.0f}, {"NetzF: 50", false, 50.0f},
        {"NetzF: 70", true, 0.0f},   {"NetzF: 6", true, 0.0f},     {"NetzF: 60 Hz", true, 0.0f},
        {"NetzF: ", true, 0.0f},     {"Extra: 1", true, 0.0f},     {"", false, 50.0f},
        {"netzf: 60", true, 0.0f},   {"NetzF=60", true, 0.0f},
    };
    for (const CCase& c : kCases) {
        SCOPED_TRACE(c.line);
        m_dialog.OnCommand(kCmdMains60Hz);
        m_platform.Enter(kIdLoadCurrent, "2");
        const auto before = AllTexts();
        const std::string title = m_platform.Title();
        const std::size_t messages = MessageCount();
        const std::string path = Path("case.odr");
        WriteFile(path, Contents(base) + c.line + "\r\n");
        Open(path);
        if (c.refused) {
            ASSERT_EQ(MessageCount(), messages + 1);
            EXPECT_EQ(m_platform.Messages().back().icon, EIcon::kStop);
            EXPECT_NE(m_platform.Messages().back().text.find("Zeile 15"), std::string::npos);
            EXPECT_EQ(AllTexts(), before);
            EXPECT_EQ(m_platform.Title(), title);
            EXPECT_EQ(Supply().GetMainsFrequency(), 60.0f);
        } else {
            EXPECT_EQ(MessageCount(), messages);
            EXPECT_EQ(Supply().GetMainsFrequency(), c.frequency);
        }
    }
}

namespace {

using EAnswer = CPlatform::EAnswer;

// Save, New and Open against a changed design: the work is never lost
// without the question, and the title's mark follows the design.
TEST_F(MainDialogTest, SaveWritesToTheDesignsFileAndNewAndOpenAskFirst) {
    // Save without a file acts as Save As, proposing an .odr name.
    const std::string path = Path("mine.odr");
    m_platform.QueueFileDialogAnswer(path);
    m_dialog.OnCommand(kCmdFileSave);
    ASSERT_EQ(m_platform.FileDialogRequests().size(), 1u);
    EXPECT_EQ(m_platform.FileDialogRequests()[0].defaultSuffix, "odr");
    EXPECT_EQ(Contents(path), test::kStartUpFile);
    EXPECT_FALSE(m_platform.Modified());
    EXPECT_EQ(m_platform.FilesUsed(), std::vector<std::string>{path});

    // A change marks the title; Save writes it to the same file, no dialog.
    m_platform.Enter(kIdLoadCurrent, "2");
    EXPECT_TRUE(m_platform.Modified());
    m_dialog.OnCommand(kCmdFileSave);
    EXPECT_EQ(m_platform.FileDialogRequests().size(), 1u);
    EXPECT_NE(Contents(path).find("Ib   : 2.000\r\n"), std::string::npos);
    EXPECT_FALSE(m_platform.Modified());
    EXPECT_EQ(m_platform.Title(), "Ohmrada -- " + path);

    // New over a changed design: Abbrechen keeps it, Nein gives the start-up form.
    m_platform.Enter(kIdLoadCurrent, "3");
    m_platform.QueueAnswer(EAnswer::kCancel);
    m_dialog.OnCommand(kCmdFileNew);
    EXPECT_EQ(m_platform.Questions().size(), 1u);
    EXPECT_EQ(Text(kIdLoadCurrent), "3.000");
    EXPECT_EQ(m_platform.Title(), "Ohmrada -- " + path);
    m_dialog.OnCommand(kCmdMains60Hz);
    m_platform.QueueAnswer(EAnswer::kNo);
    m_dialog.OnCommand(kCmdFileNew);
    EXPECT_EQ(m_platform.Questions().size(), 2u);
    for (const auto& [id, text] : kStartUpTexts) {
        EXPECT_EQ(Text(id), text) << id;
    }
    EXPECT_EQ(Supply().GetMainsFrequency(), 50.0f);
    EXPECT_EQ(m_platform.Title(), texts::kWindowTitle);
    EXPECT_TRUE(m_dialog.FileName().empty());
    EXPECT_FALSE(m_dialog.IsModified());
    EXPECT_FALSE(m_platform.Modified());
    // An unchanged design is replaced without a question.
    m_dialog.OnCommand(kCmdFileNew);
    EXPECT_EQ(m_platform.Questions().size(), 2u);

    // Open over a changed design: Abbrechen keeps it and opens no dialog.
    m_platform.Enter(kIdLoadCurrent, "4");
    const std::size_t dialogs = m_platform.FileDialogRequests().size();
    m_platform.QueueAnswer(EAnswer::kCancel);
    m_dialog.OnFileOpen();
    EXPECT_EQ(m_platform.FileDialogRequests().size(), dialogs);
    EXPECT_EQ(Text(kIdLoadCurrent), "4.000");
    // Ja saves it first (Save As, as no file holds it), then opens.
    const std::string kept = Path("kept.odr");
    m_platform.QueueAnswer(EAnswer::kYes);
    m_platform.QueueFileDialogAnswer(kept);
    m_platform.QueueFileDialogAnswer(path);
    m_dialog.OnFileOpen();
    EXPECT_NE(Contents(kept).find("Ib   : 4.000\r\n"), std::string::npos);
    EXPECT_EQ(Text(kIdLoadCurrent), "2.000");
    EXPECT_EQ(m_dialog.FileName(), path);
    // OpenFileAsked (a recent file) asks the same way.
    m_platform.Enter(kIdLoadCurrent, "6");
    m_platform.QueueAnswer(EAnswer::kCancel);
    EXPECT_FALSE(m_dialog.OpenFileAsked(kept));
    EXPECT_EQ(Text(kIdLoadCurrent), "6.000");
}

// What a design holds beyond its fields goes through the form unchanged:
// opened, saved byte for byte, part of what counts as a change, and gone
// with New.
TEST_F(MainDialogTest, ExtraLinesTravelWithTheDesignAndABadOneIsRefusedByNumber) {
    const std::string plain = Path("plain.odr");
    SaveAs(plain);
    const std::string tail =
        "NetzF: 60\r\nNetz : ansi-a\r\nTrafo: toroid-50VA-2x15V parallel\r\nDiode: gbu8b\r\n";
    const std::string withParts = Path("parts.odr");
    WriteFile(withParts, Contents(plain) + tail);
    Open(withParts);
    EXPECT_EQ(m_platform.Messages().size(), 0u);
    EXPECT_EQ(Supply().GetMainsFrequency(), 60.0f);
    EXPECT_EQ(m_dialog.Extras().values[kExtraRegion], "ansi-a");
    EXPECT_EQ(m_dialog.Extras().values[kExtraRectifier], "gbu8b");
    EXPECT_FALSE(m_dialog.IsModified());
    const std::string again = Path("again.odr");
    SaveAs(again);
    EXPECT_EQ(Contents(again), Contents(withParts));

    // Another region is a change of the design.
    CConfigExtras extras = m_dialog.Extras();
    extras.values[kExtraRegion] = "ansi-b";
    m_dialog.SetExtras(extras);
    EXPECT_TRUE(m_dialog.IsModified());
    EXPECT_TRUE(m_platform.Modified());

    // A refused line names its number and text, and nothing is loaded.
    const auto before = AllTexts();
    const std::string bad = Path("bad.odr");
    WriteFile(bad, Contents(plain) + "NetzF: 60\r\nnetz : ansi-a\r\n");
    const std::size_t messages = MessageCount();
    m_platform.QueueAnswer(EAnswer::kNo);
    m_platform.QueueFileDialogAnswer(bad);
    m_dialog.OnFileOpen();
    ASSERT_EQ(MessageCount(), messages + 1);
    const std::string& message = m_platform.Messages().back().text;
    EXPECT_EQ(m_platform.Messages().back().icon, EIcon::kStop);
    EXPECT_NE(message.find("Zeile 16"), std::string::npos) << message;
    EXPECT_NE(message.find("netz : ansi-a"), std::string::npos) << message;
    EXPECT_EQ(AllTexts(), before);
    EXPECT_EQ(m_dialog.FileName(), again);

    // New forgets them: the start-up design is saved as the fourteen lines.
    m_platform.QueueAnswer(EAnswer::kNo);
    m_dialog.OnCommand(kCmdFileNew);
    EXPECT_TRUE(m_dialog.Extras().Empty());
    const std::string fresh = Path("fresh.odr");
    SaveAs(fresh);
    EXPECT_EQ(Contents(fresh), test::kStartUpFile);
}

}  // namespace
