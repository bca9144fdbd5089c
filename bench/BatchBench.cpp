// Several files in one go. Twenty 10 s 640x480 clips converted by Video2FLV from the main
// dialog, Convert to OK, against the very same commands, as the dialog ran them, from shell
// scripts that also make each file's folder, rename its result into place and remove the
// folder: (a) one file after another, as a user's loop does, and (b) the same per-file scripts
// run P at a time by xargs, P the processors the program may use. The scripts' encoders run as
// much nicer as the program's, so that another load on the machine takes from both alike.
// Rounds run the three in turn, mirrored every other round, after one unmeasured round of each.
// The program's own processor time per file too. Then the memory: 200 files through a run and
// the output window with the stand-in encoder, the program's resident growth.

#include <QApplication>
#include <QTimer>

#include <stdlib.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "bench/DialogBench.h"
#include "bench/Median.h"
#include "convert/SourceList.h"
#include "platform/process/Processors.h"
#include "platform/text/CommandLine.h"
#include "platform/text/TextCodec.h"
#include "run/FileJob.h"
#include "tests/EncoderTools.h"
#include "tests/RunHelpers.h"
#include "ui/Resource.h"
#include "ui/TarvexDlg.h"

namespace fs = std::filesystem;

namespace {

constexpr int kClips = 20;
constexpr int kRounds = 2;
constexpr int kStandInFiles = 200;

// One file as the run does it: its folder, its command, its result renamed into place, the
// folder removed. A script of its own, so that xargs runs a file as one unit.
std::string FileScript(const std::string& command)
{
    std::vector<std::string> argv = SplitCommandLine(command);
    const std::string program = argv[0].substr(argv[0].find_last_of('\\') + 1);
    argv[0] = program.substr(0, program.size() - 4);  // without ".exe": from PATH
    const fs::path written = argv.back();
    const fs::path output = written.parent_path().parent_path() / written.filename();
    std::string text = "mkdir " + ShellQuoted(written.parent_path().string()) + "\n";
    text += "nice -n " + std::to_string(FileJob::kNiceness);
    for (const std::string& arg : argv)
        text += ' ' + ShellQuoted(arg);
    text += " </dev/null >/dev/null 2>&1\n";
    text += "mv -f " + ShellQuoted(written.string()) + ' ' + ShellQuoted(output.string()) + "\n";
    text += "rm -rf " + ShellQuoted(written.parent_path().string()) + "\n";
    return text;
}

// `loop`: every file's steps one after another; `parallel`: the per-file scripts, `processors`
// at a time.
void WriteScripts(const std::vector<std::string>& commands, const fs::path& dir, std::size_t processors,
                  const fs::path& loop, const fs::path& parallel)
{
    std::ofstream loopOut(loop);
    std::ofstream list(dir / "files.txt");
    for (std::size_t i = 0; i < commands.size(); ++i) {
        const std::string text = FileScript(commands[i]);
        loopOut << text;
        const fs::path one = dir / ("file-" + std::to_string(i) + ".sh");
        std::ofstream(one) << text;
        list << one.string() << "\n";
    }
    std::ofstream(parallel) << "xargs -d '\\n' -n 1 -P " << processors << " sh < "
                            << ShellQuoted((dir / "files.txt").string()) << "\n";
}

// 200 files with the stand-in encoder through a run and its window: the resident growth.
double StandInGrowth(CTarvexDlg& dlg, const fs::path& dir)
{
    std::vector<RunPlan> plans;
    for (int i = 0; i < kStandInFiles; ++i)
        plans.push_back(StandInPlan(dir / ("stand-in-" + std::to_string(i) + ".flv"),
                                {u"plugins\\ffmpeg.exe script out:frame stampfile:{written}"}));
    OkWatcher watcher(nullptr);
    qApp->installEventFilter(&watcher);
    const double before = ResidentMiB();
    double peak = before;
    QTimer sample;
    QObject::connect(&sample, &QTimer::timeout, [&] { peak = std::max(peak, ResidentMiB()); });
    sample.start(10);
    dlg.RunInWindow(std::move(plans));
    sample.stop();
    qApp->removeEventFilter(&watcher);
    peak = std::max(peak, ResidentMiB());
    return watcher.shownAt > 0 ? peak - before : -1;
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);

