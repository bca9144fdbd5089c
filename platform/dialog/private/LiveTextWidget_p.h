#pragma once
// Private to the dialog library: ui/ and app/ talk to windows only through the public headers.
// Tests that drive the real widgets opt in with TARVEX_DIALOG_PRIVATE.
#ifndef TARVEX_DIALOG_PRIVATE
#error "private header of the dialog library"
#endif
// A static text that is a message for the user (the outcome of a run): assistive technology
// meets it as a notification, which screen readers speak as soon as it shows. On Linux that
// is what a reader acts on; a plain label that shows, or whose name changes, is spoken only
// when the user goes to it.

#include <QLabel>

class LiveTextWidget : public QLabel {
    Q_OBJECT

public:
    LiveTextWidget(const QString& text, QWidget* parent);
};
