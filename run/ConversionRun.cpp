#include "run/ConversionRun.h"

#include <algorithm>
#include <utility>

#include "platform/process/Processors.h"
#include "platform/text/RunFolder.h"

namespace {

// Beyond this many encoders at once the disk, not the processors, sets the pace.
constexpr std::size_t kMostAtOnce = 8;

}  // namespace

ConversionRun::ConversionRun(std::function<void()> changed, std::function<void(std::string_view)> debugOutput,
                             MediaReader reader, std::size_t parallel)
    : m_changed(std::move(changed)),
      m_debugOutput(std::move(debugOutput)),
      m_reader(std::move(reader)),
      m_nParallel(parallel > 0 ? parallel : std::min(UsableProcessors(), kMostAtOnce)),
      m_context{m_stateLock, [this] { Changed(); }, m_debugOutput,
                [this](std::size_t job, std::optional<CRedirect::ChildEnd> end, bool shutdown) {
                    Post({Event::Kind::ChildEnded, job, end, shutdown});
                }}
{
}

ConversionRun::~ConversionRun()
{
    Shutdown();
}

void ConversionRun::Changed()
{
    if (m_changed)
        m_changed();
}

void ConversionRun::Post(Event event)
{
    {
        std::lock_guard<std::mutex> lock(m_eventLock);
        m_events.push_back(std::move(event));
    }
    m_eventCame.notify_one();
}

bool ConversionRun::Start(RunPlan plan)
{
    std::vector<RunPlan> files;
    files.push_back(std::move(plan));
    return Start(std::move(files));
}

bool ConversionRun::Start(std::vector<RunPlan> files)
{
    const bool nothing = std::all_of(files.begin(), files.end(), [](const RunPlan& plan) { return plan.commands.empty(); });
    if (IsGoing(m_state) || nothing) {
        for (const RunPlan& plan : files)
            RemoveRunFolder(plan.runFolder);
        return false;
    }
    // The last run has ended; its threads are about to return, if they have not.
    JoinThreads();
    {
        std::lock_guard<std::mutex> lock(m_eventLock);
        m_events.clear();
    }
    m_nNext = 0;
    m_nRunning = 0;
    m_bStopRequested = false;
    m_bShutdownSeen = false;
    m_deferred.clear();
    {
        boost::mutex::scoped_lock lock(m_stateLock);
        m_jobs.clear();
        for (std::size_t i = 0; i < files.size(); ++i)
            m_jobs.push_back(std::make_unique<FileJob>(i, std::move(files[i]), m_context));
        m_nShown = 0;
        m_started = RunClock::now();
        m_sources.assign(m_jobs.size(), std::nullopt);
        m_sourceRead.assign(m_jobs.size(), false);
        m_bSourcesDone = !m_reader;
        m_bPaused = false;
        m_state = RunState::Running;
    }
    m_bCancelReading = false;
    // Once per run: the kernel's answer is the same for every file of it.
    if (m_debugOutput)
        m_debugOutput("Encoders " + Confinement::Prepare(EncoderRules(m_jobs.front()->Plan())).Describe());
    // The first files start before Start returns, so that a stop right after it finds them
    // running; what follows is the run thread's.
    m_notBegun.clear();
    StartWaiting(&m_notBegun);
    // Beside the first commands, never before them: a slow disk must not hold the start. Made
    // before the run's thread, which joins it at the end.
    if (m_reader)
        m_sourceReader = std::thread(&ConversionRun::ReadSources, this);
    m_thread = std::thread(&ConversionRun::Loop, this);
    Changed();
    return true;
}

void ConversionRun::ReadSources()
{
    for (std::size_t i = 0; i < m_jobs.size() && !m_bCancelReading; ++i) {
        const std::optional<FileFacts> facts = m_reader(m_jobs[i]->Plan().source, m_bCancelReading);
        {
            boost::mutex::scoped_lock lock(m_stateLock);
            m_sources[i] = facts;
            m_sourceRead[i] = true;
            if (facts && facts->seconds && m_jobs[i]->GetPhase() == FileJob::Phase::Running)
                m_jobs[i]->KnowLength(*facts->seconds);
        }
        m_sourceCame.notify_all();
        Changed();
    }
    {
        boost::mutex::scoped_lock lock(m_stateLock);
        m_bSourcesDone = true;
    }
    m_sourceCame.notify_all();
}

std::optional<FileFacts> ConversionRun::SourceOf(std::size_t index)
{
    boost::mutex::scoped_lock lock(m_stateLock);
    m_sourceCame.wait(lock, [&] { return m_bSourcesDone || m_sourceRead[index]; });
    return m_sources[index];
}

