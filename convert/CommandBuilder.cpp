#include "convert/CommandBuilder.h"

#include "convert/StringUtils.h"
#include "platform/text/CommandLine.h"
#include "platform/text/ShellPath.h"

namespace {

constexpr std::u16string_view kOneStage = u"plugins\\ffmpeg.exe -i %s %s %s %s";
constexpr std::u16string_view kFirstOfTwoStages =
    u"plugins\\mencoder.exe %s -oac mp3lame -lameopts preset=64 -ovc xvid -xvidencopts bitrate=600 -of avi -o %s";
constexpr std::u16string_view kSecondOfTwoStages = u"plugins\\ffmpeg.exe -i %s %s %s %s";

constexpr std::u16string_view kOriginal = u"Original";

bool IsGiven(const std::u16string& value)
{
    return !value.empty() && !EqualsNoCase(value, kOriginal);
}

// Today's FFmpeg reads a bare number as bit/s; the catalogue and the user mean kbit/s. A value
// that already ends in a unit letter (or anything else but a number) is passed on as typed.
std::u16string InKilobits(const std::u16string& rate)
{
    const char16_t last = rate.back();
    if ((last >= u'0' && last <= u'9') || last == u'.')
        return rate + u'k';
    return rate;
}

std::u16string ChannelCount(const std::u16string& channels)
{
    if (EqualsNoCase(channels, u"stereo"))
        return u"2";
    if (EqualsNoCase(channels, u"mono"))
        return u"1";
    return channels;
}

// The encoders read a word that starts with "-" as an option and one with ":" before any "/"
// as a protocol ("http:", "pipe:"); a relative path that looks like either has to say it is
// a file in the current directory.
bool LooksLikeOptionOrProtocol(std::u16string_view path)
{
    if (path.starts_with(u'-'))
        return true;
    const std::size_t colon = path.find(u':');
    return colon != std::u16string_view::npos && colon < path.find(u'/');
}

// A path must reach the encoder exactly as the user named it, whatever it contains.
std::u16string QuotePath(const std::u16string& path)
{
    if (LooksLikeOptionOrProtocol(path))
        return QuoteArgument(u"./" + path);
    return QuoteArgument(path);
}

}  // namespace

bool UsesIntermediateFile(const ConversionJob& job)
{
    if (job.m_mode == ConversionMode::FLV2Video)
        return false;
    const std::u16string_view extension = PathFindExtensionW(job.m_strSource);
    return !EqualsNoCase(extension, u".avi") && !EqualsNoCase(extension, u".mpg");
}

// A value stands as one argument however it was typed; catalogue values need no quotes.
std::u16string BuildVideoOptions(const VideoSettings& video)
{
    if (!video.m_bInclude)
        return u"-vn";

    std::u16string options;
    if (!video.m_strCodec.empty())
        options += u"-vcodec " + QuoteArgument(video.m_strCodec) + u" ";
    if (IsGiven(video.m_strFrameRate))
        options += u"-r " + QuoteArgument(video.m_strFrameRate) + u" ";
    if (IsGiven(video.m_strBitRate))
        options += u"-b " + QuoteArgument(InKilobits(video.m_strBitRate)) + u" ";
    if (IsGiven(video.m_strFrameSize))
        options += u"-s " + QuoteArgument(video.m_strFrameSize);
    Trim(options);
    return options;
}

std::u16string BuildAudioOptions(const AudioSettings& audio)
{
    if (!audio.m_bInclude)
        return u"-an";

    std::u16string options;
    if (!audio.m_strCodec.empty())
        options += u"-acodec " + QuoteArgument(audio.m_strCodec) + u" ";
    if (!audio.m_strSampleRate.empty())
        options += u"-ar " + QuoteArgument(audio.m_strSampleRate) + u" ";
    if (!audio.m_strBitRate.empty())
        options += u"-ab " + QuoteArgument(InKilobits(audio.m_strBitRate)) + u" ";
    if (!audio.m_strChannels.empty())
        options += u"-ac " + QuoteArgument(ChannelCount(audio.m_strChannels)) + u" ";
    Trim(options);
    return options;
}

void BuildCommandLines(const ConversionJob& job, CommandList& commands)
{
    commands.Clear();
    const std::u16string video = BuildVideoOptions(job.m_video);
    const std::u16string audio = BuildAudioOptions(job.m_audio);
    const std::u16string source = QuotePath(job.m_strSource);
    const std::u16string output = QuotePath(job.m_strOutput);

    if (!UsesIntermediateFile(job)) {
        commands.Append(FillFormat(kOneStage, {source, audio, video, output}));
    } else {
        const std::u16string intermediate = QuotePath(job.m_strIntermediate);
        commands.Append(FillFormat(kFirstOfTwoStages, {source, intermediate}));
        commands.Append(FillFormat(kSecondOfTwoStages, {intermediate, audio, video, output}));
    }
}
