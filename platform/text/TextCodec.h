#pragma once
// The program's byte text is UTF-8 in every locale: Qt names files in UTF-8 whatever the
// locale says, so command lines go to the children and their output comes back in UTF-8.
// Under a C locale a code-page conversion would turn every Chinese file name into question
// marks.

#include <string>
#include <string_view>

inline constexpr char16_t kReplacementCharacter = u'\uFFFD';

// UTF-16 to UTF-8. An unpaired surrogate cannot be written in UTF-8; it becomes U+FFFD.
std::string EncodeUtf8(std::u16string_view text);

// UTF-8 to UTF-16 for text that is complete; see Utf8Decoder for text that comes in pieces.
std::u16string DecodeUtf8(std::string_view bytes);

// Decodes one stream of UTF-8 that arrives in chunks cut anywhere. A character split across
// two chunks comes out whole with the second; bytes that are not UTF-8 (a stray
// continuation byte, a truncated sequence, an overlong form, a surrogate, anything above
// U+10FFFF) each come out as U+FFFD, never dropped. One decoder per stream: two streams
// interleaved through one decoder would glue unrelated bytes together.
class Utf8Decoder {
public:
    // The text of `bytes`, after what an earlier chunk left incomplete. The incomplete
    // sequence at the end, if any, is kept for the next chunk.
    std::u16string Decode(std::string_view bytes);
    // Appends to `out` instead of returning a new string.
    void Decode(std::string_view bytes, std::u16string& out);

    // The end of the stream: a sequence still incomplete becomes U+FFFD.
    std::u16string Finish();

    // Forgets a kept incomplete sequence, for a new stream.
    void Reset();

    bool HasPending() const { return m_nNeeded != 0; }

private:
    // The sequence under way: its bits so far, how many continuation bytes it needs and
    // has seen, and the range the next one must fall in (narrower after some lead bytes,
    // which is what refuses overlong forms, surrogates and values above U+10FFFF).
    char32_t m_codePoint = 0;
    unsigned m_nNeeded = 0;
    unsigned m_nSeen = 0;
    unsigned char m_lower = 0x80;
    unsigned char m_upper = 0xBF;
};
