// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <limits>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "Configuration.h"
#include "LineIo.h"
#include "NumberText.h"
#include "ProcessMark.h"
#include "SafeFile.h"
#include "support/TestFiles.h"

namespace fs = std::filesystem;
using namespace ohmrada;

namespace {

struct ParseCase {
    const char* name;
    const char* text;
    double expected;
};

TEST(NumberText, ReadsTheLeadingNumberAsAtofDoes) {
    const double inf = std::numeric_limits<double>::infinity();
    const ParseCase cases[] = {
        {"comma ends the number", "1,5", 1.0},
        {"exponent", "2e3", 2000.0},
        {"unit after the number", "12 V", 12.0},
        {"empty text", "", 0.0},
        {"letters", "Volt", 0.0},
        {"leading white space and sign", " \t\n-3.5", -3.5},
        {"plus sign and leading point", "+.5", 0.5},
        {"trailing point", "5.", 5.0},
        {"exponent without digits is ignored", "1e", 1.0},
        {"exponent sign without digits is ignored", "7E+x", 7.0},
        {"negative exponent", "1.5e-3x", 0.0015},
        {"sign alone", "-", 0.0},
        {"point alone", ".", 0.0},
        {"hexadecimal is not read", "0x1A", 0.0},
        {"inf is not a number here", "inf", 0.0},
        {"nan is not a number here", "nan", 0.0},
        {"overflow", "1e400", inf},
        {"negative overflow", "-1e400", -inf},
        {"underflow", "1e-400", 0.0},
        {"many leading zeros", "0000000000000000000000000000012.5", 12.5},
        {"second sign stops", "--5", 0.0},
    };
    for (const ParseCase& c : cases) {
        EXPECT_EQ(ParseNumberPrefix(c.text), c.expected) << c.name << ": \"" << c.text << '"';
    }
}

// Zero shows without a sign whichever sign it carries ("-0" typed, a
// product with a negative factor); every other value keeps its own.
TEST(NumberText, ANegativeZeroShowsAsZero) {
    EXPECT_EQ(FormatFieldValue(-0.0f, 3), "0.000");
    EXPECT_EQ(FormatFieldValue(ReadNumber("-0"), 0), "0");
    EXPECT_EQ(FormatFieldValue(-0.5f, 3), "-0.500");
    // A negative value too small for a digit shows as zero too, so that its
    // text reads back to what it shows.
    EXPECT_EQ(FormatFieldValue(-1e-45f, 3), "0.000");
    EXPECT_EQ(FormatFieldValue(-0.0004f, 3), "0.000");
    EXPECT_EQ(FormatFieldValue(-0.0005f, 3), "-0.001");
    EXPECT_EQ(FormatFieldValue(-0.4f, 0), "0");
    EXPECT_EQ(ShortestNumber(-0.25f), "-0.25");
    EXPECT_EQ(ShortestNumber(std::numeric_limits<double>::quiet_NaN()), "");
}

TEST(NumberText, NarrowsToSingleAndHoldsOverflowAtTheLargestFloat) {
    EXPECT_EQ(ReadNumber("1e39"), FLT_MAX);
    EXPECT_EQ(ReadNumber("-1e39"), -FLT_MAX);
    EXPECT_EQ(ReadNumber("1e400"), FLT_MAX);
    EXPECT_EQ(ReadNumber("3.4e38"), 3.4e38f);
    EXPECT_EQ(ReadNumber("1e-45"), 1e-45f);
    EXPECT_EQ(ReadNumber("3.3333333"), 10.0f / 3.0f);
    EXPECT_TRUE(std::isfinite(ToSingleClamped(std::numeric_limits<double>::infinity())));
}

using test::kStartUpFile;

std::array<std::string, kConfigLineCount> StartUpValues() {
    return {"1",     "18.000", "20.000", "3.333", "mittelpunkt", "0.350", "0.020",
            "30000", "14.820", "5.000",  "4.170", "20.000",      "1.100", "0.110"};
}

TEST(Configuration, WritesFourteenKeyedLinesWithCrLf) {
    CStringLineSink sink;
    ASSERT_TRUE(WriteConfiguration(sink, StartUpValues()));
    EXPECT_EQ(sink.Text(), kStartUpFile);
}

TEST(Configuration, LineBreaksInsideAValueCannotShiftTheLines) {
    auto values = StartUpValues();
    values[kLineNennU] = "18\r\n000";
    CStringLineSink sink;
    ASSERT_TRUE(WriteConfiguration(sink, values));
    CStringLineSource source(sink.Text());
    CConfiguration read;
    ASSERT_TRUE(ReadConfiguration(source, read));
    EXPECT_EQ(read.numbers[kLineNennU], 18.0f);
    EXPECT_EQ(read.numbers[kLineLeerU], 20.0f);
    EXPECT_EQ(read.circuit, "mittelpunkt");
}

CConfiguration Read(const std::string& text) {
    CStringLineSource source(text);
    CConfiguration configuration;
    EXPECT_TRUE(ReadConfiguration(source, configuration));
    return configuration;
}

TEST(Configuration, ReadsBackWhatWasWritten) {
    const CConfiguration c = Read(kStartUpFile);
    EXPECT_EQ(c.centreTap, 1);
    EXPECT_EQ(c.circuit, "mittelpunkt");
    const float expected[] = {0,        18.0f,  20.0f, 3.333f, 0,     0.35f, 0.02f,
                              30000.0f, 14.82f, 5.0f,  4.17f,  20.0f, 1.1f,  0.11f};
    for (std::size_t i = 0; i < kConfigLineCount; ++i) {
        if (i != kLineMitte && i != kLineGR_Sg) {
            EXPECT_EQ(c.numbers[i], expected[i]) << "line " << i + 1;
        }
    }
}

TEST(Configuration, BareLfReadsLikeCrLf) {
    std::string lf = kStartUpFile;
    for (std::size_t at; (at = lf.find("\r\n")) != std::string::npos;) {
        lf.erase(at, 1);
    }
    const CConfiguration a = Read(kStartUpFile);
    const CConfiguration b = Read(lf);
    EXPECT_EQ(a.numbers, b.numbers);
    EXPECT_EQ(a.circuit, b.circuit);
}

struct FlagCase {
    const char* line;
    int expected;
};

TEST(Configuration, OnlyANumberEqualToOneSetsTheFlag) {
    const FlagCase cases[] = {
        {"Mitte: 1", 1}, {"Mitte: 1.0", 1}, {"Mitte:  1", 1}, {"xxxxxxx1e0", 1},
        {"Mitte: 2", 0}, {"Mitte: 0.5", 0}, {"Mitte: ja", 0}, {"Mitte:1", 0},
    };
    for (const FlagCase& c : cases) {
        EXPECT_EQ(Read(std::string(c.line) + "\r\n").centreTap, c.expected) << c.line;
    }
}

TEST(Configuration, KeysAreNeverCheckedAndSevenCharactersAreDropped) {
    const CConfiguration c = Read(
        "Mitte: 0\nabcdefg12\nNennU:36\nNennI: 18 V\nGR_Sg: bruecke  \n"
        "DiffU: 1,5\n");
    EXPECT_EQ(c.numbers[kLineNennU], 12.0f);
    EXPECT_EQ(c.numbers[kLineLeerU], 6.0f);  // the missing blank costs the first digit
    EXPECT_EQ(c.numbers[kLineNennI], 18.0f);
    EXPECT_EQ(c.circuit, "bruecke  ");  // taken verbatim, not trimmed
    EXPECT_EQ(c.numbers[kLineDiffU], 1.0f);
}

TEST(Configuration, MissingLinesReadAsEmptyAndLaterLinesAreNotRead) {
    const CConfiguration shortFile = Read("Mitte: 1\nNennU: 18\n");
    EXPECT_EQ(shortFile.centreTap, 1);
    EXPECT_EQ(shortFile.circuit, "");
    for (std::size_t i = kLineLeerU; i < kConfigLineCount; ++i) {
        EXPECT_EQ(shortFile.numbers[i], 0.0f) << "line " << i + 1;
    }
    EXPECT_EQ(Read("").centreTap, 0);

    CStringLineSource source(std::string(kStartUpFile) + "Extra: 99\r\nmore\r\n");
    CConfiguration c;
    ASSERT_TRUE(ReadConfiguration(source, c));
    // A fifteenth line that is none of the optional lines refuses the file,
    // and nothing after it is read.
    EXPECT_EQ(c.mainsFrequency, 50.0f);
    EXPECT_TRUE(c.Refused());
    EXPECT_EQ(c.refusedLineNumber, 15);
    EXPECT_EQ(c.refusedLine, "Extra: 99");
    std::string next;
    EXPECT_EQ(source.ReadLine(next), CLineSource::EResult::kLine);
    EXPECT_EQ(next, "more");
}

CConfigExtras Extras(std::initializer_list<std::pair<EExtraLine, const char*>> values) {
    CConfigExtras extras;
    for (const auto& [line, value] : values) {
        extras.values[line] = value;
    }
    return extras;
}

TEST(Configuration, ExtraLinesRoundTripAndA50HzDesignWithoutThemIsUnchanged) {
    // Without extras, at 50 Hz: byte for byte the fourteen lines.
    {
        CStringLineSink sink;
        ASSERT_TRUE(WriteConfiguration(sink, StartUpValues(), 50.0f, CConfigExtras{}));
        EXPECT_EQ(sink.Text(), kStartUpFile);
    }
    const struct {
        const char* name;
        float frequency;
        CConfigExtras extras;
        const char* tail;  // what follows the fourteen lines
    } cases[] = {
        {"60 Hz, ANSI range A", 60.0f, Extras({{kExtraRegion, "ansi-a"}}),
         "NetzF: 60\r\nNetz : ansi-a\r\n"},
        {"own tolerances at 50 Hz", 50.0f, Extras({{kExtraRegion, "7.5 5"}}), "Netz : 7.5 5\r\n"},
        {"a parts list", 50.0f,
         Extras({{kExtraTransformer, "toroid-50VA-2x15V parallel"},
                 {kExtraRectifier, "gbu8b"},
                 {kExtraCapacitor, "gp105-4700uF-35V"},
                 {kExtraRegulator, "lm317t"},
                 {kExtraHeatSink, "sk104-50"}}),
         "Trafo: toroid-50VA-2x15V parallel\r\nDiode: gbu8b\r\nElko : gp105-4700uF-35V\r\n"
         "Regl : lm317t\r\nKuehl: sk104-50\r\n"},
        {"everything", 60.0f,
         Extras({{kExtraRegion, "ansi-b"}, {kExtraTransformer, "t1"}, {kExtraHeatSink, "h"}}),
         "NetzF: 60\r\nNetz : ansi-b\r\nTrafo: t1\r\nKuehl: h\r\n"},
        {"a symmetric supply with a CLC filter and a resistive load", 50.0f,
         Extras({{kExtraTopology, "symmetrisch"},
                 {kExtraFilter, "lc 10 0.2 1000"},
                 {kExtraLoad, "widerstand"}}),
         "Topo : symmetrisch\r\nFilt : lc 10 0.2 1000\r\nLast : widerstand\r\n"},
        {"a symmetric supply's parts", 50.0f,
         Extras({{kExtraRegulator, "l7815cv l7915cv"},
                 {kExtraHeatSink, "sink-531202 sink-531202"},
                 {kExtraTopology, "symmetrisch"}}),
         "Regl : l7815cv l7915cv\r\nKuehl: sink-531202 sink-531202\r\nTopo : symmetrisch\r\n"},
        {"a choke-input filter after the parts", 60.0f,
         Extras({{kExtraRegulator, "lm317t"}, {kExtraFilter, "drossel 300 1.5"}}),
         "NetzF: 60\r\nRegl : lm317t\r\nFilt : drossel 300 1.5\r\n"},
    };
    for (const auto& c : cases) {
        CStringLineSink sink;
        ASSERT_TRUE(WriteConfiguration(sink, StartUpValues(), c.frequency, c.extras)) << c.name;
        EXPECT_EQ(sink.Text(), kStartUpFile + c.tail) << c.name;
        const CConfiguration read = Read(sink.Text());
        EXPECT_FALSE(read.Refused()) << c.name;
        EXPECT_EQ(read.mainsFrequency, c.frequency) << c.name;
        EXPECT_EQ(read.extras, c.extras) << c.name;
        // A reader that stops after fourteen lines reads the same design.
        const CConfiguration fourteen = Read(kStartUpFile);
        EXPECT_EQ(read.numbers, fourteen.numbers) << c.name;
        EXPECT_EQ(read.circuit, fourteen.circuit) << c.name;
    }
    // A value that no reader would take back is not written.
    CStringLineSink sink;
    ASSERT_TRUE(WriteConfiguration(sink, StartUpValues(), 50.0f,
                                   Extras({{kExtraRegion, "mars"}, {kExtraRectifier, "a b"}})));
    EXPECT_EQ(sink.Text(), kStartUpFile);
}

TEST(Configuration, ALineAfterTheFourteenThatIsNoneOfTheOptionalOnesRefusesTheFile) {
    const struct {
        const char* name;
        const char* tail;
        int refusedLine;  // 0: read
    } cases[] = {
        {"frequency with a wrong case", "netzf: 60\r\n", 15},
        {"frequency with an equals sign", "NetzF=60\r\n", 15},
        {"frequency without the blank is read", "NetzF:60\r\n", 0},
        {"an unknown key", "Farbe: rot\r\n", 15},
        {"an unknown region", "Netz : mars\r\n", 15},
        {"a tolerance above 50 %", "Netz : 60 5\r\n", 15},
        {"a tolerance that is no number", "Netz : 5 x\r\n", 15},
        {"a part without an id", "Diode: \r\n", 15},
        {"a part id with a blank", "Diode: a b\r\n", 15},
        {"a symmetric supply's two regulators and sinks",
         "Regl : l7815cv l7915cv\r\nKuehl: h1 h2\r\n", 0},
        {"three regulators", "Regl : a b c\r\n", 15},
        {"a second regulator after two blanks", "Regl : a  b\r\n", 15},
        {"an unknown connection", "Trafo: t1 quer\r\n", 15},
        {"a line given twice", "Diode: a\r\nDiode: b\r\n", 16},
        {"out of order", "Elko : c\r\nDiode: a\r\n", 16},
        {"frequency after an extra line", "Netz : ansi-a\r\nNetzF: 60\r\n", 16},
        {"blank lines are skipped", "NetzF: 60\r\n  \r\nDiode: a\r\n\r\n", 0},
        {"the frequency only as the fifteenth line", "\r\nNetzF: 60\r\n", 16},
        {"a wrong case among extras", "NetzF: 60\r\nTRAFO: t1\r\n", 16},
        {"an unknown topology", "Topo : dreifach\r\n", 15},
        {"an RC filter short of its capacitor", "Filt : rc 2\r\n", 15},
        {"an LC filter with a negative inductance", "Filt : lc -10 0.2 1000\r\n", 15},
        {"an unknown filter", "Filt : pi 1 2 3\r\n", 15},
        {"a filter value that is no number", "Filt : rc 2 x\r\n", 15},
        {"an unknown load", "Last : ohmsch\r\n", 15},
        {"the filter before the topology", "Filt : rc 2 1000\r\nTopo : symmetrisch\r\n", 16},
        {"every circuit line", "Topo : symmetrisch\r\nFilt : rc 2 1000\r\nLast : widerstand\r\n",
         0},
    };
    for (const auto& c : cases) {
        const CConfiguration read = Read(kStartUpFile + c.tail);
        EXPECT_EQ(read.refusedLineNumber, c.refusedLine) << c.name;
        EXPECT_EQ(read.Refused(), c.refusedLine != 0) << c.name;
        if (c.refusedLine != 0) {
            EXPECT_FALSE(read.refusedLine.empty()) << c.name;
        }
    }
    // A frequency line read, a wrong case refused: never silently 50 Hz.
    EXPECT_EQ(Read(kStartUpFile + "NetzF:60\r\n").mainsFrequency, 60.0f);
    EXPECT_EQ(Read(kStartUpFile + "netzf: 60\r\n").refusedLine, "netzf: 60");
    // Reading stops at a bound: many blank lines cannot keep it reading.
    std::string blanks = kStartUpFile;
    for (int k = 0; k < 1000; ++k) {
        blanks += "\r\n";
    }
    const CConfiguration many = Read(blanks + "Diode: a\r\n");
    EXPECT_EQ(many.refusedLineNumber, static_cast<int>(kConfigLineCount) + kMaxExtraLines + 1);
}

TEST(Configuration, CountsTheLinesTheFileReallyHad) {
    std::string thirteen = kStartUpFile;
    thirteen.erase(thirteen.rfind("ReglR"));
    const struct {
        const char* name;
        std::string text;
        int lines;
    } cases[] = {
        {"empty file", "", 0},
        {"one empty line", "\r\n", 1},
        {"one line without its line end", "Mitte: 1", 1},
        {"two lines", "Mitte: 1\nNennU: 18\n", 2},
        {"thirteen lines", thirteen, 13},
        {"all fourteen", kStartUpFile, 14},
        {"lines after the fourteenth", kStartUpFile + "Extra: 1\r\n", 14},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Read(c.text).lineCount, c.lines) << c.name;
    }
}

