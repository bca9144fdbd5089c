#pragma once
// The application object: runs the main dialog and ends the program when it closes.

#include "platform/dialog/WinApp.h"

class CTarvexApp : public CWinApp {
public:
    CTarvexApp();

    // Runs the main dialog modally; returns false, so the program ends after it.
    bool InitInstance() override;
};

extern CTarvexApp theApp;
