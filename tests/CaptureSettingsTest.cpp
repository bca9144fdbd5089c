#include "convert/CaptureSettings.h"

#include <gtest/gtest.h>

namespace {

// The controls as the AVI export type leaves them once the user has typed both custom values.
OptionControlTexts AviControls()
{
    OptionControlTexts c;
    c.m_strVideoCodec = u"MS MPEG4 V2";
    c.m_strFrameRate = u"Custom...";
    c.m_strCustomFrameRate = u"25";
    c.m_strVideoBitRate = u"Custom...";
    c.m_strCustomVideoBitRate = u"800";
    c.m_strFrameSize = u"320 x 240";
    c.m_strCustomWidth = u"0";
    c.m_strCustomHeight = u"0";
    c.m_strAudioCodec = u"MP 3";
    c.m_strSampleRate = u"44100";
    c.m_strAudioBitRate = u"96";
    c.m_strChannels = u"stereo";
    return c;
}

}  // namespace

TEST(CaptureSettings, TakesListTextsCustomEditsAndNormalisedCodecs)
{
    VideoSettings video;
    AudioSettings audio;
    ASSERT_EQ(CaptureSettings(AviControls(), video, audio), CaptureRefusal::None);
    EXPECT_EQ(video, (VideoSettings{true, u"msmpeg4v2", u"320x240", u"25", u"800"}));
    EXPECT_EQ(audio, (AudioSettings{true, u"mp3", u"96", u"44100", u"stereo"}));

    OptionControlTexts c = AviControls();
    c.m_strFrameRate = u"23.976";
    c.m_strCustomFrameRate = u"0";  // an edit beside a list that is not "Custom..." is not read
    c.m_strVideoBitRate = u"custom...";
    c.m_strFrameSize = u"Custom...";
    c.m_strCustomWidth = u" 64 0";
    c.m_strCustomHeight = u"480\t";
    c.m_strSampleRate = u"44 100";
    ASSERT_EQ(CaptureSettings(c, video, audio), CaptureRefusal::None);
    EXPECT_EQ(video, (VideoSettings{true, u"msmpeg4v2", u"64 0x480", u"23.976", u"custom..."}));
    EXPECT_EQ(audio.m_strSampleRate, u"44 100");
}

TEST(CaptureSettings, CustomFrameSizeIsJoinedAsTyped)
{
    const struct { std::u16string width, height, size; } cases[] = {
        {u"640", u"480", u"640x480"}, {u"0", u"0", u"0x0"}, {u"", u"480", u"x480"}, {u"", u"", u"x"}};
    for (const auto& s : cases) {
        OptionControlTexts c = AviControls();
        c.m_strFrameSize = u"Custom...";
        c.m_strCustomWidth = s.width;
        c.m_strCustomHeight = s.height;
        VideoSettings video;
        AudioSettings audio;
        ASSERT_EQ(CaptureSettings(c, video, audio), CaptureRefusal::None);
        EXPECT_EQ(video.m_strFrameSize, s.size);
    }
}

TEST(CaptureSettings, RefusesOnlyAnUntypedCustomRateFrameRateFirst)
{
    const struct { std::u16string frameRate, bitRate; CaptureRefusal refusal; } cases[] = {
        {u"0", u"0", CaptureRefusal::FrameRateMissing}, {u"0", u"800", CaptureRefusal::FrameRateMissing},
        {u"25", u"0", CaptureRefusal::BitRateMissing},  {u"0.0", u" 0", CaptureRefusal::None},
        {u"", u"", CaptureRefusal::None},               {u"00", u"0 ", CaptureRefusal::None},
    };
    for (const auto& s : cases) {
        OptionControlTexts c = AviControls();
        c.m_strCustomFrameRate = s.frameRate;
        c.m_strCustomVideoBitRate = s.bitRate;
        VideoSettings video{false, u"stale", u"stale", u"stale", u"stale"};
        AudioSettings audio{false, u"stale", u"stale", u"stale", u"stale"};
        EXPECT_EQ(CaptureSettings(c, video, audio), s.refusal);
        if (s.refusal != CaptureRefusal::None) {
            EXPECT_EQ(video, VideoSettings{});
            EXPECT_EQ(audio, AudioSettings{});
        } else {
            // Accepted values lose the blanks around them, so " 0" reaches the encoder as 0.
            std::u16string frameRate = s.frameRate, bitRate = s.bitRate;
            std::erase(frameRate, u' ');
            std::erase(bitRate, u' ');
            EXPECT_EQ(video.m_strFrameRate, frameRate);
            EXPECT_EQ(video.m_strBitRate, bitRate);
        }
    }
}

TEST(CaptureSettings, LeftOutHalvesAreNeitherReadNorRefused)
{
    OptionControlTexts c = AviControls();
    c.m_strCustomFrameRate = u"0";
    c.m_strCustomVideoBitRate = u"0";
    c.m_bIncludeVideo = false;
    c.m_bIncludeAudio = false;
    VideoSettings video;
    AudioSettings audio;
    ASSERT_EQ(CaptureSettings(c, video, audio), CaptureRefusal::None);
    EXPECT_EQ(video, (VideoSettings{false, u"", u"", u"", u""}));
    EXPECT_EQ(audio, (AudioSettings{false, u"", u"", u"", u""}));
}
