#pragma once
// Modal runs block the test's thread; these let a test act on the next modal window or popup
// menu from inside the nested run, with no human involved.

#include <QApplication>
#include <QMenu>
#include <QTimer>
#include <QWidget>

#include <functional>

// Calls `act` with the next application-modal window that is not `current` once it is shown.
inline void WhenModal(std::function<void(QWidget*)> act, QWidget* current = nullptr)
{
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, act, current] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal != current && modal->isVisible()) {
            timer->stop();
            timer->deleteLater();
            act(modal);
        }
    });
    timer->start();
}

// Calls `act` with the next popup menu once it is shown.
inline void WhenPopup(std::function<void(QMenu*)> act)
{
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            menu && menu->isVisible()) {
            timer->stop();
            timer->deleteLater();
            act(menu);
        }
    });
    timer->start();
}
