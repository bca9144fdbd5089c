// Runs the commands BuildCommandLines makes for the catalogue's defaults through the real
// encoders and checks with ffprobe that the output holds what the user asked for.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>

#include "platform/text/TextCodec.h"
#include "convert/CaptureSettings.h"
#include "convert/CommandBuilder.h"
#include "convert/ProfileCatalogue.h"
#include "convert/StringUtils.h"
#include "platform/text/CommandLine.h"
#include "tests/EncoderTools.h"

namespace {

namespace fs = std::filesystem;

constexpr double kClipSeconds = 2;

// plugins\ffmpeg.exe and plugins\mencoder.exe stand for the encoders installed on PATH.
std::string SystemProgram(const std::string& program)
{
    std::string name = program.substr(program.find_last_of('\\') + 1);
    if (name.ends_with(".exe"))
        name.resize(name.size() - 4);
    return name;
}

// The option controls as the dialog shows them after the given profiles, applied in order.
struct Dialog {
    std::array<std::u16string, kProfileComboCount> texts;

    void Apply(const Profile& profile)
    {
        bool audioCodecRule = false;
        for (int combo = 0; combo < kProfileComboCount; ++combo) {
            const ComboFill& fill = profile[combo];
            if (fill.action == ComboFill::Action::Emptied)
                texts[combo].clear();
            else if (fill.action == ComboFill::Action::Filled)
                texts[combo] = std::u16string(fill.list[fill.entry]);
            audioCodecRule |= fill.action == ComboFill::Action::AudioCodecRule;
        }
        if (audioCodecRule)
            Apply(AudioCodecProfile(texts[kAudioCodecCombo]));
    }
};

struct ExportCase {
    const char* name;
    ConversionMode mode;
    ExportType exportType;    // FLV2Video export type (any, for Video2FLV)
    int subType;              // MP4 sub-type chosen after the export type, or -1
    const char16_t* audioCodec;  // chosen in place of the default, or nullptr
    const char16_t* frameSize;   // chosen in place of "Original", or nullptr
    const char16_t* source;      // file name of the clip
    std::vector<std::string> clipOptions;
    std::size_t stages;
    const char* videoCodec;   // as ffprobe names it; nullptr for an audio-only output
    const char* audioCodecName;
};

void PrintTo(const ExportCase& c, std::ostream* out)
{
    *out << c.name;
}

class EncoderEndToEnd : public ::testing::TestWithParam<ExportCase> {
protected:
    void SetUp() override
    {
        m_previousDir = fs::current_path();
        char pattern[] = "/tmp/tarvex-e2e-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        m_dir = pattern;
        // temp.avi and plugins\ are relative to the current directory.
        fs::current_path(m_dir);
    }

    void TearDown() override
    {
        fs::current_path(m_previousDir);
        if (HasFailure())
            std::cerr << "encoder output:\n" << ReadFile(m_dir + "/log.txt") << '\n';
        fs::remove_all(m_dir);
    }

    void MakeClip(const std::string& path, const std::vector<std::string>& options)
    {
        ASSERT_EQ(::MakeClip(path, options, kClipSeconds, m_dir + "/log.txt"), 0);
    }

    Probe ProbeFile(const std::string& path) { return ::ProbeFile(path, kClipSeconds, m_dir + "/probe.txt"); }

    std::string m_previousDir;
    std::string m_dir;
};

}  // namespace

