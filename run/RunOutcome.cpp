#include "run/RunOutcome.h"

#include <algorithm>
#include <cmath>

bool SameLength(double seconds, double sourceSeconds)
{
    return std::abs(seconds - sourceSeconds) <= std::max(1.0, 0.03 * sourceSeconds);
}

namespace {

// Within `tolerance` of the chosen value; a value the file does not state is not held against it.
template <typename T, typename U>
bool Near(const std::optional<T>& written, const std::optional<U>& chosen, double tolerance)
{
    if (!written || !chosen)
        return true;
    const double want = static_cast<double>(*chosen);
    return std::abs(static_cast<double>(*written) - want) <= tolerance * want;
}

// The first value the user chose that the file holds otherwise.
RunOutcome::Doubt AgainstChoice(const FileFacts& written, const Chosen& chosen, bool wantVideo, bool wantAudio)
{
    using Doubt = RunOutcome::Doubt;
    if (wantAudio && written.hasAudio) {
        if (!Near(written.sampleRate, chosen.sampleRate, 0))
            return Doubt::SampleRate;
        if (!Near(written.channels, chosen.channels, 0))
            return Doubt::Channels;
        const std::optional<double> kbps =
            written.audioBitRate ? std::optional<double>(*written.audioBitRate / 1000.0) : std::nullopt;
        if (!Near(kbps, chosen.audioBitRate, kBitRateTolerance))
            return Doubt::AudioBitRate;
    }
    if (wantVideo && written.hasVideo) {
        if (!Near(written.width, chosen.width, 0) || !Near(written.height, chosen.height, 0))
            return Doubt::FrameSize;
        if (!Near(written.frameRate, chosen.frameRate, kFrameRateTolerance))
            return Doubt::FrameRate;
    }
    return Doubt::None;
}

}  // namespace

RunOutcome::Doubt JudgeOutput(const std::optional<FileFacts>& written, const std::optional<FileFacts>& source,
                              bool wantVideo, bool wantAudio, const Chosen& chosen)
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
    return AgainstChoice(*written, chosen, wantVideo, wantAudio);
}
