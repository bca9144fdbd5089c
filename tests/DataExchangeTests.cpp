// How the data exchange reads and writes numbers: what it accepts, what it refuses.

#include <gtest/gtest.h>

#include "platform/dialog/DataExchange.h"

namespace {

TEST(DataExchangeNumbers, UnsignedAcceptsDigitsWithBlanksAround)
{
    std::uint32_t value = 99;
    EXPECT_TRUE(ParseUInt32(u"0", value));
    EXPECT_EQ(value, 0u);
    EXPECT_TRUE(ParseUInt32(u" 640\t", value));
    EXPECT_EQ(value, 640u);
    EXPECT_TRUE(ParseUInt32(u"+12", value));
    EXPECT_EQ(value, 12u);
    EXPECT_TRUE(ParseUInt32(u"4294967295", value));
    EXPECT_EQ(value, 4294967295u);
}

TEST(DataExchangeNumbers, UnsignedRefusesWhatIsNotOne)
{
    for (std::u16string_view text : {u"", u"   ", u"-1", u"12a", u"1 2", u"4294967296", u"1.5",
                                     u"+", u"０", u"abc"}) {
        std::uint32_t value = 5;
        EXPECT_FALSE(ParseUInt32(text, value)) << std::string(text.begin(), text.end());
        EXPECT_EQ(value, 5u);
    }
}

TEST(DataExchangeNumbers, FloatAcceptsDecimalNumbers)
{
    float value = 0;
    EXPECT_TRUE(ParseFloat(u"29.97", value));
    EXPECT_FLOAT_EQ(value, 29.97f);
    EXPECT_TRUE(ParseFloat(u" -2.5e1 ", value));
    EXPECT_FLOAT_EQ(value, -25.0f);
    EXPECT_TRUE(ParseFloat(u".5", value));
    EXPECT_FLOAT_EQ(value, 0.5f);
    EXPECT_TRUE(ParseFloat(u"+3", value));
    EXPECT_FLOAT_EQ(value, 3.0f);
}

TEST(DataExchangeNumbers, FloatRefusesNonNumbersAndValuesBeyondAFloat)
{
    for (std::u16string_view text : {u"", u"abc", u"25fps", u"inf", u"nan", u"1e39", u"1,5", u"--1"}) {
        float value = 7;
        EXPECT_FALSE(ParseFloat(text, value)) << std::string(text.begin(), text.end());
        EXPECT_EQ(value, 7.0f);
    }
}

TEST(DataExchangeNumbers, FloatIsWrittenWithAtMostSixSignificantDigits)
{
    EXPECT_EQ(FormatFloat(0.0f), u"0");
    EXPECT_EQ(FormatFloat(25.0f), u"25");
    EXPECT_EQ(FormatFloat(29.97f), u"29.97");
    EXPECT_EQ(FormatFloat(1234567.0f), u"1.23457e+06");
    EXPECT_EQ(FormatFloat(0.1f), u"0.1");
}

}  // namespace
