#pragma once
// One file's conversion as its run sees it: its commands one after another, the runner of their
// children, the text they print (the previous chunk and the newest one, each stream decoded on
// its own, and once the file has failed the last few KiB of it, so the cause is in view), how
// far it is, and at its end the work that puts the new file in place.
//
// Nothing of the user's is touched before the file has earned it: its last command writes the
// output into the file's run folder, and only when every command exited 0 and that file is not
// empty is it renamed over the output path (run/FileFinishing.h). Whatever else happens, the
// folder goes with everything in it and an earlier file at the output path stays as it was.
//
// Only the run's own thread touches a job. The runner's threads hand the children's bytes and
// ends to the run through `RunnerSink`, in order, and never reach the job itself.

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/text/TextCodec.h"
#include "run/FileFinishing.h"
#include "run/ProgressParser.h"
#include "run/Redirect.h"
#include "run/RunPlan.h"
#include "run/RunSnapshot.h"

class FileJob {
public:
    // Where a job's runner hands what its children write and how they end, on the runner's
    // threads; `job` is the file's index.
    struct RunnerSink {
        std::function<void(std::size_t job, OutputStream stream, std::string_view bytes)> output;
        std::function<void(std::size_t job, const CRedirect::ChildEnd& end)> ended;
    };

    enum class Phase { Waiting, Running, Finishing, Ended };
    // What comes after a child's end.
    enum class Next { NextCommand, Over, Stopped };

    // Encoders run this much nicer than the program, so that a batch on every core leaves the
    // desktop responsive.
    static constexpr int kNiceness = 10;
    // How much of a failed file's output its text keeps: enough for an encoder's cause line
    // and the few lines it prints after it, wherever a version puts them.
    static constexpr std::size_t kTailChars = 4096;

    FileJob(std::size_t index, RunPlan plan, const RunnerSink& sink, std::function<void(std::string_view)> debugOutput);
    FileJob(const FileJob&) = delete;
    FileJob& operator=(const FileJob&) = delete;

    // The file begins, its length known or not; its first command is launched by Launch.
    void Begin(std::optional<double> sourceSeconds);
    // Starts the current command; false when it could not start, its failure then noted.
    bool Launch();
    void TakeOutput(OutputStream stream, std::string_view bytes);
    // A child has ended: the next command is due (then Launch), or the file is over, or stopped.
    Next Advance(const CRedirect::ChildEnd& end, bool stopRequested);
    // The file is over: its runner let go, and the work that ends it handed out, to run off the
    // run's thread. The job is Finishing until Finished.
    FinishingWork Finish(bool stopped);
    void Finished(RunOutcome outcome);
    // A stop came before the file began: its folder goes, and it counts as stopped.
    void DropUntouched();

    // Asks the running child to end (SIGINT, SIGTERM, SIGKILL); its end comes as any end.
    void Interrupt();
    // Holds the running child and all it started, and lets them go on again.
    void Pause();
    void Resume();
    // The forced end of the running child; every thread of the runner joined.
    void ShutdownRunner();
    void KnowLength(double seconds) { m_progress.KnowLength(seconds); }

    const RunPlan& Plan() const { return m_plan; }
    Phase GetPhase() const { return m_phase; }
    std::u16string Text() const { return m_bShowTail ? m_strTail : m_strPrevChunk + m_strLastChunk; }
    std::optional<int> Percent() const { return m_progress.Percent(); }
    std::size_t Step() const { return m_nStep; }
    std::size_t Steps() const { return m_plan.commands.size(); }
    const std::u16string& Program() const { return m_strProgram; }
    RunClock::time_point LastOutput() const { return m_lastOutput; }
    // Known once Ended; before, only the source and output.
    const RunOutcome& Outcome() const { return m_outcome; }

private:
    class Runner : public CRedirect {
    public:
        Runner(std::size_t index, const RunnerSink& sink) : CRedirect(kNiceness), m_nIndex(index), m_sink(sink) {}
        void OnOutputText(std::string_view text) override { m_sink.output(m_nIndex, OutputStream::Output, text); }
        void OnErrorText(std::string_view text) override { m_sink.output(m_nIndex, OutputStream::Error, text); }
        void OnFinished(const ChildEnd& end) override { m_sink.ended(m_nIndex, end); }

    private:
        const std::size_t m_nIndex;
        const RunnerSink& m_sink;
    };

    // The first failure of the file's commands, the one that tells: what follows often fails
    // because of it.
    struct Failure {
        RunOutcome::Kind kind;
        int code;
        std::size_t step;  // from 1
        std::u16string program;
    };

    // `text` joins the tail, whose start is then cut to whole lines.
    void KeepTail(std::u16string_view text);
    void NoteFailure(RunOutcome::Kind kind, int code);

    const std::size_t m_nIndex;
    RunPlan m_plan;
    const RunnerSink& m_sink;
    const std::function<void(std::string_view)> m_debugOutput;
    bool m_bEarlierOutput = false;  // something was at the output path when the file began

    Phase m_phase = Phase::Waiting;
    std::size_t m_nStep = 0;  // the command now running, from 0
    std::u16string m_strProgram;
    RunClock::time_point m_lastOutput{};
    Utf8Decoder m_outputDecoder;
    Utf8Decoder m_errorDecoder;
    std::u16string m_strPrevChunk;
    std::u16string m_strLastChunk;
    // Everything decoded, as the chunks above show it, up to about kTailChars of its end.
    std::u16string m_strTail;
    bool m_bShowTail = false;  // the file failed: its text is the tail
    ProgressParser m_progress;
    std::optional<Failure> m_failure;
    RunOutcome m_outcome;

    // Made as the file begins and let go as it ends, so that a batch of many files holds the
    // threads of those converting only.
    std::unique_ptr<Runner> m_pRunner;
};
