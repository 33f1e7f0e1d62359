// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <charconv>
#include <istream>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "CalcTool.h"

namespace ohmrada::test {

// One run of ohmrada-calc's entry point with its exit status and what it
// wrote to standard output and standard error.
struct CRun {
    int status = -1;
    std::string out;
    std::string err;
};

inline CRun RunTool(const std::vector<std::string>& args, std::istream& in) {
    std::ostringstream out;
    std::ostringstream err;
    CRun run;
    run.status = cli::RunCalc(args, in, out, err);
    run.out = out.str();
    run.err = err.str();
    return run;
}

inline CRun RunTool(const std::vector<std::string>& args, const std::string& standardInput = "") {
    std::istringstream in(standardInput);
    return RunTool(args, in);
}

// The form's configuration file saved at path after the settings
// ("KEY=VALUE", each given as --set).
inline CRun SaveWithSettings(const std::string& path, const std::vector<std::string>& settings) {
    std::vector<std::string> args;
    for (const std::string& setting : settings) {
        args.insert(args.end(), {"--set", setting});
    }
    args.insert(args.end(), {"--save", path});
    return RunTool(args);
}

// A number the tool printed, read with "." as the point whatever the process
// locale (the suite also runs under German and French locales); NaN when the
// text is not a number.
inline double Number(const std::string& text) {
    double value = 0.0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return result.ec == std::errc() ? value : std::numeric_limits<double>::quiet_NaN();
}

}  // namespace ohmrada::test
