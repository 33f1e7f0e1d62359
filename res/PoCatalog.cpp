// SPDX-License-Identifier: GPL-3.0-or-later
#include "PoCatalog.h"

#include <cstddef>

namespace ohmrada::texts {

namespace {

struct CLine {
    std::string_view text;
    int number;
};

std::vector<CLine> SplitLines(std::string_view text) {
    std::vector<CLine> lines;
    int number = 1;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        lines.push_back({line, number++});
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    }
    return lines;
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

int OctalDigit(char c) {
    return c >= '0' && c <= '7' ? c - '0' : -1;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// A quoted string with C escapes ("a\"b\n"); nothing when it is not one.
std::optional<std::string> Unquoted(std::string_view text) {
    text = Trimmed(text);
    if (text.size() < 2 || text.front() != '"' || text.back() != '"') {
        return std::nullopt;
    }
    text = text.substr(1, text.size() - 2);
    std::string value;
    for (std::size_t k = 0; k < text.size(); ++k) {
        const char c = text[k];
        if (c == '"') {
            return std::nullopt;  // a quote inside must be escaped
        }
        if (c != '\\') {
            value += c;
            continue;
        }
        if (++k == text.size()) {
            return std::nullopt;
        }
        switch (const char e = text[k]) {
            case 'n':
                value += '\n';
                break;
            case 't':
                value += '\t';
                break;
            case 'r':
                value += '\r';
                break;
            case '"':
                value += '"';
                break;
            case '\\':
                value += '\\';
                break;
            case 'x': {
                int byte = 0;
                int digits = 0;
                while (k + 1 < text.size() && digits < 2 && HexDigit(text[k + 1]) >= 0) {
                    byte = byte * 16 + HexDigit(text[++k]);
                    ++digits;
                }
                if (digits == 0) {
                    return std::nullopt;
                }
                value += static_cast<char>(byte);
                break;
            }
            default: {
                if (OctalDigit(e) < 0) {
                    return std::nullopt;
                }
                int byte = OctalDigit(e);
                for (int digits = 1;
                     digits < 3 && k + 1 < text.size() && OctalDigit(text[k + 1]) >= 0; ++digits) {
                    byte = byte * 8 + OctalDigit(text[++k]);
                }
                if (byte > 255) {
                    return std::nullopt;
                }
                value += static_cast<char>(byte);
            }
        }
    }
    return value;
}

std::map<std::string, std::string> HeaderFields(std::string_view text) {
    std::map<std::string, std::string> fields;
    for (const CLine& line : SplitLines(text)) {
        const std::size_t colon = line.text.find(':');
        if (colon != std::string_view::npos) {
            fields[std::string(Trimmed(line.text.substr(0, colon)))] =
                std::string(Trimmed(line.text.substr(colon + 1)));
        }
    }
    return fields;
}

std::string Problem(int line, std::string_view what) {
    return "line " + std::to_string(line) + ": " + std::string(what);
}

}  // namespace

CPoReadResult ReadPoCatalog(std::string_view text) {
    CPoCatalog catalog;
    enum class EField { kNone, kContext, kSource, kTranslation };
    struct CEntry {
        std::optional<std::string> context;
        std::optional<std::string> source;
        std::optional<std::string> translation;
        bool fuzzy = false;
        int line = 0;
    };
    CEntry entry;
    EField field = EField::kNone;
    bool seenHeader = false;

    // Ends the entry read so far; a problem when it is incomplete.
    const auto finish = [&](int line) -> std::string {
        if (!entry.source && !entry.translation && !entry.context) {
            entry = {};
            return {};
        }
        if (!entry.source || !entry.translation) {
            return Problem(line, "an entry needs both msgid and msgstr");
        }
        if (entry.source->empty()) {
            if (seenHeader) {
                return Problem(entry.line, "a second header (empty msgid)");
            }
            seenHeader = true;
            catalog.header = HeaderFields(*entry.translation);
        } else {
            catalog.messages.push_back({entry.context.value_or(std::string()), *entry.source,
                                        entry.fuzzy ? std::string() : *entry.translation,
                                        entry.line});
        }
        entry = {};
        field = EField::kNone;
        return {};
    };

    for (const CLine& line : SplitLines(text)) {
        const std::string_view content = Trimmed(line.text);
        if (content.empty()) {
            if (std::string problem = finish(line.number); !problem.empty()) {
                return {std::nullopt, problem};
            }
            continue;
        }
        if (content.front() == '#') {
            if (entry.translation) {
                if (std::string problem = finish(line.number); !problem.empty()) {
                    return {std::nullopt, problem};
                }
            }
            if (content.starts_with("#,") && content.find("fuzzy") != std::string_view::npos) {
                entry.fuzzy = true;
            }
            continue;
        }
        if (content.front() == '"') {
            const std::optional<std::string> more = Unquoted(content);
            if (!more) {
                return {std::nullopt, Problem(line.number, "a string that is not well quoted")};
            }
            std::optional<std::string>* target = field == EField::kContext  ? &entry.context
                                                 : field == EField::kSource ? &entry.source
                                                 : field == EField::kTranslation
                                                     ? &entry.translation
                                                     : nullptr;
            if (target == nullptr) {
                return {std::nullopt, Problem(line.number, "a string outside an entry")};
            }
            **target += *more;
            continue;
        }
        const std::size_t space = content.find_first_of(" \t");
        const std::string_view keyword = content.substr(0, space);
        const std::optional<std::string> value =
            space == std::string_view::npos ? std::nullopt : Unquoted(content.substr(space));
        if (keyword == "msgid_plural" || keyword.starts_with("msgstr[")) {
            return {std::nullopt, Problem(line.number, "plural forms are not used")};
        }
        if (keyword != "msgctxt" && keyword != "msgid" && keyword != "msgstr") {
            return {std::nullopt, Problem(line.number, "unknown keyword")};
        }
        if (!value) {
            return {std::nullopt, Problem(line.number, "a string that is not well quoted")};
        }
        if (keyword == "msgctxt" || (keyword == "msgid" && entry.translation)) {
            if (entry.translation) {
                if (std::string problem = finish(line.number); !problem.empty()) {
                    return {std::nullopt, problem};
                }
            }
        }
        if (keyword == "msgctxt") {
            if (entry.context || entry.source) {
                return {std::nullopt, Problem(line.number, "msgctxt out of place")};
            }
            entry.context = value;
            field = EField::kContext;
        } else if (keyword == "msgid") {
            if (entry.source) {
                return {std::nullopt, Problem(line.number, "msgid without msgstr before it")};
            }
            entry.source = value;
            entry.line = line.number;
            field = EField::kSource;
        } else {
            if (!entry.source || entry.translation) {
                return {std::nullopt, Problem(line.number, "msgstr without msgid")};
            }
            entry.translation = value;
            field = EField::kTranslation;
        }
    }
    if (std::string problem = finish(static_cast<int>(SplitLines(text).size())); !problem.empty()) {
        return {std::nullopt, problem};
    }
    return {std::move(catalog), {}};
}

}  // namespace ohmrada::texts
