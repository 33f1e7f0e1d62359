// SPDX-License-Identifier: GPL-3.0-or-later
// Arbitrary bytes as a configuration file, loaded through the Open command of
// the in-memory form, then saved, loaded and saved again: the form must stay
// sound, agree with the same file evaluated without a form, and the second
// save must equal the first, but for a target voltage lowered by the second
// load (the file keeps the display's precision, so a capacitance of 0.35 uF
// saves as 0 and loads as the floor value, and the target shown after the
// first load may then be out of reach).

#include <cstddef>
#include <cstdint>
#include <string>

#include "Evaluation.h"
#include "FormChecks.h"
#include "FuzzPlatform.h"

using namespace ohmrada;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CFuzzPlatform platform;
    CMainDialog dialog(platform);
    platform.DoModal(dialog);

    platform.files["input.odr"].assign(reinterpret_cast<const char*>(data), size);
    const std::size_t messagesBefore = platform.Messages().size();
    const int beepsBefore = platform.Beeps();
    platform.QueueFileDialogAnswer("input.odr");
    dialog.OnFileOpen();
    CheckForm(platform, dialog);

    // The same file evaluated without a form gives what the form shows. An
    // empty file is refused and changes nothing; a short one adds a notice to
    // the cycle's messages.
    CStringLineSource source(platform.files["input.odr"]);
    CConfiguration configuration;
    if (ReadConfiguration(source, configuration) && configuration.lineCount == 0) {
        if (platform.Messages().size() != messagesBefore + 1 ||
            platform.Messages().back().icon != CPlatform::EIcon::kStop) {
            FuzzFailure("an empty file was not refused with one stop message");
        }
    } else if (configuration.lineCount > 0 && configuration.Refused()) {
        // A fifteenth line "NetzF:" with another value than 50 or 60, or a
        // line after the fourteen that is none of the optional ones: the
        // file is refused and the form stays as it was.
        if (platform.Messages().size() != messagesBefore + 1 ||
            platform.Messages().back().icon != CPlatform::EIcon::kStop) {
            FuzzFailure("a bad line after the fourteen was not refused with one stop message");
        }
    } else if (configuration.lineCount > 0) {
        const CEvaluation evaluation = Evaluate(CDesign::FromConfiguration(configuration));
        for (const CResultSpec& result : kResults) {
            const std::string text = FormatFieldValue(evaluation[result.result], 3);
            if (text != platform.GetItemText(result.fieldId)) {
                FuzzFailure(std::string(result.name) + ": Evaluate gives " + text +
                            ", the form shows " + platform.GetItemText(result.fieldId));
            }
        }
        const int notices = configuration.lineCount < static_cast<int>(kConfigLineCount) ? 1 : 0;
        if (evaluation.messages + notices !=
                static_cast<int>(platform.Messages().size() - messagesBefore) ||
            evaluation.beeps != platform.Beeps() - beepsBefore) {
            FuzzFailure("Evaluate's messages or beeps differ from the form's");
        }
    }

    platform.QueueFileDialogAnswer("first.odr");
    dialog.OnFileSaveAs();
    const float targetSaved = dialog.Supply().GetTargetVoltage();
    platform.QueueFileDialogAnswer("first.odr");
    dialog.OnFileOpen();
    CheckForm(platform, dialog);
    platform.QueueFileDialogAnswer("second.odr");
    dialog.OnFileSaveAs();

    std::string first = platform.files["first.odr"];
    std::string second = platform.files["second.odr"];
    const auto targetLine = [](std::string& file) {
        const std::size_t at = file.find("\r\nUbger: ");
        const std::size_t end = at == std::string::npos ? at : file.find("\r\n", at + 2);
        std::string line;
        if (end != std::string::npos) {
            line = file.substr(at, end - at);
            file.erase(at, end - at);
        }
        return line;
    };
    const std::string firstTarget = targetLine(first);
    const std::string secondTarget = targetLine(second);
    if (first != second ||
        (firstTarget != secondTarget && !(dialog.Supply().GetTargetVoltage() < targetSaved))) {
        FuzzFailure("saving a loaded file changed it:\n" + platform.files["first.odr"] + "---\n" +
                    platform.files["second.odr"]);
    }
    return 0;
}
