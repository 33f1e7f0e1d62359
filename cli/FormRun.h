// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "Arguments.h"
#include "Design.h"

namespace ohmrada::cli {

// What the form shows after one input was opened and the settings applied.
struct CFormView {
    std::optional<std::string> input;  // nothing: the start-up configuration
    // The text of every field, in the order of res::ValueControls() (empty for
    // the check box and the radio buttons).
    std::vector<std::string> texts;
    bool centreTapChecked = false;
    bool centreTapEnabled = false;
    std::optional<int> rectifierButton;
    std::vector<std::string> messages;  // shown after start-up
    int beeps = 0;                      // sounded after start-up
    CDesign design;                     // what the form's model holds at the end
};

// The outcome of one input. Without a view the input could not be evaluated
// as asked (it could not be read, was empty, or a --set could not be
// applied); the diagnostics (one line each, ending in a newline) say why. A
// failed --save is reported too, and so is a file that ended before its
// fourteenth line, but the view is there.
struct CFormRun {
    std::optional<CFormView> view;
    std::string diagnostics;
    bool saveFailed = false;
};

// Runs one input through a freshly started form (an in-memory form with a new
// main dialog that has run its start-up), exactly as the window does: the
// Open command loads the file ("-" reads the configuration from `in`), each
// setting acts as the user would on the form, and a save path is written
// through Save As. Without an input the start-up configuration is shown.
CFormRun RunForm(const std::optional<std::string>& input, const std::vector<CSetting>& settings,
                 const std::optional<std::string>& savePath, std::istream& in);

// Why a file could not be opened, read or written, in English whatever the
// process locale is (strerror follows LC_MESSAGES).
std::string ReasonText(const std::error_code& error);

// How an input is named in diagnostics: its quoted path, or "the start-up
// configuration".
std::string DescribeInput(const std::optional<std::string>& input);

// How the table views name an input: its quoted path, "(Standardeingabe)"
// or "(Startwerte)".
std::string InputTitle(const std::optional<std::string>& input);

}  // namespace ohmrada::cli
