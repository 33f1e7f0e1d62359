// SPDX-License-Identifier: GPL-3.0-or-later
// Writes a picture of the main window, as it shows right after the start, to
// the PNG file named on the command line. Runs on any Qt platform, the
// offscreen one included.
#include <cstdio>

#include <QApplication>
#include <QPixmap>
#include <QTest>

#include "FormWindow.h"
#include "MainDialog.h"
#include "QtPlatform.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.png\n", argv[0]);
        return 2;
    }
    QApplication application(argc, argv);
    ohmrada::qt::CQtPlatform platform;
    ohmrada::CMainDialog dialog(platform);
    platform.Show(dialog);
    ohmrada::qt::CFormWindow& window = *platform.Window();
    if (!QTest::qWaitForWindowExposed(&window)) {
        std::fprintf(stderr, "the window was not shown\n");
        return 1;
    }
    QApplication::processEvents();
    if (!window.grab().save(QString::fromLocal8Bit(argv[1]), "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
