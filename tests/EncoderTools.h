#pragma once
// The real encoders from a test's side: run a program with its output captured, make a short
// clip from ffmpeg's own test sources, and read back what a file holds with ffprobe. Plain
// C++ and POSIX, so the core's test programs stay free of the toolkit.

#include <map>
#include <string>
#include <vector>

// Starts argv (looked up on PATH) with standard input at end of file, standard output
// appended to `outLog` and standard error to `errLog` (to `outLog` too when empty). The exit
// status, or -1 when the program could not be run or did not exit.
int RunProgram(std::vector<std::string> argv, const std::string& outLog, const std::string& errLog = {});

std::string ReadFile(const std::string& path);

// A clip of `seconds` of test picture (160x120, 25 fps) and a 440 Hz tone (22050 Hz, mono),
// encoded as `path`'s extension says, with `options` before the path. ffmpeg's messages go
// to `log`. The exit status.
int MakeClip(const std::string& path, const std::vector<std::string>& options, double seconds,
             const std::string& log);

struct Probe {
    // "video.codec_name", "audio.sample_rate", ..., and the container as "format.format_name"
    // and its length in seconds as "format.duration"
    std::map<std::string, std::string> fields;
    std::map<std::string, double> kbps;  // per stream type, from the packets' sizes

    std::string operator[](const std::string& key) const;
};

// What ffprobe reads in `path`; bit rates are over `seconds`, the clip's length (at a low
// frame rate the last frame stretches a stream's own duration well past it). `scratch` is a
// file the probe may write.
Probe ProbeFile(const std::string& path, double seconds, const std::string& scratch);

// "30000/1001" and "25" as numbers.
double Rate(const std::string& fraction);
