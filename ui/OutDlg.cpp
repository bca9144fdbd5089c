#include "ui/OutDlg.h"

#include "convert/StringUtils.h"
#include "platform/desktop/DesktopShell.h"
#include "ui/OutcomeText.h"
#include "ui/Resource.h"
#include "ui/RunStatusText.h"
#include "ui/UiText.h"

namespace {

using K = ControlKind;

constexpr int kBusy = -1;  // the progress bar's state while the run's length is unknown
constexpr auto kStatusInterval = std::chrono::milliseconds(500);
// The icon the program installs into the desktop's icon theme, under its desktop file's name.
constexpr std::u16string_view kIconName = u"tarvex";

// Where the text lies when it has the window's top to itself, a run of one file.
constexpr CRect kTextWithoutFileLine{7, 7, 7 + 264, 18 + 37};

// The progress bar and the outcome line sit between the text and the OK button, which keep
// their places and their order; the window is as much taller as those two rows need. Stop
// stands where OK will, and comes last in the tab order, after the text.
constexpr DlgControl kControls[] = {
    {IDOK, K::DefPushButton, 114, 89, 50, 14, kTabStop | kHidden, u"确定"},
    {IDC_OUTPUT_TEXT, K::Edit, 7, 18, 264, 37,
     kTabStop | kMultiline | kReadOnly | kHScroll | kAutoVScroll | kAutoHScroll, u""},
    {IDC_PROGRESS, K::ProgressBar, 7, 58, 264, 9, 0, u""},
    // Live texts: screen readers speak the outcome as it shows at the run's end, and the file
    // line as each file of several begins. The status line in the outcome's place while the
    // run goes on is not: a screen reader would speak every change. Two lines each.
    {IDC_OUTCOME, K::Static, 7, 70, 264, 16, kHidden | kLive, u""},
    {IDC_STATUS, K::Static, 7, 70, 264, 16, 0, u""},
    // Enter stays with OK: a run is lost by Space or a click on Stop only.
    {IDC_STOP, K::PushButton, 114, 89, 50, 14, kTabStop | kNoEnter, u"Stop"},
    // Beside Stop and after it in the tab order, in Open Folder's place, which shows only at
    // the end; it reads Resume while the run is paused.
    {IDC_PAUSE, K::PushButton, 168, 89, 50, 14, kTabStop | kNoEnter, u"Pause"},
    {IDC_FILE, K::Static, 7, 7, 264, 8, kHidden | kLive, u""},
    // Beside OK at the end of a run that wrote a file, last in the tab order; Enter stays
    // with OK, which has the focus.
    {IDC_OPEN_FOLDER, K::PushButton, 168, 89, 64, 14, kTabStop | kHidden | kNoEnter, u"Open Folder"},
};

// A pop-up without a title bar, so nothing offers to close it while the run goes on.
constexpr DlgTemplate kTemplate{
    278, 110, kDsSysMenu | kDsModalFrame, u"", u"MS Shell Dlg", 8, kControls,
};
static_assert(TemplateIsHonoured(kTemplate), "every style bit of the template is honoured");

}  // namespace

COutDlg::COutDlg(CWnd* pParent, ConversionRun& run) : CDialog(kTemplate, pParent), m_run(run) {}