void ConversionRun::Loop()
{
    for (const std::size_t job : m_notBegun)
        EndJob(job, false);
    ShowEarliest();
    while (m_nRunning > 0) {
        Event event;
        {
            std::unique_lock<std::mutex> lock(m_eventLock);
            m_eventCame.wait(lock, [this] { return !m_events.empty(); });
            event = std::move(m_events.front());
            m_events.pop_front();
        }
        switch (event.kind) {
        case Event::Kind::ChildEnded:
            // What follows a child's end (its file's next command, the rename, the next file)
            // waits for the pause to end.
            if (m_bPaused) {
                m_deferred.push_back(std::move(event));
                continue;
            }
            OnChildEnded(event);
            ShowEarliest();
            break;
        case Event::Kind::Pause:
            // Whatever started between Pause and here is held too; a Resume since has let go.
            if (m_bPaused)
                ForEachRunning(&FileJob::Pause);
            break;
        case Event::Kind::Resume:
            ForEachRunning(&FileJob::Resume);
            HandleDeferred();
            StartWaiting();
            break;
        case Event::Kind::Stop:
            // Interrupt lets a held child go on before it signals it.
            m_bStopRequested = true;
            ForEachRunning(&FileJob::Interrupt);
            HandleDeferred();
            break;
        case Event::Kind::Shutdown:
            // After Start, launches happen on this thread only, so none can slip past the
            // runners' end: each running child is killed, and its end comes back as an event
            // that starts nothing.
            m_bShutdownSeen = true;
            {
                std::lock_guard<std::mutex> launching(m_launchLock);
                boost::mutex::scoped_lock lock(m_stateLock);
                EndPause();
            }
            ForEachRunning(&FileJob::ShutdownRunner);
            HandleDeferred();
            break;
        }
        Changed();
    }
    Finish();
}

void ConversionRun::HandleDeferred()
{
    std::vector<Event> deferred;
    deferred.swap(m_deferred);
    for (const Event& event : deferred) {
        // Paused again already: they wait for that pause's end.
        if (m_bPaused) {
            m_deferred.push_back(event);
            continue;
        }
        OnChildEnded(event);
    }
    ShowEarliest();
}

void ConversionRun::ForEachRunning(void (FileJob::*what)())
{
    for (const auto& job : m_jobs)
        if (job->GetPhase() == FileJob::Phase::Running)
            ((*job).*what)();
}

void ConversionRun::StartWaiting(std::vector<std::size_t>* notBegun)
{
    while (!m_bStopRequested && !m_bShutdownSeen && !m_bPaused && m_nRunning < m_nParallel &&
           m_nNext < m_jobs.size()) {
        // A stop that has returned has been seen by every launch after it.
        std::unique_lock<std::mutex> launching(m_launchLock);
        if (m_state != RunState::Running || m_bPaused)
            break;
        const std::size_t index = m_nNext++;
        std::optional<double> seconds;
        {
            boost::mutex::scoped_lock lock(m_stateLock);
            if (m_sources[index] && m_sources[index]->seconds)
                seconds = m_sources[index]->seconds;
        }
        ++m_nRunning;
        const bool begun = m_jobs[index]->Begin(seconds);
        launching.unlock();
        if (begun)
            continue;
        if (notBegun)
            notBegun->push_back(index);
        else
            EndJob(index, false);
    }
}

void ConversionRun::OnChildEnded(const Event& event)
{
    FileJob& job = *m_jobs[event.job];
    if (job.GetPhase() != FileJob::Phase::Running)
        return;
    // The forced end, or a child that ended without an end of its own to tell: nothing more of
    // this file runs.
    if (event.bShutdown || m_bShutdownSeen || !event.end) {
        EndJob(event.job, true);
        return;
    }
    std::unique_lock<std::mutex> launching(m_launchLock);
    const FileJob::Next next = job.Advance(*event.end, m_bStopRequested || m_state != RunState::Running);
    launching.unlock();
    switch (next) {
    case FileJob::Next::Launched:
        break;
    case FileJob::Next::Over:
        EndJob(event.job, false);
        break;
    case FileJob::Next::Stopped:
        EndJob(event.job, true);
        break;
    }
}

void ConversionRun::EndJob(std::size_t index, bool stopped)
{
    const std::optional<FileFacts> source = m_reader && !stopped ? SourceOf(index) : std::nullopt;
    m_jobs[index]->End(stopped, m_reader, source, m_bCancelReading);
    --m_nRunning;
    // The next waiting file starts at once.
    StartWaiting();
}

