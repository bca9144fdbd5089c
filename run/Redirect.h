#pragma once
// Runs one console program at a time as a child whose standard input, output and error are
// pipes, and reports what it writes and its end through four virtual notifications.

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/process/Confinement.h"
#include "platform/process/SpawnThread.h"

class ChildProcess;

class CRedirect {
public:
    // How a child ended, as its OnFinished sees it.
    struct ChildEnd {
        // ShutDown: Shutdown ended it before it ended by itself.
        enum class Kind { Exited, Signalled, ShutDown };
        Kind kind = Kind::ShutDown;
        int code = 0;  // the exit code, or the number of the killing signal; 0 when shut down
        // Interrupt reached it while it ran: its end is the answer to that, whatever it was.
        bool bInterrupted = false;
        // A Shutdown of the runner reached it, even one that came as it was ending by itself
        // or that was over before its OnFinished: an OnFinished that sees it must not move a
        // queue on.
        bool bShutdown = false;
        bool operator==(const ChildEnd&) const = default;
    };

    // Its children run `niceness` nicer than the program (0: as nice as it).
    explicit CRedirect(int niceness = 0);
    // Runs Shutdown(), unless one has run since the last Launch and left nothing behind.
    virtual ~CRedirect();
    CRedirect(const CRedirect&) = delete;
    CRedirect& operator=(const CRedirect&) = delete;

    // Starts the command line: its first word is the program, the rest its arguments, split
    // as SplitCommandLine does (blanks and tabs separate, double quotes group, backslashes
    // matter only before a double quote, never in the program's word). True when the
    // child was created; otherwise "Unable to start <command line>\n" has gone to
    // OnOutputText on the calling thread and no other notification follows. Refused, with
    // "Busy, not started: <command line>\n" while a child of this runner is still running
    // and "Stopping, not started: <command line>\n" while a Shutdown is in progress, also
    // to OnOutputText and returning false. May be called from OnFinished, which is how a
    // queue of commands moves on.
    bool Launch(std::string_view commandLine);

    // Confines the children launched from now on to `rules` and the folders of their own
    // programs; without rules they run with the program's own rights. What the kernel cannot
    // enforce is left out: a child is never refused for that.
    void Confine(std::optional<ConfinementRules> rules);

    // True from a successful Launch until that child has ended (or Shutdown ended it).
    bool IsRunning() const;

    // Asks the running child to end, the way a user at its terminal would: SIGINT at once
    // (an encoder then closes its file properly), SIGTERM 2 s later, SIGKILL 2 s after that,
    // each only while it still runs. Its end comes to OnFinished as any end does, with
    // bInterrupted set. Does nothing when no child runs or its end is already under way.
    void Interrupt();

    // Holds the running child and everything it started (SIGSTOP to its process group) until
    // Resume, or until Interrupt or Shutdown, which let it go on first so that it can take their
    // signals. Does nothing when no child runs.
    void Pause();
    // Lets a held child go on (SIGCONT to its process group). Does nothing when none is held.
    void Resume();

    // The forced end: ends the current child (killed if it still runs), joins every thread
    // of this runner and releases everything. Called from a notification it cannot
    // join the calling thread; the destructor's run finishes the job.
    void Shutdown();

    // On the thread that called Launch, after the child and its three threads have started;
    // a child that ends at once may have been reported (text, even its end) before it.
    virtual void OnLaunched(std::string_view commandLine);
    // A chunk of at most 256 bytes of standard output, every byte as the child wrote it (NUL
    // bytes too), on the output reader thread; also the start failure message, on the
    // thread that called Launch.
    virtual void OnOutputText(std::string_view text);
    // A chunk of at most 256 bytes of standard error, on the error reader thread. May run at
    // the same moment as OnOutputText: the runner takes no lock.
    virtual void OnErrorText(std::string_view text);
    // Once per launched child, on its exit watcher thread, after the child has ended (or
    // Shutdown ended it) and both readers have passed on everything they read; `end` is how.
    virtual void OnFinished(const ChildEnd& end);

private:
    // Everything one launched child holds, and its threads (run/RedirectChild.h).
    struct Child;

    // Creates the child with the given descriptors as its standard output, input and error.
    // Returns the child, or nullptr when it could not be started. Runs on the spawn thread.
    static std::unique_ptr<ChildProcess> SpawnRedirected(std::string_view commandLine, int output,
                                                         int input, int errors, int niceness,
                                                         const ConfinementRules* rules);

    void ReportStartFailure(std::string_view commandLine);
    // Releases children whose threads have all finished, except the caller's own.
    void ReleaseEnded(std::unique_lock<std::mutex>& lock);
    // Under m_lock: sends SIGCONT to a held child's group.
    void ContinueHeld();

    const int m_nNiceness;
    mutable std::mutex m_lock;                       // guards the fields below
    std::unique_ptr<Child> m_pCurrent;               // the child launched last, until replaced
    std::vector<std::unique_ptr<Child>> m_ended;     // ended children not yet released
    std::optional<ConfinementRules> m_confinement;  // for the children launched next
    bool m_bShutDown = false;  // a Shutdown has released everything and nothing ran since
    bool m_bPaused = false;    // the current child's group was sent SIGSTOP and not yet SIGCONT
    // Shutdowns in progress; changed under m_lock, read without it by the exit watchers.
    std::atomic<int> m_nShuttingDown{0};
    // Children are forked from this thread, which lives as long as the runner: the kernel
    // ties "kill the child when its parent dies" to the forking thread, not the process.
    SpawnThread m_spawner;
};
