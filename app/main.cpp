#include <QApplication>

#include <cstdio>
#include <string>
#include <vector>

#include "app/ProgramArguments.h"
#include "app/TarvexApp.h"

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    const ProgramArguments wanted = ReadProgramArguments(args);
    switch (wanted.action) {
    case ProgramArguments::Action::Help:
        std::fputs(UsageText("tarvex").c_str(), stdout);
        return 0;
    case ProgramArguments::Action::Version:
        std::fputs(VersionText().c_str(), stdout);
        return 0;
    case ProgramArguments::Action::Unknown:
        std::fprintf(stderr, "tarvex: unknown option %s\n", wanted.unknown.c_str());
        std::fputs(UsageText("tarvex").c_str(), stderr);
        return 2;
    case ProgramArguments::Action::Run:
        break;
    }
    theApp.m_startFiles = wanted.files;

    // Only the program name reaches the toolkit, so its own command-line switches cannot
    // change how the dialog behaves: the files above are the only arguments read.
    int toolkitArgc = 1;
    char* toolkitArgv[] = {argv[0], nullptr};
    QApplication application(toolkitArgc, toolkitArgv);
    return AfxWinMain();
}
