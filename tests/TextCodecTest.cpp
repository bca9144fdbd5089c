// The UTF-8 codec the command lines and the children's output go through: text cut anywhere
// comes out whole, bytes that are not UTF-8 come out as U+FFFD and are never dropped.

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "platform/text/TextCodec.h"

namespace {

constexpr char16_t R = kReplacementCharacter;

// Decodes `bytes` cut at the given offsets (ascending), then finishes the stream.
std::u16string DecodeCut(std::string_view bytes, const std::vector<std::size_t>& cuts)
{
    Utf8Decoder decoder;
    std::u16string text;
    std::size_t from = 0;
    for (std::size_t cut : cuts) {
        text += decoder.Decode(bytes.substr(from, cut - from));
        from = cut;
    }
    text += decoder.Decode(bytes.substr(from));
    text += decoder.Finish();
    return text;
}

std::u16string RandomText(std::mt19937& random, std::size_t length)
{
    std::u16string text;
    while (text.size() < length) {
        switch (random() % 4) {
        case 0:
            text += static_cast<char16_t>(0x20 + random() % 0x5F);  // ASCII
            break;
        case 1:
            text += static_cast<char16_t>(0x80 + random() % 0x780);  // two bytes
            break;
        case 2:
            text += static_cast<char16_t>(0x4E00 + random() % 0x5000);  // CJK, three bytes
            break;
        default: {
            const char32_t c = 0x10000 + random() % 0x100000;  // a surrogate pair, four bytes
            text += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            text += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        }
        }
    }
    return text;
}

std::vector<std::size_t> RandomCuts(std::mt19937& random, std::size_t size)
{
    std::vector<std::size_t> cuts;
    for (std::size_t at = 0; size > 0;) {
        at += 1 + random() % 7;
        if (at >= size)
            break;
        cuts.push_back(at);
    }
    return cuts;
}

TEST(TextCodec, TextCutAnywhereComesOutWhole)
{
    std::mt19937 random(20261207);
    for (int round = 0; round < 2000; ++round) {
        const std::u16string text = RandomText(random, 1 + random() % 40);
        const std::string bytes = EncodeUtf8(text);
        ASSERT_EQ(DecodeCut(bytes, RandomCuts(random, bytes.size())), text) << "round " << round;
    }
    // Every single cut of one character of each length.
    for (const std::u16string text : {u"a中b", u"é中\U0001F600z"}) {
        const std::string bytes = EncodeUtf8(text);
        for (std::size_t cut = 0; cut <= bytes.size(); ++cut)
            EXPECT_EQ(DecodeCut(bytes, {cut}), text) << "cut at " << cut;
    }
}

TEST(TextCodec, BytesThatAreNotUtf8BecomeReplacementCharacters)
{
    struct Case {
        const char* what;
        std::string bytes;
        std::u16string text;
    } const cases[] = {
        // A lone continuation byte or a byte that never starts anything.
        {"stray continuation", "a\x80z", {u'a', R, u'z'}},
        {"0xFF", "\xFF\xFE", {R, R}},
        // A sequence cut short costs one character; the byte that cut it short counts anew.
        {"truncated by ASCII", "\xE4\xB8" "A", {R, u'A'}},
        {"truncated by a new lead", "\xE4\xB8\xE4\xB8\xAD", {R, u'中'}},
        {"truncated at the end", "ok\xF0\x9F\x98", {u'o', u'k', R}},
        // Forms the decoder must refuse although their bits would give a character.
        {"overlong slash", "\xC0\xAF", {R, R}},
        {"overlong three bytes", "\xE0\x80\xAF", {R, R, R}},
        {"encoded surrogate", "\xED\xA0\x80", {R, R, R}},
        {"above U+10FFFF", "\xF4\x90\x80\x80", {R, R, R, R}},
        // The largest valid ones still pass.
        {"U+10FFFF", "\xF4\x8F\xBF\xBF", {u'\xDBFF', u'\xDFFF'}},
        {"NUL stays", std::string("a\0b", 3), {u'a', u'\0', u'b'}},
    };
    for (const Case& c : cases) {
        // The answer does not depend on where the chunks were cut.
        for (std::size_t cut = 0; cut <= c.bytes.size(); ++cut)
            EXPECT_EQ(DecodeCut(c.bytes, {cut}), c.text) << c.what << ", cut at " << cut;
        std::vector<std::size_t> everyByte;
        for (std::size_t at = 1; at < c.bytes.size(); ++at)
            everyByte.push_back(at);
        EXPECT_EQ(DecodeCut(c.bytes, everyByte), c.text) << c.what << ", byte by byte";
    }
}

TEST(TextCodec, RandomBytesDecodeTheSameHoweverTheyAreCut)
{
    std::mt19937 random(7);
    for (int round = 0; round < 2000; ++round) {
        std::string bytes(1 + random() % 64, '\0');
        for (char& b : bytes)
            b = static_cast<char>(random() % 3 == 0 ? 0x80 + random() % 0x80 : random() % 0x100);
        const std::u16string whole = DecodeUtf8(bytes);
        ASSERT_EQ(DecodeCut(bytes, RandomCuts(random, bytes.size())), whole) << "round " << round;
        // Nothing vanishes: at most one character per byte, at least one per four.
        ASSERT_LE(whole.size(), bytes.size());
        ASSERT_GE(whole.size() * 4, bytes.size());
    }
}

TEST(TextCodec, EncodingAndAFreshStream)
{
    // An unpaired surrogate cannot be written in UTF-8.
    EXPECT_EQ(EncodeUtf8(std::u16string{u'a', u'\xD800', u'b', u'\xDC00'}), "a\xEF\xBF\xBD" "b\xEF\xBF\xBD");
    EXPECT_EQ(EncodeUtf8(u"中\U0001F600"), "\xE4\xB8\xAD\xF0\x9F\x98\x80");

    // After Reset, the half of a character kept from the last stream is gone: the next
    // stream's first byte is not glued to it.
    Utf8Decoder decoder;
    EXPECT_EQ(decoder.Decode("x\xE4\xB8"), u"x");
    EXPECT_TRUE(decoder.HasPending());
    decoder.Reset();
    EXPECT_EQ(decoder.Decode("\xAD"), std::u16string(1, R));
    EXPECT_EQ(decoder.Finish(), u"");
}

}  // namespace