const MessageMap& COutDlg::GetMessageMap() const
{
    static const MessageMap map{
        &CDialog::GetMessageMap(),
        {
            OnNotify(Notify::Clicked, IDOK, &COutDlg::OnOK),
            OnNotify(Notify::Clicked, IDCANCEL, &COutDlg::OnCancel),
            OnNotify(Notify::Clicked, IDC_STOP, &COutDlg::OnStop),
            OnNotify(Notify::Clicked, IDC_PAUSE, &COutDlg::OnPause),
            OnNotify(Notify::Clicked, IDC_OPEN_FOLDER, &COutDlg::OnOpenFolder),
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
    GetDlgItem(IDC_STOP)->SetWindowText(UiText(kTextStop));
    GetDlgItem(IDC_OPEN_FOLDER)->SetWindowText(UiText(kTextOpenFolder));
    GetDlgItem(IDC_PAUSE)->SetWindowText(UiText(kTextPause));
    m_bPausedShown = false;
    m_strFirstWritten.clear();
    m_nextStatus = {};
    m_shownFiles.clear();
    m_bEndShown = false;
    // One file needs no line saying which it is: the text takes its room.
    if (m_run.Snapshot()->progress.files <= 1) {
        CRect text = kTextWithoutFileLine;
        MapDialogRect(text);
        GetDlgItem(IDC_OUTPUT_TEXT)->MoveWindow(text);
    }
    return true;
}

void COutDlg::ShowRun(const RunSnapshot& snapshot, RunClock::time_point now)
{
    GetEdit(IDC_OUTPUT_TEXT)->SetWindowText(snapshot.text);
    const bool ended = snapshot.state == RunState::Ended;
    // Nothing is busy once the run has ended: a length never learnt leaves the bar empty.
    const int percent = snapshot.progress.percent.value_or(ended ? 0 : kBusy);
    CProgressCtrl* bar = GetProgressCtrl(IDC_PROGRESS);
    bar->SetMarquee(percent < 0);
    if (percent >= 0)
        bar->SetPos(percent);
    // A second click would only wait for the same end.
    if (snapshot.state == RunState::Stopping) {
        GetDlgItem(IDC_STOP)->EnableWindow(false);
        GetDlgItem(IDC_PAUSE)->EnableWindow(false);
    }
    const RunProgress& where = snapshot.progress;
    // The button's text is its name for screen readers, so they hear it change.
    const bool paused = where.pausedSince.has_value();
    const bool pauseChanged = paused != m_bPausedShown;
    if (pauseChanged) {
        GetDlgItem(IDC_PAUSE)->SetWindowText(UiText(paused ? kTextResume : kTextPause));
        m_bPausedShown = paused;
    }
    // The line changes with the files converting, and only then; between one file's end and
    // the next one's start it keeps naming the last.
    if (where.files > 1 && !where.converting.empty() && where.converting != m_shownFiles) {
        CWnd* line = GetDlgItem(IDC_FILE);
        line->SetWindowText(FileLineText(where, g_language));
        // Spoken as it shows for the first files, and at each change; never at every chunk.
        if (m_shownFiles.empty())
            line->ShowWindow(SW_SHOW);
        else
            line->Announce();
        m_shownFiles = where.converting;
    }
    // A pause shows at once, not half a second later.
    if (!ended && (now >= m_nextStatus || pauseChanged)) {
        GetDlgItem(IDC_STATUS)->SetWindowText(RunStatusText(snapshot.progress, now, g_language));
        m_nextStatus = now + kStatusInterval;
    }
}

void COutDlg::ShowEnd(const RunVerdict& verdict)
{
    if (m_bEndShown)
        return;
    m_bEndShown = true;
    GetDlgItem(IDC_STATUS)->ShowWindow(SW_HIDE);
    const std::u16string outcome = RunOutcomeText(verdict, g_language);
    CWnd* line = GetDlgItem(IDC_OUTCOME);
    line->SetWindowText(outcome);
    line->ShowWindow(SW_SHOW);
    GetDlgItem(IDC_STOP)->ShowWindow(SW_HIDE);
    GetDlgItem(IDC_PAUSE)->ShowWindow(SW_HIDE);
    m_strFirstWritten = verdict.firstWritten;
    if (!m_strFirstWritten.empty())
        GetDlgItem(IDC_OPEN_FOLDER)->ShowWindow(SW_SHOW);
    CWnd* ok = GetDlgItem(IDOK);
    ok->ShowWindow(SW_SHOW);
    ok->SetFocus();
    // Whoever is looking at the window sees the outcome there; anyone else is told.
    if (!IsActiveWindow())
        NotifyDesktop(UiText(kTextProduct), kIconName, UiText(kTextProduct), outcome);
}

bool COutDlg::RunHasEnded() const
{
    // OK shows the end; until the end is drawn there is nothing to close on.
    return m_bEndShown;
}

void COutDlg::OnStop()
{
    m_run.Stop();
}

void COutDlg::OnPause()
{
    // The run decides; the button follows what the next drawing finds.
    if (!m_run.Resume())
        m_run.Pause();
}

void COutDlg::OnOpenFolder()
{
    if (!m_strFirstWritten.empty())
        ShowInFileManager(m_strFirstWritten);
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
