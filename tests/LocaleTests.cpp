// Which locales count as Simplified Chinese for the start language.

#include <gtest/gtest.h>

#include "platform/text/Locale.h"

namespace {

TEST(OemCodePage, SimplifiedChineseLocalesGive936)
{
    EXPECT_EQ(OemCodePageForLocale("zh_CN.UTF-8", nullptr, nullptr), 936u);
    EXPECT_EQ(OemCodePageForLocale(nullptr, "zh_SG.GBK", nullptr), 936u);
    EXPECT_EQ(OemCodePageForLocale(nullptr, nullptr, "zh_CN"), 936u);
    EXPECT_EQ(OemCodePageForLocale(nullptr, nullptr, "zh_CN@pinyin"), 936u);
}

TEST(OemCodePage, OtherLocalesGiveTheDefault)
{
    for (const char* locale : {"zh_TW.UTF-8", "zh_HK", "C", "POSIX", "en_US.UTF-8", "zh", "zh_CNX", ""})
        EXPECT_EQ(OemCodePageForLocale(locale, nullptr, nullptr), 437u) << locale;
    EXPECT_EQ(OemCodePageForLocale(nullptr, nullptr, nullptr), 437u);
}

TEST(OemCodePage, LcAllOverridesLcMessagesWhichOverridesLang)
{
    EXPECT_EQ(OemCodePageForLocale("C", "zh_CN.UTF-8", "zh_CN.UTF-8"), 437u);
    EXPECT_EQ(OemCodePageForLocale(nullptr, "en_GB.UTF-8", "zh_CN.UTF-8"), 437u);
    EXPECT_EQ(OemCodePageForLocale("", "zh_CN.UTF-8", "C"), 936u);
    EXPECT_EQ(OemCodePageForLocale("", "", "zh_SG"), 936u);
}

}  // namespace
