#include "convert/FormatRules.h"

#include <array>
#include <cstdint>

#include "convert/StringUtils.h"

namespace {

// The bit rates an MPEG audio frame can name, by codec, sample rate and channels (0: any).
// MPEG-1 covers 32-48 kHz, MPEG-2 16-24 kHz and MPEG-2.5 8-12 kHz; Layer II keeps its high
// rates for two channels.
struct BitRateRule {
    std::u16string_view codec;
    int minHz;
    int maxHz;
    int channels;
    int minKbps;
    int maxKbps;
};

constexpr std::array<BitRateRule, 7> kBitRateRules{{
    {u"mp3", 32000, 48000, 0, 32, 320},
    {u"mp3", 16000, 24000, 0, 8, 160},
    {u"mp3", 8000, 12000, 0, 8, 64},
    {u"mp2", 32000, 48000, 1, 32, 192},
    {u"mp2", 32000, 48000, 2, 64, 384},
    {u"mp2", 16000, 24000, 0, 8, 160},
    {u"mp2", 8000, 12000, 0, 8, 160},
}};

// Sample rates a container refuses for a codec: MP4 takes MP3 from 16 kHz up only.
struct ContainerRule {
    std::u16string_view extension;
    std::u16string_view codec;
    int minHz;
};

constexpr std::array<ContainerRule, 1> kContainerRules{{
    {u"mp4", u"mp3", 16000},
}};

// Containers that hold sound alone.
constexpr std::array<std::u16string_view, 1> kAudioOnly{u"mp3"};

FormatRefusal Refusal(FormatRefusal::Kind kind, std::u16string_view container = {}, std::u16string_view codec = {},
                      int sampleRate = 0, int limit = 0)
{
    FormatRefusal refusal;
    refusal.kind = kind;
    refusal.container = container;
    refusal.codec = codec;
    refusal.sampleRate = sampleRate;
    refusal.limit = limit;
    return refusal;
}

std::u16string Upper(std::u16string_view codec)
{
    std::u16string upper(codec);
    for (char16_t& c : upper)
        if (c >= u'a' && c <= u'z')
            c = static_cast<char16_t>(c - u'a' + u'A');
    return upper;
}

std::optional<FormatRefusal> CheckSound(std::u16string_view extension, const AudioSettings& audio)
{
    const std::optional<int> hz = WholeValue(audio.m_strSampleRate);
    if (!hz)
        return std::nullopt;
    for (const ContainerRule& rule : kContainerRules)
        if (EqualsNoCase(rule.extension, extension) && EqualsNoCase(rule.codec, audio.m_strCodec) && *hz < rule.minHz)
            return Refusal(FormatRefusal::Kind::SampleRateTooLow, Upper(rule.extension), Upper(rule.codec), *hz,
                           rule.minHz);
    const std::optional<int> kbps = WholeValue(audio.m_strBitRate);
    if (!kbps)
        return std::nullopt;
    const int channels = ChannelCount(audio.m_strChannels).value_or(0);
    for (const BitRateRule& rule : kBitRateRules) {
        if (!EqualsNoCase(rule.codec, audio.m_strCodec) || *hz < rule.minHz || *hz > rule.maxHz ||
            (rule.channels != 0 && rule.channels != channels))
            continue;
        if (*kbps > rule.maxKbps)
            return Refusal(rule.channels == 1 ? FormatRefusal::Kind::MonoBitRateTooHigh
                                              : FormatRefusal::Kind::BitRateTooHigh,
                           {}, Upper(rule.codec), *hz, rule.maxKbps);
        if (*kbps < rule.minKbps)
            return Refusal(FormatRefusal::Kind::BitRateTooLow, {}, Upper(rule.codec), *hz, rule.minKbps);
    }
    return std::nullopt;
}

}  // namespace

std::optional<FormatRefusal> CheckFormatRules(std::u16string_view extension, const VideoSettings& video,
                                              const AudioSettings& audio)
{
    for (const std::u16string_view audioOnly : kAudioOnly)
        if (EqualsNoCase(audioOnly, extension) && !audio.m_bInclude)
            return Refusal(FormatRefusal::Kind::NoSound);
    if (!video.m_bInclude && !audio.m_bInclude)
        return Refusal(FormatRefusal::Kind::NothingToWrite);
    return audio.m_bInclude ? CheckSound(extension, audio) : std::nullopt;
}

std::optional<double> DecimalValue(std::u16string_view text)
{
    // By hand: the C library's readings follow the user's locale, whose decimal mark may be a comma.
    double value = 0;
    double scale = 0;  // 0 before the dot, then the place of the next digit
    bool digits = false;
    for (const char16_t c : text) {
        if (c == u'.' && scale == 0) {
            scale = 0.1;
        } else if (c >= u'0' && c <= u'9') {
            digits = true;
            if (scale == 0) {
                value = value * 10 + (c - u'0');
            } else {
                value += (c - u'0') * scale;
                scale /= 10;
            }
        } else {
            return std::nullopt;
        }
    }
    if (!digits || value <= 0 || value > 1e9)
        return std::nullopt;
    return value;
}

std::optional<int> WholeValue(std::u16string_view text)
{
    const std::optional<double> value = DecimalValue(text);
    if (!value || *value != static_cast<double>(static_cast<std::int64_t>(*value)))
        return std::nullopt;
    return static_cast<int>(*value);
}

std::optional<std::pair<int, int>> FrameSizeValue(std::u16string_view text)
{
    const std::size_t x = text.find(u'x');
    if (x == std::u16string_view::npos)
        return std::nullopt;
    const std::optional<int> width = WholeValue(text.substr(0, x));
    const std::optional<int> height = WholeValue(text.substr(x + 1));
    if (!width || !height)
        return std::nullopt;
    return std::pair{*width, *height};
}

std::optional<int> ChannelCount(std::u16string_view text)
{
    if (EqualsNoCase(text, u"mono"))
        return 1;
    if (EqualsNoCase(text, u"stereo"))
        return 2;
    return std::nullopt;
}
