#include "run/ConversionRun.h"

#include <utility>

#include "platform/text/CommandLine.h"
#include "platform/text/FileSystem.h"

ConversionRun::ConversionRun(std::function<void()> changed, std::function<void(std::string_view)> debugOutput)
    : m_changed(std::move(changed)), m_debugOutput(std::move(debugOutput))
{
}

ConversionRun::~ConversionRun()
{
    Shutdown();
}

bool ConversionRun::Start(RunPlan plan)
{
    {
        std::lock_guard<std::mutex> step(m_stepLock);
        std::size_t steps = 0;
        for (const std::u16string& command : plan.commands)
            steps += !command.empty();
        bool going = false;
        {
            boost::mutex::scoped_lock lock(m_stateLock);
            going = m_state == RunState::Running || m_state == RunState::Stopping;
        }
        // A plan whose first command is empty runs nothing at all.
        if (going || plan.commands.empty() || plan.commands.front().empty()) {
            RemoveRunFolder(plan.runFolder);
            return false;
        }
        m_plan = std::move(plan);
        m_nCursor = 0;
        m_bStopRequested = false;
        m_bEarlierOutput = PathHoldsAnything(m_plan.output);
        {
            boost::mutex::scoped_lock lock(m_stateLock);
            m_state = RunState::Running;
            m_outputDecoder.Reset();
            m_errorDecoder.Reset();
            m_strPrevChunk.clear();
            m_strLastChunk.clear();
            m_progress.BeginRun(steps);
            m_outcome = RunOutcome{};
            m_outcome.steps = steps;
            m_outcome.output = m_plan.output;
            m_nStep = 0;
        }
        LaunchAtCursor();
    }
    Changed();
    return true;
}

void ConversionRun::Changed()
{
    if (m_changed)
        m_changed();
}

void ConversionRun::LaunchAtCursor()
{
    const std::string line = EncodeUtf8(m_plan.commands[m_nCursor]);
    // Past this command before its end can come back here.
    ++m_nCursor;
    {
        boost::mutex::scoped_lock lock(m_stateLock);
        m_strProgram = DecodeUtf8(BareProgramName(ProgramWord(line)));
    }
    if (m_debugOutput)
        m_debugOutput(line);
    // A command that cannot start ends the run: nothing else would ever end it.
    if (!m_runner.Launch(line)) {
        {
            boost::mutex::scoped_lock lock(m_stateLock);
            NoteFailure(RunOutcome::Kind::NotStarted, 0);
        }
        EndRun(false);
    }
}

void ConversionRun::OnChunk(OutputStream stream, std::string_view bytes)
{
    if (m_debugOutput)
        m_debugOutput(bytes);
    {
        boost::mutex::scoped_lock lock(m_stateLock);
        m_strPrevChunk.swap(m_strLastChunk);
        m_strLastChunk.clear();
        (stream == OutputStream::Output ? m_outputDecoder : m_errorDecoder).Decode(bytes, m_strLastChunk);
        m_progress.Feed(stream, bytes);
    }
    Changed();
}

void ConversionRun::NoteFailure(RunOutcome::Kind kind, int code)
{
    // What follows the first failure often fails because of it. Until the end, anything but
    // NoOutput is a failure already noted.
    if (m_outcome.kind != RunOutcome::Kind::NoOutput)
        return;
    m_outcome.kind = kind;
    m_outcome.code = code;
    m_outcome.step = m_nStep + 1;
    m_outcome.program = m_strProgram;
}

