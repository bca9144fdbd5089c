#pragma once
// Letter case folded for A-Z only, so that comparisons of file extensions and catalogue
// words never depend on the user's locale (a Turkish locale folds "I" differently).

#include <algorithm>
#include <string_view>

template <typename Char>
constexpr Char FoldAscii(Char c)
{
    return (c >= Char('A') && c <= Char('Z')) ? static_cast<Char>(c - Char('A') + Char('a')) : c;
}

// Equal when they match after A-Z are folded to a-z; no other character is folded.
template <typename Char>
constexpr bool EqualsAsciiNoCase(std::basic_string_view<Char> a, std::basic_string_view<Char> b)
{
    return std::ranges::equal(a, b, [](Char x, Char y) { return FoldAscii(x) == FoldAscii(y); });
}
