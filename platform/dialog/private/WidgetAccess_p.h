#pragma once
// Private to the dialog library: ui/ and app/ talk to windows only through the public headers.
// Tests that drive the real widgets opt in with TARVEX_DIALOG_PRIVATE.
#ifndef TARVEX_DIALOG_PRIVATE
#error "private header of the dialog library"
#endif
// Inside platform/ only (and for tests that drive the real widgets): the toolkit objects
// behind the plain C++ classes.

#include <QDialog>
#include <QFont>
#include <QIcon>
#include <QList>
#include <QPointer>
#include <QWidget>

#include <map>
#include <memory>
#include <vector>

#include "platform/dialog/Dialog.h"
#include "platform/dialog/Menu.h"

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

class DialogWidget;

struct DialogImpl {
    explicit DialogImpl(CDialog& dialog) : owner(dialog) {}

    void Build();
    QWidget* CreateControl(const DlgControl& control, std::unique_ptr<CWnd>& wnd);
    void ShowSystemMenu(const QPoint& globalPos);
    void FinishModal(int result);

    CDialog& owner;
    QPointer<DialogWidget> widget;
    std::map<int, std::unique_ptr<CWnd>> controls;
    CMenu systemMenu;
    QFont font;
    int baseX = 0;  // average character width in pixels
    int baseY = 0;  // character height in pixels
    bool created = false;
    bool inModalRun = false;
    int result = 0;
};

QWidget* WidgetOf(const CWnd& wnd);

// The dialog font of a template face: a face with CJK glyphs for the templates' Song face
// (SimSun when installed, else the system's CJK sans), the system's sans for "MS Shell Dlg".
QFont DialogFont(std::u16string_view face, int pointSize);

// The dialog base units of a font the way the dialog manager measures them.
void DialogBaseUnits(const QFont& font, int& baseX, int& baseY);

// Refreshes the accessible names of the controls labelled by `label`.
void RefreshAccessibleNames(const WndImpl& label);

QString ToQString(std::u16string_view text);
std::u16string FromQString(const QString& text);
