#include "ui/OutDlg.h"

#include "ui/Resource.h"

namespace {

using K = ControlKind;

constexpr DlgControl kControls[] = {
    {IDOK, K::DefPushButton, 114, 48, 50, 14, kTabStop | kHidden, u"确定"},
    {IDC_OUTPUT_TEXT, K::Edit, 7, 7, 264, 37,
     kTabStop | kMultiline | kReadOnly | kHScroll | kAutoVScroll | kAutoHScroll, u""},
};

// A pop-up without a title bar, so nothing offers to close it while the run goes on.
constexpr DlgTemplate kTemplate{
    278, 67, kDsSysMenu | kDsModalFrame, u"", u"MS Shell Dlg", 8, kControls,
};
static_assert(TemplateIsHonoured(kTemplate), "every style bit of the template is honoured");

}  // namespace

const DlgTemplate& OutputDialogTemplate()
{
    return kTemplate;
}

COutDlg::COutDlg(CWnd* pParent) : CDialog(kTemplate, pParent) {}

const MessageMap& COutDlg::GetMessageMap() const
{
    static const MessageMap map{
        &CDialog::GetMessageMap(),
        {
            OnNotify(Notify::Clicked, IDOK, &COutDlg::OnOK),
            OnNotify(Notify::Clicked, IDCANCEL, &COutDlg::OnCancel),
        },
    };
    return map;
}

bool COutDlg::RunHasEnded() const
{
    return GetDlgItem(IDOK)->IsWindowVisible();
}

void COutDlg::OnOK()
{
    if (RunHasEnded())
        CDialog::OnOK();
}

void COutDlg::OnCancel()
{
    if (RunHasEnded())
        CDialog::OnCancel();
}
