#include "run/ConversionRun.h"

#include <utility>

#include "platform/text/CommandLine.h"
#include "platform/text/FileSystem.h"
#include "platform/text/RunFolder.h"
#include "platform/text/ShellPath.h"

ConversionRun::ConversionRun(std::function<void()> changed, std::function<void(std::string_view)> debugOutput,
                             MediaReader reader)
    : m_changed(std::move(changed)), m_debugOutput(std::move(debugOutput)), m_reader(std::move(reader))
{
}

ConversionRun::~ConversionRun()
{
    Shutdown();
}

void ConversionRun::Changed()
{
    if (m_changed)
        m_changed();
}

bool ConversionRun::Start(RunPlan plan)
{
    std::vector<RunPlan> files;
    files.push_back(std::move(plan));
    return Start(std::move(files));
}

bool ConversionRun::Start(std::vector<RunPlan> files)
{
    {
        std::unique_lock<std::mutex> step(m_stepLock);
        // A plan whose first command is empty runs nothing at all.
        if (IsGoing(m_state) || files.empty() ||
            files.front().commands.empty() || files.front().commands.front().empty()) {
            for (const RunPlan& plan : files)
                RemoveRunFolder(plan.runFolder);
            return false;
        }
        JoinSourceReader();
        m_files = std::move(files);
        m_nFile = 0;
        m_bStopRequested = false;
        m_bShutdown = false;
        {
            boost::mutex::scoped_lock lock(m_stateLock);
            m_state = RunState::Running;
            m_outcomes.clear();
            m_where = RunProgress{};
            m_where.files = m_files.size();
            m_where.started = RunClock::now();
            std::lock_guard<std::mutex> sources(m_sourcesLock);
            m_sources.assign(m_files.size(), std::nullopt);
            m_bSourcesDone = !m_reader;
        }
        // Beside the first command, never before it: a slow disk must not hold the start.
        m_bCancelReading = false;
        if (m_reader)
            m_sourceReader = std::thread(&ConversionRun::ReadSources, this);
        if (!StartFile())
            NextFileOrEnd();
    }
    Changed();
    return true;
}

void ConversionRun::ReadSources()
{
    for (std::size_t i = 0; i < m_files.size() && !m_bCancelReading; ++i) {
        const std::optional<FileFacts> facts = m_reader(m_files[i].source, m_bCancelReading);
        {
            boost::mutex::scoped_lock lock(m_stateLock);
            {
                std::lock_guard<std::mutex> sources(m_sourcesLock);
                m_sources[i] = facts;
            }
            if (i == m_where.file && facts && facts->seconds)
                m_progress.KnowLength(*facts->seconds);
        }
        m_sourceRead.notify_all();
        Changed();
    }
    {
        std::lock_guard<std::mutex> sources(m_sourcesLock);
        m_bSourcesDone = true;
    }
    m_sourceRead.notify_all();
}

std::optional<FileFacts> ConversionRun::SourceOf(std::size_t index)
{
    std::unique_lock<std::mutex> sources(m_sourcesLock);
    m_sourceRead.wait(sources, [&] { return m_bSourcesDone || m_sources[index].has_value(); });
    return m_sources[index] ? *m_sources[index] : std::nullopt;
}

void ConversionRun::JoinSourceReader()
{
    if (!m_sourceReader.joinable())
        return;
    m_bCancelReading = true;
    m_sourceReader.join();
}

