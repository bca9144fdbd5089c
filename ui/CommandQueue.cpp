// The main dialog's side of the runner: each chunk of a child's output shown in the output
// window, the walk from one child's end to the next command of the run, how far the run is
// and what became of it.
//
// The runner's threads never touch a window. They update the run's state under the lock and
// ask for one refresh; the GUI thread draws whatever is there when it gets to it, so a flood
// of output costs one refresh at a time, not one queued update per chunk, and one drawing
// per refresh interval at most.

#include <chrono>
#include <string_view>

#include "platform/dialog/DebugOutput.h"
#include "platform/text/FileSystem.h"
#include "ui/Language.h"
#include "ui/Resource.h"
#include "ui/TarvexDlg.h"

namespace {

constexpr int kBusy = -1;  // the progress bar's state while the run's length is unknown

}  // namespace

void CTarvexDlg::OnOutputText(const char* text)
{
    ShowChunk(OutputStream::Output, text);
}

void CTarvexDlg::OnErrorText(const char* text)
{
    ShowChunk(OutputStream::Error, text);
}

void CTarvexDlg::ShowChunk(OutputStream stream, const char* text)
{
    const std::string_view bytes(text);
    OutputDebugString(bytes);
    if (!m_pOutDlg)
        return;
    {
        boost::mutex::scoped_lock lock(m_outputLock);
        m_strPrevChunk.swap(m_strLastChunk);
        m_strLastChunk.clear();
        (stream == OutputStream::Output ? m_outputDecoder : m_errorDecoder).Decode(bytes, m_strLastChunk);
        if (m_bReadProgress)
            m_progress.Feed(stream, m_strLastChunk);
    }
    RequestRefresh();
}

void CTarvexDlg::FinishDecoders()
{
    for (Utf8Decoder* decoder : {&m_outputDecoder, &m_errorDecoder}) {
        m_strLastChunk += decoder->Finish();
        decoder->Reset();
    }
}

bool CTarvexDlg::LaunchFirstCommand()
{
    if (m_commands.Current().empty())
        return false;
    if (!m_pOutDlg)
        m_pOutDlg = std::make_unique<COutDlg>(this);
    std::size_t steps = 0;
    for (std::size_t i = m_commands.Cursor(); i < m_commands.Size(); ++i)
        steps += !m_commands.At(i).empty();
    {
        boost::mutex::scoped_lock lock(m_outputLock);
        m_outputDecoder.Reset();
        m_errorDecoder.Reset();
        m_bRunEnded = false;
        m_progress.BeginRun(steps);
        m_outcome = RunOutcome{};
        m_outcome.steps = steps;
        m_outcome.output = m_strOutput;
        m_nStep = 0;
    }
    LaunchAtCursor();
    return true;
}

std::intptr_t CTarvexDlg::RunCommands()
{
    if (!LaunchFirstCommand())
        return 0;
    m_bRunInProgress = true;
    // What came before the window was made shows as soon as the window's loop runs.
    RequestRefresh();
    const std::intptr_t result = m_pOutDlg->DoModal();
    m_bRunInProgress = false;
    return result;
}

void CTarvexDlg::LaunchAtCursor()
{
    m_strRunningCommand = m_commands.Current();
    const std::string command = EncodeUtf8(m_strRunningCommand);
    // The cursor has to point past this command before its end comes back here.
    m_commands.Advance();
    // A command that cannot start ends the run: nothing would ever show the OK button.
    if (!Launch(command.c_str())) {
        NoteFailure(RunOutcome::Kind::NotStarted, 0);
        EndRun();
    }
}

void CTarvexDlg::NoteFailure(RunOutcome::Kind kind, int code)
{
    boost::mutex::scoped_lock lock(m_outputLock);
    // The first failure is the one that tells: what follows it often fails because of it.
    // Until the end, anything but NoOutput is a failure already noted.
    if (m_outcome.kind != RunOutcome::Kind::NoOutput)
        return;
    m_outcome.kind = kind;
    m_outcome.code = code;
    m_outcome.step = m_nStep + 1;
    m_outcome.program = ProgramName(m_strRunningCommand);
}

