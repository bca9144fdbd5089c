#include "run/RunSnapshot.h"

namespace {

FileEnd EndOf(const RunOutcome& outcome)
{
    switch (outcome.kind) {
    case RunOutcome::Kind::Written:
        return outcome.doubt == RunOutcome::Doubt::None ? FileEnd::Written : FileEnd::Doubtful;
    case RunOutcome::Kind::Stopped:
        return FileEnd::Stopped;
    default:
        return FileEnd::Failed;
    }
}

}  // namespace

RunVerdict VerdictOf(const std::vector<RunOutcome>& outcomes, const std::vector<bool>& began)
{
    RunVerdict verdict;
    for (std::size_t i = 0; i < outcomes.size(); ++i) {
        RunVerdict::File file;
        file.outcome = outcomes[i];
        if (i < began.size() && began[i])
            file.end = EndOf(outcomes[i]);
        if (file.end == FileEnd::Written || file.end == FileEnd::Doubtful) {
            ++verdict.nWritten;
            verdict.totalSize += file.outcome.size;
            if (verdict.firstWritten.empty())
                verdict.firstWritten = file.outcome.output;
        }
        verdict.bStopped |= file.end == FileEnd::Stopped || file.end == FileEnd::Untouched;
        verdict.files.push_back(std::move(file));
    }
    return verdict;
}
