// SPDX-License-Identifier: GPL-3.0-or-later
// The table of texts: reading gettext catalogues, the lookup in the chosen
// language, and the shipped catalogues held to the template of the texts.
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Language.h"
#include "MenuTemplate.h"
#include "PoCatalog.h"
#include "Texts.h"
#include "support/GermanTexts.h"

namespace ohmrada::texts {
namespace {

// --- reading catalogues -----------------------------------------------------

struct CReadCase {
    const char* name;
    const char* text;
    std::vector<std::pair<std::string, std::string>> messages;  // source, translation
};

class PoReadTest : public ::testing::TestWithParam<CReadCase> {};

TEST_P(PoReadTest, ReadsEveryMessage) {
    const CReadCase& row = GetParam();
    const CPoReadResult read = ReadPoCatalog(row.text);
    ASSERT_TRUE(read.catalog) << read.problem;
    std::vector<std::pair<std::string, std::string>> messages;
    for (const CPoMessage& message : read.catalog->messages) {
        messages.emplace_back(message.source, message.translation);
    }
    EXPECT_EQ(messages, row.messages);
}

INSTANTIATE_TEST_SUITE_P(
    Catalogues, PoReadTest,
    ::testing::Values(
        CReadCase{"OneMessage", "msgid \"Datei\"\nmsgstr \"File\"\n", {{"Datei", "File"}}},
        CReadCase{"StringsContinuedOnLines",
                  "msgid \"\"\n\"Netz\\n\"\n\"%\"\nmsgstr \"\"\n\"Mains\\n\"\n\"%\"\n",
                  {{"Netz\n%", "Mains\n%"}}},
        CReadCase{"EscapesAndUtf8",
                  "msgid \"Zeile \\\"%3\\\" \\\\ \\303\\244 \\x41\"\nmsgstr \"line \\\"%3\\\"\"\n",
                  {{"Zeile \"%3\" \\ \xC3\xA4 A", "line \"%3\""}}},
        CReadCase{"FuzzyIsUntranslated",
                  "#, fuzzy\nmsgid \"Wert\"\nmsgstr \"Worth\"\n\nmsgid \"Rang\"\nmsgstr \"Rank\"\n",
                  {{"Wert", ""}, {"Rang", "Rank"}}},
        CReadCase{"CommentsAndBlankLinesBetween",
                  "# a comment\n\n#: res/Texts.h:1\nmsgid \"a\"\nmsgstr \"b\"\n#: x\nmsgid \"c\"\n"
                  "msgstr \"d\"\n",
                  {{"a", "b"}, {"c", "d"}}},
        CReadCase{"CarriageReturnLineEnds", "msgid \"a\"\r\nmsgstr \"b\"\r\n", {{"a", "b"}}},
        CReadCase{"HeaderIsNoMessage",
                  "msgid \"\"\nmsgstr \"Language: en\\n\"\n\nmsgid \"a\"\nmsgstr \"b\"\n",
                  {{"a", "b"}}}),
    [](const ::testing::TestParamInfo<CReadCase>& row) { return std::string(row.param.name); });

TEST(PoRead, HeaderFieldsNameTheLanguage) {
    const CPoReadResult read = ReadPoCatalog(
        "msgid \"\"\nmsgstr \"\"\n\"Language: en\\n\"\n\"X-Language-Name: English\\n\"\n");
    ASSERT_TRUE(read.catalog) << read.problem;
    EXPECT_EQ(read.catalog->header.at("Language"), "en");
    EXPECT_EQ(read.catalog->header.at("X-Language-Name"), "English");
    EXPECT_TRUE(read.catalog->messages.empty());
}

struct CRefusedCase {
    const char* name;
    const char* text;
    const char* line;  // the problem names this line
};

class PoRefusedTest : public ::testing::TestWithParam<CRefusedCase> {};

TEST_P(PoRefusedTest, NamesTheLine) {
    const CPoReadResult read = ReadPoCatalog(GetParam().text);
    EXPECT_FALSE(read.catalog);
    EXPECT_EQ(read.problem.rfind(GetParam().line, 0), 0u) << read.problem;
}

INSTANTIATE_TEST_SUITE_P(
    Catalogues, PoRefusedTest,
    ::testing::Values(
        CRefusedCase{"MsgidWithoutMsgstr", "msgid \"a\"\n\nmsgid \"b\"\nmsgstr \"c\"\n", "line 2"},
        CRefusedCase{"UnclosedQuote", "msgid \"a\nmsgstr \"b\"\n", "line 1"},
        CRefusedCase{"UnescapedQuoteInside", "msgid \"a\"b\"\nmsgstr \"\"\n", "line 1"},
        CRefusedCase{"PluralForms", "msgid \"a\"\nmsgid_plural \"as\"\nmsgstr[0] \"b\"\n",
                     "line 2"},
        CRefusedCase{"UnknownKeyword", "msgid \"a\"\nmsgtxt \"b\"\n", "line 2"},
        CRefusedCase{"StringOutsideEntry", "\"loose\"\n", "line 1"},
        CRefusedCase{"MsgstrWithoutMsgid", "msgstr \"b\"\n", "line 1"}),
    [](const ::testing::TestParamInfo<CRefusedCase>& row) { return std::string(row.param.name); });

// --- the lookup -------------------------------------------------------------

TEST(Language, GermanFirstThenTheCatalogues) {
    const auto languages = Languages();
    ASSERT_GE(languages.size(), 2u);
    EXPECT_STREQ(languages[0].code, "de");
    EXPECT_STREQ(languages[0].name, "Deutsch");
    const auto english = std::find_if(languages.begin(), languages.end(), [](const CLanguage& l) {
        return std::strcmp(l.code, "en") == 0;
    });
    ASSERT_NE(english, languages.end());
    EXPECT_STREQ(english->name, "English");
}

TEST(Language, UnknownCodeChangesNothing) {
    const CLanguageScope english("en");
    ASSERT_TRUE(english.Chosen());
    EXPECT_FALSE(SetLanguage("xx"));
    EXPECT_FALSE(SetLanguage(""));
    EXPECT_FALSE(SetLanguage("EN"));
    EXPECT_EQ(CurrentLanguage(), "en");
}

TEST(Language, ScopeRestoresTheLanguageBefore) {
    ASSERT_EQ(CurrentLanguage(), "de");
    {
        const CLanguageScope english("en");
        EXPECT_EQ(CurrentLanguage(), "en");
        {
            const CLanguageScope unknown("xx");
            EXPECT_FALSE(unknown.Chosen());
            EXPECT_EQ(CurrentLanguage(), "en");
        }
        EXPECT_EQ(CurrentLanguage(), "en");
    }
    EXPECT_EQ(CurrentLanguage(), "de");
}

TEST(Language, TextsOutsideTheTableComeBackAsTheyAre) {
    const CLanguageScope english("en");
    EXPECT_STREQ(Tr("/home/anna/netzteil.odr"), "/home/anna/netzteil.odr");
    EXPECT_EQ(Tr(std::string_view("12.345")), "12.345");
    EXPECT_EQ(Tr(static_cast<const char*>(nullptr)), nullptr);
    // A text of the table only as a whole: a piece of one is no text.
    EXPECT_STREQ(Tr("Datei: "), "Datei: ");
}

// --- the shipped catalogues against the template ----------------------------

std::vector<CPoMessage> Messages() {
    std::vector<CPoMessage> messages = test::TemplateMessages();
    EXPECT_GT(messages.size(), 400u) << "the template res/i18n/ohmrada.pot was not read";
    return messages;
}

std::vector<std::string> TranslatedLanguages() {
    std::vector<std::string> codes;
    for (const CLanguage& language : Languages()) {
        if (language.code != kSourceLanguage) {
            codes.emplace_back(language.code);
        }
    }
    return codes;
}

TEST(Catalogues, GermanIsEveryTextItselfByteForByte) {
    ASSERT_EQ(CurrentLanguage(), "de");
    for (const CPoMessage& message : Messages()) {
        const char* german = message.source.c_str();
        EXPECT_EQ(Tr(german), german) << message.source;
        EXPECT_EQ(Tr(std::string_view(message.source)), message.source);
    }
    EXPECT_EQ(Tr(kWindowTitle), kWindowTitle);
}

TEST(Catalogues, EveryLanguageTranslatesEveryText) {
    for (const std::string& code : TranslatedLanguages()) {
        for (const CPoMessage& message : Messages()) {
            const char* translated = TranslationIn(code, message.source);
            EXPECT_TRUE(translated != nullptr && *translated != '\0')
                << code << " lacks " << message.source;
        }
    }
}

// The marks a text's values go into, as a set ("%1", "%2").
std::multiset<std::string> Placeholders(const std::string& text) {
    std::multiset<std::string> marks;
    for (std::size_t k = 0; k + 1 < text.size(); ++k) {
        if (text[k] == '%' && text[k + 1] >= '1' && text[k + 1] <= '9') {
            marks.insert(text.substr(k, 2));
        }
    }
    return marks;
}

std::size_t Count(const std::string& text, char c) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), c));
}

