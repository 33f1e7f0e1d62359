// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <vector>

#include <QMargins>
#include <QRect>
#include <QSize>

namespace ohmrada::qt {

// Where a window beside the form opens. All rectangles are in global
// coordinates; "frame" rectangles include the window's title bar and border.
struct CPlacementRequest {
    QRect form;                // the form's frame
    int menuBottom = 0;        // the y just below the form's menu bar
    QRect screen;              // the available area of the form's screen
    QMargins frame;            // a window's frame around its contents
    QSize size;                // the contents size the window wants
    QSize minimum;             // the smallest contents size it can take
    std::vector<QRect> taken;  // the frames of the other open windows
};

// The contents rectangle (for setGeometry) of a window beside the form:
//
// 1. to the right of the form, at its top or under a window already there,
//    then further right beside those windows;
// 2. below the form, at its left or beside a window already there;
// 3. either of the two again, the window made smaller (down to its minimum)
//    to fit the room that is left;
// 4. otherwise cascaded over the form below its menu bar, one step further
//    for every window already open.
//
// Every place lies fully on the screen (a window larger than the screen is
// made as large as the screen) and never covers the form's menu bar; places
// 1 to 3 cover neither the form nor another window.
QRect PlaceBesideForm(const CPlacementRequest& request);

// A remembered contents rectangle brought fully onto the screen and off the
// form's menu bar, its size kept where the screen allows.
QRect KeepOnScreen(const QRect& remembered, const CPlacementRequest& request);

}  // namespace ohmrada::qt
