// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace ohmrada::cli {

// ohmrada-calc: the main form without a window.
//
//   ohmrada-calc [--format table|json|csv] [--set NAME=TEXT]... [--save FILE]
//                [--] [FILE|-]...
//   ohmrada-calc simulate ...   (SimulateCommand.h)
//
// Every input is evaluated in a freshly started form (a CMemoryPlatform with
// a new CMainDialog that has run its start-up) through the Open command,
// exactly as the window loads a file; "-" reads the configuration from `in`.
// Without an input the start-up configuration is shown. The --set entries
// are then applied in order, each as the user would do it on the form, and
// --save writes the result through Save As. RunCalc prints the forms to
// `out` and diagnostics to `err`.
//
// args are the arguments after the program's name. Returns the exit status:
// 0 when everything succeeded, 2 after a usage error (nothing is evaluated),
// an input that could not be read or a --set that could not be applied
// (reported, left out of the output, the other inputs still evaluated), a
// --save that failed, or output that could not be written.
int RunCalc(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
            std::ostream& err);

// The inputs of a command, or the start-up configuration (nothing) when
// there are none.
std::vector<std::optional<std::string>> InputsOrStartUp(const std::vector<std::string>& inputs);

// The program's version, "3.0.0".
const char* Version();

}  // namespace ohmrada::cli
