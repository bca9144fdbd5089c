// Command lines on any bytes. The input is read twice. As a command line: whatever it splits
// into, written again (the program in quotes, each argument quoted) splits into the same, and
// the program word is the first of it. As an argument list, its parts cut at NUL bytes, the
// first being the program: quoted and joined, the list splits back into itself, by the rules
// for a whole command line and by those for arguments alone, and the quoting of UTF-8 text
// writes the same bytes as the quoting of its bytes. A program name cannot hold a double quote
// (quotes only group there), so the list's program loses its quotes first.

#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/FuzzCheck.h"
#include "platform/text/CommandLine.h"
#include "platform/text/TextCodec.h"

namespace {

using Args = std::vector<std::string>;

// Blanks and tabs in the runs that separate arguments, as a user's or a builder's line has.
std::string_view Separator(std::size_t index)
{
    constexpr std::string_view kSeparators[] = {" ", "\t", "  ", " \t "};
    return kSeparators[index % std::size(kSeparators)];
}

// An argument of any bytes, quoted with each byte as one UTF-16 unit and back. The quoting
// looks only at blanks, tabs, quotes and backslashes and adds only quotes and backslashes, so
// every byte comes back as it was, UTF-8 or not (decoding would turn a stray byte into U+FFFD).
std::string Quoted(std::string_view bytes)
{
    std::u16string units;
    for (const unsigned char byte : bytes)
        units += static_cast<char16_t>(byte);
    std::string quoted;
    for (const char16_t unit : QuoteArgument(units))
        quoted += static_cast<char>(unit);
    return quoted;
}

// The list as one line: the program bare or in quotes (which only group there), each argument
// quoted, blanks and tabs between.
std::string Written(const Args& args, bool bareProgram)
{
    std::string line = bareProgram ? args[0] : '"' + args[0] + '"';
    for (std::size_t i = 1; i < args.size(); ++i)
        line.append(Separator(i)).append(Quoted(args[i]));
    return line;
}

void AsCommandLine(std::string_view line)
{
    const Args args = SplitCommandLine(line);
    FUZZ_CHECK(ProgramWord(line) == (args.empty() ? std::string() : args[0]));
    if (args.empty()) {
        FUZZ_CHECK(line.find_first_not_of(" \t") == std::string_view::npos);
        return;
    }
    FUZZ_CHECK(args[0].find('"') == std::string::npos);
    FUZZ_CHECK(SplitCommandLine(Written(args, false)) == args);
}

void AsArgumentList(std::string_view input)
{
    Args args(1);
    for (const char c : input) {
        if (c == '\0')
            args.emplace_back();
        else
            args.back() += c;
    }
    std::erase(args[0], '"');

    FUZZ_CHECK(SplitCommandLine(Written(args, false)) == args);
    // A program word with nothing to group stands bare, as the builder writes it.
    if (!args[0].empty() && args[0].find_first_of(" \t") == std::string::npos)
        FUZZ_CHECK(SplitCommandLine(Written(args, true)) == args);

    // The arguments alone, and those that are UTF-8 as the Source field lists several files:
    // each always in quotes, one blank between. Bytes that are not UTF-8 never come from text.
    std::string arguments, field;
    Args texts;
    for (std::size_t i = 1; i < args.size(); ++i) {
        arguments.append(Separator(i)).append(Quoted(args[i]));
        const std::u16string text = DecodeUtf8(args[i]);
        if (EncodeUtf8(text) != args[i])
            continue;
        FUZZ_CHECK(EncodeUtf8(QuoteArgument(text)) == Quoted(args[i]));
        field.append(field.empty() ? "" : " ").append(EncodeUtf8(QuoteArgumentAlways(text)));
        texts.push_back(args[i]);
    }
    FUZZ_CHECK(SplitArguments(arguments) == Args(args.begin() + 1, args.end()));
    FUZZ_CHECK(SplitArguments(field) == texts);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    AsCommandLine(input);
    AsArgumentList(input);
    return 0;
}
