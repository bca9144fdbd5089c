#include "run/ConversionRun.h"

#include <algorithm>
#include <system_error>
#include <utility>

#include "platform/process/Processors.h"

namespace {

// Beyond this many encoders at once the disk, not the processors, sets the pace.
constexpr std::size_t kMostAtOnce = 8;
// A window draws a run at most every 40 ms; a snapshot of output alone is worth no more often.
constexpr auto kOutputInterval = std::chrono::milliseconds(5);

template <class... Ts>
struct Overloaded : Ts... {
    using Ts::operator()...;
};
template <class... Ts>
Overloaded(Ts...) -> Overloaded<Ts...>;

}  // namespace

ConversionRun::ConversionRun(std::function<void()> changed, std::function<void(std::string_view)> debugOutput,
                             MediaReader reader, std::size_t parallel)
    : m_changed(std::move(changed)),
      m_debugOutput(std::move(debugOutput)),
      m_reader(std::move(reader)),
      m_nParallel(parallel > 0 ? parallel : std::min(UsableProcessors(), kMostAtOnce)),
      m_sink{[this](std::size_t job, OutputStream stream, std::string_view bytes) { PostOutput(job, stream, bytes); },
             [this](std::size_t job, const CRedirect::ChildEnd& end) { Post(run_event::ChildEnded{job, end}); }},
      m_published(std::make_shared<const RunSnapshot>()),
      m_built(m_published)
{
}

ConversionRun::~ConversionRun()
{
    Shutdown();
}

void ConversionRun::AttachEnd(EndListener listener)
{
    m_endListeners.push_back(std::move(listener));
}

void ConversionRun::Post(RunEvent event)
{
    {
        std::lock_guard<std::mutex> lock(m_eventLock);
        m_events.push_back(std::move(event));
        ++m_nUrgent;
    }
    m_eventCame.notify_one();
}

void ConversionRun::PostOutput(std::size_t job, OutputStream stream, std::string_view bytes)
{
    bool wake = false;
    {
        std::lock_guard<std::mutex> lock(m_eventLock);
        // Only a run's thread that waits for anything at all is woken: output wakes it at most
        // once a publishing interval, however many chunks come.
        wake = m_bWaitingForAny;
        auto* last = m_events.empty() ? nullptr : std::get_if<run_event::OutputCame>(&m_events.back());
        if (last && last->job == job && last->stream == stream) {
            last->bytes.append(bytes);
            last->sizes.push_back(static_cast<std::uint32_t>(bytes.size()));
            return;
        }
        m_events.push_back(run_event::OutputCame{job, stream, std::string(bytes), {static_cast<std::uint32_t>(bytes.size())}});
    }
    if (wake)
        m_eventCame.notify_one();
}

bool ConversionRun::Start(std::vector<RunPlan> files)
{
    const bool nothing = std::all_of(files.begin(), files.end(), [](const RunPlan& plan) { return plan.commands.empty(); });
    if (IsGoing(m_state) || nothing)
        return false;
    // The last run has ended; its threads are about to return, if they have not.
    JoinThreads();
    {
        std::lock_guard<std::mutex> lock(m_eventLock);
        m_events.clear();
        m_nUrgent = 0;
    }
    m_jobs.clear();
    for (std::size_t i = 0; i < files.size(); ++i)
        m_jobs.push_back(std::make_unique<FileJob>(i, std::move(files[i]), m_sink, m_debugOutput));
    m_sourceFacts.assign(m_jobs.size(), std::nullopt);
    m_heldAtOutput.assign(m_jobs.size(), {});
    m_finishers.clear();
    m_finishers.resize(m_jobs.size());
    m_nShown = 0;
    m_started = RunClock::now();
    m_nNext = 0;
    m_nActive = 0;
    m_nRunning = 0;
    m_bStopSeen = false;
    m_bShutdownSeen = false;
    m_deferred.clear();
    m_bCancelReading = false;
    m_bPaused = false;
    {
        boost::mutex::scoped_lock lock(m_publishLock);
        m_held = {};
        m_pausedSince.reset();
    }
    m_state = RunState::Running;
    // A window opened at once finds the run going, its files counted.
    Publish(BuildSnapshot());
    m_thread = std::thread(&ConversionRun::Loop, this);
    return true;
}

