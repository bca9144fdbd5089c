#pragma once
// The signals that ask a program to end (SIGTERM, SIGINT, SIGHUP), taken over while an object
// of this class lives, so that a run can be stopped and its folder removed first. The handler
// only writes the signal's number to a pipe; a thread of the object reads it and calls the
// callback there, so no work happens inside a signal handler.

#include <functional>
#include <thread>

#include "platform/process/Event.h"
#include "platform/process/Pipe.h"

class TerminationSignals {
public:
    // `onSignal` runs on this object's thread, once for each signal that comes. One object
    // at a time: a second one installs nothing.
    explicit TerminationSignals(std::function<void(int signal)> onSignal);
    // Puts the earlier actions back and joins the thread.
    ~TerminationSignals();
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

    bool IsInstalled() const { return m_bInstalled; }

private:
    void Main();

    std::function<void(int)> m_onSignal;
    PipeEnds m_pipe;
    Event m_quit;
    bool m_bInstalled = false;
    std::thread m_thread;
};

// Ends the program by `signal` with the signal's own default action, as if it had never been
// caught: the exit status tells a shell what ended it.
[[noreturn]] void DieOfSignal(int signal);
