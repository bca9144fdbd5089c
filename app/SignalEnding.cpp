#include "app/SignalEnding.h"

#include "ui/TarvexDlg.h"

SignalEnding::SignalEnding(CTarvexDlg& dlg)
    : m_signals([this, &dlg](int signal) {
          dlg.PostToGuiThread([this, &dlg, signal] {
              if (!dlg.StopRun())
                  DieOfSignal(signal);
              m_nSignal = signal;
          });
      })
{
    dlg.AttachRunEnd([this](const RunVerdict&) {
        if (m_nSignal != 0)
            DieOfSignal(m_nSignal);
    });
}
