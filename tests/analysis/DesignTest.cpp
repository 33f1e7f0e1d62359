// SPDX-License-Identifier: GPL-3.0-or-later
// CDesign and Evaluate against the form they stand for: a design evaluated
// on its own gives what the form shows after opening the same file.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "Design.h"
#include "Evaluation.h"
#include "FieldTable.h"
#include "MainDialog.h"
#include "MemoryPlatform.h"
#include "support/StartUpForm.h"
#include "support/TestFiles.h"

namespace ohmrada {
namespace {

namespace fs = std::filesystem;

// A form that opens configurations from memory.
class CFilesPlatform : public CMemoryPlatform {
public:
    std::unique_ptr<CLineSource> OpenForReading(const std::string& path,
                                                std::error_code& error) override {
        error.clear();
        return std::make_unique<CStringLineSource>(files[path]);
    }
    std::map<std::string, std::string> files;
};

CConfiguration Parse(const std::string& bytes) {
    CStringLineSource source(bytes);
    CConfiguration configuration;
    EXPECT_TRUE(ReadConfiguration(source, configuration));
    return configuration;
}

// Every configuration the tests and the fuzzers keep, and one per circuit.
std::vector<std::pair<std::string, std::string>> Corpus() {
    std::vector<std::pair<std::string, std::string>> files = {
        {"start-up", test::kStartUpFile},
        {"bridge without tap",
         "Mitte: 0\nNennU: 24\nLeerU: 27\nNennI: 2\nGR_Sg: bruecke\nDiffU: 0.7\nBahnR: 0.05\n"
         "KondC: 4700\nUbger: 12\nIb   : 1.5\nRja  : 3\nTu   : 40\nDeltU: 2\nReglR: 0.05\n"},
        {"half-wave, target out of reach",
         "Mitte: 0\nNennU: 12\nLeerU: 14\nNennI: 1\nGR_Sg: einweg\nDiffU: 0.7\nBahnR: 0.1\n"
         "KondC: 2200\nUbger: 15\nIb   : 0.5\nRja  : 10\nTu   : 25\nDeltU: 2\nReglR: 0.1\n"},
        {"overloaded",
         "Mitte: 1\nNennU: 18\nLeerU: 20\nNennI: 3.333\nGR_Sg: mittelpunkt\n"
         "DiffU: 0.35\nBahnR: 0.02\nKondC: 30000\nUbger: 5\nIb   : 9\n"},
        {"empty", ""},
    };
    for (const auto& entry : fs::directory_iterator(OHMRADA_CONFIG_CORPUS)) {
        files.emplace_back(entry.path().filename().string(), test::ReadBytes(entry.path()));
    }
    return files;
}

TEST(Evaluate, AgreesWithTheFormOnEveryCorpusFile) {
    for (const auto& [name, bytes] : Corpus()) {
        SCOPED_TRACE(name);
        CFilesPlatform platform;
        CMainDialog dialog(platform);
        platform.DoModal(dialog);
        platform.files["f.odr"] = bytes;
        const std::size_t messagesBefore = platform.Messages().size();
        const int beepsBefore = platform.Beeps();
        platform.QueueFileDialogAnswer("f.odr");
        dialog.OnFileOpen();

        const CConfiguration configuration = Parse(bytes);
        if (configuration.lineCount == 0 || configuration.Refused()) {
            // An empty file, or one whose lines after the fourteen hold a
            // mains frequency other than 50 or 60 or anything but the
            // optional lines, is refused: the form keeps the start-up design.
            ASSERT_EQ(platform.Messages().size(), messagesBefore + 1);
            EXPECT_EQ(platform.Messages().back().icon, CPlatform::EIcon::kStop);
            EXPECT_EQ(CDesign::TakeFrom(dialog.Supply()), CDesign::StartUp());
            continue;
        }
        // A file that ends early adds the form's notice to the cycle's
        // messages.
        const int notices = configuration.lineCount < static_cast<int>(kConfigLineCount) ? 1 : 0;
        const CDesign design = CDesign::FromConfiguration(configuration);
        const CEvaluation evaluation = Evaluate(design);
        for (const CResultSpec& result : kResults) {
            EXPECT_EQ(FormatFieldValue(evaluation[result.result], DecimalsOf(result.fieldId)),
                      platform.GetItemText(result.fieldId))
                << result.name;
        }
        EXPECT_EQ(evaluation.messages + notices,
                  static_cast<int>(platform.Messages().size() - messagesBefore));
        EXPECT_EQ(evaluation.beeps, platform.Beeps() - beepsBefore);
        EXPECT_EQ(evaluation.targetVoltage, dialog.Supply().GetTargetVoltage());
        // The form's model holds the design, but for a lowered target.
        CDesign held = CDesign::TakeFrom(dialog.Supply());
        held[EInput::kUbger] = design[EInput::kUbger];
        EXPECT_EQ(held, design);
    }
}

// Random setter calls on a supply leave every state the form can reach;
// applying what a supply holds to a fresh one reproduces it exactly, a pair
// of equal winding voltages included, which file order alone would not.
TEST(Design, ApplyToReproducesWhatASupplyHolds) {
    std::mt19937 random(7);
    std::uniform_int_distribution<std::size_t> pick(0, kInputCount + 1);
    std::uniform_real_distribution<float> value(-5.0f, 60.0f);
    for (int round = 0; round < 300; ++round) {
        CPowerSupply supply;
        ApplyStartUpValues(supply);
        for (int step = 0; step < 8; ++step) {
            const std::size_t which = pick(random);
            if (which == kInputCount) {
                supply.GetTransformer()->SetCentreTap(supply.GetTransformer()->GetCentreTap() ^ 1);
            } else if (which == kInputCount + 1) {
                // LeerU entered as NennU: the two become equal.
                InputSpec(EInput::kNennU).set(supply, InputSpec(EInput::kLeerU).get(supply));
            } else {
                kInputs[which].set(supply, value(random));
            }
        }
        const CDesign design = CDesign::TakeFrom(supply);
        CPowerSupply fresh;
        design.ApplyTo(fresh);
        ASSERT_EQ(CDesign::TakeFrom(fresh), design) << "round " << round;
    }
}

TEST(Design, FileOrderTakesTheFlagFirst) {
    const CDesign tapped = CDesign::FromConfiguration(Parse(test::kStartUpFile));
    EXPECT_EQ(tapped.centreTap, 1);
    EXPECT_EQ(tapped[EInput::kNennU], 36.0f) << "shown 18.000 under the tap is a 36 V winding";
    EXPECT_EQ(tapped[EInput::kLeerU], 40.0f);
    EXPECT_EQ(tapped.circuit, "mittelpunkt");
    EXPECT_EQ(tapped, [] {
        CDesign startUp = CDesign::StartUp();
        startUp[EInput::kNennI] = 3.333f;  // the file keeps the display's precision
        return startUp;
    }());
}

// The texts a design gives are what Save As writes for the form holding it,
// and reading them back is a fixed point after the display's rounding.
TEST(Design, ConfigurationTextsAreWhatSaveAsWrites) {
    const std::vector<std::pair<std::string, std::string>> corpus = Corpus();
    for (const auto& [name, bytes] : corpus) {
        SCOPED_TRACE(name);
        const CDesign design = CDesign::FromConfiguration(Parse(bytes));
        CMemoryPlatform platform;
        CMainDialog dialog(platform);
        design.ApplyTo(dialog.Supply());
        dialog.Recalculate();
        CDesign shown = design;
        shown[EInput::kUbger] = dialog.Supply().GetTargetVoltage();
        EXPECT_EQ(CDesign::TakeFrom(dialog.Supply()), shown);

        std::array<std::string, kConfigLineCount> texts = design.ToConfigurationTexts();
        std::array<std::string, kConfigLineCount> saved = dialog.ConfigurationTexts();
        // The target field may show the target from before its lowering.
        texts[kLineUbger] = saved[kLineUbger];
        EXPECT_EQ(texts, saved);

        std::string file;
        for (std::size_t line = 0; line < kConfigLineCount; ++line) {
            file += std::string(kConfigKeys[line]) + design.ToConfigurationTexts()[line] + "\n";
        }
        const CDesign once = CDesign::FromConfiguration(Parse(file));
        std::string again;
        for (std::size_t line = 0; line < kConfigLineCount; ++line) {
            again += std::string(kConfigKeys[line]) + once.ToConfigurationTexts()[line] + "\n";
        }
        EXPECT_EQ(CDesign::FromConfiguration(Parse(again)), once);
    }
}

}  // namespace
}  // namespace ohmrada
