#include "convert/ProfileCatalogue.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::u16string> Texts(CatalogueList list) { return {list.begin(), list.end()}; }

using Texts_t = std::vector<std::u16string>;

}  // namespace

TEST(ProfileCatalogue, ExportTypesPerMode)
{
    EXPECT_EQ(Texts(ExportTypes(ConversionMode::Video2FLV)), (Texts_t{u"FLV"}));
    EXPECT_EQ(Texts(ExportTypes(ConversionMode::FLV2Video)), (Texts_t{u"AVI", u"MP4", u"WMV", u"MP3"}));
    // The list's positions are the export types; anything else names none.
    EXPECT_EQ(ExportTypeAt(0), ExportType::Avi);
    EXPECT_EQ(ExportTypeAt(3), ExportType::Mp3);
    EXPECT_EQ(ExportTypeAt(4), std::nullopt);
    EXPECT_EQ(ExportTypeAt(-1), std::nullopt);
    EXPECT_EQ(Texts(Mp4SubTypes()), (Texts_t{u"MP4", u"iPod", u"PSP", u"MOBILE"}));
}

TEST(ProfileCatalogue, EntryTextsAreKeptExactly)
{
    EXPECT_EQ(Texts(FrameSizes()),
              (Texts_t{u"Custom...", u"Original", u"160 x 120", u"176 x 144", u"192 x 168",
                       u"240 x 180", u"320 x 240", u"352 x 288", u"720 x 480", u"720 x 576",
                       u"800 x 600", u"1024 x 768"}));
    EXPECT_EQ(Texts(FrameRates()), (Texts_t{u"Custom...", u"Original", u"2", u"5", u"12", u"15",
                                            u"20", u"23.976", u"25", u"29.970", u"30"}));
    EXPECT_EQ(Texts(VideoBitRates()), (Texts_t{u"Custom...", u"100", u"200", u"300", u"400",
                                               u"500", u"600", u"800", u"1000", u"1600",
                                               u"2500"}));
    EXPECT_EQ(Texts(FlvAudioBitRates()), (Texts_t{u"64"}));
    EXPECT_EQ(Texts(VideoCodecs(ExportType::Avi)), (Texts_t{u"MS MPEG4 V2", u"MJPEG"}));
    EXPECT_EQ(Texts(VideoCodecs(ExportType::Mp4)), (Texts_t{u"MPEG4"}));
    EXPECT_EQ(Texts(VideoCodecs(ExportType::Wmv)), (Texts_t{u"WMV1", u"WMV2"}));
    EXPECT_TRUE(VideoCodecs(ExportType::Mp3).empty());
    EXPECT_EQ(Texts(AudioCodecs(ExportType::Avi)), (Texts_t{u"mp3", u"mp2"}));
    for (ExportType type : {ExportType::Mp4, ExportType::Wmv, ExportType::Mp3})
        EXPECT_EQ(Texts(AudioCodecs(type)), (Texts_t{u"mp3"}));
}

TEST(ProfileCatalogue, Mp4RowsDifferFromTheGeneralListsWhereTheyShould)
{
    EXPECT_EQ(Texts(Mp4FrameRates(0)), Texts(FrameRates()));
    EXPECT_EQ(Texts(Mp4VideoBitRates(0)),
              (Texts_t{u"Custom...", u"100", u"200", u"300", u"400", u"500", u"600", u"800",
                       u"900", u"1000", u"1200"}));
    EXPECT_NE(Texts(Mp4VideoBitRates(0)), Texts(VideoBitRates()));
    EXPECT_EQ(Texts(Mp4FrameRates(1)),
              (Texts_t{u"10", u"12", u"15", u"20", u"23.976", u"24", u"25"}));
    EXPECT_EQ(Texts(Mp4FrameRates(2)), (Texts_t{u"15", u"29.970", u"30"}));
    EXPECT_EQ(Texts(Mp4FrameRates(3)), (Texts_t{u"1", u"2", u"3", u"5", u"10", u"12", u"15"}));
    EXPECT_EQ(Texts(Mp4VideoBitRates(3)), (Texts_t{u"100", u"200", u"300", u"400", u"500", u"600"}));
    for (int sub : {1, 2, 3}) {
        for (auto list : {Mp4FrameRates(sub), Mp4VideoBitRates(sub)})
            for (auto entry : list) {
                EXPECT_NE(entry, u"Custom...");
                EXPECT_NE(entry, u"Original");
            }
    }
    EXPECT_TRUE(Mp4FrameRates(4).empty());
    EXPECT_TRUE(Mp4VideoBitRates(-1).empty());
}

