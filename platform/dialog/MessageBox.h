#pragma once
// A modal message box owned by the application's main window, captioned with the
// application's name.

#include <string_view>

#include "platform/dialog/Wnd.h"

int AfxMessageBox(std::u16string_view text, unsigned type = MB_OK);
