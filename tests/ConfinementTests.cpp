// What a confined encoder may touch, played by the stand-in child through a whole run: its
// source and its run folder, and nothing else of the user's, nor the network; and a kernel
// that refuses Landlock runs it as before.

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <netinet/in.h>
#include <poll.h>
#include <stddef.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/process/UniqueFd.h"
#include "tests/ConversionRunFixture.h"

namespace fs = std::filesystem;

namespace {

class ConfinedRunTest : public ConversionRunTest {
protected:
    void SetUp() override
    {
        ConversionRunTest::SetUp();
        fs::create_directories(m_dir / "Downloads");
        fs::create_directories(m_dir / "Videos");
        std::ofstream(m_dir / "Downloads" / "source.avi") << "source";
        std::ofstream(m_dir / "Downloads" / "beside.avi") << "private";
        std::ofstream(m_dir / "Videos" / "holiday.ts") << "private";
        fs::create_symlink(m_dir / "Videos" / "holiday.ts", m_dir / "Downloads" / "link.avi");
    }

    std::string At(const std::string& name) const { return (m_dir / name).string(); }

    // A run of one file from `source` playing `steps`, to its end.
    RunOutcome RunFrom(const std::string& source, const std::vector<std::string>& steps)
    {
        RunPlan plan = Plan({Script(steps)});
        plan.source = DecodeUtf8(At(source));
        Make();
        EXPECT_TRUE(Start(std::move(plan)));
        EXPECT_TRUE(WaitEnded());
        return Outcome();
    }
};

// A local listener the child might reach; the kernel completes a connection without accept.
struct Listener {
    UniqueFd fd{::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)};
    int port = 0;
    Listener()
    {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        if (::bind(fd.Get(), reinterpret_cast<sockaddr*>(&address), size) == 0 && ::listen(fd.Get(), 8) == 0 &&
            ::getsockname(fd.Get(), reinterpret_cast<sockaddr*>(&address), &size) == 0)
            port = ntohs(address.sin_port);
    }
};

TEST_F(ConfinedRunTest, AnEncoderReachesItsSourceAndRunFolderOnly)
{
    Listener listener;
    ASSERT_NE(listener.port, 0);
    const struct {
        const char* what;
        const char* source;
        std::vector<std::string> steps;
        int code;  // 0: the file is written
    } cases[] = {
        // The rules would be useless if they kept the encoder from its own work.
        {"its source and its own folder", "Downloads/source.avi",
         {"read:" + At("Downloads/source.avi"), "list:{folder}", "create:{folder}/temp.avi", "create:{written}"}, 0},
        // A link is granted as the file it names, wherever that is.
        {"a source named by a link", "Downloads/link.avi", {"read:" + At("Downloads/link.avi"), "create:{written}"}, 0},
        // The playlist's way in: another file in the source's own folder ...
        {"a file beside the source", "Downloads/source.avi", {"read:" + At("Downloads/beside.avi"), "create:{written}"}, 40},
        // ... or a folder elsewhere.
        {"the target of the link, read by its own name", "Downloads/source.avi", {"read:" + At("Videos/holiday.ts"), "create:{written}"}, 40},
        // A folder where the source should be grants nothing below it.
        {"a folder named as the source", "Downloads", {"read:" + At("Downloads/beside.avi"), "create:{written}"}, 40},
        {"another folder listed", "Downloads/source.avi", {"list:" + At("Videos"), "create:{written}"}, 41},
        {"the source's folder listed", "Downloads/source.avi", {"list:" + At("Downloads"), "create:{written}"}, 41},
        {"a file written beside the output", "Downloads/source.avi", {"create:" + At("stray.flv"), "create:{written}"}, 42},
        {"a connection to a local listener", "Downloads/source.avi",
         {"connect:" + std::to_string(listener.port), "create:{written}"}, 43},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const RunOutcome outcome = RunFrom(c.source, c.steps);
        if (c.code == 0) {
            EXPECT_EQ(outcome.kind, RunOutcome::Kind::Written);
        } else {
            EXPECT_EQ(outcome.kind, RunOutcome::Kind::Exited);
            EXPECT_EQ(outcome.code, c.code);
            EXPECT_FALSE(fs::exists(m_output));
        }
        EXPECT_FALSE(fs::exists(m_dir / "stray.flv"));
        ExpectNoRunFolder();
        fs::remove(m_output);
    }
}

// A named pipe as the source: read while a writer feeds it, and a wait on it stopped.
TEST_F(ConfinedRunTest, AFifoSourceIsReadAndAWaitOnItStops)
{
    const std::string fifo = At("Downloads/pipe.avi");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::atomic<bool> ended{false};
    std::thread writer([&] {
        // Until the child has the pipe open for reading, or the run is over without that.
        for (int fd = -1; !ended; std::this_thread::sleep_for(std::chrono::milliseconds(1))) {
            if ((fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC)) >= 0) {
                EXPECT_EQ(::write(fd, "fed", 3), 3);
                ::close(fd);
                return;
            }
        }
    });
    const RunOutcome fed = RunFrom("Downloads/pipe.avi", {"read:" + fifo, "create:{written}"});
    ended = true;
    writer.join();
    EXPECT_EQ(fed.kind, RunOutcome::Kind::Written);

    // Nobody writes: the child waits in its open until the stop.
    RunPlan plan = Plan({Script({"out:opening", "read:" + fifo, "create:{written}"})});
    plan.source = DecodeUtf8(fifo);
    Make();
    ASSERT_TRUE(Start(std::move(plan)));
    ASSERT_TRUE(WaitUntil([](const RunSnapshot& s) { return s.text.find(u"opening") != std::u16string::npos; }));
    m_run->Stop();
    ASSERT_TRUE(WaitEnded());
    EXPECT_EQ(Outcome().kind, RunOutcome::Kind::Stopped);
    ExpectNoRunFolder();
}

// Makes the three Landlock calls fail as on a kernel built without it.
bool RefuseLandlock()
{
    sock_filter filter[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JGE | BPF_K, SYS_landlock_create_ruleset, 0, 2),
        BPF_JUMP(BPF_JMP | BPF_JGT | BPF_K, SYS_landlock_restrict_self, 1, 0),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | ENOSYS),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    };
    sock_fprog program{static_cast<unsigned short>(std::size(filter)), filter};
    return ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 &&
           ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program, 0, 0) == 0;
}

TEST_F(ConfinedRunTest, WithoutLandlockTheConversionRunsAsBefore)
{
    // In a child of the test, so that the filter stays there.
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        if (!RefuseLandlock())
            ::_exit(10);
        // Beside the source is out of reach only where Landlock is.
        const RunOutcome outcome = RunFrom("Downloads/source.avi",
                                           {"read:" + At("Downloads/beside.avi"), "create:{written}"});
        m_run.reset();  // every thread of the run joined before the end
        if (outcome.kind != RunOutcome::Kind::Written)
            ::_exit(11);
        ::_exit(!m_debug.empty() && m_debug.front().starts_with("Encoders unconfined: no Landlock") ? 0 : 12);
    }
    UniqueFd pidFd(static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)));
    pollfd end{pidFd.Get(), POLLIN, 0};
    EXPECT_EQ(::poll(&end, 1, 60000), 1) << "the test's child did not end";
    if (end.revents == 0)
        ::kill(pid, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    // 10: no filter; 11: the file not written; 12: the debug output does not say so.
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
