// SPDX-License-Identifier: GPL-3.0-or-later
// End-to-end tests of ohmrada-calc through RunCalc: arguments in, the printed
// text, the diagnostics and the exit status out, with real files in a
// temporary folder.
#include "CalcTool.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <charconv>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <streambuf>
#include <string>
#include <utility>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "FieldTable.h"
#include "InputTable.h"
#include "NumberText.h"
#include "Results.h"
#include "support/CalcRun.h"
#include "support/JsonReader.h"
#include "support/TestFiles.h"

namespace ohmrada::cli {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;

using test::CJson;
using test::ParseJson;

// --- running the tool -------------------------------------------------------

using test::CRun;
using test::RunTool;

CRun RunJson(std::vector<std::string> args, const std::string& standardInput = "") {
    args.insert(args.begin(), {"--format", "json"});
    return RunTool(args, standardInput);
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        lines.push_back(line);
    }
    return lines;
}

using test::ReadBytes;
using test::WriteBytes;

// Every field id the form has, with its text right after start-up.
const std::vector<std::pair<std::string, std::string>> kStartUpFields = {
    // Inputs.
    {"1024", "18.000"},
    {"1021", "3.333"},
    {"1013", "20.000"},
    {"1025", "0.350"},
    {"1019", "0.020"},
    {"1020", "30000"},
    {"1026", "14.820"},
    {"1018", "5.000"},
    {"1009", "4.170"},
    {"1010", "20.000"},
    {"1015", "1.100"},
    {"1023", "0.110"},
    // Results.
    {"1022", "0.600"},
    {"1027", "103.554"},
    {"1001", "120.000"},
    {"1004", "2.250"},
    {"1014", "56.569"},
    {"1002", "12.623"},
    {"1005", "2.500"},
    {"1008", "27.834"},
    {"1011", "20.261"},
    {"1017", "19.729"},
    {"1000", "0.797"},
    {"1012", "71.350"},
    {"1003", "29.954"},
    {"1016", "144.907"},
    {"1006", "14.270"},
    {"1007", "68.901"},
};

using test::kStartUpFile;

class CalcToolTest : public ::testing::Test {
protected:
    std::string PathOf(const std::string& name) const { return (m_dir / name).string(); }

    test::CScratchFolder m_scratch;
    fs::path m_dir = m_scratch.Path();
};

// --- start-up and the form's state ------------------------------------------

TEST_F(CalcToolTest, WithoutInputTheStartUpFormIsShown) {
    const CRun run = RunJson({});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    const CJson doc = ParseJson(run.out);
    ASSERT_EQ(doc.items.size(), 1u);
    const CJson& form = doc.items[0];
    EXPECT_EQ(form["input"].type, CJson::EType::kNull);
    const CJson& fields = form["fields"];
    ASSERT_EQ(fields.members.size(), kStartUpFields.size());
    // The fields come in the form's order: inputs top to bottom, then results.
    for (std::size_t i = 0; i < kStartUpFields.size(); ++i) {
        EXPECT_EQ(fields.members[i].first, kStartUpFields[i].first);
        EXPECT_EQ(fields.members[i].second.text, kStartUpFields[i].second)
            << "field " << kStartUpFields[i].first;
    }
    EXPECT_TRUE(form["centre_tap_checked"].boolean);
    EXPECT_EQ(form["centre_tap_checked"].type, CJson::EType::kBool);
    EXPECT_TRUE(form["centre_tap_button_enabled"].boolean);
    EXPECT_EQ(form["rectifier_button"].number, 1031);
    EXPECT_EQ(form["messages"].number, 0);
    EXPECT_EQ(form["beeps"].number, 0);
}

