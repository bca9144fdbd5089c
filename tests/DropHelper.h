#pragma once
// Files dragged onto a dialog and dropped there, as a file manager offers them and as the
// windowing system hands the drag to the window, which picks the widget under it.

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWindow>

#include <functional>
#include <memory>

#include "platform/dialog/Dialog.h"
#include "platform/dialog/private/WidgetAccess_p.h"

// The middle of control `id` in the window's coordinates.
inline QPoint CentreOf(CDialog& dlg, int id)
{
    const CRect r = dlg.GetDlgItem(id)->GetRectInParent();
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// File managers put the addresses up as plain text too, which an edit would paste.
inline std::unique_ptr<QMimeData> Urls(const QStringList& urls)
{
    auto data = std::make_unique<QMimeData>();
    QList<QUrl> list;
    for (const QString& url : urls)
        list << QUrl(url);
    data->setUrls(list);
    data->setText(urls.join(QLatin1Char('\n')));
    return data;
}

struct DragOutcome {
    bool entered = false;
    bool dropped = false;
    Qt::DropAction action = Qt::IgnoreAction;
};

inline constexpr Qt::DropActions kFileManagerActions = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;

// A drag over `pos` and a drop there, as the platform hands them to the window: the window
// picks the widget that takes them. `meanwhile` runs once the drag has entered.
inline DragOutcome DragAndDrop(CDialog& dlg, QPoint pos, const QMimeData& data,
                        Qt::DropActions offered = kFileManagerActions, const std::function<void()>& meanwhile = {})
{
    QWindow* window = WidgetOf(dlg)->windowHandle();
    DragOutcome outcome;
    QDragEnterEvent enter(pos, offered, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window, &enter);
    outcome.entered = enter.isAccepted();
    if (!outcome.entered) {
        QDragLeaveEvent leave;
        QApplication::sendEvent(window, &leave);
        return outcome;
    }
    if (meanwhile)
        meanwhile();
    QDragMoveEvent move(pos, offered, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window, &move);
    QDropEvent drop(QPointF(pos), offered, &data, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(window, &drop);
    outcome.dropped = move.isAccepted() && drop.isAccepted();
    outcome.action = drop.dropAction();
    return outcome;
}
