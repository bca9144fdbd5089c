#pragma once
// A child process started with three given descriptors as its standard input, output and
// error, and nothing else open. It leads a process group of its own, with a default signal
// mask and default signal actions, and is killed when the thread that started it ends
// (which includes the death of the whole program).

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/process/Confinement.h"
#include "platform/process/Event.h"
#include "platform/process/UniqueFd.h"

// How a reaped child ended.
struct ProcessEnd {
    bool bSignalled = false;  // killed by a signal rather than exiting
    int code = 0;             // its exit code, or the number of the signal that killed it
};

class ChildProcess {
public:
    // Starts `path` with `args` (args[0] included) and the parent's environment. Returns
    // nullptr when the child could not be created or its program could not be executed;
    // `error` then holds the errno. Call it from a thread that outlives the child. The child
    // runs `niceness` nicer than the calling thread, set before its program starts, and
    // applies `confinement` (when given) before its program starts: a child that cannot apply
    // it does not start.
    static std::unique_ptr<ChildProcess> Spawn(const std::string& path,
                                               const std::vector<std::string>& args,
                                               int input, int output, int errors, int& error,
                                               int niceness = 0,
                                               const Confinement* confinement = nullptr);

    ChildProcess(int pid, UniqueFd pidFd) : m_pid(pid), m_pidFd(std::move(pidFd)) {}
    ~ChildProcess();  // a child still running is killed and reaped: no zombie stays
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    enum class Wake { Ended, Stopped, Other, TimedOut };
    // Sleeps until the child has ended, `stop` is set, `other` (when given) is set, or
    // `timeoutMs` have passed (never, when negative), and says which: the child's end first,
    // then `stop`, when several hold at once.
    Wake WaitEndOr(const Event& stop, const Event* other = nullptr, int timeoutMs = -1) const;

    // Sends `signal` to the child. Does nothing to a child that has been reaped.
    void Signal(int signal) const;
    // Sends `signal` to the child's process group, which holds whatever it started and did not
    // move elsewhere. Does nothing once the child has been reaped: its number may then name
    // another group.
    void SignalGroup(int signal);
    // Forced end: Signal(SIGKILL).
    void Kill() const;

    // Waits for the child's end and collects it; later calls return at once with the same
    // answer. A child that somebody else collected reads as exited with code 0.
    ProcessEnd Reap();

    int Pid() const { return m_pid; }

private:
    const int m_pid;
    UniqueFd m_pidFd;  // unlike the pid, it can never name another process
    std::mutex m_reapLock;
    bool m_bReaped = false;
    ProcessEnd m_end;
};
