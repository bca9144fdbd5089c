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
