// SPDX-License-Identifier: GPL-3.0-or-later
// The circuit choice in the design's file and on the command line: what is
// written is read back exactly, the plain circuit writes nothing, and the
// command line's texts mean what the file's do.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CircuitText.h"
#include "Configuration.h"
#include "Design.h"
#include "LineIo.h"

namespace ohmrada {
namespace {

CCircuitChoice Choice(ETopology topology, EFilter filter, double r, double l, double c,
                      ELoad load) {
    return {topology, filter, r, l, c, load};
}

TEST(CircuitTextTest, FileLinesReadBackExactly) {
    const struct {
        const char* name;
        CCircuitChoice choice;
        const char* commandLine;  // the same filter as --filter takes it
    } cases[] = {
        {"plain", {}, "none"},
        {"rc", Choice(ETopology::kSingle, EFilter::kRc, 2.2, 0, 1000e-6, ELoad::kCurrent),
         "rc:2.2,1000"},
        {"lc dual", Choice(ETopology::kDual, EFilter::kLc, 0.15, 12e-3, 470e-6, ELoad::kCurrent),
         "lc:12,0.15,470"},
        {"choke resistive",
         Choice(ETopology::kSingle, EFilter::kChoke, 1.5, 0.3, 0, ELoad::kResistive),
         "choke:300,1.5"},
        {"dual resistive", Choice(ETopology::kDual, EFilter::kNone, 0, 0, 0, ELoad::kResistive),
         "none"},
    };
    for (const auto& c : cases) {
        CConfigExtras extras;
        WriteCircuitChoice(c.choice, extras);
        EXPECT_EQ(extras.Empty(), c.choice.Plain()) << c.name;
        for (EExtraLine line : {kExtraTopology, kExtraFilter, kExtraLoad}) {
            const std::string& value = extras.values[line];
            EXPECT_TRUE(value.empty() || IsValidExtraValue(line, value)) << c.name << " " << value;
        }
        // Through a file and back.
        std::array<std::string, kConfigLineCount> texts{};
        texts[0] = "0";
        CStringLineSink sink;
        ASSERT_TRUE(WriteConfiguration(sink, texts, 50.0f, extras));
        CStringLineSource source(sink.Text());
        CConfiguration read;
        ASSERT_TRUE(ReadConfiguration(source, read));
        ASSERT_FALSE(read.Refused()) << c.name << read.refusedLine;
        const std::optional<CCircuitChoice> back = ReadCircuitChoice(read.extras);
        ASSERT_TRUE(back.has_value()) << c.name;
        EXPECT_EQ(*back, c.choice) << c.name;
        // The command line's filter is the file's.
        const std::optional<CCircuitChoice> filter = FilterOfText(c.commandLine);
        ASSERT_TRUE(filter.has_value()) << c.name;
        EXPECT_EQ(filter->filter, c.choice.filter) << c.name;
        EXPECT_DOUBLE_EQ(filter->filterResistanceOhm, c.choice.filterResistanceOhm) << c.name;
        EXPECT_DOUBLE_EQ(filter->filterInductanceH, c.choice.filterInductanceH) << c.name;
        EXPECT_DOUBLE_EQ(filter->filterCapacitanceF, c.choice.filterCapacitanceF) << c.name;
        EXPECT_EQ(FilterValues(c.choice).empty(), c.choice.filter == EFilter::kNone) << c.name;
    }
}

// A value typed in its unit (on the command line, in the window) is written
// as the number typed, not as the nearest text of its farads or henries in
// that unit (2199.9999999999995 for 2200 microfarads), and read back exactly.
TEST(CircuitTextTest, TypedValuesAreWrittenAsTyped) {
    int checked = 0;
    for (int tenths = 1; tenths <= 30000; tenths += 7) {
        const std::string typed = std::to_string(tenths / 10) + "." + std::to_string(tenths % 10);
        for (const std::string& filter :
             {"lc:" + typed + ",0.3," + typed, "choke:" + typed + ",1"}) {
            const std::optional<CCircuitChoice> choice = FilterOfText(filter);
            ASSERT_TRUE(choice.has_value()) << filter;
            CConfigExtras extras;
            WriteCircuitChoice(*choice, extras);
            const std::string& line = extras.values[kExtraFilter];
            // Every value of the line is the number typed ("2200.0" as "2200").
            std::vector<std::string> words;
            std::size_t start = line.find(' ') + 1;
            while (start != 0 && start <= line.size()) {
                const std::size_t end = line.find(' ', start);
                words.push_back(line.substr(start, end - start));
                start = end == std::string::npos ? 0 : end + 1;
            }
            ASSERT_GE(words.size(), 2U) << line;
            EXPECT_EQ(std::stod(words[0]), std::stod(typed)) << line;
            EXPECT_LE(words[0].size(), typed.size()) << line;
            if (words.size() == 3) {
                EXPECT_EQ(std::stod(words[2]), std::stod(typed)) << line;
                EXPECT_LE(words[2].size(), typed.size()) << line;
            }
            const std::optional<CCircuitChoice> back = ReadCircuitChoice(extras);
            ASSERT_TRUE(back.has_value()) << line;
            EXPECT_EQ(*back, *choice) << line;
            ++checked;
        }
    }
    EXPECT_GT(checked, 8000);
}

// A design's file holds its circuit: read back it is the same design; the
// plain circuit's file is the fourteen lines as ever.
TEST(CircuitTextTest, DesignFileKeepsTheCircuit) {
    CDesign design = CDesign::StartUp();
    const std::string plain = design.FileText();
    design.circuitChoice =
        Choice(ETopology::kDual, EFilter::kChoke, 1.2, 0.25, 0, ELoad::kResistive);
    const std::optional<CConfiguration> read = design.ReadBack();
    ASSERT_TRUE(read.has_value());
    EXPECT_FALSE(read->Refused());
    // The file rounds the numbers as the form shows them; the circuit comes
    // back exactly.
    EXPECT_EQ(CDesign::FromConfiguration(*read).circuitChoice, design.circuitChoice);
    EXPECT_EQ(design.FileText().substr(0, plain.size()), plain);
    EXPECT_NE(design.FileText(), plain);
}

TEST(CircuitTextTest, CommandLineTextsOutsideTheGrammarAreNothing) {
    for (const char* text : {"", "rc", "rc:", "rc:1", "rc:1,2,3", "lc:1,2", "choke:1", "rc:-1,2",
                             "rc:nan,1", "rc:1,inf", "RC:1,2", "rc:1;2", "pi:1,2,3", "rc:1,,2"}) {
        EXPECT_FALSE(FilterOfText(text).has_value()) << text;
    }
    EXPECT_FALSE(TopologyOfText("Dual").has_value());
    EXPECT_FALSE(LoadOfText("ohmic").has_value());
    EXPECT_EQ(TopologyOfText("dual"), ETopology::kDual);
    EXPECT_EQ(LoadOfText("resistive"), ELoad::kResistive);
}

}  // namespace
}  // namespace ohmrada
