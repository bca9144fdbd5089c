#include "run/Redirect.h"

#include <signal.h>

#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/process/ChildProcess.h"
#include "platform/process/Pipe.h"
#include "platform/process/ProgramPath.h"
#include "platform/text/CommandLine.h"
#include "run/RedirectChild.h"

namespace {

// The buffer asked for each of a child's output pipes: Linux's limit for a user's pipe.
constexpr std::size_t kPipeBuffer = 1024 * 1024;

}  // namespace

CRedirect::CRedirect(int niceness) : m_nNiceness(niceness) {}

CRedirect::~CRedirect()
{
    // An owner that shut the runner down before its own members went has left a second
    // Shutdown nothing to do.
    bool shutDown = false;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        shutDown = m_bShutDown;
    }
    if (!shutDown)
        Shutdown();
}

void CRedirect::OnLaunched(std::string_view) {}
void CRedirect::OnOutputText(std::string_view) {}
void CRedirect::OnErrorText(std::string_view) {}
void CRedirect::OnFinished(const ChildEnd&) {}

void CRedirect::ReportStartFailure(std::string_view commandLine)
{
    std::string message = "Unable to start ";
    message += commandLine;
    message += '\n';
    OnOutputText(message);
}

void CRedirect::ReleaseEnded(std::unique_lock<std::mutex>&)
{
    const std::thread::id self = std::this_thread::get_id();
    for (auto it = m_ended.begin(); it != m_ended.end();) {
        // Releasing a child joins its watcher. One not done may still be in an OnFinished
        // that calls this runner and so waits for m_lock, held here; and no thread joins
        // itself. Those are left for a later Launch or Shutdown.
        Child& child = **it;
        if (child.m_bWatcherDone.load() && !child.RunsOn(self)) {
            it = m_ended.erase(it);
            continue;
        }
        if (child.m_bEnded.load())
            child.ReleaseDescriptors();
        ++it;
    }
}

std::unique_ptr<ChildProcess> CRedirect::SpawnRedirected(std::string_view commandLine, int output,
                                                         int input, int errors, int niceness,
                                                         const ConfinementRules* rules)
{
    const std::vector<std::string> args = SplitCommandLine(commandLine);
    if (args.empty())
        return nullptr;
    const std::string path = ResolveProgram(args.front());
    if (path.empty())
        return nullptr;
    int error = 0;
    if (!rules)
        return ChildProcess::Spawn(path, args, input, output, errors, error, niceness);
    ConfinementRules own = *rules;
    for (std::string& folder : ProgramFolders(path))
        own.readTrees.push_back(std::move(folder));
    const Confinement confinement = Confinement::Prepare(own);
    return ChildProcess::Spawn(path, args, input, output, errors, error, niceness, &confinement);
}

void CRedirect::Confine(std::optional<ConfinementRules> rules)
{
    std::lock_guard<std::mutex> lock(m_lock);
    m_confinement = std::move(rules);
}

