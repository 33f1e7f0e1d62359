// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "Configuration.h"
#include "NumberText.h"
#include "Platform.h"
#include "PowerSupply.h"

namespace ohmrada {

// The logic of the main form. It owns the model (m_pSupply) for its whole
// life and is a view of it: no field holds a value of its own. Every handler
// reads its field, hands the number to the model's setter and runs
// Recalculate(), which rewrites all 28 fields from the model in one fixed
// order. It talks to the window only through the CPlatform it is given, and
// receives the model's regulation message and overload beep as the model's
// alert sink, passing them on to the platform.
//
// While one of the form's own message boxes is open, a field that loses the
// focus to it has not been left by the user: its handler does nothing, so one
// lowering of the target voltage shows one message and runs no nested cycle.
// When the cycle lowers the target, the target field is written at once, and
// the exact lowered value is remembered behind the text written: leaving the
// field with that text unchanged keeps the target the model holds instead of
// applying the rounded text.
//
// The form remembers the design it last opened, saved or started with (as
// the texts Save As would write). Leaving the program while the form shows
// another design asks whether to save it first.
class CMainDialog : private CSupplyAlerts {
public:
    explicit CMainDialog(CPlatform& platform);
    ~CMainDialog() override;
    CMainDialog(const CMainDialog&) = delete;
    CMainDialog& operator=(const CMainDialog&) = delete;

    // Title, spin positions, the start-up values and the first cycle.
    bool OnInitDialog();
    // A file to open once the form is shown (the program's argument).
    void SetStartUpFile(std::string path) { m_startUpFile = std::move(path); }
    // The mains frequency every file opened from now on is read with, as if
    // its fifteenth line gave it (the command line's --mains-frequency: a
    // property of the design read, in force before its first cycle).
    void SetFileFrequency(float hertz) { m_fileFrequency = hertz; }
    // The form is shown with its start-up values: opens the start-up file,
    // if one was given, as the Open command does.
    void OnShown();

    void Recalculate();
    // Writes value into the field, "%.3f" (or "%.0f" for the capacitance) in
    // the "C" locale's notation whatever the process locale; a value that is
    // not finite shows texts::kUndefinedValue.
    void ShowValue(int fieldId, float value);
    // The field's text read as atof reads it, narrowed to single precision.
    float ReadValue(int fieldId) const;

    // The kill-focus handler of an input field; other ids are ignored.
    void OnKillFocus(int fieldId);
    // The focus went from a field to one of the form's own windows beside it
    // (an analysis window): the field is applied only when its text differs
    // from what the form last wrote into it, so an unchanged field runs no
    // cycle.
    void OnFocusToOwnWindow(int fieldId);
    // A click on one of the rectifier buttons 1029..1031.
    void OnRectifierButton(int buttonId);
    // A click on the centre-tap check box 1028.
    void OnCentreTap();
    // A press on a spin control, with the position it reports.
    void OnVScroll(int spinId, int position);

    // A command of the menu or the dialog (Enter, Esc, close box); dispatches
    // to the handlers below. Unknown ids and the search entries do nothing.
    void OnCommand(int commandId);
    void OnFileOpen();
    // Opens a configuration file by its full path exactly as the Open
    // command does once its dialog was confirmed: the title, the values, the
    // cycle and the messages.
    void OpenFile(const std::string& path);
    void OnFileSaveAs();
    // Save: to the file the form came from or was last saved to, without a
    // dialog; Save As when there is none.
    void OnFileSave();
    // New: the start-up design, its title and no file, asking first when
    // the design has changed.
    void OnFileNew();
    // Opens path as the user's command (a recently opened file): asks first
    // when the design has changed, then as OpenFile. False when the user
    // kept the design.
    bool OpenFileAsked(const std::string& path);
    // Exit: asks first when the design has changed (see ConfirmLeave).
    void OnFileExit();
    void OnHelpUsage();
    void OnHelpAbout();
    // F1: help at the main form's context.
    void OnHelp();
    void OnOK() {}
    // Esc, the close box, Alt+F4: ends the form, asking first when the
    // design has changed.
    void OnCancel();

    // True when the form shows another design than the one last opened,
    // saved, or started with.
    bool IsModified() const;
    // Asks "Änderungen speichern?" when the design has changed: Ja saves it
    // (Save As with the design's file name proposed) and agrees only once it
    // is saved, Nein agrees, Abbrechen refuses. Unchanged: agrees at once.
    bool ConfirmLeave();
    // The file the form last opened or saved; empty before.
    const std::string& FileName() const { return m_fileName; }
    // What the design holds beyond the form's fields (mains tolerances and
    // chosen parts): read with a file, written with it, and part of what
    // counts as a change. SetExtras runs no cycle.
    const CConfigExtras& Extras() const { return m_extras; }
    void SetExtras(const CConfigExtras& extras);

    CPowerSupply& Supply() const { return *m_pSupply; }

    // The line values Save As writes: the flag, the input fields' texts and
    // the circuit.
    std::array<std::string, kConfigLineCount> ConfigurationTexts() const;

private:
    void Message(const std::string& text) override;
    void Beep() override;
    void ShowMessage(const std::string& text, CPlatform::EIcon icon);
    void ShowFileMessage(const char* text, const std::string& path);
    // Reads the file and applies it; the number of lines it lacked, or
    // nothing when it was refused.
    std::optional<int> LoadFile(const std::string& path);
    void ShowHelp(CPlatform::EHelpCommand command, unsigned context);
    // Sets the mains frequency from its menu entry and runs the cycle.
    void OnMainsFrequency(int commandId);
    // The title: base, followed by the 60 Hz mark while the design has it.
    void SetTitle(std::string base);
    // Marks the menu entry of the model's frequency and renews the title
    // when the frequency differs from the one shown.
    void ShowMainsFrequency();
    // Save As with initialName proposed; true once the file is saved.
    bool SaveAs(const std::string& initialName);
    // The design as Save As would write it is the unchanged one from now on.
    void MarkUnchanged() {
        m_unchangedTexts = ConfigurationTexts();
        m_unchangedFrequency = m_pSupply->GetMainsFrequency();
        m_unchangedExtras = m_extras;
        ShowModified();
    }
    // Tells the platform whether the design differs from its file, when that
    // changed.
    void ShowModified();
    // Writes the design to path; true once it is saved.
    bool SaveTo(const std::string& path);

    // A lowered target voltage and the text it was shown as.
    struct CShownTarget {
        float value;
        std::string text;
    };

    CPlatform& m_platform;
    std::unique_ptr<CPowerSupply> m_pSupply;
    // The alerts sent so far, so that each cycle can report its own.
    CPlatform::CCycleAlerts m_alerts;
    // While set, one of the form's message boxes is open.
    bool m_messageOpen = false;
    // The lowered target while the target field shows it.
    std::optional<CShownTarget> m_shownTarget;
    std::optional<std::string> m_startUpFile;
    std::string m_titleBase;
    // The frequency the menu and the title show; 0 before the first cycle.
    float m_shownFrequency = 0.0f;
    // What the form last wrote into each input field, by configuration line.
    std::array<std::string, kConfigLineCount> m_shownInputTexts;
    // The design last opened, saved or started with.
    std::array<std::string, kConfigLineCount> m_unchangedTexts;
    float m_unchangedFrequency = kDefaultMainsFrequency;
    std::optional<float> m_fileFrequency;
    CConfigExtras m_extras;
    CConfigExtras m_unchangedExtras;
    std::optional<bool> m_shownModified;
    std::string m_fileName;
};

}  // namespace ohmrada
