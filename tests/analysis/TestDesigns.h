// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Designs the analysis tests run on: the start-up design (centre-tap circuit
// on a centre-tapped winding) and one design for each of the other two
// circuits, each holding its target at nominal mains with some headroom.

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <string>
#include <vector>

#include "Configuration.h"
#include "Design.h"
#include "LineIo.h"
#include "Rectifier.h"

namespace ohmrada::test {

struct CNamedDesign {
    std::string name;
    CDesign design;
};

inline void PrintTo(const CNamedDesign& named, std::ostream* out) {
    *out << named.name;
}

// Values by EInput as the model stores them (whole winding).
inline CDesign MakeDesign(int centreTap, const char* circuit,
                          std::array<float, kInputCount> values) {
    CDesign design;
    design.centreTap = centreTap;
    design.circuit = circuit;
    design.values = values;
    return design;
}

inline std::vector<CNamedDesign> DesignPerCircuit() {
    //                     NennU  LeerU NennI DiffU BahnR  KondC   Ubger Ib    Rja   Tu     DeltU
    //                     ReglR
    return {
        {"start_up_centre_tap", CDesign::StartUp()},
        {"half_wave", MakeDesign(0, CRectifier::kHalfWave,
                                 {15.0f, 17.0f, 1.0f, 0.6f, 0.05f, 4700.0f, 9.0f, 0.5f, 8.0f, 25.0f,
                                  2.0f, 0.05f})},
        {"bridge", MakeDesign(0, CRectifier::kBridge,
                              {24.0f, 27.0f, 4.0f, 0.7f, 0.03f, 10000.0f, 24.0f, 2.5f, 2.5f, 40.0f,
                               1.5f, 0.02f})},
    };
}

// The example designs kept as files (tests/data), as the form opens them:
// a bridge 12 V / 1 A from 15 V 1.5 A, a centre tap 9 V / 2 A from
// 2 x 12 V 2.5 A and a half-wave 5 V / 1.5 A from 9 V 2.2 A.
inline std::vector<CNamedDesign> ExampleDesigns(const std::filesystem::path& folder) {
    std::vector<CNamedDesign> designs;
    for (const char* name : {"bridge-12v-1a", "centre-tap-9v-2a", "half-wave-5v-1a5"}) {
        std::ifstream file(folder / (std::string(name) + ".odr"), std::ios::binary);
        const std::string bytes{std::istreambuf_iterator<char>(file),
                                std::istreambuf_iterator<char>()};
        CStringLineSource source(bytes);
        CConfiguration configuration;
        if (ReadConfiguration(source, configuration) && configuration.lineCount > 0) {
            std::string id(name);
            std::replace(id.begin(), id.end(), '-', '_');
            designs.push_back({id, CDesign::FromConfiguration(configuration)});
        }
    }
    return designs;
}

}  // namespace ohmrada::test