bool CRedirect::Launch(std::string_view commandLine)
{
    std::unique_lock<std::mutex> lock(m_lock);
    if (m_nShuttingDown > 0 || (m_pCurrent && !m_pCurrent->m_bEnded.load())) {
        const char* const reason = m_nShuttingDown > 0 ? "Stopping" : "Busy";
        lock.unlock();
        // Not a start that failed: nothing was tried.
        std::string message = std::string(reason) + ", not started: ";
        message += commandLine;
        message += '\n';
        OnOutputText(message);
        return false;
    }
    if (m_pCurrent)
        m_ended.push_back(std::move(m_pCurrent));
    ReleaseEnded(lock);

    auto child = std::make_unique<Child>();
    PipeEnds input;
    PipeEnds output;
    PipeEnds errors;
    bool ready = child->m_shutdownSignal.Create() && child->m_interrupt.Create() && child->m_drain.Create() &&
                 CreatePipe(input) && CreatePipe(output) && CreatePipe(errors) &&
                 SetNonBlocking(output.read.Get()) && SetNonBlocking(errors.read.Get());
    // An encoder that writes a lot waits less for a reader that is busy passing text on.
    for (const PipeEnds* pipe : {&output, &errors})
        GrowPipe(pipe->read.Get(), kPipeBuffer);
    if (ready) {
        const ConfinementRules* rules = m_confinement ? &*m_confinement : nullptr;
        ready = m_spawner.Run([&] {
            child->m_process = SpawnRedirected(commandLine, output.write.Get(), input.read.Get(),
                                               errors.write.Get(), m_nNiceness, rules);
        });
    }
    // The child holds its own copies now. Without ours the readers see end of file when it
    // ends, and its standard input reads end of file at once.
    input.read.Close();
    input.write.Close();
    output.write.Close();
    errors.write.Close();
    if (!ready || !child->m_process) {
        lock.unlock();
        child.reset();
        ReportStartFailure(commandLine);
        return false;
    }
    child->m_outputSource = std::move(output.read);
    child->m_errorSource = std::move(errors.read);

    try {
        child->StartThreads(*this);
    } catch (const std::system_error&) {
        // Readers already running may call back into Launch: join them unlocked.
        lock.unlock();
        child->m_process->Kill();
        child.reset();
        ReportStartFailure(commandLine);
        return false;
    }
    m_pCurrent = std::move(child);
    m_bShutDown = false;
    m_bPaused = false;
    lock.unlock();
    OnLaunched(commandLine);
    return true;
}

bool CRedirect::IsRunning() const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_pCurrent && !m_pCurrent->m_bEnded.load();
}

void CRedirect::Interrupt()
{
    std::lock_guard<std::mutex> lock(m_lock);
    // A held process takes no SIGINT or SIGTERM until it goes on: they would only wait.
    ContinueHeld();
    if (m_pCurrent && !m_pCurrent->m_bEnded.load())
        m_pCurrent->m_interrupt.Set();
}

void CRedirect::Pause()
{
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_bPaused || !m_pCurrent || m_pCurrent->m_bEnded.load() || !m_pCurrent->m_process)
        return;
    // The group, not the child alone: a shell or an encoder's helper would go on writing.
    m_pCurrent->m_process->SignalGroup(SIGSTOP);
    m_bPaused = true;
}

void CRedirect::Resume()
{
    std::lock_guard<std::mutex> lock(m_lock);
    ContinueHeld();
}

void CRedirect::ContinueHeld()
{
    if (!m_bPaused)
        return;
    m_bPaused = false;
    if (m_pCurrent && m_pCurrent->m_process)
        m_pCurrent->m_process->SignalGroup(SIGCONT);
}

void CRedirect::Shutdown()
{
    std::vector<Child*> children;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        ++m_nShuttingDown;
        // SIGKILL ends the child held or not, but what it started would stay held.
        ContinueHeld();
        if (m_pCurrent)
            m_ended.push_back(std::move(m_pCurrent));
        for (const auto& child : m_ended)
            children.push_back(child.get());
    }
    const std::thread::id self = std::this_thread::get_id();

    // No fixed waits: the shutdown signal wakes each watcher at once, and the join is the
    // wait for it. The watcher joins its readers and closes the pipes before it calls
    // OnFinished.
    for (Child* child : children)
        child->m_shutdownSignal.Set();
    for (Child* child : children)
        if (!child->RunsOn(self))
            child->JoinWatcher();

    for (Child* child : children) {
        if (child->m_process) {
            child->m_process->Kill();
            child->m_process->Reap();
        }
    }

    // Before Launch is allowed again: a child forked by the old spawn thread would die
    // with it.
    m_spawner.Stop();

    // A Shutdown run from a notification (nested in another one, or ours nested in it)
    // holds pointers to these children: only the last one out releases them.
    std::vector<std::unique_ptr<Child>> released;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        if (--m_nShuttingDown == 0) {
            for (auto it = m_ended.begin(); it != m_ended.end();) {
                if (!(*it)->RunsOn(self)) {
                    released.push_back(std::move(*it));
                    it = m_ended.erase(it);
                } else {
                    ++it;
                }
            }
            m_bShutDown = m_ended.empty() && !m_pCurrent;
        }
    }
    released.clear();
}