TEST_F(CalcToolTest, TableShowsGroupsLabelsValuesAndUnitsInTheFormsOrder) {
    const CRun run = RunTool({"--set", "GR_Sg=einweg"});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<std::string> lines = Lines(run.out);
    // The lines that must appear, in this order (others lie between them).
    const std::vector<std::string> expected = {
        "Eingabe: (Startwerte)",
        "Transformatordaten",
        "  [x] nur bis Mittelpunkt",
        "  Nennspannung:                   18.000 Volt",
        "Gleichrichterschaltung",
        "  (*) Einweg (eine Diode)",
        "  ( ) Br\xC3\xBC"
        "cke (vier Dioden)",
        "  ( ) Mittelpunkt (zwei Dioden)",
        "Ladekondensator",
        "  Kapazit\xC3\xA4t:                       30000 \xC2\xB5"
        "F",
        "Betriebspunkt",
        "  ger.  Ausgangssollspannung:     13.794 Volt",
        "Spannungsregler",
        "  Umgebungstemperatur:            20.000 GradCs.",
        "  Innenwiderstand:                 0.110 Ohm",
        "berechnete Gr\xC3\xB6\xC3\x9F"
        "en",
        "  Innenwiderstand:                 0.600 Ohm",
        "  Spannungsminimum:               14.894 Volt",
        "Warnt\xC3\xB6ne: 0",
    };
    std::size_t at = 0;
    for (const std::string& want : expected) {
        while (at < lines.size() && lines[at] != want) {
            ++at;
        }
        ASSERT_LT(at, lines.size()) << "missing or out of order: " << want << "\n" << run.out;
    }
    // The regulation message is shown with its text, once.
    std::size_t messages = 0;
    for (const std::string& line : lines) {
        if (line.rfind("Meldung: ", 0) == 0) {
            ++messages;
            EXPECT_GT(line.size(), std::string("Meldung: ").size());
        }
    }
    EXPECT_EQ(messages, 1u);
}

// --- --set acts as the user on the form -------------------------------------

TEST_F(CalcToolTest, SettingsActAsTheUserOnTheForm) {
    // marks: check box ('x' or '-'), centre-tap button enabled ('+' or '-'),
    // the checked rectifier button. counts: "messages/beeps", with "?" for a
    // count the case does not decide.
    struct CCase {
        const char* name;
        std::vector<std::string> sets;
        std::map<std::string, std::string> fields;
        std::string marks;
        std::string counts;
    };
    // clang-format off
    const CCase cases[] = {
        // The target field shows the lowered target as the message comes.
        {"half-wave cannot hold the target", {"GR_Sg=einweg"},
         {{"1026", "13.794"}, {"1017", "14.894"}}, "x+1029", "1/0"},
        {"an overloaded transformer beeps twice", {"Ib=6.5"}, {{"1018", "6.500"}}, "x+1031", "?/2"},
        {"unchecking switches to half-wave and doubles the voltages", {"Mitte=0"},
         {{"1024", "36.000"}, {"1013", "40.000"}}, "--1029", "?/?"},
        // A click would run a cycle and clear the box.
        {"Mitte equal to the check box clicks nothing", {"Mitte=1"}, {{"1024", "18.000"}},
         "x+1031", "0/0"},
        {"bridge without the centre tap", {"Mitte=0", "GR_Sg=bruecke"}, {{"1024", "36.000"}},
         "--1030", "?/?"},
        {"mittelpunkt after Mitte=1", {"Mitte=0", "Mitte=1", "GR_Sg=mittelpunkt"},
         {{"1024", "18.000"}, {"1013", "20.000"}}, "x+1031", "?/?"},
        {"the text is typed and read as the form reads it", {"KondC=2e3 uF", "NennI=1,5"},
         {{"1020", "2000"}, {"1021", "1.000"}}, "x+1031", "?/?"},
        {"settings apply in order", {"Ubger=5", "Ubger=6"}, {{"1026", "6.000"}}, "x+1031", "?/?"},
        {"an equals sign belongs to the text", {"DiffU==3"}, {{"1025", "0.000"}}, "x+1031", "?/?"},
    };
    // clang-format on
    for (const CCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> args;
        for (const std::string& set : c.sets) {
            args.insert(args.end(), {"--set", set});
        }
        const CRun run = RunJson(args);
        ASSERT_EQ(run.status, 0) << run.err;
        const CJson form = ParseJson(run.out).items.at(0);
        for (const auto& [id, text] : c.fields) {
            EXPECT_EQ(form["fields"][id].text, text) << "field " << id;
        }
        const std::string marks = std::string(form["centre_tap_checked"].boolean ? "x" : "-") +
                                  (form["centre_tap_button_enabled"].boolean ? "+" : "-") +
                                  std::to_string(form["rectifier_button"].number);
        EXPECT_EQ(marks, c.marks);
        const std::size_t slash = c.counts.find('/');
        const std::string messages = c.counts.substr(0, slash);
        const std::string beeps = c.counts.substr(slash + 1);
        if (messages != "?") {
            EXPECT_EQ(std::to_string(form["messages"].number), messages);
        }
        if (beeps != "?") {
            EXPECT_EQ(std::to_string(form["beeps"].number), beeps);
        }
    }
}

