// The main dialog's option cascades: what each choice of the user does to the other option
// controls. They keep no state of their own; everything lives in the controls and in the
// mode, source and output members.
//
// Every handler starts with the data exchange from the controls and goes on whatever it
// reports: a refused custom value has already been told to the user by then, and the choice
// the user just made must still take effect.

#include <string>

#include "convert/StringUtils.h"
#include "ui/Resource.h"
#include "ui/TarvexDlg.h"

namespace {

// Which control each combo box of a profile is.
constexpr int kProfileComboIds[kProfileComboCount] = {
    IDC_SUB_TYPE,    IDC_VIDEO_CODEC, IDC_FRAME_RATE,  IDC_VIDEO_BIT_RATE, IDC_FRAME_SIZE,
    IDC_AUDIO_CODEC, IDC_SAMPLE_RATE, IDC_AUDIO_BIT_RATE, IDC_CHANNELS,
};

constexpr std::u16string_view kCustom = u"Custom...";
constexpr std::u16string_view kFlv = u"FLV";

// Positions in the FLV2Video export-type list.
constexpr int kExportAvi = 0;
constexpr int kExportMp4 = 1;
constexpr int kExportWmv = 2;
constexpr int kExportMp3 = 3;

std::u16string SelectedText(const CComboBox& combo)
{
    return combo.GetLBText(combo.GetCurSel());
}

}  // namespace

void CTarvexDlg::FillComboBox(CComboBox* pCombo, CatalogueList list, int entry)
{
    pCombo->ResetContent();
    for (std::u16string_view item : list)
        pCombo->AddString(item);
    pCombo->SetCurSel(entry);
}

void CTarvexDlg::FillExportTypes()
{
    FillComboBox(GetComboBox(IDC_EXPORT_TYPE), ExportTypes(m_nMode), 0);
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
    ApplyProfile(AudioCodecProfile(SelectedText(*GetComboBox(IDC_AUDIO_CODEC))));
}

void CTarvexDlg::UpdateCustomEdits()
{
    // A custom field is only of use while its list asks for a typed value and the user can
    // reach that list at all.
    const auto wantsCustom = [this](int listId) {
        return EqualsExact(SelectedText(*GetComboBox(listId)), kCustom) &&
               GetDlgItem(listId)->IsWindowEnabled();
    };

    const bool customSize = wantsCustom(IDC_FRAME_SIZE);
    GetDlgItem(IDC_CUSTOM_HEIGHT)->EnableWindow(customSize);
    GetDlgItem(IDC_CUSTOM_WIDTH)->EnableWindow(customSize);
    GetDlgItem(IDC_CUSTOM_FRAME_RATE)->EnableWindow(wantsCustom(IDC_FRAME_RATE));
    GetDlgItem(IDC_CUSTOM_BIT_RATE)->EnableWindow(wantsCustom(IDC_VIDEO_BIT_RATE));
}

void CTarvexDlg::UpdateDefaultOutputName()
{
    if (m_strOutput.empty() && !m_strSource.empty())
        m_strOutput = m_strSource;

    std::u16string extension = u"flv";
    if (m_nMode == 1) {
        extension = SelectedText(*GetComboBox(IDC_EXPORT_TYPE));
        MakeLower(extension);
    }
    // A name that cannot take the new extension within the path limit keeps its old one.
    if (!m_strOutput.empty())
        RenameExtension(m_strOutput, PrefixDot(extension));

    UpdateData(false);
}

void CTarvexDlg::OnTabSelChange()
{
    UpdateData(true);
    m_nMode = GetTabCtrl(IDC_TAB)->GetCurSel();
    FillExportTypes();

    if (m_nMode == 0) {
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

    // The output of one direction is the usual source of the other.
    std::swap(m_strSource, m_strOutput);
    UpdateDefaultOutputName();
}

void CTarvexDlg::OnExportTypeSelChange()
{
    UpdateData(true);
    CComboBox* pExportType = GetComboBox(IDC_EXPORT_TYPE);
    const int exportType = pExportType->GetCurSel();
    if (EqualsExact(SelectedText(*pExportType), kFlv)) {
        // FLV is the only choice of its mode: choosing it again only tidies the custom fields.
        UpdateCustomEdits();
        return;
    }

    Profile profile = ExportTypeProfile(exportType);
    // The audio codec list is filled below for every export type alike, MP3 included.
    profile[kAudioCodecCombo] = {};

    GetDlgItem(IDC_INCLUDE_VIDEO)->EnableWindow(true);
    const bool mp4 = exportType == kExportMp4;
    GetDlgItem(IDC_SUB_TYPE)->ShowWindow(mp4 ? SW_SHOW : SW_HIDE);
    GetDlgItem(IDC_SUB_TYPE_LABEL)->ShowWindow(mp4 ? SW_SHOW : SW_HIDE);
    switch (exportType) {
    case kExportAvi:
    case kExportWmv:
    case kExportMp4:
        ApplyProfile(profile);
        break;
    case kExportMp3: {
        // An MP3 file has no picture: the video side is switched off and locked.
        CButton* pIncludeVideo = GetButton(IDC_INCLUDE_VIDEO);
        pIncludeVideo->SetCheck(BST_UNCHECKED);
        pIncludeVideo->EnableWindow(false);
        OnIncludeVideoClicked();
        break;
    }
    default:
        break;
    }

    FillComboBox(GetComboBox(IDC_AUDIO_CODEC), AudioCodecs(exportType), 0);
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
    // before the member is read.
    const bool on = GetButton(IDC_INCLUDE_VIDEO)->GetCheck() == BST_CHECKED;
    // The video-codec list belongs to the range only in the FLV2Video mode; in the Video2FLV
    // mode it stays empty and disabled.
    EnableDlgItems(IDC_FRAME_RATE - m_nMode, IDC_CUSTOM_HEIGHT, on);
    UpdateCustomEdits();
}

void CTarvexDlg::OnIncludeAudioClicked()
{
    UpdateData(true);
    const bool on = GetButton(IDC_INCLUDE_AUDIO)->GetCheck() == BST_CHECKED;
    EnableDlgItems(IDC_SAMPLE_RATE - m_nMode, IDC_CHANNELS, on);
}
