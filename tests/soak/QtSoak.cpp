// SPDX-License-Identifier: GPL-3.0-or-later
// A seeded random soak of the real window on Qt's offscreen platform.
//
// The program plays a user on the main window with Qt's input simulation:
// typing any kind of text into the input fields, Tab and Shift+Tab, clicks on
// the check box, the rectifier buttons and the fields, spin presses, Open and
// Save As of files in a temporary folder. Every modal window that comes up is
// answered by the soak itself (a timer that watches
// QApplication::activeModalWidget()); one that stays open too long aborts the
// run. After every action the window is compared with a fresh form on the
// in-memory platform that is given the window's model inputs:
//
// - every input field without pending typing shows its model value as the
//   form formats it, the target voltage included: a lowering shows the
//   lowered target at once;
// - every result field shows what the fresh form computes;
// - no cycle runs while a message box is open (a field losing the focus to
//   the form's own message box applies nothing), so one lowering shows one
//   message;
// - leaving the program (Esc, the close box, "Beenden") asks "Änderungen
//   speichern?" exactly when the fields, the check box or the circuit differ
//   from what the form showed after it started, or after the last Open or
//   Save As that succeeded (the soak tracks that itself, from the title the
//   form sets); Abbrechen keeps it open, Nein ends it, Ja ends it only once
//   the file is saved. An ended form is started again.
//
// Usage: qt_soak [--seed N] [--actions N]. Exit code 0 when every check held.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>

#if defined(__unix__) || defined(__APPLE__)
#include <sys/resource.h>
#endif

#include "AnalysisWindows.h"
#include "Design.h"
#include "FieldTable.h"
#include "FormWindow.h"
#include "InputTable.h"
#include "LimitsWindow.h"
#include "MainDialog.h"
#include "MemoryPlatform.h"
#include "QtPlatform.h"
#include "SpinButton.h"
#include "SweepWindow.h"
#include "Texts.h"
#include "TimeDomainWindow.h"
#include "ToleranceWindow.h"

namespace ohmrada::qt::soak {

namespace {

// The model's inputs, as stored.
using CInputs = CDesign;

CInputs InputsOf(const CPowerSupply& supply) {
    return CDesign::TakeFrom(supply);
}

// What a fresh in-memory form shows for these inputs after one cycle.
std::map<int, std::string> ReferenceTexts(const CInputs& in) {
    CMemoryPlatform platform;
    CMainDialog dialog(platform);
    in.ApplyTo(dialog.Supply());
    dialog.Recalculate();
    std::map<int, std::string> texts;
    for (const int id : kResultFieldIds) {
        texts[id] = platform.GetItemText(id);
    }
    return texts;
}

// The model value an input field shows.
float ShownValue(const CPowerSupply& supply, int id) {
    const CInputSpec* input = InputOfField(id);
    return input != nullptr ? input->get(supply) : 0.0f;
}

// The Qt platform with the soak's observations: which fields the form logic
// wrote, the message boxes and any cycle run while one was open, the beeps.
class CSoakPlatform : public CQtPlatform {
public:
    using CQtPlatform::CQtPlatform;

    void SetDialog(CMainDialog* dialog) { m_dialog = dialog; }

    void SetItemText(int id, const std::string& text) override {
        if (id == kIdRatedVoltage) {
            // The first write of every cycle.
            ++cycles;
            if (m_openBoxes > 0) {
                ++cyclesInBox;
            }
        }
        typed.erase(id);
        CQtPlatform::SetItemText(id, text);
    }

    void MessageBox(const std::string& text, EIcon icon) override {
        ++messages;
        if (text == CPowerSupply::kRegulationMessage) {
            ++regulationMessages;
        }
        ++m_openBoxes;
        CQtPlatform::MessageBox(text, icon);
        --m_openBoxes;
    }

    EAnswer AskYesNoCancel(const std::string& text) override {
        ++questions;
        ++m_openBoxes;
        const EAnswer answer = CQtPlatform::AskYesNoCancel(text);
        --m_openBoxes;
        return answer;
    }

    void SetTitle(const std::string& title) override {
        titleSet = true;
        CQtPlatform::SetTitle(title);
    }

    void Beep() override {
        ++beeps;
        CQtPlatform::Beep();
    }

