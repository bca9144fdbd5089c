#pragma once
// One conversion as the user set it up. Every value is the text chosen or typed, never a parsed
// number, so that what the user saw is exactly what reaches the encoder.

#include <string>

// The tab index of the main dialog is the mode.
enum class ConversionMode {
    Video2FLV = 0,  // any video file to FLV
    FLV2Video = 1,  // an FLV file to another format
};

// Tab 0 is Video2FLV; any other selection, even none (-1), is FLV2Video.
constexpr ConversionMode ModeFromTab(int tabIndex)
{
    return tabIndex == 0 ? ConversionMode::Video2FLV : ConversionMode::FLV2Video;
}

struct VideoSettings {
    bool m_bInclude = true;
    std::u16string m_strCodec;      // FFmpeg's codec name: list text without blanks, lower case
    std::u16string m_strFrameSize;  // "320x240" or "Original"
    std::u16string m_strFrameRate;  // frames per second, or "Original"
    std::u16string m_strBitRate;    // kbit/s, or "Original"

    bool operator==(const VideoSettings&) const = default;
};

struct AudioSettings {
    bool m_bInclude = true;
    std::u16string m_strCodec;       // FFmpeg's codec name: list text without blanks, lower case
    std::u16string m_strBitRate;     // kbit/s
    std::u16string m_strSampleRate;  // Hz
    std::u16string m_strChannels;    // "stereo" or "mono", as the catalogue words it

    bool operator==(const AudioSettings&) const = default;
};

struct ConversionJob {
    ConversionMode m_mode = ConversionMode::Video2FLV;
    std::u16string m_strSource;  // as the user entered it
    std::u16string m_strOutput;  // as entered, or as the Convert action completed it
    VideoSettings m_video;
    AudioSettings m_audio;
    // Where a two-stage route leaves MEncoder's result for FFmpeg. The Convert action puts it
    // in a folder of the run's own, so no file of the user's is overwritten.
    std::u16string m_strIntermediate = u"temp.avi";
};
