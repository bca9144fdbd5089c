// The outcome line's words: sizes as people read them, the output named by its file name, and
// what a stop left, in both languages.

#include <gtest/gtest.h>

#include "ui/OutcomeText.h"

namespace {
constexpr Language kEn = Language::English;
constexpr Language kZh = Language::Chinese;
}  // namespace

TEST(OutcomeText, NamesTheSizeTheFileAndWhatAStopLeft)
{

    const struct { std::uintmax_t size; const char16_t* english; const char16_t* chinese; } sizes[] = {
        {0, u"0 bytes", u"0 字节"},
        {1023, u"1023 bytes", u"1023 字节"},
        {1024, u"1.0 KiB", u"1.0 KiB"},
        {1536 * 1024, u"1.5 MiB", u"1.5 MiB"},
        {5ull << 40, u"5.0 TiB", u"5.0 TiB"},
        {7ull << 50, u"7168.0 TiB", u"7168.0 TiB"},  // beyond the last unit the number grows
    };
    for (const auto& s : sizes) {
        EXPECT_EQ(SizeText(s.size, kEn), s.english);
        EXPECT_EQ(SizeText(s.size, kZh), s.chinese);
    }

    RunOutcome written{RunOutcome::Kind::Written, 0, 2, u"", 0, u"", u"/home/u/视频/talk.flv", 2048};
    EXPECT_FALSE(written.Failed());
    EXPECT_EQ(OutcomeText(written, kEn), u"Done: talk.flv was written, 2.0 KiB.");
    EXPECT_EQ(OutcomeText(written, kZh), u"完成：已写入 talk.flv，2.0 KiB。");

    RunOutcome exited{RunOutcome::Kind::Exited, 1, 2, u"mencoder", 1, u"", u"/v/a.flv", 0};
    EXPECT_EQ(OutcomeText(exited, kEn), u"Failed: step 1 of 2, mencoder, exited with status 1.");
    EXPECT_EQ(OutcomeText(exited, kZh), u"失败：第 1 步（共 2 步）mencoder 退出，状态为 1。");
    RunOutcome killed{RunOutcome::Kind::Signalled, 2, 2, u"ffmpeg", 9, u"", u"/v/a.flv", 0};
    EXPECT_EQ(OutcomeText(killed, kEn), u"Failed: step 2 of 2, ffmpeg, was killed by signal 9.");
    // A name too long for the line keeps its start and its extension; wide characters count
    // double, and a character outside the basic plane stays whole.
    const struct { const char16_t* path; const char16_t* shown; } names[] = {
        {u"/v/exactly-thirty-two-columns.flv", u"exactly-thirty-two-columns.flv"},
        {u"/v/our holiday by the sea, the whole of it.flv", u"our holiday by …whole of it.flv"},
        {u"/v/我们在海边度过的假期全部录像.flv", u"我们在海边度过的假期全部录像.flv"},
        {u"/v/我们在海边度过的假期全部录像一.flv", u"我们在海边度过…全部录像一.flv"},
        {u"/v/\U0001F30A\U0001F30A\U0001F30A\U0001F30A\U0001F30A\U0001F30A\U0001F30A\U0001F30A\U0001F30A"
         u"\U0001F30A\U0001F30A\U0001F30A\U0001F30A\U0001F30A\U0001F30A\U0001F30A\U0001F30A.flv",
         u"\U0001F30A\U0001F30A\U0001F30A\U0001F30A\U0001F30A\U0001F30A\U0001F30A…\U0001F30A\U0001F30A"
         u"\U0001F30A\U0001F30A\U0001F30A.flv"},
    };
    for (const auto& n : names) {
        RunOutcome shown{RunOutcome::Kind::NoOutput, 0, 1, u"", 0, u"", n.path, 0};
        EXPECT_EQ(OutcomeText(shown, kEn), u"Failed: " + std::u16string(n.shown) + u" is missing or empty.");
    }

    RunOutcome missing{RunOutcome::Kind::NoOutput, 0, 1, u"", 0, u"", u"/v/a.mp3", 0};
    EXPECT_TRUE(missing.Failed());
    EXPECT_EQ(OutcomeText(missing, kEn), u"Failed: a.mp3 is missing or empty.");

    RunOutcome stopped{RunOutcome::Kind::Stopped, 1, 2, u"", 0, u"", u"/v/a.flv", 0, true};
    EXPECT_EQ(OutcomeText(stopped, kEn), u"Stopped: a.flv is as it was.");
    EXPECT_EQ(OutcomeText(stopped, kZh), u"已停止：a.flv 保持原样。");
    stopped.bEarlierKept = false;
    EXPECT_EQ(OutcomeText(stopped, kEn), u"Stopped: nothing was written.");
    EXPECT_EQ(OutcomeText(stopped, kZh), u"已停止：未写入任何文件。");
    const RunOutcome notMoved{RunOutcome::Kind::NotMoved, 0, 1, u"", 0, u"", u"/v/a.flv", 0};
    EXPECT_EQ(OutcomeText(notMoved, kEn), u"Failed: the new a.flv could not be moved into place.");
    const RunOutcome notSynced{RunOutcome::Kind::NotSynced, 0, 1, u"", 0, u"", u"/v/a.flv", 0};
    EXPECT_TRUE(notSynced.Failed());
    EXPECT_EQ(OutcomeText(notSynced, kEn), u"Failed: a.flv could not be written to disk.");
    EXPECT_EQ(OutcomeText(notSynced, kZh), u"失败：a.flv 无法写入磁盘。");

    // Read back: the length it holds, or what it lacks against the source.
    RunOutcome read{RunOutcome::Kind::Written, 0, 1, u"", 0, u"/v/clip.flv", u"/v/clip.flv", 1020416};
    read.seconds = 20.2;
    read.sourceSeconds = 20;
    EXPECT_EQ(OutcomeText(read, kEn), u"Done: clip.flv was written, 996.5 KiB, 0:20.");
    EXPECT_EQ(OutcomeText(read, kZh), u"完成：已写入 clip.flv，996.5 KiB，0:20。");
    read.doubt = RunOutcome::Doubt::Short;
    read.seconds = 4.4;
    EXPECT_EQ(OutcomeText(read, kEn), u"Written, but clip.flv holds 0:04 of 0:20.");
    read.doubt = RunOutcome::Doubt::NoAudio;
    EXPECT_EQ(OutcomeText(read, kZh), u"已写入，但 clip.flv 没有音频。");
    read.doubt = RunOutcome::Doubt::Unreadable;
    EXPECT_EQ(OutcomeText(read, kEn), u"Written, but clip.flv cannot be read as a video.");
    read.bAudioOnly = true;
    EXPECT_EQ(OutcomeText(read, kEn), u"Written, but clip.flv cannot be read as audio.");
    EXPECT_EQ(DurationText(3723.4), u"1:02:03");
}

