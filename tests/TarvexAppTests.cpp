// The program's start-up operation: it runs the main dialog and ends when the dialog closes.

#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

#include <signal.h>

#include "app/TarvexApp.h"
#include "platform/dialog/private/WidgetAccess_p.h"
#include "tests/ModalHelper.h"

namespace {

TEST(TarvexApp, RunsTheMainDialogUntilCancelAndThenEnds)
{
    QString title;
    bool mainWindowSet = false;
    // The signals that end a program are the dialog's while it runs, to stop a conversion
    // first, and the system's again afterwards.
    const auto taken = [] {
        int count = 0;
        for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
            struct sigaction action {};
            sigaction(signal, nullptr, &action);
            count += action.sa_handler != SIG_DFL;
        }
        return count;
    };
    int takenWhileRunning = 0;
    auto watch = WhenModal([&](QWidget* w) {
        title = w->windowTitle();
        mainWindowSet = theApp.m_pMainWnd && WidgetOf(*theApp.m_pMainWnd) == w;
        takenWhileRunning = taken();
        QTest::keyClick(w, Qt::Key_Escape);
    });
    EXPECT_FALSE(theApp.InitInstance());
    EXPECT_EQ(takenWhileRunning, 3);
    EXPECT_EQ(taken(), 0);
    EXPECT_TRUE(mainWindowSet);
    EXPECT_EQ(theApp.m_pMainWnd, nullptr);
    EXPECT_FALSE(title.isEmpty());
    EXPECT_EQ(QCoreApplication::organizationName(), QStringLiteral("Vantrel"));
    EXPECT_EQ(QApplication::topLevelWidgets().size(), 0);
}

}  // namespace
