#pragma once
// Turns a captured conversion into the encoders' command lines. FFmpeg does every conversion;
// a Video2FLV source that is not AVI or MPEG first goes through MEncoder into the job's
// intermediate file. Paths and typed values reach the encoder as one argument each.

#include <string>

#include "convert/CommandList.h"
#include "convert/ConversionJob.h"

// FFmpeg's video options in the order codec, frame rate, bit rate, frame size; "-vn" when video
// is left out. Values reading "Original" in any letter case are left to the source. May be empty.
std::u16string BuildVideoOptions(const VideoSettings& video);

// FFmpeg's audio options in the order codec, sample rate, bit rate, channels; "-an" when audio
// is left out. May be empty.
std::u16string BuildAudioOptions(const AudioSettings& audio);

// True when the job takes two stages: MEncoder writes the intermediate file, FFmpeg reads it.
bool UsesIntermediateFile(const ConversionJob& job);

// Replaces the contents of `commands` with the one or two commands of `job`.
void BuildCommandLines(const ConversionJob& job, CommandList& commands);
