// Which installed family stands in for the templates' Chinese face, on made-up lists of
// families as the font database would offer them.

#include <gtest/gtest.h>

#include <vector>

#include "platform/dialog/private/FontChoice_p.h"

namespace {

constexpr auto kLatin = QFontDatabase::Latin;
constexpr auto kChinese = QFontDatabase::SimplifiedChinese;
constexpr auto kJapanese = QFontDatabase::Japanese;

const OfferedFamily kDroid{"Droid Sans Fallback", {kChinese, QFontDatabase::TraditionalChinese, kJapanese}};
const OfferedFamily kWqy{"WenQuanYi Micro Hei", {kLatin, QFontDatabase::Greek, kChinese, kJapanese}};
const OfferedFamily kZenMono{"WenQuanYi Zen Hei Mono", {kLatin, kChinese}, true};
const OfferedFamily kMing{"AR PL UMing CN", {kLatin, kChinese}};
const OfferedFamily kNotoJp{"Noto Sans CJK JP", {kLatin, kChinese, kJapanese}};
const OfferedFamily kNotoSc{"Noto Sans CJK SC", {kLatin, kChinese, kJapanese}};
const OfferedFamily kDejaVu{"DejaVu Sans", {kLatin}};

TEST(DialogFont, ChineseFaceWritesLatinTooAndFollowsFontconfig)
{
    const QStringList wqyNames{"WenQuanYi Micro Hei", "文泉驛微米黑", "文泉驿微米黑"};
    struct Case {
        std::vector<OfferedFamily> offered;
        QStringList preferred;
        QString chosen;
    } const cases[] = {
        // Listed first but without Latin letters: the English labels would draw nothing.
        {{kDroid, kWqy}, {}, kWqy.name},
        // Fontconfig's choice without Latin letters still gives way.
        {{kWqy, kDroid}, {kDroid.name}, kWqy.name},
        // A fixed-pitch family is passed over even when it writes both and says Hei.
        {{kZenMono, kMing}, {kZenMono.name}, kMing.name},
        // Among families that write both, a Sans or Hei name beats list order.
        {{kMing, kWqy}, {}, kWqy.name},
        // Fontconfig's zh-CN choice beats list order and the name.
        {{kNotoJp, kMing, kNotoSc}, {kNotoSc.name}, kNotoSc.name},
        {{kNotoJp, kNotoSc}, {}, kNotoJp.name},
        // Under a Chinese locale the toolkit lists a family by the name fontconfig gives last.
        {{kNotoJp, {"文泉驿微米黑", kWqy.writingSystems}}, wqyNames, "文泉驿微米黑"},
        // A preferred family without Chinese glyphs is not taken.
        {{kDejaVu, kDroid}, {kDejaVu.name}, kDroid.name},
        // SimSun wins by either name, whatever else is offered.
        {{kWqy, kNotoSc, {"SimSun", {kLatin, kChinese}}}, {kNotoSc.name}, "SimSun"},
        {{kWqy, {"宋体", {kLatin, kChinese}}}, wqyNames, "宋体"},
        // Nothing writes both: the best Chinese family rather than none.
        {{kZenMono, {"AR PL UMing", {kChinese}}, kDroid}, {}, kDroid.name},
        {{kZenMono}, {}, {}},
        {{}, wqyNames, {}},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        EXPECT_EQ(ChooseChineseFamily(c.offered, c.preferred).toStdString(), c.chosen.toStdString())
            << "case " << i;
    }
}

}  // namespace
