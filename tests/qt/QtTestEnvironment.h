// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <QString>
#include <QTimer>
#include <QWidget>

#include "FormWindow.h"
#include "MainDialog.h"
#include "MemoryPlatform.h"
#include "QtPlatform.h"

namespace ohmrada::qt::test {

// A window's title as the desktop shows it: "[*]" becomes "*" while the
// window is marked modified, and nothing otherwise.
inline QString ShownTitle(const QWidget& window) {
    QString title = window.windowTitle();
    title.replace(QStringLiteral("[*]"),
                  window.isWindowModified() ? QStringLiteral("*") : QString());
    return title;
}

// The Qt platform with one probe for the tests: a function that runs once,
// at the next text the form logic writes, that is at the start of the next
// recalculation cycle.
class CProbedPlatform : public CQtPlatform {
public:
    using CQtPlatform::CQtPlatform;

    void AtNextText(std::function<void()> probe) { m_probe = std::move(probe); }
    void SetItemText(int id, const std::string& text) override;
    // The recalculation cycles run so far (each writes field 1024 first).
    int Cycles() const { return m_cycles; }

private:
    std::function<void()> m_probe;
    int m_cycles = 0;
};

// The same form on the in-memory platform, to compare the window with.
struct CReferenceForm {
    CReferenceForm() { platform.DoModal(dialog); }
    CMemoryPlatform platform;
    CMainDialog dialog{platform};
};

// One fixture for every window test: the main window shown on the offscreen
// platform with the help pages of the build tree, and a watchdog that hands
// each modal window to the next handler the test expects, or, when none is
// expected, fails the test and closes the window, so that no test can hang on
// a modal window.
class QtWindowTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Where the platform looks for the help pages.
    virtual QString HelpFolder() const;

    // The next modal window goes to handler, which must end it. A handler
    // whose action opens a further modal window may do so synchronously; the
    // watchdog goes on watching.
    void ExpectModal(std::function<void(QWidget*)> handler);
    // Waits until every expected modal window was handled.
    bool WaitForExpectedModals(int timeoutMs = 5000);
    // Waits until the main window is active again, as it is after a modal
    // window closed.
    bool WaitForActiveWindow();

    CFormWindow& Window() const { return *m_platform->Window(); }
    QLineEdit& Field(int id) const;
    QAbstractButton& Button(int id) const;
    std::string Text(int id) const;
    int FocusedId() const;  // the id of the control with the focus, 0 for none

    // The user: a click into a field, its text replaced by typing, the focus
    // left where it is.
    void TypeInto(int id, const QString& text);
    void PressTab();
    void Click(int id);
    void Trigger(int command);  // a menu entry

    // Expects every field of the window to show what the reference shows.
    void ExpectSameFields(const CReferenceForm& reference) const;

    std::unique_ptr<CProbedPlatform> m_platform;
    std::unique_ptr<CMainDialog> m_dialog;

private:
    void Watch();

    QTimer m_watchdog;
    std::deque<std::function<void(QWidget*)>> m_expected;
    std::vector<QWidget*> m_handling;
};

}  // namespace ohmrada::qt::test