// The end of several files: how many were written, which were not and why, cut where the line
// is full; where a stop ended them.
TEST(OutcomeText, SeveralFilesSayHowManyAndWhichNot)
{
    using K = RunOutcome::Kind;
    const auto file = [](K kind, const char16_t* source, std::uintmax_t size = 0) {
        RunOutcome outcome;
        outcome.kind = kind;
        outcome.source = source;
        outcome.size = size;
        outcome.step = 1;
        outcome.steps = 2;
        outcome.program = u"mencoder";
        outcome.code = 1;
        return outcome;
    };
    RunOutcome shortOne = file(K::Written, u"/v/e.mp4", 1024);
    shortOne.doubt = RunOutcome::Doubt::Short;
    shortOne.seconds = 10;
    shortOne.sourceSeconds = 20;
    const RunOutcome a = file(K::Written, u"/v/a.mp4", 6 << 20);
    const RunOutcome c = file(K::Exited, u"/v/c.mp4");
    const struct {
        std::vector<RunOutcome> outcomes;
        std::size_t files;
        Language language;
        const char16_t* text;
    } cases[] = {
        {{a, a, a}, 3, kEn, u"Done: 3 files written, 18.0 MiB."},
        {{a, a, a}, 3, kZh, u"完成：已写入 3 个文件，18.0 MiB。"},
        {{a, c, a, file(K::NotStarted, u"/v/d.mp4"), a}, 5, kEn,
         u"3 of 5 written. Failed: c.mp4 (step 1 of 2, mencoder, exited with status 1); d.mp4 (step 1 of 2, "
         u"mencoder, could not start)."},
        {{c, c, file(K::NoOutput, u"/v/x.mp4"), file(K::NotMoved, u"/v/y.mp4")}, 4, kEn,
         u"0 of 4 written. Failed: c.mp4 (step 1 of 2, mencoder, exited with status 1); c.mp4 (step 1 of 2, "
         u"mencoder, exited with status 1); and 2 more."},
        {{a, shortOne}, 2, kEn, u"2 of 2 written. Written, but: e.mp4 (holds 0:10 of 0:20)."},
        {{c, shortOne}, 2, kZh,
         u"已写入 1 个文件（共 2 个）。失败：c.mp4（第 1 步（共 2 步）mencoder 退出，状态为 1）。已写入，但：e.mp4（只有 0:10（原文件 0:20））。"},
        {{a, a, file(K::Stopped, u"/v/c.mp4")}, 5, kEn, u"Stopped: 2 of 5 files written."},
        // The count is of the files written, not of those that ended.
        {{a, c, file(K::Stopped, u"/v/d.mp4")}, 5, kZh, u"已停止：已写入 1 个文件（共 5 个）。"},
        {{file(K::Exited, u"/v/one.mp4")}, 1, kEn, u"Failed: step 1 of 2, mencoder, exited with status 1."},
        {{a, file(K::NotSynced, u"/v/b.mp4")}, 2, kEn, u"1 of 2 written. Failed: b.mp4 (could not be written to disk)."},
        {{a, file(K::NotSynced, u"/v/b.mp4")}, 2, kZh, u"已写入 1 个文件（共 2 个）。失败：b.mp4（无法写入磁盘）。"},
    };
    for (const auto& row : cases) {
        // The files after those that began never did.
        std::vector<RunOutcome> outcomes = row.outcomes;
        std::vector<bool> began(outcomes.size(), true);
        outcomes.resize(row.files);
        began.resize(row.files, false);
        EXPECT_EQ(RunOutcomeText(VerdictOf(outcomes, began), row.language), row.text) << row.files;
    }
}

