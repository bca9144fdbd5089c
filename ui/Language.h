#pragma once
// The interface language of the running program. It is chosen afresh at every start and
// switched by the main dialog's language button.

#include <string>

enum class Language { English, Chinese };

extern Language g_language;

// The language the button switches to.
constexpr Language OtherLanguage(Language language)
{
    return language == Language::English ? Language::Chinese : Language::English;
}

// The product title with the version shown to the user, in the current language.
std::u16string VersionTitle();