void ConversionRun::ShowEarliest()
{
    // The window shows one file's text at a time, so two encoders' lines never mix: the
    // earliest still converting; once none is, the first that failed, whose cause the user
    // wants to read, or else the last shown.
    boost::mutex::scoped_lock lock(m_stateLock);
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

void ConversionRun::Finish()
{
    // The files a stop left untouched had their folders made all the same.
    for (std::size_t i = m_nNext; i < m_jobs.size(); ++i)
        RemoveRunFolder(m_jobs[i]->Plan().runFolder);
    m_bCancelReading = true;
    if (m_sourceReader.joinable())
        m_sourceReader.join();
    {
        // A pause asked for as the last file ended holds nothing.
        std::lock_guard<std::mutex> launching(m_launchLock);
        boost::mutex::scoped_lock lock(m_stateLock);
        m_bPaused = false;
        m_state = RunState::Ended;
    }
    Changed();
}

void ConversionRun::Stop()
{
    {
        std::lock_guard<std::mutex> launching(m_launchLock);
        boost::mutex::scoped_lock lock(m_stateLock);
        if (m_state != RunState::Running)
            return;
        m_state = RunState::Stopping;
        EndPause();
    }
    Post({Event::Kind::Stop});
    Changed();
}

bool ConversionRun::Pause()
{
    {
        std::lock_guard<std::mutex> launching(m_launchLock);
        boost::mutex::scoped_lock lock(m_stateLock);
        if (m_state != RunState::Running || m_bPaused)
            return false;
        m_bPaused = true;
        m_pausedSince = RunClock::now();
    }
    Post({Event::Kind::Pause});
    Changed();
    return true;
}

bool ConversionRun::Resume()
{
    {
        std::lock_guard<std::mutex> launching(m_launchLock);
        boost::mutex::scoped_lock lock(m_stateLock);
        if (m_state != RunState::Running || !m_bPaused)
            return false;
        EndPause();
    }
    Post({Event::Kind::Resume});
    Changed();
    return true;
}

void ConversionRun::EndPause()
{
    if (!m_bPaused)
        return;
    m_bPaused = false;
    const RunClock::duration held = RunClock::now() - m_pausedSince;
    m_started += held;
    for (const auto& job : m_jobs)
        if (job->GetPhase() == FileJob::Phase::Running)
            job->DiscountPause(held);
}

void ConversionRun::Shutdown()
{
    m_bCancelReading = true;
    if (m_thread.joinable())
        Post({Event::Kind::Shutdown});
    JoinThreads();
}

void ConversionRun::JoinThreads()
{
    if (m_thread.joinable())
        m_thread.join();
    if (m_sourceReader.joinable())
        m_sourceReader.join();
}

RunSnapshot ConversionRun::Snapshot() const
{
    RunSnapshot snapshot;
    boost::mutex::scoped_lock lock(m_stateLock);
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
    if (m_bPaused)
        progress.pausedSince = m_pausedSince;

    // Each file's share of the bar: its length's share of them all once every length is
    // known, an equal share until then.
    const std::size_t files = m_jobs.size();
    std::vector<double> shares(files, 1.0 / static_cast<double>(files));
    double total = 0;
    bool all = true;
    for (const std::optional<FileFacts>& facts : m_sources) {
        if (facts && facts->seconds && *facts->seconds > 0)
            total += *facts->seconds;
        else
            all = false;
    }
    if (all && total > 0)
        for (std::size_t i = 0; i < files; ++i)
            shares[i] = *m_sources[i]->seconds / total;

    double fraction = 0;
    bool known = false;
    for (std::size_t i = 0; i < files; ++i) {
        const FileJob& job = *m_jobs[i];
        switch (job.GetPhase()) {
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

    if (m_state == RunState::Ended) {
        RunVerdict verdict;
        verdict.files = files;
        for (const auto& job : m_jobs) {
            if (job->GetPhase() != FileJob::Phase::Ended) {
                verdict.untouched.push_back(job->Plan().source);
                continue;
            }
            const RunOutcome& outcome = job->Outcome();
            verdict.outcomes.push_back(outcome);
            verdict.written += outcome.kind == RunOutcome::Kind::Written;
            verdict.bStopped |= outcome.kind == RunOutcome::Kind::Stopped;
        }
        verdict.bStopped |= !verdict.untouched.empty();
        snapshot.verdict = std::move(verdict);
    }
    return snapshot;
}

RunState ConversionRun::State() const
{
    return m_state.load();
}
