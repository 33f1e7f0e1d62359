// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "Language.h"
#include "PoCatalog.h"

// The German texts that must not show in another language: every text of
// the template res/i18n/ohmrada.pot cut at its placeholders and line
// breaks, each piece that is a word or longer and that the language's own
// translations never use (so "ngspice:" or "Tj,max", the same in both,
// are left out).

#ifndef OHMRADA_TEXT_TEMPLATE
#error "OHMRADA_TEXT_TEMPLATE must name res/i18n/ohmrada.pot"
#endif

namespace ohmrada::test {

inline std::vector<texts::CPoMessage> TemplateMessages() {
    std::ifstream in(OHMRADA_TEXT_TEMPLATE, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    const texts::CPoReadResult read = texts::ReadPoCatalog(text.str());
    return read.catalog ? read.catalog->messages : std::vector<texts::CPoMessage>{};
}

// The pieces of a text between its placeholders ("%1") and line breaks,
// without soft hyphens, blanks and colons around them.
inline std::vector<std::string> Pieces(std::string text) {
    for (std::size_t at = text.find("\xC2\xAD"); at != std::string::npos;
         at = text.find("\xC2\xAD")) {
        text.erase(at, 2);
    }
    std::vector<std::string> pieces;
    std::string piece;
    const auto finish = [&] {
        const std::size_t begin = piece.find_first_not_of(" :,.()");
        const std::size_t end = piece.find_last_not_of(" :,.()");
        if (begin != std::string::npos) {
            pieces.push_back(piece.substr(begin, end - begin + 1));
        }
        piece.clear();
    };
    for (std::size_t k = 0; k < text.size(); ++k) {
        if (text[k] == '\n') {
            finish();
        } else if (text[k] == '%' && k + 1 < text.size() && text[k + 1] >= '1' &&
                   text[k + 1] <= '9') {
            finish();
            ++k;
        } else {
            piece += text[k];
        }
    }
    finish();
    return pieces;
}

// The German pieces to look for in what the program shows in the language.
inline std::vector<std::string> GermanPieces(std::string_view code) {
    const std::vector<texts::CPoMessage> messages = TemplateMessages();
    std::string allTranslations;
    for (const texts::CPoMessage& message : messages) {
        if (const char* translated = texts::TranslationIn(code, message.source)) {
            allTranslations += translated;
            allTranslations += '\n';
        }
    }
    std::vector<std::string> pieces;
    for (const texts::CPoMessage& message : messages) {
        for (const std::string& piece : Pieces(message.source)) {
            if (piece.size() >= 4 && allTranslations.find(piece) == std::string::npos &&
                std::find(pieces.begin(), pieces.end(), piece) == pieces.end()) {
                pieces.push_back(piece);
            }
        }
    }
    return pieces;
}

inline bool IsLetter(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c >= 0x80;
}

// The German pieces found in the text as whole words (a piece inside a
// longer word, like "Rang" in "Range", does not count).
inline std::vector<std::string> GermanFound(const std::string& text, std::string_view code) {
    std::vector<std::string> found;
    for (const std::string& piece : GermanPieces(code)) {
        for (std::size_t at = text.find(piece); at != std::string::npos;
             at = text.find(piece, at + 1)) {
            const bool startsWord = at == 0 ||
                                    !IsLetter(static_cast<unsigned char>(text[at - 1])) ||
                                    !IsLetter(static_cast<unsigned char>(piece.front()));
            const std::size_t end = at + piece.size();
            const bool endsWord = end == text.size() ||
                                  !IsLetter(static_cast<unsigned char>(text[end])) ||
                                  !IsLetter(static_cast<unsigned char>(piece.back()));
            if (startsWord && endsWord) {
                found.push_back(piece);
                break;
            }
        }
    }
    return found;
}

}  // namespace ohmrada::test
