#pragma once
// Text for a developer watching the program: debug messages of the logging category
// "tarvex", silent unless enabled with QT_LOGGING_RULES="tarvex.debug=true".

#include <string_view>

void OutputDebugString(std::u16string_view text);
// The program's byte text is UTF-8 whatever the locale.
void OutputDebugString(std::string_view text);
