// Pause and Resume of a conversion run, its encoders played by the stand-in child, which starts
// a grandchild of its own: every process of a running file is held (state T) and goes on where
// it was; nothing starts while paused; Stop and the forced end leave nothing stopped behind.

#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <optional>
#include <random>
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
    const auto until = Clock::now() + bound;
    while (!ready()) {
        if (Clock::now() > until)
            return false;
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

// The state letter of process `pid` ('T' stopped, 'Z' ended and not reaped), 0 once it is gone.
char StateOf(int pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(stat, line))
        return 0;
    const std::size_t close = line.rfind(')');
    return close != std::string::npos && close + 2 < line.size() ? line[close + 2] : 0;
}

class PauseTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() / ("tarvex-pause-" + std::to_string(std::random_device{}()));
        fs::create_directories(m_dir);
    }
    void TearDown() override
    {
        m_run.reset();
        fs::remove_all(m_dir);
    }

    void Make(std::size_t parallel)
    {
        m_run.emplace(
            [this] {
                std::lock_guard<std::mutex> lock(m_lock);
                m_changed.notify_all();
            },
            [](std::string_view) {}, MediaReader{}, parallel);
    }

    fs::path Marker(const std::string& what, std::size_t file) const { return m_dir / (what + std::to_string(file)); }
    // Before each case: no pid and no go of an earlier one.
    void ClearMarkers()
    {
        for (const char* what : {"p", "g", "go"})
            for (std::size_t i = 0; i < 2; ++i)
                fs::remove(Marker(what, i));
    }

    // File `i` tells its pid and its grandchild's, then waits for its go before it writes.
    RunPlan Plan(std::size_t i, const std::vector<std::string>& before = {})
    {
        std::u16string command = QuoteArgument(DecodeUtf8(RUNNER_CHILD)) + u" script";
        std::vector<std::string> steps = before;
        for (const std::string& step : {"spawn:" + Marker("g", i).string(), "pidfile:" + Marker("p", i).string(),
                                        "wait:" + Marker("go", i).string(), std::string("stampfile:{written}")})
            steps.push_back(step);
        for (const std::string& step : steps)
            command += u" " + QuoteArgument(DecodeUtf8(step));
        return PlanFor(m_dir / ("f" + std::to_string(i) + ".flv"), {command});
    }

    // The pid a file wrote, once it has.
    int PidIn(const fs::path& file)
    {
        int pid = 0;
        EXPECT_TRUE(PollFor([&] { return (std::ifstream(file) >> pid) && pid > 0; })) << file;
        return pid;
    }

    bool WaitUntil(const std::function<bool(const RunSnapshot&)>& condition, std::chrono::seconds bound = 20s)
    {
        std::unique_lock<std::mutex> lock(m_lock);
        return m_changed.wait_for(lock, bound, [&] { return condition(m_run->Snapshot()); });
    }
    bool WaitEnded(std::chrono::seconds bound = 20s)
    {
        return WaitUntil([](const RunSnapshot& s) { return s.state == RunState::Ended; }, bound);
    }

    // Nothing of the run is left behind, stopped or not: its children reaped, and the
    // grandchildren, which end with their parents, gone.
    void ExpectNothingLeft(const std::vector<int>& grandchildren)
    {
        EXPECT_EQ(OwnChildren(), std::vector<int>{});
        for (const int pid : grandchildren)
            EXPECT_TRUE(PollFor([&] { return StateOf(pid) == 0; })) << pid << " is left in state " << StateOf(pid);
    }

    fs::path m_dir;
    std::mutex m_lock;
    std::condition_variable m_changed;
    std::optional<ConversionRun> m_run;
};

TEST_F(PauseTest, EveryProcessOfARunningFileIsHeldAndGoesOnAtResume)
{
    for (const std::size_t files : {1u, 2u}) {
        SCOPED_TRACE(files);
        ClearMarkers();
        Make(files);
        std::vector<RunPlan> plans;
        for (std::size_t i = 0; i < files; ++i)
            plans.push_back(Plan(i));
        ASSERT_TRUE(m_run->Start(std::move(plans)));
        std::vector<int> children, grandchildren;
        for (std::size_t i = 0; i < files; ++i) {
            children.push_back(PidIn(Marker("p", i)));
            grandchildren.push_back(PidIn(Marker("g", i)));
        }
        const Clock::time_point started = m_run->Snapshot().progress.started;

        const Clock::time_point beforePause = Clock::now();
        ASSERT_TRUE(m_run->Pause());
        const Clock::time_point afterPause = Clock::now();
        EXPECT_FALSE(m_run->Pause()) << "paused already";
        EXPECT_TRUE(m_run->Snapshot().progress.pausedSince.has_value());
        for (const std::vector<int>* pids : {&children, &grandchildren})
            for (const int pid : *pids)
                EXPECT_TRUE(PollFor([&] { return StateOf(pid) == 'T'; })) << pid << " in state " << StateOf(pid);
        // Held, they cannot see their go; they take it up once they go on.
        for (std::size_t i = 0; i < files; ++i)
            std::ofstream(Marker("go", i)).put('x');

        const Clock::time_point beforeResume = Clock::now();
        ASSERT_TRUE(m_run->Resume());
        const Clock::time_point afterResume = Clock::now();
        EXPECT_FALSE(m_run->Resume()) << "going on already";
        const RunProgress progress = m_run->Snapshot().progress;
        EXPECT_FALSE(progress.pausedSince.has_value());
        // The pause is taken off the run's clock: the time left does not count it.
        EXPECT_GE(progress.started - started, beforeResume - afterPause);
        EXPECT_LE(progress.started - started, afterResume - beforePause);

        ASSERT_TRUE(WaitEnded());
        EXPECT_EQ(m_run->Snapshot().verdict->written, files);
        ExpectNothingLeft(grandchildren);
    }
}

