// A flood of encoder output through a run and the output window: a stand-in encoder writes
// 50 MB to standard error in 100-byte writes, against the same program writing to /dev/null.
// Figures, each the median of seven rounds on the offscreen platform:
// - the ratio of the two times (the window must not slow the encoder down much);
// - the longest the GUI thread went without running a timer that ticks every 10 ms;
// - the time from the child's end to the OK button showing;
// - the program's peak memory growth during the flood;
// - the progress parser alone on the flood's text, as a share of the flood's time through
//   the window.

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QEvent>
#include <QPushButton>
#include <QTimer>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "bench/Median.h"
#include "platform/text/TextCodec.h"
#include "run/ProgressParser.h"
#include "tests/RunHelpers.h"
#include "ui/TarvexDlg.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

constexpr const char* kFlood = "smallwrites:52428800:100:2";
constexpr int kRounds = 7;

long long Now()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// The same child with its standard error going nowhere: what the flood costs by itself.
double ResidentMiB()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.starts_with("VmRSS:"))
            return std::stod(line.substr(6)) / 1024;
    return 0;
}

// With `throughPipe`, its standard error is a pipe this thread only drains, in 64 KiB reads:
// what any reader of a pipe costs such a child on this machine, the floor of the window's.
double BaselineSeconds(bool throughPipe = false)
{
    int ends[2] = {-1, -1};
    if (throughPipe && pipe2(ends, O_CLOEXEC) != 0)
        return 0;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (throughPipe)
        posix_spawn_file_actions_adddup2(&actions, ends[1], 2);
    else
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv{const_cast<char*>(RUNNER_CHILD), const_cast<char*>("script"),
                            const_cast<char*>(kFlood), nullptr};
    const long long start = Now();
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, RUNNER_CHILD, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (throughPipe) {
        close(ends[1]);
        std::vector<char> buffer(64 * 1024);
        while (spawned == 0 && read(ends[0], buffer.data(), buffer.size()) > 0) {
        }
        close(ends[0]);
    }
    if (spawned != 0)
        return 0;
    int status = 0;
    waitpid(pid, &status, 0);
    return (Now() - start) / 1e9;
}

// Notes when the output window's OK button shows, then closes the window.
class OkWatcher : public QObject {
public:
    long long shownAt = 0;

protected:
    bool eventFilter(QObject* object, QEvent* event) override
    {
        if (event->type() == QEvent::Show && shownAt == 0) {
            auto* button = qobject_cast<QPushButton*>(object);
            if (button && button->objectName() == QStringLiteral("1")) {
                shownAt = Now();
                auto* window = qobject_cast<QDialog*>(button->window());
                QTimer::singleShot(0, window, [window] { window->done(QDialog::Accepted); });
            }
        }
        return false;
    }
};

struct Round {
    double seconds = 0;  // Convert to OK
    double ratio = 0;
    double floorRatio = 0;  // a bare reader of the pipe against /dev/null
    double longestStallMs = 0;
    double endToOkMs = 0;
    double memoryGrowthMiB = 0;
};

Round FloodThroughTheWindow(CTarvexDlg& dlg, const fs::path& dir)
{
    Round round;
    const double baseline = BaselineSeconds();
    // The encoder may write in its run's folder alone: its end's stamp is the new file, which
    // the run puts in place.
    const fs::path stamp = dir / "out.flv";
    fs::remove(stamp);

    RunPlan plan = StandInPlan(dir / "out.flv", {u"plugins\\ffmpeg.exe script " + DecodeUtf8(kFlood) + u" stampfile:{written}"});

    OkWatcher watcher;
    qApp->installEventFilter(&watcher);
    const double residentBefore = ResidentMiB();
    double residentPeak = residentBefore;
    long long lastTick = Now();
    long long longestStall = 0;
    QTimer ticker;
    ticker.setInterval(10);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const long long now = Now();
        longestStall = std::max(longestStall, now - lastTick);
        lastTick = now;
        residentPeak = std::max(residentPeak, ResidentMiB());
    });
    ticker.start();

    const long long start = Now();
    dlg.RunInWindow(OnePlan(std::move(plan)));
    ticker.stop();
    qApp->removeEventFilter(&watcher);

    long long endedAt = 0;
    std::ifstream(stamp) >> endedAt;
    round.seconds = (watcher.shownAt - start) / 1e9;
    round.ratio = baseline > 0 ? round.seconds / baseline : 0;
    round.floorRatio = baseline > 0 ? BaselineSeconds(true) / baseline : 0;
    round.longestStallMs = longestStall / 1e6;
    round.endToOkMs = endedAt > 0 ? (watcher.shownAt - endedAt) / 1e6 : -1;
    round.memoryGrowthMiB = residentPeak - residentBefore;
    return round;
}

// The parser alone on the flood's text, chunk by chunk as the readers pass it on.
double ParserSeconds()
{
    const std::string line = std::string(99, 'f') + '\n';
    std::string text;
    while (text.size() < 52428800)
        text += line;
    // The fastest of three: whatever else the machine does only adds to it.
    long long fastest = 0;
    for (int i = 0; i < 3; ++i) {
        ProgressParser parser;
        parser.BeginRun(1);
        const long long start = Now();
        for (std::size_t at = 0; at < text.size(); at += 256)
            parser.Feed(OutputStream::Error, std::string_view(text).substr(at, 256));
        const long long took = Now() - start;
        if (parser.Percent())
            return -1;  // a flood of "f" told a length: the parser is wrong, not slow
        fastest = i == 0 ? took : std::min(fastest, took);
    }
    return fastest / 1e9;
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);

    std::optional<StandInFolder> folder(std::in_place, "tarvex-flood-", RUNNER_CHILD, "ffmpeg");
    const fs::path dir = folder->Path();

    std::vector<double> seconds, ratios, floorRatios, stalls, endToOk, growth;
    {
        CTarvexDlg dlg;
        dlg.Create();
        for (int i = 0; i < kRounds; ++i) {
            const Round round = FloodThroughTheWindow(dlg, dir);
            seconds.push_back(round.seconds);
            ratios.push_back(round.ratio);
            floorRatios.push_back(round.floorRatio);
            stalls.push_back(round.longestStallMs);
            endToOk.push_back(round.endToOkMs);
            growth.push_back(round.memoryGrowthMiB);
        }
    }
    folder.reset();

    std::printf("flood_time_ratio: %.2f x (goal: < 2, 50 MB through the window against /dev/null)\n", Median(ratios));
    std::printf("flood_pipe_floor_ratio: %.2f x (goal: none, the same child read by a bare loop of 64 KiB reads "
                "against /dev/null: what any reader of a pipe starts from)\n", Median(floorRatios));
    std::printf("gui_longest_stall: %.1f ms (goal: < 100, a 10 ms timer on the GUI thread)\n", Median(stalls));
    std::printf("child_end_to_ok: %.1f ms (goal: < 50)\n", Median(endToOk));
    std::printf("flood_memory_growth: %.1f MiB (goal: < 20, peak resident over the start)\n", Median(growth));
    std::printf("progress_parser_share: %.1f %% (goal: < 5, the parser alone on the flood's text against the "
                "flood's time through the window)\n",
                100 * ParserSeconds() / Median(seconds));
    return 0;
}
