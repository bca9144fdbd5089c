#include "ui/OutcomeText.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>
#include <string>

#include "convert/StringUtils.h"
#include "platform/text/ShellPath.h"
#include "ui/UiText.h"

namespace {

// The outcome line has room for one line of text; a file name longer than this many columns
// gives up its middle, so that the line still shows the name's start and its extension.
constexpr std::size_t kNameColumns = 32;

// Wide characters (Chinese, among others) take two columns.
std::size_t Columns(char16_t c)
{
    return c >= 0x1100 && !(c >= 0xD800 && c <= 0xDFFF) ? 2 : 1;
}

}  // namespace

std::u16string DisplayName(std::u16string_view path)
{
    const std::u16string_view name = PathFindFileNameW(path);
    std::size_t width = 0;
    for (const char16_t c : name)
        width += Columns(c);
    if (width <= kNameColumns)
        return std::u16string(name);
    // Half the room to each end, around the ellipsis; a surrogate pair is never split.
    const std::size_t half = (kNameColumns - 1) / 2;
    std::size_t head = 0;
    for (std::size_t used = 0; head < name.size() && used + Columns(name[head]) <= half; ++head)
        used += Columns(name[head]);
    if (head > 0 && name[head - 1] >= 0xD800 && name[head - 1] <= 0xDBFF)
        --head;
    std::size_t tail = name.size();
    for (std::size_t used = 0; tail > head && used + Columns(name[tail - 1]) <= half; --tail)
        used += Columns(name[tail - 1]);
    if (tail < name.size() && name[tail] >= 0xDC00 && name[tail] <= 0xDFFF)
        ++tail;
    return std::u16string(name.substr(0, head)) + u"\u2026" + std::u16string(name.substr(tail));
}