    long cycles = 0;
    long messages = 0;
    long regulationMessages = 0;
    long beeps = 0;
    long questions = 0;
    // The form set its title: it opened or saved a file (or started).
    bool titleSet = false;
    // Cycles that began while a message box was open.
    long cyclesInBox = 0;
    // Fields the soak typed into since the form logic last wrote them.
    std::map<int, bool> typed;

private:
    CMainDialog* m_dialog = nullptr;
    int m_openBoxes = 0;
};

enum EAction {
    kTypeIntoField,
    kTypeMore,
    kTab,
    kBacktab,
    kClickField,
    kClickResult,
    kClickCentreTap,
    kClickRectifier,
    kSpin,
    kEnter,
    kOpen,
    kSaveAs,
    kAnalysisWindow,
    kLeave,
    kActionKinds
};

constexpr const char* kActionNames[kActionKinds] = {
    "type into field", "type more",       "tab",  "shift+tab", "click field", "click result",
    "click check box", "click rectifier", "spin", "enter",     "open",        "save as",
    "analysis window", "leave",
};

// The process's peak resident memory, where the system reports it. It grows
// with the length of a run: Qt's pixmap cache fills towards its bound
// (10 MiB by default) with the icons the file dialogs and message boxes
// paint, and Qt's icon engines keep their cache keys.
void PrintPeakMemory() {
#if defined(__unix__) || defined(__APPLE__)
    rusage usage{};
    if (getrusage(RUSAGE_SELF, &usage) == 0) {
#if defined(__APPLE__)
        const double mebibytes = static_cast<double>(usage.ru_maxrss) / (1024.0 * 1024.0);
#else
        const double mebibytes = static_cast<double>(usage.ru_maxrss) / 1024.0;
#endif
        std::printf("  peak resident memory %.1f MiB\n", mebibytes);
    }
#endif
}

// Relative weights of the action kinds.
constexpr int kWeights[kActionKinds] = {30, 6, 14, 8, 8, 3, 5, 8, 12, 2, 2, 2, 2, 2};

class CSoak {
public:
    CSoak(unsigned seed, long actions) : m_seed(seed), m_actions(actions), m_random(seed) {}

    int Run();

private:
    [[noreturn]] void Fail(const std::string& what) const;
    int Uniform(int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(m_random);
    }
    bool Chance(int percent) { return Uniform(1, 100) <= percent; }
    QString RandomText();
    QString RandomPath(bool forSaving);
    void Act(EAction action);
    void Settle();
    void Check();
    void Watch();
    void Answer(QWidget* modal);
    int FocusedId() const;
    // What leaving compares: the fields' texts, the check box, the circuit.
    std::vector<std::string> Snapshot() const;
    void CheckLeaving(bool changed, long questionsBefore);
    void Start();
    CFormWindow& Window() const { return *m_platform->Window(); }

