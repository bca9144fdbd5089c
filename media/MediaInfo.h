#pragma once
// What a media file holds: its length and whether it has moving pictures and sound, read
// with FFmpeg's own library without decoding the file. Plain C++: callers run it on a worker
// thread, since even a bounded read of a slow file takes longer than a GUI frame.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

// What a media file holds, as far as it can be read.
struct MediaInfo {
    std::optional<double> seconds;  // its length; empty when the file does not say
    bool hasVideo = false;          // a video stream that is a moving picture (an attached cover
                                    // picture does not count)
    bool hasAudio = false;
    // What the first moving picture and the first sound are like, where the file says.
    std::optional<int> width{};
    std::optional<int> height{};
    std::optional<double> frameRate{};        // frames a second, on average
    std::optional<int> sampleRate{};          // Hz
    std::optional<int> channels{};
    std::optional<std::int64_t> audioBitRate{};  // bit/s
};

struct MediaReading {
    std::optional<MediaInfo> info;  // empty when the file could not be read
    std::string why;                // then: why, in a few plain English words for a log
};

// Reads `path` (UTF-8). Only a regular file is read: a FIFO, a device or a folder is left alone
// (reading it would take an encoder's data or wait forever), and so is anything that is not there.
// Gives up after `timeout`, so a slow network mount cannot hold the caller for long; a single
// read that the kernel itself never returns from is beyond any library's reach, though.
// Gives up as soon as `cancel` (when given) is set, too: its caller no longer needs the answer.
// Safe to call from several threads at once.
MediaReading ReadMediaInfo(const std::string& path, std::chrono::milliseconds timeout = std::chrono::seconds(5),
                           const std::atomic<bool>* cancel = nullptr);

// Does, once and ahead of any file, the work the library does the first time it reads one, so
// that processes forked afterwards do not each pay for it. Reads no file.
void PrepareMediaReading();