TEST_P(EncoderEndToEnd, DefaultsGiveAPlayableFileWithTheChosenOptions)
{
    const ExportCase& c = GetParam();

    // What the user does in the dialog: tab, export type, sub-type, audio codec, custom values.
    Dialog dialog;
    OptionControlTexts controls;
    if (c.mode == ConversionMode::Video2FLV) {
        dialog.Apply(Video2FlvProfile());
    } else {
        dialog.Apply(Flv2VideoProfile());
        dialog.Apply(ExportTypeProfile(c.exportType));
        if (c.subType >= 0)
            dialog.Apply(Mp4SubTypeProfile(c.subType));
        controls.m_bIncludeVideo = c.videoCodec != nullptr;
    }
    if (c.audioCodec) {
        dialog.texts[kAudioCodecCombo] = c.audioCodec;
        dialog.Apply(AudioCodecProfile(c.audioCodec));
    }
    if (c.frameSize)
        dialog.texts[kFrameSizeCombo] = c.frameSize;
    controls.m_strVideoCodec = dialog.texts[kVideoCodecCombo];
    controls.m_strFrameRate = dialog.texts[kFrameRateCombo];
    controls.m_strCustomFrameRate = u"25";
    controls.m_strVideoBitRate = dialog.texts[kVideoBitRateCombo];
    controls.m_strCustomVideoBitRate = u"150";
    controls.m_strFrameSize = dialog.texts[kFrameSizeCombo];
    controls.m_strAudioCodec = dialog.texts[kAudioCodecCombo];
    controls.m_strSampleRate = dialog.texts[kSampleRateCombo];
    controls.m_strAudioBitRate = dialog.texts[kAudioBitRateCombo];
    controls.m_strChannels = dialog.texts[kChannelsCombo];

    ConversionJob job;
    ASSERT_EQ(CaptureSettings(controls, job.m_video, job.m_audio), CaptureRefusal::None);
    job.m_mode = c.mode;
    const std::u16string dir(m_dir.begin(), m_dir.end());
    job.m_strSource = dir + u"/" + c.source;
    std::u16string extension(c.mode == ConversionMode::Video2FLV ? u"flv" : ExportTypes(ConversionMode::FLV2Video)[static_cast<std::size_t>(c.exportType)]);
    MakeLower(extension);
    job.m_strOutput = dir + u"/输出 file" + PrefixDot(extension);
    ASSERT_NO_FATAL_FAILURE(MakeClip(EncodeUtf8(job.m_strSource), c.clipOptions));

    CommandList commands;
    BuildCommandLines(job, commands);
    ASSERT_EQ(commands.All().size(), c.stages);
    for (const std::u16string& command : commands.All()) {
        std::vector<std::string> argv = SplitCommandLine(EncodeUtf8(command));
        argv[0] = SystemProgram(argv[0]);
        ASSERT_EQ(RunProgram(argv, m_dir + "/log.txt"), 0) << EncodeUtf8(command);
    }

    const Probe probe = ProbeFile(EncodeUtf8(job.m_strOutput));
    const VideoSettings& video = job.m_video;
    const AudioSettings& audio = job.m_audio;
    if (c.videoCodec) {
        EXPECT_EQ(probe["video.codec_name"], c.videoCodec);
        const std::string size = video.m_strFrameSize == u"Original" ? "160x120" : EncodeUtf8(video.m_strFrameSize);
        EXPECT_EQ(probe["video.width"] + "x" + probe["video.height"], size);
        const double frameRate = video.m_strFrameRate == u"Original" ? 25 : std::stod(EncodeUtf8(video.m_strFrameRate));
        EXPECT_NEAR(Rate(probe["video.r_frame_rate"]), frameRate, 0.01);
        // Two seconds of a plain test picture cannot hit a video bit rate exactly (and at one
        // frame a second cannot even spend it), so only a gross miss counts.
        const double kbps = std::stod(EncodeUtf8(video.m_strBitRate));
        EXPECT_GT(probe.kbps.at("video"), kbps / 3) << "asked for " << kbps << " kb/s";
        EXPECT_LT(probe.kbps.at("video"), kbps * 2) << "asked for " << kbps << " kb/s";
    } else {
        EXPECT_FALSE(probe.fields.contains("video.codec_name"));
    }
    EXPECT_EQ(probe["audio.codec_name"], c.audioCodecName);
    EXPECT_EQ(probe["audio.sample_rate"], EncodeUtf8(audio.m_strSampleRate));
    EXPECT_EQ(probe["audio.channels"], audio.m_strChannels == u"mono" ? "1" : "2");
    // Constant bit rate audio over the whole clip, which a rate read as bit/s could not give.
    const double audioKbps = std::stod(EncodeUtf8(audio.m_strBitRate));
    EXPECT_NEAR(probe.kbps.at("audio"), audioKbps, audioKbps * 0.15);
    // The first of two stages hands its work to the second through ./temp.avi.
    EXPECT_EQ(fs::exists(fs::path(m_dir) / "temp.avi"), c.stages == 2);
}

INSTANTIATE_TEST_SUITE_P(
    Exports, EncoderEndToEnd,
    ::testing::Values(
        ExportCase{"AVI", ConversionMode::FLV2Video, ExportType::Avi, -1, nullptr, nullptr, u"源 clip.flv", {}, 1, "msmpeg4v2", "mp3"},
        ExportCase{"AVI_mp2", ConversionMode::FLV2Video, ExportType::Avi, -1, u"mp2", u"176 x 144", u"源 clip.flv", {}, 1, "msmpeg4v2", "mp2"},
        ExportCase{"MP4", ConversionMode::FLV2Video, ExportType::Mp4, -1, nullptr, nullptr, u"源 clip.flv", {}, 1, "mpeg4", "mp3"},
        ExportCase{"MP4_iPod", ConversionMode::FLV2Video, ExportType::Mp4, 1, nullptr, nullptr, u"源 clip.flv", {}, 1, "mpeg4", "mp3"},
        ExportCase{"MP4_PSP", ConversionMode::FLV2Video, ExportType::Mp4, 2, nullptr, nullptr, u"源 clip.flv", {}, 1, "mpeg4", "mp3"},
        ExportCase{"MP4_MOBILE", ConversionMode::FLV2Video, ExportType::Mp4, 3, nullptr, nullptr, u"源 clip.flv", {}, 1, "mpeg4", "mp3"},
        ExportCase{"WMV", ConversionMode::FLV2Video, ExportType::Wmv, -1, nullptr, nullptr, u"源 clip.flv", {}, 1, "wmv1", "mp3"},
        ExportCase{"MP3", ConversionMode::FLV2Video, ExportType::Mp3, -1, nullptr, nullptr, u"源 clip.flv", {}, 1, nullptr, "mp3"},
        ExportCase{"FLV_from_avi", ConversionMode::Video2FLV, ExportType::Avi, -1, nullptr, nullptr, u"源 clip.avi", {}, 1, "flv1", "mp3"},
        ExportCase{"FLV_from_mpg", ConversionMode::Video2FLV, ExportType::Avi, -1, nullptr, nullptr, u"it's \"q\"\tclip.MPG", {}, 1, "flv1", "mp3"},
        ExportCase{"FLV_from_mp4", ConversionMode::Video2FLV, ExportType::Avi, -1, nullptr, nullptr, u"源 clip.mp4", {"-c:v", "mpeg4"}, 2, "flv1", "mp3"},
        ExportCase{"FLV_from_wmv", ConversionMode::Video2FLV, ExportType::Avi, -1, nullptr, nullptr, u"源 clip.wmv", {}, 2, "flv1", "mp3"}),
    [](const ::testing::TestParamInfo<ExportCase>& param) { return std::string(param.param.name); });
