// The places where the user sets a conversion going: the "..." buttons, which pick the
// source and the output with the file dialog, a file dropped on the dialog, and Convert (also
// Enter, Convert being the default button), which checks the inputs, builds the command lines
// and runs them.

#include <string>

#include "convert/CaptureSettings.h"
#include "convert/CommandBuilder.h"
#include "platform/dialog/FileDialog.h"
#include "platform/text/FileSystem.h"
#include "platform/text/ShellPath.h"
#include "ui/Resource.h"
#include "ui/TarvexDlg.h"
#include "ui/UiText.h"

namespace {

// Index (button - 1004) XOR mode: the source of FLV2Video and the output of Video2FLV are
// FLV files. The filters stay Chinese in both interface languages.
constexpr std::u16string_view kFileFilters[2] = {
    u"所有文件 (*.*)|*.*||",
    u"flv文件 (*.flv)|*.flv||",
};

constexpr std::u16string_view kIntermediateName = u"temp.avi";

// The file name of `path`, without its folder.
std::u16string_view FileNameOf(std::u16string_view path)
{
    const std::size_t slash = path.find_last_of(u'/');
    return slash == std::u16string_view::npos ? path : path.substr(slash + 1);
}

}  // namespace

void CTarvexDlg::OnBrowse(unsigned nID)
{
    UpdateData(true);
    const std::size_t filter = (nID - IDC_BROWSE_SOURCE) ^ (m_mode == ConversionMode::FLV2Video ? 1u : 0u);
    CFileDialog dlg(true, nullptr, nullptr, OFN_HIDEREADONLY, kFileFilters[filter], this);
    if (dlg.DoModal() == IDOK) {
        if (nID == IDC_BROWSE_SOURCE)
            m_strSource = dlg.GetPathName();
        else
            m_strOutput = dlg.GetPathName();
    }
    // Confirmed or not: an empty output is filled, and the output keeps the export type's
    // extension whatever file was picked.
    UpdateDefaultOutputName();
}

void CTarvexDlg::OnDropFiles(int controlId, const std::vector<std::u16string>& paths)
{
    // A run in progress was started with the names it has; they do not change under it.
    if (m_bRunInProgress || paths.empty())
        return;
    UpdateData(true);
    if (controlId == IDC_OUTPUT)
        m_strOutput = paths.front();
    else
        m_strSource = paths.front();
    UpdateDefaultOutputName();
}

void CTarvexDlg::Warn(int entry)
{
    MessageBox(UiText(entry), {}, MB_OK | MB_ICONWARNING);
}

OptionControlTexts CTarvexDlg::SnapshotOptionControls() const
{
    OptionControlTexts controls;
    // The boxes themselves, not the members: a refused custom value stops the data exchange
    // before it reaches them, and a stream switched off must never be encoded.
    controls.m_bIncludeVideo = GetButton(IDC_INCLUDE_VIDEO)->GetCheck() == BST_CHECKED;
    controls.m_strVideoCodec = SelectedText(IDC_VIDEO_CODEC);
    controls.m_strFrameRate = SelectedText(IDC_FRAME_RATE);
    controls.m_strCustomFrameRate = GetEdit(IDC_CUSTOM_FRAME_RATE)->GetWindowText();
    controls.m_strVideoBitRate = SelectedText(IDC_VIDEO_BIT_RATE);
    controls.m_strCustomVideoBitRate = GetEdit(IDC_CUSTOM_BIT_RATE)->GetWindowText();
    controls.m_strFrameSize = SelectedText(IDC_FRAME_SIZE);
    controls.m_strCustomWidth = GetEdit(IDC_CUSTOM_WIDTH)->GetWindowText();
    controls.m_strCustomHeight = GetEdit(IDC_CUSTOM_HEIGHT)->GetWindowText();
    controls.m_bIncludeAudio = GetButton(IDC_INCLUDE_AUDIO)->GetCheck() == BST_CHECKED;
    controls.m_strAudioCodec = SelectedText(IDC_AUDIO_CODEC);
    controls.m_strSampleRate = SelectedText(IDC_SAMPLE_RATE);
    controls.m_strAudioBitRate = SelectedText(IDC_AUDIO_BIT_RATE);
    controls.m_strChannels = SelectedText(IDC_CHANNELS);
    return controls;
}

void CTarvexDlg::OnConvert()
{
    // A refused custom value has been told already; the run goes on with what the edits show.
    UpdateData(true);

    // Every refusal comes before anything on disk changes: the run folder is made last.
    if (m_strSource.empty()) {
        Warn(kTextNoSourceFile);
        return;
    }
    if (m_strOutput.empty()) {
        UpdateDefaultOutputName();
        UpdateData(true);
    }
    if (PathsNameSameFile(m_strSource, m_strOutput)) {
        Warn(kTextOutputIsSource);
        return;
    }

    ConversionJob job;
    switch (CaptureSettings(SnapshotOptionControls(), job.m_video, job.m_audio)) {
    case CaptureRefusal::FrameRateMissing:
        Warn(kTextNoFrameRate);
        return;
    case CaptureRefusal::BitRateMissing:
        Warn(kTextNoBitRate);
        return;
    case CaptureRefusal::None:
        break;
    }
    job.m_mode = ModeFromTab(GetTabCtrl(IDC_TAB)->GetCurSel());
    job.m_strSource = m_strSource;

    // The encoders write into a folder of the run's own beside the output, under the output's
    // own name, so that they pick the same format by its extension; the run renames the file
    // over the output only once it has earned it. An output folder that takes no new entries
    // is told now, before a whole first stage is spent on it.
    RunPlan plan;
    plan.source = m_strSource;
    plan.output = m_strOutput;
    plan.bWantVideo = job.m_video.m_bInclude;
    plan.bWantAudio = job.m_audio.m_bInclude;
    plan.runFolder = CreateRunFolder(m_strOutput);
    if (plan.runFolder.empty()) {
        Warn(kTextOutputFolderNotWritable);
        return;
    }
    plan.written = plan.runFolder + u'/' + std::u16string(FileNameOf(m_strOutput));
    job.m_strOutput = plan.written;
    job.m_strIntermediate = plan.runFolder + u'/' + std::u16string(kIntermediateName);

    CommandList commands;
    BuildCommandLines(job, commands);
    for (std::size_t i = 0; i < commands.Size(); ++i)
        plan.commands.push_back(commands.At(i));
    RunInWindow(std::move(plan));
}
