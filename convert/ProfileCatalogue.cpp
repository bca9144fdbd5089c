#include "convert/ProfileCatalogue.h"

#include <array>

#include "platform/text/AsciiCase.h"

namespace {

using Entry = std::u16string_view;

// Video2FLV offers only FLV; FLV2Video converts FLV into the others.
constexpr std::array<Entry, 1> kVideo2FlvTypes{u"FLV"};
constexpr std::array<Entry, 4> kFlv2VideoTypes{u"AVI", u"MP4", u"WMV", u"MP3"};

constexpr std::array<Entry, 4> kMp4SubTypes{u"MP4", u"iPod", u"PSP", u"MOBILE"};

constexpr std::array<Entry, 12> kFrameSizes{
    kCustomEntry, u"Original",  u"160 x 120", u"176 x 144", u"192 x 168", u"240 x 180",
    u"320 x 240", u"352 x 288", u"720 x 480", u"720 x 576", u"800 x 600", u"1024 x 768"};

constexpr std::array<Entry, 11> kFrameRates{kCustomEntry, u"Original", u"2",      u"5",
                                            u"12",        u"15",       u"20",     u"23.976",
                                            u"25",        u"29.970",   u"30"};

constexpr std::array<Entry, 11> kVideoBitRates{kCustomEntry, u"100", u"200", u"300",
                                               u"400",       u"500", u"600", u"800",
                                               u"1000",      u"1600", u"2500"};

constexpr std::array<Entry, 1> kFlvAudioBitRates{u"64"};

// Video codecs by FLV2Video export type; MP3 has no video.
constexpr std::array<Entry, 2> kAviVideoCodecs{u"MS MPEG4 V2", u"MJPEG"};
constexpr std::array<Entry, 1> kMp4VideoCodecs{u"MPEG4"};
constexpr std::array<Entry, 2> kWmvVideoCodecs{u"WMV1", u"WMV2"};

constexpr std::array<Entry, 2> kAviAudioCodecs{u"mp3", u"mp2"};
constexpr std::array<Entry, 1> kMp3Only{u"mp3"};

// The MP4 sub-type rows; only the plain MP4 row offers "Custom..." and "Original", and its
// frame rates are the general ones.
constexpr std::array<Entry, 7> kMp4FrameRatesIpod{u"10", u"12", u"15", u"20", u"23.976", u"24", u"25"};
constexpr std::array<Entry, 3> kMp4FrameRatesPsp{u"15", u"29.970", u"30"};
constexpr std::array<Entry, 7> kMp4FrameRatesMobile{u"1", u"2", u"3", u"5", u"10", u"12", u"15"};

constexpr std::array<Entry, 11> kMp4BitRatesMp4{kCustomEntry, u"100", u"200", u"300",
                                                u"400",       u"500", u"600", u"800",
                                                u"900",       u"1000", u"1200"};
// iPod and PSP share their bit rates.
constexpr std::array<Entry, 7> kMp4BitRatesHandheld{u"100", u"200", u"300", u"400", u"500", u"600", u"700"};
constexpr std::array<Entry, 6> kMp4BitRatesMobile{u"100", u"200", u"300", u"400", u"500", u"600"};

// Audio choices per audio codec. mp2 gets the MPEG-1 rates only: today's mp2 encoder refuses
// the higher bit rates at MPEG-2 sample rates such as 22050, and every pair below encodes.
constexpr std::array<Entry, 3> kMp3SampleRates{u"11025", u"22050", u"44100"};
constexpr std::array<Entry, 7> kMp3AudioBitRates{u"32", u"48", u"64", u"96", u"128", u"160", u"192"};
constexpr std::array<Entry, 3> kMp2SampleRates{u"32000", u"44100", u"48000"};
constexpr std::array<Entry, 8> kMp2AudioBitRates{u"64",  u"96",  u"128", u"192",
                                                 u"224", u"256", u"320", u"384"};
constexpr std::array<Entry, 2> kStereoMono{u"stereo", u"mono"};

struct AudioCodecRows {
    Entry codec;
    CatalogueList sampleRates;
    CatalogueList bitRates;
    CatalogueList channels;
};

const std::array<AudioCodecRows, 2> kAudioCodecRows{{
    {u"mp3", kMp3SampleRates, kMp3AudioBitRates, kStereoMono},
    {u"mp2", kMp2SampleRates, kMp2AudioBitRates, kStereoMono},
}};

const AudioCodecRows* FindAudioCodec(Entry codec)
{
    // Codec names come from the list in lower case, but a typed or differently cased name
    // must find the same row.
    for (const auto& rows : kAudioCodecRows)
        if (EqualsAsciiNoCase(rows.codec, codec))
            return &rows;
    return nullptr;
}

ComboFill Fill(CatalogueList list, int entry) { return {ComboFill::Action::Filled, list, entry}; }
ComboFill Emptied() { return {ComboFill::Action::Emptied, {}, 0}; }
ComboFill AudioCodecRule() { return {ComboFill::Action::AudioCodecRule, {}, 0}; }

}  // namespace

std::optional<ExportType> ExportTypeAt(int index)
{
    if (index < 0 || index >= static_cast<int>(kFlv2VideoTypes.size()))
        return std::nullopt;
    return static_cast<ExportType>(index);
}

CatalogueList ExportTypes(ConversionMode mode)
{
    return mode == ConversionMode::Video2FLV ? CatalogueList(kVideo2FlvTypes) : CatalogueList(kFlv2VideoTypes);
}

CatalogueList Mp4SubTypes() { return kMp4SubTypes; }
CatalogueList FrameSizes() { return kFrameSizes; }
CatalogueList FrameRates() { return kFrameRates; }
CatalogueList VideoBitRates() { return kVideoBitRates; }
CatalogueList FlvAudioBitRates() { return kFlvAudioBitRates; }