TEST(ProfileCatalogue, AudioRowsAreFoundWithoutRegardToCase)
{
    for (std::u16string codec : {u"mp3", u"MP3", u"Mp3"}) {
        EXPECT_EQ(Texts(SampleRates(codec)), (Texts_t{u"11025", u"22050", u"44100"}));
        EXPECT_EQ(Texts(AudioBitRates(codec)),
                  (Texts_t{u"32", u"48", u"64", u"96", u"128", u"160", u"192"}));
        EXPECT_EQ(Texts(Channels(codec)), (Texts_t{u"stereo", u"mono"}));
    }
    EXPECT_EQ(Texts(SampleRates(u"MP2")), (Texts_t{u"32000", u"44100", u"48000"}));
    EXPECT_EQ(Texts(AudioBitRates(u"mp2")),
              (Texts_t{u"64", u"96", u"128", u"192", u"224", u"256", u"320", u"384"}));
    EXPECT_TRUE(SampleRates(u"aac").empty());
    EXPECT_TRUE(AudioBitRates(u"mp3 ").empty());
    EXPECT_TRUE(Channels(u"").empty());
}

namespace {

// The text a profile leaves selected in a combo box, or "" when it leaves the box empty.
std::u16string Selected(const ComboFill& fill)
{
    EXPECT_EQ(fill.action, ComboFill::Action::Filled);
    if (fill.entry < 0 || size_t(fill.entry) >= fill.list.size()) {
        ADD_FAILURE() << "entry " << fill.entry << " is outside its list of " << fill.list.size();
        return {};
    }
    return std::u16string(fill.list[fill.entry]);
}

using A = ComboFill::Action;

}  // namespace

TEST(ProfileCatalogue, Video2FlvAndFlv2VideoProfiles)
{
    const Profile v = Video2FlvProfile();
    EXPECT_EQ(v[kSubTypeCombo].action, A::Unchanged);
    EXPECT_EQ(v[kVideoCodecCombo].action, A::Emptied);
    EXPECT_EQ(v[kAudioCodecCombo].action, A::Emptied);
    EXPECT_EQ(Selected(v[kFrameRateCombo]), u"15");
    EXPECT_EQ(Selected(v[kVideoBitRateCombo]), u"200");
    EXPECT_EQ(Selected(v[kFrameSizeCombo]), u"Original");
    EXPECT_EQ(Selected(v[kSampleRateCombo]), u"44100");
    EXPECT_EQ(Selected(v[kAudioBitRateCombo]), u"64");
    EXPECT_EQ(Selected(v[kChannelsCombo]), u"stereo");

    const Profile f = Flv2VideoProfile();
    EXPECT_EQ(f[kSubTypeCombo].action, A::Unchanged);
    EXPECT_EQ(Selected(f[kVideoCodecCombo]), u"MS MPEG4 V2");
    EXPECT_EQ(Selected(f[kFrameRateCombo]), u"Original");
    EXPECT_EQ(Selected(f[kVideoBitRateCombo]), u"Custom...");
    EXPECT_EQ(Selected(f[kFrameSizeCombo]), u"Original");
    EXPECT_EQ(Selected(f[kAudioCodecCombo]), u"mp3");
    EXPECT_EQ(Selected(f[kSampleRateCombo]), u"44100");
    EXPECT_EQ(Selected(f[kAudioBitRateCombo]), u"96");
    EXPECT_EQ(Selected(f[kChannelsCombo]), u"stereo");
}

