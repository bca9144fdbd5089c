#include "platform/text/TextCodec.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

void Append(std::u16string& out, char32_t c)
{
    if (c < 0x10000) {
        out += static_cast<char16_t>(c);
    } else {
        c -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (c >> 10));
        out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    }
}

bool IsHighSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

}  // namespace

std::string EncodeUtf8(std::u16string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (IsHighSurrogate(c) || IsLowSurrogate(c)) {
            c = kReplacementCharacter;
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::u16string DecodeUtf8(std::string_view bytes)
{
    Utf8Decoder decoder;
    std::u16string text = decoder.Decode(bytes);
    text += decoder.Finish();
    return text;
}

void Utf8Decoder::Reset()
{
    m_codePoint = 0;
    m_nNeeded = 0;
    m_nSeen = 0;
    m_lower = 0x80;
    m_upper = 0xBF;
}

std::u16string Utf8Decoder::Decode(std::string_view bytes)
{
    std::u16string out;
    Decode(bytes, out);
    return out;
}

// Each byte that cannot continue or start a sequence costs one U+FFFD, and a sequence cut
// short costs one for all its bytes; the byte that cut it short then starts afresh.
void Utf8Decoder::Decode(std::string_view bytes, std::u16string& out)
{
    out.reserve(out.size() + bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (m_nNeeded == 0) {
            if (b < 0x80) {
                // A run of ASCII, most of what an encoder prints, goes over eight bytes at a
                // time while none of them has its top bit set.
                std::size_t end = i + 1;
                while (end + 8 <= bytes.size()) {
                    std::uint64_t eight;
                    std::memcpy(&eight, bytes.data() + end, 8);
                    if (eight & 0x8080808080808080ull)
                        break;
                    end += 8;
                }
                while (end < bytes.size() && static_cast<unsigned char>(bytes[end]) < 0x80)
                    ++end;
                const std::size_t at = out.size();
                out.resize(at + (end - i));
                std::copy(bytes.begin() + static_cast<std::ptrdiff_t>(i), bytes.begin() + static_cast<std::ptrdiff_t>(end),
                          out.begin() + static_cast<std::ptrdiff_t>(at));
                i = end - 1;
            } else if (b >= 0xC2 && b <= 0xDF) {
                m_nNeeded = 1;
                m_codePoint = b & 0x1F;
            } else if (b >= 0xE0 && b <= 0xEF) {
                if (b == 0xE0)
                    m_lower = 0xA0;  // below: overlong
                if (b == 0xED)
                    m_upper = 0x9F;  // above: a surrogate
                m_nNeeded = 2;
                m_codePoint = b & 0x0F;
            } else if (b >= 0xF0 && b <= 0xF4) {
                if (b == 0xF0)
                    m_lower = 0x90;  // below: overlong
                if (b == 0xF4)
                    m_upper = 0x8F;  // above: beyond U+10FFFF
                m_nNeeded = 3;
                m_codePoint = b & 0x07;
            } else {
                out += kReplacementCharacter;
            }
            continue;
        }
        if (b < m_lower || b > m_upper) {
            Reset();
            out += kReplacementCharacter;
            --i;  // this byte may well start the next character
            continue;
        }
        m_lower = 0x80;
        m_upper = 0xBF;
        m_codePoint = (m_codePoint << 6) | (b & 0x3F);
        if (++m_nSeen == m_nNeeded) {
            Append(out, m_codePoint);
            Reset();
        }
    }
}

std::u16string Utf8Decoder::Finish()
{
    if (m_nNeeded == 0)
        return {};
    Reset();
    return std::u16string(1, kReplacementCharacter);
}
