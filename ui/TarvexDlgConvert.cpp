// The places where the user sets a conversion going: the "..." buttons, which pick the
// source and the output with the file dialog, a file dropped on the dialog, and Convert (also
// Enter, Convert being the default button), which checks the inputs, builds the command lines
// and runs them.

#include <string>

#include "convert/CaptureSettings.h"
#include "convert/CommandBuilder.h"
#include "convert/FormatRules.h"
#include "convert/SourceList.h"
#include "convert/StringUtils.h"
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

// The values a job names that a written file can be held against; the encoder's own choices
// ("Original", an empty list) name nothing.
Chosen ChosenOf(const ConversionJob& job)
{
    Chosen chosen;
    if (job.m_video.m_bInclude) {
        if (const auto size = FrameSizeValue(job.m_video.m_strFrameSize)) {
            chosen.width = size->first;
            chosen.height = size->second;
        }
        chosen.frameRate = DecimalValue(job.m_video.m_strFrameRate);
    }
    if (job.m_audio.m_bInclude) {
        chosen.sampleRate = WholeValue(job.m_audio.m_strSampleRate);
        chosen.channels = ChannelCount(job.m_audio.m_strChannels);
        chosen.audioBitRate = WholeValue(job.m_audio.m_strBitRate);
    }
    return chosen;
}

// The message for a choice the formats do not allow, in the current language.
std::u16string RefusalText(const FormatRefusal& refusal)
{
    const std::u16string hz = NumberText(static_cast<unsigned>(refusal.sampleRate));
    const std::u16string limit = NumberText(static_cast<unsigned>(refusal.limit));
    switch (refusal.kind) {
    case FormatRefusal::Kind::NothingToWrite:
        return std::u16string(UiText(kTextNothingToWrite));
    case FormatRefusal::Kind::NoSound:
        return std::u16string(UiText(kTextNoSound));
    case FormatRefusal::Kind::SampleRateTooLow:
        return FillFormat(UiText(kTextSampleRateTooLow), {refusal.container, refusal.codec, limit, hz});
    case FormatRefusal::Kind::BitRateTooHigh:
        return FillFormat(UiText(kTextBitRateTooHigh), {hz, refusal.codec, limit});
    case FormatRefusal::Kind::MonoBitRateTooHigh:
        return FillFormat(UiText(kTextMonoBitRateTooHigh), {hz, refusal.codec, limit});
    case FormatRefusal::Kind::BitRateTooLow:
        return FillFormat(UiText(kTextBitRateTooLow), {hz, refusal.codec, limit});
    }
    return {};
}

// One file's plan for `job`: the encoders write into a folder of the run's own beside the
// output, under the output's own name, so that they pick the same format by its extension; the
// run renames the file over the output only once it has earned it. Nothing when that folder
// cannot be made.
std::optional<RunPlan> JobPlan(ConversionJob job, const std::u16string& source, const std::u16string& output)
{
    std::optional<RunPlan> plan = PlanFor(source, output, [&](const PlanPaths& paths) {
        job.m_strSource = source;
        job.m_strOutput = paths.newFile;
        job.m_strIntermediate = paths.folder + u'/' + std::u16string(kIntermediateName);
        CommandList commands;
        BuildCommandLines(job, commands);
        return commands.All();
    });
    if (plan) {
        plan->bWantVideo = job.m_video.m_bInclude;
        plan->bWantAudio = job.m_audio.m_bInclude;
        plan->chosen = ChosenOf(job);
    }
    return plan;
}

}  // namespace

