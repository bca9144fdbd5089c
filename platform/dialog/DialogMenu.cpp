// The dialog's window menu. The window manager keeps its own window menu to itself, so the
// dialog shows this one as its context menu and on the keys that open a context menu.

#include <QAction>
#include <QApplication>
#include <QKeySequence>
#include <QMenu>
#include <QShortcut>

#include "platform/dialog/private/DialogImpl_p.h"

void DialogImpl::InstallMenuKeys()
{
    for (QKeySequence keys : {QKeySequence(Qt::Key_Menu), QKeySequence(Qt::SHIFT | Qt::Key_F10)}) {
        auto* shortcut = new QShortcut(keys, widget);
        shortcut->setContext(Qt::WindowShortcut);
        QObject::connect(shortcut, &QShortcut::activated, widget, [this] {
            QWidget* focus = QApplication::focusWidget();
            const QWidget* anchor = focus && widget->isAncestorOf(focus) ? focus : widget.data();
            ShowSystemMenu(anchor->mapToGlobal(QPoint(0, anchor->height())));
        });
    }
}

void DialogImpl::ShowSystemMenu(const QPoint& globalPos)
{
    if (systemMenu.Items().empty() || !widget)
        return;
    QMenu menu(widget);
    menu.setObjectName(QStringLiteral("systemMenu"));
    for (const CMenu::Item& item : systemMenu.Items()) {
        if (item.separator) {
            menu.addSeparator();
        } else {
            QAction* action = menu.addAction(ToQString(item.text));
            action->setData(item.id);
        }
    }
    if (QAction* chosen = menu.exec(globalPos))
        owner.OnSysCommand(chosen->data().toUInt(), 0);
}

CMenu* CDialog::GetSystemMenu(bool bRevert)
{
    if (bRevert) {
        m_pDlgImpl->systemMenu = CMenu();
        return nullptr;
    }
    return &m_pDlgImpl->systemMenu;
}
