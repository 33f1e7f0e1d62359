// SPDX-License-Identifier: GPL-3.0-or-later
// A library to preload into the ohmrada program (LD_PRELOAD), so that the
// program exactly as it is installed can be asked whether its window opens
// and whether it finds its help pages. The program has no test option of its
// own.
//
// QtCore calls qt_startup_hook() once the application object exists; the
// definition here replaces Qt's empty one. From then on a timer looks for
// the form (a visible top-level window with the F1 shortcut), activates that
// shortcut as a key press would, waits for the help viewer (a visible
// top-level window with a QTextBrowser showing a local file) and prints
//
//   probe: window <title of the form>
//   probe: help <absolute path of the page shown>
//   probe: help-text <number of characters of the page's text>
//
// then ends the event loops. When either window does not appear within
// 30 seconds, or a message box appears instead of the help viewer, it prints
// "probe: failed ..." and ends the process with 3.
// The shell test decides whether the path is the right one.
#include <cstdio>
#include <cstdlib>

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QKeySequence>
#include <QMessageBox>
#include <QShortcut>
#include <QTextBrowser>
#include <QTimer>
#include <QUrl>
#include <QWidget>

namespace {

constexpr int kPollMs = 50;
constexpr qint64 kDeadlineMs = 30000;

void Print(const QString& line) {
    std::fputs(line.toLocal8Bit().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

[[noreturn]] void Fail(const char* what) {
    std::printf("probe: failed: %s\n", what);
    std::fflush(stdout);
    std::_Exit(3);
}

QShortcut* HelpShortcutOf(QWidget* window) {
    const QKeySequence f1(Qt::Key_F1);
    for (QShortcut* shortcut : window->findChildren<QShortcut*>()) {
        if (shortcut->key() == f1 && shortcut->isEnabled()) {
            return shortcut;
        }
    }
    return nullptr;
}

class CProbe : public QObject {
public:
    CProbe() : QObject(QCoreApplication::instance()) {
        m_clock.start();
        auto* timer = new QTimer(this);
        connect(timer, &QTimer::timeout, this, &CProbe::Poll);
        timer->start(kPollMs);
    }

private:
    void Poll() {
        if (m_done) {
            return;
        }
        if (m_clock.elapsed() > kDeadlineMs) {
            Fail(m_form == nullptr ? "the form did not open" : "the help viewer did not open");
        }
        if (m_form == nullptr) {
            FindForm();
        } else {
            FindHelp();
        }
    }

    void FindForm() {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (!window->isVisible()) {
                continue;
            }
            if (QShortcut* help = HelpShortcutOf(window)) {
                m_form = window;
                // The title as the desktop shows it: "[*]" is the mark of
                // a changed design.
                QString title = window->windowTitle();
                title.replace(QStringLiteral("[*]"),
                              window->isWindowModified() ? QStringLiteral("*") : QString());
                Print(QStringLiteral("probe: window ") + title);
                // Queued: should F1 open a modal window, this timer keeps
                // running in its event loop.
                QTimer::singleShot(0, help, [help] { Q_EMIT help->activated(); });
                return;
            }
        }
    }

    void FindHelp() {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (window == m_form || !window->isVisible()) {
                continue;
            }
            if (auto* box = qobject_cast<QMessageBox*>(window)) {
                Print(QStringLiteral("probe: message ") + box->text());
                Fail("a message box instead of the help viewer");
            }
            for (QTextBrowser* browser : window->findChildren<QTextBrowser*>()) {
                const QUrl source = browser->source();
                if (!source.isLocalFile()) {
                    continue;
                }
                Print(QStringLiteral("probe: help ") +
                      QFileInfo(source.toLocalFile()).absoluteFilePath());
                Print(QStringLiteral("probe: help-text ") +
                      QString::number(browser->toPlainText().trimmed().size()));
                m_done = true;
                QCoreApplication::exit(0);
                return;
            }
        }
    }

    QElapsedTimer m_clock;
    QWidget* m_form = nullptr;
    bool m_done = false;
};

}  // namespace

extern "C" Q_DECL_EXPORT void qt_startup_hook() {
    // The application object is still being built: start once its event
    // loop runs.
    QTimer::singleShot(0, QCoreApplication::instance(), [] { new CProbe; });
}
