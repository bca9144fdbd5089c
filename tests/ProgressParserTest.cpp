// How far a run is, read from what the real encoders print: recorded in the test from a clip
// it makes, then fed back cut at every byte.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "platform/text/TextCodec.h"
#include "run/ProgressParser.h"
#include "tests/EncoderTools.h"

namespace fs = std::filesystem;

namespace {

// One command's two streams as the runner delivers them.
struct Recording {
    std::string output;
    std::string error;
};

// Feeds every stage, stream after stream, each cut once at `cut` bytes when it is the
// stream being cut; returns the percent after each chunk, -1 for unknown.
std::vector<int> Replay(const std::vector<Recording>& stages, std::size_t cutStage, bool cutError,
                        std::size_t cut, ProgressParser& parser)
{
    std::vector<int> seen;
    parser.BeginRun(stages.size());
    for (std::size_t s = 0; s < stages.size(); ++s) {
        parser.BeginStage(s);
        for (const bool error : {false, true}) {
            const std::string& bytes = error ? stages[s].error : stages[s].output;
            std::vector<std::string_view> chunks{bytes};
            if (s == cutStage && error == cutError)
                chunks = {std::string_view(bytes).substr(0, cut), std::string_view(bytes).substr(cut)};
            for (std::string_view chunk : chunks) {
                parser.Feed(error ? OutputStream::Error : OutputStream::Output, chunk);
                seen.push_back(parser.Percent().value_or(-1));
            }
        }
    }
    return seen;
}

class ProgressParserOnRealOutput : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_dir = fs::temp_directory_path() / ("tarvex-progress-" + std::to_string(std::random_device{}()));
        fs::create_directories(s_dir);
        const std::string dir = s_dir.string();
        ASSERT_EQ(MakeClip(dir + "/clip.mp4", {"-c:v", "mpeg4"}, 3, dir + "/log.txt"), 0);
        // The two stages of a Video2FLV run, each stream recorded on its own.
        Record({"mencoder", dir + "/clip.mp4", "-oac", "mp3lame", "-lameopts", "preset=64", "-ovc", "xvid",
                "-xvidencopts", "bitrate=600", "-of", "avi", "-o", dir + "/temp.avi"});
        Record({"ffmpeg", "-i", dir + "/temp.avi", "-ar", "44100", "-ab", "64k", "-r", "15", "-b", "200k",
                "-y", dir + "/out.flv"});
    }

    static void TearDownTestSuite() { fs::remove_all(s_dir); }

    static void Record(const std::vector<std::string>& argv)
    {
        const std::string out = (s_dir / "out.txt").string(), err = (s_dir / "err.txt").string();
        fs::remove(out);
        fs::remove(err);
        ASSERT_EQ(RunProgram(argv, out, err), 0) << ReadFile(err);
        s_stages.push_back({ReadFile(out), ReadFile(err)});
    }

    static inline fs::path s_dir;
    static inline std::vector<Recording> s_stages;
};

TEST_F(ProgressParserOnRealOutput, RisesStageByStageAndEndsAtAHundredWhereverTheTextIsCut)
{
    ASSERT_EQ(s_stages.size(), 2u);
    ProgressParser whole;
    const std::vector<int> reference = Replay(s_stages, 99, false, 0, whole);
    // MEncoder's stage is the first half, ffmpeg's the second; neither ends short of its share.
    ASSERT_EQ(reference.size(), 4u);
    EXPECT_EQ(reference[1], 50);
    EXPECT_GE(reference.back(), 95);
    whole.CompleteRun();
    EXPECT_EQ(whole.Percent(), 100);

    for (std::size_t stage = 0; stage < s_stages.size(); ++stage) {
        for (const bool error : {false, true}) {
            const std::size_t size = (error ? s_stages[stage].error : s_stages[stage].output).size();
            for (std::size_t cut = 0; cut <= size; ++cut) {
                ProgressParser parser;
                const std::vector<int> seen = Replay(s_stages, stage, error, cut, parser);
                ASSERT_TRUE(std::is_sorted(seen.begin(), seen.end()))
                    << "stage " << stage << (error ? " error" : " output") << " cut at " << cut;
                ASSERT_EQ(seen.back(), reference.back())
                    << "stage " << stage << (error ? " error" : " output") << " cut at " << cut;
            }
        }
    }
}

TEST(ProgressParser, UnknownLengthIsBusyNotWrong)
{
    const std::string dir = fs::temp_directory_path().string();
    const std::string out = dir + "/tarvex-progress-missing.txt";
    fs::remove(out);
    // An input that is not there: ffmpeg says so and never prints a length.
    EXPECT_NE(RunProgram({"ffmpeg", "-i", dir + "/tarvex-no-such-clip.flv", "-y", dir + "/x.avi"}, out), 0);
    ProgressParser parser;
    parser.BeginRun(1);
    parser.Feed(OutputStream::Error, ReadFile(out));
    EXPECT_EQ(parser.Percent(), std::nullopt);
    fs::remove(out);

    // Progress lines before any length, a stand-in encoder's chatter, "Duration: N/A".
    parser.BeginRun(1);
    for (const char* text : {"frame=  10 time=00:00:01.00 bitrate=1\r", "hello\nworld\n",
                             "  Duration: N/A, start: 0.0\n", "time=00:00:02.00\r"})
        parser.Feed(OutputStream::Error, text);
    EXPECT_EQ(parser.Percent(), std::nullopt);
}

