#include "ui/MainDialogTemplate.h"

#include "platform/dialog/Wnd.h"
#include "ui/Resource.h"

namespace {

using K = ControlKind;

constexpr unsigned kLabel = kGroup;
constexpr unsigned kRightLabel = kGroup | kRightAlign;
constexpr unsigned kCustomEdit = kTabStop | kDisabled | kAutoHScroll;

// The sub-type label is wider than its first design (25 units from 158), which clipped
// "Sub-Type" in every font; it keeps its row and its distance to the list.
// The labels' own texts are replaced by the interface language before the dialog is shown.
// The tab control comes last so that it lies behind every other control.
constexpr DlgControl kControls[] = {
    {IDC_SOURCE_LABEL, K::Static, 10, 28, 49, 8, kLabel, u"输入文件"},
    {IDC_SOURCE, K::Edit, 59, 28, 350, 14, kTabStop | kAutoHScroll, u""},
    {IDC_BROWSE_SOURCE, K::PushButton, 415, 28, 17, 14, kTabStop, u"..."},
    {IDC_OUTPUT_LABEL, K::Static, 10, 48, 49, 8, kLabel, u"输出文件"},
    {IDC_OUTPUT, K::Edit, 59, 46, 350, 14, kTabStop | kAutoHScroll, u""},
    {IDC_BROWSE_OUTPUT, K::PushButton, 415, 46, 17, 14, kTabStop, u"..."},
    {IDC_EXPORT_TYPE_LABEL, K::Static, 10, 66, 49, 8, kLabel, u"输出格式"},
    {IDC_EXPORT_TYPE, K::DropDownList, 59, 64, 70, 65, kTabStop, u""},
    {IDC_SUB_TYPE_LABEL, K::Static, 154, 68, 34, 8, kLabel, u"子类型"},
    {IDC_SUB_TYPE, K::DropDownList, 190, 64, 70, 97, kTabStop, u""},
    {IDC_VIDEO_GROUP, K::GroupBox, 10, 82, 223, 110, kTransparent, u"    输出视频到文件"},
    {IDC_INCLUDE_VIDEO, K::AutoCheckBox, 16, 82, 16, 10, kTabStop | kTransparent, u""},
    {IDC_AUDIO_GROUP, K::GroupBox, 243, 82, 188, 89, kTransparent, u"    输出音频到文件"},
    {IDC_INCLUDE_AUDIO, K::AutoCheckBox, 249, 82, 16, 10, kTabStop | kTransparent, u""},
    {IDC_VIDEO_CODEC_LABEL, K::Static, 22, 100, 66, 8, kRightLabel, u"视频编码器"},
    {IDC_VIDEO_CODEC, K::DropDownList, 96, 97, 61, 99, kTabStop, u""},
    {IDC_FRAME_RATE_LABEL, K::Static, 22, 118, 66, 8, kRightLabel, u"帧率(f/s)"},
    {IDC_FRAME_RATE, K::DropDownList, 96, 115, 61, 118, kTabStop, u""},
    {IDC_CUSTOM_FRAME_RATE, K::Edit, 172, 115, 40, 13, kCustomEdit, u""},
    {IDC_VIDEO_BIT_RATE_LABEL, K::Static, 22, 136, 66, 8, kRightLabel, u"比特率(kb/s)"},
    {IDC_VIDEO_BIT_RATE, K::DropDownList, 96, 133, 61, 129, kTabStop, u""},
    {IDC_CUSTOM_BIT_RATE, K::Edit, 172, 133, 40, 13, kCustomEdit, u""},
    {IDC_FRAME_SIZE_LABEL, K::Static, 22, 154, 66, 8, kRightLabel, u"视频大小"},
    {IDC_FRAME_SIZE, K::DropDownList, 96, 151, 61, 131, kTabStop, u""},
    {IDC_CUSTOM_WIDTH, K::Edit, 105, 171, 40, 14, kCustomEdit | kNumber, u""},
    {IDC_BY_LABEL, K::Static, 149, 174, 8, 8, kLabel, u"X"},
    {IDC_CUSTOM_HEIGHT, K::Edit, 157, 171, 40, 14, kCustomEdit | kNumber, u""},
    {IDC_AUDIO_CODEC_LABEL, K::Static, 275, 100, 60, 8, kRightLabel, u"音频编码器"},
    {IDC_AUDIO_CODEC, K::DropDownList, 343, 97, 64, 95, kTabStop, u""},
    {IDC_SAMPLE_RATE_LABEL, K::Static, 275, 118, 60, 8, kRightLabel, u"采样率(hz)"},
    {IDC_SAMPLE_RATE, K::DropDownList, 343, 115, 64, 70, kTabStop, u""},
    {IDC_AUDIO_BIT_RATE_LABEL, K::Static, 275, 136, 60, 8, kRightLabel, u"比特率(kb/s)"},
    {IDC_AUDIO_BIT_RATE, K::DropDownList, 343, 133, 64, 74, kTabStop, u""},
    {IDC_CHANNELS_LABEL, K::Static, 275, 154, 60, 8, kRightLabel, u"声道"},
    {IDC_CHANNELS, K::DropDownList, 343, 151, 64, 76, kTabStop, u""},
    {IDOK, K::DefPushButton, 318, 179, 50, 17, kTabStop, u"转换"},
    {IDCANCEL, K::PushButton, 381, 179, 50, 17, kTabStop, u"取消"},
    {IDC_LANGUAGE, K::PushButton, 386, 3, 50, 13, kTabStop, u"English"},
    {IDC_TAB, K::Tab, 5, 5, 433, 191, 0, u""},
};

constexpr DlgTemplate kTemplate{
    443, 201, kDsCaption | kDsSysMenu | kDsModalFrame | kDsAppWindow,
    u"Vantrel Tarvex", u"宋体", 9, kControls,
};

static_assert(TemplateIsHonoured(kTemplate), "every style bit of the template is honoured");

}  // namespace

const DlgTemplate& MainDialogTemplate()
{
    return kTemplate;
}
