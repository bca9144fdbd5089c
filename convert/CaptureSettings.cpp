#include "convert/CaptureSettings.h"

#include <utility>

#include "convert/StringUtils.h"

namespace {

constexpr std::u16string_view kCustom = u"Custom...";
// The custom edits are bound to numbers that start at 0, so "0" means nothing was typed.
constexpr std::u16string_view kNotEntered = u"0";

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
        if (EqualsExact(controls.m_strFrameRate, kCustom)) {
            capturedVideo.m_strFrameRate = controls.m_strCustomFrameRate;
            if (EqualsExact(capturedVideo.m_strFrameRate, kNotEntered))
                return CaptureRefusal::FrameRateMissing;
        }

        capturedVideo.m_strBitRate = controls.m_strVideoBitRate;
        if (EqualsExact(controls.m_strVideoBitRate, kCustom)) {
            capturedVideo.m_strBitRate = controls.m_strCustomVideoBitRate;
            if (EqualsExact(capturedVideo.m_strBitRate, kNotEntered))
                return CaptureRefusal::BitRateMissing;
        }

        if (EqualsExact(controls.m_strFrameSize, kCustom)) {
            capturedVideo.m_strFrameSize = AppendX(controls.m_strCustomWidth) + controls.m_strCustomHeight;
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
