#include "platform/text/Locale.h"

#include <cstdlib>
#include <string_view>

namespace {

constexpr unsigned kUnitedStates = 437;

bool IsSet(const char* value)
{
    return value && *value;
}

}  // namespace

unsigned OemCodePageForLocale(const char* lcAll, const char* lcMessages, const char* lang)
{
    const char* governing = IsSet(lcAll) ? lcAll : IsSet(lcMessages) ? lcMessages : IsSet(lang) ? lang : "";
    std::string_view name(governing);
    // language_TERRITORY, then an optional .codeset and @modifier
    name = name.substr(0, name.find_first_of(".@"));
    return name == "zh_CN" || name == "zh_SG" ? kCodePageSimplifiedChinese : kUnitedStates;
}

unsigned GetOEMCP()
{
    return OemCodePageForLocale(std::getenv("LC_ALL"), std::getenv("LC_MESSAGES"), std::getenv("LANG"));
}
