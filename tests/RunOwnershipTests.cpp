// The run as the one owner of its files, children and folders: a stop reaches every encoder and
// a read-back under way at once, the end is told once to each listener, an owner's `changed`
// may steer the run from inside, and each run folder goes once, by whoever holds it.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <vector>

#include "platform/text/TextCodec.h"
#include "run/ConversionRun.h"
#include "tests/ConversionRunFixture.h"
#include "tests/RunHelpers.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

// Ends the run, joining its threads, before the test's own state that its callbacks use goes,
// also when a failed check leaves the test early.
struct RunEnder {
    std::optional<ConversionRun>& run;
    ~RunEnder() { run.reset(); }
};

class RunOwnershipTest : public ConversionRunTest {
protected:
    // One run of the read-back case below, ended by Stop or, `forced`, by Shutdown.
    void StopDuringReadBack(bool forced);
};

void RunOwnershipTest::StopDuringReadBack(bool forced)
{
    struct {
        std::mutex lock;
        std::condition_variable came;
        bool blocked = false;
        bool cancelled = false;
    } readBack;
    const RunEnder ender{m_run};
    const std::u16string a = DecodeUtf8((m_dir / "a.flv").string());
    Make(
        [&readBack, a](const std::u16string& path, const std::atomic<bool>& cancel) -> std::optional<FileFacts> {
            // The sources (none) and anything but a's new file read at once.
            if (!path.ends_with(u"/a.flv") || path == a)
                return std::nullopt;
            std::unique_lock<std::mutex> lock(readBack.lock);
            readBack.blocked = true;
            readBack.came.notify_all();
            // The cancel flag has no way to wake this: it is looked at every few milliseconds.
            const auto bound = std::chrono::steady_clock::now() + 30s;
            while (!cancel && std::chrono::steady_clock::now() < bound)
                readBack.came.wait_for(lock, 20ms);
            readBack.cancelled = cancel;
            return FileFacts{1, true, true};
        },
        3);
    std::vector<RunPlan> plans;
    std::vector<fs::path> pidFiles;
    for (const char* name : {"a", "b", "c"}) {
        const fs::path output = m_dir / (std::string(name) + ".flv");
        std::ofstream(output) << "earlier";
        // Inside the run folder: an encoder may write nowhere else.
        const std::vector<std::string> steps =
            name == std::string("a") ? std::vector<std::string>{"stampfile:{written}"}
                                     : std::vector<std::string>{"pidfile:{folder}/pid", "out:began " + std::string(name), "wait:never"};
        plans.push_back(StandInPlan(output, {Script(steps)}));
        pidFiles.push_back(fs::path(EncodeUtf8(plans.back().folder.Path())) / "pid");
    }
    ASSERT_TRUE(m_run->Start(std::move(plans)));
    ASSERT_TRUE(WaitUntil([&](const RunSnapshot&) {
        return std::count_if(m_debug.begin(), m_debug.end(), [](const std::string& text) { return text.starts_with("began"); }) == 2;
    }));
    {
        std::unique_lock<std::mutex> lock(readBack.lock);
        ASSERT_TRUE(readBack.came.wait_for(lock, 20s, [&] { return readBack.blocked; }));
    }
    std::vector<int> pids;
    for (std::size_t i = 1; i < pidFiles.size(); ++i)
        pids.push_back(std::stoi(ReadAll(pidFiles[i])));
    if (forced)
        m_run->Shutdown();
    else
        m_run->Stop();
    // Both encoders end at the first signal: the run cannot end before both have, nor before the
    // read-back.
    ASSERT_TRUE(WaitEnded(Seconds(3)));
    for (const int pid : pids)
        EXPECT_EQ(StateOf(pid), 0) << pid;
    {
        std::lock_guard<std::mutex> lock(readBack.lock);
        EXPECT_TRUE(readBack.cancelled);
    }
    const RunVerdict verdict = Verdict();
    ASSERT_EQ(verdict.files.size(), 3u);
    for (const RunVerdict::File& file : verdict.files) {
        SCOPED_TRACE(EncodeUtf8(file.outcome.output));
        EXPECT_EQ(file.end, FileEnd::Stopped);
        EXPECT_TRUE(file.outcome.bEarlierKept);
        EXPECT_EQ(ReadAll(EncodeUtf8(file.outcome.output)), "earlier");
    }
    EXPECT_EQ(verdict.nWritten, 0u);
    ExpectNoRunFolder();
}

