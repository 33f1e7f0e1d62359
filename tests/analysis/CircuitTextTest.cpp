// SPDX-License-Identifier: GPL-3.0-or-later
// The circuit choice in the design's file and on the command line: what is
// written is read back exactly, the plain circuit writes nothing, and the
// command line's texts mean what the file's do.
#include <gtest/gtest.h>

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
