#pragma once
// The few file operations Convert and a run need besides the shell's path functions. Paths
// are UTF-16 and reach the file system as UTF-8.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The size of the regular file at `path` (links followed); empty when there is none.
std::optional<std::uintmax_t> RegularFileSize(std::u16string_view path);

// True when the two paths name one file: the same path, another spelling of it ("./", "..",
// a symbolic link on the way) or another name of the same file (a hard link). Paths that do
// not exist are compared by their spelling made absolute and normal.
bool PathsNameSameFile(std::u16string_view a, std::u16string_view b);

// True when `path` names a regular file (through links) that this process may read.
bool IsReadableFile(std::u16string_view path);

// True when `path` names a folder (through links).
bool IsFolder(std::u16string_view path);