// Three files at once: a's new file is being read back, held there until the read is
// cancelled, while b's and c's encoders still run. One Stop, or the forced end, cuts all three
// short, a keeps its earlier output, and nothing of the run is left.
TEST_F(RunOwnershipTest, AStopReachesAReadBackAndEveryEncoderAtOnce)
{
    for (const bool forced : {false, true}) {
        SCOPED_TRACE(forced ? "shutdown" : "stop");
        {
            std::lock_guard<std::mutex> lock(m_lock);
            m_debug.clear();
        }
        StopDuringReadBack(forced);
    }
}

// Two runs one after another on one ConversionRun: each listener hears each run's end once,
// with that run's verdict, when its snapshot already says it has ended; a Shutdown afterwards
// tells nothing more.
TEST_F(RunOwnershipTest, TheEndIsToldOncePerRunToEveryListener)
{
    struct Told {
        int listener;
        std::size_t written, files;
        bool endedFirst;
    };
    std::vector<Told> told;  // under m_lock
    const RunEnder ender{m_run};
    Make();
    for (int listener = 0; listener < 3; ++listener) {
        m_run->AttachEnd([this, &told, listener](const RunVerdict& verdict) {
            const std::shared_ptr<const RunSnapshot> now = m_run->Snapshot();
            const bool ended = now->state == RunState::Ended && now->verdict && now->verdict->nWritten == verdict.nWritten;
            std::lock_guard<std::mutex> lock(m_lock);
            told.push_back({listener, verdict.nWritten, verdict.files.size(), ended});
            m_changed.notify_all();
        });
    }
    const struct {
        std::vector<std::vector<std::string>> files;
        std::size_t written;
    } runs[] = {
        {{{"stampfile:{written}"}, {"stampfile:{written}"}}, 2},
        {{{"stampfile:{written}", "exit:1"}, {"stampfile:{written}"}, {"exit:2"}}, 1},
    };
    for (std::size_t run = 0; run < std::size(runs); ++run) {
        SCOPED_TRACE(run);
        std::vector<RunPlan> plans;
        for (std::size_t i = 0; i < runs[run].files.size(); ++i)
            plans.push_back(StandInPlan(m_dir / ("f" + std::to_string(i) + ".flv"), {Script(runs[run].files[i])}));
        ASSERT_TRUE(m_run->Start(std::move(plans)));
        ASSERT_TRUE(WaitEnded());
        ASSERT_TRUE(WaitUntil([&](const RunSnapshot&) { return told.size() >= 3 * (run + 1); }));
        std::lock_guard<std::mutex> lock(m_lock);
        std::vector<int> listeners;
        for (std::size_t i = 3 * run; i < told.size(); ++i) {
            listeners.push_back(told[i].listener);
            EXPECT_EQ(told[i].written, runs[run].written);
            EXPECT_EQ(told[i].files, runs[run].files.size());
            EXPECT_TRUE(told[i].endedFirst);
        }
        EXPECT_EQ(listeners, (std::vector<int>{0, 1, 2}));
    }
    m_run->Shutdown();
    std::lock_guard<std::mutex> lock(m_lock);
    EXPECT_EQ(told.size(), 6u);
}

