#include "platform/text/CommandLine.h"

#include <gtest/gtest.h>

#include <random>

#include "platform/text/TextCodec.h"

using Args = std::vector<std::string>;

TEST(SplitCommandLine, BlanksAndTabsSeparateAndQuotesGroup)
{
    EXPECT_EQ(SplitCommandLine(""), Args{});
    EXPECT_EQ(SplitCommandLine(" \t "), Args{});
    EXPECT_EQ(SplitCommandLine("  prog \t a  b\t"), (Args{"prog", "a", "b"}));
    EXPECT_EQ(SplitCommandLine(R"(p "a b"	"c	d")"), (Args{"p", "a b", "c\td"}));
    EXPECT_EQ(SplitCommandLine(R"(p x"a b"y z)"), (Args{"p", "xa by", "z"}));
    EXPECT_EQ(SplitCommandLine(R"(p "" b "")"), (Args{"p", "", "b", ""}));
    EXPECT_EQ(SplitCommandLine(R"(p "open to the end)"), (Args{"p", "open to the end"}));
    // Bytes of multi-byte characters are never separators.
    EXPECT_EQ(SplitCommandLine("p \xE4\xB8\xAD\xE6\x96\x87 \"\xC3\xA9 x\""), (Args{"p", "\xE4\xB8\xAD\xE6\x96\x87", "\xC3\xA9 x"}));
}

TEST(SplitCommandLine, BackslashesCountOnlyBeforeAQuote)
{
    EXPECT_EQ(SplitCommandLine(R"(p a\b\\c\ d\\)"), (Args{"p", R"(a\b\\c\)", R"(d\\)"}));
    EXPECT_EQ(SplitCommandLine(R"(p a\"b)"), (Args{"p", R"(a"b)"}));           // 1: literal quote
    EXPECT_EQ(SplitCommandLine(R"(p a\\"b c")"), (Args{"p", R"(a\b c)"}));     // 2: one, quote groups
    EXPECT_EQ(SplitCommandLine(R"(p a\\\"b c)"), (Args{"p", R"(a\"b)", "c"})); // 3: one and a literal
    EXPECT_EQ(SplitCommandLine(R"(p "a\\\\" b)"), (Args{"p", R"(a\\)", "b"})); // 4: two, quote closes
    EXPECT_EQ(SplitCommandLine(R"(p "a \"b\" c")"), (Args{"p", R"(a "b" c)"}));
    EXPECT_EQ(SplitCommandLine(R"(p "a""b c" d)"), (Args{"p", R"(a"b c)", "d"}));
}

TEST(SplitCommandLine, ProgramNameKeepsItsBackslashes)
{
    EXPECT_EQ(SplitCommandLine(R"(plugins\ffmpeg.exe -i a)"), (Args{R"(plugins\ffmpeg.exe)", "-i", "a"}));
    EXPECT_EQ(SplitCommandLine(R"("my dir\enc.exe" a)"), (Args{R"(my dir\enc.exe)", "a"}));
    EXPECT_EQ(SplitCommandLine(R"(dir\\"x y\" z)"), (Args{R"(dir\\x y\)", "z"}));
}

// The name the outcome line gives a program is read from the same word the runner looks up.
TEST(SplitCommandLine, TheProgramsBareNameLosesFolderAndExeOnly)
{
    const struct { const char* line; const char* bare; } cases[] = {
        {R"(plugins\mencoder.exe "/v/a b.mp4" -o x)", "mencoder"},
        {R"(plugins\FFMPEG.EXE -i x)", "FFMPEG"},
        {"/usr/bin/ffmpeg", "ffmpeg"},
        {R"("my dir\enc.exe" a)", "enc"},  // a quoted blank belongs to the program
        {R"( "C:\My Tools\x.exe.bak" y)", "x.exe.bak"},
        {"  ", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ProgramWord(c.line), SplitCommandLine(c.line).empty() ? "" : SplitCommandLine(c.line).front()) << c.line;
        EXPECT_EQ(BareProgramName(ProgramWord(c.line)), c.bare) << c.line;
    }
}

TEST(QuoteArgument, QuotesOnlyWhatNeedsIt)
{
    EXPECT_EQ(QuoteArgument(uR"(D:\clips\song.mp3)"), uR"(D:\clips\song.mp3)");
    EXPECT_EQ(QuoteArgument(uR"(C:\My Videos\talk.flv)"), uR"("C:\My Videos\talk.flv")");
    EXPECT_EQ(QuoteArgument(u""), uR"("")");
    EXPECT_EQ(QuoteArgument(u"a\tb"), u"\"a\tb\"");
    EXPECT_EQ(QuoteArgument(uR"(say "hi"\)"), uR"("say \"hi\"\\")");
    EXPECT_EQ(QuoteArgument(uR"(a\\"b)"), uR"("a\\\\\"b")");
    EXPECT_EQ(QuoteArgument(u"/tmp/中 文"), u"\"/tmp/中 文\"");
}

// Whatever a file is called, it has to come out of the command line exactly as it went in.
TEST(QuoteArgument, EveryGeneratedPathSurvivesSplitting)
{
    const std::u16string pieces[] = {u"a", u"b", u".", u"/", u"-", u" ", u"\t", u"\"", u"\\", u"\\",
                                     u"é", u"中", u"文", u"𝄞"};
    std::mt19937 random(20261207);
    std::uniform_int_distribution<int> length(0, 12);
    std::uniform_int_distribution<std::size_t> piece(0, std::size(pieces) - 1);
    for (int round = 0; round < 20000; ++round) {
        std::u16string path;
        for (int i = length(random); i > 0; --i)
            path += pieces[piece(random)];
        const std::string line = EncodeUtf8(u"plugins\\ffmpeg.exe -i " + QuoteArgument(path) + u" -y " +
                                      QuoteArgument(path + u"\\"));
        const Args args = SplitCommandLine(line);
        ASSERT_EQ(args.size(), 5u) << line;
        ASSERT_EQ(args[2], EncodeUtf8(path)) << line;
        ASSERT_EQ(args[4], EncodeUtf8(path + u"\\")) << line;
    }
}