    unsigned m_seed;
    long m_actions;
    long m_index = 0;
    std::mt19937 m_random;
    QTemporaryDir m_folder;
    std::unique_ptr<CSoakPlatform> m_platform;
    std::unique_ptr<CMainDialog> m_dialog;
    QTimer m_watch;
    QPointer<QWidget> m_modal;  // the modal window being answered
    std::chrono::steady_clock::time_point m_modalSince;
    bool m_answering = false;
    long m_counts[kActionKinds] = {};
    long m_answered = 0;
    long m_checks = 0;
    std::vector<std::string> m_unchanged;
    // The answer given to the last question on leaving.
    QMessageBox::StandardButton m_leaveAnswer = QMessageBox::NoButton;
    long m_restarts = 0;
};

void CSoak::Fail(const std::string& what) const {
    std::fprintf(stderr, "qt_soak: FAILED at action %ld of seed %u: %s\n", m_index, m_seed,
                 what.c_str());
    std::fflush(stderr);
    std::_Exit(1);
}

QString CSoak::RandomText() {
    static const char* const kPieces[] = {"0", "1", "9", ".", ",", "-",  "+",  "e",  "E", " ",
                                          "V", "a", "x", "5", "3", "e-", "e+", "00", "#", "%"};
    switch (Uniform(0, 9)) {
        case 0:
            return {};  // empty
        case 1: {       // an ordinary value
            return QString::number(Uniform(0, 200000) / 1000.0, 'f', Uniform(0, 4));
        }
        case 2: {  // any magnitude, in exponent notation
            const double mantissa = Uniform(-99999, 99999) / 10000.0;
            return QString::number(mantissa, 'f', Uniform(0, 4)) +
                   (Chance(50) ? QStringLiteral("e") : QStringLiteral("E")) +
                   QString::number(Uniform(-330, 330));
        }
        case 3: {  // huge: many digits
            QString digits = QString::number(Uniform(1, 9));
            const int count = Uniform(30, 60);
            for (int i = 0; i < count; ++i) {
                digits += QChar(u'0' + Uniform(0, 9));
            }
            return Chance(30) ? QStringLiteral("-") + digits : digits;
        }
        case 4: {  // tiny: many zeros after the point
            QString digits = QStringLiteral("0.");
            const int count = Uniform(3, 50);
            for (int i = 0; i < count; ++i) {
                digits += QLatin1Char('0');
            }
            return digits + QString::number(Uniform(1, 999));
        }
        case 5:  // signs
            return QString::fromLatin1(Chance(50) ? "-" : "+") + QString::number(Uniform(0, 50));
        case 6:  // a decimal comma
            return QString::number(Uniform(0, 99)) + QLatin1Char(',') +
                   QString::number(Uniform(0, 999));
        case 7:  // a number with a unit
            return QString::number(Uniform(1, 60)) + QStringLiteral(" V");
        default: {  // anything
            QString text;
            const int count = Uniform(1, 12);
            for (int i = 0; i < count; ++i) {
                text += QString::fromLatin1(kPieces[Uniform(0, std::size(kPieces) - 1)]);
            }
            return text;
        }
    }
}

QString CSoak::RandomPath(bool forSaving) {
    static const char* const kNames[] = {"a.odr",       "b.odr",      "c.odr",
                                         "ohne-endung", "kaputt.odr", "leer.odr"};
    const int count = static_cast<int>(std::size(kNames));
    // Never saved over: the short and the empty file.
    const int pick = Uniform(0, forSaving ? count - 3 : count);
    if (pick == count) {
        return m_folder.filePath(QStringLiteral("fehlt/nirgends.odr"));  // no such folder
    }
    return m_folder.filePath(QString::fromLatin1(kNames[pick]));
}

int CSoak::FocusedId() const {
    return Window().IdOf(QApplication::focusWidget());
}

void CSoak::Watch() {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr) {
        m_modal = nullptr;
        return;
    }
    const auto now = std::chrono::steady_clock::now();
    if (modal != m_modal) {
        m_modal = modal;
        m_modalSince = now;
        m_answering = false;
    }
    const auto open = std::chrono::duration_cast<std::chrono::milliseconds>(now - m_modalSince);
    if (open.count() > 20000) {
        Fail("the modal window \"" + modal->windowTitle().toStdString() + "\" (" +
             modal->metaObject()->className() + ") stayed open");
    }
    if (m_answering) {
        return;
    }
    // A user answers a window once it has come up and taken the focus.
    if (QApplication::activeWindow() != modal && open.count() < 500) {
        if (modal->windowHandle() != nullptr) {
            modal->windowHandle()->requestActivate();
        }
        return;
    }
    m_answering = true;
    // Outside the timer's own activation, so that the timer keeps watching the
    // windows the answer brings up.
    QMetaObject::invokeMethod(
        &m_watch,
        [this, guard = QPointer<QWidget>(modal)] {
            if (guard) {
                Answer(guard.data());
            }
        },
        Qt::QueuedConnection);
}

void CSoak::Answer(QWidget* modal) {
    ++m_answered;
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        if (box->text().toStdString() == texts::kSaveChangesQuestion) {
            constexpr QMessageBox::StandardButton kAnswers[] = {
                QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel, QMessageBox::Cancel};
            m_leaveAnswer = kAnswers[Uniform(0, 3)];
            QAbstractButton* button = box->button(m_leaveAnswer);
            if (button == nullptr) {
                Fail("the question on leaving lacks Ja, Nein or Abbrechen");
            }
            button->click();
            return;
        }
        if (QAbstractButton* ok = box->button(QMessageBox::Ok)) {
            ok->click();
            return;
        }
        // The question whether to replace a file.
        QAbstractButton* answer = box->button(Chance(50) ? QMessageBox::Yes : QMessageBox::No);
        if (answer == nullptr) {
            Fail("a message box without OK, Yes or No: " + box->text().toStdString());
        }
        answer->click();
        return;
    }
    if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
        if (Chance(15)) {
            dialog->reject();
            return;
        }
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        if (name == nullptr) {
            Fail("a file dialog without its name field");
        }
        // The path arrives whole, as pasted.
        name->setText(RandomPath(dialog->acceptMode() == QFileDialog::AcceptSave));
        QTest::keyClick(name, Qt::Key_Return);
        return;
    }
    Fail(std::string("an unexpected modal window: ") + modal->metaObject()->className() + " \"" +
         modal->windowTitle().toStdString() + "\"");
}

