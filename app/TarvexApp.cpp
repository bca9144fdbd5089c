#include "app/TarvexApp.h"

#include "app/SignalEnding.h"
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
    const SignalEnding ending(dlg);
    dlg.DoModal();
    m_pMainWnd = nullptr;
    return false;
}
