// What a media file holds, read from real files made here with ffmpeg's lavfi sources, and
// from things that are no media file at all. The lengths are what libavformat reports for
// these files: FLV 20.05 s (its header's duration, the last audio frame past 20 s), MP4
// 20.00 s, MP3 20.06 s. A cut FLV still says 20.05 s from its header; a cut AVI would say
// 10.04 s (libavformat counts the chunks it finds when the index at the end is missing), and
// a cut MP4 cannot be opened at all (its index sits at the end).

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "media/MediaInfo.h"
#include "tests/EncoderTools.h"

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
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string Path(const std::string& name) const { return (dir / name).string(); }

    void Make(const std::string& name, const std::vector<std::string>& options)
    {
        const std::string log = Path("ffmpeg.log");
        ASSERT_EQ(MakeClip(Path(name), options, 20, log), 0) << ReadFile(log);
    }

    fs::path dir;
};

struct Row {
    const char* file;
    std::chrono::milliseconds timeout;
    double seconds;  // < 0: no info expected
    bool hasVideo;
    bool hasAudio;
    const char* why;
};

TEST_F(MediaFiles, ReadsWhatEachFileHolds)
{
    Make("clip.flv", {});
    Make("silent.mp4", {"-an"});
    // A PNG cover picture beside the tone, as tagged music files carry one.
    Make("tone.mp3",
         {"-map", "1:a", "-map", "0:v", "-frames:v", "1", "-c:v", "png", "-disposition:v", "attached_pic"});
    const std::string clip = ReadFile(Path("clip.flv"));
    std::ofstream(Path("half.flv"), std::ios::binary) << clip.substr(0, clip.size() / 2);
    std::ofstream(Path("notes.avi")) << "Shopping list: milk, bread.\n";
    std::ofstream(Path("empty.mp4")).close();
    ASSERT_EQ(mkfifo(Path("pipe.flv").c_str(), 0600), 0);
    fs::create_directory(Path("folder.flv"));
    fs::create_symlink(Path("clip.flv"), Path("link.flv"));
    fs::create_symlink(Path("pipe.flv"), Path("pipe-link.flv"));

    const Row rows[] = {
        {"clip.flv", 5s, 20.05, true, true, ""},
        {"silent.mp4", 5s, 20.0, true, false, ""},
        // The header's length, not the bytes that are left.
        {"half.flv", 5s, 20.05, true, true, ""},
        // The cover picture is a video stream to libavformat, but no moving picture.
        {"tone.mp3", 5s, 20.06, false, true, ""},
        // A symbolic link is followed to what it names.
        {"link.flv", 5s, 20.05, true, true, ""},
        {"notes.avi", 5s, -1, false, false, "not a media file"},
        {"empty.mp4", 5s, -1, false, false, "an empty file"},
        // Opening either would wait for a writer for ever.
        {"pipe.flv", 5s, -1, false, false, "not a regular file"},
        {"pipe-link.flv", 5s, -1, false, false, "not a regular file"},
        {"/dev/zero", 5s, -1, false, false, "not a regular file"},
        {"folder.flv", 5s, -1, false, false, "a folder, not a file"},
        {"missing.flv", 5s, -1, false, false, "no such file"},
        {"no-folder/clip.flv", 5s, -1, false, false, "no such file"},
        // A deadline already passed stops the very first read.
        {"clip.flv", 0ms, -1, false, false, "gave up after 0 ms"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.file) + " within " + std::to_string(row.timeout.count()) + " ms");
        const std::string path = row.file[0] == '/' ? row.file : Path(row.file);
        const auto start = std::chrono::steady_clock::now();
        const MediaReading reading = ReadMediaInfo(path, row.timeout);
        EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
        if (row.seconds < 0) {
            EXPECT_FALSE(reading.info.has_value());
            EXPECT_EQ(reading.why, row.why);
            continue;
        }
        ASSERT_TRUE(reading.info.has_value()) << reading.why;
        ASSERT_TRUE(reading.info->seconds.has_value());
        EXPECT_NEAR(*reading.info->seconds, row.seconds, 0.02);
        EXPECT_EQ(reading.info->hasVideo, row.hasVideo);
        EXPECT_EQ(reading.info->hasAudio, row.hasAudio);
        EXPECT_EQ(reading.why, "");
    }
}

// Callers read from worker threads; a shared buffer or a first-use race would mix answers.
TEST_F(MediaFiles, ThreadsReadAtOnce)
{
    Make("clip.flv", {});
    Make("silent.mp4", {"-an"});
    std::vector<std::thread> threads;
    std::vector<int> wrong(4, 0);
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < 25; ++i) {
                const bool flv = (t + i) % 2 == 0;
                const MediaReading reading = ReadMediaInfo(Path(flv ? "clip.flv" : "silent.mp4"));
                if (!reading.info || !reading.info->seconds || reading.info->hasAudio != flv ||
                    std::abs(*reading.info->seconds - (flv ? 20.05 : 20.0)) > 0.02)
                    ++wrong[t];
            }
        });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(wrong, std::vector<int>(4, 0));
}

}  // namespace