void CSoak::Settle() {
    // Every modal window is closed by now, the actions being synchronous;
    // without a window manager the main window must be activated again.
    QApplication::processEvents();
    if (QWidget* modal = QApplication::activeModalWidget()) {
        Fail("a modal window was left behind: " + modal->windowTitle().toStdString());
    }
    if (!QTest::qWaitFor(
            [this] {
                if (!Window().isActiveWindow()) {
                    Window().windowHandle()->requestActivate();
                }
                return Window().isActiveWindow();
            },
            5000)) {
        Fail("the main window did not become active again");
    }
}

void CSoak::Act(EAction action) {
    CFormWindow& window = Window();
    switch (action) {
        case kTypeIntoField:
        case kClickField: {
            const int id = kInputFieldIds[static_cast<std::size_t>(Uniform(0, 11))];
            QLineEdit* field = window.Field(id);
            QTest::mouseClick(field, Qt::LeftButton);
            if (action == kTypeIntoField) {
                QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
                QTest::keyClicks(field, RandomText());
                m_platform->typed[id] = true;
            }
            break;
        }
        case kTypeMore: {
            const int id = FocusedId();
            if (window.Field(id) != nullptr && !window.Field(id)->isReadOnly()) {
                QTest::keyClicks(window.Field(id), RandomText());
                m_platform->typed[id] = true;
            }
            break;
        }
        case kTab:
        case kBacktab:
            if (QWidget* focus = QApplication::focusWidget()) {
                QTest::keyClick(focus, action == kTab ? Qt::Key_Tab : Qt::Key_Backtab,
                                action == kTab ? Qt::NoModifier : Qt::ShiftModifier);
            }
            break;
        case kClickResult:
            QTest::mouseClick(
                window.Field(kResultFieldIds[static_cast<std::size_t>(Uniform(0, 15))]),
                Qt::LeftButton);
            break;
        case kClickCentreTap:
            QTest::mouseClick(window.Button(kIdCentreTap), Qt::LeftButton);
            break;
        case kClickRectifier:
            QTest::mouseClick(window.Button(kIdHalfWave + Uniform(0, 2)), Qt::LeftButton);
            break;
        case kSpin: {
            CSpinButton* spin = window.Spin(Chance(50) ? kIdTargetVoltageSpin : kIdLoadCurrentSpin);
            const bool up = Chance(50);
            const QPoint at(spin->width() / 2, up ? spin->height() / 4 : spin->height() * 3 / 4);
            QTest::mouseClick(spin, Qt::LeftButton, Qt::NoModifier, at);
            if (spin->Position() != kSpinRestPosition) {
                Fail("a spin control did not return to its rest position");
            }
            break;
        }
        case kEnter:
            if (QWidget* focus = QApplication::focusWidget()) {
                QTest::keyClick(focus, Qt::Key_Return);
            }
            break;
        case kOpen:
            window.Action(kCmdFileOpen)->trigger();
            break;
        case kSaveAs:
            window.Action(kCmdFileSaveAs)->trigger();
            break;
        case kAnalysisWindow: {
            // Opens one of the four windows beside the form, or closes it
            // when it is open; they follow every cycle from then on.
            const int command = kCmdAnalyseTolerances + Uniform(0, 3);
            CAnalysisWindows& analysis = *m_platform->Analysis();
            QWidget* open = nullptr;
            switch (command) {
                case kCmdAnalyseTolerances:
                    open = analysis.Tolerances();
                    break;
                case kCmdAnalyseLimits:
                    open = analysis.Limits();
                    break;
                case kCmdAnalyseSweep:
                    open = analysis.Sweep();
                    break;
                default:
                    open = analysis.TimeDomain();
                    break;
            }
            if (open != nullptr && open->isVisible()) {
                open->close();
            } else {
                window.Action(command)->trigger();
            }
            break;
        }
        case kLeave:
            switch (Uniform(0, 2)) {
                case 0:
                    if (QWidget* focus = QApplication::focusWidget()) {
                        QTest::keyClick(focus, Qt::Key_Escape);
                    }
                    break;
                case 1:
                    window.close();
                    break;
                default:
                    window.Action(kCmdFileExit)->trigger();
                    break;
            }
            break;
        case kActionKinds:
            break;
    }
}

