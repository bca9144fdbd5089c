#pragma once
// The interface language of the running program: 0 English, 1 Chinese. It is chosen afresh
// at every start and switched by the main dialog's language button.

#include <string>

extern int g_nLanguage;

// The product title with the version shown to the user, in the current language.
std::u16string VersionTitle();