std::u16string SizeText(std::uintmax_t size, Language language)
{
    if (size < 1024)
        return FillFormat(UiText(kTextSizeInBytes, language), {NumberText(size)});
    static constexpr const char* kUnits[] = {"KiB", "MiB", "GiB", "TiB"};
    double scaled = static_cast<double>(size) / 1024;
    std::size_t unit = 0;
    while (scaled >= 1024 && unit + 1 < std::size(kUnits)) {
        scaled /= 1024;
        ++unit;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.1f %s", scaled, kUnits[unit]);
    return std::u16string(text, text + std::char_traits<char>::length(text));
}

std::u16string DurationText(double seconds)
{
    const auto whole = static_cast<std::uintmax_t>(std::llround(std::max(0.0, seconds)));
    const std::uintmax_t hours = whole / 3600;
    const std::uintmax_t minutes = whole / 60 % 60;
    char text[32];
    if (hours > 0)
        std::snprintf(text, sizeof text, "%ju:%02ju:%02ju", hours, minutes, whole % 60);
    else
        std::snprintf(text, sizeof text, "%ju:%02ju", minutes, whole % 60);
    return std::u16string(text, text + std::char_traits<char>::length(text));
}

namespace {

// A rate as people read it: "25", "23.976", "64".
std::u16string RateText(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", value);
    std::string trimmed(text);
    trimmed.erase(trimmed.find_last_not_of('0') + 1);
    if (trimmed.ends_with('.'))
        trimmed.pop_back();
    return std::u16string(trimmed.begin(), trimmed.end());
}

std::u16string SizeValueText(std::optional<int> width, std::optional<int> height)
{
    return NumberText(static_cast<unsigned>(width.value_or(0))) + u"x" + NumberText(static_cast<unsigned>(height.value_or(0)));
}

std::u16string ChannelsText(std::optional<int> channels, Language language)
{
    switch (channels.value_or(0)) {
    case 1: return std::u16string(UiText(kTextMono, language));
    case 2: return std::u16string(UiText(kTextStereo, language));
    default: return FillFormat(UiText(kTextChannelCount, language), {NumberText(static_cast<unsigned>(channels.value_or(0)))});
    }
}

// How the new file differs from the choice, as a phrase; empty when it does not.
std::u16string NotChosenText(const RunOutcome& outcome, Language language)
{
    const FileFacts written = outcome.newFacts.value_or(FileFacts{});
    const Chosen& chosen = outcome.chosen;
    switch (outcome.doubt) {
    case RunOutcome::Doubt::SampleRate:
        return FillFormat(UiText(kTextReasonSampleRate, language),
                          {RateText(written.sampleRate.value_or(0)), RateText(chosen.sampleRate.value_or(0))});
    case RunOutcome::Doubt::Channels:
        return FillFormat(UiText(kTextReasonChannels, language),
                          {ChannelsText(written.channels, language), ChannelsText(chosen.channels, language)});
    case RunOutcome::Doubt::AudioBitRate:
        return FillFormat(UiText(kTextReasonAudioBitRate, language),
                          {RateText(std::round(static_cast<double>(written.audioBitRate.value_or(0)) / 1000)),
                           RateText(chosen.audioBitRate.value_or(0))});
    case RunOutcome::Doubt::FrameSize:
        return FillFormat(UiText(kTextReasonFrameSize, language),
                          {SizeValueText(written.width, written.height), SizeValueText(chosen.width, chosen.height)});
    case RunOutcome::Doubt::FrameRate:
        return FillFormat(UiText(kTextReasonFrameRate, language),
                          {RateText(written.frameRate.value_or(0)), RateText(chosen.frameRate.value_or(0))});
    default:
        return {};
    }
}

std::u16string WrittenText(const RunOutcome& outcome, Language language)
{
    const std::u16string name = DisplayName(outcome.output);
    switch (outcome.doubt) {
    case RunOutcome::Doubt::Short:
        return FillFormat(UiText(kTextOutcomeShort, language),
                          {name, DurationText(outcome.seconds.value_or(0)), DurationText(outcome.sourceSeconds.value_or(0))});
    case RunOutcome::Doubt::NoVideo:
        return FillFormat(UiText(kTextOutcomeNoVideo, language), {name});
    case RunOutcome::Doubt::NoAudio:
        return FillFormat(UiText(kTextOutcomeNoAudio, language), {name});
    case RunOutcome::Doubt::Unreadable:
        return FillFormat(UiText(outcome.bAudioOnly ? kTextOutcomeUnreadableAudio : kTextOutcomeUnreadable, language),
                          {name});
    case RunOutcome::Doubt::SampleRate:
    case RunOutcome::Doubt::Channels:
    case RunOutcome::Doubt::AudioBitRate:
    case RunOutcome::Doubt::FrameSize:
    case RunOutcome::Doubt::FrameRate:
        return FillFormat(UiText(kTextOutcomeNotChosen, language), {name, NotChosenText(outcome, language)});
    case RunOutcome::Doubt::None:
        break;
    }
    if (outcome.seconds)
        return FillFormat(UiText(kTextOutcomeWrittenLength, language),
                          {name, SizeText(outcome.size, language), DurationText(*outcome.seconds)});
    return FillFormat(UiText(kTextOutcomeWritten, language), {name, SizeText(outcome.size, language)});
}

// Why a file has no clean result, in a few words; empty for a clean one.
std::u16string Reason(const RunOutcome& outcome, Language language)
{
    const std::u16string step = NumberText(outcome.step);
    const std::u16string steps = NumberText(outcome.steps);
    const std::u16string code = NumberText(static_cast<unsigned>(outcome.code));
    switch (outcome.kind) {
    case RunOutcome::Kind::Exited:
        return FillFormat(UiText(kTextReasonExited, language), {step, steps, outcome.program, code});
    case RunOutcome::Kind::Signalled:
        return FillFormat(UiText(kTextReasonSignalled, language), {step, steps, outcome.program, code});
    case RunOutcome::Kind::NotStarted:
        return FillFormat(UiText(kTextReasonNotStarted, language), {step, steps, outcome.program});
    case RunOutcome::Kind::NoOutput:
        return std::u16string(UiText(kTextReasonNoOutput, language));
    case RunOutcome::Kind::NotMoved:
        return std::u16string(UiText(kTextReasonNotMoved, language));
    case RunOutcome::Kind::NotSynced:
        return std::u16string(UiText(kTextReasonNotSynced, language));
    case RunOutcome::Kind::Stopped:
    case RunOutcome::Kind::Written:
        break;
    }
    switch (outcome.doubt) {
    case RunOutcome::Doubt::Short:
        return FillFormat(UiText(kTextReasonShort, language),
                          {DurationText(outcome.seconds.value_or(0)), DurationText(outcome.sourceSeconds.value_or(0))});
    case RunOutcome::Doubt::NoVideo:
        return std::u16string(UiText(kTextReasonNoVideo, language));
    case RunOutcome::Doubt::NoAudio:
        return std::u16string(UiText(kTextReasonNoAudio, language));
    case RunOutcome::Doubt::Unreadable:
        return std::u16string(UiText(kTextReasonUnreadable, language));
    case RunOutcome::Doubt::SampleRate:
    case RunOutcome::Doubt::Channels:
    case RunOutcome::Doubt::AudioBitRate:
    case RunOutcome::Doubt::FrameSize:
    case RunOutcome::Doubt::FrameRate:
        return NotChosenText(outcome, language);
    case RunOutcome::Doubt::None:
        break;
    }
    return {};
}

// The line has room for two lines of text: a longer list gives way to the count of the rest.
constexpr std::size_t kListed = 2;

std::u16string List(const std::vector<std::u16string>& items, Language language)
{
    std::u16string list;
    for (std::size_t i = 0; i < items.size() && i < kListed; ++i) {
        if (i > 0)
            list += UiText(kTextListSeparator, language);
        list += items[i];
    }
    if (items.size() > kListed) {
        list += UiText(kTextListSeparator, language);
        list += FillFormat(UiText(kTextBatchMore, language), {NumberText(items.size() - kListed)});
    }
    return list;
}

}  // namespace

std::u16string OutcomeText(const RunOutcome& outcome, Language language)
{
    switch (outcome.kind) {
    case RunOutcome::Kind::Written:
        return WrittenText(outcome, language);
    case RunOutcome::Kind::Exited:
    case RunOutcome::Kind::Signalled:
    case RunOutcome::Kind::NotStarted:
        return FillFormat(UiText(kTextOutcomeFailed, language), {Reason(outcome, language)});
    case RunOutcome::Kind::NotMoved:
        return FillFormat(UiText(kTextOutcomeNotMoved, language), {DisplayName(outcome.output)});
    case RunOutcome::Kind::NotSynced:
        return FillFormat(UiText(kTextOutcomeNotSynced, language), {DisplayName(outcome.output)});
    case RunOutcome::Kind::Stopped:
        if (outcome.bEarlierKept)
            return FillFormat(UiText(kTextOutcomeStoppedKept, language), {DisplayName(outcome.output)});
        return std::u16string(UiText(kTextOutcomeStopped, language));
    case RunOutcome::Kind::NoOutput:
        break;
    }
    return FillFormat(UiText(kTextOutcomeNoOutput, language), {DisplayName(outcome.output)});
}

std::u16string RunOutcomeText(const RunVerdict& verdict, Language language)
{
    const std::size_t files = verdict.files.size();
    if (files == 0)
        return std::u16string(UiText(kTextOutcomeStopped, language));
    if (files == 1)
        return OutcomeText(verdict.files.front().outcome, language);
    // A stop ends the batch: the files written stay, the rest are what the stop left them.
    if (verdict.bStopped)
        return FillFormat(UiText(kTextBatchStopped, language), {NumberText(verdict.nWritten), NumberText(files)});
    std::vector<std::u16string> failed;
    std::vector<std::u16string> doubtful;
    for (const RunVerdict::File& file : verdict.files) {
        if (file.end != FileEnd::Failed && file.end != FileEnd::Doubtful)
            continue;
        const std::u16string item = FillFormat(UiText(kTextListItem, language),
                                               {DisplayName(file.outcome.source), Reason(file.outcome, language)});
        (file.end == FileEnd::Failed ? failed : doubtful).push_back(item);
    }
    if (failed.empty() && doubtful.empty())
        return FillFormat(UiText(kTextBatchDone, language),
                          {NumberText(verdict.nWritten), SizeText(verdict.totalSize, language)});
    std::u16string text =
        FillFormat(UiText(kTextBatchWritten, language), {NumberText(verdict.nWritten), NumberText(files)});
    if (!failed.empty())
        text += FillFormat(UiText(kTextBatchFailed, language), {List(failed, language)});
    if (!doubtful.empty())
        text += FillFormat(UiText(kTextBatchDoubtful, language), {List(doubtful, language)});
    return text;
}

std::u16string FileLineText(const RunProgress& progress, Language language)
{
    const std::vector<std::size_t>& converting = progress.converting;
    if (converting.size() <= 1) {
        const std::size_t file = converting.empty() ? progress.file : converting.front();
        const std::u16string source = converting.empty() ? progress.source : progress.sources.front();
        return FillFormat(UiText(kTextFileLine, language),
                          {NumberText(file + 1), NumberText(progress.files), DisplayName(source)});
    }
    std::u16string numbers;
    std::u16string names;
    for (std::size_t i = 0; i < converting.size(); ++i) {
        if (i > 0) {
            numbers += UiText(i + 1 == converting.size() ? kTextNumbersLastSeparator : kTextNumbersSeparator, language);
            names += UiText(kTextNamesSeparator, language);
        }
        numbers += NumberText(converting[i] + 1);
        names += DisplayName(progress.sources[i]);
    }
    if (progress.done == 0)
        return FillFormat(UiText(kTextFilesLine, language), {numbers, NumberText(progress.files), names});
    return FillFormat(UiText(kTextFilesDoneLine, language),
                      {numbers, NumberText(progress.files), NumberText(progress.done), names});
}
