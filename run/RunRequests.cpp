// What an owner asks of a run, on the owner's thread: stop, pause, resume and the forced end.
// Each only changes what the launch gate guards, or the pause clock, and posts the request to
// the run's thread, which does the rest in the order things happened.

#include "run/ConversionRun.h"

void ConversionRun::Stop()
{
    {
        std::lock_guard<std::mutex> gate(m_launchGate);
        if (m_state != RunState::Running)
            return;
        m_state = RunState::Stopping;
        EndPauseLocked(RunClock::now());
        // At once, not after the events queued before it: a read-back may take seconds.
        m_bCancelReading = true;
        m_sources.Cancel();
        Post(run_event::Request::Stop);
    }
    if (m_changed)
        m_changed();
}

bool ConversionRun::Pause()
{
    {
        std::lock_guard<std::mutex> gate(m_launchGate);
        if (m_state != RunState::Running || m_bPaused)
            return false;
        m_bPaused = true;
        {
            boost::mutex::scoped_lock lock(m_publishLock);
            m_pausedSince = RunClock::now();
            PublishLocked();
        }
        Post(run_event::Request::Pause);
    }
    if (m_changed)
        m_changed();
    return true;
}

bool ConversionRun::Resume()
{
    {
        std::lock_guard<std::mutex> gate(m_launchGate);
        if (m_state != RunState::Running || !m_bPaused)
            return false;
        EndPauseLocked(RunClock::now());
        Post(run_event::Request::Resume);
    }
    if (m_changed)
        m_changed();
    return true;
}

void ConversionRun::EndPauseLocked(RunClock::time_point now)
{
    if (!m_bPaused)
        return;
    m_bPaused = false;
    boost::mutex::scoped_lock lock(m_publishLock);
    if (m_pausedSince)
        m_held += now - *m_pausedSince;
    m_pausedSince.reset();
    PublishLocked();
}

void ConversionRun::Shutdown()
{
    m_bCancelReading = true;
    m_sources.Cancel();
    if (m_thread.joinable())
        Post(run_event::Request::Shutdown);
    JoinThreads();
}
