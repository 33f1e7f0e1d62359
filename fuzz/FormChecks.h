// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Checks shared by the fuzz targets: what must hold of the form after any
// input.

#include <cstdio>
#include <cstdlib>
#include <string>

#include "FieldTable.h"
#include "InputTable.h"
#include "MainDialog.h"
#include "MemoryPlatform.h"

namespace ohmrada {

[[noreturn]] inline void FuzzFailure(const std::string& what) {
    std::fprintf(stderr, "fuzz check failed: %s\n", what.c_str());
    std::abort();
}

// No field shows a raw infinity or NaN, and every input field shows the
// model's value as the form formats it (the target voltage too: a lowering
// writes its field at once).
inline void CheckForm(const CMemoryPlatform& platform, const CMainDialog& dialog) {
    const auto check = [&](int id) {
        const std::string text = platform.GetItemText(id);
        if (text.empty() || text.find("inf") != std::string::npos ||
            text.find("nan") != std::string::npos) {
            FuzzFailure("field " + std::to_string(id) + " shows \"" + text + '"');
        }
    };
    for (int id : kInputFieldIds)
        check(id);
    for (int id : kResultFieldIds)
        check(id);

    const CPowerSupply& supply = dialog.Supply();
    for (const CInputSpec& input : kInputs) {
        const std::string expected = FormatFieldValue(input.get(supply), input.decimals);
        if (platform.GetItemText(input.fieldId) != expected) {
            FuzzFailure("field " + std::to_string(input.fieldId) + " shows \"" +
                        platform.GetItemText(input.fieldId) + "\", the model holds " + expected);
        }
    }
}

}  // namespace ohmrada
