// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <span>
#include <vector>

#include <QtGlobal>

#include "DialogUnits.h"
#include "ResourceTypes.h"

class QWidget;

namespace ohmrada::qt {

// One control built from a template row.
struct CBuiltControl {
    const res::CControlTemplate* row = nullptr;
    // The control itself: CGroupBox, QLabel, CFieldEdit, QCheckBox,
    // QRadioButton, CSpinButton or QPushButton.
    QWidget* widget = nullptr;
    // What carries the rectangle: the control, or the sunken frame around it.
    QWidget* outer = nullptr;
};

// Creates the widgets of a template's controls as children of parent, in
// template order, each at its rectangle converted through units and offset
// by origin. The order is kept as the order of the focus chain; the tab stops
// are chained in it, and only they are reached by Tab.
std::vector<CBuiltControl> BuildControls(std::span<const res::CControlTemplate> controls,
                                         QWidget* parent, const CDialogBaseUnits& units,
                                         QPoint origin);

// The window flags a template's window style asks for.
Qt::WindowFlags WindowFlagsOf(unsigned windowStyle);

}  // namespace ohmrada::qt
