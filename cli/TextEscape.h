// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CsvText.h"
#include "NumberText.h"  // ShortestNumber

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace ohmrada::cli {

// The texts ohmrada-calc prints come from the form (ASCII and UTF-8) and from
// the command line (paths: any bytes). These helpers make them safe for each
// output without depending on the process locale.

// The length of the well-formed UTF-8 sequence that starts text at pos, or 0
// when the byte there does not start one (a stray continuation byte, an
// overlong form, a surrogate, a value above U+10FFFF, a truncated sequence).
std::size_t Utf8SequenceLength(std::string_view text, std::size_t pos);

// The number of characters a UTF-8 text shows as: every well-formed sequence
// and every byte that is not part of one counts one.
std::size_t DisplayWidth(std::string_view text);

// A JSON string literal, quotes included. '"' and '\' are escaped with a
// backslash, every control character (U+0000..U+001F and U+007F) as \u00XX,
// and every byte that is not part of well-formed UTF-8 is replaced by U+FFFD,
// one per byte, so the output is always valid UTF-8 and valid JSON.
std::string JsonString(std::string_view text);

// A CSV field after RFC 4180, safe from spreadsheets (config/CsvText.h).
using ohmrada::CsvField;

// A text for a one-line diagnostic, in double quotes: '"' and '\' escaped with
// a backslash, the control characters as \n, \r, \t or \xXX, and bytes that
// are not well-formed UTF-8 as \xXX, so the reader sees exactly which bytes
// the name holds.
std::string QuoteForDiagnostic(std::string_view text);

// A JSON string, or null without a text (an input that is the start-up
// design).
std::string JsonStringOrNull(const std::optional<std::string>& text);

// A JSON number: the shortest text, or null where the value is not finite.
std::string JsonNumber(float value);
std::string JsonNumber(double value);

}  // namespace ohmrada::cli
