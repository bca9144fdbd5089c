// Files dropped on a dialog: which drags it takes, the control they land on, and the
// handler's call once the drop is over.

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QSysInfo>
#include <QUrl>

#include <algorithm>

#include "platform/dialog/private/DialogImpl_p.h"

namespace {

// The local files a drag carries, in its order. A file URL may name a machine; only this one
// is local, whatever the URL says.
QStringList LocalFiles(const QMimeData* data)
{
    QStringList paths;
    if (!data || !data->hasUrls())
        return paths;
    const QList<QUrl> urls = data->urls();
    for (QUrl url : urls) {
        if (!url.isLocalFile())
            continue;
        const QString host = url.host();
        if (!host.isEmpty() && host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) != 0 &&
            host.compare(QSysInfo::machineHostName(), Qt::CaseInsensitive) != 0)
            continue;
        url.setHost(QString());
        if (const QString path = url.toLocalFile(); !path.isEmpty())
            paths << path;
    }
    return paths;
}

// Whether a modal window keeps the user from `window`. The platform refuses drags on such a
// window before the toolkit sees them, but a drag that began before the modal window opened
// can still end there.
bool BlockedByModal(const QWidget* window)
{
    const QWidget* modal = QApplication::activeModalWidget();
    if (!modal || modal == window)
        return false;
    // A window the modal one owns lies above it and stays usable.
    for (const QWidget* owner = window->parentWidget(); owner; owner = owner->parentWidget())
        if (owner == modal)
            return false;
    if (modal->windowModality() == Qt::ApplicationModal)
        return true;
    for (const QWidget* owner = modal->parentWidget(); owner; owner = owner->parentWidget())
        if (owner->window() == window)
            return true;
    return false;
}

}  // namespace

void CDialog::DragAcceptFiles(bool bAccept)
{
    m_pDlgImpl->acceptFiles = bAccept;
    if (m_pDlgImpl->widget)
        m_pDlgImpl->widget->setAcceptDrops(bAccept);
}

void CDialog::OnDropFiles(int, const std::vector<std::u16string>&) {}

bool DialogImpl::TakesDrop(QDropEvent* event) const
{
    if (!acceptFiles || !widget || !widget->isEnabled() || BlockedByModal(widget) ||
        LocalFiles(event->mimeData()).isEmpty())
        return false;
    // The files are only read. A move would have the drag's source delete them once the drop
    // is taken, so a drag that offers neither a copy nor a link is refused.
    if (event->possibleActions() & Qt::CopyAction)
        event->setDropAction(Qt::CopyAction);
    else if (event->possibleActions() & Qt::LinkAction)
        event->setDropAction(Qt::LinkAction);
    else
        return false;
    return true;
}

int DialogImpl::ControlIdAt(const QPoint& pos) const
{
    if (!widget)
        return 0;
    // The deepest widget there may be a part of a control, such as an edit's viewport.
    for (const QWidget* w = widget->childAt(pos); w && w != widget; w = w->parentWidget()) {
        for (const GroupMember& member : creationOrder)
            if (member.widget == w)
                return std::max(member.id, 0);
    }
    return 0;
}

void DialogWidget::dragEnterEvent(QDragEnterEvent* event)
{
    if (m_impl.TakesDrop(event))
        event->accept();
    else
        event->ignore();
}

void DialogWidget::dragMoveEvent(QDragMoveEvent* event)
{
    // The dialog may have been disabled, or a modal window opened, since the drag entered.
    if (m_impl.TakesDrop(event))
        event->accept();
    else
        event->ignore();
}

void DialogWidget::dropEvent(QDropEvent* event)
{
    if (!m_impl.TakesDrop(event)) {
        event->ignore();
        return;
    }
    event->accept();
    const int id = m_impl.ControlIdAt(event->position().toPoint());
    std::vector<std::u16string> paths;
    for (const QString& path : LocalFiles(event->mimeData()))
        paths.push_back(FromQString(path));
    // The drag's source waits for the drop to end; a modal window opened by the handler
    // during the drop would keep it waiting for as long as that window lives.
    DialogImpl& impl = m_impl;
    const QPointer<DialogWidget> window(this);
    impl.owner.PostToGuiThread([&impl, window, id, paths = std::move(paths)] {
        if (window)
            impl.owner.OnDropFiles(id, paths);
    });
}
