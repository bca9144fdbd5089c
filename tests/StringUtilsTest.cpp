#include "convert/StringUtils.h"

#include <gtest/gtest.h>

TEST(StringUtils, BlanksAndCaseAreHandledForAsciiOnly)
{
    std::u16string codec = u" MS MPEG4\tV2\u00A0É ";
    RemoveBlanks(codec);
    EXPECT_EQ(codec, u"MSMPEG4\tV2\u00A0É");
    MakeLower(codec);
    EXPECT_EQ(codec, u"msmpeg4\tv2\u00A0É");

    EXPECT_TRUE(EqualsNoCase(u"ORIGINAL", u"original"));
    EXPECT_TRUE(EqualsNoCase(u".Mpg", u".mpg"));
    EXPECT_FALSE(EqualsNoCase(u"É.avi", u"é.avi"));
    EXPECT_FALSE(EqualsNoCase(u"Original", u"Origina"));
    EXPECT_FALSE(EqualsNoCase(u"[", u"{"));  // neighbours of the letters are not folded
}

TEST(StringUtils, TrimTakesWhiteSpaceFromBothEndsOnly)
{
    std::u16string text = u" \t\r\n-r 15  -b 200k \v\f";
    Trim(text);
    EXPECT_EQ(text, u"-r 15  -b 200k");
    text = u" \t ";
    Trim(text);
    EXPECT_EQ(text, u"");
    text = u"\u3000x\u00A0";
    Trim(text);
    EXPECT_EQ(text, u"\u3000x\u00A0");
}

TEST(StringUtils, PiecesForSizesAndExtensions)
{
    EXPECT_EQ(AppendX(u"640") + u"480", u"640x480");
    EXPECT_EQ(AppendX(u""), u"x");
    EXPECT_EQ(PrefixDot(u"mp4"), u".mp4");
}
