#include "platform/process/UniqueFd.h"

#include <unistd.h>

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept
{
    if (this != &other) {
        Close();
        m_fd = other.Release();
    }
    return *this;
}

int UniqueFd::Release()
{
    const int fd = m_fd;
    m_fd = -1;
    return fd;
}

void UniqueFd::Close()
{
    // Linux releases the descriptor even when close reports EINTR: never retry.
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}
