#include "run/FileJob.h"

#include <utility>

#include "platform/text/CommandLine.h"
#include "platform/text/FileSystem.h"
#include "platform/text/RunFolder.h"
#include "platform/text/ShellPath.h"

std::vector<std::u16string> PlannedCommands(const std::vector<std::u16string>& commands)
{
    // A list whose first command is empty has nothing to run: the rest would lack its input.
    std::vector<std::u16string> planned;
    if (commands.empty() || commands.front().empty())
        return planned;
    for (const std::u16string& command : commands)
        if (!command.empty())
            planned.push_back(command);
    return planned;
}

ConfinementRules EncoderRules(const RunPlan& plan)
{
    ConfinementRules rules;
    rules.readTrees = SystemReadTrees();
    if (!plan.source.empty())
        rules.readFiles.push_back(EncodeUtf8(plan.source));
    if (!plan.runFolder.empty())
        rules.writeTrees.push_back(EncodeUtf8(plan.runFolder));
    return rules;
}

FileJob::FileJob(std::size_t index, RunPlan plan, const Context& context)
    : m_nIndex(index), m_plan(std::move(plan)), m_context(context)
{
    m_outcome.steps = m_plan.commands.size();
    m_outcome.source = m_plan.source;
    m_outcome.output = m_plan.output;
    m_outcome.bAudioOnly = !m_plan.bWantVideo;
}

bool FileJob::Begin(std::optional<double> sourceSeconds)
{
    m_bEarlierOutput = PathFileExistsW(m_plan.output);
    m_pRunner = std::make_unique<Runner>(*this);
    m_pRunner->Confine(EncoderRules(m_plan));
    {
        boost::mutex::scoped_lock lock(m_context.stateLock);
        m_phase = Phase::Running;
        m_nStep = 0;
        m_progress.BeginRun(m_plan.commands.size());
        if (sourceSeconds)
            m_progress.KnowLength(*sourceSeconds);
    }
    // Nothing to run: the file ends as one whose commands wrote nothing.
    return !m_plan.commands.empty() && Launch();
}

bool FileJob::Launch()
{
    const std::string line = EncodeUtf8(m_plan.commands[m_nStep]);
    {
        boost::mutex::scoped_lock lock(m_context.stateLock);
        m_strProgram = DecodeUtf8(BareProgramName(ProgramWord(line)));
        m_lastOutput = RunClock::now();
    }
    if (m_context.debugOutput)
        m_context.debugOutput(line);
    if (m_pRunner->Launch(line))
        return true;
    // A command that cannot start ends its file: nothing else would ever end it.
    boost::mutex::scoped_lock lock(m_context.stateLock);
    NoteFailure(RunOutcome::Kind::NotStarted, 0);
    return false;
}

void FileJob::OnChunk(OutputStream stream, std::string_view bytes)
{
    if (m_context.debugOutput)
        m_context.debugOutput(bytes);
    {
        boost::mutex::scoped_lock lock(m_context.stateLock);
        m_strPrevChunk.swap(m_strLastChunk);
        m_strLastChunk.clear();
        (stream == OutputStream::Output ? m_outputDecoder : m_errorDecoder).Decode(bytes, m_strLastChunk);
        KeepTail(m_strLastChunk);
        m_progress.Feed(stream, bytes);
        m_lastOutput = RunClock::now();
    }
    if (m_context.changed)
        m_context.changed();
}

void FileJob::KeepTail(std::u16string_view text)
{
    m_strTail += text;
    // Cut seldom, not at every chunk: up to twice the size kept, then back to it.
    if (m_strTail.size() <= 2 * kTailChars)
        return;
    std::size_t cut = m_strTail.size() - kTailChars;
    // From a line's start where one is near, so the first line shown is whole; never inside a
    // surrogate pair.
    const std::size_t lineEnd = m_strTail.find(u'\n', cut);
    if (lineEnd != std::u16string::npos && lineEnd - cut < kTailChars / 4)
        cut = lineEnd + 1;
    else if (m_strTail[cut] >= 0xDC00 && m_strTail[cut] <= 0xDFFF)
        ++cut;
    m_strTail.erase(0, cut);
}

