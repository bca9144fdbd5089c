// One Video2FLV conversion of a 20 s 640x480 .mp4 clip (two stages: mencoder, then ffmpeg)
// set going from the main dialog, timed from the click on Convert to the output window's OK
// button showing; against the very same two command lines, as the dialog built them, run one
// after the other by a shell script that also renames the result into place. Rounds pair the two; the figures are medians of five,
// after one unmeasured round of each. The program's own processor time is printed too: the
// encoders share the machine with it, so on a busy machine it is what slows them down.

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QPushButton>
#include <QTimer>

#include <stdlib.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/DialogBench.h"
#include "bench/Median.h"
#include "platform/text/CommandLine.h"
#include "platform/text/TextCodec.h"
#include "tests/EncoderTools.h"
#include "ui/Resource.h"
#include "ui/TarvexDlg.h"

namespace fs = std::filesystem;

namespace {

constexpr int kRounds = 5;

// The program's own processor time in the last run through the dialog, its children apart.
double lastDialogCpu = 0;

// The dialog's commands for sh: the same arguments, the encoders from PATH as the dialog
// finds them when ./plugins has none, in a folder of the run's own beside the output that is
// made first and removed last, the new file renamed over the output in between, as Convert
// and its run do.
void WriteScript(const std::vector<std::string>& commands, const fs::path& output, const fs::path& script)
{
    std::ofstream out(script);
    std::string runFolder;
    std::string written;
    for (const std::string& command : commands) {
        std::vector<std::string> argv = SplitCommandLine(command);
        std::string program = argv[0].substr(argv[0].find_last_of('\\') + 1);
        argv[0] = program.substr(0, program.size() - 4);  // without ".exe"
        const fs::path folder = fs::path(argv.back()).parent_path();
        if (runFolder.empty() && folder.filename().string().starts_with(".tarvex-run-")) {
            runFolder = folder.string();
            out << "mkdir " << ShellQuoted(runFolder) << "\n";
        }
        written = argv.back();
        for (const std::string& arg : argv)
            out << ShellQuoted(arg) << ' ';
        out << "</dev/null >/dev/null 2>&1\n";
    }
    out << "mv -f " << ShellQuoted(written) << ' ' << ShellQuoted(output.string()) << "\n";
    out << "rm -rf " << ShellQuoted(runFolder) << "\n";
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);

    const fs::path previous = fs::current_path();
    char pattern[] = "/tmp/tarvex-bench-convert-XXXXXX";
    if (!mkdtemp(pattern))
        return 1;
    const fs::path dir = pattern;
    // The encoders come from PATH: the current directory has no plugins folder.
    fs::current_path(dir);
    const fs::path source = dir / "clip.mp4";
    const fs::path output = dir / "clip.flv";
    const fs::path log = dir / "log.txt";
    if (MakeLargeClip(source, 20, "aac", log) != 0) {
        std::fprintf(stderr, "could not make the clip:\n%s\n", ReadFile(log.string()).c_str());
        return 1;
    }

    std::vector<double> dialogTimes, scriptTimes, ratios, cpuTimes, syncTimes;
    bool failed = false;
    SyncClock syncs;
    {
        CTarvexDlg dlg;
        dlg.Create();
        dlg.ShowWindow(SW_SHOW);
        dlg.GetDlgItem(IDC_SOURCE)->SetWindowText(DecodeUtf8(source.string()));
        dlg.GetDlgItem(IDC_OUTPUT)->SetWindowText(DecodeUtf8(output.string()));
        const fs::path script = dir / "convert.sh";
        for (int round = 0; round <= kRounds && !failed; ++round) {
            // Which goes first alternates, so a change in the machine's load between the two
            // halves of a round favours neither.
            double dialog = 0, shell = 0;
            std::size_t commands = 2;
            if (round == 0) {
                std::vector<std::string> lines;
                {
                    const CommandLines learnt;
                    dialog = ThroughTheDialog(lastDialogCpu);
                    lines = learnt.Lines();
                }
                commands = lines.size();
                WriteScript(lines, output, script);
                shell = FromTheScript(script, log);
            } else if (round % 2 == 0) {
                dialog = ThroughTheDialog(lastDialogCpu);
                shell = FromTheScript(script, log);
            } else {
                shell = FromTheScript(script, log);
                dialog = ThroughTheDialog(lastDialogCpu);
            }
            const double synced = syncs.Take();
            failed = dialog <= 0 || shell <= 0 || commands != 2 || !fs::exists(output);
            if (round > 0) {
                dialogTimes.push_back(dialog);
                scriptTimes.push_back(shell);
                ratios.push_back(dialog / shell);
                cpuTimes.push_back(lastDialogCpu);
                syncTimes.push_back(synced);
            }
        }
    }
    fs::current_path(previous);
    if (failed) {
        std::fprintf(stderr, "a conversion failed:\n%s\n", ReadFile(log.string()).c_str());
        fs::remove_all(dir);
        return 1;
    }
    fs::remove_all(dir);

    std::printf("convert_dialog_time: %.3f s (goal: none, Convert to OK, 20 s 640x480 .mp4 to .flv in two stages)\n",
                Median(dialogTimes));
    std::printf("convert_script_time: %.3f s (goal: none, the same two commands from a shell script)\n",
                Median(scriptTimes));
    std::printf("convert_time_ratio: %.3f x (goal: < 1.03, dialog against script, paired rounds)\n", Median(ratios));
    std::printf("convert_program_cpu: %.3f s (goal: none, the program's own processor time in one conversion)\n",
                Median(cpuTimes));
    std::printf("convert_sync_time: %.1f ms (goal: none, flushing the new file and its folder, within the dialog's time)\n",
                1000 * Median(syncTimes));
    return 0;
}