bool ConversionRun::StartFile()
{
    const RunPlan& plan = m_files[m_nFile];
    m_nCursor = 0;
    while (m_nCursor < plan.commands.size() && plan.commands[m_nCursor].empty())
        ++m_nCursor;
    std::size_t steps = 0;
    for (const std::u16string& command : plan.commands)
        steps += !command.empty();
    m_bEarlierOutput = PathFileExistsW(plan.output);
    {
        boost::mutex::scoped_lock lock(m_stateLock);
        m_outputDecoder.Reset();
        m_errorDecoder.Reset();
        m_strPrevChunk.clear();
        m_strLastChunk.clear();
        m_progress.BeginRun(steps);
        {
            std::lock_guard<std::mutex> sources(m_sourcesLock);
            const SourceFacts& facts = m_sources[m_nFile];
            if (facts && *facts && (*facts)->seconds)
                m_progress.KnowLength(*(*facts)->seconds);
        }
        m_outcome = RunOutcome{};
        m_outcome.steps = steps;
        m_outcome.source = plan.source;
        m_outcome.output = plan.output;
        m_outcome.bAudioOnly = !plan.bWantVideo;
        m_where.file = m_nFile;
        m_where.source = plan.source;
        m_where.step = 0;
        m_where.steps = steps;
    }
    if (m_nCursor >= plan.commands.size()) {
        // Nothing to run for this file: it ends as a run whose commands wrote nothing.
        std::unique_lock<std::mutex> none;
        EndFile(none, false);
        return false;
    }
    return LaunchAtCursor();
}

bool ConversionRun::LaunchAtCursor()
{
    const std::string line = EncodeUtf8(m_files[m_nFile].commands[m_nCursor]);
    // Past this command before its end can come back here.
    ++m_nCursor;
    {
        boost::mutex::scoped_lock lock(m_stateLock);
        m_where.program = DecodeUtf8(BareProgramName(ProgramWord(line)));
        m_where.lastOutput = RunClock::now();
    }
    if (m_debugOutput)
        m_debugOutput(line);
    if (m_runner.Launch(line))
        return true;
    // A command that cannot start ends its file: nothing else would ever end it.
    {
        boost::mutex::scoped_lock lock(m_stateLock);
        NoteFailure(RunOutcome::Kind::NotStarted, 0);
    }
    std::unique_lock<std::mutex> none;
    EndFile(none, false);
    return false;
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
        m_where.lastOutput = RunClock::now();
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
    m_outcome.step = m_where.step + 1;
    m_outcome.program = m_where.program;
}

void ConversionRun::OnChildEnded(std::optional<CRedirect::ChildEnd> end, bool shutdown)
{
    // The forced end finishes the run itself, once every thread is joined.
    if (shutdown || !end)
        return;
    {
        std::unique_lock<std::mutex> step(m_stepLock);
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
        const std::vector<std::u16string>& commands = m_files[m_nFile].commands;
        while (m_nCursor < commands.size() && commands[m_nCursor].empty())
            ++m_nCursor;
        const bool last = m_nCursor >= commands.size();
        // A stop that came after a file's last child had ended well by itself has nothing left
        // to stop of that file: it is whole, and it is put in place as it would have been.
        if (m_bStopRequested && (interrupted || !(last && wentWell))) {
            EndFile(step, true);
            FinishRun();
        } else if (last) {
            EndFile(step, false);
            NextFileOrEnd();
        } else {
            {
                boost::mutex::scoped_lock lock(m_stateLock);
                m_progress.BeginStage(++m_where.step);
            }
            if (!LaunchAtCursor())
                NextFileOrEnd();
        }
    }
    Changed();
}

