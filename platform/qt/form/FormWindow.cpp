// SPDX-License-Identifier: GPL-3.0-or-later
#include "FormWindow.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QFrame>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>
#include <QVBoxLayout>

#include "FieldEdit.h"
#include "FieldTable.h"
#include "FormTemplate.h"
#include "MainDialog.h"
#include "MenuTemplate.h"
#include "QtTexts.h"
#include "SpinButton.h"

namespace ohmrada::qt {

CFormWindow::CFormWindow(QWidget* parent, const std::function<void()>& beforeMeasuring)
    : QDialog(parent, WindowFlagsOf(res::kFormTemplate.windowStyle)) {
    const res::CDialogTemplate& form = res::kFormTemplate;
    setWindowTitle(Tr(form.caption));
    // Setting the font only names it; it is looked up when first measured.
    setFont(TemplateFont(form.fontName, form.pointSize));

    m_menuBar = new QMenuBar(this);
    BuildMenu(res::kMainMenu);

    m_client = new QFrame(this);
    if ((form.windowStyle & res::kWindowClientEdge) != 0) {
        m_client->setFrameStyle(QFrame::WinPanel | QFrame::Sunken);
    }

    // From here on text is measured: a group box's title and a field's text
    // are laid out as the control is made.
    if (beforeMeasuring) {
        beforeMeasuring();
    }
    m_units = CDialogBaseUnits::Of(font());
    const int edge = m_client->frameWidth();
    m_client->setFixedSize(m_units.ToPixelsX(form.width) + 2 * edge,
                           m_units.ToPixelsY(form.height) + 2 * edge);
    m_controls = BuildControls(form.controls, m_client, m_units, QPoint(edge, edge));
    for (const CBuiltControl& control : m_controls) {
        Connect(control);
    }

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setMenuBar(m_menuBar);
    layout->addWidget(m_client);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    help->setContext(Qt::WindowShortcut);
    connect(help, &QShortcut::activated, this, [this] {
        if (m_dialog != nullptr) {
            m_dialog->OnHelp();
        }
    });
}

CFormWindow::~CFormWindow() {
    // The controls outlive this part of the window and lose the focus as they
    // go; nothing of theirs may call back into it then.
    m_dialog = nullptr;
    for (const auto& [id, field] : m_fields) {
        static_cast<CFieldEdit*>(field)->SetFocusLostHandler(nullptr);
    }
    for (const auto& [id, spin] : m_spins) {
        spin->SetHandler(nullptr);
    }
}

void CFormWindow::BuildMenu(const res::CMenuTemplate& menu) {
    for (const res::CMenuPopup& popup : menu.popups) {
        AddMenuEntries(*m_menuBar->addMenu(Tr(popup.text)), popup.entries);
    }
}

void CFormWindow::AddMenuEntries(QMenu& menu, std::span<const res::CMenuEntry> entries) {
    for (const res::CMenuEntry& entry : entries) {
        if (!entry.submenu.empty()) {
            AddMenuEntries(*menu.addMenu(Tr(entry.text)), entry.submenu);
            continue;
        }
        QAction* action = menu.addAction(Tr(entry.text));
        // The form logic sets the mark; a click only sends the command.
        action->setCheckable(entry.checkable);
        if (entry.shortcut != nullptr) {
            action->setShortcut(QKeySequence(QString::fromLatin1(entry.shortcut)));
            action->setShortcutContext(Qt::WindowShortcut);
            // The form's own as well: the keys work while the form is active,
            // whether or not its menu was ever opened.
            addAction(action);
        }
        const int command = entry.command;
        connect(action, &QAction::triggered, this, [this, action, command] {
            if (action->isCheckable()) {
                action->setChecked(!action->isChecked());
            }
            OnCommand(command);
        });
        m_actions.emplace(command, action);
    }
}

void CFormWindow::Connect(const CBuiltControl& control) {
    const int id = control.row->id;
    if ((control.row->style & res::kTabStop) != 0 && m_firstTabStop == nullptr) {
        m_firstTabStop = control.widget;
    }
    if (id == res::kNoId) {
        return;
    }
    m_byId.emplace(id, control.widget);
    switch (control.row->kind) {
        case res::EControlKind::kEdit: {
            auto* field = static_cast<CFieldEdit*>(control.widget);
            m_fields.emplace(id, field);
            field->SetFocusLostHandler([this, id] {
                if (m_dialog == nullptr) {
                    return;
                }
                if (IsOwnWindow(QApplication::activeWindow())) {
                    m_dialog->OnFocusToOwnWindow(id);
                } else {
                    m_dialog->OnKillFocus(id);
                }
            });
            break;
        }
        case res::EControlKind::kCheckBox:
        case res::EControlKind::kRadioButton:
        case res::EControlKind::kPushButton: {
            auto* button = static_cast<QAbstractButton*>(control.widget);
            m_buttons.emplace(id, button);
            // clicked comes after the button changed its own mark, and only
            // from the user, never from setChecked.
            connect(button, &QAbstractButton::clicked, this, [this, id] { OnCommand(id); });
            break;
        }
        case res::EControlKind::kSpin: {
            auto* spin = static_cast<CSpinButton*>(control.widget);
            m_spins.emplace(id, spin);
            spin->SetHandler([this, id](int position) {
                if (m_dialog != nullptr) {
                    m_dialog->OnVScroll(id, position);
                }
            });
            break;
        }
        case res::EControlKind::kGroupBox:
        case res::EControlKind::kText:
            break;
    }
}

void CFormWindow::ApplyToolTips(std::span<const res::CToolTip> toolTips) {
    for (const res::CToolTip& tip : toolTips) {
        if (QWidget* control = Control(tip.controlId)) {
            control->setToolTip(Tr(tip.text));
        }
    }
}

namespace {

template <typename T>
T* Find(const std::unordered_map<int, T*>& map, int id) {
    const auto it = map.find(id);
    return it != map.end() ? it->second : nullptr;
}

}  // namespace

QWidget* CFormWindow::Control(int id) const {
    return Find(m_byId, id);
}
QLineEdit* CFormWindow::Field(int id) const {
    return Find(m_fields, id);
}
QAbstractButton* CFormWindow::Button(int id) const {
    return Find(m_buttons, id);
}
CSpinButton* CFormWindow::Spin(int id) const {
    return Find(m_spins, id);
}
QAction* CFormWindow::Action(int command) const {
    return Find(m_actions, command);
}

void CFormWindow::OnCommand(int id) {
    if (m_dialog != nullptr) {
        m_dialog->OnCommand(id);
    }
}

void CFormWindow::reject() {
    if (m_dialog != nullptr) {
        m_dialog->OnCommand(kCmdCancel);
    } else {
        QDialog::reject();
    }
}

void CFormWindow::keyPressEvent(QKeyEvent* event) {
    const bool plain = event->modifiers() == Qt::NoModifier ||
                       (event->modifiers() == Qt::KeypadModifier && event->key() == Qt::Key_Enter);
    if (plain && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        // Enter is the form's OK, which does nothing: a value is taken when
        // its field loses the focus.
        OnCommand(kCmdOk);
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool CFormWindow::IsOwnWindow(const QWidget* window) const {
    // The windows beside the form are its children; a modal dialog (file
    // dialog, message box, about box) is not one of them.
    return window != nullptr && window != this && window->isWindow() &&
           window->parentWidget() == this && !window->isModal() &&
           window->windowModality() == Qt::NonModal;
}

int CFormWindow::IdOf(const QWidget* widget) const {
    for (const CBuiltControl& control : m_controls) {
        if (control.widget == widget) {
            return control.row->id;
        }
    }
    return 0;
}

}  // namespace ohmrada::qt
