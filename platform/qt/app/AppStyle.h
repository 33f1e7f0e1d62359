// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>
#include <QProxyStyle>

namespace ohmrada::qt {

// The application's own style, unchanged but for when two of its icons are
// looked up: those of a menu bar's extension button (shown only where the
// menus do not fit), which every menu bar asks for when it is made. The
// style reads their images with the format detected, and that loads every
// image plugin there is; here they are looked up when first drawn.
class CAppStyle : public QProxyStyle {
public:
    CAppStyle();
    // Over a given style, which it then owns.
    explicit CAppStyle(QStyle* base);

    QIcon standardIcon(StandardPixmap which, const QStyleOption* option = nullptr,
                       const QWidget* widget = nullptr) const override;
};

}  // namespace ohmrada::qt
