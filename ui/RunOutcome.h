#pragma once
// What became of a run, as the line above the output window's OK button says it: the output
// file written, with its size, or the conversion failed, naming the step that failed and
// why. The run has failed when any command exited non-zero, was killed or could not start,
// or when the output file is missing or empty at the end.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

struct RunOutcome {
    enum class Kind {
        Written,     // the output is there and not empty
        Exited,      // a command exited with a status other than 0
        Signalled,   // a command was killed by a signal
        NotStarted,  // a command could not start
        NoOutput,    // every command went well, yet the output is missing or empty
    };
    Kind kind = Kind::NoOutput;
    std::size_t step = 0;   // the failed command, from 1
    std::size_t steps = 0;  // the run's commands
    std::u16string program; // the failed command's program, as "ffmpeg"
    int code = 0;           // the exit status or the signal
    std::u16string output;  // the output file's path
    std::uintmax_t size = 0;

    bool Failed() const { return kind != Kind::Written; }
};

// The program a command line names, without its folder and ".exe": "plugins\ffmpeg.exe -i
// ..." gives "ffmpeg".
std::u16string ProgramName(std::u16string_view commandLine);

// A size as people read it: "800 bytes", "1.5 KiB", "12.3 MiB", in `language`.
std::u16string SizeText(std::uintmax_t size, int language);

// The outcome line in `language` (0 English, 1 Chinese); the output is named by its file name,
// a long one shortened in the middle to fit the line.
std::u16string OutcomeText(const RunOutcome& outcome, int language);