    // The encoders come from PATH: the folder the batch runs in has no plugins.
    const fs::path previous = fs::current_path();
    char pattern[] = "/tmp/tarvex-bench-batch-XXXXXX";
    if (!mkdtemp(pattern))
        return 1;
    const fs::path dir = pattern;
    fs::current_path(dir);
    const fs::path log = dir / "log.txt";
    // One clip made, the others copies of it: the batch's figures do not hang on how long
    // making them takes.
    const fs::path first = dir / "clip0.avi";
    if (MakeLargeClip(first, 10, "libmp3lame", log) != 0) {
        std::fprintf(stderr, "could not make the clips:\n%s\n", ReadFile(log.string()).c_str());
        return 1;
    }
    std::vector<std::u16string> sources;
    for (int i = 0; i < kClips; ++i) {
        const fs::path clip = dir / ("clip" + std::to_string(i) + ".avi");
        if (i > 0)
            fs::copy_file(first, clip);
        sources.push_back(DecodeUtf8(clip.string()));
    }

    const std::size_t processors = UsableProcessors();
    std::vector<double> windowTimes, loopTimes, xargsTimes, loopRatios, xargsRatios, cpuPerFile, syncPerFile;
    double growth = -1;
    bool failed = false;
    SyncClock syncs;
    {
        CTarvexDlg dlg;
        dlg.Create();
        dlg.ShowWindow(SW_SHOW);
        dlg.GetDlgItem(IDC_SOURCE)->SetWindowText(JoinSources(sources));
        dlg.GetDlgItem(IDC_OUTPUT)->SetWindowText(u"");
        const fs::path loop = dir / "loop.sh";
        const fs::path parallel = dir / "parallel.sh";
        for (int round = 0; round <= kRounds && !failed; ++round) {
            double cpu = 0, window = 0, inLoop = 0, inParallel = 0;
            std::vector<std::function<void()>> turns = {
                [&] { window = ThroughTheDialog(cpu); },
                [&] { inParallel = FromTheScript(parallel, log); },
                [&] { inLoop = FromTheScript(loop, log); },
            };
            std::size_t commands = kClips;
            if (round == 0) {
                // The unmeasured round learns the commands from the program's debug output.
                std::vector<std::string> lines;
                {
                    const CommandLines learnt;
                    turns[0]();
                    lines = learnt.Lines();
                }
                commands = lines.size();
                WriteScripts(lines, dir, processors, loop, parallel);
                turns.erase(turns.begin());
            } else if (round % 2) {
                // Mirrored every other round, so that a change in the machine's load within a
                // round favours none of the three.
                std::reverse(turns.begin(), turns.end());
            }
            for (const auto& turn : turns)
                turn();
            const double synced = syncs.Take();
            failed = window <= 0 || inLoop <= 0 || inParallel <= 0 || commands != static_cast<std::size_t>(kClips);
            if (round > 0) {
                windowTimes.push_back(window);
                loopTimes.push_back(inLoop);
                xargsTimes.push_back(inParallel);
                loopRatios.push_back(window / inLoop);
                xargsRatios.push_back(window / inParallel);
                cpuPerFile.push_back(cpu / kClips);
                syncPerFile.push_back(synced / kClips);
            }
        }
        if (!failed) {
            StandInFolder standIn("tarvex-bench-batch-stand-in-", RUNNER_CHILD, "ffmpeg");
            growth = StandInGrowth(dlg, standIn.Path());
        }
    }
    fs::current_path(previous);
    const std::string logText = ReadFile(log.string());
    fs::remove_all(dir);
    if (failed || growth < 0) {
        std::fprintf(stderr, "a batch failed:\n%s\n", logText.c_str());
        return 1;
    }

    std::printf("batch_window_time: %.3f s (goal: none, Convert to OK, %d clips of 10 s 640x480, Video2FLV)\n",
                Median(windowTimes), kClips);
    std::printf("batch_loop_time: %.3f s (goal: none, the same commands one file after another from a shell script)\n",
                Median(loopTimes));
    std::printf("batch_xargs_time: %.3f s (goal: none, the same per-file scripts %zu at a time by xargs -P)\n",
                Median(xargsTimes), processors);
    std::printf("batch_window_loop_ratio: %.3f x (goal: < %.3f, 1.15 / %zu processors, window against the loop)\n",
                Median(loopRatios), 1.15 / static_cast<double>(processors), processors);
    std::printf("batch_window_xargs_ratio: %.3f x (goal: < 1.05, window against xargs -P %zu)\n", Median(xargsRatios),
                processors);
    std::printf("batch_program_cpu_per_file: %.1f ms (goal: < 50, the program's own processor time, its children "
                "apart)\n", 1000 * Median(cpuPerFile));
    std::printf("batch_sync_per_file: %.1f ms (goal: none, flushing each new file and its folder, within the window's "
                "time)\n", 1000 * Median(syncPerFile));
    std::printf("batch_memory_growth: %.2f MiB (goal: < 5, %d files with the stand-in encoder, peak resident "
                "over the start)\n", growth, kStandInFiles);
    return 0;
}
