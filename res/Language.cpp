// SPDX-License-Identifier: GPL-3.0-or-later
#include "Language.h"

#include <algorithm>
#include <atomic>
#include <vector>

#include "TextTables.h"

namespace ohmrada::texts {

namespace {

using detail::CLanguageTable;
using detail::CTranslation;

const CLanguageTable* TableOf(std::string_view code) {
    for (const CLanguageTable& table : detail::LanguageTables()) {
        if (code == table.code) {
            return &table;
        }
    }
    return nullptr;
}

// The chosen table; German (the first) until another is chosen.
std::atomic<const CLanguageTable*>& Chosen() {
    static std::atomic<const CLanguageTable*> chosen{detail::LanguageTables().data()};
    return chosen;
}

const char* Find(const CLanguageTable& table, std::string_view german) {
    const auto found = std::lower_bound(
        table.translations.begin(), table.translations.end(), german,
        [](const CTranslation& entry, std::string_view text) { return entry.source < text; });
    if (found == table.translations.end() || found->source != german) {
        return nullptr;
    }
    return found->text;
}

}  // namespace

std::span<const CLanguage> Languages() {
    static const std::vector<CLanguage> languages = [] {
        std::vector<CLanguage> list;
        for (const CLanguageTable& table : detail::LanguageTables()) {
            list.push_back({table.code, table.name});
        }
        return list;
    }();
    return languages;
}

bool SetLanguage(std::string_view code) {
    const CLanguageTable* table = TableOf(code);
    if (table == nullptr) {
        return false;
    }
    Chosen().store(table);
    return true;
}

std::string_view CurrentLanguage() {
    return Chosen().load()->code;
}

const char* Tr(const char* german) {
    if (german == nullptr) {
        return nullptr;
    }
    const CLanguageTable* table = Chosen().load();
    if (table->translations.empty()) {
        return german;
    }
    const char* translated = Find(*table, german);
    return translated != nullptr ? translated : german;
}

std::string Tr(std::string_view german) {
    const CLanguageTable* table = Chosen().load();
    const char* translated = table->translations.empty() ? nullptr : Find(*table, german);
    return translated != nullptr ? std::string(translated) : std::string(german);
}

const char* TranslationIn(std::string_view code, std::string_view german) {
    const CLanguageTable* table = TableOf(code);
    return table == nullptr ? nullptr : Find(*table, german);
}

std::string LanguageCodes() {
    std::string codes;
    for (const CLanguage& language : Languages()) {
        codes += (codes.empty() ? "" : ", ") + std::string(language.code);
    }
    return codes;
}

CLanguageScope::CLanguageScope(std::string_view code)
    : m_before(CurrentLanguage()), m_chosen(SetLanguage(code)) {}

CLanguageScope::~CLanguageScope() {
    SetLanguage(m_before);
}

}  // namespace ohmrada::texts
