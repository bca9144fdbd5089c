#pragma once
// A conversion of one or several files from the first command to the end, and nothing of any
// window: the commands and the next one to start, the runner of their children, the text they
// print (the previous chunk and the newest one, each stream decoded on its own), how far the
// run is, what became of each file, and each file's own folder, where the encoders write.
//
// Nothing of the user's is touched before the run has earned it: a file's last command writes
// its output into the file's run folder, and only when every command exited 0 and that file is
// not empty is it renamed over the output path. Whatever else happens (a failure, a stop, the
// program told to end), the folder goes with everything in it and an earlier file at the output
// path stays as it was. Files follow one another with the same commands' shape; a failed one
// does not stop the rest, a stop does.
//
// Given a way to read media files, the run reads every source beside the first command, so the
// bar measures from the start, and reads each new file back before it is put in place, to say
// whether it holds what its source promised.
//
// The runner's threads update the state under the run's lock and call `changed`; a window
// takes a Snapshot when it gets to it. Nothing here needs a window at all.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include <boost/thread/mutex.hpp>

#include "platform/text/TextCodec.h"
#include "run/ProgressParser.h"
#include "run/Redirect.h"
#include "run/RunOutcome.h"

// What a run is to do for one file.
struct RunPlan {
    std::vector<std::u16string> commands;  // in order; empty ones are passed over
    std::u16string source;                 // the file the commands convert
    std::u16string output;                 // where the new file goes once the run has earned it
    std::u16string runFolder;              // made for this file beside `output`; the run removes it
    std::u16string written;                // the file the last command writes, inside `runFolder`
    // The streams the new file is to hold, as far as its source has them.
    bool bWantVideo = true;
    bool bWantAudio = true;
};

enum class RunState {
    Idle,      // no run yet
    Running,   // from Start to the end
    Stopping,  // Stop was asked; the running child is being asked to end
    Ended,     // every file's outcome is known and every run folder gone
};

// From Start until every file's outcome is known.
constexpr bool IsGoing(RunState state)
{
    return state == RunState::Running || state == RunState::Stopping;
}

using RunClock = std::chrono::steady_clock;

// Where a run stands.
struct RunProgress {
    std::size_t file = 0;        // the file now converting, from 0
    std::size_t files = 0;
    std::u16string source;       // its source
    std::size_t step = 0;        // its command now running, from 0
    std::size_t steps = 0;
    std::u16string program;      // that command's program, as "ffmpeg"
    std::optional<int> percent;  // of the whole run, 0..100; empty while no length is known
    RunClock::time_point started;     // the run's start
    RunClock::time_point lastOutput;  // the running command's last output, or its start
};

// What a window shows of a run, taken at one moment.
struct RunSnapshot {
    RunState state = RunState::Idle;
    std::u16string text;              // the previous chunk of output followed by the newest one
    RunProgress progress;
    std::vector<RunOutcome> outcomes;  // once Ended: of the files that ran, in order
};

class ConversionRun {
public:
    // Reads a media file: its facts, or nothing when it cannot be read. Called off the caller's
    // thread, several at once; it should give up soon once `cancel` is set.
    using MediaReader = std::function<std::optional<FileFacts>(const std::u16string& path, const std::atomic<bool>& cancel)>;

    // `changed` comes on whatever thread changed the state (the runner's, or the caller's of
    // Start and Stop), with no lock of the run held; it may take a Snapshot. `debugOutput`
    // gets every command line before its child starts and every chunk of output. Without a
    // `reader`, nothing is read: the bar waits for the encoders, and a file is not read back.
    ConversionRun(std::function<void()> changed, std::function<void(std::string_view)> debugOutput,
                  MediaReader reader = {});
    // Shutdown().
    ~ConversionRun();
    ConversionRun(const ConversionRun&) = delete;
    ConversionRun& operator=(const ConversionRun&) = delete;

