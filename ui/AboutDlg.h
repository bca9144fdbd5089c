#pragma once
// The About box: the product, its version and its maker, in the current language.

#include "platform/dialog/Dialog.h"

class CAboutDlg : public CDialog {
public:
    CAboutDlg();

protected:
    bool OnInitDialog() override;
};

const DlgTemplate& AboutDialogTemplate();
