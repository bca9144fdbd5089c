#include "ui/OutDlg.h"

#include "ui/Resource.h"
#include "ui/UiText.h"

namespace {

using K = ControlKind;

// The progress bar and the outcome line sit between the text and the OK button, which keep
// their places and their order; the window is as much taller as those two rows need.
constexpr DlgControl kControls[] = {
    {IDOK, K::DefPushButton, 114, 70, 50, 14, kTabStop | kHidden, u"确定"},
    {IDC_OUTPUT_TEXT, K::Edit, 7, 7, 264, 37,
     kTabStop | kMultiline | kReadOnly | kHScroll | kAutoVScroll | kAutoHScroll, u""},
    {IDC_PROGRESS, K::ProgressBar, 7, 47, 264, 9, 0, u""},
    // A live text: screen readers speak it as it shows at the run's end.
    {IDC_OUTCOME, K::Static, 7, 59, 264, 8, kHidden | kLive, u""},
};

// A pop-up without a title bar, so nothing offers to close it while the run goes on.
constexpr DlgTemplate kTemplate{
    278, 87, kDsSysMenu | kDsModalFrame, u"", u"MS Shell Dlg", 8, kControls,
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

bool COutDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    CProgressCtrl* bar = GetProgressCtrl(IDC_PROGRESS);
    bar->SetRange(0, 100);
    bar->SetMarquee(true);
    bar->SetAccessibleName(UiText(kTextProgress));
    return true;
}

void COutDlg::ShowProgress(int percent)
{
    CProgressCtrl* bar = GetProgressCtrl(IDC_PROGRESS);
    bar->SetMarquee(percent < 0);
    if (percent >= 0)
        bar->SetPos(percent);
}

void COutDlg::ShowOutcome(std::u16string_view text)
{
    CWnd* line = GetDlgItem(IDC_OUTCOME);
    line->SetWindowText(text);
    line->ShowWindow(SW_SHOW);
    GetDlgItem(IDOK)->ShowWindow(SW_SHOW);
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
