#pragma once
// The language of the texts the toolkit draws itself: the message box's button, the file
// dialog's labels and buttons, an edit's context menu.

#include <string_view>

// Installs the toolkit's own translation for `locale` ("zh_CN"), in place of any earlier one;
// an empty locale leaves the toolkit's English. Where the translation is not installed on the
// system, the toolkit stays English and false comes back.
bool SetToolkitLanguage(std::u16string_view locale);