// One file at a time: the first's encoder dies while paused; what follows its end, the next
// file's start, waits for Resume.
TEST_F(PauseTest, NothingStartsWhilePaused)
{
    Make(1);
    std::vector<RunPlan> plans;
    plans.push_back(Plan(0));
    plans.push_back(Plan(1));
    std::ofstream(Marker("go", 1)).put('x');
    ASSERT_TRUE(m_run->Start(std::move(plans)));
    const int first = PidIn(Marker("p", 0));
    const int grandchild = PidIn(Marker("g", 0));
    ASSERT_TRUE(m_run->Pause());
    ASSERT_TRUE(PollFor([&] { return StateOf(first) == 'T'; }));
    ::kill(first, SIGKILL);
    ASSERT_TRUE(PollFor([&] { return StateOf(first) == 0; })) << "reaped by the run";
    // Half a second in which the next file must not start; a slow machine only makes it pass
    // more easily, never fail.
    EXPECT_FALSE(PollFor([&] { return fs::exists(Marker("p", 1)); }, 500ms)) << "a file started while paused";
    EXPECT_EQ(m_run->Snapshot().progress.converting, std::vector<std::size_t>{0});

    ASSERT_TRUE(m_run->Resume());
    ASSERT_TRUE(WaitEnded());
    const RunVerdict verdict = *m_run->Snapshot().verdict;
    ASSERT_EQ(verdict.outcomes.size(), 2u);
    EXPECT_EQ(verdict.outcomes[0].kind, RunOutcome::Kind::Signalled);
    EXPECT_EQ(verdict.outcomes[1].kind, RunOutcome::Kind::Written);
    ExpectNothingLeft({grandchild, PidIn(Marker("g", 1))});
}

// Stop while paused lets the encoders go on so that they take SIGINT (or, ignoring it, SIGTERM
// 2 s later) as always; the forced end of the program's own end kills them. Neither leaves
// a process stopped behind.
TEST_F(PauseTest, StopAndTheForcedEndWhilePausedLeaveNothingStopped)
{
    enum class How { Stop, Shutdown };
    const struct {
        const char* what;
        How how;
        std::vector<std::string> before;
        Clock::duration least, most;  // how long the end takes
    } cases[] = {
        {"Stop, taken at SIGINT", How::Stop, {}, 0s, 2s},
        {"Stop, SIGINT ignored", How::Stop, {"ignore:2"}, 2s, 4s},
        {"the forced end", How::Shutdown, {"ignore:2,15"}, 0s, 2s},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ClearMarkers();
        Make(2);
        std::vector<RunPlan> plans;
        for (std::size_t i = 0; i < 2; ++i)
            plans.push_back(Plan(i, c.before));
        ASSERT_TRUE(m_run->Start(std::move(plans)));
        std::vector<int> pids, grandchildren;
        for (std::size_t i = 0; i < 2; ++i) {
            pids.push_back(PidIn(Marker("p", i)));
            grandchildren.push_back(PidIn(Marker("g", i)));
        }
        pids.insert(pids.end(), grandchildren.begin(), grandchildren.end());
        ASSERT_TRUE(m_run->Pause());
        for (const int pid : pids)
            ASSERT_TRUE(PollFor([&] { return StateOf(pid) == 'T'; })) << pid;

        const Clock::time_point asked = Clock::now();
        if (c.how == How::Stop) {
            m_run->Stop();
            EXPECT_FALSE(m_run->Snapshot().progress.pausedSince.has_value());
            ASSERT_TRUE(WaitEnded());
        } else {
            m_run->Shutdown();
        }
        const Clock::duration took = Clock::now() - asked;
        EXPECT_GE(took, c.least);
        EXPECT_LT(took, c.most);
        const RunSnapshot ended = m_run->Snapshot();
        EXPECT_EQ(ended.state, RunState::Ended);
        ASSERT_TRUE(ended.verdict.has_value());
        for (const RunOutcome& outcome : ended.verdict->outcomes)
            EXPECT_EQ(outcome.kind, RunOutcome::Kind::Stopped);
        ExpectNothingLeft(grandchildren);
        m_run.reset();
    }
}

}  // namespace
