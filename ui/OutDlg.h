#pragma once
// The output window: the latest text of the encoders while a run goes on, a progress bar,
// and at the run's end a line saying what became of it and an OK button. Until then it
// cannot be closed, so the conversion cannot be left behind half done. Every run opens a
// fresh window from the template: the button and the line hidden, the text empty.

#include <string_view>

#include "platform/dialog/Dialog.h"

class COutDlg : public CDialog {
public:
    explicit COutDlg(CWnd* pParent = nullptr);

    // The run's progress from 0 to 100, or a busy bar for a negative value (length unknown).
    void ShowProgress(int percent);
    // The run's end: the outcome line, which screen readers speak as it shows, and OK.
    void ShowOutcome(std::u16string_view text);

protected:
    bool OnInitDialog() override;
    // Enter, Esc and the window manager's close request count only once OK shows.
    void OnOK() override;
    void OnCancel() override;
    const MessageMap& GetMessageMap() const override;

private:
    bool RunHasEnded() const;
};

const DlgTemplate& OutputDialogTemplate();
