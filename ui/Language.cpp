#include "ui/Language.h"

#include <string_view>

#include "convert/StringUtils.h"
#include "ui/UiText.h"

Language g_language = Language::English;

namespace {

constexpr int kMajorVersion = 1;
constexpr int kMinorVersion = 0;

}  // namespace

std::u16string VersionTitle()
{
    std::u16string title(UiText(kTextProduct));
    title += u' ';
    title += NumberText(kMajorVersion);
    title += u'.';
    title += NumberText(kMinorVersion);
    return title;
}
