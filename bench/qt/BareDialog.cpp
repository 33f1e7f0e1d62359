// SPDX-License-Identifier: GPL-3.0-or-later
// The yardstick for the program's start: a bare Qt program that shows one
// empty dialog and ends as soon as it has been painted once.
#include <cstdio>

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QTimer>

namespace {

class CFirstPaint : public QObject {
protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !m_seen) {
            m_seen = true;
            QTimer::singleShot(0, this, [] {
                std::puts("bare: painted");
                std::fflush(stdout);
                QCoreApplication::exit(0);
            });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool m_seen = false;
};

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QDialog dialog;
    CFirstPaint probe;
    dialog.installEventFilter(&probe);
    dialog.resize(300, 200);
    dialog.show();
    return QApplication::exec();
}
