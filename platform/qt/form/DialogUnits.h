// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFont>
#include <QRect>

namespace ohmrada::qt {

// The dialog templates are measured in dialog units of their font: a
// horizontal unit is a quarter of the font's average character width, a
// vertical unit an eighth of its height. Converting through the font keeps
// the form's proportions at every resolution and with whatever font the
// system substitutes.
struct CDialogBaseUnits {
    int x = 0;  // average character width, pixels
    int y = 0;  // character height, pixels

    static CDialogBaseUnits Of(const QFont& font);

    int ToPixelsX(int units) const;
    int ToPixelsY(int units) const;
    QRect ToPixels(int x, int y, int width, int height) const;
};

// value * numerator / denominator, rounded half away from zero.
int ScaleRounded(int value, int numerator, int denominator);

// The toolkit's nearest font to the one a template names.
QFont TemplateFont(const char* family, int pointSize);

}  // namespace ohmrada::qt
