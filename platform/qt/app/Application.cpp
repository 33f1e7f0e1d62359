// SPDX-License-Identifier: GPL-3.0-or-later
#include "Application.h"

#include <cstdio>

#include <QApplication>
#include <QEvent>
#include <QFontDatabase>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QSettings>
#include <QTimer>

#include "AppStyle.h"
#include "FontWarmUp.h"
#include "FormWindow.h"
#include "HelpViewer.h"
#include "HugePageHeap.h"
#include "Language.h"
#include "LanguageChoice.h"
#include "QtPlatform.h"
#include "SupplyApp.h"
#include "WindowIconPixels.h"

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

// Waits for the font warm-up as it goes out of scope.
class CWaitOnExit {
public:
    explicit CWaitOnExit(CFontWarmUp& warmUp) : m_warmUp(warmUp) {}
    ~CWaitOnExit() { m_warmUp.Wait(); }
    CWaitOnExit(const CWaitOnExit&) = delete;
    CWaitOnExit& operator=(const CWaitOnExit&) = delete;

private:
    CFontWarmUp& m_warmUp;
};

constexpr const char* kUsage = "Usage: ohmrada [FILE]\n";

constexpr const char* kHelp =
    "Usage: ohmrada [FILE]\n"
    "Ohmrada: dimensioning of a linear mains power supply (transformer, rectifier,\n"
    "reservoir capacitor, regulator), with worst case, limits, sweeps and a\n"
    "time-domain simulation beside the form.\n"
    "\n"
    "  FILE           a configuration (.odr) to open once the form is shown;\n"
    "                 a name that begins with '-' is given as ./-name\n"
    "  --language L   the windows' language for this run: de (German) or en\n"
    "                 (English); without it the choice of the menu\n"
    "                 \"Sprache / Language\", German at first\n"
    "  -h, --help     show this text and end\n"
    "  -v, --version  show the version and end\n"
    "\n"
    "Qt's own options (-platform, -style, ...) are taken as Qt takes them.\n"
    "Without a window: ohmrada-calc --help.\n";

constexpr const char* kVersion = "ohmrada 3.0\n";

// One huge page: what the start writes until the window is first painted
// (its controls, and its backing store of 1.3 MB at 100 %).
constexpr std::size_t kStartHeapBytes = std::size_t{2} << 20;

}  // namespace

CCommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
    CCommandLine line;
    for (const std::string& argument : arguments) {
        if (argument == "--help" || argument == "-h") {
            line.answer = kHelp;
            return line;
        }
        if (argument == "--version" || argument == "-v") {
            line.answer = kVersion;
            return line;
        }
    }
    std::vector<std::string> rest;
    for (std::size_t k = 0; k < arguments.size(); ++k) {
        const std::string& argument = arguments[k];
        if (argument == "--language" || argument.starts_with("--language=")) {
            if (argument == "--language" && k + 1 == arguments.size()) {
                line.error =
                    "ohmrada: --language needs a value (" + texts::LanguageCodes() + ")\n" + kUsage;
                return line;
            }
            const std::string code =
                argument == "--language" ? arguments[++k] : argument.substr(11);
            bool known = false;
            for (const texts::CLanguage& language : texts::Languages()) {
                known = known || code == language.code;
            }
            if (!known) {
                line.error = "ohmrada: --language: unknown language '" + code + "' (one of " +
                             texts::LanguageCodes() + ")\n" + kUsage;
                return line;
            }
            line.language = code;
            continue;
        }
        rest.push_back(argument);
    }
    for (const std::string& argument : rest) {
        if (!argument.empty() && argument.front() == '-') {
            line.error = "ohmrada: unknown option '" + argument +
                         "' (a file whose name begins with '-' is given as ./" + argument + ")\n" +
                         kUsage;
            return line;
        }
    }
    if (rest.size() > 1) {
        std::string error = "ohmrada: one file at most, not " + std::to_string(rest.size()) + ":";
        for (const std::string& argument : rest) {
            error += " '" + argument + "'";
        }
        line.error = error + "\n" + kUsage;
        return line;
    }
    if (!rest.empty()) {
        line.file = rest.front();
    }
    return line;
}

int RunOhmrada(int& argc, char** argv, const CRunOptions& options) {
    {
        // The usage and the version need no window, nor a display.
        std::vector<std::string> all;
        for (int i = 1; i < argc; ++i) {
            all.emplace_back(argv[i]);
        }
        const CCommandLine early = ParseCommandLine(all);
        if (early.answer) {
            std::fputs(early.answer->c_str(), stdout);
            return std::fflush(stdout) == 0 ? 0 : 2;
        }
    }
    // The font configuration is read beside the start, on the second core
    // (see CFontWarmUp); the form waits for it just before it first measures
    // text.
    CFontWarmUp fonts(FontconfigWarmUp());
    // The window's first memory in whole huge pages where the system has
    // them (see AdviseHeapHugePages).
    (void)AdviseHeapHugePages(kStartHeapBytes);
    QApplication application(argc, argv);
    // Whichever way the program ends from here (a bad argument ends it at
    // once), the warm-up is over before the application, which closes Qt's
    // hold on the font configuration, is.
    const CWaitOnExit waitForFonts(fonts);
    // Qt has taken its own options out of argv; the rest is the program's.
    // The file name is taken as the bytes given, as the system names files.
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) {
        arguments.emplace_back(argv[i]);
    }
    const CCommandLine commandLine = ParseCommandLine(arguments);
    if (commandLine.error) {
        std::fputs(commandLine.error->c_str(), stderr);
        return 2;
    }
    // The application's style, its menu bar's extension icons looked up
    // only when drawn (see CAppStyle); the application owns it.
    QApplication::setStyle(new CAppStyle);
    // The toolkit's list of the fonts, made once the application exists.
    fonts.Then([] { (void)QFontDatabase::families(); });

    // The program speaks German whatever the desktop's language, unless the
    // command line or the user's earlier choice in the menu says otherwise;
    // so do Qt's own dialogs, as far as Qt's translations are installed.
    const QString placesFile = QSettings(QSettings::IniFormat, QSettings::UserScope,
                                         QStringLiteral("ohmrada"), QStringLiteral("fenster"))
                                   .fileName();
    UseLanguage(StartLanguage(commandLine.language, placesFile));
    // The icon's pixels are compiled in: reading any image, even as the PNG
    // it is, makes the toolkit look through every image plugin first.
    const QImage icon(reinterpret_cast<const uchar*>(kWindowIconPixels), kWindowIconSize,
                      kWindowIconSize, QImage::Format_ARGB32);
    QApplication::setWindowIcon(QIcon(QPixmap::fromImage(icon)));
    // Lets a Wayland desktop match the window with its menu entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.ohmrada.Ohmrada"));

    CQtPlatform platform(
        FindHelpFolder(QCoreApplication::applicationDirPath()).value_or(QString()));
    // The analysis windows open where they were last closed.
    platform.SetPlacesFile(placesFile);
    platform.SetBeforeMeasuring([&fonts] { fonts.Wait(); });
    CFirstPaintProbe probe(platform);
    if (options.exitAfterFirstPaint) {
        application.installEventFilter(&probe);
    }
    CSupplyApp app(platform, commandLine.file);
    app.InitInstance();
    return 0;
}

}  // namespace ohmrada::qt