TEST_F(CalcToolTest, MittelpunktWhileTheButtonIsDisabledIsAnError) {
    const std::string flat = PathOf("flat.odr");
    std::string text = kStartUpFile;
    text.replace(0, 8, "Mitte: 0");
    WriteBytes(flat, text);
    const std::string tapped = PathOf("tapped.odr");
    WriteBytes(tapped, kStartUpFile);

    // The first file clears the flag, so its button is disabled; the second
    // keeps it and is still shown.
    const CRun run = RunJson({"--set", "Mitte=0", "--set", "Mitte=1", "--set", "Mitte=0", "--set",
                              "GR_Sg=mittelpunkt", tapped});
    EXPECT_EQ(run.status, 2);
    EXPECT_THAT(run.err, HasSubstr("Mitte=1"));
    const CRun mixed = RunJson({"--set", "GR_Sg=mittelpunkt", flat, tapped});
    EXPECT_EQ(mixed.status, 2);
    EXPECT_THAT(mixed.err, HasSubstr("flat.odr"));
    EXPECT_THAT(mixed.err, HasSubstr("Mitte=1"));
    EXPECT_EQ(Lines(mixed.err).size(), 1u) << mixed.err;
    const CJson doc = ParseJson(mixed.out);
    ASSERT_EQ(doc.items.size(), 1u);
    EXPECT_EQ(doc.items[0]["input"].text, tapped);

    const CRun fixed = RunJson({"--set", "Mitte=1", "--set", "GR_Sg=mittelpunkt", flat});
    ASSERT_EQ(fixed.status, 0) << fixed.err;
    EXPECT_EQ(ParseJson(fixed.out).items.at(0)["rectifier_button"].number, 1031);
}

// --- files ------------------------------------------------------------------

TEST_F(CalcToolTest, SaveWritesTheFormAndLoadingItReproducesIt) {
    const std::string file = PathOf("start.odr");
    const CRun saved = RunJson({"--save", file});
    ASSERT_EQ(saved.status, 0) << saved.err;
    EXPECT_EQ(ReadBytes(file), kStartUpFile);

    // The file keeps the precision of the display: loading it gives the
    // start-up form with the rated current re-entered as shown (3.333).
    const CRun loaded = RunJson({file});
    ASSERT_EQ(loaded.status, 0) << loaded.err;
    const CJson form = ParseJson(loaded.out).items.at(0);
    EXPECT_EQ(form["input"].text, file);
    const CJson reentered = ParseJson(RunJson({"--set", "NennI=3.333"}).out).items.at(0);
    ASSERT_EQ(form["fields"].members.size(), kStartUpFields.size());
    for (std::size_t i = 0; i < kStartUpFields.size(); ++i) {
        const auto& [id, field] = form["fields"].members[i];
        EXPECT_EQ(field.text, reentered["fields"][id].text) << "field " << id;
        if (i < 12) {
            EXPECT_EQ(field.text, kStartUpFields[i].second) << "input field " << id;
        }
    }
    EXPECT_EQ(form["rectifier_button"].number, 1031);
    EXPECT_EQ(form["messages"].number, 0);
    EXPECT_EQ(form["beeps"].number, 0);

    // Settings are applied before saving; saving replaces the file.
    const CRun changed = RunJson({"--set", "Ib=2", "--set", "Mitte=0", "--save", file, file});
    ASSERT_EQ(changed.status, 0) << changed.err;
    const std::string bytes = ReadBytes(file);
    EXPECT_THAT(bytes, HasSubstr("Mitte: 0\r\nNennU: 36.000\r\nLeerU: 40.000\r\n"));
    EXPECT_THAT(bytes, HasSubstr("GR_Sg: einweg\r\n"));
    EXPECT_THAT(bytes, HasSubstr("Ib   : 2.000\r\n"));
}

