#include "platform/process/TerminationSignals.h"

#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

std::atomic<int> s_writeFd{-1};
struct sigaction s_previous[std::size(kSignals)];

void OnSignal(int signal)
{
    const int saved = errno;
    const unsigned char number = static_cast<unsigned char>(signal);
    const int fd = s_writeFd.load();
    // A full pipe drops the number: the program is being told to end already.
    if (fd >= 0 && ::write(fd, &number, 1) < 0) {
    }
    errno = saved;
}

}  // namespace

TerminationSignals::TerminationSignals(std::function<void(int)> onSignal) : m_onSignal(std::move(onSignal))
{
    if (!CreatePipe(m_pipe) || !SetNonBlocking(m_pipe.write.Get()) || !m_quit.Create())
        return;
    int expected = -1;
    if (!s_writeFd.compare_exchange_strong(expected, m_pipe.write.Get()))
        return;
    m_thread = std::thread(&TerminationSignals::Main, this);
    for (std::size_t i = 0; i < std::size(kSignals); ++i) {
        struct sigaction action {};
        action.sa_handler = OnSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        ::sigaction(kSignals[i], &action, &s_previous[i]);
    }
    m_bInstalled = true;
}

TerminationSignals::~TerminationSignals()
{
    if (!m_bInstalled)
        return;
    for (std::size_t i = 0; i < std::size(kSignals); ++i)
        ::sigaction(kSignals[i], &s_previous[i], nullptr);
    s_writeFd.store(-1);
    m_quit.Set();
    m_thread.join();
}

void TerminationSignals::Main()
{
    pollfd fds[2] = {{m_pipe.read.Get(), POLLIN, 0}, {m_quit.Fd(), POLLIN, 0}};
    for (;;) {
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[1].revents != 0)
            return;
        unsigned char number = 0;
        if (::read(m_pipe.read.Get(), &number, 1) == 1)
            m_onSignal(number);
    }
}

void DieOfSignal(int signal)
{
    struct sigaction standard {};
    standard.sa_handler = SIG_DFL;
    sigemptyset(&standard.sa_mask);
    ::sigaction(signal, &standard, nullptr);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, signal);
    ::pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
    ::raise(signal);
    // A signal whose default is not to end the program (none of the three is) still ends it.
    ::_exit(128 + signal);
}