CatalogueList VideoCodecs(ExportType exportType)
{
    switch (exportType) {
    case ExportType::Avi: return kAviVideoCodecs;
    case ExportType::Mp4: return kMp4VideoCodecs;
    case ExportType::Wmv: return kWmvVideoCodecs;
    case ExportType::Mp3: break;
    }
    return {};
}

CatalogueList AudioCodecs(ExportType exportType)
{
    return exportType == ExportType::Avi ? CatalogueList(kAviAudioCodecs) : CatalogueList(kMp3Only);
}

CatalogueList Mp4FrameRates(int subType)
{
    switch (subType) {
    case 0: return kFrameRates;
    case 1: return kMp4FrameRatesIpod;
    case 2: return kMp4FrameRatesPsp;
    case 3: return kMp4FrameRatesMobile;
    default: return {};
    }
}

CatalogueList Mp4VideoBitRates(int subType)
{
    switch (subType) {
    case 0: return kMp4BitRatesMp4;
    case 1:
    case 2: return kMp4BitRatesHandheld;
    case 3: return kMp4BitRatesMobile;
    default: return {};
    }
}

CatalogueList SampleRates(std::u16string_view audioCodec)
{
    const AudioCodecRows* rows = FindAudioCodec(audioCodec);
    return rows ? rows->sampleRates : CatalogueList{};
}

CatalogueList AudioBitRates(std::u16string_view audioCodec)
{
    const AudioCodecRows* rows = FindAudioCodec(audioCodec);
    return rows ? rows->bitRates : CatalogueList{};
}

CatalogueList Channels(std::u16string_view audioCodec)
{
    const AudioCodecRows* rows = FindAudioCodec(audioCodec);
    return rows ? rows->channels : CatalogueList{};
}

Profile Video2FlvProfile()
{
    Profile p{};
    p[kVideoCodecCombo] = Emptied();
    p[kFrameRateCombo] = Fill(kFrameRates, 5);        // "15"
    p[kVideoBitRateCombo] = Fill(kVideoBitRates, 2);  // "200"
    p[kFrameSizeCombo] = Fill(kFrameSizes, 1);        // "Original"
    p[kAudioCodecCombo] = Emptied();
    p[kSampleRateCombo] = Fill(kMp3SampleRates, 2);   // "44100"
    p[kAudioBitRateCombo] = Fill(kFlvAudioBitRates, 0);
    p[kChannelsCombo] = Fill(kStereoMono, 0);
    return p;
}

Profile Flv2VideoProfile()
{
    Profile p{};
    p[kVideoCodecCombo] = Fill(kAviVideoCodecs, 0);
    p[kFrameRateCombo] = Fill(kFrameRates, 1);        // "Original"
    p[kVideoBitRateCombo] = Fill(kVideoBitRates, 0);  // "Custom..."
    p[kFrameSizeCombo] = Fill(kFrameSizes, 1);
    p[kAudioCodecCombo] = Fill(kAviAudioCodecs, 0);
    p[kSampleRateCombo] = Fill(kMp3SampleRates, 2);
    p[kAudioBitRateCombo] = Fill(kMp3AudioBitRates, 3);  // "96"
    p[kChannelsCombo] = Fill(kStereoMono, 0);
    return p;
}

Profile ExportTypeProfile(ExportType exportType)
{
    Profile p{};
    switch (exportType) {
    case ExportType::Avi:
    case ExportType::Wmv:
        p[kVideoCodecCombo] = Fill(VideoCodecs(exportType), 0);
        p[kFrameRateCombo] = Fill(kFrameRates, 0);  // "Custom...", not "Original"
        p[kVideoBitRateCombo] = Fill(kVideoBitRates, 0);
        p[kFrameSizeCombo] = Fill(kFrameSizes, 1);
        break;
    case ExportType::Mp4:
        p[kSubTypeCombo] = Fill(kMp4SubTypes, 0);
        p[kVideoCodecCombo] = Fill(kMp4VideoCodecs, 0);
        p[kFrameRateCombo] = Fill(kFrameRates, 1);  // "Original"
        p[kVideoBitRateCombo] = Fill(kMp4BitRatesMp4, 0);
        break;
    case ExportType::Mp3:
        break;
    }
    p[kAudioCodecCombo] = Fill(AudioCodecs(exportType), 0);
    p[kSampleRateCombo] = AudioCodecRule();
    p[kAudioBitRateCombo] = AudioCodecRule();
    p[kChannelsCombo] = AudioCodecRule();
    return p;
}

Profile Mp4SubTypeProfile(int subType)
{
    Profile p{};
    if (Mp4FrameRates(subType).empty())
        return p;
    p[kFrameRateCombo] = Fill(Mp4FrameRates(subType), 0);
    p[kVideoBitRateCombo] = Fill(Mp4VideoBitRates(subType), 0);
    return p;
}

Profile AudioCodecProfile(std::u16string_view audioCodec)
{
    Profile p{};
    const AudioCodecRows* rows = FindAudioCodec(audioCodec);
    if (!rows) {
        // An unknown codec has no rows: its three boxes end up empty rather than keeping
        // another codec's rates, which that codec might refuse.
        p[kSampleRateCombo] = Emptied();
        p[kAudioBitRateCombo] = Emptied();
        p[kChannelsCombo] = Emptied();
        return p;
    }
    p[kSampleRateCombo] = Fill(rows->sampleRates, 2);
    p[kAudioBitRateCombo] = Fill(rows->bitRates, 3);
    p[kChannelsCombo] = Fill(rows->channels, 0);
    return p;
}
