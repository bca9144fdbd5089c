#pragma once
// The line under the output window's bar while a run goes on, in the dialog's language: the
// step, how far, and about how long is left, or that the running encoder has gone quiet.

#include <string>

#include "run/RunSnapshot.h"
#include "ui/Language.h"

// How long the running encoder may print nothing before the line says so.
inline constexpr RunClock::duration kQuietAfter = std::chrono::seconds(30);

// "Step 1 of 2 · 41 % · about 0:12 left"; the time left once 2 s have passed and 3 % is done;
// "ffmpeg has printed nothing for 0:30" while the encoder is quiet, counting on; while the run
// is paused, "Paused · " before what the line said at the pause, which stands still.
std::u16string RunStatusText(const RunProgress& progress, RunClock::time_point now, Language language);
