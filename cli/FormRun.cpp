// SPDX-License-Identifier: GPL-3.0-or-later
#include "FormRun.h"

#include "CircuitText.h"

#include <cstring>
#include <filesystem>
#include <istream>
#include <memory>
#include <string>
#include <system_error>
#include <utility>

#include "Configuration.h"
#include "FormText.h"
#include "FormTexts.h"
#include "MainDialog.h"
#include "MemoryPlatform.h"
#include "SafeFile.h"
#include "TextEscape.h"

namespace ohmrada::cli {

namespace {

// What the form read of the file it opened last.
struct CReadCount {
    int lines = 0;            // lines the file really had, of those read
    bool failed = false;      // the medium failed
    std::error_code failure;  // why, when the source knows
};

// Passes a file's lines on and counts them.
class CCountingSource : public CLineSource {
public:
    CCountingSource(std::unique_ptr<CLineSource> inner, CReadCount& count)
        : m_inner(std::move(inner)), m_count(count) {}

    EResult ReadLine(std::string& line) override {
        const EResult result = m_inner->ReadLine(line);
        if (result == EResult::kLine) {
            ++m_count.lines;
        } else if (result == EResult::kError) {
            m_count.failed = true;
            m_count.failure = m_inner->Failure();
        }
        return result;
    }

private:
    std::unique_ptr<CLineSource> m_inner;
    CReadCount& m_count;
};

// A file written as Save As writes it (through a CSafeFile), which keeps
// the reason a write or the final commit failed, so that the message can
// name it (a full disk, a file size limit) as --waveforms does.
class CReasonKeepingSink : public CLineSink {
public:
    CReasonKeepingSink(std::unique_ptr<CSafeFile> file, std::error_code& reason)
        : m_file(std::move(file)), m_reason(reason) {}

    bool WriteLine(std::string_view line) override {
        return Kept(m_file->Write(line) && m_file->Write("\r\n"));
    }
    bool Commit() override { return Kept(m_file->Commit()); }

private:
    bool Kept(bool ok) {
        if (!ok && !m_reason) {
            m_reason = m_file->Error();
        }
        return ok;
    }

    std::unique_ptr<CSafeFile> m_file;
    std::error_code& m_reason;
};

// The in-memory form with the files ohmrada-calc needs: "-" opens the given
// stream as the configuration, the reason of a file that cannot be opened is
// kept for the diagnostic, and the lines of the file read are counted.
class CCalcPlatform : public CMemoryPlatform {
public:
    explicit CCalcPlatform(std::istream& in) : m_in(in) {}

    std::unique_ptr<CLineSource> OpenForReading(const std::string& path,
                                                std::error_code& error) override {
        m_openError.clear();
        m_read = CReadCount();
        std::unique_ptr<CLineSource> source;
        if (path == kStandardInput) {
            error.clear();
            source = std::make_unique<CStreamLineSource>(m_in.rdbuf(), kMaxConfigurationBytes);
        } else {
            source = CMemoryPlatform::OpenForReading(path, error);
        }
        if (!source) {
            m_openError = error;
            return source;
        }
        return std::make_unique<CCountingSource>(std::move(source), m_read);
    }

    std::unique_ptr<CLineSink> OpenForWriting(const std::string& path,
                                              std::error_code& error) override {
        m_openError.clear();
        m_writeError.clear();
        std::unique_ptr<CSafeFile> file = CSafeFile::Create(
            std::filesystem::path(std::u8string(path.begin(), path.end())), error);
        if (!file) {
            m_openError = error;
            return nullptr;
        }
        return std::make_unique<CReasonKeepingSink>(std::move(file), m_writeError);
    }

    // The reason the last file open failed; empty after a successful one.
    const std::error_code& OpenError() const { return m_openError; }
    // The reason writing the file opened last failed; empty while it has not.
    const std::error_code& WriteError() const { return m_writeError; }
    // What was read of the file opened last.
    const CReadCount& Read() const { return m_read; }

private:
    std::istream& m_in;
    std::error_code m_openError;
    std::error_code m_writeError;
    CReadCount m_read;
};

bool StopMessageSince(const CMemoryPlatform& form, std::size_t since) {
    const auto& messages = form.Messages();
    for (std::size_t i = since; i < messages.size(); ++i) {
        if (messages[i].icon == CPlatform::EIcon::kStop) {
            return true;
        }
    }
    return false;
}

constexpr int kRectifierButtons[] = {kIdHalfWave, kIdBridge, kIdCentreTapCircuit};

}  // namespace

std::string ReasonText(const std::error_code& error) {
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 32))
    if (error.category() == std::generic_category() || error.category() == std::system_category()) {
        if (const char* description = strerrordesc_np(error.value())) {
            return description;
        }
    }
#endif
    return error.message();
}

std::string DescribeInput(const std::optional<std::string>& input) {
    return input ? QuoteForDiagnostic(*input) : std::string("the start-up configuration");
}

std::string InputTitle(const std::optional<std::string>& input) {
    if (!input) {
        return std::string(Tr(kStartUpName));
    }
    if (*input == kStandardInput) {
        return std::string(Tr(kStandardInputName));
    }
    return QuoteForDiagnostic(*input);
}

