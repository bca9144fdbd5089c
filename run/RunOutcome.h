#pragma once
// What became of a file's conversion: the output file put in place, with its size, or why
// not. It has failed when any command exited non-zero, was killed or could not start, when the
// file the commands were to write is missing or empty at the end, or when it could not be
// moved to the output path or flushed to the disk; it was stopped when the user (or a signal
// to the program) stopped it. A file put in place may still be doubtful: encoders exit 0 for a
// source they cut short.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

// What a media file holds, as far as the run was given a way to read one.
struct FileFacts {
    std::optional<double> seconds;  // its length, when it says
    bool hasVideo = false;
    bool hasAudio = false;
    // The first picture's and the first sound's make, where the file says.
    std::optional<int> width{};
    std::optional<int> height{};
    std::optional<double> frameRate{};           // frames a second, on average
    std::optional<int> sampleRate{};             // Hz
    std::optional<int> channels{};
    std::optional<std::int64_t> audioBitRate{};  // bit/s
};

// Reads a media file: its facts, or nothing when it cannot be read. Called off the caller's
// thread, several at once; it should give up soon once `cancel` is set.
using MediaReader = std::function<std::optional<FileFacts>(const std::u16string& path, const std::atomic<bool>& cancel)>;

// What the user chose that a written file can be held against; an option left to the encoder
// ("Original") names nothing.
struct Chosen {
    std::optional<int> width{};
    std::optional<int> height{};
    std::optional<double> frameRate{};  // frames a second
    std::optional<int> sampleRate{};    // Hz
    std::optional<int> channels{};
    std::optional<int> audioBitRate{};  // kb/s
};

struct RunOutcome {
    enum class Kind {
        Written,     // the output path holds the new file, not empty
        Exited,      // a command exited with a status other than 0
        Signalled,   // a command was killed by a signal
        NotStarted,  // a command could not start
        NoOutput,    // every command went well, yet the file they were to write is missing or empty
        NotMoved,    // the new file could not be renamed over the output path
        NotSynced,   // the new file, or its name at the output path, could not be flushed to the disk
        Stopped,     // stopped before it had earned its output
    };
    // Written, and read back: what it holds against what its source promised.
    enum class Doubt {
        None,        // all there, or nothing to hold it against
        Short,       // its length falls short of the source's
        NoVideo,     // video was kept and the source has some, yet the new file has none
        NoAudio,     // likewise for audio
        Unreadable,  // the new file cannot be read as media at all
        // It differs from what the user chose.
        SampleRate,
        Channels,
        AudioBitRate,
        FrameSize,
        FrameRate,
    };
    Kind kind = Kind::NoOutput;
    std::size_t step = 0;    // the failed command, from 1
    std::size_t steps = 0;   // the file's commands
    std::u16string program;  // the failed command's program, as "ffmpeg"
    int code = 0;            // the exit status or the signal
    std::u16string source;   // the source file's path
    std::u16string output;   // the output file's path
    std::uintmax_t size = 0;
    // Unless Written: something was at the output path before the run, and it is there still.
    bool bEarlierKept = false;
    Doubt doubt = Doubt::None;
    bool bAudioOnly = false;              // the output was to hold audio only (MP3)
    std::optional<double> seconds{};        // the new file's length, when it was read
    std::optional<double> sourceSeconds{};  // the source's, when it was read
    // Against a choice: what the new file holds, and what was chosen.
    std::optional<FileFacts> newFacts{};
    Chosen chosen{};

    bool Failed() const { return kind != Kind::Written; }
};

// How far a length may stray from the source's and still count as the whole: a second, or 3 %
// for long sources, since containers round their lengths differently.
bool SameLength(double seconds, double sourceSeconds);

// How far a written frame rate and an audio bit rate may stray from the chosen ones: encoders
// round a rate such as 23.976 to a fraction of their own, and a variable bit rate is judged by
// its average.
inline constexpr double kFrameRateTolerance = 0.02;
inline constexpr double kBitRateTolerance = 0.10;

// What a new file, read back (`written` empty when it could not be read), holds against its
// source (empty when that could not be read): its length, when both are known and it falls
// short, the streams the user kept that the source has, and then each value the user chose
// that the file says otherwise.
RunOutcome::Doubt JudgeOutput(const std::optional<FileFacts>& written, const std::optional<FileFacts>& source,
                              bool wantVideo, bool wantAudio, const Chosen& chosen = {});
