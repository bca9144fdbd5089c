#pragma once
// A manual-reset event: once set it stays set, and it can be waited on together with other
// descriptors.

#include <atomic>

#include "platform/process/UniqueFd.h"

class Event {
public:
    // Makes the event, not set. False when the system refuses one.
    bool Create();
    void Set();
    bool IsSet() const { return m_bSet.load(std::memory_order_acquire); }
    // Readable from the moment the event is set; for waits on several descriptors.
    int Fd() const { return m_fd.Get(); }
    void Close() { m_fd.Close(); }

private:
    UniqueFd m_fd;
    std::atomic<bool> m_bSet{false};
};
