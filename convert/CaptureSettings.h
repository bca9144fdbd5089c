#pragma once
// Reads the option controls into the two settings records. The dialog takes a snapshot of the
// controls' texts and check states, so the rules here need no widget.

#include <string>

#include "convert/ConversionJob.h"

// The option controls as the user left them: the text of each drop-down list's selected entry
// (empty when nothing is selected), each edit's text as shown, and the two check boxes.
struct OptionControlTexts {
    bool m_bIncludeVideo = true;
    std::u16string m_strVideoCodec;
    std::u16string m_strFrameRate;
    std::u16string m_strCustomFrameRate;
    std::u16string m_strVideoBitRate;
    std::u16string m_strCustomVideoBitRate;
    std::u16string m_strFrameSize;
    std::u16string m_strCustomWidth;
    std::u16string m_strCustomHeight;

    bool m_bIncludeAudio = true;
    std::u16string m_strAudioCodec;
    std::u16string m_strSampleRate;
    std::u16string m_strAudioBitRate;
    std::u16string m_strChannels;
};

// Why a capture was refused; the dialog shows the matching message of its text table
// (frame rate: "Please enter the frame rate!", bit rate: "Please enter the bit rate!").
enum class CaptureRefusal {
    None,
    FrameRateMissing,  // "Custom..." frame rate whose edit still reads "0"
    BitRateMissing,    // "Custom..." video bit rate whose edit still reads "0"
};

// Fills `video` and `audio` from the controls. On a refusal both records are left as
// constructed. The frame rate is checked before the bit rate, so with both missing the frame
// rate is reported; the audio half is never refused.
CaptureRefusal CaptureSettings(const OptionControlTexts& controls, VideoSettings& video, AudioSettings& audio);
