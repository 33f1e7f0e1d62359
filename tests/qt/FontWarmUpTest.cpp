// SPDX-License-Identifier: GPL-3.0-or-later
// The font warm-up of the program's start: its thread does its two pieces
// of work in order and never outlives its owner, however the start ends;
// and the window waits for it before the first control that measures text,
// placing every control as it would without it.
#include <dlfcn.h>

#include <future>
#include <string>
#include <thread>
#include <vector>

#include <QApplication>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenuBar>
#include <QProcess>
#include <QProcessEnvironment>

#include "FontWarmUp.h"
#include "FormTemplate.h"
#include "FormWindow.h"
#include "QtTestEnvironment.h"

namespace ohmrada::qt::test {

namespace {

// What the warm-up's work saw: the steps in the order they ran and the
// thread of each. Written by the warm-up's thread, read after Wait.
struct CLog {
    std::vector<std::string> steps;
    std::vector<std::thread::id> threads;

    CFontWarmUp::CWork Step(std::string name) {
        return [this, name = std::move(name)] {
            steps.push_back(name);
            threads.push_back(std::this_thread::get_id());
        };
    }
};

template <typename T>
int CountOf() {
    int count = 0;
    for (QWidget* widget : QApplication::allWidgets()) {
        count += qobject_cast<T*>(widget) != nullptr ? 1 : 0;
    }
    return count;
}

}  // namespace

TEST(FontWarmUpTest, BothPiecesRunInOrderOnAThreadOfTheirOwnBeforeWaitReturns) {
    CLog log;
    CFontWarmUp warmUp(log.Step("first"));
    EXPECT_TRUE(warmUp.Pending());
    EXPECT_TRUE(warmUp.Then(log.Step("next")));
    warmUp.Wait();
    EXPECT_FALSE(warmUp.Pending());
    ASSERT_EQ(log.steps, (std::vector<std::string>{"first", "next"}));
    EXPECT_NE(log.threads[0], std::this_thread::get_id());
    EXPECT_EQ(log.threads[0], log.threads[1]);
}

TEST(FontWarmUpTest, TheSecondPieceGivenWhileTheFirstRunsFollowsIt) {
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::vector<std::string> steps;
    CFontWarmUp warmUp([&steps, released] {
        released.wait();
        steps.emplace_back("first");
    });
    // The first is held until the second has been given.
    EXPECT_TRUE(warmUp.Then([&steps] { steps.emplace_back("next"); }));
    release.set_value();
    warmUp.Wait();
    EXPECT_EQ(steps, (std::vector<std::string>{"first", "next"}));
}

TEST(FontWarmUpTest, WorkGivenTooLateOrToNoThreadIsNotDone) {
    struct CCase {
        const char* name;
        bool started;       // the warm-up was given a first piece
        bool waitedBefore;  // Wait came before Then
        bool thenTwice;     // a second Then after an accepted one
    };
    constexpr CCase kCases[] = {
        {"after Wait", true, true, false},
        {"a second one", true, false, true},
        {"no thread", false, false, false},
        {"no thread, after Wait", false, true, false},
    };
    for (const CCase& c : kCases) {
        SCOPED_TRACE(c.name);
        CLog log;
        CFontWarmUp warmUp(c.started ? log.Step("first") : CFontWarmUp::CWork());
        EXPECT_EQ(warmUp.Pending(), c.started);
        if (c.waitedBefore) {
            warmUp.Wait();
        }
        if (c.thenTwice) {
            EXPECT_TRUE(warmUp.Then(log.Step("next")));
        }
        EXPECT_FALSE(warmUp.Then(log.Step("late")));
        warmUp.Wait();
        std::vector<std::string> expected;
        if (c.started) {
            expected.emplace_back("first");
        }
        if (c.thenTwice) {
            expected.emplace_back("next");
        }
        EXPECT_EQ(log.steps, expected);
        EXPECT_FALSE(warmUp.Pending());
        // Waiting again returns at once.
        warmUp.Wait();
    }
}

TEST(FontWarmUpTest, ItsEndWaitsForTheWorkEvenWhenNoSecondPieceCame) {
    // A program that ends early (a bad argument) neither calls Then nor
    // Wait: the thread, still waiting for its second piece, must end with
    // the owner, after its first.
    CLog log;
    { CFontWarmUp warmUp(log.Step("first")); }
    EXPECT_EQ(log.steps, (std::vector<std::string>{"first"}));

    CLog given;
    {
        CFontWarmUp warmUp(given.Step("first"));
        EXPECT_TRUE(warmUp.Then(given.Step("next")));
    }
    EXPECT_EQ(given.steps, (std::vector<std::string>{"first", "next"}));
}

TEST(FontWarmUpTest, FontconfigIsUsedOnlyWhereTheProgramHasIt) {
    EXPECT_FALSE(FontconfigWarmUp("OhmradaNoSuchFunction"));
    if (dlsym(RTLD_DEFAULT, "FcInit") == nullptr) {
        GTEST_SKIP() << "this toolkit brings no fontconfig";
    }
    const CFontWarmUp::CWork work = FontconfigWarmUp();
    ASSERT_TRUE(work);
    // Beside the toolkit, which read it long ago: it returns at once.
    work();
}

TEST(FontWarmUpTest, TheWindowWaitsBeforeItsFirstTextAndIsPlacedAsWithout) {
    const int editsBefore = CountOf<QLineEdit>();
    const int groupsBefore = CountOf<QGroupBox>();
    const int menuBarsBefore = CountOf<QMenuBar>();
    int calls = 0;
    CFormWindow waited(nullptr, [&] {
        ++calls;
        // Line edits lay out their text and group boxes measure their
        // titles as they are made: none may exist yet. The menu, which
        // measures nothing, is already there.
        EXPECT_EQ(CountOf<QLineEdit>(), editsBefore);
        EXPECT_EQ(CountOf<QGroupBox>(), groupsBefore);
        EXPECT_EQ(CountOf<QMenuBar>(), menuBarsBefore + 1);
    });
    EXPECT_EQ(calls, 1);
    EXPECT_GT(CountOf<QLineEdit>(), editsBefore);

    const CFormWindow plain;
    ASSERT_EQ(waited.Controls().size(), plain.Controls().size());
    EXPECT_EQ(waited.Units().x, plain.Units().x);
    EXPECT_EQ(waited.Units().y, plain.Units().y);
    EXPECT_EQ(waited.ClientArea()->geometry(), plain.ClientArea()->geometry());
    EXPECT_EQ(waited.sizeHint(), plain.sizeHint());
    for (std::size_t k = 0; k < plain.Controls().size(); ++k) {
        const CBuiltControl& a = waited.Controls()[k];
        const CBuiltControl& b = plain.Controls()[k];
        SCOPED_TRACE(b.row->text);
        EXPECT_EQ(a.row, b.row);
        EXPECT_EQ(a.outer->geometry(), b.outer->geometry());
        EXPECT_EQ(a.widget->geometry(), b.widget->geometry());
    }
    const QList<QAction*> waitedMenus = waited.MenuBar()->actions();
    const QList<QAction*> plainMenus = plain.MenuBar()->actions();
    ASSERT_EQ(waitedMenus.size(), plainMenus.size());
    for (qsizetype k = 0; k < plainMenus.size(); ++k) {
        EXPECT_EQ(waitedMenus[k]->text(), plainMenus[k]->text());
    }
}

TEST(FontWarmUpTest, AProgramEndedByABadArgumentEndsCleanly) {
    // The warm-up runs while the command line is checked; refused, the
    // program must end with its message and code, not abort on a thread
    // left running.
    struct CCase {
        QStringList arguments;
        int exitCode;
        const char* output;  // on standard error for 2, standard output for 0
    };
    const CCase kCases[] = {
        {{QStringLiteral("--no-such-option")}, 2, "unknown option '--no-such-option'"},
        {{QStringLiteral("a.odr"), QStringLiteral("b.odr")}, 2, "one file at most"},
        {{QStringLiteral("--language"), QStringLiteral("xx")}, 2, "unknown language 'xx'"},
        {{QStringLiteral("--version")}, 0, "ohmrada"},
    };
    for (const CCase& c : kCases) {
        SCOPED_TRACE(c.arguments.join(QLatin1Char(' ')).toStdString());
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(OHMRADA_PROGRAM_PATH), c.arguments);
        ASSERT_TRUE(program.waitForFinished(60000));
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program.exitCode(), c.exitCode);
        const QByteArray said =
            c.exitCode == 0 ? program.readAllStandardOutput() : program.readAllStandardError();
        EXPECT_TRUE(said.contains(c.output)) << said.toStdString();
    }
}

}  // namespace ohmrada::qt::test
