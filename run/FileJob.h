#pragma once
// One file's conversion: its commands one after another, the runner of their children, the
// text they print (the previous chunk and the newest one, each stream decoded on its own, and
// once the file has failed the last few KiB of it, so the cause is in view), how
// far it is, its run folder, and at its end the read-back of the new file, its rename over the
// output path and what became of it.
//
// Nothing of the user's is touched before the file has earned it: its last command writes the
// output into the file's run folder, and only when every command exited 0 and that file is not
// empty is it renamed over the output path. Whatever else happens (a failure, a stop, the
// program told to end), the folder goes with everything in it and an earlier file at the output
// path stays as it was.
//
// Its run drives it from one thread, the run's own: Begin, Advance after each child's end, End.
// The runner's threads only pass the children's text in, under the run's lock, and hand each
// end to the run as an event; the read-back and the rename never run on them.

#include <atomic>
#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <boost/thread/mutex.hpp>

#include "platform/text/TextCodec.h"
#include "run/ProgressParser.h"
#include "run/Redirect.h"
#include "run/RunOutcome.h"

using RunClock = std::chrono::steady_clock;

// What a run is to do for one file.
struct RunPlan {
    std::vector<std::u16string> commands;  // in order, none of them empty
    std::u16string source;                 // the file the commands convert
    std::u16string output;                 // where the new file goes once the run has earned it
    std::u16string runFolder;              // made for this file beside `output`; the run removes it
    std::u16string written;                // the file the last command writes, inside `runFolder`
    // The streams the new file is to hold, as far as its source has them.
    bool bWantVideo = true;
    bool bWantAudio = true;
    // What the new file is held against once written.
    Chosen chosen;
};

// The commands a plan runs: those of `commands` that are not empty, in order; none when the
// first is empty.
std::vector<std::u16string> PlannedCommands(const std::vector<std::u16string>& commands);

// What the encoders of a plan may touch: the system's folders and their own, the plan's source
// (read only), and its run folder; no network.
ConfinementRules EncoderRules(const RunPlan& plan);

// Reads a media file: its facts, or nothing when it cannot be read. Called off the caller's
// thread, several at once; it should give up soon once `cancel` is set.
using MediaReader = std::function<std::optional<FileFacts>(const std::u16string& path, const std::atomic<bool>& cancel)>;

class FileJob {
public:
    // What a job reports to its run.
    struct Context {
        boost::mutex& stateLock;  // the run's one lock over what a window reads
        std::function<void()> changed;
        std::function<void(std::string_view)> debugOutput;
        // A child of job `index` has ended (empty when there was none), on its exit watcher;
        // `shutdown` when the runner's forced end caused it.
        std::function<void(std::size_t index, std::optional<CRedirect::ChildEnd> end, bool shutdown)> childEnded;
    };

    enum class Phase { Waiting, Running, Ended };
    // What comes after a child's end.
    enum class Next { Launched, Over, Stopped };

    // Encoders run this much nicer than the program, so that a batch on every core leaves the
    // desktop responsive.
    static constexpr int kNiceness = 10;
    // How much of a failed file's output its text keeps: enough for an encoder's cause line
    // and the few lines it prints after it, wherever a version puts them.
    static constexpr std::size_t kTailChars = 4096;

    FileJob(std::size_t index, RunPlan plan, const Context& context);
    FileJob(const FileJob&) = delete;
    FileJob& operator=(const FileJob&) = delete;

    // On the run's thread.
    // Starts the first command. False when none started: the file is then over (End is due).
    bool Begin(std::optional<double> sourceSeconds);
    // A child has ended: the next command has started, or the file is over, or stopped.
    Next Advance(const CRedirect::ChildEnd& end, bool stopRequested);
    // The file is over: the new file read back (with `reader`, against `source`) and put in
    // place, or, when `stopped`, left; its folder gone; its outcome recorded.
    void End(bool stopped, const MediaReader& reader, const std::optional<FileFacts>& source,
             const std::atomic<bool>& cancel);
    // Asks the running child to end (SIGINT, SIGTERM, SIGKILL); its end comes as any end.
    void Interrupt();
    // Holds the running child and all it started, and lets them go on again.
    void Pause();
    void Resume();
    // The forced end of the running child; every thread of the runner joined.
    void ShutdownRunner();
    const RunPlan& Plan() const { return m_plan; }

    // Under the state lock.
    Phase GetPhase() const { return m_phase; }
    void KnowLength(double seconds) { m_progress.KnowLength(seconds); }
    std::u16string Text() const { return m_bShowTail ? m_strTail : m_strPrevChunk + m_strLastChunk; }
    std::optional<int> Percent() const { return m_progress.Percent(); }
    std::size_t Step() const { return m_nStep; }
    std::size_t Steps() const { return m_plan.commands.size(); }
    const std::u16string& Program() const { return m_strProgram; }
    RunClock::time_point LastOutput() const { return m_lastOutput; }
    // A pause of `held` is not the encoder's silence.
    void DiscountPause(RunClock::duration held) { m_lastOutput += held; }
    const RunOutcome& Outcome() const { return m_outcome; }

private:
    class Runner : public CRedirect {
    public:
        explicit Runner(FileJob& job) : CRedirect(kNiceness), m_job(job) {}
        void OnOutputText(std::string_view text) override { m_job.OnChunk(OutputStream::Output, text); }
        void OnErrorText(std::string_view text) override { m_job.OnChunk(OutputStream::Error, text); }
        void OnFinished(const ChildEnd& end) override { m_job.m_context.childEnded(m_job.m_nIndex, end.kind == ChildEnd::Kind::ShutDown ? std::nullopt : std::optional<ChildEnd>(end), end.bShutdown); }

    private:
        FileJob& m_job;
    };

    void OnChunk(OutputStream stream, std::string_view bytes);
    // Under the state lock: `text` joins the tail, whose start is then cut to whole lines.
    void KeepTail(std::u16string_view text);
    // Starts command m_nStep; false when it could not start, its failure then noted.
    bool Launch();
    // Under the state lock: keeps the file's first failure, the one that tells.
    void NoteFailure(RunOutcome::Kind kind, int code);

    const std::size_t m_nIndex;
    const RunPlan m_plan;
    const Context& m_context;
    bool m_bEarlierOutput = false;  // something was at the output path when the file began

    // What a window reads, under the state lock.
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
    RunOutcome m_outcome;

    // Last: its threads reach everything above until it has stopped. Made as the file begins
    // and let go as it ends, so that a batch of many files holds the threads of those
    // converting only.
    std::unique_ptr<Runner> m_pRunner;
};
