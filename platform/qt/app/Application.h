// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace ohmrada::qt {

// What the program's command line asks for, once Qt has taken its own
// options (-platform, -style, ...): nothing, or one configuration file to
// open. --help (-h) and --version (-v) anywhere on the line ask for the
// usage or the version: answer then holds the text for standard output, and
// the program ends with 0 without opening a window. Any other argument that
// begins with "-" is an option the program does not have (a file of such a
// name is given as ./-name), and more than one file is refused: error then
// holds the message for standard error. --language CODE (or
// --language=CODE) chooses the language of the texts for this run.
struct CCommandLine {
    std::optional<std::string> file;
    std::optional<std::string> language;
    std::optional<std::string> error;
    std::optional<std::string> answer;
};

// arguments: the command line without the program's name.
CCommandLine ParseCommandLine(const std::vector<std::string>& arguments);

struct CRunOptions {
    // Ends the program as soon as the main window has been painted once
    // (for measuring the start-up), printing "ohmrada: painted" first.
    bool exitAfterFirstPaint = false;
};

// The whole desktop program: the Qt application in the chosen language and the
// program's icon, the platform with the help pages found beside the program,
// and CSupplyApp running the main dialog until it ends, with the file the
// command line names opened once the form is shown. Returns the exit code:
// 2, with a message on standard error, for a command line it cannot follow.
int RunOhmrada(int& argc, char** argv, const CRunOptions& options = {});

}  // namespace ohmrada::qt