namespace {

bool IsFrequencyCommand(const CSetting& setting) {
    return setting.kind == CSetting::EKind::kCommand &&
           (setting.id == kCmdMains50Hz || setting.id == kCmdMains60Hz);
}

}  // namespace

CFormRun RunForm(const std::optional<std::string>& input, const std::vector<CSetting>& settings,
                 const std::optional<std::string>& savePath, std::istream& in) {
    CFormRun run;
    CCalcPlatform form(in);
    CMainDialog dialog(form);
    form.DoModal(dialog);
    const std::size_t messagesAtStart = form.Messages().size();
    const int beepsAtStart = form.Beeps();
    const std::string program(kProgram);

    if (input) {
        // --mains-frequency belongs to the design read: it is in force before
        // the file's first cycle, as a fifteenth line of the file would be
        // (applied after it, the form would first run at 50 Hz and keep a
        // target it lowered there).
        for (const CSetting& setting : settings) {
            if (IsFrequencyCommand(setting)) {
                dialog.SetFileFrequency(setting.id == kCmdMains60Hz ? kAlternativeMainsFrequency
                                                                    : kDefaultMainsFrequency);
            }
        }
        form.QueueFileDialogAnswer(*input);
        dialog.OnFileOpen();
        if (StopMessageSince(form, messagesAtStart)) {
            std::string reason = "read error";
            if (form.OpenError()) {
                reason = ReasonText(form.OpenError());
            } else if (form.Read().failure) {
                reason = ReasonText(form.Read().failure);
            } else if (!form.Read().failed && form.Read().lines == 0) {
                reason = "the file is empty";
            } else if (!form.Read().failed && form.Messages().back().text.find(kFrequencyKey.substr(
                                                  0, 5)) != std::string::npos) {
                reason = "line 15 (NetzF) must give the mains frequency 50 or 60";
            }
            run.diagnostics =
                program + ": cannot read " + QuoteForDiagnostic(*input) + ": " + reason + '\n';
            return run;
        }
        // The form has loaded a short file and said so in a message; the
        // notice goes to standard error as well.
        const int missing = static_cast<int>(kConfigLineCount) - form.Read().lines;
        if (missing > 0) {
            run.diagnostics = program + ": " + QuoteForDiagnostic(*input) + ": " +
                              std::to_string(missing) + " of the " +
                              std::to_string(kConfigLineCount) +
                              " lines are missing; their values were read as 0\n";
        }
    }

    for (const CSetting& setting : settings) {
        switch (setting.kind) {
            case CSetting::EKind::kField:
                form.Enter(setting.id, setting.text);
                break;
            case CSetting::EKind::kCentreTap:
                if (form.IsChecked(kIdCentreTap) != setting.flag) {
                    form.ClickCentreTap();
                }
                break;
            case CSetting::EKind::kCircuit:
                if (!form.IsEnabled(setting.id)) {
                    run.diagnostics = program + ": " + DescribeInput(input) + ": --set " +
                                      setting.argument +
                                      ": the button is disabled while Mitte is 0; set Mitte=1 "
                                      "first\n";
                    return run;
                }
                form.ClickRectifierButton(setting.id);
                break;
            case CSetting::EKind::kCommand:
                // A frequency read with the file is in force already: a
                // second cycle for it would only repeat its messages.
                if (!(input && IsFrequencyCommand(setting))) {
                    dialog.OnCommand(setting.id);
                }
                break;
        }
    }

    CFormView view;
    view.input = input;
    for (const res::CControlTemplate* control : res::ValueControls()) {
        view.texts.push_back(control->kind == res::EControlKind::kEdit
                                 ? form.GetItemText(control->id)
                                 : std::string());
    }
    view.centreTapChecked = form.IsChecked(kIdCentreTap);
    view.centreTapEnabled = form.IsEnabled(kIdCentreTapCircuit);
    for (const int button : kRectifierButtons) {
        if (form.IsChecked(button)) {
            view.rectifierButton = button;
        }
    }
    const auto& messages = form.Messages();
    for (std::size_t i = messagesAtStart; i < messages.size(); ++i) {
        view.messages.push_back(messages[i].text);
    }
    view.beeps = form.Beeps() - beepsAtStart;
    view.design = CDesign::TakeFrom(dialog.Supply());
    // The circuit the file's optional lines state.
    view.design.circuitChoice = ReadCircuitChoice(dialog.Extras()).value_or(CCircuitChoice{});

    if (savePath) {
        const std::size_t messagesBeforeSave = form.Messages().size();
        form.QueueFileDialogAnswer(*savePath);
        dialog.OnFileSaveAs();
        if (StopMessageSince(form, messagesBeforeSave)) {
            const std::string reason = form.OpenError()    ? ReasonText(form.OpenError())
                                       : form.WriteError() ? ReasonText(form.WriteError())
                                                           : std::string("write error");
            run.diagnostics +=
                program + ": cannot save " + QuoteForDiagnostic(*savePath) + ": " + reason + '\n';
            run.saveFailed = true;
        }
    }
    run.view = std::move(view);
    return run;
}

}  // namespace ohmrada::cli
