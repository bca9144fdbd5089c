// Which installed family stands in for the templates' Chinese face, on made-up lists of
// families as the font database would offer them.

#include <gtest/gtest.h>

#include "platform/dialog/private/FontChoice_p.h"

namespace {

using enum QFontDatabase::WritingSystem;
const OfferedFamily kDroid{"Droid Sans Fallback", {SimplifiedChinese, TraditionalChinese, Japanese}};
const OfferedFamily kWqy{"WenQuanYi Micro Hei", {Latin, Greek, SimplifiedChinese, Japanese}};

TEST(DialogFont, ChineseFaceWritesLatinTooAndFollowsFontconfig)
{
    struct Case { std::vector<OfferedFamily> offered; QStringList preferred; QString chosen; };
    const Case cases[] = {
        // Listed first but without Latin letters: the English labels would draw nothing.
        {{kDroid, kWqy}, {}, kWqy.name},
        // Fontconfig's choice without Latin letters still gives way.
        {{kWqy, kDroid}, {kDroid.name}, kWqy.name},
        // Fixed pitch is passed over even when preferred and writing both; with nothing else
        // writing both, the best Chinese family rather than none.
        {{{"WenQuanYi Zen Hei Mono", {Latin, SimplifiedChinese}, true}, kDroid}, {"WenQuanYi Zen Hei Mono"}, kDroid.name},
        // Among families that write both, a Sans or Hei name beats list order, and fontconfig's
        // zh-CN choice beats both.
        {{{"AR PL UMing CN", {Latin, SimplifiedChinese}}, kWqy}, {}, kWqy.name},
        {{kWqy, {"AR PL UMing CN", {Latin, SimplifiedChinese}}}, {"AR PL UMing CN"}, "AR PL UMing CN"},
        // Under a Chinese locale the toolkit lists fontconfig's choice by one of its Chinese names.
        {{{"Noto Sans CJK JP", {Latin, SimplifiedChinese}}, {"文泉驿微米黑", kWqy.writingSystems}},
         {kWqy.name, "文泉驛微米黑", "文泉驿微米黑"}, "文泉驿微米黑"},
        // SimSun by either name, whatever else is offered or preferred.
        {{kWqy, {"SimSun", {Latin, SimplifiedChinese}}}, {kWqy.name}, "SimSun"},
        {{kWqy, {"宋体", {Latin, SimplifiedChinese}}}, {kWqy.name}, "宋体"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ChooseChineseFamily(c.offered, c.preferred).toStdString(), c.chosen.toStdString());
}

}  // namespace
