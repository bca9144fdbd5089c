#include <QApplication>

#include "app/TarvexApp.h"

int main(int, char** argv)
{
    // The program takes no arguments; only the program name reaches the toolkit, so its own
    // command-line switches cannot change how the dialog behaves.
    int toolkitArgc = 1;
    char* toolkitArgv[] = {argv[0], nullptr};
    QApplication application(toolkitArgc, toolkitArgv);
    return AfxWinMain();
}