void ConversionRun::Loop()
{
    // Once per run: the kernel's answer is the same for every file of it.
    if (m_debugOutput)
        m_debugOutput("Encoders " + Confinement::Prepare(EncoderRules(m_jobs.front()->Plan())).Describe());
    // Beside the first commands, never before them: a slow disk must not hold the start.
    StartWaiting();
    std::vector<std::u16string> sources;
    for (const auto& job : m_jobs)
        sources.push_back(job->Plan().source);
    m_sources.Start(std::move(sources), m_reader, [this](std::size_t job, const std::optional<FileFacts>& facts) {
        Post(run_event::SourceRead{job, facts});
    });
    PickShownFile();
    Publish(BuildSnapshot());
    // Output alone is published at most once an interval, and at the latest then: nobody reads
    // faster, and a flood would otherwise cost a snapshot per chunk. Anything else goes out at once.
    RunClock::time_point published = RunClock::now();
    bool pending = false;
    while (!Over()) {
        std::deque<RunEvent> events;
        {
            std::unique_lock<std::mutex> lock(m_eventLock);
            if (!pending) {
                m_bWaitingForAny = true;
                m_eventCame.wait(lock, [this] { return !m_events.empty(); });
                m_bWaitingForAny = false;
            } else {
                m_eventCame.wait_until(lock, published + kOutputInterval, [this] { return m_nUrgent > 0; });
            }
            events.swap(m_events);
            m_nUrgent = 0;
        }
        const bool outputOnly = std::all_of(events.begin(), events.end(), [](const RunEvent& event) {
            return std::holds_alternative<run_event::OutputCame>(event);
        });
        for (RunEvent& event : events)
            Handle(event);
        const RunClock::time_point now = RunClock::now();
        if (outputOnly && now < published + kOutputInterval) {
            pending = true;
            continue;
        }
        PickShownFile();
        Publish(BuildSnapshot());
        published = now;
        pending = false;
    }
    Finish();
}

bool ConversionRun::Over() const
{
    // Paused with files waiting and none running, the run waits for Resume or Stop.
    return m_nActive == 0 && (m_nNext >= m_jobs.size() || m_bStopSeen || m_bShutdownSeen);
}

void ConversionRun::Handle(RunEvent& event)
{
    std::visit(Overloaded{
                   [this](run_event::OutputCame& output) {
                       FileJob& job = *m_jobs[output.job];
                       const std::string_view bytes = output.bytes;
                       std::size_t at = 0;
                       for (const std::uint32_t size : output.sizes) {
                           job.TakeOutput(output.stream, bytes.substr(at, size));
                           at += size;
                       }
                       boost::mutex::scoped_lock lock(m_publishLock);
                       m_heldAtOutput[output.job] = m_held;
                   },
                   [this](run_event::ChildEnded& ended) { OnChildEnded(ended); },
                   [this](run_event::FileFinished& finished) { OnFileFinished(finished); },
                   [this](run_event::SourceRead& read) {
                       m_sourceFacts[read.job] = read.facts;
                       FileJob& job = *m_jobs[read.job];
                       if (read.facts && read.facts->seconds && job.GetPhase() == FileJob::Phase::Running)
                           job.KnowLength(*read.facts->seconds);
                   },
                   [this](run_event::Request request) { OnRequest(request); },
               },
               event);
}

void ConversionRun::OnRequest(run_event::Request request)
{
    switch (request) {
    case run_event::Request::Pause:
        // Whatever started between Pause and here is held too; a Resume since comes next.
        ForEachRunning(&FileJob::Pause);
        break;
    case run_event::Request::Resume:
        ForEachRunning(&FileJob::Resume);
        HandleDeferred();
        StartWaiting();
        break;
    case run_event::Request::Stop:
        // Interrupt lets a held child go on before it signals it.
        m_bStopSeen = true;
        ForEachRunning(&FileJob::Interrupt);
        HandleDeferred();
        break;
    case run_event::Request::Shutdown:
        // Each running child is killed, and its end comes back as an event that starts nothing.
        m_bShutdownSeen = true;
        {
            std::lock_guard<std::mutex> gate(m_launchGate);
            EndPauseLocked(RunClock::now());
        }
        ForEachRunning(&FileJob::ShutdownRunner);
        HandleDeferred();
        break;
    }
}

void ConversionRun::ForEachRunning(void (FileJob::*what)())
{
    for (const auto& job : m_jobs)
        if (job->GetPhase() == FileJob::Phase::Running)
            ((*job).*what)();
}

void ConversionRun::HandleDeferred()
{
    std::vector<run_event::ChildEnded> deferred;
    deferred.swap(m_deferred);
    // Paused again already, they go back to wait for that pause's end.
    for (const run_event::ChildEnded& ended : deferred)
        OnChildEnded(ended);
}

