#pragma once
// One child a CRedirect launched: its process, its pipes, the two threads that pass on what
// it writes and the thread that waits for its end. The threads take this, not the runner's
// fields, so a Launch from OnFinished can install the next child while the last watcher
// still runs.

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/process/ChildProcess.h"
#include "platform/process/Event.h"
#include "platform/process/Pipe.h"
#include "run/Redirect.h"

struct CRedirect::Child {
    Event m_shutdownSignal;  // set by Shutdown; wakes the exit watcher
    Event m_interrupt;       // set by Interrupt; the exit watcher asks the child to end
    Event m_drain;           // set by the exit watcher: pass on what is waiting, then end
    UniqueFd m_outputSource;
    UniqueFd m_errorSource;
    std::unique_ptr<ChildProcess> m_process;

    std::atomic<bool> m_bEnded{false};        // OnFinished is due or under way
    std::atomic<bool> m_bWatcherDone{false};  // the watcher has nothing left to do

    // Starts both readers and the exit watcher, which report to `runner`. Throws
    // std::system_error when a thread cannot be started; those already started end when
    // this is destroyed.
    void StartThreads(CRedirect& runner);

    bool RunsOn(std::thread::id id) const;

    // Once the watcher has joined the readers and reaped the child, only the watcher's
    // thread is left, and it may be the caller (Launch from OnFinished).
    void ReleaseDescriptors();

    void JoinWatcher();

    // Not on one of this child's own threads. The watcher joins the readers; they are
    // joined here only when the watcher could not be started.
    ~Child();

private:
    void ReadOutput(CRedirect& runner);
    void ReadErrors(CRedirect& runner);
    void WatchEnd(CRedirect& runner);
    void NoteReaderDone();

    std::thread m_outputReader;
    std::thread m_errorReader;
    std::thread m_exitWatcher;
    std::thread::id m_threadIds[3];

    std::mutex m_doneLock;
    std::condition_variable m_readerDone;
    int m_nReadersDone = 0;

    std::once_flag m_watcherJoined;  // two Shutdowns may reach it at once
};
