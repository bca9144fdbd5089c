#pragma once
// The output window of a run: the latest text of the encoders, a progress bar, and a Stop
// button while the run goes on; at its end a line saying what became of it, and OK in Stop's
// place. Enter, Esc and the window's close count only once OK shows, so nothing but Stop can
// cut a conversion short. Every run opens a fresh window from the template.

#include "platform/dialog/Dialog.h"
#include "run/ConversionRun.h"

class COutDlg : public CDialog {
public:
    // The window shows `run` and stops it; both live as long as this object.
    COutDlg(CWnd* pParent, ConversionRun& run);

    // Draws the run as the snapshot has it.
    void ShowRun(const RunSnapshot& snapshot);

protected:
    bool OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    const MessageMap& GetMessageMap() const override;

private:
    void OnStop();
    bool RunHasEnded() const;

    ConversionRun& m_run;
};

const DlgTemplate& OutputDialogTemplate();