// A chunk that holds no ':' and no '=' may still end a line that does, or begin one.
TEST(ProgressParser, ALineCutWhereTheRestTellsNothingStillCounts)
{
    const std::vector<std::vector<const char*>> cases = {
        {"  Duration: 00:00:10.00", ", bitrate 5\n", "frame 1 time=00:00:05.0", "0 speed 1x\r"},
        {"  Dura", "tion: 00:00:10.00, start 0\nfff\n", "fff\nframe 1 ti", "me=00:00:05.00\r"},
        {"Duration: 00:00:10.00\n", "x\nframe 1 time=00", ":00:05.00 bitrate 1\rnext line"},
    };
    for (const auto& chunks : cases) {
        ProgressParser parser;
        parser.BeginRun(1);
        for (const char* chunk : chunks)
            parser.Feed(OutputStream::Error, chunk);
        EXPECT_EQ(parser.Percent(), 50) << chunks.front();
    }
}

// A line past the parser's limit tells nothing whether it came in one chunk or was cut, so the
// bar never depends on how the pipe happened to cut it (a case the fuzzer found).
TEST(ProgressParser, ALineOverTheLimitTellsNothingHoweverItIsCut)
{
    const std::string longLine = "frame=1 " + std::string(2000, 'x') + " time=00:00:05.00\r";
    for (const std::size_t cut : {std::size_t{0}, std::size_t{1000}, longLine.size() - 1}) {
        ProgressParser parser;
        parser.BeginRun(1);
        parser.Feed(OutputStream::Error, "  Duration: 00:00:10.00, start: 0.0\n");
        parser.Feed(OutputStream::Error, std::string_view(longLine).substr(0, cut));
        parser.Feed(OutputStream::Error, std::string_view(longLine).substr(cut));
        EXPECT_EQ(parser.Percent(), std::nullopt) << "cut at " << cut;
        parser.Feed(OutputStream::Error, "frame=2 time=00:00:05.00\r");
        EXPECT_EQ(parser.Percent(), 50) << "cut at " << cut;
    }
}

// Newer ffmpegs give sizes in KiB, say time=N/A before the first frame and print their summary
// before the last progress line; the last line still tells how far the run got.
TEST(ProgressParser, TheNewerFfmpegsLinesInTheirOrder)
{
    ProgressParser parser;
    parser.BeginRun(1);
    parser.Feed(OutputStream::Error, "  Duration: 00:00:02.00, start: 0.000000, bitrate: 600 kb/s\n");
    parser.Feed(OutputStream::Error, "frame=    0 fps=0.0 q=0.0 size=       0KiB time=N/A bitrate=N/A speed=N/A    \r");
    EXPECT_EQ(parser.Percent(), std::nullopt) << "N/A is no time";
    parser.Feed(OutputStream::Error, "[out#0/flv @ 0x5581] video:96KiB audio:16KiB subtitle:0KiB other streams:0KiB "
                                     "global headers:0KiB muxing overhead: 1.5%\n");
    parser.Feed(OutputStream::Error, "frame=   30 fps=0.0 q=2.0 Lsize=     114KiB time=00:00:01.90 bitrate= 489.9kbits/s "
                                     "speed=10x    \n");
    EXPECT_EQ(parser.Percent(), 95);
}

TEST(ProgressParser, JunkAndHugeNumbersNeitherCrashNorOvershoot)
{
    ProgressParser parser;
    parser.BeginRun(2);
    const char* lines[] = {
        "  Duration: 99999999999999999999999:00:00.99, start\n",
        "time=99999999999999999999999999999999:00:00.00\r",
        "Pos: (99999999999999999999999999%) (%) (12%\r",
        "Duration: 00:00:00.00\ntime=00:00:05.00\r",
        "time=-00:00:01.00 time=:: time=1:2\r",
        "Pos:((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((\n",
    };
    for (const char* line : lines) {
        parser.Feed(OutputStream::Output, line);
        ASSERT_TRUE(!parser.Percent() || (*parser.Percent() >= 0 && *parser.Percent() <= 50)) << *parser.Percent();
    }
    // Random bytes, and a flood without line ends, which must not grow the parser.
    std::mt19937 random(11);
    std::string noise(1 << 20, 'x');
    for (char& c : noise)
        c = static_cast<char>(random() % 0x100);
    parser.Feed(OutputStream::Error, noise);
    parser.Feed(OutputStream::Error, std::string(1 << 20, 'y'));
    parser.Feed(OutputStream::Error, "\rPos: 1.0s (40%)\r");
    ASSERT_TRUE(parser.Percent().has_value());
    EXPECT_LE(*parser.Percent(), 50);
}

}  // namespace