// A source whose medium fails after a number of lines.
class CFailingSource : public CLineSource {
public:
    explicit CFailingSource(int goodLines) : m_left(goodLines) {}
    EResult ReadLine(std::string& line) override {
        if (m_left-- <= 0) {
            line.clear();
            return EResult::kError;
        }
        line = "Xxxxx: 1";
        return EResult::kLine;
    }

private:
    int m_left;
};

TEST(Configuration, AFailingMediumIsReported) {
    // A failure on the optional fifteenth line fails too: it may hold the
    // mains frequency.
    for (int good : {0, 4, 5, 13, 14}) {
        CFailingSource source(good);
        CConfiguration c;
        EXPECT_FALSE(ReadConfiguration(source, c)) << good << " good lines";
    }
    CFailingSource fifteen(15);
    CConfiguration c;
    EXPECT_TRUE(ReadConfiguration(fifteen, c));
}

TEST(LineSource, LinesAcrossReadChunksAndAtTheLimit) {
    const std::size_t limit = CLineSource::kMaxLineLength;
    const std::string exact(limit, 'a');
    const std::string crAtLimit = std::string(limit, 'b') + "\r";
    const std::string longAtEnd(limit + 10, 'c');
    CStringLineSource source(exact + "\n" + crAtLimit + "\n" + "x\r\n" + longAtEnd);
    std::string line;
    ASSERT_EQ(source.ReadLine(line), CLineSource::EResult::kLine);
    EXPECT_EQ(line, exact);
    ASSERT_EQ(source.ReadLine(line), CLineSource::EResult::kLine);
    EXPECT_EQ(line, std::string(limit, 'b'));
    ASSERT_EQ(source.ReadLine(line), CLineSource::EResult::kLine);
    EXPECT_EQ(line, "x");
    ASSERT_EQ(source.ReadLine(line), CLineSource::EResult::kLine);
    EXPECT_EQ(line, std::string(limit, 'c'));
    EXPECT_EQ(source.ReadLine(line), CLineSource::EResult::kEnd);
}

