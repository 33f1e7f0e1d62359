// SPDX-License-Identifier: GPL-3.0-or-later
#include "Results.h"

namespace ohmrada {

namespace {

// Field id -> index into kResults, for the ids 1000 to 1040.
constexpr int kFirstId = 1000;
constexpr int kLastId = 1040;

constexpr std::array<signed char, kLastId - kFirstId + 1> MakeIndex() {
    std::array<signed char, kLastId - kFirstId + 1> index{};
    for (auto& entry : index) {
        entry = -1;
    }
    for (std::size_t i = 0; i < kResults.size(); ++i) {
        index[static_cast<std::size_t>(kResults[i].fieldId - kFirstId)] =
            static_cast<signed char>(i);
    }
    return index;
}

constexpr auto kIndexOfField = MakeIndex();

}  // namespace

const CResultSpec* ResultOfField(int fieldId) {
    if (fieldId < kFirstId || fieldId > kLastId) {
        return nullptr;
    }
    const int index = kIndexOfField[static_cast<std::size_t>(fieldId - kFirstId)];
    return index < 0 ? nullptr : &kResults[static_cast<std::size_t>(index)];
}

const CResultSpec* ResultOfName(std::string_view name) {
    for (const CResultSpec& spec : kResults) {
        if (spec.name == name) {
            return &spec;
        }
    }
    return nullptr;
}

}  // namespace ohmrada
