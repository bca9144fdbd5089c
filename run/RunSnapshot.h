#pragma once
// What a window reads of a run: where it stands, the shown file's text, and once it has ended
// the verdict on every file. The run publishes each one whole and never changes it afterwards,
// so a reader holds it without any lock of the run's.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "run/RunOutcome.h"

using RunClock = std::chrono::steady_clock;

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

// What became of one file of a run.
enum class FileEnd {
    Written,   // put in place, and it holds what was asked for as far as could be read
    Doubtful,  // put in place, but it falls short of its source or of the choice
    Failed,    // nothing put in place: an encoder failed, or the file could not be put there
    Stopped,   // a stop (or the program's end) cut it short
    Untouched, // a stop came before it began
};

// What became of a whole run, decided once by the run as it ends.
struct RunVerdict {
    struct File {
        FileEnd end = FileEnd::Untouched;
        RunOutcome outcome;  // of a file that never began, only its source and output
    };
    std::vector<File> files;      // every file, in file order
    std::size_t nWritten = 0;     // put in place, doubtful ones too
    std::uintmax_t totalSize = 0; // of those
    bool bStopped = false;        // a stop cut a file short or left some untouched
    std::u16string firstWritten;  // the output of the first file put in place; empty for none
};

// The verdict on files whose outcomes are `outcomes`, in file order; `began` tells which began.
RunVerdict VerdictOf(const std::vector<RunOutcome>& outcomes, const std::vector<bool>& began);

// What a window shows of a run, taken at one moment.
struct RunSnapshot {
    RunState state = RunState::Idle;
    // The shown file's previous chunk of output followed by its newest; once it has failed, the
    // last few KiB of its output.
    std::u16string text;
    RunProgress progress;
    std::optional<RunVerdict> verdict;  // once Ended
};