void CTarvexDlg::OnFinished()
{
    // A stop is not a child's end: the run goes no further while the runner shuts down.
    if (StopRequested())
        return;
    if (const std::optional<ChildEnd> end = FinishedChild()) {
        if (end->kind == ChildEnd::Kind::Signalled)
            NoteFailure(RunOutcome::Kind::Signalled, end->code);
        else if (end->kind == ChildEnd::Kind::Exited && end->code != 0)
            NoteFailure(RunOutcome::Kind::Exited, end->code);
    }
    {
        boost::mutex::scoped_lock lock(m_outputLock);
        FinishDecoders();
    }
    m_commands.SkipEmpty();
    if (m_commands.AtEnd()) {
        EndRun();
        return;
    }
    {
        boost::mutex::scoped_lock lock(m_outputLock);
        m_progress.BeginStage(++m_nStep);
    }
    LaunchAtCursor();
}

void CTarvexDlg::EndRun()
{
    if (!m_strRunFolder.empty()) {
        RemoveRunFolder(m_strRunFolder);
        m_strRunFolder.clear();
    }
    boost::mutex::scoped_lock lock(m_outputLock);
    if (m_outcome.kind == RunOutcome::Kind::NoOutput) {
        // Every command went well; the file it was all for decides.
        const std::optional<std::uintmax_t> size = RegularFileSize(m_outcome.output);
        if (size && *size > 0) {
            m_outcome.kind = RunOutcome::Kind::Written;
            m_outcome.size = *size;
            m_progress.CompleteRun();
        }
    }
    m_bRunEnded = true;
    lock.unlock();
    // Not through RequestRefresh: a refresh held back by the interval may be waiting, and
    // the outcome and OK should not wait with it.
    PostToGuiThread([this] { RefreshOutputWindow(); });
}

void CTarvexDlg::RequestRefresh()
{
    if (!m_bRefreshPending.exchange(true))
        PostToGuiThread([this] { RefreshOutputWindow(); });
}

void CTarvexDlg::RefreshOutputWindow()
{
    // An encoder that reports every frame writes hundreds of chunks a second; drawing each
    // would cost the program more processor time than the encoders can spare on a busy
    // machine, for text nobody can read that fast. Too soon after the last drawing, the
    // refresh waits out the interval, and the pending flag stays set meanwhile, so the
    // runner's threads post nothing more. The end of the run is drawn at once.
    const auto now = std::chrono::steady_clock::now();
    {
        boost::mutex::scoped_lock lock(m_outputLock);
        if (!m_bRunEnded && now < m_nextRefresh) {
            const auto wait = std::chrono::ceil<std::chrono::milliseconds>(m_nextRefresh - now);
            PostToGuiThread([this] { RefreshOutputWindow(); }, static_cast<int>(wait.count()));
            return;
        }
    }
    // Cleared before the state is read: a chunk that comes after the read asks again.
    m_bRefreshPending.store(false);
    std::u16string text;
    bool ended = false;
    int percent = kBusy;
    RunOutcome outcome;
    {
        boost::mutex::scoped_lock lock(m_outputLock);
        text.reserve(m_strPrevChunk.size() + m_strLastChunk.size());
        text = m_strPrevChunk;
        text += m_strLastChunk;
        ended = m_bRunEnded;
        percent = m_progress.Percent().value_or(kBusy);
        // Nothing is busy once the run has ended: a length never learnt leaves the bar empty.
        if (ended && percent == kBusy)
            percent = 0;
        if (ended)
            outcome = m_outcome;
    }
    // Between runs there is no window; the next run asks again once its window is up.
    if (!m_pOutDlg || !m_pOutDlg->HasWindow())
        return;
    m_pOutDlg->GetEdit(IDC_OUTPUT_TEXT)->SetWindowText(text);
    m_pOutDlg->ShowProgress(percent);
    if (ended)
        m_pOutDlg->ShowOutcome(OutcomeText(outcome, g_nLanguage));
    m_nextRefresh = now + kRefreshInterval;
}
