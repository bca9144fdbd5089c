#pragma once
// Command lines travel as one string, the way the encoders' command lines are built; these
// rules turn such a string back into the argument vector a POSIX exec needs.

#include <string>
#include <string_view>
#include <vector>

// Splits a command line by the Windows rules: blanks and tabs separate arguments, double
// quotes group, 2n backslashes before a quote give n backslashes and the quote toggles
// quoting, 2n+1 give n and a literal quote, other backslashes are literal, and inside quotes
// a doubled quote is a literal quote. The first word (the program) ends at the first blank
// or tab outside quotes and its backslashes are always literal. An empty or blank line
// gives no arguments at all.
std::vector<std::string> SplitCommandLine(std::string_view line);

// The arguments of a line that names no program: every word by the argument rules.
std::vector<std::string> SplitArguments(std::string_view line);

// The program a command line names: its first word as SplitCommandLine reads it. Empty for an
// empty or blank line.
std::string ProgramWord(std::string_view line);

// A program's name as people call it: without its folder (after either kind of slash) and
// without ".exe" in any letter case. "plugins\ffmpeg.exe" gives "ffmpeg".
std::string_view BareProgramName(std::string_view program);

// `program` without a final ".exe" in any letter case, the suffix the built command lines
// give their programs and a POSIX system's programs lack.
std::string_view WithoutExe(std::string_view program);

// Writes one argument (never the program name, whose rules differ) so that SplitCommandLine
// gives it back unchanged. An argument without blank, tab or double quote stands bare; any
// other, and the empty one, is enclosed in double quotes, with a backslash before each quote
// inside and the backslashes that precede a quote or the closing quote doubled. A path with
// blanks alone thus comes out as just that path in double quotes.
std::u16string QuoteArgument(std::u16string_view argument);
// The same, but always in double quotes, so that a list of such arguments reads as one.
std::u16string QuoteArgumentAlways(std::u16string_view argument);
