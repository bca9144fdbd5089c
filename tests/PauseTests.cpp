// Pause and Resume of a conversion run, its encoders played by the stand-in child, which starts
// a grandchild of its own: every process of a running file is held (state T) and goes on where
// it was; nothing starts while paused; Stop and the forced end leave nothing stopped behind.

#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/text/CommandLine.h"
#include "platform/text/TextCodec.h"
#include "run/ConversionRun.h"
#include "tests/RunHelpers.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

// Polls `ready` every few milliseconds until it holds or `bound` has passed.
bool PollFor(const std::function<bool()>& ready, Clock::duration bound = 20s)
{
    for (const auto until = Clock::now() + bound; !ready(); std::this_thread::sleep_for(5ms))
        if (Clock::now() > until)
            return false;
    return true;
}

class PauseTest : public ::testing::Test {
protected:
    PauseTest() : m_folder("tarvex-pause-", RUNNER_CHILD, "ffmpeg") {}

    // `files` files, `parallel` at once, each telling its pid and its grandchild's before it
    // waits for its go; the pids once told.
    void Start(std::size_t files, std::size_t parallel, const std::string& before = "out:")
    {
        for (const fs::directory_entry& entry : fs::directory_iterator(m_folder.Path()))
            if (entry.is_regular_file())
                fs::remove(entry.path());
        m_run.emplace([] {}, [](std::string_view) {}, MediaReader{}, parallel);
        m_runFolders.clear();
        std::vector<RunPlan> plans;
        for (std::size_t i = 0; i < files; ++i) {
            const std::string n = std::to_string(i);
            std::u16string command = u"plugins\\ffmpeg.exe script";
            // The encoders may write in their run's folder alone.
            for (const std::string& step : {before, std::string("spawn:{folder}/g"), std::string("pidfile:{folder}/p"), "wait:go" + n, std::string("stampfile:{written}")})
                command += u" " + QuoteArgument(DecodeUtf8(step));
            plans.push_back(StandInPlan(m_folder.Path() / ("f" + n + ".flv"), {command}));
            m_runFolders.push_back(EncodeUtf8(plans.back().folder.Path()));
        }
        ASSERT_TRUE(m_run->Start(std::move(plans)));
        m_children.clear();
        m_grandchildren.clear();
        for (std::size_t i = 0; i < parallel; ++i) {
            m_children.push_back(PidIn(m_runFolders[i] / "p"));
            m_grandchildren.push_back(PidIn(m_runFolders[i] / "g"));
        }
    }
    int PidIn(const fs::path& file)
    {
        int pid = 0;
        EXPECT_TRUE(PollFor([&] { return (pid = PidTold(file)) > 0; })) << file;
        return pid;
    }
    bool AllIn(char state)
    {
        for (const std::vector<int>* pids : {&m_children, &m_grandchildren})
            for (const int pid : *pids)
                if (!PollFor([&] { return StateOf(pid) == state; }))
                    return false;
        return true;
    }
    void Go(std::size_t file) { std::ofstream(m_folder.Path() / ("go" + std::to_string(file))).put('x'); }
    RunSnapshot Ended()
    {
        EXPECT_TRUE(PollFor([&] { return m_run->State() == RunState::Ended; }));
        return *m_run->Snapshot();
    }

    StandInFolder m_folder;
    std::optional<ConversionRun> m_run;
    std::vector<int> m_children, m_grandchildren;
    std::vector<fs::path> m_runFolders;  // of the files started, where their pids are told
};

TEST_F(PauseTest, EveryProcessOfARunningFileIsHeldUntilResumeOrStop)
{
    enum class End { Resume, Stop, StopIgnoringSigint, ForcedEnd };
    const struct {
        const char* what;
        std::size_t files;
        End end;
        Clock::duration most;  // from the end's request to the run's end
    } cases[] = {
        {"one file, resumed", 1, End::Resume, 20s},
        {"two at once, resumed", 2, End::Resume, 20s},
        // The held encoders go on first, so that they take SIGINT, or SIGTERM 2 s later.
        {"Stop", 2, End::Stop, 2s},
        {"Stop, SIGINT ignored", 1, End::StopIgnoringSigint, 4s},
        {"the forced end", 1, End::ForcedEnd, 2s},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Start(c.files, c.files, c.end == End::StopIgnoringSigint ? "ignore:2" : "out:");
        const Clock::time_point started = m_run->Snapshot()->progress.started;
        const Clock::time_point beforePause = Clock::now();
        ASSERT_TRUE(m_run->Pause());
        const Clock::time_point afterPause = Clock::now();
        EXPECT_FALSE(m_run->Pause());
        ASSERT_TRUE(AllIn('T'));
        const Clock::time_point asked = Clock::now();
        if (c.end == End::Resume) {
            // Held, they cannot see their go; they take it up once they go on.
            for (std::size_t i = 0; i < c.files; ++i)
                Go(i);
            ASSERT_TRUE(m_run->Resume());
            const Clock::time_point afterResume = Clock::now();
            // The pause is taken off the run's clock: the time left does not count it.
            const Clock::duration shift = m_run->Snapshot()->progress.started - started;
            EXPECT_GE(shift, asked - afterPause);
            EXPECT_LE(shift, afterResume - beforePause);
        } else if (c.end == End::ForcedEnd) {
            m_run->Shutdown();
        } else {
            m_run->Stop();
        }
        const RunSnapshot ended = Ended();
        EXPECT_LT(Clock::now() - asked, c.most);
        EXPECT_FALSE(ended.progress.pausedSince.has_value());
        ASSERT_TRUE(ended.verdict.has_value());
        EXPECT_EQ(ended.verdict->nWritten, c.end == End::Resume ? c.files : 0u);
        // The grandchildren end with their parents, polling: one left stopped would stay.
        EXPECT_EQ(OwnChildren(), std::vector<int>{});
        EXPECT_TRUE(AllIn(0));
    }
}

// One file at a time: the first's encoder dies while paused; what follows its end, the next
// file's start, waits for Resume.
TEST_F(PauseTest, NothingStartsWhilePaused)
{
    Start(2, 1);
    Go(1);
    ASSERT_TRUE(m_run->Pause());
    ASSERT_TRUE(AllIn('T'));
    ::kill(m_children[0], SIGKILL);
    ASSERT_TRUE(PollFor([&] { return StateOf(m_children[0]) == 0; })) << "reaped by the run";
    // Half a second in which the next file must not start; a slow machine can only make this
    // pass more easily, never fail.
    EXPECT_FALSE(PollFor([&] { return fs::exists(m_folder.Path() / "p1"); }, 500ms)) << "a file started while paused";
    EXPECT_EQ(m_run->Snapshot()->progress.converting, std::vector<std::size_t>{0});
    ASSERT_TRUE(m_run->Resume());
    const RunSnapshot ended = Ended();
    ASSERT_EQ(ended.verdict->files.size(), 2u);
    EXPECT_EQ(ended.verdict->files[0].outcome.kind, RunOutcome::Kind::Signalled);
    EXPECT_EQ(ended.verdict->files[1].outcome.kind, RunOutcome::Kind::Written);
}

}  // namespace
