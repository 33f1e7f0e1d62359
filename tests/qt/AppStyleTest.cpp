// SPDX-License-Identifier: GPL-3.0-or-later
// The program's style: a menu bar made with it does not look up its
// extension button's icon (which loads every image plugin), and the icon,
// once drawn, is the style's own.
#include <memory>

#include <QApplication>
#include <QImage>
#include <QMenuBar>
#include <QPixmap>
#include <QProxyStyle>
#include <QStyleFactory>

#include "AppStyle.h"
#include "QtTestEnvironment.h"

namespace ohmrada::qt::test {

namespace {

// The Fusion style, counting the lookups of the extension buttons' icons.
class CCountingStyle : public QProxyStyle {
public:
    explicit CCountingStyle(int* lookups)
        : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))), m_lookups(lookups) {}

    QIcon standardIcon(StandardPixmap which, const QStyleOption* option,
                       const QWidget* widget) const override {
        if (which == SP_ToolBarHorizontalExtensionButton ||
            which == SP_ToolBarVerticalExtensionButton) {
            ++*m_lookups;
        }
        return QProxyStyle::standardIcon(which, option, widget);
    }

private:
    int* m_lookups;
};

QImage Drawn(const QIcon& icon) {
    return icon.pixmap(QSize(16, 16)).toImage().convertToFormat(QImage::Format_ARGB32);
}

}  // namespace

TEST(AppStyleTest, LooksUpTheMenuBarsExtensionIconOnlyWhenDrawn) {
    int lookups = 0;
    CAppStyle style(new CCountingStyle(&lookups));
    QMenuBar bar;
    bar.setStyle(&style);
    bar.addMenu(QStringLiteral("&Datei"));
    bar.resize(400, 30);
    bar.show();
    QApplication::processEvents();
    EXPECT_EQ(lookups, 0);

    const QIcon lazy = style.standardIcon(QStyle::SP_ToolBarHorizontalExtensionButton);
    EXPECT_EQ(lookups, 0);
    const QImage drawn = Drawn(lazy);
    EXPECT_EQ(lookups, 1);
    std::unique_ptr<QStyle> fusion(QStyleFactory::create(QStringLiteral("Fusion")));
    const QImage own = Drawn(fusion->standardIcon(QStyle::SP_ToolBarHorizontalExtensionButton));
    ASSERT_FALSE(own.isNull());
    EXPECT_EQ(drawn, own);
    // Every other icon is the style's own at once.
    const QImage other = Drawn(style.standardIcon(QStyle::SP_DialogOkButton));
    EXPECT_EQ(other, Drawn(fusion->standardIcon(QStyle::SP_DialogOkButton)));
}

}  // namespace ohmrada::qt::test
