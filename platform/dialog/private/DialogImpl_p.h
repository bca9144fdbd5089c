#pragma once
// Private to the dialog library: what the parts of CDialog (building, commands, modal runs,
// the window menu) share.
#ifndef TARVEX_DIALOG_PRIVATE
#error "private header of the dialog library"
#endif

#include <QDialog>
#include <QFont>
#include <QLoggingCategory>
#include <QPointer>

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/dialog/Dialog.h"
#include "platform/dialog/Menu.h"
#include "platform/dialog/private/WidgetAccess_p.h"

// The framework's complaints about how it is used: warnings, on by default.
Q_DECLARE_LOGGING_CATEGORY(lcDialog)

struct DialogImpl;

// The window of a dialog. The dialog manager's keys end up as the dialog's commands: Esc
// and the close button as command 2, Enter as the default button's click, the arrow keys
// on a button as a move within its group.
class DialogWidget : public QDialog {
public:
    DialogWidget(DialogImpl& impl, QWidget* parent);
    ~DialogWidget() override;

    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    DialogImpl& m_impl;
};

// Calls handed to the GUI thread from any thread. They pass under a plain mutex, not only
// through the toolkit's event queue, so the hand-over is one a thread checker can follow; a
// bare event (at most one waiting) tells the GUI thread to run what is there. Destroyed on
// the GUI thread, it takes its waiting event, and so every call not yet run, with it.
class PostedCalls : public QObject {
public:
    void Post(std::function<void()> call);

protected:
    void customEvent(QEvent* event) override;

private:
    std::mutex m_lock;
    std::vector<std::function<void()>> m_calls;
    bool m_bWakePending = false;
};

struct DialogImpl {
    explicit DialogImpl(CDialog& dialog) : owner(dialog) {}

    // Building from the template (DialogBuild.cpp).
    void Build();
    void CheckTemplate(bool owned) const;
    QWidget* OwnerWindow() const;
    // One control's widget and class (DialogControlFactory.cpp).
    QWidget* CreateControl(const DlgControl& control, std::unique_ptr<CWnd>& wnd);
    // The arrow keys within a group (DialogWidget.cpp).
    // Moves the focus from `from` to the next (or previous) control of its group that can
    // take it; false when there is none.
    bool MoveFocusInGroup(QWidget* from, bool forward);

    // The window's end, whoever destroys it (DialogModal.cpp).
    void DestroyWindow();
    void WindowGone();

    // Dropped files (DialogDrop.cpp).
    // Whether a drag of `event` may land on the window now; sets the drop action if so.
    bool TakesDrop(QDropEvent* event) const;
    // The id of the control under `pos` (window coordinates); 0 for none or one without an id.
    int ControlIdAt(const QPoint& pos) const;

    // The window menu (DialogMenu.cpp).
    void InstallMenuKeys();
    void ShowSystemMenu(const QPoint& globalPos);

    // Controls (Dialog.cpp).
    CWnd* Find(int id) const;
    // Logs (and in debug builds stops on) a request for control `id` as `kind` that the
    // window cannot answer.
    void ReportBadControl(int id, const char* kind) const;

    CDialog& owner;
    QPointer<DialogWidget> widget;
    std::map<int, std::unique_ptr<CWnd>> controls;
    // The controls in creation order, each with the index of the first control of its group.
    struct GroupMember {
        QPointer<QWidget> widget;
        size_t groupStart;
        int id;
    };
    std::vector<GroupMember> creationOrder;
    CMenu systemMenu;
    bool acceptFiles = false;  // DragAcceptFiles, for this window and every later one
    QFont font;
    int baseX = 0;  // average character width in pixels
    int baseY = 0;  // character height in pixels

    enum class Run { None, Starting, Looping };
    Run run = Run::None;
    bool endRequested = false;  // EndDialog came while the run was starting
    int result = 0;

    // Goes first when the dialog object is destroyed: nothing posted runs after that.
    std::unique_ptr<PostedCalls> posted = std::make_unique<PostedCalls>();
};

// The dialog font of a template face: for the templates' Song face a family with Chinese
// and Latin glyphs (see ChineseDialogFamily), the system's sans for "MS Shell Dlg".
QFont DialogFont(std::u16string_view face, int pointSize);

// The dialog base units of a font the way the dialog manager measures them.
void DialogBaseUnits(const QFont& font, int& baseX, int& baseY);

int MulDiv(int value, int numerator, int denominator);

// The window that owns a new window: `given`'s window, else the application's main window
// (unless that is `self`), else the active window.
QWidget* SafeOwner(CWnd* given, const CWnd* self);
