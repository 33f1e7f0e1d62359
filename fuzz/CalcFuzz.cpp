// SPDX-License-Identifier: GPL-3.0-or-later
// ohmrada-calc's argument handling: the input split at NUL bytes gives the
// arguments, the last piece is standard input. Runs in a scratch folder of
// its own, and arguments naming another folder are not tried, so that --save
// can only ever write there. ngspice is kept out (see below).

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "CalcTool.h"
#include "FormChecks.h"

namespace fs = std::filesystem;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const fs::path scratch = fs::temp_directory_path() / "ohmrada-calc-fuzz";
    fs::create_directories(scratch);
    fs::current_path(scratch);
    // "simulate" would run ngspice, a program of its own with memory it keeps
    // for good and tens of milliseconds a run: its arguments and inputs are
    // fuzzed here, and the simulation ends as without ngspice.
    setenv("OHMRADA_NGSPICE_LIBRARY", "ohmrada-fuzz-without-ngspice.so", 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool initialised = (LLVMFuzzerInitialize(nullptr, nullptr), true);
    (void)initialised;

    std::vector<std::string> pieces(1);
    for (std::size_t i = 0; i < size; ++i) {
        const char c = static_cast<char>(data[i]);
        if (c == '\0') {
            pieces.emplace_back();
        } else {
            pieces.back().push_back(c);
        }
    }
    const std::string input = pieces.back();
    pieces.pop_back();
    if (pieces.size() > 16) {
        return 0;
    }
    for (const std::string& arg : pieces) {
        if (arg.find('/') != std::string::npos || arg.find('\\') != std::string::npos) {
            return 0;
        }
    }

    std::istringstream in(input);
    std::ostringstream out;
    std::ostringstream err;
    const int status = ohmrada::cli::RunCalc(pieces, in, out, err);
    // design ends with 1 when no candidate meets the requirement.
    const bool nothingMeets = status == 1 && !pieces.empty() && pieces.front() == "design";
    if (status != 0 && status != 2 && !nothingMeets) {
        ohmrada::FuzzFailure("exit status " + std::to_string(status));
    }
    if ((status == 2 || nothingMeets) && err.str().empty()) {
        ohmrada::FuzzFailure("exit status 2 without a diagnostic");
    }
    const std::string printed = out.str();
    if (printed.find("inf") != std::string::npos || printed.find("nan") != std::string::npos) {
        // Only a file name or a typed text could bring these letters; the
        // form itself never shows them.
        bool fromArguments =
            input.find("inf") != std::string::npos || input.find("nan") != std::string::npos;
        for (const std::string& arg : pieces) {
            fromArguments = fromArguments || arg.find("inf") != std::string::npos ||
                            arg.find("nan") != std::string::npos;
        }
        if (!fromArguments) {
            ohmrada::FuzzFailure("output shows a raw inf or nan:\n" + printed);
        }
    }
    return 0;
}
