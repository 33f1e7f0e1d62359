// SPDX-License-Identifier: GPL-3.0-or-later
// The desktop program exactly as `ohmrada` runs it, ending right after its
// window was first painted, so that its start can be timed.
#include "Application.h"

int main(int argc, char** argv) {
    ohmrada::qt::CRunOptions options;
    options.exitAfterFirstPaint = true;
    return ohmrada::qt::RunOhmrada(argc, argv, options);
}
