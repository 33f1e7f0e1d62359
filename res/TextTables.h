// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <span>
#include <string_view>

// The translations as the build writes them from res/i18n/*.po
// (res/tools/MakeTextTables.cpp); read through Language.h.

namespace ohmrada::texts::detail {

struct CTranslation {
    std::string_view source;  // the German text
    const char* text;         // its translation
};

struct CLanguageTable {
    const char* code;
    const char* name;
    // Sorted by source, bytewise; empty for German.
    std::span<const CTranslation> translations;
};

// German first, then every catalogue by its code.
std::span<const CLanguageTable> LanguageTables();

}  // namespace ohmrada::texts::detail
