#pragma once
// The output window of a run: for several files which one is converting, the latest text of
// the encoders, a progress bar, a line saying where the run is and how long is left, and a
// Stop button and a Pause button (Resume while paused) while the run goes on; at its end a line saying what became of it in the
// status line's place, OK in Stop's and, when a file was written, Open Folder beside it, which
// shows the first new file in the file manager. The end is told by a desktop notification too
// when the window is not the active one. Enter, Esc and the window's close count only once OK
// shows, so nothing but Stop can cut a conversion short. Every run opens a fresh window from
// the template.

#include <cstddef>
#include <string>
#include <vector>

#include "platform/dialog/Dialog.h"
#include "run/ConversionRun.h"

class COutDlg : public CDialog {
public:
    // The window shows `run` and stops it; both live as long as this object.
    COutDlg(CWnd* pParent, ConversionRun& run);

    // Draws the run as the snapshot has it at `now`. The line under the bar changes at most
    // twice a second: a figure that moves faster cannot be read.
    void ShowRun(const RunSnapshot& snapshot, RunClock::time_point now);
    // The run's end: what became of it in the status line's place, OK, and Open Folder when a
    // file was written. Once per run.
    void ShowEnd(const RunVerdict& verdict);

protected:
    bool OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    const MessageMap& GetMessageMap() const override;

private:
    void OnStop();
    void OnPause();
    void OnOpenFolder();
    bool RunHasEnded() const;

    ConversionRun& m_run;
    RunClock::time_point m_nextStatus{};
    std::vector<std::size_t> m_shownFiles;  // the files the file line names; none until it shows
    bool m_bEndShown = false;
    bool m_bPausedShown = false;  // the pause button reads Resume
    std::u16string m_strFirstWritten;  // what Open Folder shows
};
