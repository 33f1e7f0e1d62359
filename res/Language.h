// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <span>
#include <string>
#include <string_view>

// The language of the user-visible texts. The program's texts are written in
// German where they are defined (the headers of res/ and the form's
// templates); every place that shows one passes it through Tr(), which
// returns it unchanged in German and otherwise looks it up, by its German
// text, in the table the build makes from the catalogues res/i18n/*.po. A
// text the chosen language lacks stays German (the tests hold every
// catalogue complete).
//
// The language is chosen once at start (ohmrada --language, the menu's
// stored choice, ohmrada-calc --language) and read by every thread after.

namespace ohmrada::texts {

// A language the program speaks: its code ("de", "en") and its own name
// ("Deutsch", "English").
struct CLanguage {
    const char* code;
    const char* name;
};

// Every language, German (the source) first, then those of the catalogues.
std::span<const CLanguage> Languages();

// The German source language's code.
inline constexpr std::string_view kSourceLanguage = "de";

// Chooses the language by its code; false (and nothing changed) for a code
// the program does not know.
bool SetLanguage(std::string_view code);

// The chosen language's code ("de" until another is chosen).
std::string_view CurrentLanguage();

// The text in the chosen language: the German text itself in German, or
// where the chosen language has no translation of it; nullptr stays nullptr.
const char* Tr(const char* german);
std::string Tr(std::string_view german);

// The translation of a German text into the given language, nullptr when
// that language has none (German has none: it is the source).
const char* TranslationIn(std::string_view code, std::string_view german);

// "de, en": the known codes, for messages about an unknown one.
std::string LanguageCodes();

// Chooses a language for as long as it lives and then restores the one
// before (the command line's runs, the tests).
class CLanguageScope {
public:
    explicit CLanguageScope(std::string_view code);
    ~CLanguageScope();
    CLanguageScope(const CLanguageScope&) = delete;
    CLanguageScope& operator=(const CLanguageScope&) = delete;

    // False when the code was unknown (the language is then unchanged).
    bool Chosen() const { return m_chosen; }

private:
    std::string m_before;
    bool m_chosen;
};

}  // namespace ohmrada::texts
