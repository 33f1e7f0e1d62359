// SPDX-License-Identifier: GPL-3.0-or-later
// ohmrada-calc: the form's logic on the command line. Everything happens in
// RunCalc; this only hands it the arguments and the standard streams.
#include <csignal>
#include <iostream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "CalcTool.h"

int main(int argc, char** argv) {
#ifdef _WIN32
    // Configurations are 8-bit text with CR LF: read standard input as bytes.
    _setmode(_fileno(stdin), _O_BINARY);
#endif
#ifdef SIGXFSZ
    // A write past the file size limit (ulimit -f) then fails with EFBIG,
    // which the program reports, instead of ending the program unannounced.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        args.emplace_back(argv[i]);
    }
    return ohmrada::cli::RunCalc(args, std::cin, std::cout, std::cerr);
}
