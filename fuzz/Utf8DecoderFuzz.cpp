// The UTF-8 codec on any bytes an encoder may print and any UTF-16 a file name may hold.
// The first byte says in how many places the stream is cut (its low four bits), the next
// ones how long each chunk is (a byte each); the rest is the stream, decoded as the run
// decodes a child's output: chunk by chunk into one decoder, finished at the child's end.
// Promises held: the cut stream decodes as the whole does; the text is valid UTF-16 and
// never longer than the bytes; text without U+FFFD encodes back to exactly the bytes (so no
// malformed sequence passes as a character); and the same rest read as UTF-16 comes back from
// encoding and decoding unchanged, an unpaired surrogate as U+FFFD.

#include <algorithm>
#include <string>
#include <string_view>

#include "fuzz/FuzzCheck.h"
#include "platform/text/TextCodec.h"

namespace {

bool IsHigh(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLow(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// `text` as UTF-8 can carry it: each unpaired surrogate replaced.
std::u16string Carried(std::u16string_view text)
{
    std::u16string carried(text);
    for (std::size_t i = 0; i < carried.size(); ++i) {
        if (IsHigh(carried[i]) && i + 1 < carried.size() && IsLow(carried[i + 1]))
            ++i;
        else if (IsHigh(carried[i]) || IsLow(carried[i]))
            carried[i] = kReplacementCharacter;
    }
    return carried;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    if (input.empty())
        return 0;
    const std::size_t nCuts = std::min<std::size_t>(static_cast<unsigned char>(input[0]) & 0x0F, input.size() - 1);
    const std::string_view cuts = input.substr(1, nCuts);
    const std::string_view stream = input.substr(1 + nCuts);

    const std::u16string whole = DecodeUtf8(stream);
    FUZZ_CHECK(Carried(whole) == whole);  // valid UTF-16
    FUZZ_CHECK(whole.size() <= stream.size());
    if (whole.find(kReplacementCharacter) == std::u16string::npos)
        FUZZ_CHECK(EncodeUtf8(whole) == stream);

    Utf8Decoder decoder;
    std::u16string cut;
    std::string_view rest = stream;
    for (std::size_t i = 0; i < cuts.size(); ++i) {
        const std::string_view chunk = rest.substr(0, static_cast<unsigned char>(cuts[i]));
        rest.remove_prefix(chunk.size());
        // Both ways the run takes text out of a decoder.
        if (i % 2)
            decoder.Decode(chunk, cut);
        else
            cut += decoder.Decode(chunk);
    }
    decoder.Decode(rest, cut);
    cut += decoder.Finish();
    FUZZ_CHECK(!decoder.HasPending());
    FUZZ_CHECK(cut == whole);

    std::u16string units(stream.size() / 2, u'\0');
    for (std::size_t i = 0; i < units.size(); ++i)
        units[i] = static_cast<char16_t>(static_cast<unsigned char>(stream[2 * i]) |
                                         static_cast<unsigned char>(stream[2 * i + 1]) << 8);
    FUZZ_CHECK(DecodeUtf8(EncodeUtf8(units)) == Carried(units));
    return 0;
}
