// Stop, clicked in the output window of a run that would never end by itself, timed to the
// moment no child of the program is left and to the moment OK shows:
// - the real ffmpeg encoding an endless lavfi source, against the same ffmpeg started from
//   here and sent SIGINT directly (its own time to close its file), paired rounds;
// - the stand-in encoder ignoring SIGINT and SIGTERM, which only SIGKILL ends, 4 s after the
//   click by design, against that 4 s.
// Each figure is the median of its rounds, on the offscreen platform.

#include <QApplication>
#include <QDialog>
#include <QPushButton>
#include <QTimer>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "bench/Median.h"
#include "platform/text/CommandLine.h"
#include "platform/text/TextCodec.h"
#include "tests/RunHelpers.h"
#include "ui/Resource.h"
#include "ui/TarvexDlg.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

constexpr int kFfmpegRounds = 7;
constexpr int kStubbornRounds = 3;
const std::vector<std::string> kEndless = {
    "ffmpeg", "-nostdin", "-f", "lavfi", "-i", "testsrc=size=640x480:rate=25", "-f", "lavfi", "-i",
    "sine=frequency=440:sample_rate=44100", "-vcodec", "flv", "-b:v", "400k", "-acodec", "libmp3lame", "-y"};

double Now()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

struct Times {
    double childrenGone = -1;  // seconds from the click
    double okShown = -1;
};

// Runs `commands` in the dialog's window; once the window shows `ready`, clicks Stop.
Times StopInTheWindow(CTarvexDlg& dlg, const fs::path& dir, const std::vector<std::u16string>& commands,
                      const std::u16string& ready)
{
    RunPlan plan = PlanFor(dir / "out.flv", commands);

    Times times;
    double clicked = 0;
    QTimer poll;
    poll.setInterval(1);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* window = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!window)
            return;
        if (clicked == 0) {
            auto* stop = window->findChild<QPushButton*>(QString::number(IDC_STOP));
            if (stop && stop->isVisible() && dlg.Run().Snapshot().text.find(ready) != std::u16string::npos) {
                clicked = Now();
                stop->click();
            }
            return;
        }
        if (times.childrenGone < 0 && OwnChildren().empty())
            times.childrenGone = Now() - clicked;
        auto* ok = window->findChild<QPushButton*>(QString::number(IDOK));
        if (times.okShown < 0 && ok && ok->isVisible())
            times.okShown = Now() - clicked;
        if (times.childrenGone >= 0 && times.okShown >= 0)
            window->done(QDialog::Accepted);
    });
    poll.start();
    dlg.RunInWindow(std::move(plan));
    return times;
}

// The same endless ffmpeg from here, told SIGINT once it has written its first progress:
// seconds from the signal to its end.
double FfmpegOnItsOwn(const fs::path& dir)
{
    std::vector<std::string> args = kEndless;
    args.push_back((dir / "alone.flv").string());
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    const std::string log = (dir / "alone.log").string();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, "ffmpeg", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return -1;
    for (int i = 0; i < 2000; ++i) {
        std::ifstream in(log);
        const std::string text((std::istreambuf_iterator<char>(in)), {});
        if (text.find("frame=") != std::string::npos)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    const double signalled = Now();
    ::kill(pid, SIGINT);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return Now() - signalled;
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);

    std::optional<StandInFolder> folder(std::in_place, "tarvex-stop-", RUNNER_CHILD, "stubborn");
    const fs::path dir = folder->Path();

    std::vector<double> ffmpegGone, ffmpegOk, alone, ratios, stubbornGone, stubbornOk;
    bool failed = false;
    {
        CTarvexDlg dlg;
        dlg.Create();
        std::u16string endless;
        for (const std::string& arg : kEndless)
            endless += QuoteArgument(DecodeUtf8(arg)) + u" ";
        endless += u"{written}";
        for (int round = 0; round < kFfmpegRounds && !failed; ++round) {
            const Times times = StopInTheWindow(dlg, dir, {endless}, u"frame=");
            const double own = FfmpegOnItsOwn(dir);
            failed = times.childrenGone < 0 || times.okShown < 0 || own <= 0;
            ffmpegGone.push_back(times.childrenGone);
            ffmpegOk.push_back(times.okShown);
            alone.push_back(own);
            ratios.push_back(times.childrenGone / own);
        }
        for (int round = 0; round < kStubbornRounds && !failed; ++round) {
            const Times times = StopInTheWindow(
                dlg, dir, {u"plugins\\stubborn.exe script ignore:2,15 out:ready wait:never"}, u"ready");
            failed = times.childrenGone < 0 || times.okShown < 0;
            stubbornGone.push_back(times.childrenGone);
            stubbornOk.push_back(times.okShown);
        }
    }
    folder.reset();
    if (failed) {
        std::fprintf(stderr, "a round failed: ffmpeg missing, or a stop that never ended\n");
        return 1;
    }

    std::printf("stop_ffmpeg_children_gone: %.0f ms (goal: < 300, Stop clicked to no child left, "
                "ffmpeg on an endless lavfi source)\n", 1000 * Median(ffmpegGone));
    std::printf("stop_ffmpeg_against_sigint: %.2f x (goal: none, against the same ffmpeg sent SIGINT directly, "
                "%.0f ms, paired rounds)\n", Median(ratios), 1000 * Median(alone));
    std::printf("stop_ffmpeg_ok_shown: %.0f ms (goal: none, Stop clicked to OK showing)\n", 1000 * Median(ffmpegOk));
    std::printf("stop_stubborn_children_gone: %.2f s (goal: < 4.5, a child ignoring SIGINT and SIGTERM; "
                "%.2f x the 4 s the signals wait)\n", Median(stubbornGone), Median(stubbornGone) / 4.0);
    std::printf("stop_stubborn_ok_shown: %.2f s (goal: none, Stop clicked to OK showing)\n", Median(stubbornOk));
    return 0;
}
