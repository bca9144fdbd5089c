#pragma once
// What the command line asks of the program: files to open as if dropped on the dialog, the
// usage, the version, or nothing it knows. Plain C++: a file manager's "Open With" and a
// terminal reach it alike.

#include <string>
#include <string_view>
#include <vector>

struct ProgramArguments {
    enum class Action { Run, Help, Version, Unknown };
    Action action = Action::Run;
    std::vector<std::u16string> files;  // in the order given; for Run only
    std::string unknown;                // the option that was not understood, for Unknown
};

// Reads the arguments after the program name. "--" ends the options: everything after it is a
// file, even a name that starts with "-". A lone "-" is a file name too.
ProgramArguments ReadProgramArguments(const std::vector<std::string>& args);

// What --help prints, the program named `program`.
std::string UsageText(std::string_view program);
// What --version prints.
std::string VersionText();
