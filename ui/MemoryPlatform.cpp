// SPDX-License-Identifier: GPL-3.0-or-later
#include "MemoryPlatform.h"

#include <algorithm>

#include "FieldTable.h"
#include "MainDialog.h"

namespace ohmrada {

namespace {

bool IsInputField(int id) {
    return std::find(kInputFieldIds.begin(), kInputFieldIds.end(), id) != kInputFieldIds.end();
}

}  // namespace

int CMemoryPlatform::DoModal(CMainDialog& dialog) {
    m_dialog = &dialog;
    m_endResult.reset();
    dialog.OnInitDialog();
    // The first tab stop, the check box, takes the focus.
    m_focus = kIdCentreTap;
    if (!m_endResult) {
        dialog.OnShown();
    }
    return m_endResult.value_or(0);
}

std::string CMemoryPlatform::GetItemText(int id) const {
    const auto it = m_texts.find(id);
    return it != m_texts.end() ? it->second : std::string();
}

void CMemoryPlatform::CheckRadioButton(int firstId, int lastId, int checkId) {
    for (int id = firstId; id <= lastId; ++id) {
        m_checked[id] = id == checkId;
    }
}

void CMemoryPlatform::MessageBox(const std::string& text, EIcon icon) {
    m_messages.push_back({text, icon});
    const int focused = m_focus;
    if (IsInputField(focused) && m_dialog != nullptr) {
        m_focus = 0;
        m_dialog->OnKillFocus(focused);
    }
    if (m_messageHook) {
        m_messageHook(m_messages.back());
    }
    m_focus = focused;
}

CPlatform::EAnswer CMemoryPlatform::AskYesNoCancel(const std::string& text) {
    m_questions.push_back(text);
    const int focused = m_focus;
    if (IsInputField(focused) && m_dialog != nullptr) {
        m_focus = 0;
        m_dialog->OnKillFocus(focused);
    }
    m_focus = focused;
    if (m_answers.empty()) {
        return EAnswer::kCancel;
    }
    const EAnswer answer = m_answers.front();
    m_answers.pop_front();
    return answer;
}

std::optional<std::string> CMemoryPlatform::RunFileDialog(const CFileDialogRequest& request) {
    m_fileRequests.push_back(request);
    if (m_fileAnswers.empty()) {
        return std::nullopt;
    }
    std::optional<std::string> answer = std::move(m_fileAnswers.front());
    m_fileAnswers.pop_front();
    return answer;
}

bool CMemoryPlatform::Help(EHelpCommand command, unsigned context) {
    m_helpCalls.emplace_back(command, context);
    return m_helpAvailable;
}

void CMemoryPlatform::Focus(int id) {
    const int previous = m_focus;
    if (previous == id) {
        return;
    }
    m_focus = id;
    if (IsInputField(previous) && m_dialog != nullptr) {
        m_dialog->OnKillFocus(previous);
    }
}

void CMemoryPlatform::Type(int id, const std::string& text) {
    Focus(id);
    m_texts[id] = text;
}

void CMemoryPlatform::Enter(int id, const std::string& text) {
    Type(id, text);
    Focus(0);
}

void CMemoryPlatform::ClickCentreTap() {
    Focus(kIdCentreTap);
    m_checked[kIdCentreTap] = !IsChecked(kIdCentreTap);
    if (m_dialog != nullptr) {
        m_dialog->OnCentreTap();
    }
}

void CMemoryPlatform::ClickRectifierButton(int id) {
    if (!IsEnabled(id)) {
        return;
    }
    // The radio buttons are no tab stops, but a click still takes the focus.
    Focus(id);
    CheckRadioButton(kIdHalfWave, kIdCentreTapCircuit, id);
    if (m_dialog != nullptr) {
        m_dialog->OnRectifierButton(id);
    }
}

void CMemoryPlatform::PressSpin(int id, bool up) {
    // The up arrow lowers the position.
    const int position = SpinPosition(id) + (up ? -1 : 1);
    m_spinPositions[id] = position;
    if (m_dialog != nullptr) {
        m_dialog->OnVScroll(id, position);
    }
}

bool CMemoryPlatform::IsChecked(int id) const {
    const auto it = m_checked.find(id);
    return it != m_checked.end() && it->second;
}

bool CMemoryPlatform::IsEnabled(int id) const {
    const auto it = m_enabled.find(id);
    return it == m_enabled.end() || it->second;
}

int CMemoryPlatform::SpinPosition(int id) const {
    const auto it = m_spinPositions.find(id);
    return it != m_spinPositions.end() ? it->second : 0;
}

}  // namespace ohmrada
