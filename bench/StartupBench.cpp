// Start-up of the program: time from process start to the main dialog painted, and the
// process's peak memory, each the median of 10 runs on the offscreen platform, next to a
// bare application with an empty dialog started the same way (a program of its own that links
// the toolkit alone), and the ratio of the two.
//   bench_startup [PROGRAM]   PROGRAM: another build's tarvex_startup_probe, to compare builds

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/Median.h"

extern char** environ;

namespace {

constexpr int kRuns = 10;

struct Sample {
    double milliseconds;
    double mebibytes;
};

bool RunOnce(const char* probe, Sample& sample)
{
    int fds[2];
    if (pipe(fds) != 0)
        return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    posix_spawn_file_actions_addclose(&actions, fds[1]);

    std::vector<char*> argv{const_cast<char*>(probe), nullptr};

    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, probe, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (spawned != 0) {
        close(fds[0]);
        return false;
    }

    std::string line;
    bool shown = false;
    while (!shown) {
        pollfd pfd{fds[0], POLLIN, 0};
        if (poll(&pfd, 1, 10000) <= 0)
            break;
        char c;
        if (read(fds[0], &c, 1) != 1)
            break;
        if (c == '\n')
            shown = line == "shown";
        else
            line += c;
    }
    const auto end = std::chrono::steady_clock::now();
    close(fds[0]);

    int status = 0;
    rusage usage{};
    if (!shown)
        kill(pid, SIGKILL);
    wait4(pid, &status, 0, &usage);
    sample.milliseconds = std::chrono::duration<double, std::milli>(end - start).count();
    sample.mebibytes = usage.ru_maxrss / 1024.0;  // kilobytes on Linux
    return shown;
}

}  // namespace

int main(int argc, char** argv)
{
    const char* programs[2] = {argc > 1 ? argv[1] : TARVEX_STARTUP_PROBE, TARVEX_STARTUP_BASELINE};
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    std::vector<double> time[2], memory[2];
    // Alternate the two, so a busy machine weighs on both alike.
    for (int run = 0; run < kRuns; ++run) {
        for (int baseline : {0, 1}) {
            Sample sample{};
            if (!RunOnce(programs[baseline], sample)) {
                std::fprintf(stderr, "the %s did not report its window\n", baseline ? "baseline" : "program");
                return 1;
            }
            time[baseline].push_back(sample.milliseconds);
            memory[baseline].push_back(sample.mebibytes);
        }
    }
    const double t = Median(time[0]), tb = Median(time[1]);
    const double m = Median(memory[0]), mb = Median(memory[1]);
    std::printf("startup_to_dialog_shown: %.1f ms (goal: < 150 ms)\n", t);
    std::printf("startup_baseline_empty_dialog: %.1f ms (goal: none, reference)\n", tb);
    std::printf("startup_over_baseline: %.1f ms (goal: none, reference)\n", t - tb);
    std::printf("startup_against_baseline: %.2f x (goal: none, reference)\n", t / tb);
    std::printf("peak_memory: %.1f MiB (goal: < 60 MiB)\n", m);
    std::printf("peak_memory_baseline_empty_dialog: %.1f MiB (goal: none, reference)\n", mb);
    std::printf("peak_memory_over_baseline: %.1f MiB (goal: none, reference)\n", m - mb);
    std::printf("peak_memory_against_baseline: %.2f x (goal: none, reference)\n", m / mb);
    return t < 150 && m < 60 ? 0 : 2;
}