void CTarvexDlg::OnBrowse(unsigned nID)
{
    UpdateData(true);
    const std::size_t filter = (nID - IDC_BROWSE_SOURCE) ^ (m_mode == ConversionMode::FLV2Video ? 1u : 0u);
    // Several sources may be chosen at once; they convert one after another.
    const unsigned flags = OFN_HIDEREADONLY | (nID == IDC_BROWSE_SOURCE ? OFN_ALLOWMULTISELECT : 0u);
    CFileDialog dlg(true, nullptr, nullptr, flags, kFileFilters[filter], this);
    if (dlg.DoModal() == IDOK) {
        if (nID == IDC_BROWSE_SOURCE)
            m_strSource = JoinSources(dlg.GetPathNames());
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
    if (IsGoing(m_run.State()) || paths.empty())
        return;
    UpdateData(true);
    if (controlId == IDC_OUTPUT)
        m_strOutput = paths.front();
    else
        m_strSource = JoinSources(paths);
    UpdateDefaultOutputName();
}

void CTarvexDlg::OpenFiles(const std::vector<std::u16string>& paths)
{
    if (IsGoing(m_run.State()))
        return;
    std::vector<std::u16string> taken;
    std::u16string refused;
    for (const std::u16string& path : paths) {
        if (IsReadableFile(path)) {
            taken.push_back(path);
            continue;
        }
        // Named as given: the user typed it, or the file manager sent it, that way.
        if (!refused.empty())
            refused += UiText(kTextNamesSeparator);
        refused += path;
    }
    OnDropFiles(IDC_SOURCE, taken);
    if (!refused.empty())
        WarnText(FillFormat(UiText(kTextNotOpened), {refused}));
}

void CTarvexDlg::Warn(int entry)
{
    WarnText(UiText(entry));
}

void CTarvexDlg::WarnText(std::u16string_view text)
{
    MessageBox(text, {}, MB_OK | MB_ICONWARNING);
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

std::optional<ConversionJob> CTarvexDlg::CaptureJob(std::u16string_view extension)
{
    ConversionJob job;
    switch (CaptureSettings(SnapshotOptionControls(), job.m_video, job.m_audio)) {
    case CaptureRefusal::FrameRateMissing:
        Warn(kTextNoFrameRate);
        return std::nullopt;
    case CaptureRefusal::BitRateMissing:
        Warn(kTextNoBitRate);
        return std::nullopt;
    case CaptureRefusal::None:
        break;
    }
    job.m_mode = ModeFromTab(GetTabCtrl(IDC_TAB)->GetCurSel());
    // A choice the format does not allow would fail, or quietly give something else.
    if (const std::optional<FormatRefusal> refusal = CheckFormatRules(extension, job.m_video, job.m_audio)) {
        WarnText(RefusalText(*refusal));
        return std::nullopt;
    }
    return job;
}

void CTarvexDlg::OnConvert()
{
    // A refused custom value has been told already; the run goes on with what the edits show.
    UpdateData(true);

    // Every refusal comes before anything on disk changes: the run folders are made last.
    const std::vector<std::u16string> sources = SplitSources(m_strSource);
    if (sources.empty()) {
        Warn(kTextNoSourceFile);
        return;
    }
    if (sources.size() > 1) {
        ConvertSeveral(sources);
        return;
    }
    const std::u16string& source = sources.front();
    if (m_strOutput.empty()) {
        UpdateDefaultOutputName();
        UpdateData(true);
    }
    if (PathsNameSameFile(source, m_strOutput)) {
        Warn(kTextOutputIsSource);
        return;
    }
    std::u16string_view extension = PathFindExtensionW(m_strOutput);
    if (extension.starts_with(u'.'))
        extension.remove_prefix(1);
    const std::optional<ConversionJob> job = CaptureJob(extension);
    if (!job)
        return;
    // An output folder that takes no new entries is told now, before a whole first stage is
    // spent on it.
    std::optional<RunPlan> plan = JobPlan(*job, source, m_strOutput);
    if (!plan) {
        Warn(kTextOutputFolderNotWritable);
        return;
    }
    std::vector<RunPlan> plans;
    plans.push_back(std::move(*plan));
    RunInWindow(std::move(plans));
}

namespace {

// Names for a message, by their file names: "a.mp4, b.mp4".
std::u16string Names(const std::vector<std::u16string>& paths)
{
    std::u16string names;
    for (const std::u16string& path : paths) {
        if (!names.empty())
            names += u", ";
        names += PathFindFileNameW(path);
    }
    return names;
}

}  // namespace

void CTarvexDlg::ConvertSeveral(const std::vector<std::u16string>& sources)
{
    // Each output goes beside its source, or into the folder Export To names.
    if (!m_strOutput.empty() && !IsFolder(m_strOutput)) {
        Warn(kTextBatchOutput);
        return;
    }
    std::vector<std::u16string> missing;
    for (const std::u16string& source : sources)
        if (!PathFileExistsW(source))
            missing.push_back(source);
    if (!missing.empty()) {
        WarnText(FillFormat(UiText(kTextSourcesMissing), {Names(missing)}));
        return;
    }
    std::vector<std::u16string> outputs;
    std::vector<std::u16string> selfNamed;
    for (const std::u16string& source : sources) {
        outputs.push_back(BatchOutput(source, m_strOutput, PrefixDot(ExportExtension())));
        if (PathsNameSameFile(source, outputs.back()))
            selfNamed.push_back(source);
    }
    if (!selfNamed.empty()) {
        WarnText(FillFormat(UiText(kTextSourcesAreOutputs), {Names(selfNamed)}));
        return;
    }
    // Two sources that would end in one output: the second would replace the first's work.
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        std::vector<std::u16string> sharing{sources[i]};
        for (std::size_t j = i + 1; j < outputs.size(); ++j)
            if (PathsNameSameFile(outputs[i], outputs[j]))
                sharing.push_back(sources[j]);
        if (sharing.size() > 1) {
            WarnText(FillFormat(UiText(kTextSameOutput), {PathFindFileNameW(outputs[i]), Names(sharing)}));
            return;
        }
    }
    // Every output takes the export type's extension: one check stands for them all.
    const std::optional<ConversionJob> job = CaptureJob(ExportExtension());
    if (!job)
        return;
    std::vector<RunPlan> plans;
    for (std::size_t i = 0; i < sources.size(); ++i) {
        std::optional<RunPlan> plan = JobPlan(*job, sources[i], outputs[i]);
        if (!plan) {
            // The folders made already go with their plans.
            Warn(kTextOutputFolderNotWritable);
            return;
        }
        plans.push_back(std::move(*plan));
    }
    RunInWindow(std::move(plans));
}
