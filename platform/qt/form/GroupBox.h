// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QGroupBox>

namespace ohmrada::qt {

// A group box as a dialog template draws it: an etched frame whose top line
// runs through the middle of the title, and the title on that line, set in
// from the left edge by about one character, the line broken behind it.
class CGroupBox : public QGroupBox {
public:
    using QGroupBox::QGroupBox;

    // Where the title's text stands, in the box's coordinates.
    QRect TitleRect() const;
    // The row of the frame's top line.
    int FrameTop() const;

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace ohmrada::qt
