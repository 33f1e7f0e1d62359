// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A gettext catalogue (.po) as the build reads it into the program's table
// of texts, and as the tests read it to hold every language complete. Only
// what the program's catalogues use is understood: comments, the flag
// "fuzzy", msgctxt, msgid and msgstr with C escapes, strings continued on
// the following lines. Plural forms are refused.

namespace ohmrada::texts {

// One message: the German source text and its translation (empty when not
// yet translated or marked fuzzy, which translators' tools treat alike).
struct CPoMessage {
    std::string context;
    std::string source;
    std::string translation;
    int line = 0;  // where its msgid stands, for messages about it
};

struct CPoCatalog {
    // The header's fields ("Language" -> "en"), from the entry of the empty msgid.
    std::map<std::string, std::string> header;
    std::vector<CPoMessage> messages;  // in the file's order, without the header
};

// The catalogue, or a sentence naming the line that could not be read.
struct CPoReadResult {
    std::optional<CPoCatalog> catalog;
    std::string problem;
};

CPoReadResult ReadPoCatalog(std::string_view text);

}  // namespace ohmrada::texts
