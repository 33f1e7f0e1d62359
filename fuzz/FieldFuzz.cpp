// SPDX-License-Identifier: GPL-3.0-or-later
// Arbitrary text typed into an input field (the first byte picks the field),
// applied when the field loses the focus, then one more cycle: the form must
// show the model, and a second pass through the field must change nothing.

#include <cstddef>
#include <cstdint>
#include <string>

#include "FormChecks.h"
#include "FuzzPlatform.h"

using namespace ohmrada;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    CFuzzPlatform platform;
    CMainDialog dialog(platform);
    platform.DoModal(dialog);

    const int field = kInputFieldIds[data[0] % kInputFieldIds.size()];
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    platform.Enter(field, text);
    if (dialog.ReadValue(field) != dialog.ReadValue(field)) {
        FuzzFailure("a field's text reads differently twice");
    }
    dialog.Recalculate();
    CheckForm(platform, dialog);

    const std::string shown = platform.GetItemText(field);
    platform.Focus(field);
    platform.Focus(0);
    if (field != kIdTargetVoltage && platform.GetItemText(field) != shown) {
        FuzzFailure("passing through field " + std::to_string(field) + " changed \"" + shown +
                    "\" to \"" + platform.GetItemText(field) + '"');
    }
    return 0;
}