// A new file that differs from the choice says how, in words, alone and among several.
TEST(OutcomeText, AFileUnlikeTheChoiceSaysHow)
{
    using D = RunOutcome::Doubt;
    const auto facts = [](auto FileFacts::*field, auto value) {
        FileFacts written;
        written.*field = value;
        return written;
    };
    FileFacts small = facts(&FileFacts::width, 160);
    small.height = 120;
    const auto differing = [](D doubt, FileFacts written, const char16_t* source = u"/v/clip.flv") {
        RunOutcome outcome{RunOutcome::Kind::Written, 0, 1, u"", 0, source, u"/v/clip.mp3", 4096};
        outcome.doubt = doubt;
        outcome.newFacts = written;
        outcome.chosen = Chosen{320, 240, 23.976, 44100, 2, 192};
        return outcome;
    };
    const struct {
        RunOutcome outcome;
        const char16_t* english;
        const char16_t* chinese;
    } cases[] = {
        {differing(D::AudioBitRate, facts(&FileFacts::audioBitRate, 64200)),
         u"Written, but clip.mp3's sound is 64 kb/s, not the 192 kb/s chosen.",
         u"已写入，但 clip.mp3 的音频为 64 kb/s，而非所选的 192 kb/s。"},
        {differing(D::SampleRate, facts(&FileFacts::sampleRate, 22050)),
         u"Written, but clip.mp3's sound is 22050 Hz, not the 44100 Hz chosen.",
         u"已写入，但 clip.mp3 的音频为 22050 Hz，而非所选的 44100 Hz。"},
        {differing(D::Channels, facts(&FileFacts::channels, 1)),
         u"Written, but clip.mp3's sound is mono, not the stereo chosen.",
         u"已写入，但 clip.mp3 的音频为单声道，而非所选的立体声。"},
        {differing(D::Channels, facts(&FileFacts::channels, 6)),
         u"Written, but clip.mp3's sound is 6 channels, not the stereo chosen.",
         u"已写入，但 clip.mp3 的音频为6声道，而非所选的立体声。"},
        {differing(D::FrameSize, small),
         u"Written, but clip.mp3's picture is 160x120, not the 320x240 chosen.",
         u"已写入，但 clip.mp3 的画面为 160x120，而非所选的 320x240。"},
        {differing(D::FrameRate, facts(&FileFacts::frameRate, 12.5)),
         u"Written, but clip.mp3's picture is 12.5 fps, not the 23.976 fps chosen.",
         u"已写入，但 clip.mp3 的帧率为 12.5 f/s，而非所选的 23.976 f/s。"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(OutcomeText(c.outcome, kEn), c.english);
        EXPECT_EQ(OutcomeText(c.outcome, kZh), c.chinese);
    }

    RunOutcome whole{RunOutcome::Kind::Written, 0, 1, u"", 0, u"/v/a.flv", u"/v/a.mp3", 2048};
    const RunVerdict verdict =
        VerdictOf({whole, differing(D::AudioBitRate, facts(&FileFacts::audioBitRate, 64000), u"/v/b.flv")}, {true, true});
    EXPECT_EQ(RunOutcomeText(verdict, kEn), u"2 of 2 written. Written, but: b.flv (sound is 64 kb/s, not the 192 kb/s chosen).");
    EXPECT_EQ(RunOutcomeText(verdict, kZh), u"已写入 2 个文件（共 2 个）。已写入，但：b.flv（音频为 64 kb/s，而非所选的 192 kb/s）。");
}
