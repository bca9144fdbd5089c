#include "platform/process/ChildProcess.h"

#include <fcntl.h>
#include <sched.h>
#include <sys/mman.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "platform/process/Pipe.h"

extern char** environ;

namespace {

// The child shares the program's memory until its exec (see StartChild): between the two only
// system calls and async-signal-safe functions, nothing that allocates or takes a lock.
[[noreturn]] void Fail(int report, int error)
{
    while (::write(report, &error, sizeof error) < 0 && errno == EINTR) {
    }
    ::_exit(127);
}

struct ChildStart {
    const char* path;
    char* const* argv;
    int input, output, errors, report;
    pid_t parent;
    int maxFd;
    int niceness;
    const Confinement* confinement;
};

[[noreturn]] void RunChild(const ChildStart& start)
{
    const char* const path = start.path;
    char* const* const argv = start.argv;
    const int input = start.input, output = start.output, errors = start.errors;
    int report = start.report;
    const pid_t parent = start.parent;
    const int maxFd = start.maxFd, niceness = start.niceness;
    const Confinement* const confinement = start.confinement;
    // The starting thread blocks every signal, so no inherited handler can run before this.
    struct sigaction standard {};
    standard.sa_handler = SIG_DFL;
    sigemptyset(&standard.sa_mask);
    for (int sig = 1; sig < NSIG; ++sig)
        ::sigaction(sig, &standard, nullptr);

    // A process group of its own, in the program's session: a terminal's Ctrl+C goes to the
    // foreground group, the program's, not to the child; the group can be held and let go as
    // one; and should the program die while the group is held, the kernel finds it orphaned
    // with stopped members and sends it SIGHUP and SIGCONT, so nothing stays stopped. (In a
    // session of its own the group would count as orphaned from the start, and stay stopped.)
    ::setpgid(0, 0);
    if (::prctl(PR_SET_PDEATHSIG, SIGKILL) != 0)
        Fail(report, errno);
    // The parent may have died before prctl took effect: nobody would kill this child.
    if (::getppid() != parent)
        ::_exit(127);
    // Only ever nicer: an unprivileged process may not take back what it gave up. A value
    // the system refuses leaves the child as it is.
    if (niceness > 0) {
        errno = 0;
        const int current = ::getpriority(PRIO_PROCESS, 0);
        if (current != -1 || errno == 0)
            ::setpriority(PRIO_PROCESS, 0, current + niceness);
    }
    // Built in the parent: applying it allocates nothing.
    if (confinement) {
        const int refused = confinement->Apply();
        if (refused != 0)
            Fail(report, refused);
    }

    // Lift all four descriptors above 2 first, so that placing one on 0, 1 or 2 cannot
    // overwrite another that happens to sit there. A report that cannot move still works
    // where it is: nothing has been placed on 0..2 yet, and a silent exit would read as a
    // successful exec.
    const int liftedReport = ::fcntl(report, F_DUPFD_CLOEXEC, 3);
    if (liftedReport < 0)
        Fail(report, errno);
    report = liftedReport;
    const int ends[3] = {input, output, errors};
    int lifted[3];
    for (int i = 0; i < 3; ++i) {
        lifted[i] = ::fcntl(ends[i], F_DUPFD_CLOEXEC, 3);
        if (lifted[i] < 0)
            Fail(report, errno);
    }
    for (int i = 0; i < 3; ++i)
        if (::dup2(lifted[i], i) < 0)  // the copy on 0..2 is not close-on-exec
            Fail(report, errno);

    // Nothing else reaches the program; the report pipe stays open until exec succeeds.
    if (::syscall(SYS_close_range, 3U, ~0U, CLOSE_RANGE_CLOEXEC) != 0) {
        for (int fd = 3; fd < maxFd; ++fd)
            ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    }

    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);

    ::execve(path, argv, environ);
    Fail(report, errno);
}

#if defined(__SANITIZE_THREAD__) || defined(__SANITIZE_ADDRESS__)
#define TARVEX_SPAWN_BY_FORK 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer) || __has_feature(address_sanitizer)
#define TARVEX_SPAWN_BY_FORK 1
#endif
#endif

#ifndef TARVEX_SPAWN_BY_FORK
int ChildEntry(void* start)
{
    RunChild(*static_cast<const ChildStart*>(start));
}

// Enough for the child's few frames before its exec, with room to spare.
constexpr std::size_t kChildStack = 256 * 1024;
#endif

