#include "ui/TarvexDlg.h"

#include "media/MediaAnswer.h"
#include "platform/dialog/DebugOutput.h"
#include "platform/dialog/ToolkitLanguage.h"
#include "platform/text/Locale.h"
#include "platform/text/TextCodec.h"
#include "ui/AboutDlg.h"
#include "ui/Language.h"
#include "ui/MainDialogTemplate.h"
#include "ui/Resource.h"
#include "ui/UiText.h"

namespace {

struct LabelText {
    int id;
    int entry;
};

// In the order the labels are written.
constexpr LabelText kLabelTexts[] = {
    {IDC_SOURCE_LABEL, kTextSourceFile},
    {IDC_OUTPUT_LABEL, kTextExportTo},
    {IDC_EXPORT_TYPE_LABEL, kTextExportType},
    {IDC_SUB_TYPE_LABEL, kTextSubType},
    {IDC_VIDEO_GROUP, kTextIncludeVideo},
    {IDC_AUDIO_GROUP, kTextIncludeAudio},
    {IDC_VIDEO_CODEC_LABEL, kTextVideoCodec},
    {IDC_FRAME_RATE_LABEL, kTextFrameRate},
    {IDC_VIDEO_BIT_RATE_LABEL, kTextBitRate},
    {IDC_FRAME_SIZE_LABEL, kTextFrameSize},
    {IDC_AUDIO_CODEC_LABEL, kTextAudioCodec},
    {IDC_SAMPLE_RATE_LABEL, kTextSampleRate},
    {IDC_CHANNELS_LABEL, kTextChannels},
    {IDOK, kTextConvert},
    {IDCANCEL, kTextCancel},
    {IDC_LANGUAGE, kTextOtherLanguage},
    {IDC_AUDIO_BIT_RATE_LABEL, kTextBitRate},
};

// What a screen reader announces for each edit, list and check box: the label beside it,
// or the caption of the group an include check box sits on. The custom fields beside the
// lists have names of their own: named after the list's label they would sound like the
// list, and the width and height fields like each other.
constexpr struct {
    int control;
    int label;
} kControlLabels[] = {
    {IDC_SOURCE, IDC_SOURCE_LABEL},
    {IDC_OUTPUT, IDC_OUTPUT_LABEL},
    {IDC_EXPORT_TYPE, IDC_EXPORT_TYPE_LABEL},
    {IDC_SUB_TYPE, IDC_SUB_TYPE_LABEL},
    {IDC_INCLUDE_VIDEO, IDC_VIDEO_GROUP},
    {IDC_INCLUDE_AUDIO, IDC_AUDIO_GROUP},
    {IDC_VIDEO_CODEC, IDC_VIDEO_CODEC_LABEL},
    {IDC_FRAME_RATE, IDC_FRAME_RATE_LABEL},
    {IDC_VIDEO_BIT_RATE, IDC_VIDEO_BIT_RATE_LABEL},
    {IDC_FRAME_SIZE, IDC_FRAME_SIZE_LABEL},
    {IDC_AUDIO_CODEC, IDC_AUDIO_CODEC_LABEL},
    {IDC_SAMPLE_RATE, IDC_SAMPLE_RATE_LABEL},
    {IDC_AUDIO_BIT_RATE, IDC_AUDIO_BIT_RATE_LABEL},
    {IDC_CHANNELS, IDC_CHANNELS_LABEL},
};

// Controls that no label names: the custom fields and the two "..." buttons.
constexpr LabelText kOwnNames[] = {
    {IDC_CUSTOM_FRAME_RATE, kTextCustomFrameRate},
    {IDC_CUSTOM_BIT_RATE, kTextCustomBitRate},
    {IDC_CUSTOM_WIDTH, kTextCustomWidth},
    {IDC_CUSTOM_HEIGHT, kTextCustomHeight},
    {IDC_BROWSE_SOURCE, kTextChooseSource},
    {IDC_BROWSE_OUTPUT, kTextChooseOutput},
};

// A media file as the run needs it; a file that cannot be read is no error of the program's,
// and neither is a helper that crashed, hung or answered nonsense while reading it.
std::optional<FileFacts> ReadFacts(ProbeProcess& probe, const std::u16string& path, const std::atomic<bool>& cancel)
{
    const ProbeProcess::Answer answer = probe.Ask(EncodeUtf8(path), &cancel);
    const MediaReading reading = ReadingFromAnswer(answer.text, answer.why);
    if (!reading.info) {
        if (!cancel.load())
            OutputDebugString("tarvex-probe: " + EncodeUtf8(path) + ": " + reading.why + "\n");
        return std::nullopt;
    }
    const MediaInfo& info = *reading.info;
    return FileFacts{info.seconds,   info.hasVideo,  info.hasAudio,   info.width,       info.height,
                     info.frameRate, info.sampleRate, info.channels, info.audioBitRate};
}

}  // namespace

CTarvexDlg::CTarvexDlg()
    : CDialog(MainDialogTemplate()),
      m_probe(FindHelperProgram("tarvex-probe")),
      m_run([this] { RequestRefresh(); }, [](std::string_view text) { OutputDebugString(text); },
            [this](const std::u16string& path, const std::atomic<bool>& cancel) {
                return ReadFacts(m_probe, path, cancel);
            })
{
    m_hIcon = LoadIcon(IDR_MAINFRAME);
    m_run.AttachEnd([this](const RunVerdict& verdict) { PostToGuiThread([this, verdict] { OnRunEnded(verdict); }); });
}

CTarvexDlg::~CTarvexDlg()
{
    // The run's threads ask this dialog for refreshes until it has stopped.
    m_run.Shutdown();
    m_pOutDlg.reset();
}

