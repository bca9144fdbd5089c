#pragma once
// A conversion of one or several files from Convert to the end, and nothing of any window: a
// job per file (run/FileJob.h), several converting at once, one per processor the program may
// run on and eight at most; which wait and which run; the snapshot a window draws; Stop and
// Pause; and at the end the verdict of the whole run, told once to whoever attached.
//
// One thread decides: the run's own. Start, Stop, Pause and Resume only post requests to it;
// the runners' threads hand it their children's bytes and ends as events, in order; every
// launch happens on it, and only it touches a job. What waits on the disk at a file's end (the
// read-back, the flush and rename, the folder's removal) runs beside it as the file's finishing
// work, whose outcome comes back as one more event, so a Stop is never queued behind the disk.
// What a window reads is published whole after each batch of events (output alone at most every
// few milliseconds), as one immutable snapshot.
//
// Locks, none held while `changed` or a listener runs, taken in this order where two are held
// at once:
//   1. the launch gate: held by the run's thread from its look at the state to a child's launch,
//      and by Stop, Pause and Resume while they change the state, so that no command starts once
//      either has returned;
//   2. the output lock over the published snapshot and the pause clock;
//   3. the event queue's own lock, and the source reading's (run/SourceReading.h).

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include <boost/thread/mutex.hpp>

#include "run/FileJob.h"
#include "run/RunEvent.h"
#include "run/RunSnapshot.h"
#include "run/SourceReading.h"

class ConversionRun {
public:
    // Told the verdict of each run once, on the run's thread, after its last snapshot is out;
    // it must not Start a run from there.
    using EndListener = std::function<void(const RunVerdict&)>;

    // `changed` comes whenever a new snapshot is out, on whatever thread published it, with no
    // lock of the run held: it may Stop, Pause or take a Snapshot. `debugOutput` gets how the
    // encoders are confined first, once per run, then every command line before its child
    // starts and every chunk of output, on the run's thread. Without a `reader`, nothing is read:
    // the bar waits for the encoders, and a file is not read back. At most `parallel` files
    // convert at once; 0 means one per processor the program may run on, eight at most.
    ConversionRun(std::function<void()> changed, std::function<void(std::string_view)> debugOutput,
                  MediaReader reader = {}, std::size_t parallel = 0);
    // Through Shutdown: no child, thread or run folder of the run outlives it.
    ~ConversionRun();
    ConversionRun(const ConversionRun&) = delete;
    ConversionRun& operator=(const ConversionRun&) = delete;

    // Before the first Start.
    void AttachEnd(EndListener listener);

    // Starts the files, as many at once as the run takes. The plans' folders are the run's from
    // here on, and go also when false comes back: a run is still going, or no file has a command.
    bool Start(std::vector<RunPlan> files);
    // Asks the run to stop: no waiting file starts, no command starts once this has returned,
    // a read-back under way is cut short, and every running child is interrupted (SIGINT, then
    // SIGTERM, then SIGKILL, 2 s apart), all at once. A child that had already ended by itself
    // keeps its result: when it was its file's last and all went well, that file is still put in
    // place, unless the stop cut its read-back short. Nothing when no run goes on or a stop is
    // under way.
    void Stop();
    // Holds every running child and all it started (SIGSTOP to their process groups), and
    // starts nothing more, neither a waiting file nor a file's next command, until Resume.
    // False when no run is going on, it is stopping, or it is paused already.
    bool Pause();
    // Lets the held children go on where they were (SIGCONT) and the run move on. False when
    // the run is not paused. A Stop while paused lets them go on first, then stops them.
    bool Resume();
    bool Paused() const { return m_bPaused.load(); }
    // The forced end, for the owner's end: the running children are killed, every thread
    // joined, a run that was going ends as stopped and its folders go.
    void Shutdown();

