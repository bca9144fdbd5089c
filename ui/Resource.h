#pragma once
// Resource ids: dialog templates, controls, strings, icons and window-menu commands.

#include <string_view>

inline constexpr int IDD_ABOUTBOX = 100;
inline constexpr int IDS_ABOUTBOX = 101;
inline constexpr int IDD_TARVEX_DIALOG = 102;
inline constexpr int IDR_MAINFRAME = 128;
inline constexpr int IDD_OUTPUT = 130;

inline constexpr unsigned IDM_ABOUTBOX = 0x0010;

inline constexpr int IDC_STATIC = -1;

// Main dialog. The video options 1021..1028 and the audio options 1032..1035 are each one
// unbroken id range: the include check boxes enable and disable them by range.
inline constexpr int IDC_TAB = 1000;
inline constexpr int IDC_SOURCE_LABEL = 1001;
inline constexpr int IDC_OUTPUT_LABEL = 1002;
inline constexpr int IDC_SOURCE = 1003;
inline constexpr int IDC_BROWSE_SOURCE = 1004;
inline constexpr int IDC_BROWSE_OUTPUT = 1005;
inline constexpr int IDC_OUTPUT = 1006;
inline constexpr int IDC_EXPORT_TYPE_LABEL = 1007;
inline constexpr int IDC_EXPORT_TYPE = 1008;
inline constexpr int IDC_AUDIO_GROUP = 1009;
inline constexpr int IDC_VIDEO_GROUP = 1010;
inline constexpr int IDC_INCLUDE_VIDEO = 1011;
inline constexpr int IDC_INCLUDE_AUDIO = 1012;
inline constexpr int IDC_VIDEO_CODEC_LABEL = 1013;
inline constexpr int IDC_FRAME_RATE_LABEL = 1014;
inline constexpr int IDC_VIDEO_BIT_RATE_LABEL = 1015;
inline constexpr int IDC_FRAME_SIZE_LABEL = 1016;
inline constexpr int IDC_BY_LABEL = 1017;
inline constexpr int IDC_AUDIO_CODEC_LABEL = 1018;
inline constexpr int IDC_SUB_TYPE_LABEL = 1019;
inline constexpr int IDC_SUB_TYPE = 1020;
inline constexpr int IDC_VIDEO_CODEC = 1021;
inline constexpr int IDC_FRAME_RATE = 1022;
inline constexpr int IDC_CUSTOM_FRAME_RATE = 1023;
inline constexpr int IDC_VIDEO_BIT_RATE = 1024;
inline constexpr int IDC_CUSTOM_BIT_RATE = 1025;
inline constexpr int IDC_FRAME_SIZE = 1026;
inline constexpr int IDC_CUSTOM_WIDTH = 1027;
inline constexpr int IDC_CUSTOM_HEIGHT = 1028;
inline constexpr int IDC_SAMPLE_RATE_LABEL = 1029;
inline constexpr int IDC_AUDIO_BIT_RATE_LABEL = 1030;
inline constexpr int IDC_CHANNELS_LABEL = 1031;
inline constexpr int IDC_AUDIO_CODEC = 1032;
inline constexpr int IDC_SAMPLE_RATE = 1033;
inline constexpr int IDC_AUDIO_BIT_RATE = 1034;
inline constexpr int IDC_CHANNELS = 1035;
inline constexpr int IDC_LANGUAGE = 1036;

// Output window.
inline constexpr int IDC_OUTPUT_TEXT = 1038;
inline constexpr int IDC_PROGRESS = 1040;
inline constexpr int IDC_OUTCOME = 1041;
inline constexpr int IDC_STOP = 1042;
inline constexpr int IDC_STATUS = 1043;
inline constexpr int IDC_FILE = 1044;
inline constexpr int IDC_OPEN_FOLDER = 1045;
inline constexpr int IDC_PAUSE = 1046;

// About box.
inline constexpr int IDC_ABOUT_VERSION = 1039;

// The string table.
constexpr std::u16string_view ResourceString(int id)
{
    return id == IDS_ABOUTBOX ? std::u16string_view(u"关于 Tarvex(&A)...") : std::u16string_view();
}
