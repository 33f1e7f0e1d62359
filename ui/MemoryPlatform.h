// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "Platform.h"

namespace ohmrada {

// A form without a window: control texts and marks kept by id, every message
// box and beep counted. It also plays the user: typing into a field, moving
// the focus (a field that loses it runs its kill-focus handler), clicking the
// buttons and pressing the spin controls, with the button marks changing
// before the handler runs as they do on screen. Serves the tests and
// ohmrada-calc.
//
// While a message box or a question is open the focus belongs to the box: a field that held
// the focus loses it, and its kill-focus handler is called (the form ignores
// a focus lost to its own box), before the box is counted as closed; the
// focus then returns to the field without a notification.
class CMemoryPlatform : public CPlatform {
public:
    struct CMessage {
        std::string text;
        EIcon icon;
    };

    CMemoryPlatform() = default;

    // CPlatform
    int DoModal(CMainDialog& dialog) override;
    void EndDialog(int result) override { m_endResult = result; }
    void SetItemText(int id, const std::string& text) override { m_texts[id] = text; }
    std::string GetItemText(int id) const override;
    void CheckButton(int id, bool checked) override { m_checked[id] = checked; }
    void EnableItem(int id, bool enabled) override { m_enabled[id] = enabled; }
    void CheckRadioButton(int firstId, int lastId, int checkId) override;
    void SetSpinPosition(int id, int position) override { m_spinPositions[id] = position; }
    void SetTitle(const std::string& title) override { m_title = title; }
    void MessageBox(const std::string& text, EIcon icon) override;
    EAnswer AskYesNoCancel(const std::string& text) override;
    void Beep() override { ++m_beeps; }
    std::optional<std::string> RunFileDialog(const CFileDialogRequest& request) override;
    bool Help(EHelpCommand command, unsigned context) override;
    void ShowAboutBox() override { ++m_aboutBoxes; }
    void SetModified(bool modified) override { m_modified = modified; }
    void FileUsed(const std::string& path) override { m_filesUsed.push_back(path); }

    // The dialog whose handlers the simulated user reaches. DoModal attaches
    // it; a caller that runs OnInitDialog itself attaches it here.
    void Attach(CMainDialog& dialog) { m_dialog = &dialog; }

    // The simulated user.
    void Focus(int id);                           // moves the focus to a control (0: nowhere)
    void Type(int id, const std::string& text);   // focuses the field and replaces its text
    void Enter(int id, const std::string& text);  // Type, then the focus leaves the field
    void ClickCentreTap();
    void ClickRectifierButton(int id);  // ignored while the button is disabled
    void PressSpin(int id, bool up);
    int FocusedId() const { return m_focus; }

    // What the form shows.
    bool IsChecked(int id) const;
    bool IsEnabled(int id) const;  // controls are enabled until disabled
    int SpinPosition(int id) const;
    const std::string& Title() const { return m_title; }
    // The title's mark of a changed design, as last set.
    bool Modified() const { return m_modified; }
    // The files the form opened or saved, in order.
    const std::vector<std::string>& FilesUsed() const { return m_filesUsed; }

    // What the user was told.
    const std::vector<CMessage>& Messages() const { return m_messages; }
    const std::vector<std::string>& Questions() const { return m_questions; }
    int Beeps() const { return m_beeps; }
    int AboutBoxes() const { return m_aboutBoxes; }
    std::optional<int> EndResult() const { return m_endResult; }
    const std::vector<CFileDialogRequest>& FileDialogRequests() const { return m_fileRequests; }
    const std::vector<std::pair<EHelpCommand, unsigned>>& HelpCalls() const { return m_helpCalls; }

    // Scripted answers.
    // The next file dialogs' answers, in order; nothing queued means cancel.
    void QueueFileDialogAnswer(std::optional<std::string> path) {
        m_fileAnswers.push_back(std::move(path));
    }
    // The next questions' answers, in order; nothing queued means Abbrechen.
    void QueueAnswer(EAnswer answer) { m_answers.push_back(answer); }
    void SetHelpAvailable(bool available) { m_helpAvailable = available; }
    // Called while a message box is open, after the focus left for it.
    void SetMessageBoxHook(std::function<void(const CMessage&)> hook) {
        m_messageHook = std::move(hook);
    }

private:
    CMainDialog* m_dialog = nullptr;
    std::map<int, std::string> m_texts;
    std::map<int, bool> m_checked;
    std::map<int, bool> m_enabled;
    std::map<int, int> m_spinPositions;
    std::string m_title;
    int m_focus = 0;
    std::vector<CMessage> m_messages;
    std::vector<std::string> m_questions;
    std::deque<EAnswer> m_answers;
    bool m_modified = false;
    std::vector<std::string> m_filesUsed;
    int m_beeps = 0;
    int m_aboutBoxes = 0;
    std::optional<int> m_endResult;
    std::vector<CFileDialogRequest> m_fileRequests;
    std::deque<std::optional<std::string>> m_fileAnswers;
    std::vector<std::pair<EHelpCommand, unsigned>> m_helpCalls;
    bool m_helpAvailable = true;
    std::function<void(const CMessage&)> m_messageHook;
};

}  // namespace ohmrada
