// The Source field with one path or several, and where each of several is converted to.

#include "convert/SourceList.h"

#include <gtest/gtest.h>

namespace {

using Paths = std::vector<std::u16string>;

TEST(SourceList, OnePathStandsAsItIsSeveralInQuotes)
{
    const struct {
        const char16_t* field;
        Paths paths;
        const char16_t* rewritten;  // the field JoinSources makes of them
    } cases[] = {
        {u"", {}, u""},
        {u"/v/my clip.mp4", {u"/v/my clip.mp4"}, u"/v/my clip.mp4"},
        {u"say \"hi\".mp4", {u"say \"hi\".mp4"}, u"say \"hi\".mp4"},  // quotes inside a lone path
        {u"\"/v/my clip.mp4\"", {u"/v/my clip.mp4"}, u"/v/my clip.mp4"},  // a lone path typed in quotes
        {u"\"/v/a.mp4\" \"/v/b.mp4\"", {u"/v/a.mp4", u"/v/b.mp4"}, u"\"/v/a.mp4\" \"/v/b.mp4\""},
        {u"  \"/v/a b.mp4\"\t\"/视频/乙.avi\"  ", {u"/v/a b.mp4", u"/视频/乙.avi"}, u"\"/v/a b.mp4\" \"/视频/乙.avi\""},
        // A quote and a closing backslash inside a path survive the round trip.
        {u"\"/v/say \\\"hi\\\".mp4\" \"/v/dir\\\\\"", {u"/v/say \"hi\".mp4", u"/v/dir\\"},
         u"\"/v/say \\\"hi\\\".mp4\" \"/v/dir\\\\\""},
    };
    for (const auto& c : cases) {
        const Paths paths = SplitSources(c.field);
        EXPECT_EQ(paths, c.paths) << static_cast<int>(std::u16string_view(c.field).size());
        EXPECT_EQ(JoinSources(paths), c.rewritten);
        EXPECT_EQ(SplitSources(JoinSources(paths)), paths);
    }
}

TEST(SourceList, EachOutputGoesBesideItsSourceOrIntoTheFolder)
{
    EXPECT_EQ(BatchOutput(u"/v/a.mp4", u"", u".flv"), u"/v/a.flv");
    EXPECT_EQ(BatchOutput(u"/v/a.mp4", u"/out", u".avi"), u"/out/a.avi");
    EXPECT_EQ(BatchOutput(u"/v/a.b.mp4", u"/out/", u".avi"), u"/out/a.b.avi");
    EXPECT_EQ(BatchOutput(u"clip", u"out", u".flv"), u"out/clip.flv");
}

}  // namespace
