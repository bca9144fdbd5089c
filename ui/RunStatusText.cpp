#include "ui/RunStatusText.h"

#include <algorithm>
#include <chrono>
#include <string>

#include "convert/StringUtils.h"
#include "ui/OutcomeText.h"
#include "ui/UiText.h"

namespace {

double Seconds(RunClock::duration duration)
{
    return std::chrono::duration<double>(duration).count();
}

}  // namespace

std::u16string RunStatusText(const RunProgress& progress, RunClock::time_point now, Language language)
{
    // Paused, the run's clocks stand still: the line says so and keeps what it said then.
    if (progress.pausedSince) {
        RunProgress running = progress;
        running.pausedSince.reset();
        return FillFormat(UiText(kTextStatusPaused, language),
                          {RunStatusText(running, std::min(now, *progress.pausedSince), language)});
    }
    const RunClock::duration quiet = now - progress.lastOutput;
    if (quiet >= kQuietAfter)
        return FillFormat(UiText(kTextStatusQuiet, language), {progress.program, DurationText(Seconds(quiet))});

    std::u16string text =
        FillFormat(UiText(kTextStatusStep, language), {NumberText(progress.step + 1), NumberText(progress.steps)});
    if (!progress.percent)
        return text;
    const int percent = *progress.percent;
    text = FillFormat(UiText(kTextStatusPercent, language), {text, NumberText(static_cast<std::size_t>(percent))});
    // Too early, the rate of the first moments says little of the rest.
    const RunClock::duration elapsed = now - progress.started;
    if (elapsed >= std::chrono::seconds(2) && percent >= 3 && percent < 100) {
        const double left = Seconds(elapsed) * (100 - percent) / percent;
        text = FillFormat(UiText(kTextStatusLeft, language), {text, DurationText(left)});
    }
    return text;
}
