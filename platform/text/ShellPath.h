#pragma once
// The shell's path helpers on UTF-16 paths, for '/'-separated Linux paths. Where the shell
// works in a fixed buffer, the buffer here is the platform's path limit (kPathLimit, the
// terminator included) and is counted in UTF-16 units.

#include <cstddef>
#include <string>
#include <string_view>

inline constexpr std::size_t kPathLimit = 4096;

// The last path component: what follows the last '/', or the whole path without one.
std::u16string_view PathFindFileNameW(std::u16string_view path);

// The extension of the last path component: from its last '.' to the end, the dot included.
// Without a dot the result is empty and sits at the end of `path`, so
// `result.data() - path.data()` is always where an extension starts or would start.
std::u16string_view PathFindExtensionW(std::u16string_view path);

// Replaces the extension of `path` with `extension` (which carries its dot), or appends it
// when there is none. Fails, leaving `path` alone, when the result would not fit the limit.
bool PathRenameExtensionW(std::u16string& path, std::u16string_view extension);

// True when anything (file, folder, device) exists at `path`; links are followed, so a dangling
// link counts as nothing. The file system is asked with the path's UTF-8 form.
bool PathFileExistsW(std::u16string_view path);
