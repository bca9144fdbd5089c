#include "run/RunOutcome.h"

#include <algorithm>
#include <cmath>

bool SameLength(double seconds, double sourceSeconds)
{
    return std::abs(seconds - sourceSeconds) <= std::max(1.0, 0.03 * sourceSeconds);
}

RunOutcome::Doubt JudgeOutput(const std::optional<FileFacts>& written, const std::optional<FileFacts>& source,
                              bool wantVideo, bool wantAudio)
{
    using Doubt = RunOutcome::Doubt;
    if (!written)
        return Doubt::Unreadable;
    // Only a shortfall tells of a cut: at a low frame rate the last frame stretches a file's
    // length well past its source's, with nothing lost.
    if (source && source->seconds && written->seconds && *written->seconds < *source->seconds &&
        !SameLength(*written->seconds, *source->seconds))
        return Doubt::Short;
    // A source the run could not read is taken to have what the user kept.
    if (wantVideo && (!source || source->hasVideo) && !written->hasVideo)
        return Doubt::NoVideo;
    if (wantAudio && (!source || source->hasAudio) && !written->hasAudio)
        return Doubt::NoAudio;
    return Doubt::None;
}
