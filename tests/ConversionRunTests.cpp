// A conversion run without any window, its encoders played by the stand-in child: what it
// leaves at the output path and in its folder, how it stops, and what it says of itself.

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/text/CommandLine.h"
#include "platform/text/FileSystem.h"
#include "platform/files/RunFolder.h"
#include "platform/text/TextCodec.h"
#include "media/MediaAnswer.h"
#include "platform/process/ProbeProcess.h"
#include "run/ConversionRun.h"
#include "tests/ConversionRunFixture.h"
#include "tests/RunHelpers.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

TEST_F(ConversionRunTest, TheOutputIsReplacedOnlyWhenTheRunHasEarnedIt)
{
    using K = RunOutcome::Kind;
    const struct {
        const char* what;
        std::vector<std::vector<std::string>> commands;  // "" names a command that cannot start
        bool earlier;
        K kind;
        std::size_t step;
        const char* failingFlush = nullptr;  // "file" or "folder": that flush to the disk fails
    } cases[] = {
        {"one stage", {{"out:working", "stampfile:{written}"}}, true, K::Written, 0},
        {"two stages, nothing before", {{"touch:{folder}/temp.avi"}, {"stampfile:{written}"}}, false, K::Written, 0},
        // The partial file goes with the folder.
        {"a failing encoder", {{"stampfile:{written}", "exit:1"}}, true, K::Exited, 1},
        {"the first of two fails; the second still runs", {{"exit:2"}, {"stampfile:{written}"}}, true, K::Exited, 1},
        {"killed", {{"stampfile:{written}", "raise:9"}}, true, K::Signalled, 1},
        {"cannot start", {{"touch:{folder}/temp.avi"}, {""}}, true, K::NotStarted, 2},
        {"all well, nothing written", {{"out:done"}}, true, K::NoOutput, 0},
        {"all well, an empty file", {{"touch:{written}"}}, false, K::NoOutput, 0},
        {"the new file cannot be flushed", {{"stampfile:{written}"}}, true, K::NotSynced, 0, "file"},
        // Already in place, but not sure to be there after a power loss.
        {"its name cannot be flushed", {{"stampfile:{written}"}}, true, K::NotSynced, 0, "folder"},
    };
    Make();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove(m_output);
        if (c.earlier)
            std::ofstream(m_output) << "earlier";
        std::vector<std::u16string> commands;
        for (const auto& steps : c.commands)
            commands.push_back(steps.front().empty() ? u"/no/such/encoder -i x" : Script(steps));
        RunPlan plan = Plan(commands);
        commands = plan.commands;
        {
            std::lock_guard<std::mutex> lock(m_lock);
            m_debug.clear();
        }
        SetSyncHook([&c](int fd) {
            struct stat info {};
            ::fstat(fd, &info);
            if (c.failingFlush && std::string_view(c.failingFlush) == (S_ISDIR(info.st_mode) ? "folder" : "file")) {
                errno = EIO;
                return -1;
            }
            return ::fsync(fd);
        });
        ASSERT_TRUE(Start(std::move(plan)));
        ASSERT_TRUE(WaitEnded());
        SetSyncHook({});
        const RunOutcome outcome = Outcome();
        EXPECT_EQ(outcome.kind, c.kind);
        EXPECT_EQ(outcome.step, c.step);
        if (c.failingFlush && std::string_view(c.failingFlush) == "folder") {
            EXPECT_NE(ReadAll(m_output), "earlier");
            EXPECT_FALSE(outcome.bEarlierKept);
        } else if (c.kind == K::Written) {
            EXPECT_NE(ReadAll(m_output), "");
            EXPECT_NE(ReadAll(m_output), "earlier");
            EXPECT_EQ(outcome.size, fs::file_size(m_output));
            EXPECT_EQ(m_run->Snapshot()->progress.percent, 100);
        } else {
            EXPECT_EQ(fs::exists(m_output), c.earlier);
            if (c.earlier) {
                EXPECT_EQ(ReadAll(m_output), "earlier");
            }
            EXPECT_EQ(outcome.bEarlierKept, c.earlier);
        }
        if (c.kind == K::Exited || c.kind == K::NotStarted) {
            EXPECT_EQ(outcome.program, c.kind == K::Exited ? u"runner_child" : u"encoder");
        }
        ExpectNoRunFolder();
        // How the encoders are confined, once, then each command line before anything its
        // child wrote.
        std::lock_guard<std::mutex> lock(m_lock);
        ASSERT_GE(m_debug.size(), 2U);
        EXPECT_TRUE(m_debug[0].starts_with("Encoders ")) << m_debug[0];
        EXPECT_EQ(m_debug[1], EncodeUtf8(commands.front()));
        EXPECT_EQ(std::count_if(m_debug.begin(), m_debug.end(), [](const std::string& text) { return text.starts_with("Encoders "); }), 1);
    }
}