// The owner's `changed` steers the run from inside, on whichever thread told it, with the run
// going on: each case's requests, one a change, from the encoder's "ready" on, then the end.
TEST_F(RunOwnershipTest, ChangedMayStopPauseAndResumeTheRun)
{
    enum class Ask { Stop, Pause, Resume };
    const struct {
        const char* what;
        std::vector<Ask> asks;
    } cases[] = {
        {"stop", {Ask::Stop}},
        {"pause, resume, stop", {Ask::Pause, Ask::Resume, Ask::Stop}},
        {"stop while paused", {Ask::Pause, Ask::Stop}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::atomic<std::size_t> next{0};
        std::atomic<bool> refused{false};
        const RunEnder ender{m_run};
        Make();
        m_observe = [&](const RunSnapshot& s) {
            std::size_t ask = next;
            if ((ask == 0 && !s.text.ends_with(u"ready")) || ask >= c.asks.size() || !next.compare_exchange_strong(ask, ask + 1))
                return;
            switch (c.asks[ask]) {
            case Ask::Stop:
                m_run->Stop();
                break;
            case Ask::Pause:
                refused = refused || !m_run->Pause();
                break;
            case Ask::Resume:
                refused = refused || !m_run->Resume();
                break;
            }
        };
        ASSERT_TRUE(Start(Plan({Script({"out:ready", "wait:never"})})));
        ASSERT_TRUE(WaitEnded(Seconds(10)));
        EXPECT_EQ(next, c.asks.size());
        EXPECT_FALSE(refused);
        EXPECT_FALSE(m_run->Paused());
        EXPECT_EQ(Outcome().kind, RunOutcome::Kind::Stopped);
        ExpectNoRunFolder();
    }
}

// However a file ends, its run folder is gone, removed by the job that held it and by no one
// later: a folder made at the same path afterwards survives the next run, which writes as
// usual into a folder of its own.
TEST_F(RunOwnershipTest, EachRunFolderGoesOnceWhateverEndsItsFile)
{
    enum class How { Runs, Stop, Shutdown };
    const std::vector<std::string> waits = {"stampfile:{written}", "out:ready", "wait:never"};
    const struct {
        const char* what;
        std::vector<std::vector<std::string>> files;
        How how;
        std::vector<FileEnd> ends;
    } cases[] = {
        {"written", {{"stampfile:{written}"}}, How::Runs, {FileEnd::Written}},
        {"failed", {{"stampfile:{written}", "exit:1"}}, How::Runs, {FileEnd::Failed}},
        {"stopped", {waits}, How::Stop, {FileEnd::Stopped}},
        {"shut down", {waits}, How::Shutdown, {FileEnd::Stopped}},
        {"untouched", {waits, {"stampfile:{written}"}}, How::Stop, {FileEnd::Stopped, FileEnd::Untouched}},
    };
    Make({}, 1);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<RunPlan> plans;
        std::vector<fs::path> folders;
        for (std::size_t i = 0; i < c.files.size(); ++i) {
            const fs::path output = m_dir / ("f" + std::to_string(i) + ".flv");
            std::ofstream(output) << "earlier";
            plans.push_back(StandInPlan(output, {Script(c.files[i])}));
            folders.emplace_back(EncodeUtf8(plans.back().folder.Path()));
        }
        ASSERT_TRUE(m_run->Start(std::move(plans)));
        if (c.how != How::Runs) {
            ASSERT_TRUE(WaitUntil([](const RunSnapshot& s) { return s.text.ends_with(u"ready"); }));
            if (c.how == How::Stop)
                m_run->Stop();
            else
                m_run->Shutdown();
        }
        ASSERT_TRUE(WaitEnded());
        std::vector<FileEnd> ends;
        for (const RunVerdict::File& file : Verdict().files)
            ends.push_back(file.end);
        EXPECT_EQ(ends, c.ends);
        for (std::size_t i = 0; i < c.ends.size(); ++i) {
            const std::string now = ReadAll(m_dir / ("f" + std::to_string(i) + ".flv"));
            if (c.ends[i] == FileEnd::Written)
                EXPECT_NE(now, "earlier");
            else
                EXPECT_EQ(now, "earlier");
        }
        ExpectNoRunFolder();

        // A stale owner would take these with it when the next run lets the last one's jobs go.
        for (const fs::path& folder : folders)
            ASSERT_TRUE(fs::create_directory(folder)) << folder;
        fs::remove(m_output);
        ASSERT_TRUE(Start(Plan({Script({"touch:{folder}/temp.avi"}), Script({"read:{folder}/temp.avi", "stampfile:{written}"})})));
        ASSERT_TRUE(WaitEnded());
        EXPECT_EQ(Outcome().kind, RunOutcome::Kind::Written);
        EXPECT_NE(ReadAll(m_output), "");
        for (const fs::path& folder : folders) {
            EXPECT_TRUE(fs::exists(folder)) << folder;
            fs::remove(folder);
        }
        ExpectNoRunFolder();
    }
}

}  // namespace