TEST(ProfileCatalogue, ExportTypeProfiles)
{
    for (ExportType type : {ExportType::Avi, ExportType::Wmv}) {
        const Profile p = ExportTypeProfile(type);
        SCOPED_TRACE(static_cast<int>(type));
        EXPECT_EQ(p[kSubTypeCombo].action, A::Unchanged);
        EXPECT_EQ(Selected(p[kVideoCodecCombo]), type == ExportType::Avi ? u"MS MPEG4 V2" : u"WMV1");
        EXPECT_EQ(Selected(p[kFrameRateCombo]), u"Custom...");
        EXPECT_EQ(Selected(p[kVideoBitRateCombo]), u"Custom...");
        EXPECT_EQ(Selected(p[kFrameSizeCombo]), u"Original");
        EXPECT_EQ(Selected(p[kAudioCodecCombo]), u"mp3");
    }
    const Profile mp4 = ExportTypeProfile(ExportType::Mp4);
    EXPECT_EQ(Selected(mp4[kSubTypeCombo]), u"MP4");
    EXPECT_EQ(Selected(mp4[kVideoCodecCombo]), u"MPEG4");
    EXPECT_EQ(Selected(mp4[kFrameRateCombo]), u"Original");
    EXPECT_EQ(Selected(mp4[kVideoBitRateCombo]), u"Custom...");
    EXPECT_EQ(mp4[kFrameSizeCombo].action, A::Unchanged);
    EXPECT_EQ(Selected(mp4[kAudioCodecCombo]), u"mp3");

    const Profile mp3 = ExportTypeProfile(ExportType::Mp3);
    for (int combo : {kSubTypeCombo, kVideoCodecCombo, kFrameRateCombo, kVideoBitRateCombo,
                      kFrameSizeCombo})
        EXPECT_EQ(mp3[combo].action, A::Unchanged);
    EXPECT_EQ(Selected(mp3[kAudioCodecCombo]), u"mp3");

    for (ExportType type : {ExportType::Avi, ExportType::Mp4, ExportType::Wmv, ExportType::Mp3})
        for (int combo : {kSampleRateCombo, kAudioBitRateCombo, kChannelsCombo})
            EXPECT_EQ(ExportTypeProfile(type)[combo].action, A::AudioCodecRule);
}

TEST(ProfileCatalogue, SubTypeAndAudioCodecProfiles)
{
    const std::u16string expected[4][2] = {
        {u"Custom...", u"Custom..."}, {u"10", u"100"}, {u"15", u"100"}, {u"1", u"100"}};
    for (int sub = 0; sub < 4; ++sub) {
        const Profile p = Mp4SubTypeProfile(sub);
        EXPECT_EQ(Selected(p[kFrameRateCombo]), expected[sub][0]);
        EXPECT_EQ(Selected(p[kVideoBitRateCombo]), expected[sub][1]);
        for (int combo : {kSubTypeCombo, kVideoCodecCombo, kFrameSizeCombo, kAudioCodecCombo,
                          kSampleRateCombo, kAudioBitRateCombo, kChannelsCombo})
            EXPECT_EQ(p[combo].action, A::Unchanged);
    }
    // Choosing "MP4" again differs from the export-type profile: "Custom..." not "Original".
    EXPECT_NE(Selected(Mp4SubTypeProfile(0)[kFrameRateCombo]),
              Selected(ExportTypeProfile(ExportType::Mp4)[kFrameRateCombo]));

    const Profile mp3 = AudioCodecProfile(u"MP3");
    EXPECT_EQ(Selected(mp3[kSampleRateCombo]), u"44100");
    EXPECT_EQ(Selected(mp3[kAudioBitRateCombo]), u"96");
    EXPECT_EQ(Selected(mp3[kChannelsCombo]), u"stereo");
    const Profile mp2 = AudioCodecProfile(u"mp2");
    EXPECT_EQ(Selected(mp2[kSampleRateCombo]), u"48000");
    EXPECT_EQ(Selected(mp2[kAudioBitRateCombo]), u"192");
    EXPECT_EQ(Selected(mp2[kChannelsCombo]), u"stereo");
    for (int combo : {kSubTypeCombo, kVideoCodecCombo, kAudioCodecCombo})
        EXPECT_EQ(mp2[combo].action, A::Unchanged);

    const Profile unknown = AudioCodecProfile(u"vorbis");
    for (int combo : {kSampleRateCombo, kAudioBitRateCombo, kChannelsCombo})
        EXPECT_EQ(unknown[combo].action, A::Emptied);
}
