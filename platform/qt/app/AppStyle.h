// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>
#include <QProxyStyle>

namespace ohmrada::qt {

// The application's own style, unchanged but for when two of its icons are
// looked up: those of a menu bar's extension button (shown only where the
// menus do not fit), which every menu bar asks for when it is made. The
// style reads their images with the format detected, and that loads every
// image plugin there is; here they are looked up when first drawn. Made
// as a QProxyStyle is: over the application's style, or over a given one,
// which it then owns.
class CAppStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;

    QIcon standardIcon(StandardPixmap which, const QStyleOption* option = nullptr,
                       const QWidget* widget = nullptr) const override;
};

}  // namespace ohmrada::qt
