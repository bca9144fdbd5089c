#include "run/ProgressParser.h"

#include <algorithm>
#include <cmath>

namespace {

// Reads "HH:MM:SS" with an optional fraction at the start of `text`; negative when the text
// holds something else ("N/A", a minus sign, junk). Huge hour counts stay finite as doubles.
double ReadClock(std::u16string_view text)
{
    double parts[3] = {};
    std::size_t i = 0;
    for (int part = 0; part < 3; ++part) {
        if (i >= text.size() || text[i] < u'0' || text[i] > u'9')
            return -1;
        while (i < text.size() && text[i] >= u'0' && text[i] <= u'9')
            parts[part] = parts[part] * 10 + (text[i++] - u'0');
        if (part < 2) {
            if (i >= text.size() || text[i] != u':')
                return -1;
            ++i;
        }
    }
    double fraction = 0;
    if (i < text.size() && text[i] == u'.') {
        double scale = 0.1;
        for (++i; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i, scale /= 10)
            fraction += (text[i] - u'0') * scale;
    }
    return parts[0] * 3600 + parts[1] * 60 + parts[2] + fraction;
}

// The number of the first "(NN%)" in `text`, or negative when there is none.
double ReadPercentInParentheses(std::u16string_view text)
{
    for (std::size_t open = text.find(u'('); open != std::u16string_view::npos;
         open = text.find(u'(', open + 1)) {
        double value = 0;
        std::size_t i = open + 1;
        while (i < text.size() && text[i] >= u'0' && text[i] <= u'9')
            value = value * 10 + (text[i++] - u'0');
        if (i > open + 1 && i + 1 < text.size() && text[i] == u'%' && text[i + 1] == u')')
            return value;
    }
    return -1;
}

}  // namespace

void ProgressParser::BeginRun(std::size_t stages)
{
    m_nStages = std::max<std::size_t>(stages, 1);
    m_percent.reset();
    BeginStage(0);
}

void ProgressParser::BeginStage(std::size_t index)
{
    m_nStage = std::min(index, m_nStages - 1);
    m_stageLength = 0;
    for (Line& line : m_lines) {
        line.text.clear();
        line.overflowed = false;
    }
    // What the earlier stages did is known even before this one says how long it is.
    if (m_nStage > 0)
        ShowStageFraction(0);
}

void ProgressParser::CompleteRun()
{
    m_percent = 100;
}

void ProgressParser::Feed(OutputStream stream, std::u16string_view text)
{
    Line& line = m_lines[stream == OutputStream::Output ? 0 : 1];
    while (!text.empty()) {
        std::size_t end = 0;
        while (end < text.size() && text[end] != u'\r' && text[end] != u'\n')
            ++end;
        const std::u16string_view piece = text.substr(0, end);
        if (end == text.size()) {
            // The rest of a line that the next chunk goes on with.
            const std::size_t room = kLineLimit - line.text.size();
            line.overflowed |= piece.size() > room;
            line.text.append(piece.substr(0, std::min(piece.size(), room)));
            return;
        }
        // A whole line within the chunk is read where it stands; only a line begun in an
        // earlier chunk is put together first. Floods of output come as whole lines.
        if (line.text.empty() && !line.overflowed) {
            ReadLine(piece);
        } else {
            const std::size_t room = kLineLimit - line.text.size();
            if (!line.overflowed && piece.size() <= room) {
                line.text.append(piece);
                ReadLine(line.text);
            }
            line.text.clear();
            line.overflowed = false;
        }
        text.remove_prefix(end + 1);
    }
}

void ProgressParser::ReadLine(std::u16string_view line)
{
    // Every line that tells anything holds a ':' or a '='; most lines of a flood hold neither.
    if (std::none_of(line.begin(), line.end(), [](char16_t c) { return c == u':' || c == u'='; }))
        return;
    if (const std::size_t at = line.find(u"Duration: "); at != std::u16string_view::npos) {
        // Only the first input's length counts: later ones are other streams of the run.
        const double length = ReadClock(line.substr(at + 10));
        if (m_stageLength == 0 && length > 0)
            m_stageLength = length;
        return;
    }
    if (const std::size_t at = line.find(u"time="); at != std::u16string_view::npos) {
        const double time = ReadClock(line.substr(at + 5));
        if (m_stageLength > 0 && time >= 0)
            ShowStageFraction(time / m_stageLength);
        return;
    }
    if (const std::size_t at = line.find(u"Pos:"); at != std::u16string_view::npos) {
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
