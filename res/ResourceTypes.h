// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <span>

// The building blocks of the program's resources: dialog templates measured in
// dialog units, menus, and the numbers by which the resources are known. The
// tables themselves live in FormTemplate.h, AboutTemplate.h and MenuTemplate.h;
// the window code builds its widgets from them and decides nothing on its own
// about which control stands where.

namespace ohmrada::res {

// Resource numbers.
inline constexpr int kIdAboutTemplate = 9;
inline constexpr int kIdApplicationIcon = 129;
inline constexpr int kIdFormTemplate = 130;
inline constexpr int kIdMainMenu = 135;

// Static texts and the group boxes without an id of their own.
inline constexpr int kNoId = -1;

enum class EControlKind {
    kGroupBox,
    kText,  // a left-aligned static text: a label or a unit
    kEdit,
    kCheckBox,
    kRadioButton,
    kSpin,  // a free-standing up-down control without buddy
    kPushButton,
};

// Style flags of a control, named after what they do on screen.
enum EControlStyle : unsigned {
    kTabStop = 1u << 0,        // reached by Tab
    kBorder = 1u << 1,         // a thin border
    kClientEdge = 1u << 2,     // a sunken edge
    kStaticEdge = 1u << 3,     // a thin sunken edge
    kTransparent = 1u << 4,    // lets an overlapping neighbour show through
    kAlignRight = 1u << 5,     // text right-aligned
    kAutoHScroll = 1u << 6,    // scrolls horizontally while typing
    kReadOnly = 1u << 7,       // selectable but not editable
    kAutoCheck = 1u << 8,      // the button changes its own mark when clicked
    kDefaultButton = 1u << 9,  // the push button that Enter presses
    kArrowKeys = 1u << 10,     // a spin control that follows the arrow keys
};

// Style flags of a dialog window.
enum EWindowStyle : unsigned {
    kCaption = 1u << 0,
    kSystemMenu = 1u << 1,
    kMinimizeBox = 1u << 2,
    kMaximizeBox = 1u << 3,
    kModalFrame = 1u << 4,
    kAppWindow = 1u << 5,         // a taskbar button of its own
    kWindowClientEdge = 1u << 6,  // a sunken edge around the client area
};

// One control of a dialog template; the rectangle in dialog units.
struct CControlTemplate {
    int id;
    EControlKind kind;
    unsigned style;
    const char* text;
    int x;
    int y;
    int width;
    int height;
};

struct CDialogTemplate {
    int id;
    const char* caption;
    int width;  // dialog units
    int height;
    const char* fontName;
    int pointSize;
    unsigned windowStyle;
    int menuId;  // 0: no menu
    std::span<const CControlTemplate> controls;
};

struct CMenuEntry {
    const char* text;  // "&" marks the access key
    int command;       // 0 for an entry that opens the submenu below
    // The entries of a submenu; empty for a command.
    std::span<const CMenuEntry> submenu = {};
    // A command that shows a check mark (set by the form logic).
    bool checkable = false;
    // Its keyboard shortcut in Qt's portable notation ("Ctrl+S"); none when null.
    const char* shortcut = nullptr;
};

struct CMenuPopup {
    const char* text;
    std::span<const CMenuEntry> entries;
};

struct CMenuTemplate {
    int id;
    std::span<const CMenuPopup> popups;
};

// A tooltip attached to a control.
struct CToolTip {
    int controlId;
    const char* text;
};

}  // namespace ohmrada::res
