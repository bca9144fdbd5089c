#pragma once
// How far a run is, read from the text its encoders print as they go: ffmpeg's
// "Duration: HH:MM:SS.xx" and its "time=HH:MM:SS.xx" progress lines, MEncoder's "(NN%)" on
// its "Pos:" lines. Text arrives in chunks cut anywhere; each stream is read line by line
// (a line ends in "\r" or "\n"), so a progress line split between two chunks still counts.
// It reads the bytes as the encoders wrote them: every word it looks for is ASCII, and no
// byte of a longer UTF-8 character can be taken for one. Plain C++, fed by the run under its
// lock; not thread-safe itself.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

enum class OutputStream { Output, Error };

class ProgressParser {
public:
    // A new run of `stages` commands; each counts for an equal share of the whole.
    void BeginRun(std::size_t stages);
    // Command `index` of the run starts: its streams start at a new line, its length the one
    // known from elsewhere, if any, until its encoder says its own.
    void BeginStage(std::size_t index);
    // The length of what every command converts, learnt apart from the encoders (the source
    // read for it): the bar measures from now on, where it would only be busy.
    void KnowLength(double seconds);
    // Bytes of one of the current command's streams.
    void Feed(OutputStream stream, std::string_view text);
    // Every command of the run has completed: the whole is done.
    void CompleteRun();

    // The run's progress from 0 to 100, never lower than before; empty while nothing has
    // told how long the run is (the window then shows a busy bar instead of a wrong one).
    std::optional<int> Percent() const { return m_percent; }

private:
    // Lines longer than this tell nothing, however the chunks cut them: progress lines are
    // short, a flood without line ends must not grow the program, and a line read whole in
    // one chunk but dropped when cut would make the bar depend on the pipe's timing.
    static constexpr std::size_t kLineLimit = 1024;

    // The line begun in an earlier chunk, up to the limit.
    struct Line {
        std::string text;
        bool overflowed = false;
    };

    static void Keep(Line& line, std::string_view piece);
    // The line begun earlier ends with `rest`: it is read whole, unless it outgrew the limit.
    void Complete(Line& line, std::string_view rest);
    void ReadLine(std::string_view line);
    void ShowStageFraction(double fraction);

    std::size_t m_nStages = 1;
    std::size_t m_nStage = 0;
    double m_knownLength = 0;   // seconds, 0 while unknown
    double m_stageLength = 0;   // seconds, 0 while unknown
    bool m_bEncoderToldLength = false;  // the stage's encoder said its length
    Line m_lines[2];
    std::optional<int> m_percent;
};
