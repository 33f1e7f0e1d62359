// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <span>
#include <unordered_map>
#include <vector>

#include <QDialog>

#include "DialogUnits.h"
#include "ResourceTypes.h"
#include "TemplateBuilder.h"

class QAbstractButton;
class QAction;
class QFrame;
class QLineEdit;
class QMenu;
class QMenuBar;

namespace ohmrada {
class CMainDialog;
}

namespace ohmrada::qt {

class CSpinButton;

// The main window: the form of template 130 with menu 135, drawn by Qt
// widgets. It knows its controls only by their ids and decides nothing: every
// user action is handed to the attached CMainDialog, which answers through
// CQtPlatform.
//
// - an edit control that loses the keyboard focus, for whatever reason
//   (Tab, a click elsewhere, a message box or another window taking it), runs
//   OnKillFocus(id), whether or not its text changed; only a popup menu over
//   it does not count, since that does not take the focus from the form, and
//   a window of the form's own beside it (an analysis window, the help)
//   runs OnFocusToOwnWindow(id), which applies only a changed text;
// - a click on the check box or a radio button runs OnCommand(id) after the
//   button has changed its own mark; a radio button that was already checked
//   stays checked and still reports;
// - a spin press runs OnVScroll(id, position);
// - a menu entry runs OnCommand(command), Enter OnCommand(1), and Esc, the
//   close box and Alt+F4 OnCommand(2); F1 runs OnHelp().
//
// While no dialog is attached (before the start and after the end) the
// actions go nowhere.
//
// The window is built in the order that lets the start overlap the reading
// of the fonts: first what measures no text (the title, the menu, the
// client area's frame), then beforeMeasuring (when given) is called, and
// only then the dialog units are taken from the font and the controls made.
class CFormWindow : public QDialog {
public:
    explicit CFormWindow(QWidget* parent = nullptr,
                         const std::function<void()>& beforeMeasuring = {});
    ~CFormWindow() override;

    void Attach(CMainDialog* dialog) { m_dialog = dialog; }
    void ApplyToolTips(std::span<const res::CToolTip> toolTips);

    // Controls by id; nullptr when the id names no control of that kind.
    QWidget* Control(int id) const;
    QLineEdit* Field(int id) const;
    QAbstractButton* Button(int id) const;
    CSpinButton* Spin(int id) const;
    QAction* Action(int command) const;
    // The check box: the control that has the focus at start.
    QWidget* FirstTabStop() const { return m_firstTabStop; }
    QMenuBar* MenuBar() const { return m_menuBar; }
    // The area the template's controls stand on.
    QFrame* ClientArea() const { return m_client; }
    const CDialogBaseUnits& Units() const { return m_units; }
    const std::vector<CBuiltControl>& Controls() const { return m_controls; }
    // The id of the control a widget realises; 0 for any other widget.
    int IdOf(const QWidget* widget) const;

    // True for a window of the form's own beside it: a non-modal child
    // window such as an analysis window or the help viewer.
    bool IsOwnWindow(const QWidget* window) const;

    // Esc and the close box end here.
    void reject() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void BuildMenu(const res::CMenuTemplate& menu);
    void AddMenuEntries(QMenu& menu, std::span<const res::CMenuEntry> entries);
    void Connect(const CBuiltControl& control);
    void OnCommand(int id);

    CMainDialog* m_dialog = nullptr;
    CDialogBaseUnits m_units;
    QMenuBar* m_menuBar = nullptr;
    QFrame* m_client = nullptr;
    QWidget* m_firstTabStop = nullptr;
    std::vector<CBuiltControl> m_controls;
    std::unordered_map<int, QWidget*> m_byId;
    std::unordered_map<int, QLineEdit*> m_fields;
    std::unordered_map<int, QAbstractButton*> m_buttons;
    std::unordered_map<int, CSpinButton*> m_spins;
    std::unordered_map<int, QAction*> m_actions;
};

}  // namespace ohmrada::qt
