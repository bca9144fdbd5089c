#include "convert/CaptureSettings.h"

#include <utility>

#include "convert/ProfileCatalogue.h"
#include "convert/StringUtils.h"

namespace {

// The custom edits are bound to numbers that start at 0, so "0" means nothing was typed.
constexpr std::u16string_view kNotEntered = u"0";

// What the user typed reaches the encoder without the blanks around it, so that "200 "
// still gets its unit; blanks inside stay, and the builder quotes the value as one argument.
std::u16string Typed(std::u16string text)
{
    Trim(text);
    return text;
}

std::u16string CodecName(std::u16string text)
{
    RemoveBlanks(text);
    MakeLower(text);
    return text;
}

}  // namespace

CaptureRefusal CaptureSettings(const OptionControlTexts& controls, VideoSettings& video, AudioSettings& audio)
{
    VideoSettings capturedVideo;
    AudioSettings capturedAudio;
    video = VideoSettings{};
    audio = AudioSettings{};

    if (controls.m_bIncludeVideo) {
        capturedVideo.m_strCodec = CodecName(controls.m_strVideoCodec);

        capturedVideo.m_strFrameRate = controls.m_strFrameRate;
        if (controls.m_strFrameRate == kCustomEntry) {
            if (controls.m_strCustomFrameRate == kNotEntered)
                return CaptureRefusal::FrameRateMissing;
            capturedVideo.m_strFrameRate = Typed(controls.m_strCustomFrameRate);
        }

        capturedVideo.m_strBitRate = controls.m_strVideoBitRate;
        if (controls.m_strVideoBitRate == kCustomEntry) {
            if (controls.m_strCustomVideoBitRate == kNotEntered)
                return CaptureRefusal::BitRateMissing;
            capturedVideo.m_strBitRate = Typed(controls.m_strCustomVideoBitRate);
        }

        if (controls.m_strFrameSize == kCustomEntry) {
            capturedVideo.m_strFrameSize =
                AppendX(Typed(controls.m_strCustomWidth)) + Typed(controls.m_strCustomHeight);
        } else {
            capturedVideo.m_strFrameSize = controls.m_strFrameSize;
            RemoveBlanks(capturedVideo.m_strFrameSize);
        }
    } else {
        capturedVideo.m_bInclude = false;
    }

    if (controls.m_bIncludeAudio) {
        capturedAudio.m_strCodec = CodecName(controls.m_strAudioCodec);
        capturedAudio.m_strSampleRate = controls.m_strSampleRate;
        capturedAudio.m_strBitRate = controls.m_strAudioBitRate;
        capturedAudio.m_strChannels = controls.m_strChannels;
    } else {
        capturedAudio.m_bInclude = false;
    }

    video = std::move(capturedVideo);
    audio = std::move(capturedAudio);
    return CaptureRefusal::None;
}
