#pragma once
// A window as the system's classes see it: a dialog or one of its controls, addressed by its
// id. The widget behind it stays private to platform/, so ui/ and app/ never meet the toolkit.
// Every window belongs to the GUI thread: another thread that has something to show asks
// the dialog's PostToGuiThread to do it there.

#include <memory>
#include <string>
#include <string_view>

#include "platform/dialog/Icon.h"

// ShowWindow commands.
inline constexpr int SW_HIDE = 0;
inline constexpr int SW_SHOW = 5;

// MessageBox types and results.
inline constexpr unsigned MB_OK = 0x00000000;
inline constexpr unsigned MB_ICONWARNING = 0x00000030;
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;

// Check states of a check box.
inline constexpr int BST_UNCHECKED = 0;
inline constexpr int BST_CHECKED = 1;
inline constexpr int BST_INDETERMINATE = 2;

struct CRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
};

struct WndImpl;

class CWnd {
public:
    CWnd();
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    int GetDlgCtrlID() const;

    void SetWindowText(std::u16string_view text);
    void EnableWindow(bool enable = true);
    void ShowWindow(int nCmdShow);

    std::u16string GetWindowText() const;
    // Whether this window itself is enabled, whatever its dialog's state.
    bool IsWindowEnabled() const;
    bool IsWindowVisible() const;
    void SetFocus();
    // Whether this window is the one the user works in (for a control: its window is).
    bool IsActiveWindow() const;
    void SetIcon(HICON icon, bool bigIcon);
    // What assistive technology announces for this control, where no label names it (a
    // second field beside a labelled one, a button whose caption is a symbol).
    void SetAccessibleName(std::u16string_view name);
    // Has assistive technology speak this window's current text now, as a message that has
    // just appeared. A live static text (kLive) is spoken by itself as it shows; this is for
    // a new text in one that stays shown, so after a ShowWindow that shows it, it repeats it.
    void Announce();
    // Puts this window above its siblings.
    void BringWindowToTop();

    // Position in the parent's client area, in pixels.
    CRect GetRectInParent() const;
    // Moves and sizes it to `rect`, in pixels of the parent's client area.
    void MoveWindow(const CRect& rect);

    // A modal box owned by this window, captioned with `caption` or else the application's
    // name; returns IDOK.
    int MessageBox(std::u16string_view text, std::u16string_view caption = {},
                   unsigned type = MB_OK);

    WndImpl& Impl() { return *m_pImpl; }
    const WndImpl& Impl() const { return *m_pImpl; }

protected:
    // Where the methods start: a call from another thread is a fault of the caller, which
    // debug builds stop on.
    static void AssertGuiThread();

private:
    const std::unique_ptr<WndImpl> m_pImpl;
};

class CEdit : public CWnd {
public:
    // Selects from nStartChar up to nEndChar; nEndChar -1 means the end of the text, and
    // nStartChar -1 removes the selection. The caret goes to nEndChar and is scrolled into view.
    void SetSel(int nStartChar, int nEndChar);
    int GetLineCount() const;
};

class CComboBox : public CWnd {
public:
    void ResetContent();
    int AddString(std::u16string_view text);
    // Selecting from code raises no notification; -1 clears the selection.
    void SetCurSel(int index);
    int GetCurSel() const;
    int GetCount() const;
    std::u16string GetLBText(int index) const;
};

class CButton : public CWnd {
public:
    // Setting a check from code raises no notification.
    void SetCheck(int state);
    int GetCheck() const;
};

class CTabCtrl : public CWnd {
public:
    int InsertItem(int index, std::u16string_view text);
    int GetItemCount() const;
    int GetCurSel() const;
    // Selecting from code raises no notification.
    void SetCurSel(int index);
};

// A progress bar: a position within a range (0..100 until set), or a busy state for work of
// unknown length, which keeps the range and position for when it is switched off. An empty
// range shows an empty bar.
class CProgressCtrl : public CWnd {
public:
    // An upper end below the lower one is taken as the lower; the position moves into the
    // new range.
    void SetRange(int nLower, int nUpper);
    void GetRange(int& nLower, int& nUpper) const;
    // A position outside the range is taken as the nearer end.
    void SetPos(int nPos);
    int GetPos() const;
    // The busy ("marquee") state: the bar moves on its own and shows no position.
    void SetMarquee(bool bMarquee);
    bool IsMarquee() const;
};