// The child, started as the process this thread is suspended in until its exec: a copy of the
// program's page tables, as fork makes, would cost the program's every thread a fault and the
// machine a flush of every processor's address cache at each write after it, for every file.
// A sanitizer's runtime cannot run in a child that shares its memory: its builds fork.
pid_t StartChild(ChildStart& start)
{
#ifdef TARVEX_SPAWN_BY_FORK
    const pid_t pid = ::fork();
    if (pid == 0)
        RunChild(start);
    return pid;
#else
    void* const stack = ::mmap(nullptr, kChildStack, PROT_READ | PROT_WRITE,
                               MAP_PRIVATE | MAP_ANONYMOUS | MAP_STACK, -1, 0);
    if (stack == MAP_FAILED)
        return -1;
    // The stack grows down from its top.
    const pid_t pid = ::clone(ChildEntry, static_cast<char*>(stack) + kChildStack,
                              CLONE_VM | CLONE_VFORK | SIGCHLD, &start);
    const int cloneError = errno;
    ::munmap(stack, kChildStack);
    errno = cloneError;
    return pid;
#endif
}

int WaitStatus(int pid)
{
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return 0;
    }
    return status;
}

}  // namespace

std::unique_ptr<ChildProcess> ChildProcess::Spawn(const std::string& path,
                                                  const std::vector<std::string>& args,
                                                  int input, int output, int errors,
                                                  int& error, int niceness,
                                                  const Confinement* confinement)
{
    error = 0;
    std::vector<char*> argv;
    argv.reserve(args.size() + 1);
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);

    PipeEnds report;
    if (!CreatePipe(report)) {
        error = errno;
        return nullptr;
    }
    const long openMax = ::sysconf(_SC_OPEN_MAX);
    const int maxFd = openMax > 0 && openMax < 65536 ? static_cast<int>(openMax) : 65536;
    const pid_t parent = ::getpid();

    sigset_t all;
    sigset_t previous;
    sigfillset(&all);
    pthread_sigmask(SIG_SETMASK, &all, &previous);
    ChildStart start{path.c_str(), argv.data(), input, output, errors, report.write.Get(), parent,
                     maxFd, niceness, confinement};
    const pid_t pid = StartChild(start);
    const int forkError = errno;
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    report.write.Close();
    if (pid < 0) {
        error = forkError;
        return nullptr;
    }

    // End of file on the report pipe: exec succeeded and closed it.
    int childError = 0;
    ssize_t n;
    while ((n = ::read(report.read.Get(), &childError, sizeof childError)) < 0 && errno == EINTR) {
    }
    if (n != 0) {
        WaitStatus(pid);
        error = n == static_cast<ssize_t>(sizeof childError) ? childError : ECHILD;
        return nullptr;
    }

    UniqueFd pidFd(static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)));
    if (!pidFd.IsOpen()) {
        error = errno;
        ::kill(pid, SIGKILL);
        WaitStatus(pid);
        return nullptr;
    }
    return std::make_unique<ChildProcess>(pid, std::move(pidFd));
}

ChildProcess::~ChildProcess()
{
    Kill();
    Reap();
}

ChildProcess::Wake ChildProcess::WaitEndOr(const Event& stop, const Event* other, int timeoutMs) const
{
    pollfd fds[3] = {{m_pidFd.Get(), POLLIN, 0}, {stop.Fd(), POLLIN, 0}, {other ? other->Fd() : -1, POLLIN, 0}};
    const nfds_t count = other ? 3 : 2;
    for (;;) {
        const int n = ::poll(fds, count, timeoutMs);
        if (n > 0) {
            if (fds[0].revents != 0)
                return Wake::Ended;
            return fds[1].revents != 0 ? Wake::Stopped : Wake::Other;
        }
        if (n == 0)
            return Wake::TimedOut;
        // An interrupted wait starts its time anew: it only ever waits a little longer.
        if (errno != EINTR)
            return Wake::Ended;  // Reap() still waits for the real end
    }
}

void ChildProcess::Signal(int signal) const
{
    ::syscall(SYS_pidfd_send_signal, m_pidFd.Get(), signal, nullptr, 0U);
}

void ChildProcess::SignalGroup(int signal)
{
    // The reap lock keeps the number ours: until the child is reaped, no new process or group
    // can take it.
    std::lock_guard<std::mutex> lock(m_reapLock);
    if (!m_bReaped)
        ::kill(-m_pid, signal);
}

void ChildProcess::Kill() const
{
    Signal(SIGKILL);
}

ProcessEnd ChildProcess::Reap()
{
    std::lock_guard<std::mutex> lock(m_reapLock);
    if (!m_bReaped) {
        const int status = WaitStatus(m_pid);
        if (WIFSIGNALED(status))
            m_end = {true, WTERMSIG(status)};
        else
            m_end = {false, WEXITSTATUS(status)};
        m_bReaped = true;
    }
    return m_end;
}
