#pragma once
// A reading of a media file as it crosses from the helper process that read it to the program:
// a few lines of text. The program takes whatever the helper says as untrusted, since the
// helper has just been fed a file from anywhere: anything that is not exactly what
// FormatMediaAnswer writes is refused. Plain C++.
//
//   tarvex-media 1                tarvex-media 1
//   read                          unread not a media file
//   seconds 20.05
//   video yes
//   width 160
//   ...

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "media/MediaInfo.h"

// No answer is longer: every field at its longest fits several times over.
constexpr std::size_t kMostMediaAnswer = 1024;
// The longest reason for a file not read; a longer one is cut.
constexpr std::size_t kMostWhy = 200;

// The reading as text. A reason is cut to kMostWhy bytes and anything but printable ASCII in it
// becomes '?', so what is written is always read back.
std::string FormatMediaAnswer(const MediaReading& reading);

// The reading `text` holds; nothing when it is not exactly an answer.
std::optional<MediaReading> ParseMediaAnswer(std::string_view text);

// What the caller of a helper makes of its answer: the reading it holds, or, when there is no
// answer (`answer` empty: the helper crashed, hung or was cancelled) or none that parses, a file
// not read, with `whyNone` or "the reader answered nonsense" as the reason.
MediaReading ReadingFromAnswer(const std::optional<std::string>& answer, const std::string& whyNone);
