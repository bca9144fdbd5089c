// The main dialog's option cascades: what each choice of the user does to the other option
// controls. They keep no state of their own; everything lives in the controls and in the
// mode, source and output members.
//
// Every handler starts with the data exchange from the controls and goes on whatever it
// reports: a refused custom value has already been told to the user by then, and the choice
// the user just made must still take effect.

#include <string>

#include "convert/SourceList.h"
#include "convert/StringUtils.h"
#include "platform/text/ShellPath.h"
#include "ui/Resource.h"
#include "ui/TarvexDlg.h"

namespace {

// Which control each combo box of a profile is.
constexpr int kProfileComboIds[kProfileComboCount] = {
    IDC_SUB_TYPE,    IDC_VIDEO_CODEC, IDC_FRAME_RATE,  IDC_VIDEO_BIT_RATE, IDC_FRAME_SIZE,
    IDC_AUDIO_CODEC, IDC_SAMPLE_RATE, IDC_AUDIO_BIT_RATE, IDC_CHANNELS,
};

constexpr std::u16string_view kFlv = u"FLV";

}  // namespace

std::u16string CTarvexDlg::SelectedText(int id) const
{
    const CComboBox* combo = GetComboBox(id);
    return combo->GetLBText(combo->GetCurSel());
}

void CTarvexDlg::FillComboBox(CComboBox* pCombo, CatalogueList list, int entry)
{
    pCombo->ResetContent();
    for (std::u16string_view item : list)
        pCombo->AddString(item);
    pCombo->SetCurSel(entry);
}

void CTarvexDlg::FillExportTypes()
{
    FillComboBox(GetComboBox(IDC_EXPORT_TYPE), ExportTypes(m_mode), 0);
}

void CTarvexDlg::ApplyProfile(const Profile& profile)
{
    for (int combo = 0; combo < kProfileComboCount; ++combo) {
        const ComboFill& fill = profile[combo];
        CComboBox* pCombo = GetComboBox(kProfileComboIds[combo]);
        switch (fill.action) {
        case ComboFill::Action::Emptied:
            pCombo->ResetContent();
            break;
        case ComboFill::Action::Filled:
            FillComboBox(pCombo, fill.list, fill.entry);
            break;
        case ComboFill::Action::Unchanged:
        case ComboFill::Action::AudioCodecRule:  // ApplyAudioCodecProfile fills these next
            break;
        }
    }
}

void CTarvexDlg::ApplyVideo2FlvProfile()
{
    GetDlgItem(IDC_SUB_TYPE)->ShowWindow(SW_HIDE);
    GetDlgItem(IDC_SUB_TYPE_LABEL)->ShowWindow(SW_HIDE);
    ApplyProfile(Video2FlvProfile());
    GetDlgItem(IDC_VIDEO_CODEC)->EnableWindow(false);
    GetDlgItem(IDC_AUDIO_CODEC)->EnableWindow(false);
}

void CTarvexDlg::ApplyAudioCodecProfile()
{
    ApplyProfile(AudioCodecProfile(SelectedText(IDC_AUDIO_CODEC)));
}

void CTarvexDlg::UpdateCustomEdits()
{
    // A custom field is only of use while its list asks for a typed value and the user can
    // reach that list at all.
    const auto wantsCustom = [this](int listId) {
        return SelectedText(listId) == kCustomEntry &&
               GetDlgItem(listId)->IsWindowEnabled();
    };

    const bool customSize = wantsCustom(IDC_FRAME_SIZE);
    GetDlgItem(IDC_CUSTOM_HEIGHT)->EnableWindow(customSize);
    GetDlgItem(IDC_CUSTOM_WIDTH)->EnableWindow(customSize);
    GetDlgItem(IDC_CUSTOM_FRAME_RATE)->EnableWindow(wantsCustom(IDC_FRAME_RATE));
    GetDlgItem(IDC_CUSTOM_BIT_RATE)->EnableWindow(wantsCustom(IDC_VIDEO_BIT_RATE));
}

std::u16string CTarvexDlg::ExportExtension() const
{
    if (m_mode == ConversionMode::Video2FLV)
        return u"flv";
    std::u16string extension = SelectedText(IDC_EXPORT_TYPE);
    MakeLower(extension);
    return extension;
}

void CTarvexDlg::UpdateDefaultOutputName()
{
    const std::vector<std::u16string> sources = SplitSources(m_strSource);
    // Several sources take their outputs' names each from itself; the output field says only
    // where they go, and is left as the user has it.
    if (sources.size() <= 1) {
        if (m_strOutput.empty() && !sources.empty())
            m_strOutput = sources.front();
        // A name that cannot take the new extension within the path limit keeps its old one.
        if (!m_strOutput.empty())
            PathRenameExtensionW(m_strOutput, PrefixDot(ExportExtension()));
    }
    UpdateData(false);
}

