#include "run/FileFinishing.h"

#include <utility>

#include "platform/text/FileSystem.h"
#include "platform/text/ShellPath.h"

namespace {

// Puts the new file of `size` bytes in place; true when the output path holds it, even when
// its name could not be flushed.
bool PutInPlace(const FinishingWork& work, std::uintmax_t size, RunOutcome& outcome)
{
    switch (ReplaceFile(work.newFile, work.output)) {
    case Replaced::Yes:
        outcome.kind = RunOutcome::Kind::Written;
        outcome.size = size;
        return true;
    case Replaced::NotMoved:
        outcome.kind = RunOutcome::Kind::NotMoved;
        return false;
    case Replaced::NotSynced:
        outcome.kind = RunOutcome::Kind::NotSynced;
        return false;
    case Replaced::FolderNotSynced:
        // The new file took the earlier one's place, but a power loss may still undo it.
        outcome.kind = RunOutcome::Kind::NotSynced;
        outcome.size = size;
        return true;
    }
    return false;
}

}  // namespace

RunOutcome FinishFile(FinishingWork work, const MediaReader& reader,
                      const std::function<std::optional<FileFacts>()>& source, const std::atomic<bool>& cancel)
{
    RunOutcome outcome = std::move(work.outcome);
    bool replaced = false;
    const std::optional<std::uintmax_t> size = work.bDecide ? RegularFileSize(work.newFile) : std::nullopt;
    if (work.bDecide && !(size && *size > 0))
        outcome.kind = RunOutcome::Kind::NoOutput;
    else if (work.bDecide) {
        bool stopped = false;
        if (reader && !cancel) {
            // Encoders exit 0 for a source they cut short: the new file is read back first.
            const std::optional<FileFacts> facts = source ? source() : std::nullopt;
            const std::optional<FileFacts> written = reader(work.newFile, cancel);
            stopped = cancel.load();
            outcome.doubt = JudgeOutput(written, facts, work.bWantVideo, work.bWantAudio, work.chosen);
            outcome.newFacts = written;
            outcome.chosen = work.chosen;
            if (written)
                outcome.seconds = written->seconds;
            if (facts)
                outcome.sourceSeconds = facts->seconds;
        } else {
            stopped = reader && cancel;
        }
        if (stopped) {
            outcome.kind = RunOutcome::Kind::Stopped;
            outcome.doubt = RunOutcome::Doubt::None;
            outcome.step = outcome.steps;
        } else {
            replaced = PutInPlace(work, *size, outcome);
        }
    }
    work.folder.Remove();
    if (outcome.kind != RunOutcome::Kind::Written)
        outcome.bEarlierKept = !replaced && work.bEarlierOutput && PathFileExistsW(work.output);
    return outcome;
}