void ConversionRun::OnChildEnded(std::optional<CRedirect::ChildEnd> end, bool shutdown)
{
    // The forced end finishes the run itself, once every thread is joined.
    if (shutdown || !end)
        return;
    {
        std::lock_guard<std::mutex> step(m_stepLock);
        const bool interrupted = end->bInterrupted;
        const bool wentWell = end->kind == CRedirect::ChildEnd::Kind::Exited && end->code == 0;
        {
            boost::mutex::scoped_lock lock(m_stateLock);
            // A character a child cut off at its end shows as U+FFFD and is not glued to the
            // next child's first bytes.
            for (Utf8Decoder* decoder : {&m_outputDecoder, &m_errorDecoder}) {
                m_strLastChunk += decoder->Finish();
                decoder->Reset();
            }
            // An interrupted child's end is the stop's doing, not a failure of its own.
            if (!interrupted && end->kind == CRedirect::ChildEnd::Kind::Signalled)
                NoteFailure(RunOutcome::Kind::Signalled, end->code);
            else if (!interrupted && !wentWell)
                NoteFailure(RunOutcome::Kind::Exited, end->code);
        }
        while (m_nCursor < m_plan.commands.size() && m_plan.commands[m_nCursor].empty())
            ++m_nCursor;
        const bool last = m_nCursor >= m_plan.commands.size();
        // A stop that came after the last child had ended well by itself has nothing left
        // to stop: the conversion is whole, and the run ends as it would have.
        if (m_bStopRequested && (interrupted || !(last && wentWell))) {
            EndRun(true);
        } else if (last) {
            EndRun(false);
        } else {
            {
                boost::mutex::scoped_lock lock(m_stateLock);
                m_progress.BeginStage(++m_nStep);
            }
            LaunchAtCursor();
        }
    }
    Changed();
}

void ConversionRun::EndRun(bool stopped)
{
    RunOutcome outcome;
    {
        boost::mutex::scoped_lock lock(m_stateLock);
        outcome = m_outcome;
    }
    if (stopped) {
        outcome.kind = RunOutcome::Kind::Stopped;
        outcome.step = m_nStep + 1;
    } else if (outcome.kind == RunOutcome::Kind::NoOutput) {
        // Every command went well; the file it was all for decides.
        const std::optional<std::uintmax_t> size = RegularFileSize(m_plan.written);
        if (size && *size > 0) {
            if (ReplaceFile(m_plan.written, m_plan.output)) {
                outcome.kind = RunOutcome::Kind::Written;
                outcome.size = *size;
            } else {
                outcome.kind = RunOutcome::Kind::NotMoved;
            }
        }
    }
    RemoveRunFolder(m_plan.runFolder);
    if (outcome.kind != RunOutcome::Kind::Written)
        outcome.bEarlierKept = m_bEarlierOutput && PathHoldsAnything(m_plan.output);

    boost::mutex::scoped_lock lock(m_stateLock);
    m_outcome = outcome;
    if (outcome.kind == RunOutcome::Kind::Written)
        m_progress.CompleteRun();
    m_state = RunState::Ended;
}

void ConversionRun::Stop()
{
    {
        std::lock_guard<std::mutex> step(m_stepLock);
        {
            boost::mutex::scoped_lock lock(m_stateLock);
            if (m_state != RunState::Running)
                return;
            m_state = RunState::Stopping;
        }
        m_bStopRequested = true;
        m_runner.Interrupt();
    }
    Changed();
}

void ConversionRun::Shutdown()
{
    // Not under m_stepLock: an exit watcher waiting for it would never be joined.
    m_runner.Shutdown();
    bool ended = false;
    {
        std::lock_guard<std::mutex> step(m_stepLock);
        bool going = false;
        {
            boost::mutex::scoped_lock lock(m_stateLock);
            going = m_state == RunState::Running || m_state == RunState::Stopping;
        }
        if (going) {
            EndRun(true);
            ended = true;
        }
    }
    if (ended)
        Changed();
}

RunSnapshot ConversionRun::Snapshot() const
{
    RunSnapshot snapshot;
    boost::mutex::scoped_lock lock(m_stateLock);
    snapshot.state = m_state;
    snapshot.text.reserve(m_strPrevChunk.size() + m_strLastChunk.size());
    snapshot.text = m_strPrevChunk;
    snapshot.text += m_strLastChunk;
    snapshot.percent = m_progress.Percent();
    if (m_state == RunState::Ended)
        snapshot.outcome = m_outcome;
    return snapshot;
}

RunState ConversionRun::State() const
{
    return m_state.load();
}

std::vector<std::u16string> ConversionRun::Commands() const
{
    std::lock_guard<std::mutex> step(m_stepLock);
    return m_plan.commands;
}
