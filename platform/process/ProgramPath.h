#pragma once
// Finds the file to run for the program named first on a command line written for Windows.

#include <string>
#include <string_view>
#include <vector>

// Backslashes become slashes. The name is tried as written (relative to the current
// directory unless absolute), then without a trailing ".exe"; if neither exists, the bare
// name without directory and ".exe" is looked up on PATH. So "plugins\ffmpeg.exe" finds
// ./plugins/ffmpeg.exe, else ./plugins/ffmpeg, else ffmpeg on PATH. Empty when none is found.
std::string ResolveProgram(std::string_view name);

// The folders a program found by ResolveProgram runs from: the one it was found in and, when
// that is a link, the one of the file it finally names. Absolute; empty when it does not exist.
std::vector<std::string> ProgramFolders(const std::string& program);
