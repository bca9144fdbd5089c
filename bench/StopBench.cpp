// Stop, clicked in the output window of a run that would never end by itself, timed to the
// moment no child of the program is left and to the moment OK shows:
// - the real ffmpeg encoding an endless lavfi source, against the same ffmpeg started from
//   here and sent SIGINT directly (its own time to close its file), paired rounds;
// - the stand-in encoder ignoring SIGINT and SIGTERM, which only SIGKILL ends, 4 s after the
//   click by design, against that 4 s.
// Both with one file, then with two converting at once, Stop clicked once every file's encoder
// is at work: every child has to go, not just the shown file's. Each figure is the median of
// its rounds, on the offscreen platform.

#include <QApplication>
#include <QDialog>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
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
constexpr int kTwoFfmpegRounds = 5;
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

// Runs `files` files of `commands` at once in the dialog's window; once the window shows
// `ready` and every file's encoder has written into its new file, clicks Stop.
Times StopInTheWindow(CTarvexDlg& dlg, const fs::path& dir, std::size_t files,
                      const std::vector<std::u16string>& commands, const std::u16string& ready)
{
    std::vector<RunPlan> plans;
    std::vector<fs::path> written;
    for (std::size_t i = 0; i < files; ++i) {
        plans.push_back(StandInPlan(dir / ("out-" + std::to_string(i) + ".flv"), commands));
        written.push_back(EncodeUtf8(plans.back().newFile));
    }
    // As the window shows it.
    const auto atWork = [&](QDialog* window) {
        std::error_code error;
        const auto* text = window->findChild<QPlainTextEdit*>(QString::number(IDC_OUTPUT_TEXT));
        return std::all_of(written.begin(), written.end(),
                           [&](const fs::path& file) { return fs::file_size(file, error) > 0 && !error; }) &&
               text && text->toPlainText().contains(QString::fromStdU16String(ready));
    };

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
            if (stop && stop->isVisible() && atWork(window)) {
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
    dlg.RunInWindow(std::move(plans));
    return times;
}

// `count` of the same endless ffmpeg from here, told SIGINT at once when each has written
// its first progress: seconds from the signals to the end of the last.
double FfmpegOnItsOwn(const fs::path& dir, std::size_t count)
{
    std::vector<pid_t> pids;
    std::vector<std::string> logs;
    for (std::size_t i = 0; i < count; ++i) {
        std::vector<std::string> args = kEndless;
        args.push_back((dir / ("alone-" + std::to_string(i) + ".flv")).string());
        std::vector<char*> argv;
        for (std::string& arg : args)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        logs.push_back((dir / ("alone-" + std::to_string(i) + ".log")).string());
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 2, logs.back().c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        pid_t pid = 0;
        const int spawned = posix_spawnp(&pid, "ffmpeg", &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (spawned == 0)
            pids.push_back(pid);
    }
    for (const std::string& log : logs) {
        for (int i = 0; i < 2000; ++i) {
            std::ifstream in(log);
            const std::string text((std::istreambuf_iterator<char>(in)), {});
            if (text.find("frame=") != std::string::npos)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    const double signalled = Now();
    for (pid_t pid : pids)
        ::kill(pid, SIGINT);
    for (pid_t pid : pids) {
        int status = 0;
        ::waitpid(pid, &status, 0);
    }
    return pids.size() == count ? Now() - signalled : -1;
}

struct Rounds {
    std::vector<double> gone, ok, alone, ratios;
};

// Stop in runs of `files` files of the real ffmpeg, each round paired with as many ffmpegs
// signalled from here, then of the stubborn stand-in; false when a round failed.
bool StopRounds(CTarvexDlg& dlg, const fs::path& dir, std::size_t files, int ffmpegRounds, Rounds& ffmpeg,
                Rounds& stubborn)
{
    std::u16string endless;
    for (const std::string& arg : kEndless)
        endless += QuoteArgument(DecodeUtf8(arg)) + u" ";
    endless += u"{written}";
    for (int round = 0; round < ffmpegRounds; ++round) {
        const Times times = StopInTheWindow(dlg, dir, files, {endless}, u"frame=");
        const double own = FfmpegOnItsOwn(dir, files);
        if (times.childrenGone < 0 || times.okShown < 0 || own <= 0)
            return false;
        ffmpeg.gone.push_back(times.childrenGone);
        ffmpeg.ok.push_back(times.okShown);
        ffmpeg.alone.push_back(own);
        ffmpeg.ratios.push_back(times.childrenGone / own);
    }
    for (int round = 0; round < kStubbornRounds; ++round) {
        const Times times = StopInTheWindow(
            dlg, dir, files, {u"plugins\\stubborn.exe script ignore:2,15 stampfile:{written} out:ready wait:never"},
            u"ready");
        if (times.childrenGone < 0 || times.okShown < 0)
            return false;
        stubborn.gone.push_back(times.childrenGone);
        stubborn.ok.push_back(times.okShown);
    }
    return true;
}

void Print(const char* name, const char* files, const Rounds& ffmpeg, const Rounds& stubborn)
{
    std::printf("%s_ffmpeg_children_gone: %.0f ms (goal: < 300, Stop clicked to no child left, "
                "ffmpeg on an endless lavfi source%s)\n", name, 1000 * Median(ffmpeg.gone), files);
    std::printf("%s_ffmpeg_against_sigint: %.2f x (goal: none, against as many of the same ffmpeg sent SIGINT directly, "
                "%.0f ms, paired rounds)\n", name, Median(ffmpeg.ratios), 1000 * Median(ffmpeg.alone));
    std::printf("%s_ffmpeg_ok_shown: %.0f ms (goal: none, Stop clicked to OK showing)\n", name,
                1000 * Median(ffmpeg.ok));
    std::printf("%s_stubborn_children_gone: %.2f s (goal: < 4.5, a child ignoring SIGINT and SIGTERM%s; "
                "%.2f x the 4 s the signals wait)\n", name, Median(stubborn.gone), files, Median(stubborn.gone) / 4.0);
    std::printf("%s_stubborn_ok_shown: %.2f s (goal: none, Stop clicked to OK showing)\n", name, Median(stubborn.ok));
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);

    std::optional<StandInFolder> folder(std::in_place, "tarvex-stop-", RUNNER_CHILD, "stubborn");
    const fs::path dir = folder->Path();

    Rounds ffmpeg, stubborn, ffmpegTwo, stubbornTwo;
    bool failed = false;
    {
        CTarvexDlg dlg;
        dlg.Create();
        failed = !StopRounds(dlg, dir, 1, kFfmpegRounds, ffmpeg, stubborn) ||
                 !StopRounds(dlg, dir, 2, kTwoFfmpegRounds, ffmpegTwo, stubbornTwo);
    }
    folder.reset();
    if (failed) {
        std::fprintf(stderr, "a round failed: ffmpeg missing, or a stop that never ended\n");
        return 1;
    }

    Print("stop", "", ffmpeg, stubborn);
    Print("stop_two", ", two files at once", ffmpegTwo, stubbornTwo);
    return 0;
}
