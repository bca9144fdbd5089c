#include "run/Redirect.h"

#include <signal.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/process/ChildProcess.h"
#include "platform/text/CommandLine.h"
#include "platform/process/Event.h"
#include "platform/process/Pipe.h"
#include "platform/process/ProgramPath.h"

namespace {

constexpr std::size_t kChunk = 256;
// The most one read of a pipe takes: a pipe's whole buffer, as Linux sizes it by default.
constexpr std::size_t kReadBlock = 64 * 1024;
// The buffer asked for each of a child's output pipes: Linux's limit for a user's pipe.
constexpr std::size_t kPipeBuffer = 1024 * 1024;
// How long an interrupted child has to end after each polite signal before the next one.
constexpr int kInterruptStepMs = 2000;
// How long the end of a child waits for end of file on its pipes: only a grandchild that
// inherited them keeps them open that long.
constexpr auto kGrace = std::chrono::milliseconds(200);

}  // namespace

thread_local const CRedirect* CRedirect::s_pFinishingRunner = nullptr;
thread_local const CRedirect::Child* CRedirect::s_pFinishingChild = nullptr;

struct CRedirect::Child {
    Event m_stopSignal;   // set by Shutdown; wakes the exit watcher
    Event m_interrupt;    // set by Interrupt; the exit watcher asks the child to end
    Event m_readersStop;  // set by the exit watcher: pass on what is waiting, then end
    UniqueFd m_outputSource;
    UniqueFd m_errorSource;
    std::unique_ptr<ChildProcess> m_process;
    std::thread m_outputReader;
    std::thread m_errorReader;
    std::thread m_exitWatcher;
    std::thread::id m_threadIds[3];

    std::mutex m_doneLock;
    std::condition_variable m_readerDone;
    int m_nReadersDone = 0;

    ChildEnd m_end;                            // written by the watcher before OnFinished
    std::atomic<bool> m_bEnded{false};         // OnFinished is due or under way
    std::atomic<bool> m_bWatcherDone{false};   // the watcher has nothing left to do
    std::once_flag m_watcherJoined;            // two Shutdowns may reach it at once

    bool RunsOn(std::thread::id id) const
    {
        for (const std::thread::id& own : m_threadIds)
            if (own == id)
                return true;
        return false;
    }

    // Once the watcher has joined the readers and reaped the child, only the watcher's
    // thread is left, and it may be the caller (Launch from OnFinished).
    void ReleaseDescriptors()
    {
        m_stopSignal.Close();
        m_interrupt.Close();
        m_readersStop.Close();
        m_process.reset();
    }

    void JoinWatcher()
    {
        std::call_once(m_watcherJoined, [this] {
            if (m_exitWatcher.joinable())
                m_exitWatcher.join();
        });
    }

    // Not on one of this child's own threads. The watcher joins the readers; they are
    // joined here only when the watcher could not be started.
    ~Child()
    {
        m_readersStop.Set();
        m_stopSignal.Set();
        JoinWatcher();
        for (std::thread* reader : {&m_outputReader, &m_errorReader})
            if (reader->joinable())
                reader->join();
        // ~ChildProcess kills and reaps a child that is still there.
    }
};

CRedirect::CRedirect(int niceness) : m_nNiceness(niceness) {}

CRedirect::~CRedirect()
{
    // An owner that stopped the runner before its own members went has left nothing to
    // stop: a second stop sequence would only make the program's end wait 800 ms longer.
    bool stopped = false;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        stopped = m_bStopped;
    }
    if (!stopped)
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
        // A watcher still in OnFinished may be waiting for this very thread (a window call
        // marshalled to it); it is left for a later Launch or Shutdown.
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
    if (m_nStopping > 0 || (m_pCurrent && !m_pCurrent->m_bEnded.load())) {
        const char* const reason = m_nStopping > 0 ? "Stopping" : "Busy";
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
    bool ready = child->m_stopSignal.Create() && child->m_interrupt.Create() && child->m_readersStop.Create() &&
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

    Child* const raw = child.get();
    try {
        child->m_outputReader = std::thread(&CRedirect::OutputReaderMain, this, raw);
        child->m_threadIds[0] = child->m_outputReader.get_id();
        child->m_errorReader = std::thread(&CRedirect::ErrorReaderMain, this, raw);
        child->m_threadIds[1] = child->m_errorReader.get_id();
        child->m_exitWatcher = std::thread(&CRedirect::ExitWatcherMain, this, raw);
        child->m_threadIds[2] = child->m_exitWatcher.get_id();
    } catch (const std::system_error&) {
        // Readers already running may call back into Launch: join them unlocked.
        lock.unlock();
        child->m_process->Kill();
        child.reset();
        ReportStartFailure(commandLine);
        return false;
    }
    m_pCurrent = std::move(child);
    m_bStopped = false;
    m_bPaused = false;
    lock.unlock();
    OnLaunched(commandLine);
    return true;
}

namespace {

// Passes on every chunk until end of file. Once `stop` is set it passes on only what is
// in the pipe at that moment, so a grandchild that keeps writing cannot hold it.
template <typename Notify>
void ReadPipe(int fd, const Event& stop, Notify notify)
{
    // Whatever waits is read at once and passed on in chunks: a read per chunk took the pipe's
    // lock from the writing child for every 256 bytes, and a child that writes a lot spent
    // more time waiting for that lock than writing.
    std::vector<char> buffer(kReadBlock);
    bool stopping = false;
    std::size_t left = 0;
    for (;;) {
        if (!stopping && stop.IsSet()) {
            stopping = true;
            left = BytesWaiting(fd);
        }
        std::size_t want = buffer.size();
        if (stopping) {
            if (left == 0)
                return;
            want = std::min(left, want);
        }
        std::size_t count = 0;
        switch (ReadSome(fd, buffer.data(), want, count)) {
        case ReadStatus::Data:
            if (stopping)
                left -= count;
            for (std::size_t at = 0; at < count; at += kChunk)
                notify(std::string_view(buffer.data() + at, std::min(kChunk, count - at)));
            break;
        case ReadStatus::Empty:
            if (stopping)
                return;
            WaitReadableOr(fd, stop);
            break;
        case ReadStatus::EndOfFile:
        case ReadStatus::Failed:
            return;
        }
    }
}

}  // namespace

