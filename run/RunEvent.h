#pragma once
// What reaches a run's own thread, in the order it happened: a child's bytes before its end,
// a file's end before the finishing work it asked for comes back, and the owner's requests.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "run/ProgressParser.h"
#include "run/Redirect.h"
#include "run/RunOutcome.h"

namespace run_event {

// Chunks of one stream of one job in a row, kept as one event: a flood costs the run's thread
// one wake-up per batch, not one per chunk. `sizes` keeps each chunk's bounds.
struct OutputCame {
    std::size_t job;
    OutputStream stream;
    std::string bytes;
    std::vector<std::uint32_t> sizes;
};

struct ChildEnded {
    std::size_t job;
    CRedirect::ChildEnd end;
};

// The finishing work of a file has ended: the file is over.
struct FileFinished {
    std::size_t job;
    RunOutcome outcome;
};

struct SourceRead {
    std::size_t job;
    std::optional<FileFacts> facts;
};

enum class Request { Stop, Pause, Resume, Shutdown };

}  // namespace run_event

using RunEvent = std::variant<run_event::OutputCame, run_event::ChildEnded, run_event::FileFinished,
                              run_event::SourceRead, run_event::Request>;
