// SPDX-License-Identifier: GPL-3.0-or-later
#include "QtTestEnvironment.h"

#include <algorithm>
#include <span>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QPointer>
#include <QTest>
#include <QWindow>

#include "FieldTable.h"

namespace ohmrada::qt::test {

namespace {

// One QApplication for the whole test program.
class CQtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "qt_tests";
        static char* argv[] = {name, nullptr};
        m_application = std::make_unique<QApplication>(argc, argv);
    }
    void TearDown() override { m_application.reset(); }

private:
    std::unique_ptr<QApplication> m_application;
};

[[maybe_unused]] ::testing::Environment* const kQtEnvironment =
    ::testing::AddGlobalTestEnvironment(new CQtEnvironment);

}  // namespace

void CProbedPlatform::SetItemText(int id, const std::string& text) {
    if (id == kIdRatedVoltage) {
        ++m_cycles;
    }
    if (m_probe) {
        std::function<void()> probe = std::move(m_probe);
        m_probe = nullptr;
        probe();
    }
    CQtPlatform::SetItemText(id, text);
}

QString QtWindowTest::HelpFolder() const {
    return QStringLiteral(OHMRADA_TEST_HELP_DIR);
}

void QtWindowTest::SetUp() {
    m_platform = std::make_unique<CProbedPlatform>(HelpFolder());
    m_dialog = std::make_unique<CMainDialog>(*m_platform);
    m_watchdog.setInterval(20);
    QObject::connect(&m_watchdog, &QTimer::timeout, &m_watchdog, [this] { Watch(); });
    m_watchdog.start();
    m_platform->Show(*m_dialog);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&Window()));
}

void QtWindowTest::TearDown() {
    EXPECT_TRUE(m_expected.empty()) << m_expected.size() << " expected modal window(s) never came";
    m_watchdog.stop();
    if (CFormWindow* window = m_platform->Window()) {
        window->Attach(nullptr);
    }
    m_dialog.reset();
    m_platform.reset();
}

void QtWindowTest::ExpectModal(std::function<void(QWidget*)> handler) {
    m_expected.push_back(std::move(handler));
}

bool QtWindowTest::WaitForExpectedModals(int timeoutMs) {
    return QTest::qWaitFor([this] { return m_expected.empty() && m_handling.empty(); }, timeoutMs);
}

bool QtWindowTest::WaitForActiveWindow() {
    // Without a window manager nobody hands the activation back to the main
    // window when a modal window closes.
    return QTest::qWaitFor(
        [this] {
            if (!Window().isActiveWindow()) {
                Window().windowHandle()->requestActivate();
            }
            return Window().isActiveWindow();
        },
        5000);
}

void QtWindowTest::Watch() {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr ||
        std::find(m_handling.begin(), m_handling.end(), modal) != m_handling.end()) {
        return;
    }
    if (m_expected.empty()) {
        ADD_FAILURE() << "unexpected modal window \"" << modal->windowTitle().toStdString() << "\"";
        if (auto* dialog = qobject_cast<QDialog*>(modal)) {
            dialog->reject();
        } else {
            modal->close();
        }
        return;
    }
    // The handler runs outside this timer's own activation, so that the timer
    // keeps watching the modal windows the handler's actions bring up.
    std::function<void(QWidget*)> handler = std::move(m_expected.front());
    m_expected.pop_front();
    m_handling.push_back(modal);
    QMetaObject::invokeMethod(
        &m_watchdog,
        [this, handler = std::move(handler), modal, guard = QPointer<QWidget>(modal)] {
            if (guard) {
                handler(modal);
            }
            m_handling.erase(std::find(m_handling.begin(), m_handling.end(), modal));
        },
        Qt::QueuedConnection);
}

QLineEdit& QtWindowTest::Field(int id) const {
    QLineEdit* field = Window().Field(id);
    EXPECT_NE(field, nullptr) << "no field " << id;
    return *field;
}

QAbstractButton& QtWindowTest::Button(int id) const {
    QAbstractButton* button = Window().Button(id);
    EXPECT_NE(button, nullptr) << "no button " << id;
    return *button;
}

std::string QtWindowTest::Text(int id) const {
    return Field(id).text().toStdString();
}

int QtWindowTest::FocusedId() const {
    return Window().IdOf(QApplication::focusWidget());
}

void QtWindowTest::TypeInto(int id, const QString& text) {
    QLineEdit& field = Field(id);
    QTest::mouseClick(&field, Qt::LeftButton);
    QTest::keyClick(&field, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(&field, Qt::Key_Delete);
    QTest::keyClicks(&field, text);
}

void QtWindowTest::PressTab() {
    QWidget* focus = QApplication::focusWidget();
    ASSERT_NE(focus, nullptr);
    QTest::keyClick(focus, Qt::Key_Tab);
}

void QtWindowTest::Click(int id) {
    QTest::mouseClick(&Button(id), Qt::LeftButton);
}

void QtWindowTest::Trigger(int command) {
    QAction* action = Window().Action(command);
    ASSERT_NE(action, nullptr) << "no menu entry " << command;
    action->trigger();
}

void QtWindowTest::ExpectSameFields(const CReferenceForm& reference) const {
    for (const auto& ids :
         {std::span<const int>(kInputFieldIds), std::span<const int>(kResultFieldIds)}) {
        for (const int id : ids) {
            EXPECT_EQ(Text(id), reference.platform.GetItemText(id)) << "field " << id;
        }
    }
}

}  // namespace ohmrada::qt::test