TEST_F(CalcToolTest, FailedSaveIsReportedButTheFormIsStillShown) {
    const std::string file = PathOf("no-such-folder/out.odr");
    const CRun run = RunJson({"--save", file});
    EXPECT_EQ(run.status, 2);
    EXPECT_THAT(run.err, HasSubstr("cannot save"));
    EXPECT_THAT(run.err, HasSubstr("no-such-folder/out.odr"));
    EXPECT_THAT(run.err, HasSubstr("No such file or directory"));
    EXPECT_EQ(Lines(run.err).size(), 1u) << run.err;
    EXPECT_EQ(ParseJson(run.out).items.at(0)["fields"]["1007"].text, "68.901");
    EXPECT_FALSE(fs::exists(file));
}

// A write that fails on the medium (a file size limit stands in for a full
// disk) names the system's reason, as --waveforms does, and keeps the file.
TEST_F(CalcToolTest, FailedWriteOfASaveNamesTheReason) {
    const std::string file = PathOf("kept.odr");
    WriteBytes(file, "the design that was there\r\n");
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto* previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 100;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const CRun run = RunTool({"--save", file});
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    EXPECT_EQ(run.status, 2);
    EXPECT_THAT(run.err, HasSubstr("cannot save \"" + file + "\": File too large"));
    EXPECT_EQ(ReadBytes(file), "the design that was there\r\n");
}

// A relative file name a spreadsheet would run as a formula stays text in
// the CSV's input column.
TEST_F(CalcToolTest, CsvInputThatLooksLikeAFormulaStaysText) {
    WriteBytes(PathOf("=1+1.odr"), kStartUpFile);
    const fs::path before = fs::current_path();
    fs::current_path(m_dir);
    const CRun csv = RunTool({"--format", "csv", "=1+1.odr"});
    fs::current_path(before);
    ASSERT_EQ(csv.status, 0) << csv.err;
    EXPECT_THAT(csv.out, HasSubstr("\r\n\"'=1+1.odr\","));
}

TEST_F(CalcToolTest, UnreadableInputIsReportedAndTheOthersAreStillShown) {
    const std::string good = PathOf("good.odr");
    WriteBytes(good, kStartUpFile);
    const std::string missing = PathOf("missing.odr");
    const std::string folder = PathOf("folder.odr");
    fs::create_directory(folder);

    const CRun run = RunJson({missing, good, folder});
    EXPECT_EQ(run.status, 2);
    const std::vector<std::string> errors = Lines(run.err);
    ASSERT_EQ(errors.size(), 2u) << run.err;
    EXPECT_THAT(errors[0], HasSubstr("missing.odr"));
    EXPECT_THAT(errors[0], HasSubstr("No such file or directory"));
    EXPECT_THAT(errors[1], HasSubstr("folder.odr"));
    EXPECT_THAT(errors[1], HasSubstr("Is a directory"));
    const CJson doc = ParseJson(run.out);
    ASSERT_EQ(doc.items.size(), 1u);
    EXPECT_EQ(doc.items[0]["input"].text, good);
    EXPECT_EQ(doc.items[0]["fields"]["1024"].text, "18.000");
}

