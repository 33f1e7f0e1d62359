// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace ohmrada::cli {

//   design --voltage V --current A [--mains-frequency 50|60] [--mains-tolerance LOW:HIGH]
//          [--capacitor-tolerance PCT] [--ambient C] [--circuit einweg|bruecke|mittelpunkt]
//          [--max-va VA] [--count N] [--format table|json|csv] [--save FILE.odr]
//          [--catalog FILE]...
// The designs from the parts catalogues that meet the requirements, best
// first, each proved by the circuit at the worst-case corners. Exit 1 when
// none passes (the reasons and the nearest failures on err), 2 on a usage
// error or a catalogue file that cannot be read.
int RunDesignCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                     std::ostream& err);

}  // namespace ohmrada::cli
