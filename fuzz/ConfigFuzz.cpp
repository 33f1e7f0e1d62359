// SPDX-License-Identifier: GPL-3.0-or-later
// Arbitrary bytes as a configuration file, loaded through the Open command of
// the in-memory form, then saved, loaded and saved again: the form must stay
// sound and the second save must equal the first.

#include <cstddef>
#include <cstdint>
#include <string>

#include "FormChecks.h"
#include "FuzzPlatform.h"

using namespace ohmrada;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CFuzzPlatform platform;
    CMainDialog dialog(platform);
    platform.DoModal(dialog);

    platform.files["input.odr"].assign(reinterpret_cast<const char*>(data), size);
    platform.QueueFileDialogAnswer("input.odr");
    dialog.OnFileOpen();
    CheckForm(platform, dialog);

    platform.QueueFileDialogAnswer("first.odr");
    dialog.OnFileSaveAs();
    platform.QueueFileDialogAnswer("first.odr");
    dialog.OnFileOpen();
    CheckForm(platform, dialog);
    platform.QueueFileDialogAnswer("second.odr");
    dialog.OnFileSaveAs();

    const std::string& first = platform.files["first.odr"];
    const std::string& second = platform.files["second.odr"];
    if (first != second) {
        FuzzFailure("saving a loaded file changed it:\n" + first + "---\n" + second);
    }
    return 0;
}
