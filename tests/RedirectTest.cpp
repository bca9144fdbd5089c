// The runner against real children: tests/runner_child.cpp plays each one.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <cstdio>
#include <fstream>
#include <functional>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "platform/process/Pipe.h"
#include "platform/process/ProgramPath.h"
#include "run/Redirect.h"

using namespace std::chrono_literals;

namespace {

const std::string kChild = RUNNER_CHILD;

using End = CRedirect::ChildEnd;

std::string Command(const std::string& args) { return "\"" + kChild + "\" " + args; }

int CountOpenFds()
{
    int count = 0;
    if (DIR* dir = ::opendir("/proc/self/fd")) {
        while (::readdir(dir) != nullptr)
            ++count;
        ::closedir(dir);
    }
    return count - 3;  // ".", ".." and the directory's own descriptor
}

int CountThreads()
{
    // A sanitizer's runtime starts a helper thread with the program's first thread; making
    // and joining one before the first count keeps the helper out of every difference.
    static const bool s_bWarm = [] {
        std::thread([] {}).join();
        return true;
    }();
    (void)s_bWarm;
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("Threads:", 0) == 0)
            return std::stoi(line.substr(8));
    return -1;
}

// Records every notification; tests wait on it for the end of a child.
class Recorder : public CRedirect {
public:
    void OnLaunched(std::string_view commandLine) override
    {
        std::lock_guard<std::mutex> lock(m_lock);
        launched.emplace_back(commandLine);
    }
    void OnOutputText(std::string_view text) override
    {
        Record(text, output, outputChunks);
        if (onOutput)
            onOutput(text);
    }
    void OnErrorText(std::string_view text) override { Record(text, errors, errorChunks); }
    // The hook runs first, so a test that has seen the end also knows the hook is over.
    void OnFinished(const End& end) override
    {
        if (onFinished)
            onFinished();
        std::lock_guard<std::mutex> lock(m_lock);
        ends.push_back(end);
        ++finished;
        m_changed.notify_all();
    }

    bool WaitFinished(int count, std::chrono::milliseconds limit = 20s)
    {
        std::unique_lock<std::mutex> lock(m_lock);
        return m_changed.wait_for(lock, limit, [&] { return finished >= count; });
    }

    // The first line of standard output, once it has come.
    std::string WaitFirstLine()
    {
        std::unique_lock<std::mutex> lock(m_lock);
        m_changed.wait_for(lock, 20s, [&] { return output.find('\n') != std::string::npos; });
        return output.substr(0, output.find('\n'));
    }

    void Clear()
    {
        std::lock_guard<std::mutex> lock(m_lock);
        output.clear();
        errors.clear();
        outputChunks.clear();
        errorChunks.clear();
        launched.clear();
        ends.clear();
        finished = 0;
        textAfterEnd = false;
    }

    std::string output, errors;
    std::vector<std::string> outputChunks, errorChunks, launched;
    std::vector<End> ends;  // as each OnFinished was told
    int finished = 0;
    bool textAfterEnd = false;
    std::function<void(std::string_view)> onOutput;
    std::function<void()> onFinished;

private:
    void Record(std::string_view text, std::string& all, std::vector<std::string>& chunks)
    {
        std::lock_guard<std::mutex> lock(m_lock);
        if (finished > 0)
            textAfterEnd = true;
        all += text;
        chunks.emplace_back(text);
        m_changed.notify_all();
    }

    std::mutex m_lock;
    std::condition_variable m_changed;
};

// Runs one command to its end on a fresh record.
void RunToEnd(Recorder& runner, const std::string& command)
{
    runner.Clear();
    ASSERT_TRUE(runner.Launch(command.c_str())) << command;
    ASSERT_TRUE(runner.WaitFinished(1)) << command;
}

std::string Hex(const std::string& text)
{
    std::string hex;
    for (const unsigned char c : text) {
        char two[3];
        std::snprintf(two, sizeof two, "%02x", c);
        hex += two;
    }
    return hex + "\n";
}

}  // namespace

// Found by the test framework's lookup, which does not see into the nameless namespace.
void PrintTo(const CRedirect::ChildEnd& end, std::ostream* out)
{
    static const char* const kKinds[] = {"Exited", "Signalled", "ShutDown"};
    *out << "{" << kKinds[static_cast<int>(end.kind)] << " " << end.code
         << (end.bInterrupted ? " interrupted" : "") << (end.bShutdown ? " shutdown" : "") << "}";
}

