#include "media/MediaAnswer.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <system_error>
#include <type_traits>

namespace {

constexpr std::string_view kHeader = "tarvex-media 1";
constexpr std::string_view kRead = "read";
constexpr std::string_view kUnread = "unread ";
constexpr std::string_view kYes = "yes";

// A number as to_chars writes it: the shortest text that reads back as the same value, in no
// locale's way.
template <typename T>
std::string NumberText(T value)
{
    char text[64];
    const std::to_chars_result written = std::to_chars(text, text + sizeof text, value);
    return std::string(text, written.ptr);
}

// Only what NumberText writes for a value above 0: digits, a point and an exponent; no sign,
// blank, infinity or NaN.
template <typename T>
std::optional<T> PositiveNumber(std::string_view text)
{
    if (text.empty() || text.size() > 32)
        return std::nullopt;
    T value{};
    const std::from_chars_result read = std::from_chars(text.data(), text.data() + text.size(), value);
    if (read.ec != std::errc() || read.ptr != text.data() + text.size())
        return std::nullopt;
    if constexpr (std::is_floating_point_v<T>) {
        if (!std::isfinite(value))
            return std::nullopt;
    }
    if (!(value > 0))
        return std::nullopt;
    return value;
}

template <auto Member>
std::optional<std::string> WriteNumber(const MediaInfo& info)
{
    const auto& value = info.*Member;
    return value ? std::optional<std::string>(NumberText(*value)) : std::nullopt;
}

template <auto Member>
bool ReadNumber(std::string_view text, MediaInfo& info)
{
    using T = typename std::remove_reference_t<decltype(info.*Member)>::value_type;
    const std::optional<T> value = PositiveNumber<T>(text);
    if (value)
        info.*Member = *value;
    return value.has_value();
}

template <auto Member>
std::optional<std::string> WriteFlag(const MediaInfo& info)
{
    return info.*Member ? std::optional<std::string>(kYes) : std::nullopt;
}

template <auto Member>
bool ReadFlag(std::string_view text, MediaInfo& info)
{
    info.*Member = true;
    return text == kYes;
}

// Every field of MediaInfo, in the order they are written and must be read. A field the file
// does not say is left out.
struct Field {
    std::string_view name;
    std::optional<std::string> (*write)(const MediaInfo&);
    bool (*read)(std::string_view, MediaInfo&);
};

constexpr Field kFields[] = {
    {"seconds", WriteNumber<&MediaInfo::seconds>, ReadNumber<&MediaInfo::seconds>},
    {"video", WriteFlag<&MediaInfo::hasVideo>, ReadFlag<&MediaInfo::hasVideo>},
    {"audio", WriteFlag<&MediaInfo::hasAudio>, ReadFlag<&MediaInfo::hasAudio>},
    {"width", WriteNumber<&MediaInfo::width>, ReadNumber<&MediaInfo::width>},
    {"height", WriteNumber<&MediaInfo::height>, ReadNumber<&MediaInfo::height>},
    {"frame-rate", WriteNumber<&MediaInfo::frameRate>, ReadNumber<&MediaInfo::frameRate>},
    {"sample-rate", WriteNumber<&MediaInfo::sampleRate>, ReadNumber<&MediaInfo::sampleRate>},
    {"channels", WriteNumber<&MediaInfo::channels>, ReadNumber<&MediaInfo::channels>},
    {"audio-bit-rate", WriteNumber<&MediaInfo::audioBitRate>, ReadNumber<&MediaInfo::audioBitRate>},
};

bool Printable(char c)
{
    return c >= 0x20 && c <= 0x7e;
}

// The next line of `text` from `at`, without its line end; nothing when no line end follows.
std::optional<std::string_view> NextLine(std::string_view text, std::size_t& at)
{
    const std::size_t end = text.find('\n', at);
    if (end == std::string_view::npos)
        return std::nullopt;
    const std::string_view line = text.substr(at, end - at);
    at = end + 1;
    return line;
}

}  // namespace

std::string FormatMediaAnswer(const MediaReading& reading)
{
    std::string text(kHeader);
    text += '\n';
    if (!reading.info) {
        std::string why = reading.why.substr(0, kMostWhy);
        for (char& c : why)
            if (!Printable(c))
                c = '?';
        if (why.empty())
            why = "unknown";
        text += std::string(kUnread) + why + '\n';
        return text;
    }
    text += std::string(kRead) + '\n';
    for (const Field& field : kFields)
        if (const std::optional<std::string> value = field.write(*reading.info))
            text += std::string(field.name) + ' ' + *value + '\n';
    return text;
}

std::optional<MediaReading> ParseMediaAnswer(std::string_view text)
{
    if (text.size() > kMostMediaAnswer)
        return std::nullopt;
    std::size_t at = 0;
    if (NextLine(text, at) != kHeader)
        return std::nullopt;
    const std::optional<std::string_view> verdict = NextLine(text, at);
    if (!verdict)
        return std::nullopt;
    if (verdict->starts_with(kUnread)) {
        const std::string_view why = verdict->substr(kUnread.size());
        if (why.empty() || why.size() > kMostWhy || at != text.size())
            return std::nullopt;
        for (const char c : why)
            if (!Printable(c))
                return std::nullopt;
        return MediaReading{std::nullopt, std::string(why)};
    }
    if (*verdict != kRead)
        return std::nullopt;

    MediaInfo info;
    std::size_t next = 0;  // the first field that may still come: each once, in order
    while (at < text.size()) {
        const std::optional<std::string_view> line = NextLine(text, at);
        if (!line)
            return std::nullopt;
        const std::size_t blank = line->find(' ');
        if (blank == std::string_view::npos)
            return std::nullopt;
        const std::string_view name = line->substr(0, blank);
        while (next < std::size(kFields) && kFields[next].name != name)
            ++next;
        if (next == std::size(kFields) || !kFields[next].read(line->substr(blank + 1), info))
            return std::nullopt;
        ++next;
    }
    return MediaReading{info, {}};
}

MediaReading ReadingFromAnswer(const std::optional<std::string>& answer, const std::string& whyNone)
{
    if (!answer)
        return MediaReading{std::nullopt, whyNone};
    if (std::optional<MediaReading> reading = ParseMediaAnswer(*answer))
        return std::move(*reading);
    return MediaReading{std::nullopt, "the reader answered nonsense"};
}
