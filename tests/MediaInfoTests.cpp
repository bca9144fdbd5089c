// What a media file holds, read from real files made here with ffmpeg's lavfi sources, and
// from things that are no media file at all, both in this process and through tarvex-probe,
// the helper the program reads them with. The lengths are what libavformat reports for
// these files: FLV 20.05 s (the duration its header declares; the audio's last frame runs
// past 20 s), MP4 20.00 s, MP3 20.06 s. A cut FLV still says 20.05 s from its header; a cut
// AVI would say 10.04 s (libavformat counts the chunks it finds when the index at the end is
// missing), and a cut MP4 cannot be opened at all (its index sits at the end).

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "media/MediaAnswer.h"
#include "media/MediaInfo.h"
#include "platform/process/ProbeProcess.h"
#include "tests/EncoderTools.h"
#include "tests/RunHelpers.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

class MediaFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "tarvex-media-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir = pattern;
        const std::string log = Path("ffmpeg.log");
        // A one-picture file for a cover: as an input it ends after its only frame, whereas
        // cutting the video to one frame on the output ends the whole output on newer ffmpegs.
        ASSERT_EQ(RunProgram({"ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i", "testsrc=size=64x64",
                              "-frames:v", "1", "-update", "1", Path("cover.png")},
                             log),
                  0)
            << ReadFile(log);
        const std::pair<const char*, std::vector<std::string>> clips[] = {
            {"clip.flv", {}},
            {"silent.mp4", {"-an"}},
            // A PNG cover picture beside the tone, as tagged music files carry one.
            {"tone.mp3",
             {"-i", Path("cover.png"), "-map", "1:a", "-map", "2:v", "-c:v", "png", "-disposition:v", "attached_pic"}},
        };
        for (const auto& [name, options] : clips)
            ASSERT_EQ(MakeClip(Path(name), options, 20, log), 0) << ReadFile(log);
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string Path(const std::string& name) const { return (dir / name).string(); }

    // What the helper the program starts says of `path`.
    MediaReading ReadApart(const std::string& path)
    {
        const ProbeProcess::Answer answer = probe.Ask(path);
        return ReadingFromAnswer(answer.text, answer.why);
    }

    fs::path dir;
    ProbeProcess probe{FindHelperProgram("tarvex-probe")};
};

// One line for a reading, so that a row states all it expects at once.
std::string Described(const MediaReading& reading)
{
    if (!reading.info)
        return "none: " + reading.why;
    char seconds[32] = "no length";
    if (reading.info->seconds)
        std::snprintf(seconds, sizeof seconds, "%.2f s", *reading.info->seconds);
    return std::string(seconds) + (reading.info->hasVideo ? " video" : "") + (reading.info->hasAudio ? " audio" : "") +
           (reading.why.empty() ? "" : " why: " + reading.why);
}

TEST_F(MediaFiles, ReadsWhatEachFileHolds)
{
    const std::string clip = ReadFile(Path("clip.flv"));
    std::ofstream(Path("half.flv"), std::ios::binary) << clip.substr(0, clip.size() / 2);
    std::ofstream(Path("notes.avi")) << "Shopping list: milk, bread.\n";
    std::ofstream(Path("empty.mp4")).close();
    ASSERT_EQ(mkfifo(Path("pipe.flv").c_str(), 0600), 0);
    fs::create_directory(Path("folder.flv"));
    fs::create_symlink(Path("clip.flv"), Path("link.flv"));
    fs::create_symlink(Path("pipe.flv"), Path("pipe-link.flv"));

    const struct {
        const char* file;
        std::chrono::milliseconds timeout;
        const char* expected;
    } rows[] = {
        {"clip.flv", 5s, "20.05 s video audio"},
        {"silent.mp4", 5s, "20.00 s video"},
        // The header's length, not the bytes that are left.
        {"half.flv", 5s, "20.05 s video audio"},
        // The cover picture is a video stream to libavformat, but no moving picture.
        {"tone.mp3", 5s, "20.06 s audio"},
        {"link.flv", 5s, "20.05 s video audio"},
        {"notes.avi", 5s, "none: not a media file"},
        {"empty.mp4", 5s, "none: an empty file"},
        // Opening either would wait for a writer for ever.
        {"pipe.flv", 5s, "none: not a regular file"},
        {"pipe-link.flv", 5s, "none: not a regular file"},
        {"/dev/zero", 5s, "none: not a regular file"},
        {"folder.flv", 5s, "none: a folder, not a file"},
        {"missing.flv", 5s, "none: no such file"},
        // A deadline already passed stops the very first read.
        {"clip.flv", 0ms, "none: gave up after 0 ms"},
    };
    for (const auto& row : rows) {
        const auto start = std::chrono::steady_clock::now();
        const std::string path = row.file[0] == '/' ? row.file : Path(row.file);
        const MediaReading here = ReadMediaInfo(path, row.timeout);
        EXPECT_EQ(Described(here), row.expected) << row.file << " within " << row.timeout.count() << " ms";
        EXPECT_LT(std::chrono::steady_clock::now() - start, 2s) << row.file;
        // The helper's own deadline is the program's; every field crosses as it was read.
        if (row.timeout == 5s) {
            EXPECT_EQ(FormatMediaAnswer(ReadApart(path)), FormatMediaAnswer(here)) << row.file;
        }
    }
    EXPECT_EQ(OwnChildren().size(), 1u) << "one helper for one caller";
}

