// The dialog's window: its keys (Esc, the close button, the arrow keys within a group of
// controls) and its context menu, handed on to the dialog.

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QKeyEvent>

#include "platform/dialog/private/DialogImpl_p.h"

bool DialogImpl::MoveFocusInGroup(QWidget* from, bool forward)
{
    size_t at = 0;
    while (at < creationOrder.size() && creationOrder[at].widget != from)
        ++at;
    if (at == creationOrder.size())
        return false;
    const size_t first = creationOrder[at].groupStart;
    size_t end = at + 1;
    while (end < creationOrder.size() && creationOrder[end].groupStart == first)
        ++end;
    const size_t size = end - first;
    for (size_t step = 1; step < size; ++step) {
        const size_t next = first + (at - first + (forward ? step : size - step)) % size;
        QWidget* candidate = creationOrder[next].widget;
        if (candidate && candidate->isVisible() && candidate->isEnabled() &&
            candidate->focusPolicy() != Qt::NoFocus) {
            candidate->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            return true;
        }
    }
    return false;
}

DialogWidget::DialogWidget(DialogImpl& impl, QWidget* parent) : QDialog(parent), m_impl(impl) {}

DialogWidget::~DialogWidget()
{
    m_impl.WindowGone();
}

void DialogWidget::reject()
{
    m_impl.owner.OnCommand(Notify::Clicked, IDCANCEL);
}

void DialogWidget::closeEvent(QCloseEvent* event)
{
    event->ignore();
    m_impl.owner.OnSysCommand(SC_CLOSE, 0);
}

void DialogWidget::contextMenuEvent(QContextMenuEvent* event)
{
    m_impl.ShowSystemMenu(event->globalPos());
}

bool DialogWidget::eventFilter(QObject* watched, QEvent* event)
{
    // Buttons and check boxes leave the arrow keys to the dialog, which keeps the focus
    // within the control's group instead of the toolkit's move along the whole tab order.
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Left || key == Qt::Key_Up || key == Qt::Key_Right || key == Qt::Key_Down) {
            m_impl.MoveFocusInGroup(static_cast<QWidget*>(watched),
                                    key == Qt::Key_Right || key == Qt::Key_Down);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