const MessageMap& CTarvexDlg::GetMessageMap() const
{
    static const MessageMap map{
        &CDialog::GetMessageMap(),
        {
            OnNotify(Notify::TabSelChange, IDC_TAB, &CTarvexDlg::OnTabSelChange),
            OnNotify(Notify::SelChange, IDC_EXPORT_TYPE, &CTarvexDlg::OnExportTypeSelChange),
            OnNotify(Notify::SelChange, IDC_SUB_TYPE, &CTarvexDlg::OnSubTypeSelChange),
            OnNotify(Notify::SelChange, IDC_AUDIO_CODEC, &CTarvexDlg::OnAudioCodecSelChange),
            OnNotify(Notify::SelChange, IDC_FRAME_RATE, &CTarvexDlg::OnVideoChoiceSelChange),
            OnNotify(Notify::SelChange, IDC_VIDEO_BIT_RATE, &CTarvexDlg::OnVideoChoiceSelChange),
            OnNotify(Notify::SelChange, IDC_FRAME_SIZE, &CTarvexDlg::OnVideoChoiceSelChange),
            OnNotify(Notify::Clicked, IDC_INCLUDE_VIDEO, &CTarvexDlg::OnIncludeVideoClicked),
            OnNotify(Notify::Clicked, IDC_INCLUDE_AUDIO, &CTarvexDlg::OnIncludeAudioClicked),
            OnNotify(Notify::Clicked, IDC_LANGUAGE, &CTarvexDlg::OnToggleLanguage),
            OnNotifyRange(Notify::Clicked, IDC_BROWSE_SOURCE, IDC_BROWSE_OUTPUT, &CTarvexDlg::OnBrowse),
            OnNotify(Notify::Clicked, IDOK, &CTarvexDlg::OnConvert),
        },
    };
    return map;
}

void CTarvexDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Text(pDX, IDC_SOURCE, m_strSource);
    DDX_Text(pDX, IDC_OUTPUT, m_strOutput);
    DDX_Text(pDX, IDC_CUSTOM_WIDTH, m_nCustomWidth);
    DDX_Text(pDX, IDC_CUSTOM_HEIGHT, m_nCustomHeight);
    DDX_Check(pDX, IDC_INCLUDE_VIDEO, m_nIncludeVideo);
    DDX_Check(pDX, IDC_INCLUDE_AUDIO, m_nIncludeAudio);
    DDX_Text(pDX, IDC_CUSTOM_FRAME_RATE, m_fCustomFrameRate);
    DDX_Text(pDX, IDC_CUSTOM_BIT_RATE, m_fCustomBitRate);
}

bool CTarvexDlg::OnInitDialog()
{
    CDialog::OnInitDialog();

    if (GetOEMCP() == kCodePageSimplifiedChinese)
        g_language = Language::Chinese;

    if (CMenu* pSysMenu = GetSystemMenu(false)) {
        const std::u16string_view aboutItem = ResourceString(IDS_ABOUTBOX);
        if (!aboutItem.empty()) {
            pSysMenu->AppendMenu(MF_SEPARATOR);
            pSysMenu->AppendMenu(MF_STRING, IDM_ABOUTBOX, aboutItem);
        }
    }

    SetIcon(m_hIcon, true);
    SetIcon(m_hIcon, false);

    for (const auto& pair : kControlLabels)
        SetLabel(pair.control, pair.label);

    ApplyLanguage();

    CTabCtrl* pTab = GetTabCtrl(IDC_TAB);
    pTab->InsertItem(0, u"Video2FLV");
    pTab->InsertItem(1, u"FLV2Video");
    pTab->SetCurSel(static_cast<int>(m_mode));

    FillExportTypes();

    GetButton(IDC_INCLUDE_VIDEO)->SetCheck(BST_CHECKED);
    GetButton(IDC_INCLUDE_AUDIO)->SetCheck(BST_CHECKED);

    ApplyVideo2FlvProfile();

    // A file dragged from a file manager is a quicker way to name the source or the output.
    DragAcceptFiles(true);

    // A message about a file not taken needs the dialog on screen to stand over.
    if (!m_startFiles.empty())
        PostToGuiThread([this] { OpenFiles(m_startFiles); });
    return true;
}

void CTarvexDlg::OnSysCommand(unsigned nID, std::intptr_t lParam)
{
    if ((nID & 0xFFF0) == IDM_ABOUTBOX) {
        CAboutDlg dlgAbout;
        dlgAbout.DoModal();
    } else {
        CDialog::OnSysCommand(nID, lParam);
    }
}

void CTarvexDlg::ApplyLanguage()
{
    // The toolkit's own texts (the message box's button, the file dialog) follow the labels.
    SetToolkitLanguage(g_language == Language::Chinese ? u"zh_CN" : u"");
    SetWindowText(VersionTitle());
    for (const LabelText& label : kLabelTexts)
        GetDlgItem(label.id)->SetWindowText(UiText(label.entry));
    for (const LabelText& name : kOwnNames)
        GetDlgItem(name.id)->SetAccessibleName(UiText(name.entry));

    // The check boxes sit on the group boxes' top edges, over the captions' leading blanks;
    // after the captions changed they are shown afresh and brought above the group boxes.
    for (int id : {IDC_INCLUDE_VIDEO, IDC_INCLUDE_AUDIO}) {
        CWnd* pBox = GetDlgItem(id);
        pBox->ShowWindow(SW_HIDE);
        pBox->ShowWindow(SW_SHOW);
        pBox->BringWindowToTop();
    }
}

void CTarvexDlg::OnToggleLanguage()
{
    g_language = OtherLanguage(g_language);
    ApplyLanguage();
}
