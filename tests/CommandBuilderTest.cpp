#include "convert/CommandBuilder.h"

#include <gtest/gtest.h>

namespace {

const VideoSettings kTalkVideo{true, u"", u"Original", u"15", u"200"};
const AudioSettings kTalkAudio{true, u"", u"64", u"44100", u"stereo"};
const VideoSettings kNoVideo{false, u"", u"", u"", u""};
const AudioSettings kNoAudio{false, u"", u"", u"", u""};

std::vector<std::u16string> Build(const ConversionJob& job)
{
    CommandList list;
    BuildCommandLines(job, list);
    return list.All();
}

using Commands = std::vector<std::u16string>;

}  // namespace

TEST(BuildCommandLines, WorkedExamples)
{
    EXPECT_EQ(Build({ConversionMode::Video2FLV, u"/My Videos/talk.wmv", u"/My Videos/talk.flv", kTalkVideo, kTalkAudio}),
              (Commands{u"plugins\\mencoder.exe \"/My Videos/talk.wmv\" -oac mp3lame -lameopts preset=64 -ovc xvid "
                        u"-xvidencopts bitrate=600 -of avi -o temp.avi",
                        u"plugins\\ffmpeg.exe -i temp.avi -ar 44100 -ab 64k -ac 2 -r 15 -b 200k \"/My Videos/talk.flv\""}));
    EXPECT_EQ(Build({ConversionMode::Video2FLV, u"/in/clip.AVI", u"/in/clip.flv", kTalkVideo, kTalkAudio}),
              Commands{u"plugins\\ffmpeg.exe -i /in/clip.AVI -ar 44100 -ab 64k -ac 2 -r 15 -b 200k /in/clip.flv"});
    EXPECT_EQ(Build({ConversionMode::FLV2Video, u"/clips/talk.flv", u"/clips/talk.avi",
                     {true, u"msmpeg4v2", u"320x240", u"25", u"800"}, {true, u"mp3", u"128", u"44100", u""}}),
              Commands{u"plugins\\ffmpeg.exe -i /clips/talk.flv -acodec mp3 -ar 44100 -ab 128k -vcodec msmpeg4v2 "
                       u"-r 25 -b 800k -s 320x240 /clips/talk.avi"});
    EXPECT_EQ(Build({ConversionMode::FLV2Video, u"/clips/song.flv", u"/clips/song.mp3",
                     {false, u"", u"", u"", u""}, {true, u"mp3", u"128", u"44100", u""}}),
              Commands{u"plugins\\ffmpeg.exe -i /clips/song.flv -acodec mp3 -ar 44100 -ab 128k -vn /clips/song.mp3"});
}

// Each case is something the encoder would otherwise read as more than the one thing meant.
TEST(BuildCommandLines, EveryPathAndTypedValueStaysOneArgument)
{
    const struct { const char* what; std::u16string path, inCommand; } paths[] = {
        {"an option", u"-y.flv", u"./-y.flv"},
        {"a protocol", u"pipe:1", u"./pipe:1"},
        {"a drive letter", u"C:\\v\\a.flv", u"./C:\\v\\a.flv"},
        {"a colon in a folder name", u"a:b/c.flv", u"./a:b/c.flv"},
        {"a colon after the first slash", u"in/a:b.flv", u"in/a:b.flv"},
        {"an absolute path with a colon", u"/v/a:b.flv", u"/v/a:b.flv"},
        {"an option with a blank", u"-my clip.flv", u"\"./-my clip.flv\""},
    };
    for (const auto& p : paths) {
        EXPECT_EQ(Build({ConversionMode::FLV2Video, p.path, p.path, kNoVideo, kNoAudio}),
                  Commands{u"plugins\\ffmpeg.exe -i " + p.inCommand + u" -an -vn " + p.inCommand})
            << p.what;
    }
    // Typed values with blanks or quotes are quoted as one argument; the unit goes inside.
    EXPECT_EQ(BuildVideoOptions({true, u"", u"64 0x480", u"25 extra.avi", u"2 00"}),
              u"-r \"25 extra.avi\" -b \"2 00k\" -s \"64 0x480\"");
    // The intermediate file is named by the job, in both stages.
    ConversionJob job{ConversionMode::Video2FLV, u"/v/a.mp4", u"/v/a.flv", kNoVideo, kNoAudio};
    job.m_strIntermediate = u"/v/.run 1/temp.avi";
    EXPECT_TRUE(UsesIntermediateFile(job));
    EXPECT_EQ(Build(job),
              (Commands{u"plugins\\mencoder.exe /v/a.mp4 -oac mp3lame -lameopts preset=64 -ovc xvid "
                        u"-xvidencopts bitrate=600 -of avi -o \"/v/.run 1/temp.avi\"",
                        u"plugins\\ffmpeg.exe -i \"/v/.run 1/temp.avi\" -an -vn /v/a.flv"}));
}

