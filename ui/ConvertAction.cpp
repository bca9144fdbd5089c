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

constexpr std::u16string_view kIntermediateName = u"/temp.avi";

std::u16string SelectedText(const CComboBox& combo)
{
    return combo.GetLBText(combo.GetCurSel());
}

}  // namespace

void CTarvexDlg::OnBrowse(unsigned nID)
{
    UpdateData(true);
    const std::size_t filter = (static_cast<std::size_t>(nID) - IDC_BROWSE_SOURCE) ^ static_cast<std::size_t>(m_nMode & 1);
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
    controls.m_bIncludeVideo = m_nIncludeVideo != 0;
    controls.m_strVideoCodec = SelectedText(*GetComboBox(IDC_VIDEO_CODEC));
    controls.m_strFrameRate = SelectedText(*GetComboBox(IDC_FRAME_RATE));
    controls.m_strCustomFrameRate = GetEdit(IDC_CUSTOM_FRAME_RATE)->GetWindowText();
    controls.m_strVideoBitRate = SelectedText(*GetComboBox(IDC_VIDEO_BIT_RATE));
    controls.m_strCustomVideoBitRate = GetEdit(IDC_CUSTOM_BIT_RATE)->GetWindowText();
    controls.m_strFrameSize = SelectedText(*GetComboBox(IDC_FRAME_SIZE));
    controls.m_strCustomWidth = GetEdit(IDC_CUSTOM_WIDTH)->GetWindowText();
    controls.m_strCustomHeight = GetEdit(IDC_CUSTOM_HEIGHT)->GetWindowText();
    controls.m_bIncludeAudio = m_nIncludeAudio != 0;
    controls.m_strAudioCodec = SelectedText(*GetComboBox(IDC_AUDIO_CODEC));
    controls.m_strSampleRate = SelectedText(*GetComboBox(IDC_SAMPLE_RATE));
    controls.m_strAudioBitRate = SelectedText(*GetComboBox(IDC_AUDIO_BIT_RATE));
    controls.m_strChannels = SelectedText(*GetComboBox(IDC_CHANNELS));
    return controls;
}

void CTarvexDlg::OnConvert()
{
    // A refused custom value has been told already; the run goes on with what the edits show.
    UpdateData(true);
    if (!m_pOutDlg)
        m_pOutDlg = std::make_unique<COutDlg>(this);
    // No child of an earlier run writes any more: its window could only close at its end.
    m_strPrevChunk.clear();
    m_strLastChunk.clear();

    if (m_strSource.empty()) {
        Warn(kTextNoSourceFile);
        return;
    }
    if (m_strOutput.empty()) {
        UpdateDefaultOutputName();
        UpdateData(true);
    }
    // The output is deleted before the encoders write it; it must never be the source.
    if (PathsNameSameFile(m_strSource, m_strOutput)) {
        Warn(kTextOutputIsSource);
        return;
    }
    if (PathFileExistsW(m_strOutput))
        DeleteFileW(m_strOutput);

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
    job.m_strOutput = m_strOutput;
    // The first of two stages leaves its work in a folder of the run's own, beside the
    // output: never over a file of the user's, and never where another run writes.
    if (UsesIntermediateFile(job)) {
        m_strRunFolder = CreateRunFolder(m_strOutput);
        if (m_strRunFolder.empty()) {
            Warn(kTextNoRunFolder);
            return;
        }
        job.m_strIntermediate = m_strRunFolder + std::u16string(kIntermediateName);
    }
    BuildCommandLines(job, m_commands);
    m_commands.Rewind();
    RunCommands();
}
