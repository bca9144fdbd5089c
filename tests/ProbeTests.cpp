// The media-reading helper from the program's side: the text its answers cross in, and the
// client that starts helpers, hands them paths and survives whatever they do, played here by
// a stand-in helper (probe_standin) whose answer each file's name picks.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "media/MediaAnswer.h"
#include "platform/process/ProbeProcess.h"
#include "tests/RunHelpers.h"

using namespace std::chrono_literals;

namespace {

MediaInfo Whole()
{
    MediaInfo info;
    info.seconds = 20.053;
    info.hasVideo = info.hasAudio = true;
    info.width = 160;
    info.height = 120;
    info.frameRate = 30000.0 / 1001;
    info.sampleRate = 22050;
    info.channels = 2;
    info.audioBitRate = std::int64_t{1} << 40;
    return info;
}

TEST(MediaAnswer, ReadsBackExactlyWhatIsWrittenAndRefusesTheRest)
{
    MediaInfo soundOnly;
    soundOnly.hasAudio = true;
    soundOnly.sampleRate = 8000;
    const MediaReading written[] = {
        {Whole(), {}},
        {soundOnly, {}},
        {MediaInfo{}, {}},                         // a file that says nothing
        {std::nullopt, "not a media file"},
    };
    for (const MediaReading& reading : written) {
        const std::string text = FormatMediaAnswer(reading);
        // Every field, the exact double among them: compared as written a second time.
        const std::optional<MediaReading> back = ParseMediaAnswer(text);
        ASSERT_TRUE(back.has_value()) << text;
        EXPECT_EQ(FormatMediaAnswer(*back), text);
        EXPECT_EQ(back->why, reading.why);
    }
    // A reason is made safe to carry, never refused.
    EXPECT_EQ(ParseMediaAnswer(FormatMediaAnswer({std::nullopt, "bad\nbyte\xff" + std::string(300, 'x')}))->why,
              "bad?byte?" + std::string(kMostWhy - 9, 'x'));

    const std::string head = "tarvex-media 1\nread\n";
    const std::string refused[] = {
        "",
        "tarvex-media 2\nread\n",                    // a format this program does not know
        "tarvex-media 1\r\nread\r\n",
        "tarvex-media 1\nread",                      // cut short
        head + "seconds 20",
        head + "seconds 20\nseconds 21\n",           // a field twice
        head + "width 160\nseconds 20\n",            // out of order
        head + "colour red\n",
        head + "seconds\n",
        head + "seconds 20 \n",
        head + "seconds  20\n",
        head + "seconds +20\n",
        head + "seconds -20\n",
        head + "seconds 0\n",
        head + "seconds nan\n",
        head + "seconds inf\n",
        head + "seconds 1e999\n",                    // beyond a double
        head + "seconds 0x14\n",
        head + "width 2.5\n",
        head + "width 99999999999\n",                // beyond an int
        head + "video no\n",
        head + "video yes\n\n",
        head + "seconds 2" + std::string(1, '\0') + "0\n",
        head + "seconds " + std::string(1100, '1') + "\n",
        "tarvex-media 1\nunread\n",
        "tarvex-media 1\nunread \n",
        "tarvex-media 1\nunread gone\nseconds 20\n",  // a verdict both ways
        "tarvex-media 1\nunread \x1b[2Jgone\n",
        "tarvex-media 1\nunread " + std::string(kMostWhy + 1, 'x') + "\n",
        "tarvex-media 1\nmaybe\n",
    };
    for (const std::string& text : refused)
        EXPECT_FALSE(ParseMediaAnswer(text).has_value()) << text;
    EXPECT_EQ(ReadingFromAnswer(head + "seconds -1\n", "unused").why, "the reader answered nonsense");
    EXPECT_EQ(ReadingFromAnswer(std::nullopt, "the reader has ended").why, "the reader has ended");
}

class StandInHelper : public ::testing::Test {
protected:
    void TearDown() override
    {
        probe.reset();
        EXPECT_EQ(OwnChildren(), std::vector<int>{}) << "a helper outlived its client";
    }

    // The stand-in's answer for `path`, as the program reads it: its length, or why none.
    std::string Ask(const std::string& path, const std::atomic<bool>* cancel = nullptr)
    {
        const ProbeProcess::Answer answer = probe->Ask(path, cancel);
        const MediaReading reading = ReadingFromAnswer(answer.text, answer.why);
        return reading.info ? std::to_string(static_cast<int>(*reading.info->seconds)) + " s" : reading.why;
    }

    std::optional<ProbeProcess> probe{std::in_place, PROBE_STANDIN, 1s};
};

// Each failure costs its file and the helper that made it; the next file is read by a new one.
TEST_F(StandInHelper, ACrashHangOrNonsenseIsThatFilesAlone)
{
    const struct {
        const char* path;
        const char* expected;
    } rows[] = {
        {"/a.mp4", "20 s"},
        {"/b.crash", "the reader has ended"},
        {"/c.mp4", "20 s"},
        {"/d.hang", "the reader did not answer in time"},
        {"/e.nonsense", "the reader answered nonsense"},
        {"/f.garbled", "the reader answered nonsense"},
        {"/g.mp4", "20 s"},
        {"", "no such file"},
    };
    for (const auto& row : rows) {
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(Ask(row.path), row.expected) << row.path;
        EXPECT_LT(std::chrono::steady_clock::now() - start, 3s) << row.path;
        EXPECT_LE(probe->Helpers(), 1u) << row.path;
    }
}

// A cancelled question gives up at once and takes its helper with it.
TEST_F(StandInHelper, ACancelEndsTheWait)
{
    probe.emplace(PROBE_STANDIN, 60s);
    std::atomic<bool> cancel{false};
    std::thread canceller([&] {
        // Once a helper is counted the question is being asked.
        const auto bound = std::chrono::steady_clock::now() + 10s;
        while (probe->Helpers() == 0 && std::chrono::steady_clock::now() < bound)
            std::this_thread::yield();
        cancel = true;
    });
    EXPECT_EQ(Ask("/x.hang", &cancel), "cancelled");
    canceller.join();
    EXPECT_EQ(probe->Helpers(), 0u);
}

// Callers at once each get their own helper; idle ones are reused, not multiplied.
TEST_F(StandInHelper, SeveralCallersAtOnce)
{
    std::vector<std::string> got[4];
    std::vector<std::thread> threads;
    for (auto& answers : got)
        threads.emplace_back([&] {
            for (int i = 0; i < 10; ++i)
                answers.push_back(Ask("/clip.mp4"));
        });
    for (std::thread& thread : threads)
        thread.join();
    for (const auto& answers : got)
        EXPECT_EQ(answers, std::vector<std::string>(10, "20 s"));
    EXPECT_GE(probe->Helpers(), 1u);
    EXPECT_LE(probe->Helpers(), 4u);
}

}  // namespace
