// SPDX-License-Identifier: GPL-3.0-or-later
#include "TextEscape.h"

#include <string>

#include <gtest/gtest.h>

namespace ohmrada::cli {
namespace {

const std::string kReplacement = "\xEF\xBF\xBD";

struct CEscapeCase {
    const char* name;
    std::string input;
    std::string json;        // JsonString without the surrounding quotes
    std::string diagnostic;  // QuoteForDiagnostic without the surrounding quotes
};

TEST(TextEscapeTest, JsonAndDiagnosticEscapeEveryUnsafeByte) {
    const CEscapeCase cases[] = {
        {"plain ASCII passes", "/tmp/a.odr", "/tmp/a.odr", "/tmp/a.odr"},
        {"quote and backslash", "a\"b\\c", "a\\\"b\\\\c", "a\\\"b\\\\c"},
        {"control characters", std::string("\n\r\t\x01\x1F\x7F", 6),
         "\\u000A\\u000D\\u0009\\u0001\\u001F\\u007F", "\\n\\r\\t\\x01\\x1F\\x7F"},
        {"NUL inside the text", std::string("a\0b", 3), "a\\u0000b", "a\\x00b"},
        {"two-, three- and four-byte UTF-8 pass", "\xC2\xB5\xE2\x82\xAC\xF0\x9F\x94\x8C",
         "\xC2\xB5\xE2\x82\xAC\xF0\x9F\x94\x8C", "\xC2\xB5\xE2\x82\xAC\xF0\x9F\x94\x8C"},
        {"Latin-1 byte",
         "Gr\xF6\xDF"
         "e",
         "Gr" + kReplacement + kReplacement + "e", "Gr\\xF6\\xDFe"},
        {"overlong slash", "\xC0\xAF", kReplacement + kReplacement, "\\xC0\\xAF"},
        {"overlong three-byte form", "\xE0\x80\xAF", kReplacement + kReplacement + kReplacement,
         "\\xE0\\x80\\xAF"},
        {"surrogate", "\xED\xA0\x80", kReplacement + kReplacement + kReplacement,
         "\\xED\\xA0\\x80"},
        {"beyond U+10FFFF", "\xF4\x90\x80\x80",
         kReplacement + kReplacement + kReplacement + kReplacement, "\\xF4\\x90\\x80\\x80"},
        {"truncated at the end", "x\xE2\x82", "x" + kReplacement + kReplacement, "x\\xE2\\x82"},
        {"lead byte followed by ASCII",
         "\xC3"
         "A",
         kReplacement + "A", "\\xC3A"},
        {"largest code point passes", "\xF4\x8F\xBF\xBF", "\xF4\x8F\xBF\xBF", "\xF4\x8F\xBF\xBF"},
    };
    for (const CEscapeCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(JsonString(c.input), "\"" + c.json + "\"");
        EXPECT_EQ(QuoteForDiagnostic(c.input), "\"" + c.diagnostic + "\"");
    }
}

TEST(TextEscapeTest, CsvQuotesWhatRfc4180RequiresAndDefusesFormulas) {
    const struct {
        const char* name;
        std::string input;
        std::string expected;
    } cases[] = {
        {"plain", "18.000", "18.000"},
        {"empty", "", ""},
        {"blank and semicolon stay bare", "a b;c", "a b;c"},
        {"comma", "a,b", "\"a,b\""},
        {"quote doubled", "say \"hi\"", "\"say \"\"hi\"\"\""},
        {"line feed", "a\nb", "\"a\nb\""},
        {"carriage return", "a\rb", "\"a\rb\""},
        {"other bytes unchanged", "\xFF\x01", "\xFF\x01"},
        {"formula", "=1+1.odr", "\"'=1+1.odr\""},
        {"formula with a quote", "=HYPERLINK(\"x\")", "\"'=HYPERLINK(\"\"x\"\")\""},
        {"plus", "+cmd", "\"'+cmd\""},
        {"minus before text", "-1+2", "\"'-1+2\""},
        {"at", "@SUM(A1)", "\"'@SUM(A1)\""},
        {"tab first", "\t=1", "\"'\t=1\""},
        {"negative number stays", "-0.500", "-0.500"},
        {"exponent stays", "-1e-05", "-1e-05"},
        {"equals later stays", "a=1", "a=1"},
        {"lone minus stays (standard input)", "-", "-"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(CsvField(c.input), c.expected);
    }
}

TEST(TextEscapeTest, DisplayWidthCountsCharactersNotBytes) {
    EXPECT_EQ(DisplayWidth("berechnete Gr\xC3\xB6\xC3\x9F"
                           "en"),
              17u);
    EXPECT_EQ(DisplayWidth("\xC2\xB5"
                           "F"),
              2u);
    EXPECT_EQ(DisplayWidth("\xF0\x9F\x94\x8C"), 1u);
    // A stray byte is one character, as the terminal shows a replacement.
    EXPECT_EQ(DisplayWidth("a\xFF"
                           "b"),
              3u);
    EXPECT_EQ(DisplayWidth(""), 0u);
}

}  // namespace
}  // namespace ohmrada::cli
