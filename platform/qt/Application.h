// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace ohmrada::qt {

struct CRunOptions {
    // Ends the program as soon as the main window has been painted once
    // (for measuring the start-up), printing "ohmrada: painted" first.
    bool exitAfterFirstPaint = false;
};

// The whole desktop program: the Qt application with German texts and the
// program's icon, the platform with the help pages found beside the program,
// and CSupplyApp running the main dialog until it ends. Returns the exit code.
int RunOhmrada(int& argc, char** argv, const CRunOptions& options = {});

}  // namespace ohmrada::qt