TEST_F(CalcToolTest, AnEmptyInputIsRefusedAShortOneLoadsWithANotice) {
    const std::string empty = PathOf("leer.odr");
    WriteBytes(empty, "");
    const std::string shortFile = PathOf("kurz.odr");
    WriteBytes(shortFile, "Mitte: 1\r\nNennU: 18\r\n");
    struct CCase {
        const char* name;
        std::vector<std::string> args;
        std::string standardInput;
        int status;
        std::size_t objects;
        const char* error;  // what standard error says
    };
    const CCase cases[] = {
        {"an empty file", {empty}, "", 2, 0, "cannot read \""},
        {"an empty standard input", {"-"}, "", 2, 0, "cannot read \"-\": the file is empty"},
        {"a short file",
         {shortFile},
         "",
         0,
         1,
         "12 of the 14 lines are missing; their values were read as 0"},
        {"a short standard input",
         {"-"},
         "Mitte: 1\nNennU: 18\n",
         0,
         1,
         "\"-\": 12 of the 14 lines"},
        {"an empty file among others", {shortFile, empty}, "", 2, 1, "the file is empty"},
    };
    for (const CCase& c : cases) {
        SCOPED_TRACE(c.name);
        const CRun run = RunJson(c.args, c.standardInput);
        EXPECT_EQ(run.status, c.status) << run.err;
        EXPECT_THAT(run.err, HasSubstr(c.error));
        const CJson doc = ParseJson(run.out);
        ASSERT_EQ(doc.items.size(), c.objects) << run.out;
        if (c.objects == 1) {
            // The form's own notice is one of the output's messages.
            EXPECT_EQ(doc.items[0]["fields"]["1024"].text, "18.000");
            EXPECT_GE(doc.items[0]["messages"].number, 1);
        }
    }
    const CRun table = RunTool({shortFile});
    EXPECT_THAT(table.out, HasSubstr("der 14 Zeilen. Ihre Werte wurden als 0 gelesen."));
    EXPECT_THAT(RunTool({empty}).err, HasSubstr("leer.odr\": the file is empty"));
}

// Standard input whose medium fails after the first line.
class CFailingBuffer : public std::streambuf {
protected:
    int_type underflow() override {
        if (m_served) {
            throw std::runtime_error("medium failed");
        }
        m_served = true;
        setg(m_line, m_line, m_line + sizeof m_line - 1);
        return traits_type::to_int_type(m_line[0]);
    }

private:
    char m_line[10] = "Mitte: 0\n";
    bool m_served = false;
};

TEST_F(CalcToolTest, StandardInputIsReadAsAConfiguration) {
    // Bare LF line ends read as well as CR LF.
    const std::string config =
        "Mitte: 0\nNennU: 24\nLeerU: 27\nNennI: 2\nGR_Sg: bruecke\nDiffU: 0.7\nBahnR: 0.05\n"
        "KondC: 4700\nUbger: 12\nIb   : 1\nRja  : 5\nTu   : 25\nDeltU: 2\nReglR: 0.1\n";
    const CRun run = RunJson({"-"}, config);
    ASSERT_EQ(run.status, 0) << run.err;
    const CJson form = ParseJson(run.out).items.at(0);
    EXPECT_EQ(form["input"].text, "-");
    EXPECT_EQ(form["fields"]["1024"].text, "24.000");
    EXPECT_EQ(form["fields"]["1020"].text, "4700");
    EXPECT_EQ(form["fields"]["1010"].text, "25.000");
    EXPECT_FALSE(form["centre_tap_checked"].boolean);
    EXPECT_EQ(form["rectifier_button"].number, 1030);

    // More than a configuration can be (one endless line, as /dev/zero gives)
    // is refused without being read to the end.
    const CRun endless = RunTool({"-"}, std::string(1u << 20, '0'));
    EXPECT_EQ(endless.status, 2);
    EXPECT_EQ(endless.out, "");
    EXPECT_THAT(endless.err, HasSubstr("cannot read \"-\": it is larger than 64 KiB"));

    CFailingBuffer failing;
    std::istream broken(&failing);
    const CRun failed = RunTool({"--format", "json", "-"}, broken);
    EXPECT_EQ(failed.status, 2);
    EXPECT_THAT(failed.err, HasSubstr("cannot read \"-\": read error"));
    EXPECT_EQ(ParseJson(failed.out).items.size(), 0u);
}

