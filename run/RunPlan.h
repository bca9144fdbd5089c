#pragma once
// What a run is to do for one file, and the one way a plan is made: its run folder beside the
// output first, then its commands, built for the paths inside that folder.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/files/RunFolder.h"
#include "platform/process/Confinement.h"
#include "run/RunOutcome.h"

struct RunPlan {
    std::vector<std::u16string> commands;  // in order
    std::u16string source;                 // the file the commands convert
    std::u16string output;                 // where the new file goes once the run has earned it
    RunFolder folder;                      // beside `output`; the file's job owns it from Start on
    std::u16string newFile;                // the file the last command writes, inside `folder`
    // The streams the new file is to hold, as far as its source has them.
    bool bWantVideo = true;
    bool bWantAudio = true;
    // What the new file is held against once written.
    Chosen chosen;
};

// The paths inside a plan's run folder that its commands name.
struct PlanPaths {
    std::u16string folder;
    std::u16string newFile;  // under the output's own name, so encoders pick its format by extension
};

// The plan converting `source` into `output`, with the commands `build` gives for its paths;
// nothing when no run folder can be made beside `output`, and then `build` is not asked.
std::optional<RunPlan> PlanFor(std::u16string source, std::u16string output,
                               const std::function<std::vector<std::u16string>(const PlanPaths&)>& build);

// What the encoders of a plan may touch: the system's folders and their own, the plan's source
// (read only), and its run folder; no network.
ConfinementRules EncoderRules(const RunPlan& plan);
