// SPDX-License-Identifier: GPL-3.0-or-later
#include "Application.h"

#include <cstdio>

#include <QApplication>
#include <QEvent>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QTimer>
#include <QTranslator>

#include "FormWindow.h"
#include "HelpViewer.h"
#include "QtPlatform.h"
#include "SupplyApp.h"

namespace ohmrada::qt {

namespace {

// Ends the main dialog after its window was first painted.
class CFirstPaintProbe : public QObject {
public:
    explicit CFirstPaintProbe(CQtPlatform& platform) : m_platform(platform) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!m_seen && event->type() == QEvent::Paint &&
            watched == static_cast<QObject*>(m_platform.Window())) {
            m_seen = true;
            // The children are painted in the same pass, right after.
            QTimer::singleShot(0, this, [this] {
                std::puts("ohmrada: painted");
                std::fflush(stdout);
                m_platform.EndDialog(0);
            });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    CQtPlatform& m_platform;
    bool m_seen = false;
};

}  // namespace

int RunOhmrada(int& argc, char** argv, const CRunOptions& options) {
    QApplication application(argc, argv);

    // The program speaks German whatever the desktop's language: so do Qt's
    // own dialogs, as far as Qt's translations are installed.
    QTranslator qtTexts;
    if (qtTexts.load(QLocale(QLocale::German, QLocale::Germany), QStringLiteral("qtbase"),
                     QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QApplication::installTranslator(&qtTexts);
    }
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/ohmrada/icon129.png")));
    // Lets a Wayland desktop match the window with its menu entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.ohmrada.Ohmrada"));

    CQtPlatform platform(
        FindHelpFolder(QCoreApplication::applicationDirPath()).value_or(QString()));
    CFirstPaintProbe probe(platform);
    if (options.exitAfterFirstPaint) {
        application.installEventFilter(&probe);
    }
    CSupplyApp app(platform);
    app.InitInstance();
    return 0;
}

}  // namespace ohmrada::qt
