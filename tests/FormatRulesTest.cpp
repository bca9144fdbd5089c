// The formats' own rules at their edges, and the numbers read from a setting's text.

#include <gtest/gtest.h>

#include "convert/FormatRules.h"

namespace {

AudioSettings Sound(const char16_t* codec, const char16_t* hz, const char16_t* kbps, const char16_t* channels)
{
    AudioSettings audio;
    audio.m_strCodec = codec;
    audio.m_strSampleRate = hz;
    audio.m_strBitRate = kbps;
    audio.m_strChannels = channels;
    return audio;
}

}  // namespace

TEST(FormatRules, EachMpegAudioVersionHasItsOwnLimits)
{
    using K = FormatRefusal::Kind;
    const struct {
        const char16_t* extension;
        AudioSettings audio;
        std::optional<K> kind;  // none: allowed
        int limit;
    } cases[] = {
        {u"mp3", Sound(u"mp3", u"48000", u"320", u"stereo"), std::nullopt, 0},
        {u"mp3", Sound(u"mp3", u"48000", u"384", u"stereo"), K::BitRateTooHigh, 320},
        {u"mp3", Sound(u"mp3", u"44100", u"24", u"stereo"), K::BitRateTooLow, 32},
        {u"mp3", Sound(u"mp3", u"16000", u"160", u"mono"), std::nullopt, 0},
        {u"mp3", Sound(u"mp3", u"24000", u"192", u"mono"), K::BitRateTooHigh, 160},
        {u"mp3", Sound(u"mp3", u"8000", u"64", u"mono"), std::nullopt, 0},
        {u"mp3", Sound(u"mp3", u"12000", u"80", u"mono"), K::BitRateTooHigh, 64},
        // Between the versions no rule speaks: the encoder answers for itself.
        {u"mp3", Sound(u"mp3", u"96000", u"320", u"mono"), std::nullopt, 0},
        {u"avi", Sound(u"mp2", u"32000", u"192", u"mono"), std::nullopt, 0},
        {u"avi", Sound(u"mp2", u"32000", u"224", u"mono"), K::MonoBitRateTooHigh, 192},
        {u"avi", Sound(u"mp2", u"32000", u"384", u"stereo"), std::nullopt, 0},
        {u"avi", Sound(u"mp2", u"32000", u"32", u"stereo"), K::BitRateTooLow, 64},
        {u"avi", Sound(u"mp2", u"22050", u"192", u"stereo"), K::BitRateTooHigh, 160},
        // The container's rule, whatever the case of its extension; AVI takes MP3 at any rate.
        {u"MP4", Sound(u"mp3", u"11025", u"32", u"stereo"), K::SampleRateTooLow, 16000},
        {u"mp4", Sound(u"mp3", u"16000", u"32", u"stereo"), std::nullopt, 0},
        {u"avi", Sound(u"mp3", u"11025", u"32", u"stereo"), std::nullopt, 0},
        // Values that are no numbers are left to the encoder to refuse.
        {u"mp3", Sound(u"mp3", u"", u"", u""), std::nullopt, 0},
        {u"mp3", Sound(u"MP3", u"11025", u"96 ", u"mono"), std::nullopt, 0},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const std::optional<FormatRefusal> refusal = CheckFormatRules(cases[i].extension, VideoSettings{}, cases[i].audio);
        ASSERT_EQ(refusal.has_value(), cases[i].kind.has_value()) << "case " << i;
        if (refusal) {
            EXPECT_EQ(refusal->kind, *cases[i].kind) << "case " << i;
            EXPECT_EQ(refusal->limit, cases[i].limit) << "case " << i;
        }
    }
}

TEST(FormatRules, NumbersAreReadOnlyFromPlainNumbers)
{
    EXPECT_EQ(DecimalValue(u"29.970"), 29.97);
    EXPECT_EQ(DecimalValue(u"25"), 25.0);
    EXPECT_EQ(DecimalValue(u".5"), 0.5);
    for (const char16_t* text : {u"", u"Original", u"25 extra.avi", u"1.2.3", u"0", u"0.0", u"-5", u"2,5", u"."})
        EXPECT_EQ(DecimalValue(text), std::nullopt);
    EXPECT_EQ(WholeValue(u"44100"), 44100);
    EXPECT_EQ(WholeValue(u"23.976"), std::nullopt);
    EXPECT_EQ(FrameSizeValue(u"320x240"), (std::pair{320, 240}));
    for (const char16_t* text : {u"Original", u"0x0", u"x480", u"640x", u"320 x 240"})
        EXPECT_EQ(FrameSizeValue(text), std::nullopt);
    EXPECT_EQ(ChannelCount(u"mono"), 1);
    EXPECT_EQ(ChannelCount(u"stereo"), 2);
    EXPECT_EQ(ChannelCount(u""), std::nullopt);
}