    std::shared_ptr<const RunSnapshot> Snapshot() const;
    RunState State() const { return m_state.load(); }

private:
    void Post(RunEvent event);
    // A chunk joins the chunks of its stream queued last, when nothing came between them.
    void PostOutput(std::size_t job, OutputStream stream, std::string_view bytes);
    // The run's thread: starts the jobs and handles every event until each file is over.
    void Loop();
    bool Over() const;
    void Handle(RunEvent& event);
    void OnRequest(run_event::Request request);
    void OnChildEnded(const run_event::ChildEnded& ended);
    void OnFileFinished(run_event::FileFinished& finished);
    // Starts waiting jobs while there is room, no stop and no pause.
    void StartWaiting();
    // Launches the job's current command, noting when its output clock started.
    bool Launch(std::size_t job);
    void ForEachRunning(void (FileJob::*what)());
    // The ends that came while paused, handled now as if they had just come.
    void HandleDeferred();
    // The file is over: its finishing work goes off the run's thread.
    void EndJob(std::size_t job, bool stopped);
    // The file whose text the window shows.
    void PickShownFile();
    RunSnapshot BuildSnapshot() const;
    // The snapshot built last, with the pause clock's share, goes out; under the publish lock.
    void PublishLocked();
    // Publishes `built` and tells `changed`; Install publishes it alone, under the output lock.
    void Publish(RunSnapshot built);
    void Install(RunSnapshot built);
    void Finish();
    // Under the gate: the pause is over, its time taken off the run's clocks.
    void EndPauseLocked(RunClock::time_point now);
    void JoinThreads();

    const std::function<void()> m_changed;
    const std::function<void(std::string_view)> m_debugOutput;
    const MediaReader m_reader;
    const std::size_t m_nParallel;
    std::vector<EndListener> m_endListeners;
    const FileJob::RunnerSink m_sink;

    // The state, changed by Start before the run's thread starts, by Stop under the gate, and by
    // the run's thread; read anywhere.
    std::atomic<RunState> m_state{RunState::Idle};
    std::atomic<bool> m_bPaused{false};  // changed under the gate
    std::mutex m_launchGate;

    // The output lock: over what a window reads.
    mutable boost::mutex m_publishLock;
    std::shared_ptr<const RunSnapshot> m_published;  // under the publish lock
    // The pause clock, under the publish lock: every pause over, in total, and the one going on.
    RunClock::duration m_held{};
    std::optional<RunClock::time_point> m_pausedSince;
    // The last snapshot as the run's thread built it, before the clock's share, and the pauses
    // over by the shown file's last output: Pause and Resume publish it again with the new share.
    std::shared_ptr<const RunSnapshot> m_built;
    RunClock::duration m_builtHeldAtOutput{};

    std::mutex m_eventLock;
    std::condition_variable m_eventCame;
    std::deque<RunEvent> m_events;
    std::size_t m_nUrgent = 0;       // queued events other than output
    bool m_bWaitingForAny = false;  // the run's thread sleeps until any event comes

    // The run's thread's alone during a run; made by Start before it starts.
    std::vector<std::unique_ptr<FileJob>> m_jobs;
    std::vector<std::optional<FileFacts>> m_sourceFacts;  // as read so far
    std::vector<RunClock::duration> m_heldAtOutput;       // each job's, as the pause clock stood
    std::vector<std::thread> m_finishers;                 // each job's finishing work
    std::size_t m_nShown = 0;   // the job whose text a window shows
    RunClock::time_point m_started{};
    std::size_t m_nNext = 0;    // the first job that has not begun
    std::size_t m_nActive = 0;   // begun and not yet finished
    std::size_t m_nRunning = 0;  // with an encoder of theirs running: what `parallel` bounds
    bool m_bStopSeen = false;
    bool m_bShutdownSeen = false;
    std::vector<run_event::ChildEnded> m_deferred;  // children's ends that came while paused

    // Cuts the read-backs under way short, at a stop or the forced end.
    std::atomic<bool> m_bCancelReading{false};
    SourceReading m_sources;

    std::thread m_thread;  // the run's own, for as long as a run goes
};
