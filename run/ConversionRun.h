#pragma once
// A conversion of one or several files from Convert to the end, and nothing of any window: a
// job per file (run/FileJob.h), several converting at once, one per processor the program may
// run on and eight at most; which wait and which run; the snapshot a window draws; Stop; and
// at the end the verdict of the whole run.
//
// Start starts the first files; every later decision is taken on the run's own thread: which
// job starts, what follows a child's end, a file's read-back and rename, the stop. The runners' threads only update the
// text a window reads, under the run's one lock, and hand each child's end to the run as an
// event. A failed file does not stop the others; a stop does.
//
// Given a way to read media files, the run reads every source as the first commands start, so
// the bar measures from the start, and each new file back before it is put in place.

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

enum class RunState {
    Idle,      // no run yet
    Running,   // from Start to the end
    Stopping,  // Stop was asked; the running children are being asked to end
    Ended,     // every file's outcome is known and every run folder gone
};

// From Start until every file's outcome is known.
constexpr bool IsGoing(RunState state)
{
    return state == RunState::Running || state == RunState::Stopping;
}

// Where a run stands.
struct RunProgress {
    std::size_t files = 0;
    std::size_t done = 0;                     // files over, whatever became of them
    std::vector<std::size_t> converting;      // the files converting now, from 0, in file order
    std::vector<std::u16string> sources;      // their sources
    // The earliest file converting now (or the last one shown), whose text the window shows.
    std::size_t file = 0;
    std::u16string source;
    std::size_t step = 0;        // its command now running, from 0
    std::size_t steps = 0;
    std::u16string program;      // that command's program, as "ffmpeg"
    std::optional<int> percent;  // of the whole run, 0..100; empty while no length is known
    RunClock::time_point started;     // the run's start
    RunClock::time_point lastOutput;  // that command's last output, or its start
    // While the run is paused, the moment it was: the clocks above stand still there. A pause
    // over is taken off them, so that the time left and an encoder's silence count running time.
    std::optional<RunClock::time_point> pausedSince;
};

// What became of a whole run, decided by the run and published with its end.
struct RunVerdict {
    std::vector<RunOutcome> outcomes;       // of every file that began, in file order
    std::size_t files = 0;
    std::size_t written = 0;                // files put in place
    bool bStopped = false;                  // a stop cut a file short or left some untouched
    std::vector<std::u16string> untouched;  // the sources of the files that never began
};

// What a window shows of a run, taken at one moment.
struct RunSnapshot {
    RunState state = RunState::Idle;
    // The shown file's previous chunk of output followed by its newest; once it has failed, the
    // last few KiB of its output.
    std::u16string text;
    RunProgress progress;
    std::optional<RunVerdict> verdict;  // once Ended
};

class ConversionRun {
public:
    // `changed` comes on whatever thread changed the state, with no lock of the run held; it
    // may take a Snapshot. `debugOutput` gets how the encoders are confined first, once per
    // run, then every command line before its child starts and every chunk of output. Without a `reader`, nothing is read: the bar waits for the
    // encoders, and a file is not read back. At most `parallel` files convert at once; 0 means
    // one per processor the program may run on, eight at most.
    ConversionRun(std::function<void()> changed, std::function<void(std::string_view)> debugOutput,
                  MediaReader reader = {}, std::size_t parallel = 0);
    // Shutdown().
    ~ConversionRun();
    ConversionRun(const ConversionRun&) = delete;
    ConversionRun& operator=(const ConversionRun&) = delete;

    // Starts the files, as many at once as the run takes. The run owns the plans' folders from
    // here on, also when false comes back: a run is still going, or no file has a command to run.
    bool Start(std::vector<RunPlan> files);
    bool Start(RunPlan plan);
    // Asks the run to stop: no waiting file starts, and every running child is interrupted
    // (SIGINT, then SIGTERM, then SIGKILL, 2 s apart), all at once. A child that had already
    // ended by itself keeps its result: when it was its file's last and all went well, that file
    // is still put in place. Nothing happens when no run is going or a stop is under way.
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

    RunSnapshot Snapshot() const;
    RunState State() const;
    // How many files convert at once at most.
    std::size_t Parallel() const { return m_nParallel; }

private:
    struct Event {
        enum class Kind { ChildEnded, Stop, Shutdown, Pause, Resume } kind;
        std::size_t job = 0;
        std::optional<CRedirect::ChildEnd> end{};
        bool bShutdown = false;
    };

    void Changed();
    void Post(Event event);
    // The run's thread: starts the jobs and handles every event until each file is over.
    void Loop();
    // Starts waiting jobs while there is room and no stop. A job whose first command cannot
    // start is ended at once, or put in `notBegun` for the run's thread to end.
    void StartWaiting(std::vector<std::size_t>* notBegun = nullptr);
    void ForEachRunning(void (FileJob::*what)());
    void OnChildEnded(const Event& event);
    // The ends that came while paused, handled now as if they had just come.
    void HandleDeferred();
    // Under the state lock: the run goes on, the time it stood still taken off its clocks.
    void EndPause();
    void EndJob(std::size_t job, bool stopped);
    void ShowEarliest();
    void Finish();
    void ReadSources();
    // Waits for the source of file `index` to have been read (or the reading to have ended).
    std::optional<FileFacts> SourceOf(std::size_t index);
    void JoinThreads();

    const std::function<void()> m_changed;
    const std::function<void(std::string_view)> m_debugOutput;
    const MediaReader m_reader;
    const std::size_t m_nParallel;

    // The run's one lock over what a window reads: the jobs' text, progress and outcomes, the
    // state, the sources' lengths.
    mutable boost::mutex m_stateLock;
    // Written under the lock; read without it too, since a window asks for it at every chunk.
    std::atomic<RunState> m_state{RunState::Idle};
    FileJob::Context m_context;
    std::vector<std::unique_ptr<FileJob>> m_jobs;
    std::size_t m_nShown = 0;   // the job whose text a window shows
    RunClock::time_point m_started{};
    std::vector<std::optional<FileFacts>> m_sources;  // read so far, under the lock
    std::vector<bool> m_sourceRead;                   // likewise

    // Only the run's thread reads and writes these during a run.
    std::size_t m_nNext = 0;    // the first job that has not begun
    std::size_t m_nRunning = 0;
    std::vector<std::size_t> m_notBegun;  // by Start, for the run's thread to end
    bool m_bStopRequested = false;
    bool m_bShutdownSeen = false;
    std::vector<Event> m_deferred;  // children's ends that came while paused

    // Written under the state lock and the launch lock; read by the run's thread without them.
    std::atomic<bool> m_bPaused{false};
    RunClock::time_point m_pausedSince{};  // under the state lock

    // Held from the run's check that no stop has come to the child's launch, and by Stop while
    // it says so: no command starts once Stop has returned.
    std::mutex m_launchLock;

    std::mutex m_eventLock;
    std::condition_variable m_eventCame;
    std::deque<Event> m_events;

    // Reads every source while the commands run.
    std::thread m_sourceReader;
    std::atomic<bool> m_bCancelReading{false};
    std::condition_variable_any m_sourceCame;  // with m_stateLock
    bool m_bSourcesDone = true;                // under the lock: nothing more will be read

    std::thread m_thread;  // the run's own, for as long as a run goes
};
