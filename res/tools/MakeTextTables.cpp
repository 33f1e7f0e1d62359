// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the program's table of translations from the gettext catalogues of
// res/i18n: one sorted array per language, German (the source language)
// first. A catalogue names its language in its header ("Language: en") and
// the name the language menu shows ("X-Language-Name: English").
//
//   make-text-tables OUTPUT.cpp CATALOGUE.po...
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "PoCatalog.h"

namespace {

// A C++ string literal of the bytes; octal escapes, which take at most three
// digits, so that no following character joins them.
std::string Literal(const std::string& bytes) {
    std::string text = "\"";
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7F && c != '"' && c != '\\' && c != '?') {
            text += c;
        } else {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\%03o", byte);
            text += escape;
        }
    }
    return text + '"';
}

struct CLanguageFile {
    std::string code;
    std::string name;
    std::map<std::string, std::string> translations;  // sorted bytewise
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << "usage: make-text-tables OUTPUT.cpp CATALOGUE.po...\n";
        return 2;
    }
    std::vector<CLanguageFile> languages;
    for (int k = 2; k < argc; ++k) {
        std::ifstream in(argv[k], std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        if (!in) {
            std::cerr << argv[k] << ": cannot be read\n";
            return 1;
        }
        const ohmrada::texts::CPoReadResult read = ohmrada::texts::ReadPoCatalog(text.str());
        if (!read.catalog) {
            std::cerr << argv[k] << ": " << read.problem << '\n';
            return 1;
        }
        CLanguageFile language;
        language.code = read.catalog->header.contains("Language")
                            ? read.catalog->header.at("Language")
                            : std::string();
        language.name = read.catalog->header.contains("X-Language-Name")
                            ? read.catalog->header.at("X-Language-Name")
                            : language.code;
        if (language.code.empty() || language.code == "de") {
            std::cerr << argv[k] << ": the header needs \"Language:\" with a code other than de\n";
            return 1;
        }
        for (const auto& message : read.catalog->messages) {
            if (!message.translation.empty()) {
                language.translations[message.source] = message.translation;
            }
        }
        languages.push_back(std::move(language));
    }
    std::sort(languages.begin(), languages.end(),
              [](const CLanguageFile& a, const CLanguageFile& b) { return a.code < b.code; });

    std::ostringstream out;
    out << "// Written by make-text-tables from res/i18n; do not edit.\n"
        << "#include \"TextTables.h\"\n\nnamespace ohmrada::texts::detail {\n\nnamespace {\n\n";
    for (std::size_t k = 0; k < languages.size(); ++k) {
        out << "const CTranslation kTranslations" << k << "[] = {\n";
        for (const auto& [source, translation] : languages[k].translations) {
            out << "    {" << Literal(source) << ", " << Literal(translation) << "},\n";
        }
        if (languages[k].translations.empty()) {
            out << "    {\"\", \"\"},\n";
        }
        out << "};\n\n";
    }
    out << "const CLanguageTable kTables[] = {\n    {\"de\", \"Deutsch\", {}},\n";
    for (std::size_t k = 0; k < languages.size(); ++k) {
        out << "    {" << Literal(languages[k].code) << ", " << Literal(languages[k].name)
            << ", kTranslations" << k << "},\n";
    }
    out << "};\n\n}  // namespace\n\nstd::span<const CLanguageTable> LanguageTables() {\n"
        << "    return kTables;\n}\n\n}  // namespace ohmrada::texts::detail\n";

    // Rewritten only when it changes, so that nothing rebuilds for nothing.
    const std::string written = out.str();
    {
        std::ifstream old(argv[1], std::ios::binary);
        std::stringstream before;
        before << old.rdbuf();
        if (old && before.str() == written) {
            return 0;
        }
    }
    std::ofstream file(argv[1], std::ios::binary | std::ios::trunc);
    file << written;
    return file.flush() ? 0 : 1;
}
