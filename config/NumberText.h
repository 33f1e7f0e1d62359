// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

namespace ohmrada {

// Reads the number at the start of a text the way the C library's atof does in
// the "C" locale, whatever the process locale is: leading white space is
// skipped, then the longest prefix of an optional sign, digits with an
// optional "." and an optional exponent is converted; the rest is ignored. A
// text without such a prefix gives 0. "1,5" reads 1, "2e3" 2000, "12 V" 12.
// Hexadecimal, "inf" and "nan" are not numbers here and give 0. A magnitude
// beyond double gives an infinity of its sign, one below it gives zero.
double ParseNumberPrefix(std::string_view text);

// Narrows to single precision. A value beyond the largest finite float is held
// as the largest finite float of its sign instead of becoming infinite, so no
// entry puts an infinity into the model.
float ToSingleClamped(double value);

// ParseNumberPrefix followed by ToSingleClamped: a field's or a file line's
// text as the model's single-precision number.
float ReadNumber(std::string_view text);

// Formats a value as the form shows it: decimals digits after a ".", a
// leading "-" for a negative value, no thousands separator, independent of
// the process locale; texts::kUndefinedValue for infinities and NaN. A
// negative zero shows as zero.
std::string FormatFieldValue(float value, int decimals);

// The shortest text that reads back as the same value ("0.1", "1e+30"),
// independent of the process locale; empty for infinities and NaN. Every
// table and file beyond the form writes numbers this way.
std::string ShortestNumber(float value);
std::string ShortestNumber(double value);
// The same appended to text (a table's row without a string per number).
void AppendShortestNumber(std::string& text, float value);
void AppendShortestNumber(std::string& text, double value);

// "true" or "false", as CSV and JSON write a truth value.
std::string_view BoolText(bool value);

}  // namespace ohmrada
