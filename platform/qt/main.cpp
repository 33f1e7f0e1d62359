// SPDX-License-Identifier: GPL-3.0-or-later
// Ohmrada: dimensioning of a linear mains power supply.
#include <csignal>

#include "Application.h"

int main(int argc, char** argv) {
    // A save past the file size limit (ulimit -f) fails with EFBIG, which
    // the window reports, instead of ending the program unannounced.
    std::signal(SIGXFSZ, SIG_IGN);
    return ohmrada::qt::RunOhmrada(argc, argv);
}
