#pragma once
// What became of a run, as the line above the output window's OK button says it, in the
// dialog's language: the output file written with its size and length, or what it lacks
// against its source, the step that failed and why, or that the run was stopped and what is
// at the output path.

#include <cstdint>
#include <string>
#include <vector>

#include "run/RunSnapshot.h"
#include "run/RunOutcome.h"
#include "ui/Language.h"

// A size as people read it: "800 bytes", "1.5 KiB", "12.3 MiB".
std::u16string SizeText(std::uintmax_t size, Language language);

// A file's name without its folder, a long one shortened in the middle to fit a line,
// keeping its start and its extension.
std::u16string DisplayName(std::u16string_view path);

// A length as people read it, to the second: "0:20", "12:05", "1:02:03".
std::u16string DurationText(double seconds);

// The outcome line; the output is named by its file name, a long one shortened in the middle
// to fit the line.
std::u16string OutcomeText(const RunOutcome& outcome, Language language);

// The outcome line of a whole run, from the run's verdict: the one file's outcome, or for
// several how many were written and which were not, or fell short, and why; or how many a stop
// left written.
std::u16string RunOutcomeText(const RunVerdict& verdict, Language language);

// The line naming the files converting now: "File 2 of 5: b.mp4", or for several at once
// "Files 3 and 4 of 6, 2 done: c.mp4, d.mp4".
std::u16string FileLineText(const RunProgress& progress, Language language);
