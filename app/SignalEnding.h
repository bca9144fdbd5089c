#pragma once
// How the program answers a request to end it (a logout, a terminal's Ctrl+C, kill): it stops a
// conversion as Stop does, so that no half-written file and no run folder stay behind, and ends
// by the signal once the run has ended; without a run it ends at once.

#include "platform/process/TerminationSignals.h"

class CTarvexDlg;

class SignalEnding {
public:
    // Takes the signals over for `dlg`, which outlives this object.
    explicit SignalEnding(CTarvexDlg& dlg);
    SignalEnding(const SignalEnding&) = delete;
    SignalEnding& operator=(const SignalEnding&) = delete;

    bool IsInstalled() const { return m_signals.IsInstalled(); }

private:
    int m_nSignal = 0;  // the signal that came during a run; GUI thread only
    TerminationSignals m_signals;
};