TEST(Redirect, FailedStartsReportTheWholeCommandLineAndLeakNothing)
{
    const std::string dir = ::testing::TempDir() + "tarvex_runner_start";
    ::mkdir(dir.c_str(), 0755);
    const std::string plain = dir + "/not_executable";
    std::ofstream(plain) << "#!/bin/sh\necho hi\n";
    ::chmod(plain.c_str(), 0644);

    Recorder runner;
    const int fdsBefore = CountOpenFds();
    const std::string longName = "/no/such/" + std::string(5000, 'p') + ".exe -i in.avi";
    for (const std::string& command :
         {std::string("/no/such/program.exe -i x"), plain, dir, std::string(""),
          std::string(" \t "), longName}) {
        SCOPED_TRACE(command.substr(0, 60));
        runner.Clear();
        EXPECT_FALSE(runner.Launch(command.c_str()));
        ASSERT_EQ(runner.outputChunks.size(), 1u);
        EXPECT_EQ(runner.outputChunks[0], "Unable to start " + command + "\n");
        EXPECT_TRUE(runner.launched.empty());
        EXPECT_FALSE(runner.WaitFinished(1, 50ms));
    }
    EXPECT_EQ(CountOpenFds(), fdsBefore);
}

// Leaves exactly `count` descriptor numbers free: the gaps below the highest open descriptor
// are filled and the soft limit sits `count` above it. Dropping it undoes both.
class FreeDescriptors {
public:
    explicit FreeDescriptors(int count)
    {
        if (::getrlimit(RLIMIT_NOFILE, &m_saved) != 0)
            return;
        int top = -1;
        if (DIR* dir = ::opendir("/proc/self/fd")) {
            const int own = ::dirfd(dir);
            while (const dirent* entry = ::readdir(dir)) {
                const int fd = std::atoi(entry->d_name);
                if (entry->d_name[0] != '.' && fd != own)
                    top = std::max(top, fd);
            }
            ::closedir(dir);
        }
        for (;;) {
            const int fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
            if (fd < 0)
                return;
            if (fd > top) {
                ::close(fd);
                break;
            }
            m_fillers.push_back(fd);
        }
        rlimit tight = m_saved;
        tight.rlim_cur = static_cast<rlim_t>(top + 1 + count);
        m_bReady = ::setrlimit(RLIMIT_NOFILE, &tight) == 0;
    }
    ~FreeDescriptors()
    {
        ::setrlimit(RLIMIT_NOFILE, &m_saved);
        for (const int fd : m_fillers)
            ::close(fd);
    }
    FreeDescriptors(const FreeDescriptors&) = delete;
    FreeDescriptors& operator=(const FreeDescriptors&) = delete;

    bool IsReady() const { return m_bReady; }

private:
    rlimit m_saved{};
    std::vector<int> m_fillers;
    bool m_bReady = false;
};

// A start needs descriptors in this program and again in the forked child before its exec;
// wherever they run out, the start either really happens or is reported as failed.
TEST(Redirect, EveryCountOfFreeDescriptorsRunsTheChildOrReportsTheFailure)
{
    Recorder runner;
    RunToEnd(runner, Command("echo warm"));  // the spawn thread exists
    EXPECT_FALSE(runner.Launch("/no/such/program"));  // releases what the warm child held
    const std::string command = Command("echo ran");
    const int fdsBefore = CountOpenFds();
    int started = 0;
    for (int count = 0; count <= 20; ++count) {
        SCOPED_TRACE("free descriptors: " + std::to_string(count));
        // Releases what the last child held, so that the count below is exact.
        EXPECT_FALSE(runner.Launch("/no/such/program"));
        runner.Clear();
        bool launched = false;
        {
            FreeDescriptors room(count);
            ASSERT_TRUE(room.IsReady());
            launched = runner.Launch(command.c_str());
        }
        if (launched) {
            ++started;
            ASSERT_TRUE(runner.WaitFinished(1));
            EXPECT_EQ(runner.output, "ran");
            EXPECT_EQ(runner.launched, std::vector<std::string>{command});
        } else {
            EXPECT_EQ(runner.outputChunks,
                      std::vector<std::string>{"Unable to start " + command + "\n"});
            EXPECT_TRUE(runner.launched.empty());
            EXPECT_FALSE(runner.WaitFinished(1, 50ms));
        }
    }
    EXPECT_GT(started, 0);  // the highest counts leave room for a whole start
    EXPECT_FALSE(runner.Launch("/no/such/program"));
    EXPECT_EQ(CountOpenFds(), fdsBefore);
    RunToEnd(runner, Command("echo again"));
    EXPECT_EQ(runner.output, "again");
}