TEST(LineSource, KeepsAtMostTheLineLimitOfAHugeLine) {
    std::string text(CLineSource::kMaxLineLength * 3, '7');
    text += "\r\nsecond\rstill second\r\nthird";
    CStringLineSource source(text);
    std::string line;
    ASSERT_EQ(source.ReadLine(line), CLineSource::EResult::kLine);
    EXPECT_EQ(line.size(), CLineSource::kMaxLineLength);
    ASSERT_EQ(source.ReadLine(line), CLineSource::EResult::kLine);
    EXPECT_EQ(line, "second\rstill second");  // a lone CR is no line end
    ASSERT_EQ(source.ReadLine(line), CLineSource::EResult::kLine);
    EXPECT_EQ(line, "third");
    EXPECT_EQ(source.ReadLine(line), CLineSource::EResult::kEnd);
    EXPECT_EQ(line, "");
    EXPECT_EQ(source.ReadLine(line), CLineSource::EResult::kEnd);
}

class FileTest : public ::testing::Test {
protected:
    static std::string Contents(const fs::path& path) { return test::ReadBytes(path); }
    static void WriteFile(const fs::path& path, const std::string& text) {
        test::WriteBytes(path, text);
    }
    std::vector<fs::path> Entries() const {
        std::vector<fs::path> entries;
        for (const auto& entry : fs::directory_iterator(m_dir)) {
            entries.push_back(entry.path().filename());
        }
        return entries;
    }
    test::CScratchFolder m_scratch;
    fs::path m_dir = m_scratch.Path();
};

