#pragma once
// The desktop's shell as a program meets it: a notification, and a file shown in the file
// manager. Neither waits for an answer; where no service answers, the notification is simply
// not shown. GUI thread only.

#include <string_view>

// A desktop notification from `appName` with the icon named `iconName` (a theme icon).
void NotifyDesktop(std::u16string_view appName, std::u16string_view iconName, std::u16string_view summary,
                   std::u16string_view body);

// Shows `path` selected in the file manager; where no file manager answers, opens the folder
// that holds it with the desktop's default for folders.
void ShowInFileManager(std::u16string_view path);