void CRedirect::OutputReaderMain(CRedirect* runner, Child* child)
{
    ReadPipe(child->m_outputSource.Get(), child->m_readersStop,
             [runner](std::string_view text) { runner->OnOutputText(text); });
    std::lock_guard<std::mutex> lock(child->m_doneLock);
    ++child->m_nReadersDone;
    child->m_readerDone.notify_all();
}

void CRedirect::ErrorReaderMain(CRedirect* runner, Child* child)
{
    ReadPipe(child->m_errorSource.Get(), child->m_readersStop,
             [runner](std::string_view text) { runner->OnErrorText(text); });
    std::lock_guard<std::mutex> lock(child->m_doneLock);
    ++child->m_nReadersDone;
    child->m_readerDone.notify_all();
}

namespace {

// Waits for the child's end or the stop signal. Once the interrupt event is set, the child is
// asked to end by ever firmer signals, each given its time; the stop signal still wins over
// all of it. True when the child ended; `interrupted` tells whether a signal went to it.
bool WaitForEnd(const ChildProcess& process, const Event& stop, const Event& interrupt, bool& interrupted)
{
    using Clock = std::chrono::steady_clock;
    constexpr int kSignals[] = {SIGINT, SIGTERM, SIGKILL};
    std::size_t sent = 0;
    Clock::time_point next{};
    for (;;) {
        int timeoutMs = -1;
        if (sent > 0 && sent < std::size(kSignals)) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(next - Clock::now());
            timeoutMs = static_cast<int>(std::max<long long>(0, left.count()));
        }
        switch (process.WaitEndOr(stop, sent == 0 ? &interrupt : nullptr, timeoutMs)) {
        case ChildProcess::Wake::Ended:
            // A Shutdown that cannot join this watcher (it runs on the child's own reader)
            // kills the child right after setting the stop: that end is the stop's.
            return !stop.IsSet();
        case ChildProcess::Wake::Stopped:
            return false;
        case ChildProcess::Wake::Other:
        case ChildProcess::Wake::TimedOut:
            interrupted = true;
            process.Signal(kSignals[sent++]);
            next = Clock::now() + std::chrono::milliseconds(kInterruptStepMs);
            break;
        }
    }
}

}  // namespace

void CRedirect::ExitWatcherMain(CRedirect* runner, Child* child)
{
    bool interrupted = false;
    const bool ended = WaitForEnd(*child->m_process, child->m_stopSignal, child->m_interrupt, interrupted);
    if (ended) {
        const ProcessEnd end = child->m_process->Reap();
        child->m_end = {end.bSignalled ? ChildEnd::Kind::Signalled : ChildEnd::Kind::Exited,
                        end.code, interrupted};
        std::unique_lock<std::mutex> lock(child->m_doneLock);
        child->m_readerDone.wait_for(lock, kGrace, [child] { return child->m_nReadersDone == 2; });
    }
    child->m_readersStop.Set();
    child->m_outputReader.join();
    child->m_errorReader.join();
    child->m_outputSource.Close();
    child->m_errorSource.Close();
    child->m_bEnded.store(true);
    s_pFinishingRunner = runner;
    s_pFinishingChild = child;
    ChildEnd end = child->m_end;
    end.bShutdown = runner->m_nStopping.load() > 0 || child->m_stopSignal.IsSet();
    runner->OnFinished(end);
    s_pFinishingRunner = nullptr;
    s_pFinishingChild = nullptr;
    child->m_bWatcherDone.store(true);
}

bool CRedirect::IsRunning() const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_pCurrent && !m_pCurrent->m_bEnded.load();
}

void CRedirect::Interrupt()
{
    std::lock_guard<std::mutex> lock(m_lock);
    // A stopped process takes no SIGINT or SIGTERM until it goes on: they would only wait.
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
        ++m_nStopping;
        // SIGKILL ends the child stopped or not, but what it started would stay stopped.
        ContinueHeld();
        if (m_pCurrent)
            m_ended.push_back(std::move(m_pCurrent));
        for (const auto& child : m_ended)
            children.push_back(child.get());
    }
    const std::thread::id self = std::this_thread::get_id();

    // No fixed waits: the stop signal wakes each watcher at once, and the join is the wait
    // for it. The watcher joins its readers and closes the pipes before it calls OnFinished.
    for (Child* child : children)
        child->m_stopSignal.Set();
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
        if (--m_nStopping == 0) {
            for (auto it = m_ended.begin(); it != m_ended.end();) {
                if (!(*it)->RunsOn(self)) {
                    released.push_back(std::move(*it));
                    it = m_ended.erase(it);
                } else {
                    ++it;
                }
            }
            m_bStopped = m_ended.empty() && !m_pCurrent;
        }
    }
    released.clear();
}

std::optional<CRedirect::ChildEnd> CRedirect::FinishedChild() const
{
    if (s_pFinishingRunner != this)
        return std::nullopt;
    return s_pFinishingChild->m_end;
}

bool CRedirect::StopRequested() const
{
    if (m_nStopping.load() > 0)
        return true;
    return s_pFinishingRunner == this && s_pFinishingChild->m_stopSignal.IsSet();
}
