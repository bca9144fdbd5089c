#include "convert/StringUtils.h"

#include <algorithm>

#include "platform/text/AsciiCase.h"
#include "platform/text/ShellPath.h"

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

bool EqualsExact(std::u16string_view a, std::u16string_view b)
{
    return a == b;
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

bool RenameExtension(std::u16string& path, std::u16string_view extension)
{
    return PathRenameExtensionW(path, extension);
}
