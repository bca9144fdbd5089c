#pragma once
// The few file operations the Convert action needs besides the shell's path functions. Paths
// are UTF-16 and reach the file system as UTF-8.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Deletes a file (not a folder). False when nothing was deleted.
bool DeleteFileW(std::u16string_view path);

// The size of the regular file at `path` (links followed); empty when there is none.
std::optional<std::uintmax_t> RegularFileSize(std::u16string_view path);

// True when the two paths name one file: the same path, another spelling of it ("./", "..",
// a symbolic link on the way) or another name of the same file (a hard link). Paths that do
// not exist are compared by their spelling made absolute and normal.
bool PathsNameSameFile(std::u16string_view a, std::u16string_view b);

// Makes a folder only this user can enter, for one run's intermediate file: beside `nearFile`
// when its folder takes new entries, else in the system's temporary folder. Returns its path,
// or an empty string when neither works.
std::u16string CreateRunFolder(std::u16string_view nearFile);

// Removes a folder made by CreateRunFolder with everything in it; links inside are removed,
// never followed.
void RemoveRunFolder(std::u16string_view folder);
