// SPDX-License-Identifier: GPL-3.0-or-later
// Arbitrary bytes as a user's catalogue file, added beside the shipped
// parts: the file is taken whole or refused whole with one problem, what it
// adds stays within the bounds on parts, every id names one part, and every
// number lies in its column's range.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>

#include "Catalogue.h"

using namespace ohmrada;

namespace {

[[noreturn]] void Fail(const std::string& what) {
    std::fprintf(stderr, "fuzz check failed: %s\n", what.c_str());
    std::abort();
}

std::size_t Parts(const CCatalogue& c) {
    return c.transformers.size() + c.rectifiers.size() + c.capacitors.size() + c.regulators.size() +
           c.heatSinks.size();
}

template <class T>
void CollectIds(const std::vector<T>& parts, std::set<std::string>& ids) {
    for (const T& part : parts) {
        if (!ids.insert(part.id).second) {
            Fail("the id \"" + part.id + "\" names two parts");
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const CCatalogue shipped = ShippedCatalogue();
    CCatalogue catalogue = shipped;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const bool taken = catalogue.AddText(text, "fuzz.csv", "fuzz.csv");

    if (!taken) {
        if (catalogue.problems.size() != shipped.problems.size() + 1 ||
            Parts(catalogue) != Parts(shipped)) {
            Fail("a refused file changed the parts or gave other than one problem");
        }
        if (catalogue.problems.back().file != "fuzz.csv" || catalogue.problems.back().why.empty()) {
            Fail("a refused file's problem does not name it and why");
        }
        return 0;
    }
    if (catalogue.problems.size() != shipped.problems.size()) {
        Fail("a taken file gave a problem");
    }
    // Replaced shipped parts leave the count; nothing adds more than a file may.
    if (Parts(catalogue) > Parts(shipped) + kMaxPartsPerFile) {
        Fail("a file added more than " + std::to_string(kMaxPartsPerFile) + " parts");
    }
    std::set<std::string> ids;
    CollectIds(catalogue.transformers, ids);
    CollectIds(catalogue.rectifiers, ids);
    CollectIds(catalogue.capacitors, ids);
    CollectIds(catalogue.regulators, ids);
    CollectIds(catalogue.heatSinks, ids);
    for (const CRegulatorPart& r : catalogue.regulators) {
        if (!(r.thetaJcKPerW > 0.0 && r.thetaJaKPerW > 0.0 && r.dropoutV > 0.0 &&
              r.junctionMaxC > 100.0 && r.maxCurrentA > 0.0)) {
            Fail("regulator \"" + r.id +
                 "\" has a zero thermal resistance, dropout or current, "
                 "or a junction limit no higher than the warmest ambient");
        }
    }
    for (const CHeatSinkPart& h : catalogue.heatSinks) {
        if (!(h.thetaKPerW > 0.0)) {
            Fail("heat sink \"" + h.id + "\" has no thermal resistance");
        }
    }
    for (const CRectifierPart& r : catalogue.rectifiers) {
        if (!(r.thresholdV > 0.0 && r.bulkOhm >= 0.0 && r.currentA > 0.0)) {
            Fail("rectifier \"" + r.id + "\" has an impossible forward fit");
        }
    }
    for (const CCapacitorPart& c : catalogue.capacitors) {
        if (!(c.capacitanceUf > 0.0 && c.voltageV > 0.0 && c.lifeH > 0.0)) {
            Fail("capacitor \"" + c.id + "\" has an impossible value");
        }
    }
    for (const CTransformerPart& t : catalogue.transformers) {
        if (!(t.va > 0.0 && t.secondaryV > 0.0 && (t.windings == 1 || t.windings == 2))) {
            Fail("transformer \"" + t.id + "\" has an impossible value");
        }
    }
    return 0;
}
