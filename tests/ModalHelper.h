#pragma once
// Modal runs block the test's thread; these let a test act on the next modal window or popup
// menu from inside the nested run, with no human involved.
//
// A window is acted on once it is exposed: by then the platform has delivered its activation
// too. Acting any sooner lets that activation arrive after the window is gone, and leaves no
// window active for the keys that follow.
//
// Every wait is bounded. When the bound passes, the test fails naming what it awaited, and
// every popup and modal window still open is closed so that the nested runs end and the test
// can finish. A watch whose window never came fails the test when it goes out of scope.

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

// Closes every popup and ends every modal run still open.
inline void CloseWhatIsOpen()
{
    while (QWidget* popup = QApplication::activePopupWidget())
        popup->close();
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* dialog = qobject_cast<QDialog*>(w); dialog && dialog->isVisible() && dialog->isModal())
            dialog->done(QDialog::Rejected);
    }
}

inline bool IsExposed(const QWidget* w)
{
    return w->isVisible() && w->windowHandle() && w->windowHandle()->isExposed();
}

class WindowWatch {
public:
    static constexpr int kBoundMs = 10000;

    // `expected` false turns the watch around: the window must not come, and if it does the
    // test fails and the window is closed.
    WindowWatch(std::string what, std::function<QWidget*()> find, std::function<void(QWidget*)> act,
                bool expected = true)
        : m_what(std::move(what)), m_expected(expected), m_timer(std::make_unique<QTimer>())
    {
        m_clock.start();
        m_timer->setInterval(5);
        QObject::connect(m_timer.get(), &QTimer::timeout, [this, find = std::move(find), act = std::move(act)] {
            if (QWidget* w = find(); w && IsExposed(w)) {
                m_timer->stop();
                m_done = true;
                if (m_expected) {
                    act(w);
                } else {
                    ADD_FAILURE() << m_what << " came, unexpectedly";
                    CloseWhatIsOpen();
                }
            } else if (m_expected && m_clock.hasExpired(kBoundMs)) {
                m_timer->stop();
                m_done = true;
                ADD_FAILURE() << "gave up after " << kBoundMs << " ms waiting for " << m_what;
                CloseWhatIsOpen();
            }
        });
        m_timer->start();
    }

    ~WindowWatch()
    {
        if (m_expected && !m_done)
            ADD_FAILURE() << m_what << " never came";
    }

    WindowWatch(const WindowWatch&) = delete;
    WindowWatch& operator=(const WindowWatch&) = delete;

private:
    std::string m_what;
    bool m_expected;
    std::unique_ptr<QTimer> m_timer;
    QElapsedTimer m_clock;
    bool m_done = false;
};

// Calls `act` with the next application-modal window that is not `current` once it is shown.
[[nodiscard]] inline WindowWatch WhenModal(std::function<void(QWidget*)> act, QWidget* current = nullptr,
                                           std::string what = "a modal window")
{
    return WindowWatch(
        std::move(what),
        [current]() -> QWidget* {
            QWidget* modal = QApplication::activeModalWidget();
            return modal != current ? modal : nullptr;
        },
        std::move(act));
}

// As WhenModal, but a check that failed inside `act` closes the window: a run shown in it would
// otherwise wait for a user.
[[nodiscard]] inline WindowWatch WhenModalEndingOnFailure(std::function<void(QWidget*)> act, QWidget* current,
                                                          std::string what)
{
    return WhenModal(
        [act = std::move(act)](QWidget* window) {
            act(window);
            if (::testing::Test::HasFailure())
                CloseWhatIsOpen();
        },
        current, std::move(what));
}

// Calls `act` with the next popup menu once it is shown.
[[nodiscard]] inline WindowWatch WhenPopup(std::function<void(QMenu*)> act, std::string what = "a popup menu")
{
    return WindowWatch(
        std::move(what), [] { return static_cast<QWidget*>(qobject_cast<QMenu*>(QApplication::activePopupWidget())); },
        [act = std::move(act)](QWidget* w) { act(static_cast<QMenu*>(w)); });
}

// Fails the test and closes the window if a modal window shows while this lives.
[[nodiscard]] inline WindowWatch FailIfModal(std::string what)
{
    return WindowWatch(std::move(what), [] { return QApplication::activeModalWidget(); }, {}, false);
}

// Processes events until `ready` holds; fails naming `what` if it does not within the bound.
inline bool WaitFor(const std::function<bool()>& ready, const std::string& what, int boundMs = WindowWatch::kBoundMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!ready()) {
        if (clock.hasExpired(boundMs)) {
            ADD_FAILURE() << "gave up after " << boundMs << " ms waiting for " << what;
            return false;
        }
        QTest::qWait(5);
    }
    return true;
}
