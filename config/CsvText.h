// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

namespace ohmrada {

// A CSV field after RFC 4180: quoted, with '"' doubled, when it holds a comma,
// a quote, a CR or an LF; otherwise unchanged. A text that a spreadsheet
// would run as a formula (it starts with '=', '+', '-', '@', a tab or a CR,
// is longer than that one character and is not a number) is quoted with a
// "'" put before it, so it shows as text. The bytes pass through as they are.
// Every CSV the program writes (the command line's, a parts list) takes its
// text cells through it.
std::string CsvField(std::string_view text);

}  // namespace ohmrada
