#include "run/FileJob.h"

#include <utility>

#include "platform/text/CommandLine.h"
#include "platform/text/FileSystem.h"
#include "platform/text/ShellPath.h"

FileJob::FileJob(std::size_t index, RunPlan plan, const RunnerSink& sink, std::function<void(std::string_view)> debugOutput)
    : m_nIndex(index), m_plan(std::move(plan)), m_sink(sink), m_debugOutput(std::move(debugOutput))
{
    m_outcome.steps = m_plan.commands.size();
    m_outcome.source = m_plan.source;
    m_outcome.output = m_plan.output;
    m_outcome.bAudioOnly = !m_plan.bWantVideo;
}

void FileJob::Begin(std::optional<double> sourceSeconds)
{
    m_bEarlierOutput = PathFileExistsW(m_plan.output);
    m_pRunner = std::make_unique<Runner>(m_nIndex, m_sink);
    m_pRunner->Confine(EncoderRules(m_plan));
    m_phase = Phase::Running;
    m_nStep = 0;
    m_progress.BeginRun(m_plan.commands.size());
    if (sourceSeconds)
        m_progress.KnowLength(*sourceSeconds);
}

bool FileJob::Launch()
{
    // Nothing to run: the file ends as one whose commands wrote nothing.
    if (m_nStep >= m_plan.commands.size())
        return false;
    const std::string line = EncodeUtf8(m_plan.commands[m_nStep]);
    // Only its first word: the runner splits the line into the child's arguments.
    m_strProgram = DecodeUtf8(BareProgramName(ProgramWord(line)));
    m_lastOutput = RunClock::now();
    if (m_debugOutput)
        m_debugOutput(line);
    if (m_pRunner->Launch(line))
        return true;
    // A command that cannot start ends its file: nothing else would ever end it.
    NoteFailure(RunOutcome::Kind::NotStarted, 0);
    return false;
}

void FileJob::TakeOutput(OutputStream stream, std::string_view bytes)
{
    if (m_debugOutput)
        m_debugOutput(bytes);
    m_strPrevChunk.swap(m_strLastChunk);
    m_strLastChunk.clear();
    (stream == OutputStream::Output ? m_outputDecoder : m_errorDecoder).Decode(bytes, m_strLastChunk);
    KeepTail(m_strLastChunk);
    m_progress.Feed(stream, bytes);
    m_lastOutput = RunClock::now();
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
    if (!m_failure)
        m_failure = Failure{kind, code, m_nStep + 1, m_strProgram};
}

FileJob::Next FileJob::Advance(const CRedirect::ChildEnd& end, bool stopRequested)
{
    const bool interrupted = end.bInterrupted;
    const bool wentWell = end.kind == CRedirect::ChildEnd::Kind::Exited && end.code == 0;
    const bool last = m_nStep + 1 >= m_plan.commands.size();
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
    // A stop that came after the file's last child had ended well by itself has nothing left
    // to stop: the file is whole, and it is put in place as it would have been.
    if (stopRequested && (interrupted || !(last && wentWell)))
        return Next::Stopped;
    if (last)
        return Next::Over;
    m_progress.BeginStage(++m_nStep);
    return Next::NextCommand;
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

FinishingWork FileJob::Finish(bool stopped)
{
    // Its last child has ended and told so: the runner's threads are joined here, off them.
    m_pRunner.reset();
    FinishingWork work;
    work.outcome = m_outcome;
    if (stopped) {
        work.outcome.kind = RunOutcome::Kind::Stopped;
        work.outcome.step = m_nStep + 1;
    } else if (m_failure) {
        work.outcome.kind = m_failure->kind;
        work.outcome.code = m_failure->code;
        work.outcome.step = m_failure->step;
        work.outcome.program = m_failure->program;
    } else {
        work.bDecide = true;
    }
    work.folder = std::move(m_plan.folder);
    work.newFile = m_plan.newFile;
    work.output = m_plan.output;
    work.bEarlierOutput = m_bEarlierOutput;
    work.bWantVideo = m_plan.bWantVideo;
    work.bWantAudio = m_plan.bWantAudio;
    work.chosen = m_plan.chosen;
    m_phase = Phase::Finishing;
    return work;
}

void FileJob::DropUntouched()
{
    m_plan.folder.Remove();
    m_outcome.kind = RunOutcome::Kind::Stopped;
    m_outcome.bEarlierKept = PathFileExistsW(m_plan.output);
}

void FileJob::Finished(RunOutcome outcome)
{
    if (outcome.kind == RunOutcome::Kind::Written)
        m_progress.CompleteRun();
    // A stop is the user's doing and has no cause to show; every other end without a file does.
    m_bShowTail = outcome.Failed() && outcome.kind != RunOutcome::Kind::Stopped;
    m_outcome = std::move(outcome);
    m_phase = Phase::Ended;
}
