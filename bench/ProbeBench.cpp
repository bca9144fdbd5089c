// Reading a 20 s 160x120 .mp4 clip's length and streams as the program does, through the
// tarvex-probe helper (the question, a confined reader forked for the file, the answer parsed),
// against the same read in this process and against asking the ffprobe program. Each figure is
// the median of 20 after a first read, which is shown apart (it starts the helper, which loads
// FFmpeg's libraries); ffprobe's the median of 20 runs, process start included.

#include <stdlib.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "bench/Median.h"
#include "media/MediaAnswer.h"
#include "media/MediaInfo.h"
#include "platform/process/ProbeProcess.h"
#include "tests/EncoderTools.h"
#include "tests/RunHelpers.h"

namespace fs = std::filesystem;

namespace {

constexpr int kRounds = 20;

double Milliseconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - since).count();
}

// Processor time of this process so far.
double OwnProcessorMs()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

// Processor time of process `pid` and of the children it has reaped (a helper's readers).
double ProcessorMs(int pid)
{
    const std::string stat = ReadFile("/proc/" + std::to_string(pid) + "/stat");
    std::istringstream fields(stat.substr(stat.rfind(')') + 2));
    std::string field;
    double ticks = 0;
    for (int i = 3; i <= 17 && fields >> field; ++i)
        if (i >= 14)
            ticks += std::stod(field);  // utime, stime, cutime, cstime
    return ticks * 1e3 / static_cast<double>(sysconf(_SC_CLK_TCK));
}

}  // namespace

int main()
{
    std::string pattern = (fs::temp_directory_path() / "tarvex-probe-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        return 1;
    const fs::path dir = pattern;
    const std::string clip = (dir / "clip.mp4").string();
    const std::string log = (dir / "ffmpeg.log").string();
    if (MakeClip(clip, {}, 20, log) != 0) {
        std::fprintf(stderr, "could not make the clip:\n%s\n", ReadFile(log).c_str());
        fs::remove_all(dir);
        return 1;
    }

    ProbeProcess probe(FindHelperProgram("tarvex-probe"));
    const auto readApart = [&] {
        const ProbeProcess::Answer answer = probe.Ask(clip);
        return ReadingFromAnswer(answer.text, answer.why);
    };
    const auto firstStart = std::chrono::steady_clock::now();
    const MediaReading first = readApart();
    const double firstRead = Milliseconds(firstStart);
    ReadMediaInfo(clip);
    if (!first.info || !first.info->seconds) {
        std::fprintf(stderr, "the clip could not be read: %s\n", first.why.c_str());
        fs::remove_all(dir);
        return 1;
    }
    const std::vector<int> helpers = OwnChildren();
    if (helpers.size() != 1) {
        std::fprintf(stderr, "expected one helper, found %zu\n", helpers.size());
        fs::remove_all(dir);
        return 1;
    }
    double helperCpu = 0, ownCpu = 0;
    std::vector<double> reads;
    std::vector<double> here;
    std::vector<double> probes;
    for (int round = 0; round < kRounds; ++round) {
        const double helperBefore = ProcessorMs(helpers[0]);
        const double ownBefore = OwnProcessorMs();
        auto start = std::chrono::steady_clock::now();
        if (!readApart().info) {
            std::fprintf(stderr, "the helper stopped reading the clip\n");
            fs::remove_all(dir);
            return 1;
        }
        reads.push_back(Milliseconds(start));
        const double ownBetween = OwnProcessorMs();
        start = std::chrono::steady_clock::now();
        ReadMediaInfo(clip);
        here.push_back(Milliseconds(start));
        // The reader of this round has been reaped by the time the next question is answered;
        // the helper's figures are summed over all rounds, so that one lag does not matter.
        helperCpu += ProcessorMs(helpers[0]) - helperBefore + (ownBetween - ownBefore);
        ownCpu += OwnProcessorMs() - ownBetween;
        start = std::chrono::steady_clock::now();
        if (RunProgram({"ffprobe", "-v", "quiet", "-show_format", clip}, "/dev/null") != 0) {
            std::fprintf(stderr, "ffprobe failed on the clip\n");
            fs::remove_all(dir);
            return 1;
        }
        probes.push_back(Milliseconds(start));
    }
    fs::remove_all(dir);

    const double read = Median(reads);
    const double inProcess = Median(here);
    const double ffprobe = Median(probes);
    std::printf("probe_20s_clip: %.2f ms (goal: < 20, length and streams of a 20 s .mp4 clip through the helper, "
                "median of %d)\n",
                read, kRounds);
    std::printf("probe_first_read: %.2f ms (goal: none, reference: the first read, which starts the helper)\n",
                firstRead);
    std::printf("probe_in_process: %.2f ms (goal: none, reference: the same read in this process)\n", inProcess);
    std::printf("probe_processor_time: %.2f ms (goal: none, reference: processor time per read through the helper, "
                "program and helper and reader together)\n",
                helperCpu / kRounds);
    std::printf("probe_processor_time_in_process: %.2f ms (goal: none, reference: the same in this process)\n",
                ownCpu / kRounds);
    std::printf("probe_ffprobe_show_format: %.2f ms (goal: none, reference: ffprobe -v quiet -show_format on the "
                "same file)\n",
                ffprobe);
    std::printf("probe_against_ffprobe: %.3f x (goal: < 0.5, the read against ffprobe)\n", read / ffprobe);
    return 0;
}
