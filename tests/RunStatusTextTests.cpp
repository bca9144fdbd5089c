// The line under the bar, from a run recorded as moments and how far it was at each: the time
// left only once it can mean something, and a quiet encoder named.

#include <gtest/gtest.h>

#include "ui/RunStatusText.h"

namespace {

TEST(RunStatusText, AStepItsShareTheTimeLeftAndAQuietEncoder)
{
    using namespace std::chrono_literals;
    const RunClock::time_point start{};
    RunProgress progress;
    progress.step = 0;
    progress.steps = 2;
    progress.program = u"mencoder";
    progress.started = start;
    const struct {
        RunClock::duration at;          // since the start
        std::optional<int> percent;
        RunClock::duration lastOutput;  // since the start
        Language language;
        const char16_t* text;
    } moments[] = {
        {500ms, std::nullopt, 400ms, Language::English, u"Step 1 of 2"},
        {1s, 5, 1s, Language::English, u"Step 1 of 2 · 5 %"},             // too early for a guess
        {2500ms, 2, 2s, Language::English, u"Step 1 of 2 · 2 %"},          // too little done
        {4s, 10, 4s, Language::English, u"Step 1 of 2 · 10 % · about 0:36 left"},
        {12s, 41, 12s, Language::Chinese, u"第 1 步（共 2 步） · 41 % · 约剩 0:17"},
        {29s, 50, 0s, Language::English, u"Step 1 of 2 · 50 % · about 0:29 left"},
        {30s, 50, 0s, Language::English, u"mencoder has printed nothing for 0:30"},
        {95s, 50, 0s, Language::Chinese, u"mencoder 已有 1:35 没有输出"},
        {3700s, 99, 3699s, Language::English, u"Step 1 of 2 · 99 % · about 0:37 left"},
        {3700s, 100, 3699s, Language::English, u"Step 1 of 2 · 100 %"},
    };
    for (const auto& m : moments) {
        progress.percent = m.percent;
        progress.lastOutput = start + m.lastOutput;
        EXPECT_EQ(RunStatusText(progress, start + m.at, m.language), m.text)
            << std::chrono::duration<double>(m.at).count() << " s";
    }
}

// Paused, the line stands still where the pause found it, however long the pause: neither the
// time left nor an encoder's silence counts on.
TEST(RunStatusText, APauseStandsStill)
{
    using namespace std::chrono_literals;
    const RunClock::time_point start{};
    RunProgress progress;
    progress.steps = 1;
    progress.program = u"ffmpeg";
    progress.started = start;
    progress.percent = 10;
    progress.lastOutput = start + 4s;
    progress.pausedSince = start + 4s;
    for (const RunClock::duration later : {4s, 30s, 3600s}) {
        EXPECT_EQ(RunStatusText(progress, start + later, Language::English), u"Paused · Step 1 of 1 · 10 % · about 0:36 left");
        EXPECT_EQ(RunStatusText(progress, start + later, Language::Chinese), u"已暂停 · 第 1 步（共 1 步） · 10 % · 约剩 0:36");
    }
}

}  // namespace