    // Starts the first file's first command. The run owns the plans' folders from here on,
    // also when false comes back: a run is still going, or the first file's first command is
    // empty.
    bool Start(std::vector<RunPlan> files);
    bool Start(RunPlan plan);
    // Asks the run to stop: no further command starts, and the running child is interrupted
    // (SIGINT, then SIGTERM, then SIGKILL, 2 s apart). A child that had already ended by
    // itself keeps its result: when it was its file's last and all went well, that file is
    // still put in place. Nothing happens when no run is going or a stop is under way.
    void Stop();
    // The forced end, for the owner's end: the running child is killed, every thread joined,
    // a run that was going ends as stopped and its folder goes.
    void Shutdown();

    RunSnapshot Snapshot() const;
    RunState State() const;
    // The commands of the file now converting, or of the last one.
    std::vector<std::u16string> Commands() const;

private:
    class Runner : public CRedirect {
    public:
        explicit Runner(ConversionRun& run) : m_run(run) {}
        void OnOutputText(std::string_view text) override { m_run.OnChunk(OutputStream::Output, text); }
        void OnErrorText(std::string_view text) override { m_run.OnChunk(OutputStream::Error, text); }
        void OnFinished() override { m_run.OnChildEnded(FinishedChild(), StopRequested()); }

    private:
        ConversionRun& m_run;
    };

    // A source's facts: not yet read, or read (and then empty when unreadable).
    using SourceFacts = std::optional<std::optional<FileFacts>>;

    void Changed();
    void OnChunk(OutputStream stream, std::string_view bytes);
    void OnChildEnded(std::optional<CRedirect::ChildEnd> end, bool shutdown);
    void ReadSources();
    // Waits for the source of file `index` to have been read (or the reading to have ended).
    std::optional<FileFacts> SourceOf(std::size_t index);

    // These run under m_stepLock.
    // The file at m_nFile from its first command; false when no child started for it, its
    // outcome then recorded.
    bool StartFile();
    // False when the command could not start, the file's outcome then recorded.
    bool LaunchAtCursor();
    // The file at m_nFile is over: decides, reads back and renames, then records its outcome.
    // When `step` holds m_stepLock, it is let go while the new file is read.
    void EndFile(std::unique_lock<std::mutex>& step, bool stopped);
    // After a file's end: the next file, or the end of the run.
    void NextFileOrEnd();
    void FinishRun();
    void JoinSourceReader();
    // Under m_stateLock: keeps the file's first failure, the one that tells.
    void NoteFailure(RunOutcome::Kind kind, int code);

    const std::function<void()> m_changed;
    const std::function<void(std::string_view)> m_debugOutput;
    const MediaReader m_reader;

    // Orders what starts a child and what stops one, so a stop cannot slip in between the
    // decision to launch and the launch. Taken before m_stateLock, never after it.
    mutable std::mutex m_stepLock;
    std::vector<RunPlan> m_files;
    std::size_t m_nFile = 0;    // the file now converting
    std::size_t m_nCursor = 0;  // its next command to consider
    bool m_bStopRequested = false;
    bool m_bEarlierOutput = false;  // something was at the file's output path when it began
    std::atomic<bool> m_bShutdown{false};

    // Reads every source while the commands run; nobody waits for it but a file's end.
    std::thread m_sourceReader;
    std::atomic<bool> m_bCancelReading{false};
    // Guards m_sources and m_bSourcesDone; taken after m_stateLock, never before it.
    mutable std::mutex m_sourcesLock;
    std::condition_variable m_sourceRead;
    bool m_bSourcesDone = true;  // nothing more will be read

    // The state a window shows.
    mutable boost::mutex m_stateLock;
    // Written under the lock; read without it too, since a window asks for it at every chunk.
    std::atomic<RunState> m_state{RunState::Idle};
    std::vector<SourceFacts> m_sources;
    Utf8Decoder m_outputDecoder;
    Utf8Decoder m_errorDecoder;
    std::u16string m_strPrevChunk;
    std::u16string m_strLastChunk;
    ProgressParser m_progress;  // of the file now converting
    std::vector<RunOutcome> m_outcomes;
    RunOutcome m_outcome;          // of the file now converting
    RunProgress m_where;

    // Last: its threads reach everything above until it has stopped.
    Runner m_runner{*this};
};
