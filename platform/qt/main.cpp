// SPDX-License-Identifier: GPL-3.0-or-later
// Ohmrada: dimensioning of a linear mains power supply.
#include "Application.h"

int main(int argc, char** argv) {
    return ohmrada::qt::RunOhmrada(argc, argv);
}
