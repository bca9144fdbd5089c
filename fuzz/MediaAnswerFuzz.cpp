// The answer of the helper that reads media files, which the program takes as untrusted: the
// helper has just been fed a file from anywhere. Promises held: no answer longer than the bound
// is taken; whatever is taken writes back as an answer that is taken again and means the same,
// field for field; and a reading built from any bytes (odd numbers, any reason text) writes as
// an answer that is taken back whole.

#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "fuzz/FuzzCheck.h"
#include "media/MediaAnswer.h"

namespace {

bool Same(const MediaReading& a, const MediaReading& b)
{
    return FormatMediaAnswer(a) == FormatMediaAnswer(b) && a.info.has_value() == b.info.has_value();
}

// A value of type T from the next bytes of `input`, when it has that many.
template <typename T>
std::optional<T> Take(std::string_view& input)
{
    if (input.size() < sizeof(T))
        return std::nullopt;
    T value;
    std::memcpy(&value, input.data(), sizeof(T));
    input.remove_prefix(sizeof(T));
    return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);

    if (const std::optional<MediaReading> taken = ParseMediaAnswer(input)) {
        FUZZ_CHECK(input.size() <= kMostMediaAnswer);
        const std::string again = FormatMediaAnswer(*taken);
        FUZZ_CHECK(again.size() <= kMostMediaAnswer);
        const std::optional<MediaReading> retaken = ParseMediaAnswer(again);
        FUZZ_CHECK(retaken.has_value());
        FUZZ_CHECK(Same(*taken, *retaken));
    }
    // Whatever the helper sends, the program makes a reading of it.
    (void)ReadingFromAnswer(std::string(input), "no answer");

    // The same bytes as a reading of the helper's own: what it writes, the program reads back.
    std::string_view rest = input;
    MediaReading reading;
    const std::optional<std::uint8_t> flags = Take<std::uint8_t>(rest);
    if (flags && (*flags & 1)) {
        MediaInfo info;
        info.hasVideo = *flags & 2;
        info.hasAudio = *flags & 4;
        const auto positive = [](auto value) { return value > 0 ? std::optional(value) : std::nullopt; };
        if (const auto v = Take<double>(rest); v && *v > 0 && *v < 1e300)
            info.seconds = *v;
        if (const auto v = Take<int>(rest))
            info.width = positive(*v);
        if (const auto v = Take<int>(rest))
            info.height = positive(*v);
        if (const auto v = Take<double>(rest); v && *v > 0 && *v < 1e300)
            info.frameRate = *v;
        if (const auto v = Take<int>(rest))
            info.sampleRate = positive(*v);
        if (const auto v = Take<int>(rest))
            info.channels = positive(*v);
        if (const auto v = Take<std::int64_t>(rest))
            info.audioBitRate = positive(*v);
        reading.info = info;
    } else {
        reading.why = std::string(rest);
    }
    const std::string written = FormatMediaAnswer(reading);
    const std::optional<MediaReading> read = ParseMediaAnswer(written);
    FUZZ_CHECK(read.has_value());
    FUZZ_CHECK(Same(reading, *read));
    if (reading.info) {
        FUZZ_CHECK(read->info->seconds == reading.info->seconds);
        FUZZ_CHECK(read->info->audioBitRate == reading.info->audioBitRate);
        FUZZ_CHECK(read->info->frameRate == reading.info->frameRate);
    }
    return 0;
}
