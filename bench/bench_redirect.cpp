// Figures for the child-process runner, each against a baseline taken in the same run.
#include <time.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/process/ChildProcess.h"
#include "platform/process/Pipe.h"
#include "run/Redirect.h"

namespace {

using Clock = std::chrono::steady_clock;

const std::string kChild = RUNNER_CHILD;

double CpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// Counts what comes and remembers when the end came.
class Counter : public CRedirect {
public:
    void OnOutputText(std::string_view text) override
    {
        if (m_bytes == 0 && !text.empty())
            m_firstText.assign(text);
        m_bytes += text.size();
    }
    void OnFinished(const ChildEnd&) override
    {
        const Clock::time_point now = Clock::now();
        std::lock_guard<std::mutex> lock(m_lock);
        m_end = now;
        m_bDone = true;
        m_changed.notify_all();
    }

    bool Run(const std::string& args)
    {
        {
            std::lock_guard<std::mutex> lock(m_lock);
            m_bDone = false;
        }
        m_bytes = 0;
        m_firstText.clear();
        const std::string command = "\"" + kChild + "\" " + args;
        if (!Launch(command.c_str()))
            return false;
        std::unique_lock<std::mutex> lock(m_lock);
        m_changed.wait(lock, [this] { return m_bDone; });
        return true;
    }

    size_t m_bytes = 0;
    std::string m_firstText;
    Clock::time_point m_end;

private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    bool m_bDone = false;
};

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// The child floods a pipe as it does for the runner; this thread reads it in 256-byte reads
// up to its end and reaps the child. Seconds from the start, or 0 on a failure.
double PlainReadSeconds(size_t total)
{
    const Clock::time_point start = Clock::now();
    PipeEnds input;
    PipeEnds output;
    if (!CreatePipe(input) || !CreatePipe(output)) {
        std::fprintf(stderr, "baseline: no pipes\n");
        return 0.0;
    }
    const std::vector<std::string> args = {kChild, "flood", std::to_string(total), "1"};
    int error = 0;
    std::unique_ptr<ChildProcess> child = ChildProcess::Spawn(
        kChild, args, input.read.Get(), output.write.Get(), output.write.Get(), error);
    input.read.Close();
    input.write.Close();
    output.write.Close();
    if (!child) {
        std::fprintf(stderr, "baseline child failed to start: %s\n", std::strerror(error));
        return 0.0;
    }
    char buffer[256];
    size_t bytes = 0;
    size_t count = 0;
    while (ReadSome(output.read.Get(), buffer, sizeof buffer, count) == ReadStatus::Data)
        bytes += count;
    child->Reap();
    const double seconds = Seconds(Clock::now() - start);
    if (bytes != total) {
        std::fprintf(stderr, "baseline lost output: %zu of %zu bytes\n", bytes, total);
        return 0.0;
    }
    return seconds;
}

}  // namespace

int main()
{
    Counter runner;
    const size_t total = 32u * 1024 * 1024;
    const std::string flood = "flood " + std::to_string(total) + " 1";

    // Throughput: the same child through the runner, and into a plain loop of reads of the
    // runner's chunk size from the same kind of pipe, in this thread, with nothing passed on.
    // Rounds alternate the two, and the fastest round of each counts: other work on the
    // machine only ever slows a round down.
    double baseline = 1e9;
    double piped = 1e9;
    for (int round = 0; round < 9; ++round) {
        const double plain = PlainReadSeconds(total);
        if (plain <= 0.0)
            return 1;
        baseline = std::min(baseline, plain);
        const Clock::time_point start = Clock::now();
        if (!runner.Run(flood) || runner.m_bytes != total) {
            std::fprintf(stderr, "runner lost output: %zu of %zu bytes\n", runner.m_bytes,
                         total);
            return 1;
        }
        piped = std::min(piped, Seconds(runner.m_end - start));
    }
    const double mb = static_cast<double>(total) / (1024.0 * 1024.0);
    std::printf("throughput_plain_reads: %.0f MB/s (goal: baseline)\n", mb / baseline);
    std::printf("throughput_runner: %.0f MB/s (goal: at least 0.9 of the baseline)\n",
                mb / piped);
    std::printf("throughput_ratio: %.2f (goal: >= 0.9)\n", baseline / piped);

    // End seen: the child stamps the clock just before it exits.
    std::vector<double> delays;
    for (int i = 0; i < 100; ++i) {
        if (!runner.Run("stamp"))
            return 1;
        const Clock::time_point exited{std::chrono::nanoseconds(std::stoll(runner.m_firstText))};
        delays.push_back(std::chrono::duration<double, std::milli>(runner.m_end - exited).count());
    }
    std::sort(delays.begin(), delays.end());
    std::printf("end_seen_median: %.3f ms (goal: < 5 ms)\n", delays[delays.size() / 2]);
    std::printf("end_seen_max: %.3f ms (goal: none, for reference)\n", delays.back());

    // Idle cost: CPU time of the whole program while the child sleeps; the main thread only
    // waits, so what is used is the runner's.
    const double cpuStart = CpuSeconds();
    if (!runner.Run("sleep 5"))
        return 1;
    const double cpu = (CpuSeconds() - cpuStart) * 1000.0;
    std::printf("idle_cpu_5s: %.2f ms (goal: < 20 ms)\n", cpu);
    return 0;
}