void CTarvexDlg::OnTabSelChange()
{
    UpdateData(true);
    m_mode = ModeFromTab(GetTabCtrl(IDC_TAB)->GetCurSel());
    FillExportTypes();

    if (m_mode == ConversionMode::Video2FLV) {
        ApplyVideo2FlvProfile();
    } else {
        // The codec lists open up with the mode, whatever the check boxes say; the include
        // boxes still govern the rest of their groups.
        ApplyProfile(Flv2VideoProfile());
        GetDlgItem(IDC_VIDEO_CODEC)->EnableWindow(true);
        GetDlgItem(IDC_AUDIO_CODEC)->EnableWindow(true);
    }
    // "MP3" may have locked the box; every other choice lets the user decide again.
    GetDlgItem(IDC_INCLUDE_VIDEO)->EnableWindow(true);
    UpdateCustomEdits();

    // The output of one direction is the usual source of the other; several sources have no
    // one output to swap with.
    if (SplitSources(m_strSource).size() <= 1)
        std::swap(m_strSource, m_strOutput);
    UpdateDefaultOutputName();
}

void CTarvexDlg::OnExportTypeSelChange()
{
    UpdateData(true);
    const std::optional<ExportType> exportType = ExportTypeAt(GetComboBox(IDC_EXPORT_TYPE)->GetCurSel());
    if (SelectedText(IDC_EXPORT_TYPE) == kFlv || !exportType) {
        // FLV is the only choice of its mode: choosing it again only tidies the custom fields.
        UpdateCustomEdits();
        return;
    }

    Profile profile = ExportTypeProfile(*exportType);
    // The audio codec list is filled below for every export type alike, MP3 included.
    profile[kAudioCodecCombo] = {};

    GetDlgItem(IDC_INCLUDE_VIDEO)->EnableWindow(true);
    const bool mp4 = *exportType == ExportType::Mp4;
    GetDlgItem(IDC_SUB_TYPE)->ShowWindow(mp4 ? SW_SHOW : SW_HIDE);
    GetDlgItem(IDC_SUB_TYPE_LABEL)->ShowWindow(mp4 ? SW_SHOW : SW_HIDE);
    switch (*exportType) {
    case ExportType::Avi:
    case ExportType::Wmv:
    case ExportType::Mp4:
        ApplyProfile(profile);
        break;
    case ExportType::Mp3: {
        // An MP3 file has no picture: the video side is switched off and locked.
        CButton* pIncludeVideo = GetButton(IDC_INCLUDE_VIDEO);
        pIncludeVideo->SetCheck(BST_UNCHECKED);
        pIncludeVideo->EnableWindow(false);
        OnIncludeVideoClicked();
        break;
    }
    }

    FillComboBox(GetComboBox(IDC_AUDIO_CODEC), AudioCodecs(*exportType), 0);
    ApplyAudioCodecProfile();
    UpdateCustomEdits();
    UpdateDefaultOutputName();
}

void CTarvexDlg::OnSubTypeSelChange()
{
    UpdateData(true);
    ApplyProfile(Mp4SubTypeProfile(GetComboBox(IDC_SUB_TYPE)->GetCurSel()));
    UpdateCustomEdits();
}

void CTarvexDlg::OnAudioCodecSelChange()
{
    UpdateData(true);
    ApplyAudioCodecProfile();
}

void CTarvexDlg::OnVideoChoiceSelChange()
{
    UpdateData(true);
    UpdateCustomEdits();
}

void CTarvexDlg::OnIncludeVideoClicked()
{
    UpdateData(true);
    // The box itself is asked, not the member: a refused custom value stops the exchange
    // before the member is read. The member follows the box, or the next exchange back into
    // the controls would tick it again.
    const bool on = GetButton(IDC_INCLUDE_VIDEO)->GetCheck() == BST_CHECKED;
    m_nIncludeVideo = on ? BST_CHECKED : BST_UNCHECKED;
    // The video-codec list belongs to the range only in the FLV2Video mode; in the Video2FLV
    // mode it stays empty and disabled.
    const bool flv2Video = m_mode == ConversionMode::FLV2Video;
    EnableDlgItems(flv2Video ? IDC_VIDEO_CODEC : IDC_FRAME_RATE, IDC_CUSTOM_HEIGHT, on);
    UpdateCustomEdits();
}

void CTarvexDlg::OnIncludeAudioClicked()
{
    UpdateData(true);
    const bool on = GetButton(IDC_INCLUDE_AUDIO)->GetCheck() == BST_CHECKED;
    m_nIncludeAudio = on ? BST_CHECKED : BST_UNCHECKED;
    const bool flv2Video = m_mode == ConversionMode::FLV2Video;
    EnableDlgItems(flv2Video ? IDC_AUDIO_CODEC : IDC_SAMPLE_RATE, IDC_CHANNELS, on);
}
