// The main dialog's showing of a run: the output window over the dialog while the run goes
// on, drawn from the run's snapshots, and the run's end, as the run tells it once, passed on to
// the window, the sleep hold, the launcher and whoever else listens.
//
// The run's threads never touch a window. They ask for one refresh; the GUI thread draws
// whatever the run has published when it gets to it, so a flood of output costs one refresh at
// a time, not one queued update per chunk, and one drawing per refresh interval at most.

#include <chrono>

#include "ui/TarvexDlg.h"
#include "ui/UiText.h"

std::intptr_t CTarvexDlg::RunInWindow(std::vector<RunPlan> plans)
{
    if (!m_pOutDlg)
        m_pOutDlg = std::make_unique<COutDlg>(this, m_run);
    m_bHoldSleep = false;
    m_endToShow.reset();
    if (!m_run.Start(std::move(plans)))
        return 0;
    // A long batch must not find the machine asleep half-way.
    m_sleep.Hold(UiText(kTextProduct), UiText(kTextSleepReason));
    m_bHoldSleep = true;
    // What came before the window was made shows as soon as the window's loop runs.
    RequestRefresh();
    return m_pOutDlg->DoModal();
}

bool CTarvexDlg::StopRun()
{
    if (!IsGoing(m_run.State()))
        return false;
    m_run.Stop();
    return true;
}

void CTarvexDlg::AttachRunEnd(std::function<void(const RunVerdict&)> listener)
{
    m_endListeners.push_back(std::move(listener));
}

void CTarvexDlg::RequestRefresh()
{
    if (!m_bRefreshPending.exchange(true))
        PostToGuiThread([this] { RefreshOutputWindow(); });
}

void CTarvexDlg::OnRunEnded(const RunVerdict& verdict)
{
    m_bHoldSleep = false;
    m_sleep.Release();
    // Before an owner that ends the program hears of it.
    m_launcher.Clear();
    m_endToShow = verdict;
    ShowEndIfUp();
    for (const auto& listener : m_endListeners)
        listener(verdict);
}

void CTarvexDlg::ShowEndIfUp()
{
    if (!m_endToShow || !m_pOutDlg || !m_pOutDlg->HasWindow())
        return;
    // The last text and the full bar with the outcome, at once: they do not wait out the
    // refresh interval.
    m_pOutDlg->ShowRun(*m_run.Snapshot(), std::chrono::steady_clock::now());
    m_pOutDlg->ShowEnd(*m_endToShow);
    m_endToShow.reset();
}

void CTarvexDlg::ShowOnLauncher(const RunSnapshot& snapshot)
{
    // A stop takes the bar off at once: what is left of the run only winds down.
    if (snapshot.state != RunState::Running) {
        m_launcher.Clear();
        return;
    }
    const RunProgress& progress = snapshot.progress;
    std::optional<double> fraction;
    if (progress.percent)
        fraction = *progress.percent / 100.0;
    // One file needs no count: the bar says it all.
    std::optional<std::int64_t> left;
    if (progress.files > 1)
        left = static_cast<std::int64_t>(progress.files - progress.done);
    m_launcher.Show(fraction, left);
}

void CTarvexDlg::RefreshOutputWindow()
{
    // An encoder that reports every frame writes hundreds of chunks a second; drawing each
    // would cost the program more processor time than the encoders can spare on a busy
    // machine, for text nobody can read that fast. Too soon after the last drawing, the
    // refresh waits out the interval, and the pending flag stays set meanwhile, so the
    // run's threads post nothing more.
    const auto now = std::chrono::steady_clock::now();
    if (now < m_nextRefresh) {
        const auto wait = std::chrono::ceil<std::chrono::milliseconds>(m_nextRefresh - now);
        PostToGuiThread([this] { RefreshOutputWindow(); }, static_cast<int>(wait.count()));
        return;
    }
    // Cleared before the snapshot is taken: a chunk that comes after it asks again.
    m_bRefreshPending.store(false);
    const std::shared_ptr<const RunSnapshot> snapshot = m_run.Snapshot();
    // Between runs there is no window; the next run asks again once its window is up.
    const bool shown = m_pOutDlg && m_pOutDlg->HasWindow();
    if (shown)
        m_pOutDlg->ShowRun(*snapshot, now);
    ShowEndIfUp();
    // A stopped run only winds down, and a paused one gives the machine back to its user:
    // neither is worth keeping the machine awake for. A run that goes on again takes it again.
    if (snapshot->state != RunState::Running || snapshot->progress.pausedSince)
        m_sleep.Release();
    else if (m_bHoldSleep)
        m_sleep.Hold(UiText(kTextProduct), UiText(kTextSleepReason));
    ShowOnLauncher(*snapshot);
    if (!shown)
        return;
    m_nextRefresh = now + kRefreshInterval;
    // The time left and a quiet encoder's count move on when no output comes at all.
    if (IsGoing(snapshot->state) && !m_bTickPending) {
        m_bTickPending = true;
        PostToGuiThread(
            [this] {
                m_bTickPending = false;
                RequestRefresh();
            },
            static_cast<int>(kStatusTick.count()));
    }
}