TEST_F(FileTest, SinkReplacesTheFileOnlyOnCommit) {
    const fs::path target = m_dir / "netzteil.odr";
    WriteFile(target, "old contents");
    std::error_code error;
    {
        auto sink = CFileLineSink::Open(target, error);
        ASSERT_TRUE(sink) << error.message();
        ASSERT_TRUE(sink->WriteLine("Mitte: 0"));
        EXPECT_EQ(Contents(target), "old contents");
        // Destroyed without Commit: the old file stays, no temporary remains.
    }
    EXPECT_EQ(Contents(target), "old contents");
    EXPECT_EQ(Entries(), std::vector<fs::path>{"netzteil.odr"});

    auto sink = CFileLineSink::Open(target, error);
    ASSERT_TRUE(sink);
    ASSERT_TRUE(WriteConfiguration(*sink, StartUpValues()));
    ASSERT_TRUE(sink->Commit());
    EXPECT_EQ(Contents(target), kStartUpFile);
    EXPECT_EQ(Entries(), std::vector<fs::path>{"netzteil.odr"});
}

TEST_F(FileTest, SinkKeepsPermissionsAndRefusesLinks) {
    const fs::path real = m_dir / "real.odr";
    const fs::path link = m_dir / "link.odr";
    WriteFile(real, "old");
    fs::permissions(real, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::create_symlink(real, link);
    std::error_code error;
    EXPECT_FALSE(CFileLineSink::Open(link, error));
    EXPECT_EQ(error, EFileRefusal::kSymbolicLink);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(Contents(real), "old");

    auto sink = CFileLineSink::Open(real, error);
    ASSERT_TRUE(sink) << error.message();
    ASSERT_TRUE(sink->WriteLine("x"));
    ASSERT_TRUE(sink->Commit());
    EXPECT_EQ(Contents(real), "x\r\n");
    EXPECT_EQ(fs::status(real).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST_F(FileTest, SinkRefusesWhatIsNoRegularFile) {
    WriteFile(m_dir / "file", "x");
    const fs::path targets[] = {m_dir, m_dir / "missing" / "a.odr", m_dir / "file" / "a.odr",
                                "/dev/null", ""};
    for (const fs::path& target : targets) {
        std::error_code error;
        EXPECT_FALSE(CFileLineSink::Open(target, error)) << target;
        EXPECT_TRUE(error) << target;
    }
    EXPECT_EQ(Contents(m_dir / "file"), "x");
}

// What a writer must never write to, each refused before anything is made.
TEST_F(FileTest, SafeFileRefusesTargetsItMustNotReplace) {
    const fs::path input = m_dir / "design.odr";
    WriteFile(input, "design");
    fs::create_hard_link(input, m_dir / "hard.odr");
    fs::create_symlink(input, m_dir / "link.odr");
    fs::create_symlink(m_dir / "nowhere.odr", m_dir / "dangling.odr");
    ASSERT_EQ(::mkfifo((m_dir / "fifo").c_str(), 0600), 0);
    const std::vector<fs::path> before = Entries();
    const struct {
        const char* name;
        fs::path target;
        std::error_code expected;
    } rows[] = {
        {"a link to a file", m_dir / "link.odr", EFileRefusal::kSymbolicLink},
        {"a link to nothing (not created)", m_dir / "dangling.odr", EFileRefusal::kSymbolicLink},
        {"the input", input, EFileRefusal::kSameAsInput},
        {"a hard link to the input", m_dir / "hard.odr", EFileRefusal::kSameAsInput},
        {"a FIFO (no blocking)", m_dir / "fifo", EFileRefusal::kNotRegularFile},
        {"a device", "/dev/null", EFileRefusal::kNotRegularFile},
        {"a directory", m_dir, std::make_error_code(std::errc::is_a_directory)},
    };
    for (const auto& row : rows) {
        std::error_code error;
        EXPECT_FALSE(CSafeFile::Create(row.target, error, {input})) << row.name;
        EXPECT_EQ(error, row.expected) << row.name << ": " << error.message();
    }
    EXPECT_EQ(Entries(), before);
    EXPECT_FALSE(fs::exists(m_dir / "nowhere.odr"));
    EXPECT_EQ(Contents(input), "design");
    EXPECT_EQ(WriteFileSafely(m_dir / "other.odr", "new", {input}), std::error_code());
    EXPECT_EQ(Contents(m_dir / "other.odr"), "new");
}

// A writer that dies half-way (killed, or on a full disk) leaves the old file
// byte for byte and no temporary file beside it. Each runs in a child process
// so that the kill and the file-size limit touch nothing else.
TEST_F(FileTest, SafeFileKilledOrOnAFullDiskKeepsTheOldFile) {
    const fs::path target = m_dir / "waves.csv";
    const std::string old = "the old file, which must survive\n";
    const std::string chunk(256 * 1024, 'w');
    const struct {
        const char* name;
        void (*die)(CSafeFile& file, const std::string& bytes);
    } rows[] = {
        {"killed",
         [](CSafeFile& file, const std::string& bytes) {
             file.Write(bytes);
             file.Write(bytes);
             ::raise(SIGKILL);
         }},
        {"full disk",
         [](CSafeFile& file, const std::string& bytes) {
             // A file-size limit stands in for a full disk: the write fails
             // with EFBIG once SIGXFSZ is ignored.
             std::signal(SIGXFSZ, SIG_IGN);
             const rlimit small{1000, 1000};
             ::setrlimit(RLIMIT_FSIZE, &small);
             const bool wrote = file.Write(bytes) && file.Commit();
             std::_Exit(!wrote && file.Error() == std::errc::file_too_large ? 0 : 1);
         }},
    };
    for (const auto& row : rows) {
        WriteFile(target, old);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            std::error_code error;
            const std::unique_ptr<CSafeFile> file = CSafeFile::Create(target, error);
            if (file) {
                row.die(*file, chunk);
            }
            std::_Exit(2);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        if (std::string(row.name) == "killed") {
            EXPECT_TRUE(WIFSIGNALED(status)) << row.name;
        } else {
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << row.name;
        }
        EXPECT_EQ(Contents(target), old) << row.name;
        EXPECT_EQ(Entries(), std::vector<fs::path>{"waves.csv"}) << row.name;
    }
}

// A save killed between naming its finished file and renaming it leaves that
// file; the next write to the folder removes it once its maker is gone for
// certain, and nothing else: not a running process's, not a link, not a file
// with a second name, not a name without a maker.
TEST_F(FileTest, TheNextWriteRemovesOnlyTheTemporaryFilesOfGoneMakers) {
    const fs::path target = m_dir / "w.csv";
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::ofstream(TemporaryNameFor(target)) << "complete, never renamed\n";
        ::raise(SIGKILL);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_EQ(Entries().size(), 1u);
    const fs::path killed = m_dir / Entries().front();

    const std::optional<CProcessMark> self = ThisProcessMark();
    ASSERT_TRUE(self);
    CProcessMark before = *self;  // the same process id, but of an earlier boot
    before.boot[0] = before.boot[0] == '0' ? '1' : '0';
    const fs::path running = TemporaryNameFor(target);
    const fs::path earlierBoot = m_dir / (".w.csv." + before.Text() + "-00000000000000aa.tmp");
    const fs::path linkToIt = m_dir / (".x.csv." + before.Text() + "-00000000000000bb.tmp");
    const fs::path secondName = m_dir / (".y.csv." + before.Text() + "-00000000000000cc.tmp");
    const fs::path unmarked = m_dir / ".w.csv.00000000000000dd.tmp";
    for (const fs::path& path : {running, earlierBoot, unmarked}) {
        WriteFile(path, "x");
    }
    WriteFile(m_dir / "kept", "the user's");
    fs::create_symlink(m_dir / "kept", linkToIt);
    fs::create_hard_link(m_dir / "kept", secondName);

    ASSERT_FALSE(WriteFileSafely(m_dir / "other.csv", "new\n"));
    for (const fs::path& gone : {killed, earlierBoot}) {
        EXPECT_FALSE(fs::exists(fs::symlink_status(gone))) << gone;
    }
    for (const fs::path& kept : {running, linkToIt, secondName, unmarked, m_dir / "kept"}) {
        EXPECT_TRUE(fs::exists(fs::symlink_status(kept))) << kept;
    }
    EXPECT_EQ(Contents(m_dir / "kept"), "the user's");
}

TEST(ProcessMark, ReadsBackWhatItWritesAndRefusesWhatIsNoMark) {
    const std::optional<CProcessMark> self = ThisProcessMark();
    ASSERT_TRUE(self);
    std::string_view rest;
    const std::optional<CProcessMark> read = CProcessMark::Parse(self->Text() + "-tail", &rest);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->Text(), self->Text());
    EXPECT_EQ(rest, "tail");
    EXPECT_FALSE(read->IsGone());
    for (const char* text : {"", "12-34", "0-34-0123abcd", "12--0123abcd", "12-34-0123abc",
                             "12-34-0123abcg", "x12-34-0123abcd", "99999999999-1-0123abcd"}) {
        EXPECT_FALSE(CProcessMark::Parse(text)) << text;
    }
}

// A configuration is read no further than 64 KiB, from a file or a stream
// without end.
TEST_F(FileTest, ConfigurationLargerThan64KiBIsRefusedUnread) {
    std::error_code error;
    WriteFile(m_dir / "fits.odr",
              kStartUpFile + std::string(kMaxConfigurationBytes - kStartUpFile.size(), ' '));
    EXPECT_TRUE(CFileLineSource::Open(m_dir / "fits.odr", error)) << error.message();
    WriteFile(m_dir / "large.odr", kStartUpFile + std::string(kMaxConfigurationBytes, ' '));
    EXPECT_FALSE(CFileLineSource::Open(m_dir / "large.odr", error));
    EXPECT_EQ(error, EFileRefusal::kTooLarge);

    // Zeros without end, counted as they are handed out.
    class CEndless : public std::streambuf {
    public:
        std::size_t handedOut = 0;

    protected:
        std::streamsize xsgetn(char* s, std::streamsize n) override {
            std::fill(s, s + n, '0');
            handedOut += static_cast<std::size_t>(n);
            return n;
        }
    } endless;
    CStreamLineSource source(&endless, kMaxConfigurationBytes);
    std::string line;
    EXPECT_EQ(source.ReadLine(line), CLineSource::EResult::kError);
    EXPECT_EQ(source.Failure(), EFileRefusal::kTooLarge);
    EXPECT_LE(endless.handedOut, kMaxConfigurationBytes + 1);
}

TEST_F(FileTest, SourceReportsWhyAFileCannotBeOpened) {
    std::error_code error;
    EXPECT_FALSE(CFileLineSource::Open(m_dir / "missing.odr", error));
    EXPECT_EQ(error, std::errc::no_such_file_or_directory);
    EXPECT_FALSE(CFileLineSource::Open(m_dir, error));
    EXPECT_EQ(error, std::errc::is_a_directory);
    // A device would deliver lines without end.
    EXPECT_FALSE(CFileLineSource::Open("/dev/zero", error));
    EXPECT_TRUE(error);

    WriteFile(m_dir / "a.odr", kStartUpFile);
    auto source = CFileLineSource::Open(m_dir / "a.odr", error);
    ASSERT_TRUE(source) << error.message();
    CConfiguration c;
    ASSERT_TRUE(ReadConfiguration(*source, c));
    EXPECT_EQ(c.numbers[kLineReglR], 0.11f);
}

}  // namespace
