#pragma once
// What the formats themselves allow, held against a conversion before anything runs: the
// catalogue offers every bit rate at every sample rate, but an MPEG audio frame has a fixed set
// of bit rates for each sample rate, and an encoder asked for more quietly writes less. Also
// the numbers a conversion names, read from its texts, so that the written file can be held
// against them.

#include <optional>
#include <string>
#include <string_view>

#include "convert/ConversionJob.h"

// Why a conversion cannot give what it names.
struct FormatRefusal {
    enum class Kind {
        NothingToWrite,     // neither picture nor sound is included
        NoSound,            // an audio-only file without its sound
        SampleRateTooLow,   // the container does not take this codec below `limit` Hz
        BitRateTooHigh,     // the codec's frames go up to `limit` kb/s at this sample rate
        MonoBitRateTooHigh, // likewise, for a single channel
        BitRateTooLow,      // the codec's frames go down to `limit` kb/s at this sample rate
    };
    Kind kind = Kind::NothingToWrite;
    std::u16string container;  // as the user reads it: "MP4"
    std::u16string codec;      // likewise: "MP3"
    int sampleRate = 0;    // Hz, as chosen
    int limit = 0;         // Hz or kb/s, by kind

    bool operator==(const FormatRefusal&) const = default;
};

// The first rule that `video` and `audio`, written to a file with `extension` (no dot, any
// case), break; none when the formats allow them. Values the rules do not know (a codec of no
// row, an unusual sample rate) are left to the encoder.
std::optional<FormatRefusal> CheckFormatRules(std::u16string_view extension, const VideoSettings& video,
                                              const AudioSettings& audio);

// The numbers a setting's text names; none for "Original", an empty text or anything that is
// not plainly such a number ("25 extra", "0x0").
std::optional<double> DecimalValue(std::u16string_view text);
std::optional<int> WholeValue(std::u16string_view text);
// "320x240": width and height.
std::optional<std::pair<int, int>> FrameSizeValue(std::u16string_view text);
// "mono" 1, "stereo" 2.
std::optional<int> ChannelCount(std::u16string_view text);