// Splits CSV text after RFC 4180; fails the test on a malformed record end.
std::vector<std::vector<std::string>> ParseCsv(const std::string& text) {
    std::vector<std::vector<std::string>> records;
    std::vector<std::string> record;
    std::string field;
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                field.push_back('"');
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                field.push_back(c);
            }
        } else if (c == '"' && field.empty()) {
            quoted = true;
        } else if (c == ',') {
            record.push_back(std::move(field));
            field.clear();
        } else if (c == '\r') {
            EXPECT_TRUE(i + 1 < text.size() && text[i + 1] == '\n') << "CR without LF";
            ++i;
            record.push_back(std::move(field));
            field.clear();
            records.push_back(std::move(record));
            record.clear();
        } else {
            EXPECT_NE(c, '\n') << "bare LF ends a record";
            field.push_back(c);
        }
    }
    EXPECT_TRUE(field.empty() && record.empty() && !quoted) << "last record not ended";
    return records;
}

TEST_F(CalcToolTest, CsvHasAHeaderAndOneRecordPerInput) {
    const std::string file = PathOf("a,b \"c\".odr");
    WriteBytes(file, kStartUpFile);
    // A standard input of one empty line reads as a file of empty lines.
    const CRun run = RunTool({"--format", "csv", "--set", "Ib=6.5", file, "-"}, "\n");
    ASSERT_EQ(run.status, 0) << run.err;
    const auto records = ParseCsv(run.out);
    ASSERT_EQ(records.size(), 3u) << run.out;

    std::vector<std::string> header = {"input"};
    for (const auto& field : kStartUpFields) {
        header.push_back(field.first);
    }
    for (const char* column : {"centre_tap_checked", "centre_tap_button_enabled",
                               "rectifier_button", "messages", "beeps"}) {
        header.push_back(column);
    }
    // The named inputs and results follow the columns by field id.
    ASSERT_GE(records[0].size(), header.size());
    EXPECT_EQ(std::vector<std::string>(records[0].begin(),
                                       records[0].begin() + static_cast<long>(header.size())),
              header);

    const std::vector<std::string>& loaded = records[1];
    ASSERT_EQ(loaded.size(), records[0].size());
    EXPECT_EQ(loaded[0], file);
    for (std::size_t i = 0; i < kStartUpFields.size(); ++i) {
        if (kStartUpFields[i].first == "1018") {
            EXPECT_EQ(loaded[1 + i], "6.500");
        } else if (i < 12) {
            EXPECT_EQ(loaded[1 + i], kStartUpFields[i].second) << kStartUpFields[i].first;
        }
    }
    EXPECT_EQ(loaded[29], "true");
    EXPECT_EQ(loaded[30], "true");
    EXPECT_EQ(loaded[31], "1031");
    EXPECT_EQ(loaded[33], "2");

    const std::vector<std::string>& empty = records[2];
    ASSERT_EQ(empty.size(), records[0].size());
    EXPECT_EQ(empty[0], "-");
    EXPECT_EQ(empty[1 + 4], "0.000") << "DiffU has no floor: a missing line gives 0";
    // The missing first line clears the flag, and the empty circuit checks no
    // button anew, so the start-up button stays checked.
    EXPECT_EQ(empty[29], "false");
    EXPECT_EQ(empty[30], "false");
    EXPECT_EQ(empty[31], "1031");
}

