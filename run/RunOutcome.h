#pragma once
// What became of a run: the output file put in place, with its size, or why not. The run has
// failed when any command exited non-zero, was killed or could not start, when the file the
// commands were to write is missing or empty at the end, or when it could not be moved to the
// output path; it was stopped when the user (or a signal to the program) stopped it.

#include <cstddef>
#include <cstdint>
#include <string>

struct RunOutcome {
    enum class Kind {
        Written,     // the output path holds the new file, not empty
        Exited,      // a command exited with a status other than 0
        Signalled,   // a command was killed by a signal
        NotStarted,  // a command could not start
        NoOutput,    // every command went well, yet the file they wrote is missing or empty
        NotMoved,    // the new file could not be renamed over the output path
        Stopped,     // stopped before it had earned its output
    };
    Kind kind = Kind::NoOutput;
    std::size_t step = 0;    // the failed command, from 1
    std::size_t steps = 0;   // the run's commands
    std::u16string program;  // the failed command's program, as "ffmpeg"
    int code = 0;            // the exit status or the signal
    std::u16string output;   // the output file's path
    std::uintmax_t size = 0;
    // Unless Written: something was at the output path before the run, and it is there still.
    bool bEarlierKept = false;

    bool Failed() const { return kind != Kind::Written; }
};
