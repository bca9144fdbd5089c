// Figures for the child-process runner, each against a baseline taken in the same run.
#include <time.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

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
    void OnOutputText(const char* text) override
    {
        const size_t n = std::strlen(text);
        if (m_bytes == 0 && n > 0)
            m_firstText.assign(text, n);
        m_bytes += n;
    }
    void OnFinished() override
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

}  // namespace

int main()
{
    Counter runner;
    const size_t total = 200u * 1024 * 1024;
    const std::string flood = "flood " + std::to_string(total) + " 1";

    // Throughput: the same child writing to /dev/null, then through the runner.
    Clock::time_point start = Clock::now();
    const std::string direct = "\"" + kChild + "\" " + flood + " > /dev/null";
    if (std::system(direct.c_str()) != 0) {
        std::fprintf(stderr, "baseline child failed\n");
        return 1;
    }
    const double baseline = Seconds(Clock::now() - start);
    start = Clock::now();
    if (!runner.Run(flood) || runner.m_bytes != total) {
        std::fprintf(stderr, "runner lost output: %zu of %zu bytes\n", runner.m_bytes, total);
        return 1;
    }
    const double piped = Seconds(runner.m_end - start);
    const double mb = static_cast<double>(total) / (1024.0 * 1024.0);
    std::printf("throughput_dev_null: %.0f MB/s (goal: baseline)\n", mb / baseline);
    std::printf("throughput_runner: %.0f MB/s (goal: at least half the baseline)\n", mb / piped);
    std::printf("throughput_ratio: %.2f (goal: >= 0.5)\n", baseline / piped);

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
