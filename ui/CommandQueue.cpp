// The main dialog's side of the runner: each chunk of a child's output shown in the output
// window, and the walk from one child's end to the next command of the run.
//
// The runner's threads never touch a window. They update the chunk strings under the lock
// and ask for one refresh; the GUI thread draws whatever is there when it gets to it, so a
// flood of output costs one refresh at a time, not one queued update per chunk, and one
// drawing per refresh interval at most.

#include <chrono>
#include <string_view>

#include "platform/dialog/DebugOutput.h"
#include "platform/text/FileSystem.h"
#include "ui/Resource.h"
#include "ui/TarvexDlg.h"

void CTarvexDlg::OnOutputText(const char* text)
{
    ShowChunk(m_outputDecoder, text);
}

void CTarvexDlg::OnErrorText(const char* text)
{
    ShowChunk(m_errorDecoder, text);
}

void CTarvexDlg::ShowChunk(Utf8Decoder& decoder, const char* text)
{
    const std::string_view bytes(text);
    OutputDebugString(bytes);
    if (!m_pOutDlg)
        return;
    {
        boost::mutex::scoped_lock lock(m_outputLock);
        m_strPrevChunk.swap(m_strLastChunk);
        m_strLastChunk.clear();
        decoder.Decode(bytes, m_strLastChunk);
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
    {
        boost::mutex::scoped_lock lock(m_outputLock);
        m_outputDecoder.Reset();
        m_errorDecoder.Reset();
        m_bRunEnded = false;
    }
    const std::string command = EncodeUtf8(m_commands.Current());
    m_commands.Advance();
    if (!Launch(command.c_str()))
        EndRun();
    return true;
}

std::intptr_t CTarvexDlg::RunCommands()
{
    if (!LaunchFirstCommand())
        return 0;
    // What came before the window was made shows as soon as the window's loop runs.
    RequestRefresh();
    return m_pOutDlg->DoModal();
}

void CTarvexDlg::OnFinished()
{
    // A stop is not a child's end: the run goes no further while the runner shuts down.
    if (StopRequested())
        return;
    {
        boost::mutex::scoped_lock lock(m_outputLock);
        FinishDecoders();
    }
    m_commands.SkipEmpty();
    if (m_commands.AtEnd()) {
        EndRun();
        return;
    }
    const std::string command = EncodeUtf8(m_commands.Current());
    // The cursor has to point past this command before its end comes back here.
    m_commands.Advance();
    // A command that cannot start ends the run: nothing would ever show the OK button.
    if (!Launch(command.c_str()))
        EndRun();
}

void CTarvexDlg::EndRun()
{
    if (!m_strRunFolder.empty()) {
        RemoveRunFolder(m_strRunFolder);
        m_strRunFolder.clear();
    }
    {
        boost::mutex::scoped_lock lock(m_outputLock);
        m_bRunEnded = true;
    }
    // Not through RequestRefresh: a refresh held back by the interval may be waiting, and
    // the OK button should not wait with it.
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
    // Cleared before the strings are read: a chunk that comes after the read asks again.
    m_bRefreshPending.store(false);
    std::u16string text;
    bool ended = false;
    {
        boost::mutex::scoped_lock lock(m_outputLock);
        text.reserve(m_strPrevChunk.size() + m_strLastChunk.size());
        text = m_strPrevChunk;
        text += m_strLastChunk;
        ended = m_bRunEnded;
    }
    // Between runs there is no window; the next run asks again once its window is up.
    if (!m_pOutDlg || !m_pOutDlg->HasWindow())
        return;
    m_pOutDlg->GetEdit(IDC_OUTPUT_TEXT)->SetWindowText(text);
    if (ended)
        m_pOutDlg->GetDlgItem(IDOK)->ShowWindow(SW_SHOW);
    m_nextRefresh = now + kRefreshInterval;
}