std::vector<std::string> CSoak::Snapshot() const {
    std::vector<std::string> snapshot;
    for (const int id : kInputFieldIds) {
        snapshot.push_back(Window().Field(id)->text().toStdString());
    }
    const CPowerSupply& supply = m_dialog->Supply();
    snapshot.push_back(std::to_string(supply.GetTransformer()->GetCentreTap() != 0));
    snapshot.push_back(supply.GetRectifier()->GetCircuit());
    // What the file holds beyond the fields: the mains frequency and the
    // optional lines (the tolerances typed into Toleranzen among them).
    snapshot.push_back(std::to_string(supply.GetMainsFrequency()));
    for (const std::string& value : m_dialog->Extras().values) {
        snapshot.push_back(value);
    }
    return snapshot;
}

void CSoak::CheckLeaving(bool changed, long questionsBefore) {
    const long asked = m_platform->questions - questionsBefore;
    const bool ended = m_platform->Result().has_value();
    if (!changed) {
        if (asked != 0) {
            Fail("leaving an unchanged design asked whether to save it");
        }
        if (!ended) {
            Fail("leaving an unchanged design did not end the program");
        }
        return;
    }
    if (asked != 1) {
        Fail("leaving a changed design asked " + std::to_string(asked) + " times, not once");
    }
    switch (m_leaveAnswer) {
        case QMessageBox::Cancel:
            if (ended) {
                Fail("Abbrechen ended the program");
            }
            break;
        case QMessageBox::No:
            if (!ended) {
                Fail("Nein did not end the program");
            }
            break;
        default:
            // Ja: ends once the file is saved, the title naming it.
            if (ended != m_platform->titleSet) {
                Fail(ended ? "Ja ended the program without saving"
                           : "Ja saved the design but the program stayed");
            }
            break;
    }
}

void CSoak::Start() {
    m_platform->Show(*m_dialog);
    Settle();
    m_unchanged = Snapshot();
}

void CSoak::Check() {
    ++m_checks;
    const CPowerSupply& supply = m_dialog->Supply();
    CFormWindow& window = Window();
    const int focused = FocusedId();
    for (const int id : kInputFieldIds) {
        const std::string shown = window.Field(id)->text().toStdString();
        if (m_platform->typed.count(id) != 0) {
            // Typing is applied when the field loses the focus.
            if (id != focused) {
                Fail("field " + std::to_string(id) + " lost the focus with \"" + shown +
                     "\" typed into it, and the form did not take it");
            }
            continue;
        }
        const std::string expected = FormatFieldValue(ShownValue(supply, id), DecimalsOf(id));
        if (shown == expected) {
            continue;
        }
        Fail("input field " + std::to_string(id) + " shows \"" + shown + "\", the model holds \"" +
             expected + "\"");
    }
    if (m_platform->cyclesInBox != 0) {
        Fail("a cycle ran while a message box was open");
    }
    const std::map<int, std::string> reference = ReferenceTexts(InputsOf(supply));
    for (const int id : kResultFieldIds) {
        const std::string shown = window.Field(id)->text().toStdString();
        if (shown == reference.at(id)) {
            continue;
        }
        Fail("result field " + std::to_string(id) + " shows \"" + shown +
             "\", a fresh form computes \"" + reference.at(id) + "\"");
    }
    const bool centreTap = supply.GetTransformer()->GetCentreTap() != 0;
    if (window.Button(kIdCentreTap)->isChecked() != centreTap ||
        window.Button(kIdCentreTapCircuit)->isEnabled() != centreTap) {
        Fail("the check box or button 1031 does not follow the centre-tap flag");
    }
    // A circuit that is none of the three leaves the buttons as they were.
    const std::string circuit = supply.GetRectifier()->GetCircuit();
    int expectedButton = 0;
    if (circuit == CRectifier::kHalfWave) {
        expectedButton = kIdHalfWave;
    } else if (circuit == CRectifier::kBridge) {
        expectedButton = kIdBridge;
    } else if (circuit == CRectifier::kCentreTap) {
        expectedButton = kIdCentreTapCircuit;
    }
    for (int id = kIdHalfWave; id <= kIdCentreTapCircuit && expectedButton != 0; ++id) {
        if (window.Button(id)->isChecked() != (id == expectedButton)) {
            Fail("rectifier button " + std::to_string(id) + " does not show the circuit \"" +
                 circuit + "\"");
        }
    }
}

