// SPDX-License-Identifier: GPL-3.0-or-later
#include "AppStyle.h"

#include <optional>

#include <QIconEngine>
#include <QPainter>
#include <QPointer>

namespace ohmrada::qt {

namespace {

// A style's icon, looked up the first time it is drawn or measured.
class CLazyIconEngine : public QIconEngine {
public:
    CLazyIconEngine(QStyle* style, QStyle::StandardPixmap which) : m_style(style), m_which(which) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode,
               QIcon::State state) override {
        Icon().paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return Icon().pixmap(size, mode, state);
    }
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state,
                         qreal scale) override {
        return Icon().pixmap(size, scale, mode, state);
    }
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return Icon().actualSize(size, mode, state);
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override {
        return Icon().availableSizes(mode, state);
    }
    bool isNull() override { return Icon().isNull(); }
    QIconEngine* clone() const override { return new CLazyIconEngine(*this); }

private:
    const QIcon& Icon() {
        if (!m_icon) {
            QStyle* style = m_style.data();
            m_icon = style != nullptr ? style->standardIcon(m_which) : QIcon();
        }
        return *m_icon;
    }

    QPointer<QStyle> m_style;
    QStyle::StandardPixmap m_which;
    std::optional<QIcon> m_icon;
};

}  // namespace

QIcon CAppStyle::standardIcon(StandardPixmap which, const QStyleOption* option,
                              const QWidget* widget) const {
    if (option == nullptr && (which == SP_ToolBarHorizontalExtensionButton ||
                              which == SP_ToolBarVerticalExtensionButton)) {
        return QIcon(new CLazyIconEngine(baseStyle(), which));
    }
    return QProxyStyle::standardIcon(which, option, widget);
}

}  // namespace ohmrada::qt
