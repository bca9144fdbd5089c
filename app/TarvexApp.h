#pragma once
// The application object: runs the main dialog and ends the program when it closes.

#include <string>
#include <vector>

#include "platform/dialog/WinApp.h"

class CTarvexApp : public CWinApp {
public:
    CTarvexApp();

    // Runs the main dialog modally; returns false, so the program ends after it.
    bool InitInstance() override;

    // The files named on the command line, opened once the dialog shows.
    std::vector<std::u16string> m_startFiles;
};

extern CTarvexApp theApp;
