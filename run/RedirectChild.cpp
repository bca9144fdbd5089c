#include "run/RedirectChild.h"

#include <signal.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <string_view>
#include <vector>

namespace {

constexpr std::size_t kChunk = 256;
// The most one read of a pipe takes: a pipe's whole buffer, as Linux sizes it by default.
constexpr std::size_t kReadBlock = 64 * 1024;
// How long an interrupted child has to end after each polite signal before the next one.
constexpr int kInterruptStepMs = 2000;
// How long the end of a child waits for end of file on its pipes: only a grandchild that
// inherited them keeps them open that long.
constexpr auto kGrace = std::chrono::milliseconds(200);

// Passes on every chunk until end of file. Once `drain` is set it passes on only what is
// in the pipe at that moment, so a grandchild that keeps writing cannot hold it.
template <typename Notify>
void ReadPipe(int fd, const Event& drain, Notify notify)
{
    // Whatever waits is read at once and passed on in chunks: a read per chunk took the pipe's
    // lock from the writing child for every 256 bytes, and a child that writes a lot spent
    // more time waiting for that lock than writing.
    std::vector<char> buffer(kReadBlock);
    bool draining = false;
    std::size_t left = 0;
    for (;;) {
        if (!draining && drain.IsSet()) {
            draining = true;
            left = BytesWaiting(fd);
        }
        std::size_t want = buffer.size();
        if (draining) {
            if (left == 0)
                return;
            want = std::min(left, want);
        }
        std::size_t count = 0;
        switch (ReadSome(fd, buffer.data(), want, count)) {
        case ReadStatus::Data:
            if (draining)
                left -= count;
            for (std::size_t at = 0; at < count; at += kChunk)
                notify(std::string_view(buffer.data() + at, std::min(kChunk, count - at)));
            break;
        case ReadStatus::Empty:
            if (draining)
                return;
            WaitReadableOr(fd, drain);
            break;
        case ReadStatus::EndOfFile:
        case ReadStatus::Failed:
            return;
        }
    }
}

// Waits for the child's end or the shutdown signal. Once the interrupt event is set, the
// child is asked to end by ever firmer signals, each given its time; the shutdown signal
// still wins over all of it. True when the child ended by itself or by those signals;
// `interrupted` tells whether a signal went to it.
bool WaitForEnd(const ChildProcess& process, const Event& shutdown, const Event& interrupt,
                bool& interrupted)
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
        switch (process.WaitEndOr(shutdown, sent == 0 ? &interrupt : nullptr, timeoutMs)) {
        case ChildProcess::Wake::Ended:
            // A Shutdown that cannot join this watcher (it runs on the child's own reader)
            // kills the child right after setting the signal: that end is the Shutdown's.
            return !shutdown.IsSet();
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

void CRedirect::Child::StartThreads(CRedirect& runner)
{
    m_outputReader = std::thread(&Child::ReadOutput, this, std::ref(runner));
    m_threadIds[0] = m_outputReader.get_id();
    m_errorReader = std::thread(&Child::ReadErrors, this, std::ref(runner));
    m_threadIds[1] = m_errorReader.get_id();
    m_exitWatcher = std::thread(&Child::WatchEnd, this, std::ref(runner));
    m_threadIds[2] = m_exitWatcher.get_id();
}

bool CRedirect::Child::RunsOn(std::thread::id id) const
{
    return std::find(std::begin(m_threadIds), std::end(m_threadIds), id) != std::end(m_threadIds);
}

void CRedirect::Child::ReleaseDescriptors()
{
    m_shutdownSignal.Close();
    m_interrupt.Close();
    m_drain.Close();
    m_process.reset();
}

void CRedirect::Child::JoinWatcher()
{
    std::call_once(m_watcherJoined, [this] {
        if (m_exitWatcher.joinable())
            m_exitWatcher.join();
    });
}

CRedirect::Child::~Child()
{
    m_drain.Set();
    m_shutdownSignal.Set();
    JoinWatcher();
    for (std::thread* reader : {&m_outputReader, &m_errorReader})
        if (reader->joinable())
            reader->join();
    // ~ChildProcess kills and reaps a child that is still there.
}

void CRedirect::Child::NoteReaderDone()
{
    std::lock_guard<std::mutex> lock(m_doneLock);
    ++m_nReadersDone;
    m_readerDone.notify_all();
}

void CRedirect::Child::ReadOutput(CRedirect& runner)
{
    ReadPipe(m_outputSource.Get(), m_drain, [&runner](std::string_view text) { runner.OnOutputText(text); });
    NoteReaderDone();
}

void CRedirect::Child::ReadErrors(CRedirect& runner)
{
    ReadPipe(m_errorSource.Get(), m_drain, [&runner](std::string_view text) { runner.OnErrorText(text); });
    NoteReaderDone();
}

void CRedirect::Child::WatchEnd(CRedirect& runner)
{
    bool interrupted = false;
    ChildEnd end;
    if (WaitForEnd(*m_process, m_shutdownSignal, m_interrupt, interrupted)) {
        const ProcessEnd ended = m_process->Reap();
        end = {ended.bSignalled ? ChildEnd::Kind::Signalled : ChildEnd::Kind::Exited, ended.code,
               interrupted};
        std::unique_lock<std::mutex> lock(m_doneLock);
        m_readerDone.wait_for(lock, kGrace, [this] { return m_nReadersDone == 2; });
    }
    m_drain.Set();
    m_outputReader.join();
    m_errorReader.join();
    m_outputSource.Close();
    m_errorSource.Close();
    m_bEnded.store(true);
    // A Shutdown running now, or one that has come and gone (from a reader, which it could
    // not join), has reached this child even when it ended by itself.
    end.bShutdown = runner.m_nShuttingDown.load() > 0 || m_shutdownSignal.IsSet();
    runner.OnFinished(end);
    m_bWatcherDone.store(true);
}
