// What a run publishes for a window: where it stands, built by the run's thread from its jobs,
// and the pause clock's share of it, which Pause and Resume change at once.

#include <algorithm>

#include "run/ConversionRun.h"

void ConversionRun::PickShownFile()
{
    // The window shows one file's text at a time, so two encoders' lines never mix: the
    // earliest still converting; once none is, the first that failed, whose cause the user
    // wants to read, or else the last shown.
    for (std::size_t i = 0; i < m_jobs.size(); ++i) {
        if (m_jobs[i]->GetPhase() == FileJob::Phase::Running) {
            m_nShown = i;
            return;
        }
    }
    for (std::size_t i = 0; i < m_jobs.size(); ++i) {
        const RunOutcome& outcome = m_jobs[i]->Outcome();
        if (m_jobs[i]->GetPhase() == FileJob::Phase::Ended && outcome.Failed() &&
            outcome.kind != RunOutcome::Kind::Stopped) {
            m_nShown = i;
            return;
        }
    }
}

RunSnapshot ConversionRun::BuildSnapshot() const
{
    RunSnapshot snapshot;
    snapshot.state = m_state;
    RunProgress& progress = snapshot.progress;
    progress.files = m_jobs.size();
    progress.started = m_started;
    if (m_jobs.empty())
        return snapshot;
    const FileJob& shown = *m_jobs[m_nShown];
    snapshot.text = shown.Text();
    progress.file = m_nShown;
    progress.source = shown.Plan().source;
    progress.step = shown.Step();
    progress.steps = shown.Steps();
    progress.program = shown.Program();
    progress.lastOutput = shown.LastOutput();

    // Each file's share of the bar: its length's share of them all once every length is
    // known, an equal share until then.
    const std::size_t files = m_jobs.size();
    std::vector<double> shares(files, 1.0 / static_cast<double>(files));
    double total = 0;
    bool all = true;
    for (const std::optional<FileFacts>& facts : m_sourceFacts) {
        if (facts && facts->seconds && *facts->seconds > 0)
            total += *facts->seconds;
        else
            all = false;
    }
    if (all && total > 0)
        for (std::size_t i = 0; i < files; ++i)
            shares[i] = *m_sourceFacts[i]->seconds / total;

    double fraction = 0;
    bool known = false;
    for (std::size_t i = 0; i < files; ++i) {
        const FileJob& job = *m_jobs[i];
        switch (job.GetPhase()) {
        case FileJob::Phase::Finishing:
        case FileJob::Phase::Ended:
            // A file that failed keeps the share it reached, so the bar agrees with its line.
            ++progress.done;
            if (const std::optional<int> percent = job.Percent())
                fraction += shares[i] * *percent / 100;
            known = true;
            break;
        case FileJob::Phase::Running:
            progress.converting.push_back(i);
            progress.sources.push_back(job.Plan().source);
            if (const std::optional<int> percent = job.Percent()) {
                fraction += shares[i] * *percent / 100;
                known = true;
            }
            break;
        case FileJob::Phase::Waiting:
            break;
        }
    }
    if (known)
        progress.percent = std::min(100, static_cast<int>(fraction * 100 + 1e-9));
    return snapshot;
}

void ConversionRun::Publish(RunSnapshot built)
{
    Install(std::move(built));
    if (m_changed)
        m_changed();
}

void ConversionRun::Install(RunSnapshot built)
{
    boost::mutex::scoped_lock lock(m_publishLock);
    m_built = std::make_shared<const RunSnapshot>(std::move(built));
    m_builtHeldAtOutput = m_jobs.empty() ? RunClock::duration{} : m_heldAtOutput[m_nShown];
    PublishLocked();
}

void ConversionRun::PublishLocked()
{
    auto published = std::make_shared<RunSnapshot>(*m_built);
    // The pauses over are not the run's time, nor an encoder's silence; while paused, the clocks
    // stand at the pause's start.
    published->progress.started += m_held;
    published->progress.lastOutput += m_held - m_builtHeldAtOutput;
    published->progress.pausedSince = m_pausedSince;
    m_published = std::move(published);
}

std::shared_ptr<const RunSnapshot> ConversionRun::Snapshot() const
{
    boost::mutex::scoped_lock lock(m_publishLock);
    return m_published;
}
