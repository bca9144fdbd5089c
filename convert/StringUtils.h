#pragma once
// Small text operations the capture, the builder and the default output name rule share.
// Letter case is folded for A-Z only, so results never depend on the user's locale.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

// Deletes every U+0020; tabs and other white space stay.
void RemoveBlanks(std::u16string& text);

// A-Z become a-z; everything else is left as it is.
void MakeLower(std::u16string& text);

// Removes ASCII white space (blank, tab, line feed, vertical tab, form feed, carriage return)
// from both ends.
void Trim(std::u16string& text);

// Equal when they match after A-Z are folded to a-z; no other character is folded.
bool EqualsNoCase(std::u16string_view a, std::u16string_view b);

std::u16string AppendX(std::u16string_view text);

std::u16string PrefixDot(std::u16string_view text);

// A whole number in decimal digits, for the texts that show one.
std::u16string NumberText(std::uintmax_t value);

// Replaces each %s of `format` in turn with the next value, verbatim: a value's own "%s" stays
// as it is. The blanks of the format stay even around an empty value.
std::u16string FillFormat(std::u16string_view format, std::initializer_list<std::u16string_view> values);