// Stop in either stage of two, with an encoder that answers SIGINT, one that ignores it, and
// one that ignores SIGTERM as well: each ends, by SIGKILL at the last, 2 s per ignored signal.
TEST_F(ConversionRunTest, StopEndsEitherStageAndKeepsTheEarlierOutput)
{
    const struct {
        std::size_t stage;
        const char* ignored;
        std::chrono::seconds atLeast;
    } cases[] = {
        {1, nullptr, 0s}, {2, nullptr, 0s}, {1, "2", 2s}, {2, "2,15", 4s},
    };
    Make();
    for (const auto& c : cases) {
        SCOPED_TRACE("stage " + std::to_string(c.stage) + ", ignoring " + (c.ignored ? c.ignored : "nothing"));
        std::ofstream(m_output) << "earlier";
        fs::remove(m_dir / "second");
        const std::vector<std::string> waiting = {c.ignored ? std::string("ignore:") + c.ignored : "out:-",
                                                  "stampfile:{written}", "out:ready", "wait:never"};
        const std::vector<std::u16string> commands =
            c.stage == 1 ? std::vector{Script(waiting), Script({"touch:" + (m_dir / "second").string()})}
                         : std::vector{Script({"touch:{folder}/temp.avi"}), Script(waiting)};
        ASSERT_TRUE(Start(Plan(commands)));
        ASSERT_TRUE(WaitUntil([](const RunSnapshot& s) { return s.text.ends_with(u"ready"); }));
        const auto clicked = std::chrono::steady_clock::now();
        m_run->Stop();
        m_run->Stop();  // a second click waits for the same end
        EXPECT_NE(m_run->State(), RunState::Running);
        ASSERT_TRUE(WaitEnded());
        EXPECT_GE(std::chrono::steady_clock::now() - clicked, c.atLeast);
        const RunOutcome outcome = Outcome();
        EXPECT_EQ(outcome.kind, RunOutcome::Kind::Stopped);
        EXPECT_EQ(outcome.step, c.stage);
        EXPECT_TRUE(outcome.bEarlierKept);
        EXPECT_EQ(ReadAll(m_output), "earlier");
        EXPECT_FALSE(fs::exists(m_dir / "second"));
        ExpectNoRunFolder();
    }
}

// The last child ends well just as Stop comes: the run either put the new file in place and
// says "written", or kept the earlier one and says "stopped"; never a mix, and no command
// starts after the stop.
TEST_F(ConversionRunTest, AStopRacingTheEndSaysWhatHappened)
{
    Make();
    for (int round = 0; round < 40; ++round) {
        SCOPED_TRACE(round);
        std::ofstream(m_output) << "earlier";
        RunPlan plan = Plan({Script({"stampfile:{written}"})});
        if (round % 2)
            plan.commands.push_back(Script({"out:second"}));
        const std::vector<std::u16string> commands = plan.commands;
        const auto launched = [&] {
            std::lock_guard<std::mutex> lock(m_lock);
            std::size_t count = 0;
            for (const std::string& line : m_debug)
                for (const std::u16string& command : commands)
                    count += line == EncodeUtf8(command);
            return count;
        };
        {
            std::lock_guard<std::mutex> lock(m_lock);
            m_debug.clear();
        }
        ASSERT_TRUE(Start(std::move(plan)));
        std::this_thread::sleep_for(std::chrono::microseconds(round * 250));
        m_run->Stop();
        const std::size_t launchedAtStop = launched();
        ASSERT_TRUE(WaitEnded());
        EXPECT_EQ(launched(), launchedAtStop);
        const RunOutcome outcome = Outcome();
        if (outcome.kind == RunOutcome::Kind::Written) {
            EXPECT_NE(ReadAll(m_output), "earlier");
        } else {
            EXPECT_EQ(outcome.kind, RunOutcome::Kind::Stopped);
            EXPECT_EQ(ReadAll(m_output), "earlier");
        }
        ExpectNoRunFolder();
    }
}

