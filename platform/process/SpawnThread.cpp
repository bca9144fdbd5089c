#include "platform/process/SpawnThread.h"

#include <signal.h>

#include <system_error>

SpawnThread::~SpawnThread() { Stop(); }

bool SpawnThread::Run(const std::function<void()>& job)
{
    std::lock_guard<std::mutex> run(m_runLock);
    std::unique_lock<std::mutex> lock(m_lock);
    if (!m_thread.joinable()) {
        m_bQuit = false;
        try {
            m_thread = std::thread(&SpawnThread::Main, this);
        } catch (const std::system_error&) {
            return false;
        }
    }
    m_pJob = &job;
    m_wake.notify_all();
    m_wake.wait(lock, [this] { return m_pJob == nullptr; });
    return true;
}

void SpawnThread::Stop()
{
    std::lock_guard<std::mutex> run(m_runLock);
    {
        std::lock_guard<std::mutex> lock(m_lock);
        if (!m_thread.joinable())
            return;
        m_bQuit = true;
        m_wake.notify_all();
    }
    m_thread.join();
}

void SpawnThread::Main()
{
    // Signals go to the program's other threads; a child forked here starts with all of
    // them blocked and so cannot run an inherited handler before it has reset them.
    sigset_t all;
    sigfillset(&all);
    pthread_sigmask(SIG_SETMASK, &all, nullptr);

    std::unique_lock<std::mutex> lock(m_lock);
    for (;;) {
        m_wake.wait(lock, [this] { return m_bQuit || m_pJob != nullptr; });
        if (m_pJob != nullptr) {
            (*m_pJob)();
            m_pJob = nullptr;
            m_wake.notify_all();
            continue;
        }
        return;
    }
}
