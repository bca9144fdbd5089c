#include "platform/process/Pipe.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>

bool CreatePipe(PipeEnds& ends)
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return false;
    ends.read = UniqueFd(fds[0]);
    ends.write = UniqueFd(fds[1]);
    return true;
}

bool SetNonBlocking(int fd)
{
    const int flags = ::fcntl(fd, F_GETFL);
    return flags >= 0 && ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

ReadStatus ReadSome(int fd, char* buffer, std::size_t size, std::size_t& count)
{
    count = 0;
    for (;;) {
        const ssize_t n = ::read(fd, buffer, size);
        if (n > 0) {
            count = static_cast<std::size_t>(n);
            return ReadStatus::Data;
        }
        if (n == 0)
            return ReadStatus::EndOfFile;
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            return ReadStatus::Empty;
        return ReadStatus::Failed;
    }
}

bool WaitReadableOr(int fd, const Event& stop)
{
    pollfd fds[2] = {{fd, POLLIN, 0}, {stop.Fd(), POLLIN, 0}};
    for (;;) {
        const int n = ::poll(fds, 2, -1);
        if (n > 0)
            return fds[0].revents != 0;
        if (n < 0 && errno != EINTR)
            return true;  // let the read that follows report the failure
    }
}

std::size_t BytesWaiting(int fd)
{
    int count = 0;
    if (::ioctl(fd, FIONREAD, &count) != 0 || count < 0)
        return 0;
    return static_cast<std::size_t>(count);
}

bool GrowPipe(int fd, std::size_t bytes)
{
    return ::fcntl(fd, F_SETPIPE_SZ, static_cast<int>(bytes)) >= 0;
}