void FileJob::NoteFailure(RunOutcome::Kind kind, int code)
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

FileJob::Next FileJob::Advance(const CRedirect::ChildEnd& end, bool stopRequested)
{
    const bool interrupted = end.bInterrupted;
    const bool wentWell = end.kind == CRedirect::ChildEnd::Kind::Exited && end.code == 0;
    const bool last = m_nStep + 1 >= m_plan.commands.size();
    {
        boost::mutex::scoped_lock lock(m_context.stateLock);
        // A character a child cut off at its end shows as U+FFFD and is not glued to the next
        // child's first bytes.
        for (Utf8Decoder* decoder : {&m_outputDecoder, &m_errorDecoder}) {
            const std::u16string rest = decoder->Finish();
            m_strLastChunk += rest;
            KeepTail(rest);
            decoder->Reset();
        }
        // An interrupted child's end is the stop's doing, not a failure of its own.
        if (!interrupted && end.kind == CRedirect::ChildEnd::Kind::Signalled)
            NoteFailure(RunOutcome::Kind::Signalled, end.code);
        else if (!interrupted && !wentWell)
            NoteFailure(RunOutcome::Kind::Exited, end.code);
    }
    // A stop that came after the file's last child had ended well by itself has nothing left
    // to stop: the file is whole, and it is put in place as it would have been.
    if (stopRequested && (interrupted || !(last && wentWell)))
        return Next::Stopped;
    if (last)
        return Next::Over;
    {
        boost::mutex::scoped_lock lock(m_context.stateLock);
        m_progress.BeginStage(++m_nStep);
    }
    return Launch() ? Next::Launched : Next::Over;
}

void FileJob::Interrupt()
{
    if (m_pRunner)
        m_pRunner->Interrupt();
}

void FileJob::Pause()
{
    if (m_pRunner)
        m_pRunner->Pause();
}

void FileJob::Resume()
{
    if (m_pRunner)
        m_pRunner->Resume();
}

void FileJob::ShutdownRunner()
{
    if (m_pRunner)
        m_pRunner->Shutdown();
}

void FileJob::End(bool stopped, const MediaReader& reader, const std::optional<FileFacts>& source,
                  const std::atomic<bool>& cancel)
{
    // Its last child has ended and told so: the runner's threads are joined here, off them.
    m_pRunner.reset();
    RunOutcome outcome;
    {
        boost::mutex::scoped_lock lock(m_context.stateLock);
        outcome = m_outcome;
    }
    bool replaced = false;
    if (stopped) {
        outcome.kind = RunOutcome::Kind::Stopped;
        outcome.step = m_nStep + 1;
    } else if (outcome.kind == RunOutcome::Kind::NoOutput) {
        // Every command went well; the file it was all for decides.
        const std::optional<std::uintmax_t> size = RegularFileSize(m_plan.written);
        if (size && *size > 0) {
            if (reader) {
                // Encoders exit 0 for a source they cut short: the new file is read back first.
                const std::optional<FileFacts> written = reader(m_plan.written, cancel);
                outcome.doubt = JudgeOutput(written, source, m_plan.bWantVideo, m_plan.bWantAudio, m_plan.chosen);
                outcome.written = written;
                outcome.chosen = m_plan.chosen;
                if (written)
                    outcome.seconds = written->seconds;
                if (source)
                    outcome.sourceSeconds = source->seconds;
            }
            switch (ReplaceFile(m_plan.written, m_plan.output)) {
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
    RemoveRunFolder(m_plan.runFolder);
    if (outcome.kind != RunOutcome::Kind::Written)
        outcome.bEarlierKept = !replaced && m_bEarlierOutput && PathFileExistsW(m_plan.output);

    boost::mutex::scoped_lock lock(m_context.stateLock);
    if (outcome.kind == RunOutcome::Kind::Written)
        m_progress.CompleteRun();
    m_outcome = outcome;
    // A stop is the user's doing and has no cause to show; every other end without a file does.
    m_bShowTail = outcome.Failed() && outcome.kind != RunOutcome::Kind::Stopped;
    m_phase = Phase::Ended;
}