TEST(BuildCommandLines, RouteFollowsModeAndSourceExtension)
{
    const struct { ConversionMode mode; std::u16string source; std::size_t stages; } cases[] = {
        {ConversionMode::Video2FLV, u"/v/a.AVI", 1},       {ConversionMode::Video2FLV, u"/v/a.Mpg", 1},
        {ConversionMode::Video2FLV, u"/v/a.mpeg", 2},      {ConversionMode::Video2FLV, u"/v/a.mp4", 2},
        {ConversionMode::Video2FLV, u"/v/a.wmv", 2},       {ConversionMode::Video2FLV, u"/v/a", 2},
        {ConversionMode::Video2FLV, u"/v.avi/a", 2},       {ConversionMode::Video2FLV, u"/v/a.avi.rm", 2},
        {ConversionMode::FLV2Video, u"/v/a.wmv", 1},       {ConversionMode::FLV2Video, u"/v/a", 1},
    };
    for (const auto& c : cases) {
        const Commands commands = Build({c.mode, c.source, u"/v/out.flv", kTalkVideo, kTalkAudio});
        ASSERT_EQ(commands.size(), c.stages) << std::string(c.source.begin(), c.source.end());
        EXPECT_EQ(commands[0].starts_with(u"plugins\\mencoder.exe "), c.stages == 2);
    }
}

TEST(BuildCommandLines, PathsAreQuotedEachOnItsOwn)
{
    EXPECT_EQ(Build({ConversionMode::Video2FLV, u"/My Videos/a.avi", u"/out/a.flv", kNoVideo, kNoAudio}),
              Commands{u"plugins\\ffmpeg.exe -i \"/My Videos/a.avi\" -an -vn /out/a.flv"});
    EXPECT_EQ(Build({ConversionMode::FLV2Video, u"/in/a\"b.flv", u"/My Out/a\\", kNoVideo, kNoAudio}),
              Commands{u"plugins\\ffmpeg.exe -i \"/in/a\\\"b.flv\" -an -vn \"/My Out/a\\\\\""});
    // A path is not a format: its own %s stays as it is.
    EXPECT_EQ(Build({ConversionMode::Video2FLV, u"/in/100%s.wmv", u"/out/%s.flv", kNoVideo, kNoAudio}),
              (Commands{u"plugins\\mencoder.exe /in/100%s.wmv -oac mp3lame -lameopts preset=64 -ovc xvid "
                        u"-xvidencopts bitrate=600 -of avi -o temp.avi",
                        u"plugins\\ffmpeg.exe -i temp.avi -an -vn /out/%s.flv"}));
}

TEST(BuildVideoOptions, OrderOriginalAndLeftOut)
{
    EXPECT_EQ(BuildVideoOptions({false, u"flv", u"320x240", u"25", u"800"}), u"-vn");
    EXPECT_EQ(BuildVideoOptions({true, u"mpeg4", u"640x480", u"29.970", u"1200"}),
              u"-vcodec mpeg4 -r 29.970 -b 1200k -s 640x480");
    EXPECT_EQ(BuildVideoOptions({true, u"", u"ORIGINAL", u"original", u"Original"}), u"");
    EXPECT_EQ(BuildVideoOptions({true, u"", u"", u"", u"1.5M"}), u"-b 1.5M");
    EXPECT_EQ(BuildVideoOptions({true, u"", u"", u"", u"200k"}), u"-b 200k");
    EXPECT_EQ(BuildVideoOptions({true, u"", u"x480", u"", u"0.5"}), u"-b 0.5k -s x480");
}

TEST(BuildAudioOptions, OrderChannelsAndNoOriginal)
{
    EXPECT_EQ(BuildAudioOptions({false, u"mp3", u"128", u"44100", u"stereo"}), u"-an");
    EXPECT_EQ(BuildAudioOptions({true, u"mp2", u"192", u"48000", u"mono"}), u"-acodec mp2 -ar 48000 -ab 192k -ac 1");
    EXPECT_EQ(BuildAudioOptions({true, u"", u"Original", u"original", u""}), u"-ar original -ab Original");
    EXPECT_EQ(BuildAudioOptions({true, u"", u"", u"", u"6"}), u"-ac 6");
    EXPECT_EQ(BuildAudioOptions({}), u"");
}

TEST(BuildCommandLines, EmptyOptionStringsLeaveTheirBlanks)
{
    EXPECT_EQ(Build({ConversionMode::FLV2Video, u"/a.flv", u"/a.avi", {true, u"", u"Original", u"", u""}, {}}),
              Commands{u"plugins\\ffmpeg.exe -i /a.flv   /a.avi"});
    EXPECT_EQ(Build({ConversionMode::Video2FLV, u"/a.mov", u"/a.flv", {}, {}})[1],
              u"plugins\\ffmpeg.exe -i temp.avi   /a.flv");
}

TEST(CommandList, RebuildReplacesWhatTheListHeld)
{
    CommandList list;
    BuildCommandLines({ConversionMode::Video2FLV, u"/a.mov", u"/a.flv", kTalkVideo, kTalkAudio}, list);
    BuildCommandLines({ConversionMode::FLV2Video, u"/a.flv", u"/a.mp3", kNoVideo, kTalkAudio}, list);
    EXPECT_EQ(list.All(), std::vector<std::u16string>{u"plugins\\ffmpeg.exe -i /a.flv -ar 44100 -ab 64k -ac 2 -vn /a.mp3"});
}
