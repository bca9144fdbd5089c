#pragma once
// Private to the dialog library: ui/ and app/ talk to windows only through the public headers.
// Tests that drive the real widgets opt in with TARVEX_DIALOG_PRIVATE.
#ifndef TARVEX_DIALOG_PRIVATE
#error "private header of the dialog library"
#endif
// Inside platform/ only (and for tests that drive the real widgets): the toolkit objects
// behind the plain C++ classes.

#include <QIcon>
#include <QList>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <string>
#include <string_view>

#include "platform/dialog/Wnd.h"

struct WndImpl {
    QPointer<QWidget> widget;
    int id = 0;
    // Set while code changes the control, so the change raises no notification.
    bool inCode = false;
    // Controls named for assistive technology by this window's text.
    QList<QPointer<QWidget>> named;
};

struct IconHandle {
    QIcon icon;
};

QWidget* WidgetOf(CWnd& wnd);
const QWidget* WidgetOf(const CWnd& wnd);

// Refreshes the accessible names of the controls labelled by `label`.
void RefreshAccessibleNames(const WndImpl& label);

// Raises an accessibility event of the framework's own. The toolkit passes events on only
// while assistive technology listens, which it never does in a test; a test that must see
// them installs an observer, which gets each event first (nullptr removes it).
class QAccessibleEvent;
using AccessibleEventObserver = void (*)(QAccessibleEvent* event);
void SetAccessibleEventObserver(AccessibleEventObserver observer);
void RaiseAccessibleEvent(QAccessibleEvent& event);

QString ToQString(std::u16string_view text);
std::u16string FromQString(const QString& text);
