#pragma once
// The Source field holds one path as the user typed or chose it, or several, each in double
// quotes and separated by a blank, as a command line writes its arguments: `"/v/a.mp4"
// "/v/b.mp4"`. One path is never written with quotes, so a name with blanks reads as it is.

#include <string>
#include <string_view>
#include <vector>

// The paths the field names: none when it is empty, the field itself when it does not start
// with a double quote, else every quoted path (a lone quoted one too).
std::vector<std::u16string> SplitSources(std::u16string_view field);

// The field for `paths`: a lone path as it is, several each in double quotes.
std::u16string JoinSources(const std::vector<std::u16string>& paths);

// Where one of several sources is converted to: beside it when `folder` is empty, else in
// `folder`, under the source's name with `extension` (its dot included) in place of its own.
std::u16string BatchOutput(std::u16string_view source, std::u16string_view folder, std::u16string_view extension);
