// tarvex-probe: reads media files for the program, so that FFmpeg's demuxers never run inside
// it. The program hands it one path at a time on its standard input (the path's bytes, then a
// NUL) and reads one frame per path on its standard output: the answer's length in decimal, a
// line end, the answer (media/MediaAnswer.h).
//
// The helper loads FFmpeg's libraries once and never reads a file itself: for each path a
// reader forked for it (ahead of time) confines itself to reading that one file, with no
// network and a bound on its memory, answers through a pipe and exits. A reader that crashes, runs out of memory or
// outlasts its time is that file's "not read", and the helper goes on with the next path.
// The helper itself may read, but not write anything nor reach the network.

#include <fcntl.h>
#include <malloc.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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
// More than the demuxers take for the headers of an ordinary file.
constexpr std::size_t kWarmHeap = std::size_t{8} << 20;

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

// The next path from `fd`, a NUL at its end; nothing at the end of the input or on a path too
// long.
std::optional<std::string> NextPath(int fd)
{
    std::string path;
    for (;;) {
        char c;
        const ssize_t n = ::read(fd, &c, 1);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0 || path.size() > kMostPath)
            return std::nullopt;
        if (c == '\0')
            return path;
        path += c;
    }
}

int Reap(pid_t pid)
{
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

std::string Unread(const std::string& why)
{
    return FormatMediaAnswer(MediaReading{std::nullopt, why});
}

// A reader made ahead of its file: forking and the first touch of its memory are paid while the
// helper waits for the program, not while the program waits for the answer.
struct Reader {
    pid_t pid = -1;
    int path = -1;    // the file to read goes here
    int answer = -1;  // and what became of it comes back here
};

[[noreturn]] void RunReader(int pathEnd, int answerEnd, pid_t helper)
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
    // Every page the reader writes is a fault of its own after the fork, and faults are dear
    // (in a virtual machine above all): the heap the read will use is touched now, and kept.
    ::mallopt(M_MMAP_THRESHOLD, static_cast<int>(2 * kWarmHeap));
    ::mallopt(M_TRIM_THRESHOLD, static_cast<int>(4 * kWarmHeap));
    if (void* heap = std::malloc(kWarmHeap)) {
        std::memset(heap, 0, kWarmHeap);
        std::free(heap);
    }

    const std::optional<std::string> path = NextPath(pathEnd);
    if (!path)
        ::_exit(0);
    // The reader is a process of one thread: it may build its own rules.
    ConfinementRules rules;
    rules.readFiles = {*path};
    const std::string text = Confinement::Prepare(rules).Apply() == 0
                                 ? FormatMediaAnswer(ReadMediaInfo(*path, kReadTime))
                                 : Unread("the reader could not be confined");
    WriteAll(answerEnd, text.data(), text.size());
    // The end of the pipe tells the helper the answer is whole; the reader's own end, which
    // takes a while to tear its memory down, need not hold the answer up.
    ::close(answerEnd);
    ::_exit(0);
}

std::optional<Reader> StartReader()
{
    int paths[2], answers[2];
    if (::pipe2(paths, O_CLOEXEC) != 0)
        return std::nullopt;
    if (::pipe2(answers, O_CLOEXEC) != 0) {
        ::close(paths[0]);
        ::close(paths[1]);
        return std::nullopt;
    }
    const pid_t helper = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(paths[1]);
        ::close(answers[0]);
        RunReader(paths[0], answers[1], helper);
    }
    ::close(paths[0]);
    ::close(answers[1]);
    if (pid < 0) {
        ::close(paths[1]);
        ::close(answers[0]);
        return std::nullopt;
    }
    return Reader{pid, paths[1], answers[0]};
}

// Has `reader` read `path`, and says what became of it. A reader that answered is left to end
// by itself (Reap it after passing its answer on); any other is gone.
std::string Read(const Reader& reader, const std::string& path, bool& reapLater)
{
    reapLater = false;
    const std::string request = path + '\0';
    const bool asked = WriteAll(reader.path, request.data(), request.size());
    ::close(reader.path);
    const Clock::time_point deadline = Clock::now() + kReadTime + kGrace;
    std::string text;
    bool late = false, tooLong = false;
    while (asked) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            late = true;
            break;
        }
        pollfd ready{reader.answer, POLLIN, 0};
        const int n = ::poll(&ready, 1, static_cast<int>(left.count()));
        if (n < 0 && errno != EINTR)
            break;
        if (n <= 0)
            continue;
        char chunk[512];
        const ssize_t got = ::read(reader.answer, chunk, sizeof chunk);
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
    ::close(reader.answer);
    if (!late && !tooLong && ParseMediaAnswer(text)) {
        reapLater = true;
        return text;
    }
    if (late || tooLong)
        ::kill(reader.pid, SIGKILL);
    const int status = Reap(reader.pid);
    if (late)
        return Unread("gave up after " + std::to_string((kReadTime + kGrace).count()) + " s");
    if (WIFSIGNALED(status))
        return Unread("the reader crashed (signal " + std::to_string(WTERMSIG(status)) + ")");
    return Unread("the reader answered nonsense");
}

}  // namespace

int main()
{
    // A reader or a program that has gone shows as a failed write, which is handled.
    ::signal(SIGPIPE, SIG_IGN);
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    ConfinementRules rules;
    rules.readTrees = {"/"};
    const Confinement self = Confinement::Prepare(rules);
    if (const int error = self.Apply(); error != 0) {
        std::fprintf(stderr, "tarvex-probe: cannot confine itself (errno %d)\n", error);
        return 1;
    }
    PrepareMediaReading();
    for (;;) {
        const std::optional<Reader> reader = StartReader();
        const std::optional<std::string> path = NextPath(STDIN_FILENO);
        if (!path) {
            if (reader) {
                ::kill(reader->pid, SIGKILL);
                Reap(reader->pid);
            }
            return 0;
        }
        bool reapLater = false;
        const std::string answer = reader ? Read(*reader, *path, reapLater) : Unread("the reader could not start");
        const std::string frame = std::to_string(answer.size()) + '\n' + answer;
        const bool told = WriteAll(STDOUT_FILENO, frame.data(), frame.size());
        if (reapLater)
            Reap(reader->pid);
        if (!told)
            return 1;
    }
    return 0;
}