// The helper's reader may read the one file it was handed: a playlist naming the user's own
// clip beside it (or anywhere) is no video, and nothing of that clip comes back.
TEST_F(MediaFiles, TheHelperReadsOnlyTheFileItWasHanded)
{
    for (const std::string& segment : {std::string("clip.flv"), Path("clip.flv")}) {
        SCOPED_TRACE(segment);
        std::ofstream(Path("funny.m3u8")) << "#EXTM3U\n#EXT-X-TARGETDURATION:30\n#EXTINF:20.0,\n" << segment
                                          << "\n#EXT-X-ENDLIST\n";
        const MediaReading reading = ReadApart(Path("funny.m3u8"));
        EXPECT_FALSE(reading.info.has_value()) << Described(reading);
    }
    // The helper itself may read, but not write or reach the network, and gives that up for good.
    const std::vector<int> helpers = OwnChildren();
    ASSERT_EQ(helpers.size(), 1u);
    const std::string status = ReadFile("/proc/" + std::to_string(helpers[0]) + "/status");
    EXPECT_NE(status.find("NoNewPrivs:\t1"), std::string::npos) << status;
    EXPECT_NE(status.find("Seccomp:\t2"), std::string::npos) << status;
}

// The sound's make as the stream holds it: AVI and ASF headers keep the bit rate the encoder
// was asked for, which an MP3 encoder at 11025 Hz cannot make.
TEST_F(MediaFiles, ReadsTheSoundAndPictureAsWritten)
{
    const struct {
        const char* file;
        std::vector<std::string> options;
        int sampleRate, channels, kbps;
    } rows[] = {
        {"asked-192.avi", {"-c:a", "libmp3lame", "-ar", "11025", "-b:a", "192k"}, 11025, 1, 64},
        {"asked-192.wmv", {"-c:a", "libmp3lame", "-ar", "11025", "-ac", "2", "-b:a", "192k"}, 11025, 2, 64},
        {"made-128.mp4", {"-c:a", "libmp3lame", "-ar", "44100", "-b:a", "128k"}, 44100, 1, 128},
        {"made-224.avi", {"-c:a", "mp2", "-ar", "48000", "-ac", "2", "-b:a", "224k"}, 48000, 2, 224},
    };
    for (const auto& row : rows) {
        ASSERT_EQ(MakeClip(Path(row.file), row.options, 2, Path("ffmpeg.log")), 0) << ReadFile(Path("ffmpeg.log"));
        // As the program reads it: through the helper.
        const MediaReading reading = ReadApart(Path(row.file));
        ASSERT_TRUE(reading.info) << row.file << ": " << reading.why;
        const MediaInfo& info = *reading.info;
        EXPECT_EQ(info.sampleRate, row.sampleRate) << row.file;
        EXPECT_EQ(info.channels, row.channels) << row.file;
        ASSERT_TRUE(info.audioBitRate) << row.file;
        EXPECT_NEAR(static_cast<double>(*info.audioBitRate) / 1000, row.kbps, row.kbps * 0.05) << row.file;
        // The test picture as made.
        EXPECT_EQ(info.width, 160) << row.file;
        EXPECT_EQ(info.height, 120) << row.file;
        ASSERT_TRUE(info.frameRate) << row.file;
        EXPECT_NEAR(*info.frameRate, 25, 0.5) << row.file;
    }
}

// Callers read from worker threads, here and through helpers; a shared buffer, a first-use race
// or a helper's answer handed to the wrong caller would mix answers.
TEST_F(MediaFiles, ThreadsReadAtOnce)
{
    std::vector<std::string> got[4];
    std::vector<std::thread> threads;
    for (auto& answers : got)
        threads.emplace_back([&] {
            for (int i = 0; i < 25; ++i)
                answers.push_back(Described(i % 3 ? ReadMediaInfo(Path(i % 2 ? "silent.mp4" : "clip.flv"))
                                                  : ReadApart(Path(i % 2 ? "silent.mp4" : "clip.flv"))));
        });
    for (std::thread& thread : threads)
        thread.join();
    for (const auto& answers : got)
        for (std::size_t i = 0; i < answers.size(); ++i)
            EXPECT_EQ(answers[i], i % 2 ? "20.00 s video" : "20.05 s video audio");
}

}  // namespace
