#pragma once
// The end of one file's conversion, the part that waits on the disk and so runs off the run's
// own thread: the new file read back and held against its source and the choice, flushed and
// renamed over the output path, and the file's run folder removed, whatever became of the file.

#include <atomic>
#include <functional>
#include <optional>
#include <string>

#include "platform/files/RunFolder.h"
#include "run/RunOutcome.h"

struct FinishingWork {
    // What is known already: a failure, a stop, or, when every command went well, nothing yet
    // (`bDecide`): then the new file decides.
    RunOutcome outcome;
    bool bDecide = false;
    RunFolder folder;
    std::u16string newFile;
    std::u16string output;
    bool bEarlierOutput = false;  // something was at the output path when the file began
    bool bWantVideo = true;
    bool bWantAudio = true;
    Chosen chosen;
};

// Ends the file as `work` says; with `reader`, the new file is read back first, against the
// source `source` gives (it may wait for the source's reading). A read-back that `cancel` cut
// short leaves the file stopped, its earlier output in place: the user stopped it before it had
// earned its place.
RunOutcome FinishFile(FinishingWork work, const MediaReader& reader,
                      const std::function<std::optional<FileFacts>()>& source, const std::atomic<bool>& cancel);
