#include "platform/process/Event.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>

bool Event::Create()
{
    m_bSet.store(false, std::memory_order_release);
    m_fd = UniqueFd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    return m_fd.IsOpen();
}

void Event::Set()
{
    m_bSet.store(true, std::memory_order_release);
    // Nobody ever reads the counter, so the descriptor stays readable: a manual reset.
    const std::uint64_t one = 1;
    if (m_fd.IsOpen() && ::write(m_fd.Get(), &one, sizeof one) < 0) {
        // Only a counter at its maximum refuses, and that counter is already readable.
    }
}
