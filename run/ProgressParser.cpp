#include "run/ProgressParser.h"

#include <string.h>

#include <algorithm>
#include <cmath>

namespace {

// Reads "HH:MM:SS" with an optional fraction at the start of `text`; negative when the text
// holds something else ("N/A", a minus sign, junk). Huge hour counts stay finite as doubles.
double ReadClock(std::string_view text)
{
    double parts[3] = {};
    std::size_t i = 0;
    for (int part = 0; part < 3; ++part) {
        if (i >= text.size() || text[i] < '0' || text[i] > '9')
            return -1;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9')
            parts[part] = parts[part] * 10 + (text[i++] - '0');
        if (part < 2) {
            if (i >= text.size() || text[i] != ':')
                return -1;
            ++i;
        }
    }
    double fraction = 0;
    if (i < text.size() && text[i] == '.') {
        double scale = 0.1;
        for (++i; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, scale /= 10)
            fraction += (text[i] - '0') * scale;
    }
    return parts[0] * 3600 + parts[1] * 60 + parts[2] + fraction;
}

// The number of the first "(NN%)" in `text`, or negative when there is none.
double ReadPercentInParentheses(std::string_view text)
{
    for (std::size_t open = text.find('('); open != std::string_view::npos; open = text.find('(', open + 1)) {
        double value = 0;
        std::size_t i = open + 1;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9')
            value = value * 10 + (text[i++] - '0');
        if (i > open + 1 && i + 1 < text.size() && text[i] == '%' && text[i + 1] == ')')
            return value;
    }
    return -1;
}

// Every line that tells anything holds a ':' or a '='; most lines of a flood hold neither.
// The library's search goes many bytes at a time, which a flood of output makes count.
bool MayTell(std::string_view text)
{
    return memchr(text.data(), ':', text.size()) != nullptr || memchr(text.data(), '=', text.size()) != nullptr;
}

// Where the first line of `text` ends; the size of `text` when it goes on.
std::size_t FirstLineEnd(std::string_view text)
{
    const void* feed = memchr(text.data(), '\n', text.size());
    const std::size_t end = feed ? static_cast<std::size_t>(static_cast<const char*>(feed) - text.data()) : text.size();
    const void* back = memchr(text.data(), '\r', end);
    return back ? static_cast<std::size_t>(static_cast<const char*>(back) - text.data()) : end;
}

// Where the last line of `text` ends; npos when none does.
std::size_t LastLineEnd(std::string_view text)
{
    const auto* feed = static_cast<const char*>(memrchr(text.data(), '\n', text.size()));
    const auto* back = static_cast<const char*>(memrchr(text.data(), '\r', text.size()));
    const char* last = feed && (!back || feed > back) ? feed : back;
    return last ? static_cast<std::size_t>(last - text.data()) : std::string_view::npos;
}

}  // namespace

void ProgressParser::BeginRun(std::size_t stages)
{
    m_nStages = std::max<std::size_t>(stages, 1);
    m_percent.reset();
    m_knownLength = 0;
    BeginStage(0);
}

void ProgressParser::BeginStage(std::size_t index)
{
    m_nStage = std::min(index, m_nStages - 1);
    m_stageLength = m_knownLength;
    m_bEncoderToldLength = false;
    for (Line& line : m_lines) {
        line.text.clear();
        line.overflowed = false;
    }
    // What the earlier stages did is known even before this one says how long it is.
    if (m_nStage > 0 || m_stageLength > 0)
        ShowStageFraction(0);
}

void ProgressParser::KnowLength(double seconds)
{
    if (!(seconds > 0) || !std::isfinite(seconds))
        return;
    m_knownLength = seconds;
    if (!m_bEncoderToldLength) {
        m_stageLength = seconds;
        ShowStageFraction(0);
    }
}

void ProgressParser::CompleteRun()
{
    m_percent = 100;
}

void ProgressParser::Keep(Line& line, std::string_view piece)
{
    const std::size_t room = kLineLimit - line.text.size();
    line.overflowed |= piece.size() > room;
    line.text.append(piece.substr(0, std::min(piece.size(), room)));
}

void ProgressParser::Complete(Line& line, std::string_view rest)
{
    if (!line.overflowed && rest.size() <= kLineLimit - line.text.size()) {
        line.text.append(rest);
        ReadLine(line.text);
    }
    line.text.clear();
    line.overflowed = false;
}

void ProgressParser::Feed(OutputStream stream, std::string_view text)
{
    Line& line = m_lines[stream == OutputStream::Output ? 0 : 1];
    if (!MayTell(text)) {
        // Nothing in this chunk tells: only the line begun earlier may, where it ends here,
        // and what follows the last line end begins the next.
        const std::size_t last = LastLineEnd(text);
        if (last == std::string_view::npos) {
            Keep(line, text);
            return;
        }
        if (!line.text.empty() || line.overflowed)
            Complete(line, text.substr(0, FirstLineEnd(text)));
        Keep(line, text.substr(last + 1));
        return;
    }
    while (!text.empty()) {
        const std::size_t end = FirstLineEnd(text);
        if (end == text.size()) {
            // The rest of a line that the next chunk goes on with.
            Keep(line, text);
            return;
        }
        // A whole line within the chunk is read where it stands; only a line begun in an
        // earlier chunk is put together first.
        if (line.text.empty() && !line.overflowed)
            ReadLine(text.substr(0, end));
        else
            Complete(line, text.substr(0, end));
        text.remove_prefix(end + 1);
    }
}

void ProgressParser::ReadLine(std::string_view line)
{
    if (line.size() > kLineLimit || !MayTell(line))
        return;
    if (const std::size_t at = line.find("Duration: "); at != std::string_view::npos) {
        // Only the first input's length counts: later ones are other streams of the run. The
        // encoder's own word goes before a length learnt elsewhere.
        const double length = ReadClock(line.substr(at + 10));
        if (!m_bEncoderToldLength && length > 0) {
            m_stageLength = length;
            m_bEncoderToldLength = true;
        }
        return;
    }
    if (const std::size_t at = line.find("time="); at != std::string_view::npos) {
        const double time = ReadClock(line.substr(at + 5));
        if (m_stageLength > 0 && time >= 0)
            ShowStageFraction(time / m_stageLength);
        return;
    }
    if (const std::size_t at = line.find("Pos:"); at != std::string_view::npos) {
        const double percent = ReadPercentInParentheses(line.substr(at));
        if (percent >= 0)
            ShowStageFraction(percent / 100);
    }
}

void ProgressParser::ShowStageFraction(double fraction)
{
    if (!std::isfinite(fraction))
        return;
    fraction = std::clamp(fraction, 0.0, 1.0);
    const int percent = static_cast<int>((m_nStage + fraction) * 100 / m_nStages);
    if (!m_percent || percent > *m_percent)
        m_percent = std::min(percent, 100);
}