TEST(Catalogues, TranslationsKeepPlaceholdersLineBreaksAndAccessKeys) {
    for (const std::string& code : TranslatedLanguages()) {
        for (const CPoMessage& message : Messages()) {
            const char* found = TranslationIn(code, message.source);
            if (found == nullptr) {
                continue;  // reported above
            }
            const std::string translated(found);
            EXPECT_EQ(Placeholders(translated), Placeholders(message.source))
                << code << ": " << message.source;
            EXPECT_EQ(Count(translated, '\n'), Count(message.source, '\n'))
                << code << ": " << message.source;
            // A menu entry or button keeps one access key.
            EXPECT_EQ(Count(translated, '&') > 0, Count(message.source, '&') > 0)
                << code << ": " << message.source;
        }
    }
}

// The desktop program may hand a text it has translated through the table
// once more; that must change nothing.
TEST(Catalogues, TranslatingTwiceChangesNothing) {
    for (const std::string& code : TranslatedLanguages()) {
        const CLanguageScope scope(code);
        for (const CPoMessage& message : Messages()) {
            const std::string once = Tr(std::string_view(message.source));
            EXPECT_EQ(Tr(std::string_view(once)), once) << code << ": " << message.source;
        }
    }
}

// The access key of a menu entry after its "&" ("&Neu" -> 'n').
char AccessKey(const char* text) {
    const char* amp = std::strchr(text, '&');
    if (amp == nullptr || amp[1] == '\0') {
        return '\0';
    }
    const char c = amp[1];
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

void ExpectDistinctKeys(const std::vector<const char*>& entries, const std::string& where) {
    std::map<char, std::string> seen;
    for (const char* entry : entries) {
        const char key = AccessKey(entry);
        if (key == '\0') {
            continue;
        }
        const auto [at, fresh] = seen.emplace(key, entry);
        EXPECT_TRUE(fresh) << where << ": \"" << entry << "\" and \"" << at->second
                           << "\" share the access key";
    }
}

// German keeps its menu as it always was ("&Speichern" and "&Speichern
// unter..." share their key); a translation gives each entry its own.
TEST(Catalogues, MenuAccessKeysAreDistinctInEveryTranslation) {
    for (const std::string& code : TranslatedLanguages()) {
        const CLanguage language{code.c_str(), ""};
        const CLanguageScope scope(language.code);
        std::vector<const char*> bar;
        for (const res::CMenuPopup& popup : res::menu::kPopups) {
            bar.push_back(Tr(popup.text));
            std::vector<const char*> entries;
            for (const res::CMenuEntry& entry : popup.entries) {
                entries.push_back(Tr(entry.text));
            }
            if (std::strcmp(popup.text, "Datei") == 0) {
                entries.push_back(Tr(res::menu::kRecentFilesMenu));
            }
            ExpectDistinctKeys(entries, std::string(language.code) + " " + popup.text);
        }
        bar.push_back(Tr(res::menu::kLanguageMenu));
        ExpectDistinctKeys(bar, std::string(language.code) + " menu bar");
    }
}

// --- the help pages in other languages ------------------------------------

std::string ReadText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Every value of the attribute in the page ("href", "id").
std::set<std::string> Attributes(const std::string& page, const std::string& name) {
    std::set<std::string> values;
    const std::string marker = name + "=\"";
    for (std::size_t at = page.find(marker); at != std::string::npos;
         at = page.find(marker, at + 1)) {
        const std::size_t begin = at + marker.size();
        values.insert(page.substr(begin, page.find('"', begin) - begin));
    }
    return values;
}

// A translation of the help has every German page by the same name, with the
// same anchors, links and the build's markers, so that F1 and every link
// find their page in either language.
TEST(HelpPages, EveryLanguageHasThePagesOfTheGerman) {
    namespace fs = std::filesystem;
    const fs::path german = OHMRADA_HELP_SOURCES;
    std::vector<fs::path> languages;
    for (const fs::directory_entry& entry : fs::directory_iterator(german)) {
        if (entry.is_directory()) {
            languages.push_back(entry.path());
        }
    }
    ASSERT_FALSE(languages.empty());
    std::size_t pages = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(german)) {
        if (entry.path().extension() != ".html") {
            continue;
        }
        ++pages;
        const std::string source = ReadText(entry.path());
        for (const fs::path& language : languages) {
            const fs::path translatedPath = language / entry.path().filename();
            SCOPED_TRACE(translatedPath.string());
            ASSERT_TRUE(fs::is_regular_file(translatedPath));
            const std::string translated = ReadText(translatedPath);
            EXPECT_NE(translated.find("lang=\"" + language.filename().string() + "\""),
                      std::string::npos);
            EXPECT_EQ(Attributes(translated, "id"), Attributes(source, "id"));
            for (const std::string& link : Attributes(translated, "href")) {
                const std::string file = link.substr(0, link.find('#'));
                EXPECT_TRUE(file.empty() || fs::is_regular_file(language / file)) << link;
            }
            for (const char* marker :
                 {"<!-- analysis windows: links -->", "<!-- analysis windows: list -->"}) {
                EXPECT_EQ(translated.find(marker) != std::string::npos,
                          source.find(marker) != std::string::npos)
                    << marker;
            }
        }
    }
    EXPECT_GT(pages, 10u);
    for (const fs::path& language : languages) {
        std::size_t translatedPages = 0;
        for (const fs::directory_entry& entry : fs::directory_iterator(language)) {
            translatedPages += entry.path().extension() == ".html" ? 1u : 0u;
        }
        EXPECT_EQ(translatedPages, pages) << language << " has pages the German help lacks";
    }
}

}  // namespace
}  // namespace ohmrada::texts
