#include "ui/UiText.h"


namespace {

// English first, Chinese second. The four leading blanks of the two group captions leave
// room for the check box that sits on the group's top edge.
constexpr std::u16string_view kTable[kUiTextEntryCount * 2] = {
    u"Vantrel Tarvex", u"Vantrel Tarvex",
    u"About Vantrel Tarvex", u"关于 Vantrel Tarvex",
    u"Source File", u"输入文件",
    u"Export To...", u"输出文件",
    u"Export Type", u"输出格式",
    u"Sub-Type", u"子类型",
    u"    Include Video In Output File", u"    输出视频到文件",
    u"    Include Audio In Output File", u"    输出音频到文件",
    u"Video Codec", u"视频编码器",
    u"Frame Rate(fps)", u"帧率(f/s)",
    u"Bit Rate(kb/s)", u"比特率(kb/s)",
    u"Frame Size", u"视频大小",
    u"Audio Codec", u"音频编码器",
    u"Sample Rate(hz)", u"采样率(hz)",
    u"Channels", u"声道",
    u"Convert", u"转换",
    u"Cancel", u"取消",
    u"Chinese", u"English",
    u"Please enter the source file name!", u"请输入要转换的文件名",
    u"Please enter the frame rate!", u"请输入帧率",
    u"Please enter the bit rate!", u"请输入比特率",
    u"The output file must not be the source file!", u"输出文件不能与输入文件相同",
    // Names that screen readers announce for fields and buttons that have no label of
    // their own.
    u"Custom Frame Rate(fps)", u"自定义帧率(f/s)",
    u"Custom Bit Rate(kb/s)", u"自定义比特率(kb/s)",
    u"Custom Frame Width", u"自定义视频宽度",
    u"Custom Frame Height", u"自定义视频高度",
    u"Choose Source File", u"选择输入文件",
    u"Choose Output File", u"选择输出文件",
    u"The output folder cannot be written!", u"无法写入输出文件夹!",
    u"Done: %s was written, %s.", u"完成：已写入 %s，%s。",
    // Why a step failed, said whole as "Failed: ..." and in a list of several files' failures.
    u"step %s of %s, %s, exited with status %s", u"第 %s 步（共 %s 步）%s 退出，状态为 %s",
    u"step %s of %s, %s, was killed by signal %s", u"第 %s 步（共 %s 步）%s 被信号 %s 终止",
    u"step %s of %s, %s, could not start", u"第 %s 步（共 %s 步）%s 无法启动",
    u"Failed: %s is missing or empty.", u"失败：%s 不存在或为空。",
    u"%s bytes", u"%s 字节",
    u"Progress", u"进度",
    u"Stop", u"停止",
    u"Stopped: %s is as it was.", u"已停止：%s 保持原样。",
    u"Stopped: nothing was written.", u"已停止：未写入任何文件。",
    u"Failed: the new %s could not be moved into place.", u"失败：新的 %s 无法移到输出位置。",
    // A new file read back: its length, or what it lacks against its source.
    u"Done: %s was written, %s, %s.", u"完成：已写入 %s，%s，%s。",
    u"Written, but %s holds %s of %s.", u"已写入，但 %s 只有 %s（原文件 %s）。",
    u"Written, but %s has no video.", u"已写入，但 %s 没有视频。",
    u"Written, but %s has no audio.", u"已写入，但 %s 没有音频。",
    u"Written, but %s cannot be read as a video.", u"已写入，但 %s 无法作为视频读取。",
    u"Written, but %s cannot be read as audio.", u"已写入，但 %s 无法作为音频读取。",
    // The line under the bar while a run goes on.
    u"Step %s of %s", u"第 %s 步（共 %s 步）",
    u"%s · %s %", u"%s · %s %",
    u"%s · about %s left", u"%s · 约剩 %s",
    u"%s has printed nothing for %s", u"%s 已有 %s 没有输出",
    // Several source files in one go.
    u"With several source files, Export To must be empty or a folder!", u"有多个输入文件时，输出文件必须为空或是一个文件夹！",
    u"Source file not found: %s", u"找不到输入文件：%s",
    u"The output file must not be the source file: %s", u"输出文件不能与输入文件相同：%s",
    u"Several source files would be written to %s: %s", u"多个输入文件将写入同一个文件 %s：%s",
    u"File %s of %s: %s", u"第 %s 个文件（共 %s 个）：%s",
    u"Done: %s files written, %s.", u"完成：已写入 %s 个文件，%s。",
    u"%s of %s written.", u"已写入 %s 个文件（共 %s 个）。",
    u" Failed: %s.", u"失败：%s。",
    u" Written, but: %s.", u"已写入，但：%s。",
    u"and %s more", u"另有 %s 个",
    u"Stopped: %s of %s files written.", u"已停止：已写入 %s 个文件（共 %s 个）。",
    u"Failed: %s.", u"失败：%s。",
    u"missing or empty", u"不存在或为空",
    u"could not be moved into place", u"无法移到输出位置",
    u"holds %s of %s", u"只有 %s（原文件 %s）",
    u"no video", u"没有视频",
    u"no audio", u"没有音频",
    u"cannot be read", u"无法读取",
    u"; ", u"；",
    u"%s (%s)", u"%s（%s）",
    u"Failed: %s could not be written to disk.", u"失败：%s 无法写入磁盘。",
    u"could not be written to disk", u"无法写入磁盘",
    // The end of a run that wrote a file, and why the desktop is kept awake during one.
    u"Open Folder", u"打开文件夹",
    u"Converting video files", u"正在转换视频文件",
    u"Files %s of %s: %s", u"第 %s 个文件（共 %s 个）：%s",
    u"Files %s of %s, %s done: %s", u"第 %s 个文件（共 %s 个，已完成 %s 个）：%s",
    u" and ", u"、",
    u", ", u"、",
    u", ", u"，",
    // Choices the formats do not allow.
    u"Nothing to write: include the video, the audio or both!", u"没有可写入的内容：请至少输出视频或音频！",
    u"An MP3 file holds sound only: tick Include Audio!", u"MP3 文件只含音频：请勾选输出音频！",
    u"%s files take %s sound at %s Hz or more, not %s Hz.", u"%s 文件中的 %s 音频采样率至少为 %s Hz，不能是 %s Hz。",
    u"At %s Hz the %s encoder makes at most %s kb/s.", u"采样率为 %s Hz 时，%s 编码器最高只能输出 %s kb/s。",
    u"At %s Hz the %s encoder makes at most %s kb/s in mono.", u"采样率为 %s Hz 时，%s 编码器的单声道最高只能输出 %s kb/s。",
    u"At %s Hz the %s encoder makes at least %s kb/s.", u"采样率为 %s Hz 时，%s 编码器最低输出 %s kb/s。",
    // A new file that differs from the choice, whole and as a reason in a list.
    u"Written, but %s's %s.", u"已写入，但 %s 的%s。",
    u"sound is %s Hz, not the %s Hz chosen", u"音频为 %s Hz，而非所选的 %s Hz",
    u"sound is %s, not the %s chosen", u"音频为%s，而非所选的%s",
    u"sound is %s kb/s, not the %s kb/s chosen", u"音频为 %s kb/s，而非所选的 %s kb/s",
    u"picture is %s, not the %s chosen", u"画面为 %s，而非所选的 %s",
    u"picture is %s fps, not the %s fps chosen", u"帧率为 %s f/s，而非所选的 %s f/s",
    u"mono", u"单声道",
    u"stereo", u"立体声",
    u"%s channels", u"%s声道",
    // Files named on the command line, and a run held for a while.
    u"Not opened, not a readable file: %s", u"未打开，不是可读取的文件：%s",
    u"Pause", u"暂停",
    u"Resume", u"继续",
    u"Paused · %s", u"已暂停 · %s",
};

}  // namespace

std::u16string_view UiText(int entry, Language language)
{
    if (entry < 0 || entry >= kUiTextEntryCount)
        return {};
    return kTable[entry * 2 + (language == Language::Chinese ? 1 : 0)];
}

std::u16string_view UiText(int entry)
{
    return UiText(entry, g_language);
}