bool ConversionRun::Launch(std::size_t index)
{
    const bool launched = m_jobs[index]->Launch();
    boost::mutex::scoped_lock lock(m_publishLock);
    m_heldAtOutput[index] = m_held;
    return launched;
}

void ConversionRun::StartWaiting()
{
    // As many again may be finishing, not more: each read-back holds a reader of media files.
    while (m_nRunning < m_nParallel && m_nActive < 2 * m_nParallel && m_nNext < m_jobs.size()) {
        // A Stop or Pause that has returned is seen by every launch after it.
        std::unique_lock<std::mutex> gate(m_launchGate);
        if (m_state != RunState::Running || m_bPaused || m_bShutdownSeen)
            return;
        const std::size_t index = m_nNext++;
        ++m_nActive;
        ++m_nRunning;
        std::optional<double> seconds;
        if (m_sourceFacts[index] && m_sourceFacts[index]->seconds)
            seconds = m_sourceFacts[index]->seconds;
        m_jobs[index]->Begin(seconds);
        const bool launched = Launch(index);
        gate.unlock();
        if (!launched)
            EndJob(index, false);
    }
}

void ConversionRun::OnChildEnded(const run_event::ChildEnded& ended)
{
    FileJob& job = *m_jobs[ended.job];
    if (job.GetPhase() != FileJob::Phase::Running)
        return;
    // The forced end: nothing more of this file runs.
    if (ended.end.bShutdown || m_bShutdownSeen || ended.end.kind == CRedirect::ChildEnd::Kind::ShutDown) {
        EndJob(ended.job, true);
        StartWaiting();
        return;
    }
    std::unique_lock<std::mutex> gate(m_launchGate);
    // What follows a child's end (its file's next command, the rename, the next file) waits
    // for the pause to end.
    if (m_bPaused) {
        m_deferred.push_back(ended);
        return;
    }
    const FileJob::Next next = job.Advance(ended.end, m_state != RunState::Running);
    if (next == FileJob::Next::NextCommand && Launch(ended.job))
        return;
    gate.unlock();
    EndJob(ended.job, next == FileJob::Next::Stopped);
    // The next waiting file starts at once, its encoder beside the disk's work for this one.
    StartWaiting();
}

void ConversionRun::EndJob(std::size_t index, bool stopped)
{
    FinishingWork work = m_jobs[index]->Finish(stopped);
    --m_nRunning;
    const auto finish = [this, index](FinishingWork done) {
        RunOutcome outcome = FinishFile(
            std::move(done), m_reader, [this, index] { return m_sources.Await(index); }, m_bCancelReading);
        Post(run_event::FileFinished{index, std::move(outcome)});
    };
    try {
        m_finishers[index] = std::thread(finish, std::move(work));
    } catch (const std::system_error&) {
        // No thread to be had: the disk holds this thread instead, which beats a file never
        // finished.
        finish(std::move(work));
    }
}

void ConversionRun::OnFileFinished(run_event::FileFinished& finished)
{
    // Its last act was to post this.
    if (m_finishers[finished.job].joinable())
        m_finishers[finished.job].join();
    m_jobs[finished.job]->Finished(std::move(finished.outcome));
    --m_nActive;
    StartWaiting();
}

void ConversionRun::Finish()
{
    // The files a stop left untouched had their folders made all the same.
    for (const auto& job : m_jobs)
        if (job->GetPhase() == FileJob::Phase::Waiting)
            job->DropUntouched();
    m_sources.Cancel();
    m_sources.Join();
    std::vector<RunOutcome> outcomes;
    std::vector<bool> began;
    for (const auto& job : m_jobs) {
        outcomes.push_back(job->Outcome());
        began.push_back(job->GetPhase() == FileJob::Phase::Ended);
    }
    RunSnapshot last = BuildSnapshot();
    last.state = RunState::Ended;
    last.verdict = VerdictOf(outcomes, began);
    const RunVerdict verdict = *last.verdict;
    {
        std::lock_guard<std::mutex> gate(m_launchGate);
        // A pause asked for as the last file ended holds nothing.
        EndPauseLocked(RunClock::now());
        // Whoever finds the run ended finds its verdict already out.
        Install(std::move(last));
        m_state = RunState::Ended;
    }
    if (m_changed)
        m_changed();
    for (const EndListener& listener : m_endListeners)
        listener(verdict);
}

void ConversionRun::JoinThreads()
{
    if (m_thread.joinable())
        m_thread.join();
}