int CSoak::Run() {
    if (!m_folder.isValid()) {
        std::fprintf(stderr, "qt_soak: no temporary folder\n");
        return 2;
    }
    {
        QFile broken(m_folder.filePath(QStringLiteral("kaputt.odr")));
        if (broken.open(QIODevice::WriteOnly)) {
            broken.write("Mitte: 7\nNennU: 1e39\nLeerU: -3\n\xE4\xE4\xE4\xE4\xE4\xE4\xE4\xE4\n");
        }
        QFile empty(m_folder.filePath(QStringLiteral("leer.odr")));
        empty.open(QIODevice::WriteOnly);
    }
    m_platform = std::make_unique<CSoakPlatform>();
    m_dialog = std::make_unique<CMainDialog>(*m_platform);
    m_platform->SetDialog(m_dialog.get());
    m_watch.setInterval(2);
    QObject::connect(&m_watch, &QTimer::timeout, &m_watch, [this] { Watch(); });
    m_watch.start();

    const auto start = std::chrono::steady_clock::now();
    Start();
    Check();

    std::discrete_distribution<int> pick(std::begin(kWeights), std::end(kWeights));
    for (m_index = 1; m_index <= m_actions; ++m_index) {
        const auto action = static_cast<EAction>(pick(m_random));
        ++m_counts[action];
        const bool changed = Snapshot() != m_unchanged;
        const long questions = m_platform->questions;
        m_platform->titleSet = false;
        Act(action);
        if (action == kLeave) {
            QApplication::processEvents();
            CheckLeaving(changed, questions);
            if (m_platform->Result()) {
                ++m_restarts;
                Start();
            }
        } else if (m_platform->Result()) {
            Fail("the dialog ended");
        }
        Settle();
        if (m_platform->titleSet) {
            // A file was opened or saved: that is the unchanged design now,
            // unless the form changed after the save (a question before
            // Open saved typed texts, and the failed Open's recalculation
            // then applied them): the design then differs from any shown.
            m_unchanged = m_dialog->IsModified() ? std::vector<std::string>{} : Snapshot();
        }
        if ((Snapshot() != m_unchanged) != m_dialog->IsModified()) {
            std::string detail;
            const std::vector<std::string> now = Snapshot();
            for (std::size_t k = 0; k < now.size() && k < m_unchanged.size(); ++k) {
                if (now[k] != m_unchanged[k]) {
                    detail += " [" + std::to_string(k) + "] " + m_unchanged[k] + " -> " + now[k];
                }
            }
            Fail(std::string("the form's own sense of a changed design differs after ") +
                 kActionNames[action] + ":" + detail);
        }
        Check();
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    m_watch.stop();
    m_platform->Window()->Attach(nullptr);
    std::printf("qt_soak: seed %u, %ld actions, %ld checks\n", m_seed, m_actions, m_checks);
    for (int kind = 0; kind < kActionKinds; ++kind) {
        std::printf("  %-16s %ld\n", kActionNames[kind], m_counts[kind]);
    }
    std::printf(
        "  cycles %ld, message boxes %ld (regulation %ld), modal windows answered %ld, "
        "beeps %ld, questions on leaving %ld, restarts %ld\n",
        m_platform->cycles, m_platform->messages, m_platform->regulationMessages, m_answered,
        m_platform->beeps, m_platform->questions, m_restarts);
    std::printf("  elapsed %.1f s\n", seconds);
    PrintPeakMemory();
    m_dialog.reset();
    m_platform.reset();
    return 0;
}

}  // namespace

}  // namespace ohmrada::qt::soak

namespace {

// The offscreen platform's notes about what it cannot do would drown the
// report.
void QuietMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtDebugMsg || type == QtInfoMsg ||
        message.startsWith(QStringLiteral("This plugin does not support"))) {
        return;
    }
    std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
}

}  // namespace

int main(int argc, char** argv) {
    unsigned long seed = 1;
    long actions = 20000;
    for (int i = 1; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if (std::strcmp(argv[i], "--seed") == 0 && hasValue) {
            seed = std::strtoul(argv[++i], nullptr, 10);
        } else if (std::strcmp(argv[i], "--actions") == 0 && hasValue) {
            actions = std::strtol(argv[++i], nullptr, 10);
        } else {
            std::fprintf(stderr, "usage: qt_soak [--seed N] [--actions N]\n");
            return 2;
        }
    }
    qInstallMessageHandler(QuietMessages);
    QApplication application(argc, argv);
    ohmrada::qt::soak::CSoak soak(static_cast<unsigned>(seed), actions);
    return soak.Run();
}
