// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <system_error>

#include "LineIo.h"

namespace ohmrada {

class CMainDialog;

// Everything the form logic needs of a window system, addressed by the
// controls' numeric ids. CMainDialog calls only this; the Qt window
// (platform/qt) and the in-memory form (CMemoryPlatform, for the tests and
// ohmrada-calc) realise it and turn their events into CMainDialog's handlers.
class CPlatform {
public:
    enum class EIcon { kExclamation, kStop, kInformation };
    enum class EHelpCommand { kContents, kContext, kQuit };
    enum class EAnswer { kYes, kNo, kCancel };

    struct CFileDialogRequest {
        bool save = false;
        std::string title;
        std::string initialName;
        std::string filterLabel;
        std::string filterPattern;
        // Ask before an existing file is replaced (save dialogs).
        bool confirmOverwrite = false;
        // Appended to a name saved without any extension ("odr").
        std::string defaultSuffix;
    };

    // What one recalculation cycle brought up: the regulation messages and
    // overload beeps it sent (with those of any cycle nested in it).
    struct CCycleAlerts {
        int messages = 0;
        int beeps = 0;
    };

    virtual ~CPlatform();

    // Runs the dialog until it is ended: builds the form, calls
    // dialog.OnInitDialog(), shows the form and, once it is shown, calls
    // dialog.OnShown(); then delivers events to its handlers. Returns the
    // result passed to EndDialog().
    virtual int DoModal(CMainDialog& dialog) = 0;
    virtual void EndDialog(int result) = 0;

    // Replaces a control's whole text; raises no focus notification.
    virtual void SetItemText(int id, const std::string& text) = 0;
    // A control's whole current text, as the user left it.
    virtual std::string GetItemText(int id) const = 0;
    virtual void CheckButton(int id, bool checked) = 0;
    virtual void EnableItem(int id, bool enabled) = 0;
    // Checks checkId and clears the other buttons of firstId..lastId.
    virtual void CheckRadioButton(int firstId, int lastId, int checkId) = 0;
    virtual void SetSpinPosition(int id, int position) = 0;
    virtual void SetTitle(const std::string& title) = 0;

    // A modal message box with an OK button, titled with the application's
    // name; returns when the user has closed it.
    virtual void MessageBox(const std::string& text, EIcon icon) = 0;
    // A modal question with the buttons Ja, Nein and Abbrechen, titled with
    // the application's name; Esc and the close box answer Abbrechen.
    virtual EAnswer AskYesNoCancel(const std::string& text) = 0;
    // The system's default beep.
    virtual void Beep() = 0;

    // A modal file dialog; the chosen full path, or nothing when cancelled.
    virtual std::optional<std::string> RunFileDialog(const CFileDialogRequest& request) = 0;

    // The help viewer: contents, a context number, or close it. False when the
    // help cannot be shown.
    virtual bool Help(EHelpCommand command, unsigned context) = 0;

    // The modal about box.
    virtual void ShowAboutBox() = 0;

    // Whether the form shows a design other than the one of its file (or of
    // the start-up); a window marks its title so. Does nothing by default.
    virtual void SetModified(bool modified);
    // A file was opened or saved by the form (for a list of recent files).
    // Does nothing by default.
    virtual void FileUsed(const std::string& path);

    // Told at the end of every recalculation cycle, after the form shows its
    // results. Only for observers beside the form: nothing here may change
    // the form. Does nothing unless a platform has such observers.
    virtual void CycleEnded(const CCycleAlerts& alerts);

    // Files, by full path. Both give nullptr and the reason on failure. The
    // default realisation uses the standard library's files with an atomic
    // replace on writing.
    virtual std::unique_ptr<CLineSource> OpenForReading(const std::string& path,
                                                        std::error_code& error);
    virtual std::unique_ptr<CLineSink> OpenForWriting(const std::string& path,
                                                      std::error_code& error);
};

}  // namespace ohmrada
