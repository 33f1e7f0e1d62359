// SPDX-License-Identifier: GPL-3.0-or-later
#include "MainDialog.h"

#include <charconv>
#include <cmath>
#include <string>

#include "FieldTable.h"
#include "InputTable.h"
#include "Language.h"
#include "NumberText.h"
#include "RecalculationCycle.h"
#include "Texts.h"

namespace ohmrada {

namespace {

std::string WithPath(const char* text, const std::string& path) {
    std::string message(text);
    const std::size_t at = message.find("%1");
    if (at != std::string::npos) {
        message.replace(at, 2, path);
    }
    return message;
}

// The title while the form shows a file.
std::string LoadedTitle(const std::string& path) {
    return texts::Tr(texts::kLoadedTitlePrefix) + path;
}

}  // namespace

CMainDialog::CMainDialog(CPlatform& platform)
    : m_platform(platform), m_pSupply(std::make_unique<CPowerSupply>()) {
    m_pSupply->SetAlerts(this);
}

CMainDialog::~CMainDialog() {
    m_pSupply->SetAlerts(nullptr);
    m_pSupply.reset();
}

bool CMainDialog::OnInitDialog() {
    SetTitle(texts::Tr(texts::kWindowTitle));
    m_platform.SetSpinPosition(kIdLoadCurrentSpin, kSpinRestPosition);
    m_platform.SetSpinPosition(kIdTargetVoltageSpin, kSpinRestPosition);

    ApplyStartUpValues(*m_pSupply);

    Recalculate();
    MarkUnchanged();
    return true;
}

void CMainDialog::OnShown() {
    if (m_startUpFile) {
        const std::string path = std::move(*m_startUpFile);
        m_startUpFile.reset();
        OpenFile(path);
    }
}

void CMainDialog::ShowValue(int fieldId, float value) {
    if (fieldId == kIdTargetVoltage && m_shownTarget && m_shownTarget->value != value) {
        m_shownTarget.reset();
    }
    std::string text = FormatFieldValue(value, DecimalsOf(fieldId));
    m_platform.SetItemText(fieldId, text);
    if (const CInputSpec* input = InputOfField(fieldId)) {
        m_shownInputTexts[input->line] = std::move(text);
    }
}

float CMainDialog::ReadValue(int fieldId) const {
    return ReadNumber(m_platform.GetItemText(fieldId));
}

void CMainDialog::Recalculate() {
    const CPlatform::CCycleAlerts before = m_alerts;
    RunRecalculationCycle(*m_pSupply,
                          [this](int id, double value) { ShowValue(id, ToSingle(value)); });

    const CTransformer& transformer = *m_pSupply->GetTransformer();
    const CRectifier& rectifier = *m_pSupply->GetRectifier();
    const int centreTap = transformer.GetCentreTap();
    m_platform.CheckButton(kIdCentreTap, centreTap != 0);
    m_platform.EnableItem(kIdCentreTapCircuit, centreTap != 0);
    // A circuit that is none of the three leaves the buttons as they are.
    const std::string circuit = rectifier.GetCircuit();
    if (circuit == CRectifier::kHalfWave) {
        m_platform.CheckRadioButton(kIdHalfWave, kIdCentreTapCircuit, kIdHalfWave);
    } else if (circuit == CRectifier::kBridge) {
        m_platform.CheckRadioButton(kIdHalfWave, kIdCentreTapCircuit, kIdBridge);
    } else if (circuit == CRectifier::kCentreTap) {
        m_platform.CheckRadioButton(kIdHalfWave, kIdCentreTapCircuit, kIdCentreTapCircuit);
    }
    ShowMainsFrequency();
    m_platform.CycleEnded({m_alerts.messages - before.messages, m_alerts.beeps - before.beeps});
    ShowModified();
}

void CMainDialog::ShowModified() {
    const bool modified = IsModified();
    if (m_shownModified != modified) {
        m_shownModified = modified;
        m_platform.SetModified(modified);
    }
}

void CMainDialog::SetExtras(const CConfigExtras& extras) {
    m_extras = extras;
    ShowModified();
}

void CMainDialog::SetTitle(std::string base) {
    m_titleBase = std::move(base);
    m_shownFrequency = 0.0f;
    ShowMainsFrequency();
}

void CMainDialog::ShowMainsFrequency() {
    const float frequency = m_pSupply->GetMainsFrequency();
    if (frequency == m_shownFrequency) {
        return;
    }
    m_shownFrequency = frequency;
    const bool at60 = frequency == kAlternativeMainsFrequency;
    m_platform.CheckButton(kCmdMains50Hz, !at60);
    m_platform.CheckButton(kCmdMains60Hz, at60);
    m_platform.SetTitle(at60 ? m_titleBase + texts::Tr(texts::kTitle60HzSuffix) : m_titleBase);
}

void CMainDialog::OnMainsFrequency(int commandId) {
    m_pSupply->SetMainsFrequency(commandId == kCmdMains60Hz ? kAlternativeMainsFrequency
                                                            : kDefaultMainsFrequency);
    Recalculate();
}

void CMainDialog::OnKillFocus(int fieldId) {
    const CInputSpec* input = InputOfField(fieldId);
    if (input == nullptr || m_messageOpen) {
        return;
    }
    if (fieldId == kIdTargetVoltage && m_shownTarget &&
        m_platform.GetItemText(fieldId) == m_shownTarget->text) {
        // Passing through the field keeps the lowered target as it is.
        input->set(*m_pSupply, m_shownTarget->value);
    } else {
        input->set(*m_pSupply, ReadValue(fieldId));
    }
    Recalculate();
}

void CMainDialog::OnFocusToOwnWindow(int fieldId) {
    const CInputSpec* input = InputOfField(fieldId);
    if (input != nullptr && m_platform.GetItemText(fieldId) == m_shownInputTexts[input->line]) {
        return;
    }
    OnKillFocus(fieldId);
}

void CMainDialog::OnRectifierButton(int buttonId) {
    const char* circuit = nullptr;
    switch (buttonId) {
        case kIdHalfWave:
            circuit = CRectifier::kHalfWave;
            break;
        case kIdBridge:
            circuit = CRectifier::kBridge;
            break;
        case kIdCentreTapCircuit:
            circuit = CRectifier::kCentreTap;
            break;
        default:
            return;
    }
    m_pSupply->GetRectifier()->SetCircuit(circuit);
    Recalculate();
}

void CMainDialog::OnCentreTap() {
    CTransformer& transformer = *m_pSupply->GetTransformer();
    CRectifier& rectifier = *m_pSupply->GetRectifier();
    const int old = transformer.GetCentreTap();
    transformer.SetCentreTap(old == 0 ? 1 : 0);
    // Without a centre tap there is no centre-tap circuit.
    if (old != 0 && rectifier.GetCircuit() == CRectifier::kCentreTap) {
        rectifier.SetCircuit(CRectifier::kHalfWave);
    }
    Recalculate();
}

void CMainDialog::OnVScroll(int spinId, int position) {
    // The up arrow lowers the position: below the rest position is one step
    // up, above it one step down, whatever distance the platform reports.
    constexpr double kStep = 0.05;
    const double step = position < kSpinRestPosition   ? kStep
                        : position > kSpinRestPosition ? -kStep
                                                       : 0.0;
    CPowerSupply& supply = *m_pSupply;
    if (spinId == kIdLoadCurrentSpin) {
        if (step != 0.0) {
            supply.SetLoadCurrent(ToSingleClamped(supply.GetLoadCurrent() + step));
        }
        m_platform.SetSpinPosition(kIdLoadCurrentSpin, kSpinRestPosition);
    } else if (spinId == kIdTargetVoltageSpin) {
        if (step != 0.0) {
            supply.SetTargetVoltage(ToSingleClamped(supply.GetTargetVoltage() + step));
        }
        m_platform.SetSpinPosition(kIdTargetVoltageSpin, kSpinRestPosition);
    }
    Recalculate();
}

void CMainDialog::OnCommand(int commandId) {
    switch (commandId) {
        case kCmdOk:
            OnOK();
            break;
        case kCmdCancel:
            OnCancel();
            break;
        case kCmdFileExit:
            OnFileExit();
            break;
        case kCmdFileOpen:
            OnFileOpen();
            break;
        case kCmdFileSaveAs:
            OnFileSaveAs();
            break;
        case kCmdFileSave:
            OnFileSave();
            break;
        case kCmdFileNew:
            OnFileNew();
            break;
        case kCmdHelpUsage:
            OnHelpUsage();
            break;
        case kCmdHelpAbout:
            OnHelpAbout();
            break;
        case kCmdMains50Hz:
        case kCmdMains60Hz:
            OnMainsFrequency(commandId);
            break;
        case kIdCentreTap:
            OnCentreTap();
            break;
        case kIdHalfWave:
        case kIdBridge:
        case kIdCentreTapCircuit:
            OnRectifierButton(commandId);
            break;
        default:
            break;  // the search entries among them: no function
    }
}

std::array<std::string, kConfigLineCount> CMainDialog::ConfigurationTexts() const {
    std::array<std::string, kConfigLineCount> values;
    for (const CInputSpec& input : kInputs) {
        values[input.line] = m_platform.GetItemText(input.fieldId);
    }
    values[kLineMitte].assign(1, m_pSupply->GetTransformer()->GetCentreTap() != 0 ? '1' : '0');
    values[kLineGR_Sg] = m_pSupply->GetRectifier()->GetCircuit();
    return values;
}

void CMainDialog::ShowMessage(const std::string& text, CPlatform::EIcon icon) {
    // The focus a field loses to the box is no move of the user's.
    const bool nested = m_messageOpen;
    m_messageOpen = true;
    m_platform.MessageBox(text, icon);
    m_messageOpen = nested;
}

void CMainDialog::ShowFileMessage(const char* text, const std::string& path) {
    ShowMessage(WithPath(text, path), CPlatform::EIcon::kStop);
}

namespace {

CPlatform::CFileDialogRequest FileDialogRequest(bool save,
                                                const char* initialName = texts::kFileInitialName) {
    CPlatform::CFileDialogRequest request;
    request.save = save;
    request.title = save ? texts::Tr(texts::kSaveDialogTitle) : texts::Tr(texts::kOpenDialogTitle);
    request.initialName = initialName;
    request.filterLabel = texts::Tr(texts::kFileFilterLabel);
    request.filterPattern = texts::kFileFilterPattern;
    // Replacing a saved design without asking would destroy it.
    request.confirmOverwrite = save;
    // A name without an extension gets the filter's, so that the Open
    // dialog lists the file.
    request.defaultSuffix = save ? "odr" : "";
    return request;
}

}  // namespace

void CMainDialog::OnFileOpen() {
    // Opening replaces the design: a changed one is offered for saving first.
    if (!ConfirmLeave()) {
        // Kept: the form shows the model all the same, as after a cancelled
        // file dialog.
        Recalculate();
        return;
    }
    const std::optional<std::string> path = m_platform.RunFileDialog(FileDialogRequest(false));
    if (path) {
        OpenFile(*path);
    } else {
        // Cancelled: the form shows the model all the same.
        Recalculate();
    }
}

void CMainDialog::OpenFile(const std::string& path) {
    const std::optional<int> missing = LoadFile(path);
    // Whatever happened, the form shows the model.
    Recalculate();
    if (missing) {
        m_fileName = path;
        MarkUnchanged();
        m_platform.FileUsed(path);
    }
    if (missing && *missing > 0) {
        const char* text = *missing == 1 ? texts::Tr(texts::kShortFileMessageOne)
                                         : texts::Tr(texts::kShortFileMessageMany);
        std::string message = WithPath(text, path);
        const std::size_t at = message.find("%2");
        if (at != std::string::npos) {
            message.replace(at, 2, std::to_string(*missing));
        }
        ShowMessage(message, CPlatform::EIcon::kInformation);
    }
}

std::optional<int> CMainDialog::LoadFile(const std::string& path) {
    std::error_code error;
    std::unique_ptr<CLineSource> source = m_platform.OpenForReading(path, error);
    if (!source) {
        ShowFileMessage(texts::Tr(texts::kOpenForReadingFailedMessage), path);
        return std::nullopt;
    }
    // All fourteen lines are read before anything is applied, so a failing
    // medium or an empty file leaves the model and the title as they were.
    CConfiguration configuration;
    const bool read = ReadConfiguration(*source, configuration);
    source.reset();
    if (!read) {
        ShowFileMessage(texts::Tr(texts::kReadErrorMessage), path);
        return std::nullopt;
    }
    if (configuration.lineCount == 0) {
        ShowFileMessage(texts::Tr(texts::kEmptyFileMessage), path);
        return std::nullopt;
    }
    if (!configuration.frequencyLineValid) {
        ShowFileMessage(texts::Tr(texts::kBadMainsFrequencyMessage), path);
        return std::nullopt;
    }
    if (m_fileFrequency) {
        configuration.mainsFrequency = *m_fileFrequency;
    }
    if (configuration.refusedLineNumber != 0) {
        // The line as it stands, cut short when long.
        constexpr std::size_t kShownLength = 60;
        std::string line = configuration.refusedLine.substr(0, kShownLength);
        if (configuration.refusedLine.size() > kShownLength) {
            line += "...";
        }
        std::string message = WithPath(texts::Tr(texts::kUnknownLineMessage), path);
        for (const auto& [marker, text] :
             {std::pair<std::string, std::string>{"%2",
                                                  std::to_string(configuration.refusedLineNumber)},
              {"%3", line}}) {
            const std::size_t at = message.find(marker);
            if (at != std::string::npos) {
                message.replace(at, marker.size(), text);
            }
        }
        ShowMessage(message, CPlatform::EIcon::kStop);
        return std::nullopt;
    }
    SetTitle(LoadedTitle(path));
    ApplyConfiguration(*m_pSupply, configuration);
    m_extras = configuration.extras;
    return static_cast<int>(kConfigLineCount) - configuration.lineCount;
}

void CMainDialog::OnFileSaveAs() {
    SaveAs(texts::kFileInitialName);
}

bool CMainDialog::SaveAs(const std::string& initialName) {
    const std::optional<std::string> path =
        m_platform.RunFileDialog(FileDialogRequest(true, initialName.c_str()));
    if (!path) {
        return false;
    }
    return SaveTo(*path);
}

bool CMainDialog::SaveTo(const std::string& path) {
    std::error_code error;
    std::unique_ptr<CLineSink> sink = m_platform.OpenForWriting(path, error);
    if (!sink) {
        ShowFileMessage(texts::Tr(texts::kOpenForWritingFailedMessage), path);
        return false;
    }
    const bool written =
        WriteConfiguration(*sink, ConfigurationTexts(), m_pSupply->GetMainsFrequency(), m_extras) &&
        sink->Commit();
    // A sink that was not committed removes what it wrote; the file that was
    // there is untouched.
    sink.reset();
    if (!written) {
        ShowFileMessage(texts::Tr(texts::kWriteErrorMessage), path);
        return false;
    }
    // The form now shows the file just saved.
    SetTitle(LoadedTitle(path));
    m_fileName = path;
    MarkUnchanged();
    m_platform.FileUsed(path);
    return true;
}

void CMainDialog::OnFileSave() {
    if (m_fileName.empty()) {
        SaveAs(texts::kFileInitialName);
    } else {
        SaveTo(m_fileName);
    }
}

void CMainDialog::OnFileNew() {
    if (!ConfirmLeave()) {
        return;
    }
    m_shownTarget.reset();
    // A fresh supply: the start-up values applied to the old one would meet
    // its centre tap (which doubles the winding voltages as they arrive).
    m_pSupply->SetAlerts(nullptr);
    m_pSupply = std::make_unique<CPowerSupply>();
    m_pSupply->SetAlerts(this);
    ApplyStartUpValues(*m_pSupply);
    m_extras = {};
    m_fileName.clear();
    SetTitle(texts::Tr(texts::kWindowTitle));
    m_platform.SetSpinPosition(kIdLoadCurrentSpin, kSpinRestPosition);
    m_platform.SetSpinPosition(kIdTargetVoltageSpin, kSpinRestPosition);
    Recalculate();
    MarkUnchanged();
}

bool CMainDialog::OpenFileAsked(const std::string& path) {
    if (!ConfirmLeave()) {
        return false;
    }
    OpenFile(path);
    return true;
}

bool CMainDialog::IsModified() const {
    return ConfigurationTexts() != m_unchangedTexts ||
           m_pSupply->GetMainsFrequency() != m_unchangedFrequency || m_extras != m_unchangedExtras;
}

bool CMainDialog::ConfirmLeave() {
    if (!IsModified()) {
        return true;
    }
    // The focus a field loses to the question is no move of the user's.
    const bool nested = m_messageOpen;
    m_messageOpen = true;
    const CPlatform::EAnswer answer =
        m_platform.AskYesNoCancel(texts::Tr(texts::kSaveChangesQuestion));
    m_messageOpen = nested;
    switch (answer) {
        case CPlatform::EAnswer::kYes:
            return SaveAs(m_fileName.empty() ? std::string(texts::kFileInitialName) : m_fileName);
        case CPlatform::EAnswer::kNo:
            return true;
        case CPlatform::EAnswer::kCancel:
            return false;
    }
    return false;
}

void CMainDialog::ShowHelp(CPlatform::EHelpCommand command, unsigned context) {
    if (!m_platform.Help(command, context)) {
        ShowMessage(texts::Tr(texts::kHelpFailedMessage), CPlatform::EIcon::kExclamation);
    }
}

void CMainDialog::OnFileExit() {
    if (!ConfirmLeave()) {
        return;
    }
    ShowHelp(CPlatform::EHelpCommand::kQuit, 0);
    m_platform.EndDialog(kCmdOk);
}

void CMainDialog::OnHelpUsage() {
    ShowHelp(CPlatform::EHelpCommand::kContents, 0);
}

void CMainDialog::OnHelp() {
    ShowHelp(CPlatform::EHelpCommand::kContext, kHelpContextMainForm);
}

void CMainDialog::OnHelpAbout() {
    m_platform.ShowAboutBox();
}

void CMainDialog::OnCancel() {
    if (!ConfirmLeave()) {
        return;
    }
    m_platform.EndDialog(kCmdCancel);
}

void CMainDialog::Message(const std::string& text) {
    ++m_alerts.messages;
    // The model's only message: it has just lowered the target voltage. The
    // target field shows the lowered target from now on, so that the form
    // shows the target its results use, and the exact value stays behind the
    // rounded text.
    const float target = m_pSupply->GetTargetVoltage();
    ShowValue(kIdTargetVoltage, target);
    m_shownTarget = CShownTarget{target, m_platform.GetItemText(kIdTargetVoltage)};
    ShowMessage(texts::Tr(text), CPlatform::EIcon::kExclamation);
}

void CMainDialog::Beep() {
    ++m_alerts.beeps;
    m_platform.Beep();
}

}  // namespace ohmrada
