#pragma once
// A dialog built from a template: controls addressed by id, a message map that routes the
// user's actions to handlers, data exchange, modal runs and the dialog's window menu.

#include <cstdint>
#include <functional>
#include <memory>
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
    explicit CDialog(const DlgTemplate& tmpl, CWnd* pParent = nullptr);
    ~CDialog() override;

    // Creates the window and its controls and initialises it, without showing it.
    bool Create();
    // Creates the dialog if need be, shows it and runs it until EndDialog; returns the
    // result given to EndDialog.
    std::intptr_t DoModal();
    void EndDialog(int nResult);

    bool UpdateData(bool bSaveAndValidate = true);

    CWnd* GetDlgItem(int id) const;
    CComboBox* GetComboBox(int id) const;
    CButton* GetButton(int id) const;
    CTabCtrl* GetTabCtrl(int id) const;

    // The window menu; `bRevert` restores its initial (empty) state.
    CMenu* GetSystemMenu(bool bRevert);

    // Names control `controlId` for assistive technology by the text of `labelId` (leading
    // blanks dropped), now and after every change of that text. A drop-down list is also
    // bound to the label by the label relation, since on Linux screen readers take a list's
    // name from that relation and its own name is its value; a label binds one list only, so
    // other controls named by the same label never take that relation from it.
    void SetLabel(int controlId, int labelId);

    void MapDialogRect(CRect& rect) const;

    // Routes a notification as if the user had acted on control `id`.
    void OnCommand(Notify code, int id);
    virtual void OnSysCommand(unsigned nID, std::intptr_t lParam);

    const DlgTemplate& Template() const { return m_template; }
    DialogImpl& DlgImpl() const { return *m_pDlgImpl; }

protected:
    // The base initialisation copies the members into the controls; returns true.
    virtual bool OnInitDialog();
    virtual void DoDataExchange(CDataExchange* pDX);
    // Default command 1: accept the data and end with IDOK.
    virtual void OnOK();
    // Command 2 (Cancel, Esc, the close button): end with IDCANCEL.
    virtual void OnCancel();
    virtual const std::vector<MessageMapEntry>& GetMessageMap() const;

private:
    friend struct DialogImpl;
    const DlgTemplate& m_template;
    CWnd* m_pParent;
    std::unique_ptr<DialogImpl> m_pDlgImpl;
};
