// The outcome line's words: which program failed, sizes as people read them, and the output
// named by its file name in both languages.

#include <gtest/gtest.h>

#include "ui/RunOutcome.h"

TEST(RunOutcome, NamesTheProgramTheSizeAndTheFile)
{
    EXPECT_EQ(ProgramName(u"plugins\\mencoder.exe \"/v/a b.mp4\" -o x"), u"mencoder");
    EXPECT_EQ(ProgramName(u"plugins\\FFMPEG.EXE -i x"), u"FFMPEG");
    EXPECT_EQ(ProgramName(u"/usr/bin/ffmpeg"), u"ffmpeg");

    const struct { std::uintmax_t size; const char16_t* english; const char16_t* chinese; } sizes[] = {
        {0, u"0 bytes", u"0 字节"},
        {1023, u"1023 bytes", u"1023 字节"},
        {1024, u"1.0 KiB", u"1.0 KiB"},
        {1536 * 1024, u"1.5 MiB", u"1.5 MiB"},
        {5ull << 40, u"5.0 TiB", u"5.0 TiB"},
        {7ull << 50, u"7168.0 TiB", u"7168.0 TiB"},  // beyond the last unit the number grows
    };
    for (const auto& s : sizes) {
        EXPECT_EQ(SizeText(s.size, 0), s.english);
        EXPECT_EQ(SizeText(s.size, 1), s.chinese);
    }

    RunOutcome written{RunOutcome::Kind::Written, 0, 2, u"", 0, u"/home/u/视频/talk.flv", 2048};
    EXPECT_FALSE(written.Failed());
    EXPECT_EQ(OutcomeText(written, 0), u"Done: talk.flv was written, 2.0 KiB.");
    EXPECT_EQ(OutcomeText(written, 1), u"完成：已写入 talk.flv，2.0 KiB。");

    RunOutcome exited{RunOutcome::Kind::Exited, 1, 2, u"mencoder", 1, u"/v/a.flv", 0};
    EXPECT_EQ(OutcomeText(exited, 0), u"Failed: step 1 of 2, mencoder, exited with status 1.");
    EXPECT_EQ(OutcomeText(exited, 1), u"失败：第 1 步（共 2 步）mencoder 退出，状态为 1。");
    RunOutcome killed{RunOutcome::Kind::Signalled, 2, 2, u"ffmpeg", 9, u"/v/a.flv", 0};
    EXPECT_EQ(OutcomeText(killed, 0), u"Failed: step 2 of 2, ffmpeg, was killed by signal 9.");
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
        RunOutcome shown{RunOutcome::Kind::NoOutput, 0, 1, u"", 0, n.path, 0};
        EXPECT_EQ(OutcomeText(shown, 0), u"Failed: " + std::u16string(n.shown) + u" is missing or empty.");
    }

    RunOutcome missing{RunOutcome::Kind::NoOutput, 0, 1, u"", 0, u"/v/a.mp3", 0};
    EXPECT_TRUE(missing.Failed());
    EXPECT_EQ(OutcomeText(missing, 0), u"Failed: a.mp3 is missing or empty.");
}