void ConversionRun::EndFile(std::unique_lock<std::mutex>& step, bool stopped)
{
    const RunPlan& plan = m_files[m_nFile];
    RunOutcome outcome;
    {
        boost::mutex::scoped_lock lock(m_stateLock);
        outcome = m_outcome;
    }
    bool replaced = false;
    if (stopped) {
        outcome.kind = RunOutcome::Kind::Stopped;
        outcome.step = m_where.step + 1;
    } else if (outcome.kind == RunOutcome::Kind::NoOutput) {
        // Every command went well; the file it was all for decides.
        const std::optional<std::uintmax_t> size = RegularFileSize(plan.written);
        if (size && *size > 0) {
            if (m_reader) {
                // Encoders exit 0 for a source they cut short: the new file is read back
                // first. Not under the lock, so that a Stop meanwhile finds it free; the
                // files and the file's index change only on this thread.
                const bool unlocked = step.owns_lock();
                if (unlocked)
                    step.unlock();
                const std::optional<FileFacts> written = m_reader(plan.written, m_bCancelReading);
                const std::optional<FileFacts> source = SourceOf(m_nFile);
                if (unlocked)
                    step.lock();
                outcome.doubt = JudgeOutput(written, source, plan.bWantVideo, plan.bWantAudio);
                if (written)
                    outcome.seconds = written->seconds;
                if (source)
                    outcome.sourceSeconds = source->seconds;
            }
            switch (ReplaceFile(plan.written, plan.output)) {
            case Replaced::Yes:
                outcome.kind = RunOutcome::Kind::Written;
                outcome.size = *size;
                break;
            case Replaced::NotMoved:
                outcome.kind = RunOutcome::Kind::NotMoved;
                break;
            case Replaced::NotSynced:
                outcome.kind = RunOutcome::Kind::NotSynced;
                break;
            case Replaced::FolderNotSynced:
                // The new file took the earlier one's place, but a power loss may still undo it.
                outcome.kind = RunOutcome::Kind::NotSynced;
                outcome.size = *size;
                replaced = true;
                break;
            }
        }
    }
    RemoveRunFolder(plan.runFolder);
    if (outcome.kind != RunOutcome::Kind::Written)
        outcome.bEarlierKept = !replaced && m_bEarlierOutput && PathFileExistsW(plan.output);

    boost::mutex::scoped_lock lock(m_stateLock);
    if (outcome.kind == RunOutcome::Kind::Written)
        m_progress.CompleteRun();
    m_outcomes.push_back(outcome);
}

void ConversionRun::NextFileOrEnd()
{
    // A failed file does not stop the others; a stop, or the program's end, does.
    while (!m_bStopRequested && !m_bShutdown && m_nFile + 1 < m_files.size()) {
        ++m_nFile;
        if (StartFile())
            return;
    }
    FinishRun();
}

void ConversionRun::FinishRun()
{
    // The files a stop left untouched had their folders made all the same.
    for (std::size_t i = m_nFile + 1; i < m_files.size(); ++i)
        RemoveRunFolder(m_files[i].runFolder);
    JoinSourceReader();
    boost::mutex::scoped_lock lock(m_stateLock);
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
    m_bShutdown = true;
    m_bCancelReading = true;
    // Not under m_stepLock: an exit watcher waiting for it would never be joined.
    m_runner.Shutdown();
    bool ended = false;
    {
        std::unique_lock<std::mutex> step(m_stepLock);
        if (IsGoing(m_state)) {
            // The file under way has no outcome yet: its end never came, or came with the
            // stop and was left to this.
            EndFile(step, true);
            FinishRun();
            ended = true;
        }
        JoinSourceReader();
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
    snapshot.progress = m_where;
    // A window draws many snapshots a second and needs the outcomes only at the end.
    if (m_state == RunState::Ended)
        snapshot.outcomes = m_outcomes;

    // Each file's share of the bar: its length's share of them all once every length is
    // known, an equal share until then.
    const std::size_t files = m_where.files;
    if (files == 0)
        return snapshot;
    std::vector<double> shares(files, 1.0 / static_cast<double>(files));
    {
        std::lock_guard<std::mutex> sources(m_sourcesLock);
        double total = 0;
        bool all = true;
        for (const SourceFacts& facts : m_sources) {
            if (facts && *facts && (*facts)->seconds && *(*facts)->seconds > 0)
                total += *(*facts)->seconds;
            else
                all = false;
        }
        if (all && total > 0) {
            for (std::size_t i = 0; i < files; ++i)
                shares[i] = *(*m_sources[i])->seconds / total;
        }
    }
    double before = 0;
    for (std::size_t i = 0; i < m_where.file && i < files; ++i)
        before += shares[i];
    if (const std::optional<int> percent = m_progress.Percent())
        snapshot.progress.percent = static_cast<int>((before + shares[m_where.file] * *percent / 100) * 100 + 1e-9);
    else if (m_where.file > 0)
        snapshot.progress.percent = static_cast<int>(before * 100 + 1e-9);
    return snapshot;
}

RunState ConversionRun::State() const
{
    return m_state.load();
}

std::vector<std::u16string> ConversionRun::Commands() const
{
    std::lock_guard<std::mutex> step(m_stepLock);
    return m_files.empty() ? std::vector<std::u16string>{} : m_files[m_nFile].commands;
}
