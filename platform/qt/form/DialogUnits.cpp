// SPDX-License-Identifier: GPL-3.0-or-later
#include "DialogUnits.h"

#include <QFontMetrics>
#include <QString>

namespace ohmrada::qt {

CDialogBaseUnits CDialogBaseUnits::Of(const QFont& font) {
    const QFontMetrics metrics(font);
    // The average width is taken over the 52 letters, rounded to whole
    // pixels, as dialog templates have always been measured.
    static const QString kLetters =
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const int letters = metrics.horizontalAdvance(kLetters);
    return {(letters / 26 + 1) / 2, metrics.height()};
}

int ScaleRounded(int value, int numerator, int denominator) {
    const long long product = static_cast<long long>(value) * numerator;
    const long long half = denominator / 2;
    const long long scaled =
        product >= 0 ? (product + half) / denominator : -((-product + half) / denominator);
    return static_cast<int>(scaled);
}

int CDialogBaseUnits::ToPixelsX(int units) const {
    return ScaleRounded(units, x, 4);
}

int CDialogBaseUnits::ToPixelsY(int units) const {
    return ScaleRounded(units, y, 8);
}

QRect CDialogBaseUnits::ToPixels(int left, int top, int width, int height) const {
    // The corners are converted, not the extent, so that adjacent controls
    // stay adjacent.
    const int x0 = ToPixelsX(left);
    const int y0 = ToPixelsY(top);
    return {x0, y0, ToPixelsX(left + width) - x0, ToPixelsY(top + height) - y0};
}

QFont TemplateFont(const char* family, int pointSize) {
    QFont font(QString::fromUtf8(family), pointSize);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

}  // namespace ohmrada::qt
