// The program's start-up operation: it runs the main dialog and ends when the dialog closes.

#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

#include <chrono>

#include "app/TarvexApp.h"
#include "platform/dialog/private/WidgetAccess_p.h"
#include "tests/ModalHelper.h"

namespace {

TEST(TarvexApp, RunsTheMainDialogUntilCancelAndThenEnds)
{
    QString title;
    bool mainWindowSet = false;
    std::chrono::steady_clock::time_point closed;
    auto watch = WhenModal([&](QWidget* w) {
        title = w->windowTitle();
        mainWindowSet = theApp.m_pMainWnd && WidgetOf(*theApp.m_pMainWnd) == w;
        closed = std::chrono::steady_clock::now();
        QTest::keyClick(w, Qt::Key_Escape);
    });
    EXPECT_FALSE(theApp.InitInstance());
    // The runner's stop sequence runs as the dialog goes.
    EXPECT_GE(std::chrono::steady_clock::now() - closed, std::chrono::milliseconds(800));
    EXPECT_TRUE(mainWindowSet);
    EXPECT_EQ(theApp.m_pMainWnd, nullptr);
    EXPECT_FALSE(title.isEmpty());
    EXPECT_EQ(QCoreApplication::organizationName(), QStringLiteral("Vantrel"));
    EXPECT_EQ(QApplication::topLevelWidgets().size(), 0);
}

}  // namespace
