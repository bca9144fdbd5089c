#include "app/TarvexApp.h"

#include "platform/process/TerminationSignals.h"
#include "ui/TarvexDlg.h"

CTarvexApp theApp;

CTarvexApp::CTarvexApp() = default;

bool CTarvexApp::InitInstance()
{
    // Registering common controls, hosting control containers and the Help command have no
    // counterpart in this toolkit; its widgets are ready once the application exists.
    CWinApp::InitInstance();

    // The organisation name only; nothing is stored under it.
    SetRegistryKey(u"Vantrel");

    CTarvexDlg dlg;
    dlg.m_startFiles = m_startFiles;
    m_pMainWnd = &dlg;
    // Told to end (by a logout, a terminal's Ctrl+C, kill), the program stops a conversion
    // as Stop does, so that no half-written file and no run folder stay behind, and ends by
    // the signal once the run has ended; without a run it ends at once.
    int endBySignal = 0;
    dlg.m_onRunEnded = [&endBySignal] {
        if (endBySignal != 0)
            DieOfSignal(endBySignal);
    };
    TerminationSignals termination([&dlg, &endBySignal](int signal) {
        dlg.PostToGuiThread([&dlg, &endBySignal, signal] {
            if (!dlg.StopRun())
                DieOfSignal(signal);
            endBySignal = signal;
        });
    });
    dlg.DoModal();
    m_pMainWnd = nullptr;
    return false;
}
