// Several files in one go. Twenty 2 s clips converted by Video2FLV from the main dialog, Convert
// to OK, against the very same commands, as the dialog ran them, from a shell script that also
// makes each file's folder, renames its result into place and removes the folder; rounds pair
// the two, after one unmeasured round of each. The program's own processor time per file
// too. Then the memory: 200 files through a run and the output window with the stand-in
// encoder, the program's resident growth.

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QLoggingCategory>
#include <QPushButton>
#include <QTimer>

#include <stdlib.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "bench/DialogBench.h"
#include "bench/Median.h"
#include "convert/SourceList.h"
#include "platform/text/CommandLine.h"
#include "platform/text/TextCodec.h"
#include "tests/EncoderTools.h"
#include "tests/RunHelpers.h"
#include "ui/Resource.h"
#include "ui/TarvexDlg.h"

namespace fs = std::filesystem;

namespace {

constexpr int kClips = 20;
constexpr int kRounds = 3;
constexpr int kStandInFiles = 200;

// The command lines the program starts, from its debug output.
std::mutex g_lock;
std::vector<std::string> g_commands;

void Collect(QtMsgType, const QMessageLogContext& context, const QString& message)
{
    if (context.category && std::string_view(context.category) == "tarvex" && message.startsWith(QStringLiteral("plugins\\"))) {
        std::lock_guard<std::mutex> lock(g_lock);
        g_commands.push_back(message.toStdString());
    }
}

// Each file as the run does it: its folder, its command, its result renamed into place.
void WriteScript(const std::vector<std::string>& commands, const fs::path& script)
{
    std::ofstream out(script);
    for (const std::string& command : commands) {
        std::vector<std::string> argv = SplitCommandLine(command);
        const std::string program = argv[0].substr(argv[0].find_last_of('\\') + 1);
        argv[0] = program.substr(0, program.size() - 4);  // without ".exe": from PATH
        const fs::path written = argv.back();
        const fs::path output = written.parent_path().parent_path() / written.filename();
        out << "mkdir " << ShellQuoted(written.parent_path().string()) << "\n";
        for (const std::string& arg : argv)
            out << ShellQuoted(arg) << ' ';
        out << "</dev/null >/dev/null 2>&1\n";
        out << "mv -f " << ShellQuoted(written.string()) << ' ' << ShellQuoted(output.string()) << "\n";
        out << "rm -rf " << ShellQuoted(written.parent_path().string()) << "\n";
    }
}

// 200 files with the stand-in encoder through a run and its window: the resident growth.
double StandInGrowth(CTarvexDlg& dlg, const fs::path& dir)
{
    std::vector<RunPlan> plans;
    for (int i = 0; i < kStandInFiles; ++i)
        plans.push_back(PlanFor(dir / ("stand-in-" + std::to_string(i) + ".flv"),
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
    std::vector<std::u16string> sources;
    for (int i = 0; i < kClips; ++i) {
        const fs::path clip = dir / ("clip" + std::to_string(i) + ".avi");
        if (MakeClip(clip.string(), {}, 2, log.string()) != 0) {
            std::fprintf(stderr, "could not make the clips:\n%s\n", ReadFile(log.string()).c_str());
            return 1;
        }
        sources.push_back(DecodeUtf8(clip.string()));
    }

    std::vector<double> ratios, cpuPerFile, dialogTimes, scriptTimes, syncPerFile;
    double growth = -1;
    bool failed = false;
    SyncClock syncs;
    {
        CTarvexDlg dlg;
        dlg.Create();
        dlg.ShowWindow(SW_SHOW);
        dlg.GetDlgItem(IDC_SOURCE)->SetWindowText(JoinSources(sources));
        dlg.GetDlgItem(IDC_OUTPUT)->SetWindowText(u"");
        const fs::path script = dir / "batch.sh";
        for (int round = 0; round <= kRounds && !failed; ++round) {
            double cpu = 0, through = 0, shell = 0;
            if (round == 0) {
                // The unmeasured round learns the commands from the program's debug output.
                QLoggingCategory::setFilterRules(QStringLiteral("tarvex.debug=true"));
                const QtMessageHandler before = qInstallMessageHandler(Collect);
                through = ThroughTheDialog(cpu);
                qInstallMessageHandler(before);
                QLoggingCategory::setFilterRules(QString());
                WriteScript(g_commands, script);
                shell = FromTheScript(script, log);
            } else if (round % 2) {
                shell = FromTheScript(script, log);
                through = ThroughTheDialog(cpu);
            } else {
                through = ThroughTheDialog(cpu);
                shell = FromTheScript(script, log);
            }
            const double synced = syncs.Take();
            failed = through <= 0 || shell <= 0 || g_commands.size() != kClips;
            if (round > 0) {
                dialogTimes.push_back(through);
                scriptTimes.push_back(shell);
                ratios.push_back(through / shell);
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

    std::printf("batch_dialog_time: %.3f s (goal: none, Convert to OK, %d clips of 2 s, Video2FLV)\n",
                Median(dialogTimes), kClips);
    std::printf("batch_script_time: %.3f s (goal: none, the same commands from a shell script)\n", Median(scriptTimes));
    std::printf("batch_time_ratio: %.3f x (goal: < 1.05, dialog against script, paired rounds)\n", Median(ratios));
    std::printf("batch_program_cpu_per_file: %.1f ms (goal: < 50, the program's own processor time)\n",
                1000 * Median(cpuPerFile));
    std::printf("batch_sync_per_file: %.1f ms (goal: none, flushing each new file and its folder, within the dialog's time)\n",
                1000 * Median(syncPerFile));
    std::printf("batch_memory_growth: %.2f MiB (goal: < 5, %d files with the stand-in encoder, peak resident "
                "over the start)\n", growth, kStandInFiles);
    return 0;
}
