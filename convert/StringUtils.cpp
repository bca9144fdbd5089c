#include "convert/StringUtils.h"

#include <algorithm>

#include "platform/text/AsciiCase.h"

namespace {

bool IsWhiteSpace(char16_t c)
{
    return c == u' ' || (c >= u'\t' && c <= u'\r');
}

}  // namespace

void RemoveBlanks(std::u16string& text)
{
    std::erase(text, u' ');
}

void MakeLower(std::u16string& text)
{
    std::transform(text.begin(), text.end(), text.begin(), FoldAscii<char16_t>);
}

void Trim(std::u16string& text)
{
    const auto first = std::find_if_not(text.begin(), text.end(), IsWhiteSpace);
    const auto last = std::find_if_not(text.rbegin(), text.rend(), IsWhiteSpace).base();
    if (first >= last) {
        text.clear();
        return;
    }
    text.erase(last, text.end());
    text.erase(text.begin(), first);
}

bool EqualsNoCase(std::u16string_view a, std::u16string_view b)
{
    return EqualsAsciiNoCase(a, b);
}

std::u16string AppendX(std::u16string_view text)
{
    std::u16string result(text);
    result += u'x';
    return result;
}

std::u16string PrefixDot(std::u16string_view text)
{
    std::u16string result(u".");
    result += text;
    return result;
}

std::u16string NumberText(std::uintmax_t value)
{
    const std::string digits = std::to_string(value);
    return std::u16string(digits.begin(), digits.end());
}

std::u16string FillFormat(std::u16string_view format, std::initializer_list<std::u16string_view> values)
{
    std::u16string result;
    auto value = values.begin();
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] == u'%' && i + 1 < format.size() && format[i + 1] == u's' && value != values.end()) {
            result += *value++;
            ++i;
        } else {
            result += format[i];
        }
    }
    return result;
}
