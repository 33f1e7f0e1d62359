// SPDX-License-Identifier: GPL-3.0-or-later
#include "CsvText.h"

#include <charconv>

namespace ohmrada {

namespace {

// A text a spreadsheet would take for a formula: it starts with '=', '+',
// '-', '@', a tab or a CR, has something after it (a lone "-", standard
// input's name, is no formula), and is not simply a number ("-0.500").
bool StartsLikeFormula(std::string_view text) {
    if (text.size() < 2 ||
        std::string_view("=+-@\t\r").find(text.front()) == std::string_view::npos) {
        return false;
    }
    double value = 0.0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    return error != std::errc() || stop != end;
}

}  // namespace

std::string CsvField(std::string_view text) {
    const bool formula = StartsLikeFormula(text);
    if (!formula && text.find_first_of(",\"\r\n") == std::string_view::npos) {
        return std::string(text);
    }
    std::string out;
    out.reserve(text.size() + 3);
    out.push_back('"');
    if (formula) {
        out.push_back('\'');
    }
    for (const char c : text) {
        if (c == '"') {
            out.push_back('"');
        }
        out.push_back(c);
    }
    out.push_back('"');
    return out;
}

}  // namespace ohmrada