// The owner goes (the program ends) while an encoder floods the run: the forced end kills it,
// joins every thread and takes the folder, and the run says it was stopped.
TEST_F(ConversionRunTest, AShutdownDuringAFloodLeavesNoChildAndNoFolder)
{
    Make();
    std::ofstream(m_output) << "earlier";
    ASSERT_TRUE(Start(Plan({Script({"stampfile:{written}", "smallwrites:50000000:100:2"}),
                                   Script({"touch:" + (m_dir / "second").string()})})));
    ASSERT_TRUE(WaitUntil([](const RunSnapshot& s) { return s.text.size() > 256; }));
    m_run->Shutdown();
    EXPECT_EQ(m_run->State(), RunState::Ended);
    EXPECT_EQ(Outcome().kind, RunOutcome::Kind::Stopped);
    EXPECT_EQ(ReadAll(m_output), "earlier");
    EXPECT_FALSE(fs::exists(m_dir / "second"));
    ExpectNoRunFolder();
}

TEST(JudgeOutput, TheNewFileHoldsWhatTheSourcePromised)
{
    using D = RunOutcome::Doubt;
    const FileFacts whole{20, true, true};
    const struct {
        std::optional<FileFacts> written;
        std::optional<FileFacts> source;
        bool video, audio;
        D doubt;
    } cases[] = {
        {whole, whole, true, true, D::None},
        {FileFacts{20.9, true, true}, whole, true, true, D::None},       // within a second
        {FileFacts{18.9, true, true}, whole, true, true, D::Short},
        {FileFacts{97.5, true, true}, FileFacts{100, true, true}, true, true, D::None},  // within 3 %
        {FileFacts{96.5, true, true}, FileFacts{100, true, true}, true, true, D::Short},
        {FileFacts{40, true, true}, whole, true, true, D::None},         // a stretched last frame
        {FileFacts{20, false, true}, whole, true, true, D::NoVideo},
        {FileFacts{20, true, false}, whole, true, true, D::NoAudio},
        {FileFacts{20, true, false}, whole, true, false, D::None},       // audio left out on purpose
        {FileFacts{20, true, false}, FileFacts{20, true, false}, true, true, D::None},  // none to keep
        {FileFacts{20, false, true}, whole, false, true, D::None},       // an MP3
        {std::nullopt, whole, true, true, D::Unreadable},
        {FileFacts{3, true, true}, std::nullopt, true, true, D::None},   // nothing to hold it against
        {FileFacts{3, true, false}, std::nullopt, true, true, D::NoAudio},
        {FileFacts{std::nullopt, true, true}, whole, true, true, D::None},
    };
    for (const auto& c : cases)
        EXPECT_EQ(JudgeOutput(c.written, c.source, c.video, c.audio), c.doubt)
            << (c.written && c.written->seconds ? *c.written->seconds : -1);
}