namespace {
void OnBrokenPipe(int) {}
}  // namespace

// The runner writes to no pipe, so it has no business with the program's SIGPIPE.
TEST(Redirect, TheProgramsBrokenPipeSignalIsLeftAlone)
{
    struct sigaction saved {};
    ASSERT_EQ(::sigaction(SIGPIPE, nullptr, &saved), 0);
    for (void (*const handler)(int) : {SIG_DFL, SIG_IGN, &OnBrokenPipe}) {
        struct sigaction chosen {};
        chosen.sa_handler = handler;
        sigemptyset(&chosen.sa_mask);
        ASSERT_EQ(::sigaction(SIGPIPE, &chosen, nullptr), 0);
        {
            Recorder runner;
            RunToEnd(runner, Command("state"));
            EXPECT_EQ(runner.output.substr(0, 26), "blocked=0 sigpipe=default ");
            struct sigaction now {};
            ASSERT_EQ(::sigaction(SIGPIPE, nullptr, &now), 0);
            EXPECT_EQ(now.sa_handler, handler);
        }
    }
    ::sigaction(SIGPIPE, &saved, nullptr);
}

TEST(Redirect, ArgumentsReachTheChildByteForByte)
{
    Recorder runner;
    struct Case {
        std::string args;
        std::vector<std::string> expected;
    };
    const std::vector<Case> cases = {
        {"a b\tc", {"a", "b", "c"}},
        {"\"with blank\" \"with\ttab\"", {"with blank", "with\ttab"}},
        {R"(say\"hi\" "in ""quotes""")", {"say\"hi\"", "in \"quotes\""}},
        {R"(C:\dir\ "end\\" \\\"x)", {"C:\\dir\\", "end\\", "\\\"x"}},
        {"\"转换 视频\" 输出.flv", {"转换 视频", "输出.flv"}},
        {"\"unbalanced rest  of\tline", {"unbalanced rest  of\tline"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        RunToEnd(runner, Command("args " + c.args));
        std::string expected;
        for (const std::string& arg : c.expected)
            expected += Hex(arg);
        EXPECT_EQ(runner.output, expected);
    }
}

TEST(Redirect, ChunksComeInOrderOnTheirOwnStream)
{
    Recorder runner;
    {
        SCOPED_TRACE("silent");
        RunToEnd(runner, Command("echo"));
        EXPECT_TRUE(runner.outputChunks.empty());
        EXPECT_TRUE(runner.errorChunks.empty());
        EXPECT_EQ(runner.launched, std::vector<std::string>{Command("echo")});
    }
    {
        SCOPED_TRACE("600 bytes in one write");
        RunToEnd(runner, Command("write 600"));
        EXPECT_GE(runner.outputChunks.size(), 3u);
        for (const std::string& chunk : runner.outputChunks)
            EXPECT_LE(chunk.size(), 256u);
        EXPECT_EQ(runner.output, std::string(600, 'x'));
    }
    {
        SCOPED_TRACE("both streams");
        RunToEnd(runner, Command("both"));
        EXPECT_EQ(runner.output, "to output\n");
        EXPECT_EQ(runner.errors, "to error\n");
    }
    {
        SCOPED_TRACE("NUL byte");
        RunToEnd(runner, Command("nul"));
        ASSERT_EQ(runner.outputChunks.size(), 1u);
        EXPECT_EQ(runner.outputChunks[0], std::string("ab\0cd", 5));
    }
    {
        SCOPED_TRACE("exit code and signal");
        RunToEnd(runner, Command("exit 3"));
        RunToEnd(runner, Command("signal"));
        EXPECT_EQ(runner.output, "dying\n");
    }
    {
        SCOPED_TRACE("standard input");
        RunToEnd(runner, Command("stdin"));
        EXPECT_EQ(runner.output, "eof 0\n");
    }
    {
        SCOPED_TRACE("what the child inherits");
        RunToEnd(runner, Command("state"));
        // A runner of no niceness of its own leaves the child the program's.
        EXPECT_EQ(runner.output, "blocked=0 sigpipe=default leader=yes fds=0,1,2, nice=" +
                                     std::to_string(::getpriority(PRIO_PROCESS, 0)) + "\n");
    }
    std::this_thread::sleep_for(10ms);
    EXPECT_FALSE(runner.textAfterEnd);
    EXPECT_EQ(runner.finished, 1);
}

// Checks a flood against its pattern as it comes, without keeping it.
class FloodChecker : public CRedirect {
public:
    void OnOutputText(std::string_view text) override { Check(text, m_output); }
    void OnErrorText(std::string_view text) override { Check(text, m_errors); }
    void OnFinished(const End&) override
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_bFinished = true;
        m_finished.notify_all();
    }
    void WaitFinished()
    {
        std::unique_lock<std::mutex> lock(m_lock);
        ASSERT_TRUE(m_finished.wait_for(lock, 60s, [this] { return m_bFinished; }));
    }

    struct Stream {
        size_t bytes = 0;
        size_t faults = 0;
        size_t oversized = 0;
        std::string text;  // the first bytes, when the stream is not a flood
    };
    Stream m_output, m_errors;
    std::chrono::milliseconds m_firstChunkDelay{0};
    bool m_bTextAfterEnd = false;

private:
    void Check(std::string_view text, Stream& stream)
    {
        if (stream.bytes == 0 && m_firstChunkDelay.count() > 0)
            std::this_thread::sleep_for(m_firstChunkDelay);
        const size_t n = text.size();
        stream.oversized += n > 256;
        for (size_t i = 0; i < n; ++i)
            stream.faults += text[i] != static_cast<char>('a' + (stream.bytes + i) % 23);
        if (stream.text.size() < 64)
            stream.text.append(text.substr(0, 64));
        stream.bytes += n;
        std::lock_guard<std::mutex> lock(m_lock);
        m_bTextAfterEnd |= m_bFinished;
    }

    std::mutex m_lock;
    std::condition_variable m_finished;
    bool m_bFinished = false;
};

TEST(Redirect, FloodsArriveWholeAndInOrder)
{
    {
        SCOPED_TRACE("50 MB on standard output");
        FloodChecker runner;
        ASSERT_TRUE(runner.Launch(Command("flood 52428800 1").c_str()));
        runner.WaitFinished();
        EXPECT_EQ(runner.m_output.bytes, 52428800u);
        EXPECT_EQ(runner.m_output.faults, 0u);
        EXPECT_EQ(runner.m_output.oversized, 0u);
        EXPECT_FALSE(runner.m_bTextAfterEnd);
    }
    {
        SCOPED_TRACE("standard error only, four pipes full");
        FloodChecker runner;
        ASSERT_TRUE(runner.Launch(Command("flood-error-by-pipe-size 4").c_str()));
        runner.WaitFinished();
        const size_t total = std::stoul(runner.m_output.text);
        EXPECT_GE(total, 4u * 4096u);
        EXPECT_EQ(runner.m_errors.bytes, total);
        EXPECT_EQ(runner.m_errors.faults, 0u);
    }
    {
        SCOPED_TRACE("a consumer that sleeps on its first chunk");
        FloodChecker runner;
        runner.m_firstChunkDelay = 600ms;  // well past the end's grace period
        ASSERT_TRUE(runner.Launch(Command("flood 60000 1").c_str()));
        runner.WaitFinished();
        EXPECT_EQ(runner.m_output.bytes, 60000u);
        EXPECT_EQ(runner.m_output.faults, 0u);
    }
}

TEST(Redirect, AQuickChildAlwaysDeliversItsLastLineBeforeItsEnd)
{
#ifdef __SANITIZE_THREAD__
    const int children = 100;  // a fork under the race detector takes about 0.1 s
#else
    const int children = 1000;
#endif
    Recorder runner;
    for (int i = 0; i < children; ++i) {
        const std::string line = "line " + std::to_string(i) + "\n";
        runner.Clear();
        ASSERT_TRUE(runner.Launch(Command("echo \"" + line + "\"").c_str()));
        ASSERT_TRUE(runner.WaitFinished(1));
        ASSERT_EQ(runner.output, line) << i;
        ASSERT_FALSE(runner.textAfterEnd) << i;
    }
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(runner.finished, 1);
}

TEST(Redirect, AGrandchildHoldingThePipesDelaysTheEndOnlyBriefly)
{
    Recorder runner;
    const auto start = std::chrono::steady_clock::now();
    RunToEnd(runner, Command("grandchild 3"));
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(runner.output, "parent done\n");
    EXPECT_LT(took, 2s);
}

TEST(Redirect, ShutdownStopsARunningChildAndJoinsEverything)
{
    const int threadsBefore = CountThreads();
    const int fdsBefore = CountOpenFds();
    {
        SCOPED_TRACE("nothing launched");
        Recorder runner;
        runner.Shutdown();
        EXPECT_EQ(runner.finished, 0);
        EXPECT_TRUE(runner.outputChunks.empty());
    }
    {
        SCOPED_TRACE("a child sleeping, its queue trying to go on");
        Recorder runner;
        std::atomic<bool> refused{false};
        runner.onFinished = [&] { refused = !runner.Launch(Command("sleep 30").c_str()); };
        ASSERT_TRUE(runner.Launch(Command("sleep 30").c_str()));
        const int pid = std::stoi(runner.WaitFirstLine());
        runner.Shutdown();
        EXPECT_EQ(runner.finished, 1);
        EXPECT_TRUE(refused);  // no new child while the runner shuts down
        EXPECT_EQ(runner.output, std::to_string(pid) + "\nStopping, not started: " +
                                     Command("sleep 30") + "\n");
        // Killed and reaped: the pid names no process, not even a zombie.
        EXPECT_EQ(::kill(pid, 0), -1);
        EXPECT_EQ(CountThreads(), threadsBefore);
        EXPECT_EQ(CountOpenFds(), fdsBefore);
        // The runner starts again after a Shutdown.
        runner.onFinished = nullptr;
        RunToEnd(runner, Command("echo again"));
        EXPECT_EQ(runner.output, "again");
    }
    EXPECT_EQ(CountThreads(), threadsBefore);
}

TEST(Redirect, LaunchesChainedFromTheEndKeepCountsFlat)
{
    Recorder runner;
    RunToEnd(runner, Command("echo warm"));
    const int fdsBefore = CountOpenFds();
    const int threadsBefore = CountThreads();

    std::atomic<int> left{200};
    std::atomic<int> refused{0};
    runner.onFinished = [&] {
        if (left.fetch_sub(1) > 1 && !runner.Launch(Command("echo next").c_str()))
            ++refused;
    };
    runner.Clear();
    ASSERT_TRUE(runner.Launch(Command("echo first").c_str()));
    ASSERT_TRUE(runner.WaitFinished(200, 60s)) << runner.finished << " " << refused.load();
    EXPECT_EQ(refused.load(), 0);
    EXPECT_EQ(runner.launched.size(), 200u);

    // The last watcher may still be returning from OnFinished; one more start releases it.
    RunToEnd(runner, Command("echo last"));
    std::this_thread::sleep_for(20ms);
    EXPECT_LE(CountOpenFds(), fdsBefore);
    EXPECT_LE(CountThreads(), threadsBefore + 1);
}

TEST(Redirect, NotificationsMayCallLaunchAndShutdown)
{
    const int threadsBefore = CountThreads();
    {
        SCOPED_TRACE("Launch while the child runs is refused");
        Recorder runner;
        std::atomic<bool> refused{false};
        runner.onOutput = [&](std::string_view text) {
            if (text.starts_with("first"))
                refused = !runner.Launch(Command("echo nested").c_str());
        };
        RunToEnd(runner, Command("echo first"));
        EXPECT_TRUE(refused);
        EXPECT_EQ(runner.output, "firstBusy, not started: " + Command("echo nested") + "\n");
    }
    {
        SCOPED_TRACE("Shutdown from the output reader");
        Recorder runner;
        std::atomic<bool> once{false};
        runner.onOutput = [&](std::string_view) {
            if (!once.exchange(true))
                runner.Shutdown();
        };
        ASSERT_TRUE(runner.Launch(Command("sleep 30").c_str()));
        ASSERT_TRUE(runner.WaitFinished(1));
        // That Shutdown is over before the end comes, yet the end is known as its doing.
        const End shutDown{End::Kind::ShutDown, 0, false, true};
        EXPECT_EQ(runner.ends, std::vector<End>{shutDown});
        // Joins the reader, which may still be in its own Shutdown, before the hooks go.
        runner.Shutdown();
        EXPECT_EQ(runner.output.find("woke"), std::string::npos);
    }
    {
        SCOPED_TRACE("Shutdown from OnFinished");
        Recorder runner;
        runner.onFinished = [&] { runner.Shutdown(); };
        RunToEnd(runner, Command("echo x"));
        runner.Shutdown();
    }
    EXPECT_EQ(CountThreads(), threadsBefore);
}

// The end of one child launches the next just as the runner is shut down: whichever
// wins, nothing counts as running once the Shutdown is over.
TEST(Redirect, AShutdownRacingALaunchFromTheEndLeavesNothingRunning)
{
    Recorder runner;
    std::mutex lock;
    std::condition_variable changed;
    bool chaining = false;
    runner.onFinished = [&] {
        {
            std::lock_guard<std::mutex> hold(lock);
            if (chaining)
                return;  // the end of the chained child
            chaining = true;
        }
        changed.notify_all();
        runner.Launch(Command("sleep 30").c_str());
    };
    for (int round = 0; round < 10; ++round) {
        SCOPED_TRACE(round);
        {
            std::lock_guard<std::mutex> hold(lock);
            chaining = false;
        }
        ASSERT_TRUE(runner.Launch(Command("echo").c_str()));
        {
            std::unique_lock<std::mutex> hold(lock);
            ASSERT_TRUE(changed.wait_for(hold, 20s, [&] { return chaining; }));
        }
        runner.Shutdown();
        EXPECT_FALSE(runner.IsRunning());
    }
}

// Until the child's process is gone, not even a zombie: its exit watcher has collected it.
bool WaitReaped(int pid)
{
    const std::string entry = "/proc/" + std::to_string(pid);
    const auto limit = std::chrono::steady_clock::now() + 20s;
    while (::access(entry.c_str(), F_OK) == 0) {
        if (std::chrono::steady_clock::now() > limit)
            return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

TEST(Redirect, OnFinishedKnowsHowItsChildEnded)
{
    using Kind = End::Kind;
    enum class Ending { Itself, KilledFromOutside, ByShutdown, Interrupted, ItselfAsShutdownCame };
    struct Case {
        std::string args;
        Ending ending;
        End expected;
    };
    const std::vector<Case> cases = {
        {"exit 0", Ending::Itself, {Kind::Exited, 0}},
        {"exit 3", Ending::Itself, {Kind::Exited, 3}},
        {"signal", Ending::Itself, {Kind::Signalled, SIGTERM}},
        {"sleep 30", Ending::KilledFromOutside, {Kind::Signalled, SIGKILL}},
        {"sleep 30", Ending::ByShutdown, {Kind::ShutDown, 0, false, true}},
        {"exit 255", Ending::Itself, {Kind::Exited, 255}},
        // Asked to end: SIGINT first, SIGTERM to a child that ignores it, SIGKILL after both.
        {"sleep 30", Ending::Interrupted, {Kind::Signalled, SIGINT, true}},
        {"script ignore:2 \"out:ready\n\" wait:never", Ending::Interrupted, {Kind::Signalled, SIGTERM, true}},
        {"script ignore:2,15 \"out:ready\n\" wait:never", Ending::Interrupted, {Kind::Signalled, SIGKILL, true}},
        // Collected before a Shutdown (from its reader, which it cannot join) came and went:
        // the end is the child's own, but its queue must still not move on.
        {"sleep 0", Ending::ItselfAsShutdownCame, {Kind::Exited, 0, false, true}},
    };
    Recorder runner;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        runner.Clear();
        std::atomic<bool> once{false};
        std::atomic<bool> reapedFirst{false};
        runner.onOutput = nullptr;
        if (c.ending == Ending::ItselfAsShutdownCame) {
            runner.onOutput = [&](std::string_view text) {
                if (once.exchange(true))
                    return;
                reapedFirst = WaitReaped(std::stoi(std::string(text)));
                runner.Shutdown();
            };
        }
        ASSERT_TRUE(runner.Launch(Command(c.args).c_str()));
        if (c.ending == Ending::KilledFromOutside) {
            ASSERT_EQ(::kill(std::stoi(runner.WaitFirstLine()), SIGKILL), 0);
        } else if (c.ending == Ending::ByShutdown) {
            runner.WaitFirstLine();
            runner.Shutdown();
        } else if (c.ending == Ending::Interrupted) {
            runner.WaitFirstLine();
            runner.Interrupt();
            runner.Interrupt();  // a second request changes nothing
        }
        ASSERT_TRUE(runner.WaitFinished(1));
        if (c.ending == Ending::ItselfAsShutdownCame) {
            EXPECT_TRUE(reapedFirst);
        }
        EXPECT_EQ(runner.ends, std::vector<End>{c.expected});
    }
}

// Launches `sleep` from an exit watcher in a forked copy of this program, kills the copy and
// checks that the sleeper died with it.
TEST(Redirect, ChildrenDieWithTheProgram)
{
    ASSERT_EQ(::prctl(PR_SET_CHILD_SUBREAPER, 1), 0);  // orphans come to us
    for (const bool fromWatcher : {false, true}) {
        SCOPED_TRACE(fromWatcher ? "launched from an exit watcher" : "launched directly");
        PipeEnds report;
        ASSERT_TRUE(CreatePipe(report));
        const pid_t host = ::fork();
        ASSERT_GE(host, 0);
        if (host == 0) {
            Recorder runner;
            runner.onOutput = [&](std::string_view text) {
                if (!text.empty() && std::isdigit(static_cast<unsigned char>(text[0])))
                    (void)!::write(report.write.Get(), text.data(), text.size());
            };
            runner.onFinished = [&] { runner.Launch(Command("sleep 30").c_str()); };
            runner.Launch(Command(fromWatcher ? "echo" : "sleep 30").c_str());
            ::pause();
            ::_exit(0);
        }
        report.write.Close();
        char text[32] = {};
        ASSERT_GT(::read(report.read.Get(), text, sizeof text - 1), 0);
        const pid_t sleeper = std::atoi(text);
        // Outliving the thread that launched it: a watcher ends right after OnFinished.
        std::this_thread::sleep_for(300ms);
        std::ifstream stat("/proc/" + std::to_string(sleeper) + "/stat");
        std::string pidField, name, state;
        stat >> pidField >> name >> state;
        EXPECT_EQ(state, "S");
        ::kill(host, SIGKILL);
        ::waitpid(host, nullptr, 0);
        int status = 0;
        ASSERT_EQ(::waitpid(sleeper, &status, 0), sleeper);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    }
    ::prctl(PR_SET_CHILD_SUBREAPER, 0);
}

TEST(ProgramPath, WindowsNamesFindLocalBuildsThenPath)
{
    char saved[4096];
    ASSERT_NE(::getcwd(saved, sizeof saved), nullptr);
    const std::string dir = ::testing::TempDir() + "tarvex_program_path";
    ::mkdir(dir.c_str(), 0755);
    ::mkdir((dir + "/plugins").c_str(), 0755);
    ASSERT_EQ(::chdir(dir.c_str()), 0);
    std::remove("plugins/sh.exe");
    std::remove("plugins/sh");

    const std::string fromPath = ResolveProgram("plugins\\sh.exe");
    ASSERT_GT(fromPath.size(), 3u);
    EXPECT_EQ(fromPath.front(), '/');
    EXPECT_EQ(fromPath.substr(fromPath.size() - 3), "/sh");
    std::ofstream("plugins/sh");
    EXPECT_EQ(ResolveProgram("plugins\\sh.exe"), "plugins/sh");
    std::ofstream("plugins/sh.exe");
    EXPECT_EQ(ResolveProgram("plugins\\sh.exe"), "plugins/sh.exe");
    EXPECT_EQ(ResolveProgram("plugins\\SH.EXE"), "");  // names stay case-sensitive
    EXPECT_EQ(ResolveProgram("plugins\\no-such-tool.exe"), "");
    EXPECT_EQ(ResolveProgram(""), "");

    ASSERT_EQ(::chdir(saved), 0);
}
