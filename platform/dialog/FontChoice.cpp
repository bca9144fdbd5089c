#include "platform/dialog/private/FontChoice_p.h"

#include <fontconfig/fontconfig.h>

#include <tuple>

namespace {

// The toolkit resolves Chinese text through fontconfig in the language of the process's
// locale, so under an English or Japanese locale it may settle on a Japanese face. The
// dialog shows Simplified Chinese whatever the locale, so fontconfig is asked in zh-CN.
QStringList FontconfigChineseSans()
{
    QStringList names;
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>("sans-serif:lang=zh-cn"));
    if (!pattern)
        return names;
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (!match)
        return names;
    FcChar8* name = nullptr;
    for (int i = 0; FcPatternGetString(match, FC_FAMILY, i, &name) == FcResultMatch; ++i)
        names.append(QString::fromUtf8(reinterpret_cast<const char*>(name)));
    FcPatternDestroy(match);
    return names;
}

}  // namespace

QString ChooseChineseFamily(const std::vector<OfferedFamily>& offered, const QStringList& preferred)
{
    const OfferedFamily* best = nullptr;
    std::tuple<bool, bool, bool> bestRank;
    for (const OfferedFamily& family : offered) {
        // Under a Chinese locale the toolkit lists SimSun by its Chinese name.
        if (family.name == QLatin1String("SimSun") || family.name == QStringView(u"宋体"))
            return family.name;
        if (family.fixedPitch || !family.writingSystems.contains(QFontDatabase::SimplifiedChinese))
            continue;
        const std::tuple<bool, bool, bool> rank{
            family.writingSystems.contains(QFontDatabase::Latin), preferred.contains(family.name),
            family.name.contains(QLatin1String("Sans")) || family.name.contains(QLatin1String("Hei"))};
        // Ties keep the earlier family.
        if (!best || rank > bestRank) {
            best = &family;
            bestRank = rank;
        }
    }
    return best ? best->name : QString();
}

QString ChineseDialogFamily()
{
    std::vector<OfferedFamily> offered;
    for (const QString& family : QFontDatabase::families(QFontDatabase::SimplifiedChinese))
        offered.push_back({family, QFontDatabase::writingSystems(family), QFontDatabase::isFixedPitch(family)});
    return ChooseChineseFamily(offered, FontconfigChineseSans());
}
