// Reading a 20 s 160x120 .mp4 clip's length and streams in this process, against asking the
// ffprobe program for the same file's format. The read's figure is the median of 20 after a
// first read, which is shown apart (the library's first use sets up its tables); ffprobe's
// the median of 20 runs, process start included, since that is what a caller would otherwise
// pay.

#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/Median.h"
#include "media/MediaInfo.h"
#include "tests/EncoderTools.h"

namespace fs = std::filesystem;

namespace {

constexpr int kRounds = 20;

double Milliseconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - since).count();
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

    const auto firstStart = std::chrono::steady_clock::now();
    const MediaReading first = ReadMediaInfo(clip);
    const double firstRead = Milliseconds(firstStart);
    if (!first.info || !first.info->seconds) {
        std::fprintf(stderr, "the clip could not be read: %s\n", first.why.c_str());
        fs::remove_all(dir);
        return 1;
    }
    std::vector<double> reads;
    std::vector<double> probes;
    for (int round = 0; round < kRounds; ++round) {
        auto start = std::chrono::steady_clock::now();
        ReadMediaInfo(clip);
        reads.push_back(Milliseconds(start));
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
    const double probe = Median(probes);
    std::printf("probe_20s_clip: %.2f ms (goal: < 20, length and streams of a 20 s .mp4 clip, median of %d)\n", read,
                kRounds);
    std::printf("probe_first_read: %.2f ms (goal: < 50, the first read in a process)\n", firstRead);
    std::printf("probe_ffprobe_show_format: %.2f ms (goal: none, reference: ffprobe -v quiet -show_format on the "
                "same file)\n",
                probe);
    std::printf("probe_against_ffprobe: %.3f x (goal: < 0.5, the read against ffprobe)\n", read / probe);
    return 0;
}
