// tarvex-probe: reads media files for the program, so that FFmpeg's demuxers never run inside
// it. The program hands it one path at a time on its standard input (the path's bytes, then a
// NUL) and reads one frame per path on its standard output: the answer's length in decimal, a
// line end, the answer (media/MediaAnswer.h).
//
// The helper loads FFmpeg's libraries once and never reads a file itself: for each path it
// forks a reader that confines itself to reading that one file, with no network and a bound on
// its memory, answers through a pipe and exits. A reader that crashes, runs out of memory or
// outlasts its time is that file's "not read", and the helper goes on with the next path.
// The helper itself may read, but not write anything nor reach the network.

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <optional>
#include <string>

#include "media/MediaAnswer.h"
#include "media/MediaInfo.h"
#include "platform/process/Confinement.h"

namespace {

using Clock = std::chrono::steady_clock;

// The reader's own deadline, as the program has always given it, and the helper's beyond it
// for a reader stuck where no deadline is looked at.
constexpr std::chrono::seconds kReadTime{5};
constexpr std::chrono::seconds kGrace{1};
// Enough for the demuxers of any sane file; a crafted one that asks for more fails its reader.
constexpr rlim_t kReaderMemory = rlim_t{512} << 20;
constexpr std::size_t kMostPath = 4096;

bool WriteAll(int fd, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// The next path from the program; nothing at the end of its input or on a path too long.
std::optional<std::string> NextPath()
{
    std::string path;
    for (;;) {
        char c;
        const ssize_t n = ::read(STDIN_FILENO, &c, 1);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0 || path.size() > kMostPath)
            return std::nullopt;
        if (c == '\0')
            return path;
        path += c;
    }
}

std::string Unread(const std::string& why)
{
    return FormatMediaAnswer(MediaReading{std::nullopt, why});
}

[[noreturn]] void Reader(const std::string& path, const Confinement& confinement, int answer, pid_t helper)
{
    // The program sees the helper's end as the end of its socket, which a reader must not hold.
    ::close(STDIN_FILENO);
    ::close(STDOUT_FILENO);
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != helper)
        ::_exit(1);
#if !defined(__SANITIZE_THREAD__) && !defined(__SANITIZE_ADDRESS__)
    // A sanitizer's shadow memory alone is larger.
    const rlimit memory{kReaderMemory, kReaderMemory};
    ::setrlimit(RLIMIT_AS, &memory);
#endif
    std::string text;
    if (confinement.Apply() != 0)
        text = Unread("the reader could not be confined");
    else
        text = FormatMediaAnswer(ReadMediaInfo(path, kReadTime));
    WriteAll(answer, text.data(), text.size());
    ::_exit(0);
}

// Reads `path` in a reader of its own and says what became of it.
std::string Read(const std::string& path)
{
    ConfinementRules rules;
    rules.readFiles = {path};
    const Confinement confinement = Confinement::Prepare(rules);
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0)
        return Unread("no pipe for the reader");
    const pid_t helper = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(ends[0]);
        Reader(path, confinement, ends[1], helper);
    }
    ::close(ends[1]);
    if (pid < 0) {
        ::close(ends[0]);
        return Unread("the reader could not start");
    }

    const Clock::time_point deadline = Clock::now() + kReadTime + kGrace;
    std::string text;
    bool late = false, tooLong = false;
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            late = true;
            break;
        }
        pollfd ready{ends[0], POLLIN, 0};
        const int n = ::poll(&ready, 1, static_cast<int>(left.count()));
        if (n < 0 && errno != EINTR)
            break;
        if (n <= 0)
            continue;
        char chunk[512];
        const ssize_t got = ::read(ends[0], chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        text.append(chunk, static_cast<std::size_t>(got));
        if (text.size() > kMostMediaAnswer) {
            tooLong = true;
            break;
        }
    }
    ::close(ends[0]);
    if (late || tooLong)
        ::kill(pid, SIGKILL);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (late)
        return Unread("gave up after " + std::to_string((kReadTime + kGrace).count()) + " s");
    if (WIFSIGNALED(status))
        return Unread("the reader crashed (signal " + std::to_string(WTERMSIG(status)) + ")");
    if (tooLong || !ParseMediaAnswer(text))
        return Unread("the reader answered nonsense");
    return text;
}

}  // namespace

int main()
{
    // The program may have left SIGPIPE ignored; a helper whose program is gone should end.
    ::signal(SIGPIPE, SIG_DFL);
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    ConfinementRules rules;
    rules.readTrees = {"/"};
    const Confinement self = Confinement::Prepare(rules);
    if (const int error = self.Apply(); error != 0) {
        std::fprintf(stderr, "tarvex-probe: cannot confine itself (errno %d)\n", error);
        return 1;
    }
    while (const std::optional<std::string> path = NextPath()) {
        const std::string answer = Read(*path);
        const std::string frame = std::to_string(answer.size()) + '\n' + answer;
        if (!WriteAll(STDOUT_FILENO, frame.data(), frame.size()))
            return 1;
    }
    return 0;
}