// The named values are the same numbers the form shows: each result, shown
// as the form shows it, is its field's text, and each input is the model's
// value (the winding voltages whole, twice the shown half under the tap).
TEST_F(CalcToolTest, JsonAndCsvNameTheInputsAndResults) {
    struct CCase {
        const char* name;
        std::vector<std::string> args;
    };
    const std::vector<CCase> cases = {
        {"start-up, centre tap", {}},
        {"bridge without tap", {"--set", "Mitte=0", "--set", "GR_Sg=bruecke"}},
        {"target lowered", {"--set", "KondC=1000"}},
        {"undefined efficiency", {"--set", "DiffU=-40"}},
    };
    for (const CCase& c : cases) {
        SCOPED_TRACE(c.name);
        const CRun json = RunJson(c.args);
        ASSERT_EQ(json.status, 0) << json.err;
        const CJson form = ParseJson(json.out).items.at(0);
        const CJson& fields = form["fields"];
        const CJson& results = form["results"];
        ASSERT_EQ(results.members.size(), kResults.size());
        for (const CResultSpec& spec : kResults) {
            const CJson& value = results[std::string(spec.name)];
            const std::string shown = fields[std::to_string(spec.fieldId)].text;
            if (value.type == CJson::EType::kNull) {
                EXPECT_EQ(shown, "n. def.") << spec.name;
            } else {
                EXPECT_EQ(
                    FormatFieldValue(static_cast<float>(value.real), DecimalsOf(spec.fieldId)),
                    shown)
                    << spec.name;
            }
        }
        const CJson& inputs = form["inputs"];
        ASSERT_EQ(inputs.members.size(), 14u);
        const double tap = inputs["Mitte"].number == 1 ? 2.0 : 1.0;
        for (const CInputSpec& spec : kInputs) {
            const bool winding = spec.input == EInput::kNennU || spec.input == EInput::kLeerU;
            const double shownValue = inputs[std::string(spec.key)].real / (winding ? tap : 1.0);
            EXPECT_EQ(FormatFieldValue(static_cast<float>(shownValue), spec.decimals),
                      fields[std::to_string(spec.fieldId)].text)
                << spec.key;
        }
        EXPECT_EQ(inputs["GR_Sg"].type, CJson::EType::kString);

        // The CSV's named columns hold the same numbers.
        std::vector<std::string> args = c.args;
        args.insert(args.begin(), {"--format", "csv"});
        const auto records = ParseCsv(RunTool(args).out);
        ASSERT_EQ(records.size(), 2u);
        for (const auto& [name, value] : results.members) {
            const auto column = std::find(records[0].begin(), records[0].end(), name);
            ASSERT_NE(column, records[0].end()) << name;
            const std::string cell =
                records[1][static_cast<std::size_t>(column - records[0].begin())];
            if (value.type == CJson::EType::kNull) {
                EXPECT_EQ(cell, "") << name;
            } else {
                EXPECT_EQ(test::Number(cell), value.real) << name;
            }
        }
    }
}

TEST_F(CalcToolTest, StrangePathsAreEscapedInEveryOutput) {
    const std::string name = std::string("q\"b\\s\nl\x01") + "\xFF" + "\xC3\xA4.odr";
    const std::string file = PathOf(name);
    WriteBytes(file, kStartUpFile);
    ASSERT_TRUE(fs::exists(file));

    const CRun json = RunJson({file});
    ASSERT_EQ(json.status, 0) << json.err;
    EXPECT_THAT(json.out, HasSubstr("q\\\"b\\\\s\\u000Al\\u0001\xEF\xBF\xBD\xC3\xA4.odr\""));
    const CJson doc = ParseJson(json.out);
    EXPECT_EQ(doc.items.at(0)["input"].text,
              PathOf(std::string("q\"b\\s\nl\x01") + "\xEF\xBF\xBD\xC3\xA4.odr"));

    const CRun csv = RunTool({"--format", "csv", file});
    EXPECT_THAT(
        csv.out,
        HasSubstr(
            std::string(1, '"').append(PathOf("q\"\"b\\s\nl\x01\xFF\xC3\xA4.odr")).append("\",")));

    const CRun table = RunTool({file});
    EXPECT_THAT(table.out, HasSubstr("Eingabe: \"" + m_dir.string() +
                                     "/q\\\"b\\\\s\\nl\\x01\\xFF\xC3\xA4.odr\"\n"));

    fs::remove(file);
    const CRun missing = RunJson({file});
    EXPECT_EQ(missing.status, 2);
    EXPECT_EQ(Lines(missing.err).size(), 1u) << missing.err;
    EXPECT_THAT(missing.err, HasSubstr("q\\\"b\\\\s\\nl\\x01\\xFF\xC3\xA4.odr"));
}

