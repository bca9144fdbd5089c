#pragma once
// The output window: the latest text of the encoders while a run goes on, and an OK button
// that appears when the run has ended. Until then it cannot be closed, so the conversion
// cannot be left behind half done. Every run opens a fresh window from the template: the
// button hidden, the text empty.

#include "platform/dialog/Dialog.h"

class COutDlg : public CDialog {
public:
    explicit COutDlg(CWnd* pParent = nullptr);

protected:
    // Enter, Esc and the window manager's close request count only once OK shows.
    void OnOK() override;
    void OnCancel() override;
    const MessageMap& GetMessageMap() const override;

private:
    bool RunHasEnded() const;
};

const DlgTemplate& OutputDialogTemplate();
