#pragma once
// A dialog built from a template: controls addressed by id, a message map that routes the
// user's actions to handlers, data exchange, modal runs and the dialog's window menu.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/dialog/DataExchange.h"
#include "platform/dialog/DialogTemplate.h"
#include "platform/dialog/Menu.h"
#include "platform/dialog/Wnd.h"

// Notifications a control raises when the user acts on it. Changes made from code raise none.
enum class Notify {
    Clicked,       // push button or check box
    SelChange,     // a drop-down list entry picked
    TabSelChange,  // another tab selected
    EditChange,    // the text of an edit typed
};

inline constexpr unsigned SC_CLOSE = 0xF060;

class CDialog;

struct MessageMapEntry {
    Notify code;
    int firstId;
    int lastId;
    std::function<void(CDialog&, int id)> handler;
};

// A class's own entries and the map of the class it derives from, which answers whatever
// these entries leave unanswered.
struct MessageMap {
    const MessageMap* base;
    std::vector<MessageMapEntry> entries;
};

template <class D>
MessageMapEntry OnNotify(Notify code, int id, void (D::*fn)())
{
    return {code, id, id, [fn](CDialog& d, int) { (static_cast<D&>(d).*fn)(); }};
}

template <class D>
MessageMapEntry OnNotifyRange(Notify code, int firstId, int lastId, void (D::*fn)(unsigned))
{
    return {code, firstId, lastId,
            [fn](CDialog& d, int id) { (static_cast<D&>(d).*fn)(static_cast<unsigned>(id)); }};
}

struct DialogImpl;

class CDialog : public CWnd {
public:
    // Without `pParent` the dialog is owned by the application's main window, else by the
    // active window, when its window is made.
    explicit CDialog(const DlgTemplate& tmpl, CWnd* pParent = nullptr);
    ~CDialog() override;

    // Makes the window and its controls and initialises it, without showing it; false when
    // the dialog has a window already.
    bool Create();
    // Destroys the window and its controls; the object and its members stay.
    void DestroyWindow();
    bool HasWindow() const;

    // Makes a fresh window from the template, initialises it, shows it and runs it until
    // EndDialog; the window is destroyed before this returns the result given to EndDialog.
    // A dialog that has a window already (from Create) is refused with -1, as is a second
    // run while one goes on.
    std::intptr_t DoModal();
    // In a modal run: ends it with `nResult`, at once even from OnInitDialog, before the
    // window is shown. Otherwise it only hides the window.
    void EndDialog(int nResult);

    // Queues `call` to run on the GUI thread, never before this returns, and drops it if
    // this object is destroyed first. Callable from any thread while this object lives: the
    // one way for another thread to reach a window, since every other method here and in
    // CWnd belongs to the GUI thread.
    void PostToGuiThread(std::function<void()> call);
    // The same, but once on the GUI thread the call waits `milliseconds` more before it runs.
    void PostToGuiThread(std::function<void()> call, int milliseconds);

    bool UpdateData(bool bSaveAndValidate = true);

    // The control `id` as the kind asked for. An id the window lacks, or a control of another
    // kind, is a fault of the caller: debug builds stop on it; release builds log a warning
    // and hand out a stand-in without a window, on which every operation does nothing.
    CWnd* GetDlgItem(int id);
    const CWnd* GetDlgItem(int id) const;
    CEdit* GetEdit(int id);
    const CEdit* GetEdit(int id) const;
    CComboBox* GetComboBox(int id);
    const CComboBox* GetComboBox(int id) const;
    CButton* GetButton(int id);
    const CButton* GetButton(int id) const;
    CTabCtrl* GetTabCtrl(int id);
    const CTabCtrl* GetTabCtrl(int id) const;
    CProgressCtrl* GetProgressCtrl(int id);
    const CProgressCtrl* GetProgressCtrl(int id) const;

    // Enables or disables every control whose id lies in firstId..lastId; ids in between
    // that the template lacks are skipped.
    void EnableDlgItems(int firstId, int lastId, bool enable);

    // The window menu; `bRevert` restores its initial (empty) state. It belongs to the
    // window: a new window starts with an empty one.
    CMenu* GetSystemMenu(bool bRevert);

    // Names control `controlId` for assistive technology by the text of `labelId` (leading
    // blanks dropped), now and after every change of that text. A drop-down list is also
    // bound to the label by the label relation, since on Linux screen readers take a list's
    // name from that relation and its own name is its value; a label binds one list only, so
    // other controls named by the same label never take that relation from it.
    void SetLabel(int controlId, int labelId);

    void MapDialogRect(CRect& rect) const;

    // Whether files dragged from a file manager may be dropped on this dialog, on any of its
    // controls as on its background; off at first. The setting is the object's: it holds for
    // the window there is and for every later one. The controls never take a drop themselves.
    void DragAcceptFiles(bool bAccept = true);

    // Routes a notification as if the user had acted on control `id`.
    void OnCommand(Notify code, int id);
    virtual void OnSysCommand(unsigned nID, std::intptr_t lParam);
    // Files dropped while DragAcceptFiles is on: their full paths in the drag's order, local
    // files only (a drag that carries none is refused), and the id of the control under the
    // drop point, 0 on the background or on a control without an id. It comes from the event
    // loop once the drop is over, never during it, so a handler may open a modal window.
    // A dialog that is disabled or blocked by a modal window takes no drop. The base does
    // nothing.
    virtual void OnDropFiles(int controlId, const std::vector<std::u16string>& paths);

    const DlgTemplate& Template() const { return m_template; }

protected:
    // The base initialisation copies the members into the controls; returns true.
    virtual bool OnInitDialog();
    virtual void DoDataExchange(CDataExchange* pDX);
    // Default command 1: accept the data and end with IDOK.
    virtual void OnOK();
    // Command 2 (Cancel, Esc, the close button): end with IDCANCEL.
    virtual void OnCancel();
    // The base map is empty; a derived map names its base class's map as its base.
    virtual const MessageMap& GetMessageMap() const;

private:
    friend struct DialogImpl;
    const DlgTemplate& m_template;
    CWnd* m_pParent;
    const std::unique_ptr<DialogImpl> m_pDlgImpl;
};