// --- the command line itself -------------------------------------------------

TEST_F(CalcToolTest, BadArgumentsGiveTheUsageAndStatusTwo) {
    const std::vector<std::vector<std::string>> cases = {
        {"--bogus"},
        {"-x"},
        {"--format", "xml"},
        {"--format"},
        {"--set"},
        {"--set", "NennU"},
        {"--set", "Foo=1"},
        {"--set", "nennu=1"},
        {"--set", "Ib   =1"},
        {"--set", "Mitte=2"},
        {"--set", "Mitte="},
        {"--set", "GR_Sg=Einweg"},
        {"--save"},
        {"--save", ""},
        {"--save", "a.odr", "--save", "b.odr"},
        {"--save", "a.odr", "x.odr", "y.odr"},
    };
    for (const auto& args : cases) {
        SCOPED_TRACE(::testing::PrintToString(args));
        const CRun run = RunTool(args);
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_THAT(run.err, HasSubstr("Usage: ohmrada-calc"));
    }
    EXPECT_FALSE(fs::exists("a.odr"));
}

TEST_F(CalcToolTest, OptionsTakeTheirValueAttachedOrSeparate) {
    const CRun attached = RunTool({"--format=json", "--set=Ib=6.5"});
    ASSERT_EQ(attached.status, 0) << attached.err;
    EXPECT_EQ(ParseJson(attached.out).items.at(0)["beeps"].number, 2);

    // After "--" everything is an input, even what looks like an option.
    const CRun dashed = RunJson({"--", "--format"});
    EXPECT_EQ(dashed.status, 2);
    EXPECT_THAT(dashed.err, HasSubstr("cannot read \"--format\""));
}

TEST_F(CalcToolTest, HelpAndVersion) {
    const CRun version = RunTool({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "ohmrada-calc 3.0.0\n");
    EXPECT_EQ(std::string(Version()), "3.0.0");

    const CRun help = RunTool({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.err, "");
    EXPECT_THAT(help.out, HasSubstr("Usage: ohmrada-calc"));
    for (const char* name : {"NennU", "LeerU", "NennI", "DiffU", "BahnR", "KondC", "Ubger", "Ib",
                             "Rja", "Tu", "DeltU", "ReglR", "Mitte", "GR_Sg"}) {
        EXPECT_THAT(help.out, HasSubstr(name));
    }
    EXPECT_THAT(help.out, Not(HasSubstr("%")));

    // Help and version that cannot be written (a full disk, a closed pipe)
    // end with status 2 and say so, in every command.
    const std::vector<std::vector<std::string>> lost = {{"--help"},
                                                        {"--version"},
                                                        {"sweep", "--help"},
                                                        {"simulate", "--help"},
                                                        {"worst-case", "--help"},
                                                        {"limits", "--help"}};
    for (const auto& args : lost) {
        std::istringstream in;
        std::ostream closed(nullptr);
        std::ostringstream err;
        EXPECT_EQ(RunCalc(args, in, closed, err), 2) << args[0];
        EXPECT_THAT(err.str(), HasSubstr("cannot write the output")) << args[0];
    }
}

}  // namespace
}  // namespace ohmrada::cli
