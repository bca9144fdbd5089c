#pragma once
// One conversion from its first command to its end, and nothing of any window: the commands
// and the next one to start, the runner of their children, the text they print (the previous
// chunk and the newest one, each stream decoded on its own), how far the run is, what became
// of it, and the run's own folder, where the encoders write.
//
// Nothing of the user's is touched before the run has earned it: the last command writes the
// output into the run folder, and only when every command exited 0 and that file is not empty
// is it renamed over the output path. Whatever else happens (a failure, a stop, the program
// told to end), the folder goes with everything in it and an earlier file at the output path
// stays as it was.
//
// The runner's threads update the state under the run's lock and call `changed`; a window
// takes a Snapshot when it gets to it. Nothing here needs a window at all.

#include <atomic>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <boost/thread/mutex.hpp>

#include "platform/text/TextCodec.h"
#include "run/ProgressParser.h"
#include "run/Redirect.h"
#include "run/RunOutcome.h"

// What a run is to do.
struct RunPlan {
    std::vector<std::u16string> commands;  // in order; empty ones are passed over
    std::u16string output;                 // where the new file goes once the run has earned it
    std::u16string runFolder;              // made for this run beside `output`; the run removes it
    std::u16string written;                // the file the last command writes, inside `runFolder`
};

enum class RunState {
    Idle,      // no run yet
    Running,   // from Start to the end
    Stopping,  // Stop was asked; the running child is being asked to end
    Ended,     // the outcome is known and the run folder gone
};

// What a window shows of a run, taken at one moment.
struct RunSnapshot {
    RunState state = RunState::Idle;
    std::u16string text;         // the previous chunk of output followed by the newest one
    std::optional<int> percent;  // 0..100; empty while nothing has told the run's length
    RunOutcome outcome;          // once Ended
};

class ConversionRun {
public:
    // `changed` comes on whatever thread changed the state (the runner's, or the caller's of
    // Start and Stop), with no lock of the run held; it may take a Snapshot. `debugOutput`
    // gets every command line before its child starts and every chunk of output.
    ConversionRun(std::function<void()> changed, std::function<void(std::string_view)> debugOutput);
    // Shutdown().
    ~ConversionRun();
    ConversionRun(const ConversionRun&) = delete;
    ConversionRun& operator=(const ConversionRun&) = delete;

    // Starts the plan's first command. The run owns the plan's folder from here on, also when
    // false comes back: a run is still going, or the plan has no command to run.
    bool Start(RunPlan plan);
    // Asks the run to stop: no further command starts, and the running child is interrupted
    // (SIGINT, then SIGTERM, then SIGKILL, 2 s apart). A child that had already ended by
    // itself keeps its result: when it was the last and all went well, the run still ends
    // with its output in place. Nothing happens when no run is going or a stop is under way.
    void Stop();
    // The forced end, for the owner's end: the running child is killed, every thread of the
    // runner joined, a run that was going ends as stopped and its folder goes.
    void Shutdown();

    RunSnapshot Snapshot() const;
    RunState State() const;
    // The commands of the current run, or of the last one.
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

    void Changed();
    void OnChunk(OutputStream stream, std::string_view bytes);
    void OnChildEnded(std::optional<CRedirect::ChildEnd> end, bool shutdown);
    // Under m_stepLock.
    void LaunchAtCursor();
    void EndRun(bool stopped);
    // Under m_stateLock: keeps the run's first failure, the one that tells.
    void NoteFailure(RunOutcome::Kind kind, int code);

    const std::function<void()> m_changed;
    const std::function<void(std::string_view)> m_debugOutput;

    // Orders what starts a child and what stops one, so a stop cannot slip in between the
    // decision to launch and the launch. Taken before m_stateLock, never after it.
    mutable std::mutex m_stepLock;
    RunPlan m_plan;
    std::size_t m_nCursor = 0;  // the next command of the plan to consider
    bool m_bStopRequested = false;
    bool m_bEarlierOutput = false;  // something was at the output path when the run started

    // The state a window shows.
    mutable boost::mutex m_stateLock;
    // Written under the lock; read without it too, since a window asks for it at every chunk.
    std::atomic<RunState> m_state{RunState::Idle};
    Utf8Decoder m_outputDecoder;
    Utf8Decoder m_errorDecoder;
    std::u16string m_strPrevChunk;
    std::u16string m_strLastChunk;
    ProgressParser m_progress;
    RunOutcome m_outcome;
    std::size_t m_nStep = 0;         // the command now running, from 0
    std::u16string m_strProgram;     // its program, as the outcome names it

    // Last: its threads reach everything above until it has stopped.
    Runner m_runner{*this};
};
