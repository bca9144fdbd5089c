#pragma once
// A worker thread that runs one job at a time for its owner and waits for it. Children are
// forked from here: Linux kills a child on its parent's death per forking *thread*, so the
// forking thread has to live as long as the children it starts may run.

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

class SpawnThread {
public:
    SpawnThread() = default;
    // Stops the thread, so the children it forked do not outlive their owner.
    ~SpawnThread();
    SpawnThread(const SpawnThread&) = delete;
    SpawnThread& operator=(const SpawnThread&) = delete;

    // Runs the job on the thread, starting the thread first if it is not running, and
    // returns when the job has returned. False, without running it, when the thread could
    // not be started.
    bool Run(const std::function<void()>& job);

    // Ends and joins the thread. Children it forked lose their parent thread and are killed.
    void Stop();

private:
    void Main();

    std::mutex m_runLock;  // one caller at a time
    std::mutex m_lock;     // guards the fields below
    std::condition_variable m_wake;
    const std::function<void()>* m_pJob = nullptr;
    bool m_bQuit = false;
    std::thread m_thread;
};