// Each chosen value against the file: exact where an encoder never rounds, within its tolerance
// where it does; a value the file does not state, or the user left to the encoder, is not held.
TEST(JudgeOutput, TheNewFileHoldsWhatWasChosen)
{
    using D = RunOutcome::Doubt;
    FileFacts file{1, true, true, 320, 240, 25, 44100, 2, 128000};
    Chosen all{320, 240, 25, 44100, 2, 128};
    const auto with = [&](auto FileFacts::*field, auto value) {
        FileFacts changed = file;
        changed.*field = value;
        return changed;
    };
    const struct {
        FileFacts written;
        Chosen chosen;
        bool video, audio;
        D doubt;
    } cases[] = {
        {file, all, true, true, D::None},
        {file, Chosen{}, true, true, D::None},  // "Original" everywhere
        {with(&FileFacts::sampleRate, 22050), all, true, true, D::SampleRate},
        {with(&FileFacts::channels, 1), all, true, true, D::Channels},
        {with(&FileFacts::audioBitRate, std::int64_t{64000}), all, true, true, D::AudioBitRate},
        {with(&FileFacts::audioBitRate, std::int64_t{140000}), all, true, true, D::None},  // a VBR average, within 10 %
        {with(&FileFacts::audioBitRate, std::int64_t{141500}), all, true, true, D::AudioBitRate},
        {with(&FileFacts::audioBitRate, std::optional<std::int64_t>{}), all, true, true, D::None},  // not stated
        {with(&FileFacts::width, 160), all, true, true, D::FrameSize},
        {with(&FileFacts::height, 120), all, true, true, D::FrameSize},
        {with(&FileFacts::frameRate, 24000.0 / 1001), Chosen{{}, {}, 23.976}, true, true, D::None},
        {with(&FileFacts::frameRate, 25.4), all, true, true, D::None},  // within 2 %
        {with(&FileFacts::frameRate, 25.6), all, true, true, D::FrameRate},
        {with(&FileFacts::sampleRate, 22050), all, true, false, D::None},  // sound left out on purpose
        {with(&FileFacts::width, 160), all, false, true, D::None},        // picture left out on purpose
        // The sound is told before the picture.
        {with(&FileFacts::sampleRate, 22050), Chosen{160, 120, 25, 44100}, true, true, D::SampleRate},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(JudgeOutput(cases[i].written, std::nullopt, cases[i].video, cases[i].audio, cases[i].chosen),
                  cases[i].doubt)
            << "case " << i;
}

// With a way to read media files, the source is read beside the first command: the bar
// measures before any encoder says a length, and the new file is read back and held against
// the source before it is put in place, a short one too.
TEST_F(ConversionRunTest, TheSourceIsReadBesideTheRunAndTheNewFileHeldAgainstIt)
{
    std::mutex readLock;
    std::vector<std::u16string> read;
    Make([&](const std::u16string& path, const std::atomic<bool>&) -> std::optional<FileFacts> {
        {
            std::lock_guard<std::mutex> lock(readLock);
            read.push_back(path);
        }
        if (path.ends_with(u"source.mp4"))
            return FileFacts{20, true, true};
        return FileFacts{10, true, true};  // the new file holds half
    });
    RunPlan plan = Plan({Script({"wait:" + (m_dir / "go").string(), "stampfile:{written}"})});
    plan.source = DecodeUtf8((m_dir / "source.mp4").string());
    ASSERT_TRUE(Start(std::move(plan)));
    EXPECT_TRUE(WaitUntil([](const RunSnapshot& s) { return s.progress.percent == 0; }));
    std::ofstream(m_dir / "go").put('x');
    ASSERT_TRUE(WaitEnded());
    const RunOutcome outcome = Outcome();
    EXPECT_EQ(outcome.kind, RunOutcome::Kind::Written);
    EXPECT_EQ(outcome.doubt, RunOutcome::Doubt::Short);
    EXPECT_EQ(outcome.seconds, 10);
    EXPECT_EQ(outcome.sourceSeconds, 20);
    EXPECT_NE(ReadAll(m_output), "");
    std::lock_guard<std::mutex> lock(readLock);
    ASSERT_EQ(read.size(), 2u);
    EXPECT_TRUE(read[1].ends_with(u"/out.flv"));
    EXPECT_NE(read[1], DecodeUtf8(m_output.string()));  // read in the run's folder, before the rename
}

// Reading through a helper that crashes on one new file, hangs on the next and talks nonsense
// on a third: each of those is written but unread, and the files around them go on as usual.
TEST_F(ConversionRunTest, AHelperThatFailsCostsOnlyItsFilesReadBack)
{
    std::optional<ProbeProcess> probe(std::in_place, PROBE_STANDIN, 1s);
    Make(
        [&](const std::u16string& path, const std::atomic<bool>& cancel) -> std::optional<FileFacts> {
            const ProbeProcess::Answer answer = probe->Ask(EncodeUtf8(path), &cancel);
            const MediaReading reading = ReadingFromAnswer(answer.text, answer.why);
            if (!reading.info)
                return std::nullopt;
            FileFacts facts;
            facts.seconds = reading.info->seconds;
            facts.hasVideo = reading.info->hasVideo;
            facts.hasAudio = reading.info->hasAudio;
            return facts;
        },
        2);
    const char* names[] = {"a.flv", "b-crash", "c-hang", "d.flv", "e-nonsense", "f.flv"};
    std::vector<RunPlan> plans;
    for (const char* name : names) {
        plans.push_back(StandInPlan(m_dir / name, {Script({"stampfile:{written}"})}));
        plans.back().source = DecodeUtf8((m_dir / "source.mp4").string());
    }
    ASSERT_TRUE(m_run->Start(std::move(plans)));
    ASSERT_TRUE(WaitEnded());
    using D = RunOutcome::Doubt;
    std::vector<std::pair<RunOutcome::Kind, D>> got;
    for (const RunOutcome& outcome : Outcomes())
        got.emplace_back(outcome.kind, outcome.doubt);
    const auto written = RunOutcome::Kind::Written;
    EXPECT_EQ(got, (std::vector<std::pair<RunOutcome::Kind, D>>{{written, D::None},
                                                                {written, D::Unreadable},
                                                                {written, D::Unreadable},
                                                                {written, D::None},
                                                                {written, D::Unreadable},
                                                                {written, D::None}}));
    for (const char* name : names)
        EXPECT_TRUE(fs::exists(m_dir / name)) << name;
    m_run.reset();
    probe.reset();
    ExpectNoRunFolder();
}

// Several files in one go, one at a time: each in turn, in a folder of its own, put in place only when it has
// earned it; a failed one does not stop the rest, a stop ends the batch and leaves the files
// after it untouched.
TEST_F(ConversionRunTest, SeveralFilesRunInTurnUntilAStop)
{
    Make({}, 1);
    const fs::path outputs[] = {m_dir / "a.flv", m_dir / "b.flv", m_dir / "c.flv"};
    using K = RunOutcome::Kind;
    const struct {
        const char* what;
        std::vector<std::string> second;  // the middle file's steps
        std::vector<K> kinds;
        const char* c;  // what c.flv holds at the end: "earlier", or "" for a new file
    } cases[] = {
        {"the middle one fails", {"stampfile:{written}", "exit:1"}, {K::Written, K::Exited, K::Written}, ""},
        {"a stop in the middle", {"stampfile:{written}", "out:ready", "wait:never"}, {K::Written, K::Stopped}, "earlier"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        for (const fs::path& output : outputs)
            std::ofstream(output) << "earlier";
        std::vector<RunPlan> plans;
        plans.push_back(StandInPlan(outputs[0], {Script({"stampfile:{written}"})}));
        plans.push_back(StandInPlan(outputs[1], {Script(c.second)}));
        plans.push_back(StandInPlan(outputs[2], {Script({"stampfile:{written}"})}));
        ASSERT_TRUE(m_run->Start(std::move(plans)));
        if (c.kinds.back() == K::Stopped) {
            ASSERT_TRUE(WaitUntil([](const RunSnapshot& s) { return s.text.ends_with(u"ready"); }));
            EXPECT_EQ(m_run->Snapshot()->progress.file, 1u);
            m_run->Stop();
        }
        ASSERT_TRUE(WaitEnded());
        std::vector<K> kinds;
        for (const RunOutcome& outcome : Outcomes())
            kinds.push_back(outcome.kind);
        EXPECT_EQ(kinds, c.kinds);
        EXPECT_NE(ReadAll(outputs[0]), "earlier");
        EXPECT_EQ(ReadAll(outputs[1]), "earlier");
        if (*c.c)
            EXPECT_EQ(ReadAll(outputs[2]), c.c);
        else
            EXPECT_NE(ReadAll(outputs[2]), "earlier");
        ExpectNoRunFolder();
    }
}

// Two at a time over five files: the waiting ones start as others end, whichever ends first;
// the window reads the earliest still converting; a failure stops nothing; the outcomes come in
// file order. The encoders run nicer than the program.
TEST_F(ConversionRunTest, SeveralAtOnceStartAsOthersEndAndAreToldInFileOrder)
{
    Make({}, 2);
    std::atomic<std::size_t> most{0};
    m_observe = [&](const RunSnapshot& s) {
        for (std::size_t seen = most; s.progress.converting.size() > seen;)
            most.compare_exchange_weak(seen, s.progress.converting.size());
    };
    const auto marker = [&](const char* what, std::size_t i) { return (m_dir / (what + std::to_string(i))).string(); };
    std::vector<RunPlan> plans;
    for (std::size_t i = 0; i < 5; ++i) {
        plans.push_back(StandInPlan(m_dir / ("f" + std::to_string(i) + ".flv"),
                                {Script({"out:file " + std::to_string(i), "wait:" + marker("go", i),
                                         i == 2 ? "exit:1" : "stampfile:{written}"})}));
        plans.back().source = u"f" + DecodeUtf8(std::to_string(i)) + u".mp4";
    }
    plans.back().commands.insert(plans.back().commands.begin(), QuoteArgument(DecodeUtf8(RUNNER_CHILD)) + u" state");
    ASSERT_TRUE(m_run->Start(std::move(plans)));
    const auto converting = [&](std::vector<std::size_t> files) {
        return WaitUntil([&](const RunSnapshot& s) { return s.progress.converting == files; });
    };
    // The files end in this order, and those converting after each end are `then`.
    const struct {
        std::size_t ends;
        std::vector<std::size_t> then;
    } steps[] = {{1, {0, 2}}, {2, {0, 3}}, {0, {3, 4}}, {4, {3}}, {3, {}}};
    ASSERT_TRUE(converting({0, 1}));
    for (const auto& step : steps) {
        SCOPED_TRACE(step.ends);
        std::ofstream(marker("go", step.ends)).put('x');
        if (!step.then.empty()) {
            ASSERT_TRUE(converting(step.then));
            EXPECT_TRUE(WaitUntil([&](const RunSnapshot& s) {
                return s.progress.file == step.then.front() && s.text.find(u"file " + DecodeUtf8(std::to_string(step.then.front()))) != std::u16string::npos;
            })) << "the window reads the earliest converting";
        }
    }
    ASSERT_TRUE(WaitEnded());
    EXPECT_EQ(most, 2u);
    using K = RunOutcome::Kind;
    const RunVerdict verdict = Verdict();
    std::vector<K> kinds;
    std::vector<FileEnd> ends;
    std::vector<std::u16string> sources;
    for (const RunVerdict::File& file : verdict.files) {
        kinds.push_back(file.outcome.kind);
        ends.push_back(file.end);
        sources.push_back(file.outcome.source);
    }
    EXPECT_EQ(kinds, (std::vector{K::Written, K::Written, K::Exited, K::Written, K::Written}));
    const FileEnd written = FileEnd::Written;
    EXPECT_EQ(ends, (std::vector{written, written, FileEnd::Failed, written, written}));
    EXPECT_EQ(sources, (std::vector<std::u16string>{u"f0.mp4", u"f1.mp4", u"f2.mp4", u"f3.mp4", u"f4.mp4"}));
    EXPECT_EQ(verdict.nWritten, 4u);
    EXPECT_EQ(verdict.firstWritten, DecodeUtf8((m_dir / "f0.flv").string()));
    EXPECT_FALSE(verdict.bStopped);
    EXPECT_EQ(fs::exists(m_dir / "f2.flv"), false);
    ExpectNoRunFolder();
    const std::string nice = "nice=" + std::to_string(std::min(::getpriority(PRIO_PROCESS, 0) + 10, 19));
    std::lock_guard<std::mutex> lock(m_lock);
    EXPECT_TRUE(std::any_of(m_debug.begin(), m_debug.end(), [&](const std::string& text) { return text.find(nice) != std::string::npos; }))
        << "no child said " << nice;
}

// A stop with two files converting and two waiting: both running children end at once, the
// waiting files never start, every earlier output stays and no folder is left.
TEST_F(ConversionRunTest, AStopWithTwoRunningLeavesTheRestUntouched)
{
    Make({}, 2);
    std::vector<RunPlan> plans;
    for (std::size_t i = 0; i < 4; ++i) {
        const fs::path output = m_dir / ("f" + std::to_string(i) + ".flv");
        std::ofstream(output) << "earlier";
        plans.push_back(StandInPlan(output, {Script({"stampfile:{written}", "out:began " + std::to_string(i), "wait:never"})}));
        plans.back().source = u"f" + DecodeUtf8(std::to_string(i)) + u".mp4";
    }
    ASSERT_TRUE(m_run->Start(std::move(plans)));
    // Under the lock that the debug output is kept with.
    ASSERT_TRUE(WaitUntil([&](const RunSnapshot&) {
        return std::count_if(m_debug.begin(), m_debug.end(), [](const std::string& text) { return text.starts_with("began"); }) == 2;
    }));
    m_run->Stop();
    ASSERT_TRUE(WaitEnded());
    const RunVerdict verdict = Verdict();
    std::vector<FileEnd> ends;
    for (const RunVerdict::File& file : verdict.files)
        ends.push_back(file.end);
    EXPECT_EQ(ends, (std::vector{FileEnd::Stopped, FileEnd::Stopped, FileEnd::Untouched, FileEnd::Untouched}));
    ASSERT_EQ(verdict.files.size(), 4u);
    EXPECT_EQ(verdict.files[3].outcome.source, u"f3.mp4");
    EXPECT_TRUE(verdict.bStopped);
    EXPECT_EQ(verdict.nWritten, 0u);
    EXPECT_TRUE(verdict.firstWritten.empty());
    for (std::size_t i = 0; i < 4; ++i)
        EXPECT_EQ(ReadAll(m_dir / ("f" + std::to_string(i) + ".flv")), "earlier") << i;
    ExpectNoRunFolder();
}

// The bar covers the whole batch: each file its share of the total length once every length
// is known.
TEST_F(ConversionRunTest, EachFileHasItsLengthsShareOfTheBar)
{
    Make([](const std::u16string& path, const std::atomic<bool>&) -> std::optional<FileFacts> {
        return FileFacts{path.ends_with(u"a.mp4") ? 10.0 : 30.0, true, true};
    });
    std::vector<RunPlan> plans;
    plans.push_back(StandInPlan(m_dir / "a.flv", {Script({"stampfile:{written}"})}));
    plans.push_back(StandInPlan(m_dir / "b.flv", {Script({"wait:" + (m_dir / "go").string(), "stampfile:{written}"})}));
    plans[0].source = DecodeUtf8((m_dir / "a.mp4").string());
    plans[1].source = DecodeUtf8((m_dir / "b.mp4").string());
    ASSERT_TRUE(m_run->Start(std::move(plans)));
    EXPECT_TRUE(WaitUntil([](const RunSnapshot& s) { return s.progress.file == 1 && s.progress.percent == 25; }));
    std::ofstream(m_dir / "go").put('x');
    ASSERT_TRUE(WaitEnded());
    EXPECT_EQ(m_run->Snapshot()->progress.percent, 100);
}

}  // namespace
