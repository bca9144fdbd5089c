#include "ui/Language.h"

#include <string_view>

#include "ui/UiText.h"

Language g_language = Language::English;

namespace {

constexpr int kMajorVersion = 1;
constexpr int kMinorVersion = 0;

std::u16string Number(int n)
{
    const std::string digits = std::to_string(n);
    return std::u16string(digits.begin(), digits.end());
}

}  // namespace

std::u16string VersionTitle()
{
    std::u16string title(UiText(kTextProduct));
    title += u' ';
    title += Number(kMajorVersion);
    title += u'.';
    title += Number(kMinorVersion);
    return title;
}
